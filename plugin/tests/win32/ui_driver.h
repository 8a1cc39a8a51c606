#pragma once
// Drives Morvane.exe from outside, the way a user would: starts it on a board, finds its
// windows, reads captions, control texts and grid cells, types into the swell edit through
// the edit's own key handling, picks list items, presses buttons, answers the dialog and the
// message boxes, and waits for the process to end.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class TUiDriver {
 public:
  TUiDriver() = default;
  // A process still running is ended: a failed test must not leave windows behind.
  ~TUiDriver();
  TUiDriver(const TUiDriver&) = delete;
  TUiDriver& operator=(const TUiDriver&) = delete;

  // Starts the program with the board's path as its one argument, or with none.
  bool Start(const std::string& exe, const std::optional<std::string>& board);
  DWORD ProcessId() const { return FInfo.dwProcessId; }

  // A visible top-level window of the process with the class name, or null after the
  // timeout. "#32770" finds message boxes.
  HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = 10000) const;
  // Waits until the window is hidden or gone; false after the timeout.
  bool WaitHidden(HWND window, DWORD timeoutMs = 10000) const;
  // Whether the process has a visible top-level window of the class now.
  bool HasVisibleWindow(const wchar_t* className) const;

  static std::string Text(HWND window);
  static std::string ControlText(HWND parent, int id);
  // The texts of a message box's static controls, joined by line breaks.
  static std::string MessageBoxText(HWND box);
  // Whether the box shows an icon (the error box does, the plain message box does not).
  static bool MessageBoxHasIcon(HWND box);
  // Ends a message box as its OK button does.
  static void PressMessageBoxOk(HWND box);

  // Header texts and cells (row by row) of a report-style list view in the process.
  std::vector<std::string> GridHeaders(HWND grid) const;
  std::vector<std::vector<std::string>> GridCells(HWND grid) const;
  // Column widths in pixels.
  std::vector<int> GridColumnWidths(HWND grid) const;
  // Height in pixels of the grid's first row (0 without rows).
  int GridRowHeight(HWND grid) const;
  // The control's place inside its parent's client area.
  static RECT PlaceInParent(HWND control);
  // The controls that Tab visits from the first one on, by id, until it comes round.
  static std::vector<int> TabOrder(HWND window);

  // Sends each character to the control as a typed key (WM_CHAR), one after the other.
  static void Type(HWND control, const std::string& chars);
  // Selects everything in an edit, as before typing over it.
  static void SelectAll(HWND edit);
  // Chooses an item of a drop-down list and tells its parent, as a user's pick does.
  static void PickItem(HWND parent, int comboId, int index);
  // Presses a button; the click is posted, so a modal window it opens does not block us.
  static void Click(HWND parent, int buttonId);
  // The window's close box.
  static void PressCloseBox(HWND window);

  // Waits for the process to end; its exit code, or nothing after the timeout.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = 15000);

 private:
  std::wstring RemoteText(HWND grid, UINT message, WPARAM index, int subItem) const;

  PROCESS_INFORMATION FInfo{};
};

// Wine paths for the tests: the program's folder, a file's whole bytes, copies.
std::string OwnFolder();
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// A new empty folder under the temporary folder (removed with its files by the destructor).
struct TTestFolder {
  TTestFolder();
  ~TTestFolder();
  std::string File(const std::string& name) const { return path + "\\" + name; }
  std::string path;
};
