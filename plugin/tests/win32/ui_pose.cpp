// Holds Morvane.exe's windows still for screenshots: starts it on a copy of a board, shows
// the main window, then the warning dialog, and waits at each for the screenshot to be
// taken. The screenshot script reads STATE\NAME.rect (the window's place as WxH+X+Y) and
// answers with STATE\NAME.done.
// usage: morvane_ui_pose BOARD STATE_FOLDER SWELL
#include <windows.h>

#include <cstdio>
#include <string>

#include "plugin/tests/win32/ui_driver.h"
#include "plugin/win32/control_ids.h"

namespace {

bool Pose(HWND window, const std::string& state, const std::string& name) {
  // Once the program answers, its pending work is done; then give the paint a moment.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  Sleep(500);
  RECT r{};
  GetWindowRect(window, &r);
  std::string rect = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                     "+" + std::to_string(r.left) + "+" + std::to_string(r.top);
  if (!WriteWholeFile(state + "\\" + name + ".rect", rect)) return false;
  std::string done = state + "\\" + name + ".done";
  for (int i = 0; i < 1200; ++i) {
    if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  std::fprintf(stderr, "no screenshot of the %s window\n", name.c_str());
  return false;
}

int Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Fail("usage: morvane_ui_pose BOARD STATE_FOLDER SWELL");
  const std::string state = argv[2];
  TTestFolder folder;
  const std::string board = folder.File("board.xml");
  if (!WriteWholeFile(board, ReadWholeFile(argv[1]))) return Fail("cannot copy the board");

  TUiDriver ui;
  if (!ui.Start(OwnFolder() + "\\Morvane.exe", board)) return Fail("cannot start Morvane.exe");
  HWND main = ui.WaitForWindow(MORVANE_MAIN_CLASS);
  if (!main) return Fail("no main window");
  if (!Pose(main, state, "main")) return 1;

  HWND edit = GetDlgItem(main, IDC_EDIT_SWELL);
  TUiDriver::SelectAll(edit);
  TUiDriver::Type(edit, std::string("\b") + argv[3]);
  TUiDriver::Click(main, IDC_BTN_OK);
  HWND warning = ui.WaitForWindow(MORVANE_WARNING_CLASS);
  if (!warning) return Fail("no warning dialog");
  if (!Pose(warning, state, "warning")) return 1;

  TUiDriver::Click(warning, IDC_WARN_NO);
  ui.WaitHidden(warning);
  TUiDriver::Click(main, IDC_BTN_CANCEL);
  auto code = ui.WaitForExit();
  if (!code || *code != 0) return Fail("Morvane.exe did not end with exit code 0");
  return 0;
}
