// Morvane.exe: started by the PCB editor with the board's full path; shows the run in its
// window and always ends with exit code 0, whatever happened.
// clang-format off
#include <windows.h>  // first: the other system headers need its types
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <exception>
#include <string>

#include "plugin/win32/form_main.h"
#include "plugin/win32/form_warning.h"
#include "plugin/win32/utf16.h"
#include "plugin/win32/win32_ui.h"

namespace {

// The first command-line argument; further ones are ignored.
std::string FirstArgument() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::string first;
  if (args && count > 1) first = WideToUtf8(args[1]);
  if (args) LocalFree(args);
  return first;
}

void RunMessageLoop(HWND main) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsWindow(main) && IsDialogMessageW(main, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Run() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  TScale scale;
  TWindowFont font(scale);
  if (!TFormMain::RegisterWindowClass() || !TFormWarning::RegisterWindowClass()) return;
  // Declared in reverse: the main window goes first, and with it the dialog it owns.
  TFormWarning warning(scale, font.Handle());
  TFormMain main(scale, font.Handle(), warning, FirstArgument());
  if (!main.Create()) return;
  if (!warning.Create(main.Handle())) return;
  HWND handle = main.Handle();
  main.Show();
  RunMessageLoop(handle);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Run();
  } catch (const std::exception& e) {
    ShowErrorBox(nullptr, e.what());
  } catch (...) {
  }
  return 0;
}
