#include "plugin/tests/win32/ui_driver.h"

#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <iterator>

#include "plugin/win32/utf16.h"

namespace {

struct FindData {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<FindData*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != data->pid || !IsWindowVisible(window)) return TRUE;
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (lstrcmpW(cls, data->className) != 0) return TRUE;
  data->found = window;
  return FALSE;
}

// Memory in another process, released with the object.
class TRemoteBuffer {
 public:
  TRemoteBuffer(HANDLE process, SIZE_T size) : FProcess(process) {
    FAddress = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~TRemoteBuffer() {
    if (FAddress) VirtualFreeEx(FProcess, FAddress, 0, MEM_RELEASE);
  }
  TRemoteBuffer(const TRemoteBuffer&) = delete;
  TRemoteBuffer& operator=(const TRemoteBuffer&) = delete;
  char* Address() const { return static_cast<char*>(FAddress); }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return WriteProcessMemory(FProcess, Address() + offset, data, size, nullptr) != 0;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return ReadProcessMemory(FProcess, Address() + offset, data, size, nullptr) != 0;
  }

 private:
  HANDLE FProcess;
  void* FAddress;
};

constexpr int kTextChars = 512;

}  // namespace

TUiDriver::~TUiDriver() {
  if (FInfo.hProcess) {
    if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(FInfo.hProcess, 99);
      WaitForSingleObject(FInfo.hProcess, 5000);
    }
    CloseHandle(FInfo.hProcess);
    CloseHandle(FInfo.hThread);
  }
}

bool TUiDriver::Start(const std::string& exe, const std::optional<std::string>& board) {
  std::wstring commandLine = L"\"" + Utf8ToWide(exe) + L"\"";
  if (board) commandLine += L" \"" + Utf8ToWide(*board) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  return CreateProcessW(Utf8ToWide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &FInfo) != 0;
}

HWND TUiDriver::WaitForWindow(const wchar_t* className, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  for (;;) {
    FindData data{FInfo.dwProcessId, className, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&data));
    if (data.found) return data.found;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    if (WaitForSingleObject(FInfo.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
  }
}

bool TUiDriver::HasVisibleWindow(const wchar_t* className) const {
  FindData data{FInfo.dwProcessId, className, nullptr};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&data));
  return data.found != nullptr;
}

bool TUiDriver::WaitHidden(HWND window, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

std::string TUiDriver::Text(HWND window) {
  wchar_t text[kTextChars] = {};
  // WM_GETTEXT is carried across processes by the system.
  SendMessageW(window, WM_GETTEXT, kTextChars, reinterpret_cast<LPARAM>(text));
  return WideToUtf8(text);
}

std::string TUiDriver::ControlText(HWND parent, int id) { return Text(GetDlgItem(parent, id)); }

bool TUiDriver::MessageBoxHasIcon(HWND box) {
  // The icon is a static control showing an icon; boxes without one hide it or have none.
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"Static") != 0 || !IsWindowVisible(child)) continue;
    if (SendMessageW(child, STM_GETICON, 0, 0) != 0) return true;
  }
  return false;
}

std::string TUiDriver::MessageBoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"Static") != 0) continue;
    std::string part = Text(child);
    if (part.empty()) continue;
    if (!text.empty()) text += "\n";
    text += part;
  }
  return text;
}

void TUiDriver::PressMessageBoxOk(HWND box) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::wstring TUiDriver::RemoteText(HWND grid, UINT message, WPARAM index, int subItem) const {
  // The list view writes into memory of its own process: the request goes there first.
  TRemoteBuffer buffer(FInfo.hProcess,
                       sizeof(LVITEMW) + sizeof(LVCOLUMNW) + kTextChars * sizeof(wchar_t));
  if (!buffer.Address()) return {};
  wchar_t* remoteText =
      reinterpret_cast<wchar_t*>(buffer.Address() + sizeof(LVITEMW) + sizeof(LVCOLUMNW));
  if (message == LVM_GETCOLUMNW) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = remoteText;
    column.cchTextMax = kTextChars;
    buffer.Write(0, &column, sizeof column);
    if (!SendMessageW(grid, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(buffer.Address())))
      return {};
  } else {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iSubItem = subItem;
    item.pszText = remoteText;
    item.cchTextMax = kTextChars;
    buffer.Write(0, &item, sizeof item);
    SendMessageW(grid, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(buffer.Address()));
  }
  wchar_t text[kTextChars] = {};
  buffer.Read(sizeof(LVITEMW) + sizeof(LVCOLUMNW), text, sizeof text - sizeof(wchar_t));
  return text;
}

std::vector<std::string> TUiDriver::GridHeaders(HWND grid) const {
  std::vector<std::string> headers;
  HWND header = reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0));
  int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; ++i)
    headers.push_back(WideToUtf8(RemoteText(grid, LVM_GETCOLUMNW, i, 0)));
  return headers;
}

std::vector<int> TUiDriver::GridColumnWidths(HWND grid) const {
  std::vector<int> widths;
  HWND header = reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0));
  int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; ++i)
    widths.push_back(static_cast<int>(SendMessageW(grid, LVM_GETCOLUMNWIDTH, i, 0)));
  return widths;
}

int TUiDriver::GridRowHeight(HWND grid) const {
  if (SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0) <= 0) return 0;
  TRemoteBuffer buffer(FInfo.hProcess, sizeof(RECT));
  RECT r{};
  r.left = LVIR_BOUNDS;
  if (!buffer.Address() || !buffer.Write(0, &r, sizeof r)) return 0;
  if (!SendMessageW(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(buffer.Address()))) return 0;
  buffer.Read(0, &r, sizeof r);
  return r.bottom - r.top;
}

RECT TUiDriver::PlaceInParent(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<int> TUiDriver::TabOrder(HWND window) {
  std::vector<int> ids;
  HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
  for (HWND c = first; c && ids.size() < 32; c = GetNextDlgTabItem(window, c, FALSE)) {
    ids.push_back(GetDlgCtrlID(c));
    if (GetNextDlgTabItem(window, c, FALSE) == first) break;
  }
  return ids;
}

std::vector<std::vector<std::string>> TUiDriver::GridCells(HWND grid) const {
  std::vector<std::vector<std::string>> rows;
  int columns = static_cast<int>(GridHeaders(grid).size());
  int count = static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < count; ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c)
      row.push_back(WideToUtf8(RemoteText(grid, LVM_GETITEMTEXTW, r, c)));
    rows.push_back(std::move(row));
  }
  return rows;
}

void TUiDriver::Type(HWND control, const std::string& chars) {
  for (wchar_t c : Utf8ToWide(chars)) SendMessageW(control, WM_CHAR, c, 1);
}

void TUiDriver::SelectAll(HWND edit) { SendMessageW(edit, EM_SETSEL, 0, -1); }

void TUiDriver::PickItem(HWND parent, int comboId, int index) {
  HWND combo = GetDlgItem(parent, comboId);
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void TUiDriver::Click(HWND parent, int buttonId) {
  PostMessageW(parent, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(parent, buttonId)));
}

void TUiDriver::PressCloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::optional<DWORD> TUiDriver::WaitForExit(DWORD timeoutMs) {
  if (!FInfo.hProcess || WaitForSingleObject(FInfo.hProcess, timeoutMs) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(FInfo.hProcess, &code);
  return code;
}

std::string OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/"));
  return WideToUtf8(folder);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(Utf8ToWide(path).c_str(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(Utf8ToWide(path).c_str(), std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

TTestFolder::TTestFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"morvane-ui-" +
                        std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
  CreateDirectoryW(folder.c_str(), nullptr);
  path = WideToUtf8(folder);
}

TTestFolder::~TTestFolder() {
  std::wstring folder = Utf8ToWide(path);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring file = folder + L"\\" + name;
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(file.c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}
