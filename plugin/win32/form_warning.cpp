#include "plugin/win32/form_warning.h"

#include <commctrl.h>

#include "plugin/main_model.h"
#include "plugin/win32/control_ids.h"
#include "plugin/win32/utf16.h"

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 346;
constexpr int kClientHeight = 442;
}  // namespace

TFormWarning::~TFormWarning() {
  if (FWindow) DestroyWindow(FWindow);
}

bool TFormWarning::RegisterWindowClass() {
  return RegisterFormClass(MORVANE_WARNING_CLASS, WindowProc, false);
}

bool TFormWarning::Create(HWND owner) {
  FOwner = owner;
  SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, FScale);
  FWindow = CreateWindowExW(kExStyle, MORVANE_WARNING_CLASS,
                            Utf8ToWide(LoadText(IDS_WARNING_CAPTION)).c_str(), kStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, owner, nullptr,
                            GetModuleHandleW(nullptr), this);
  return FWindow != nullptr;
}

void TFormWarning::FormCreate() {
  // Declaration order of the dialog's controls, which is also their tab order.
  const std::string explanation = LoadText(IDS_WARNING_TEXT);
  HWND label1 = CreateControl(FWindow, L"STATIC", explanation, SS_LEFT | SS_NOPREFIX, 0, 8, 8, 330,
                              48, IDC_WARN_LABEL1, FScale, FFont);
  // The explanation gets the lines it needs: with a wider font than the layout was made for,
  // everything below it moves down and the dialog grows, instead of the text being cut.
  int extra = 0;
  int needed = TextHeight(label1, explanation, FScale(330), FFont);
  if (needed > FScale(48)) {
    extra = MulDiv(needed - FScale(48), 96, FScale.Dpi()) + 1;
    SetWindowPos(label1, nullptr, 0, 0, FScale(330), FScale(48 + extra), SWP_NOMOVE | SWP_NOZORDER);
    SIZE size = WindowSizeForClient(kClientWidth, kClientHeight + extra, kStyle, kExStyle, FScale);
    SetWindowPos(FWindow, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  FGridNets = CreateGrid(FWindow, 8, 54 + extra, 330, 160, IDC_WARN_GRID_NETS, FScale, FFont, 24);
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_BUTTON_YES), WS_TABSTOP | BS_PUSHBUTTON, 0, 182,
                408 + extra, 75, 25, IDC_WARN_YES, FScale, FFont);
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_BUTTON_NO), WS_TABSTOP | BS_PUSHBUTTON, 0, 263,
                408 + extra, 75, 25, IDC_WARN_NO, FScale, FFont);
  CreateLabel(FWindow, LoadText(IDS_WARNING_QUESTION), 8, 386 + extra, IDC_WARN_LABEL2, FScale,
              FFont);
  FGridShapes =
      CreateGrid(FWindow, 8, 220 + extra, 330, 160, IDC_WARN_GRID_SHAPES, FScale, FFont, 24);

  SetGridColumns(FGridNets,
                 {LoadText(IDS_WARN_NET), LoadText(IDS_WARN_TRACE), LoadText(IDS_WARN_SEGMENT),
                  LoadText(IDS_WARN_WIDTH), LoadText(IDS_WARN_MASK)},
                 64, FScale);
  SetGridColumns(
      FGridShapes,
      {LoadText(IDS_WARN_SHAPE), LoadText(IDS_WARN_COPPER_LAYER), LoadText(IDS_WARN_SHAPE_NET)},
      GridDefaultColumnWidth(330), FScale);
}

void TFormWarning::FillWarningGrids(const TWarningRows& rows) {
  SetGridRows(FGridNets, GridRows(rows.Segments));
  SetGridRows(FGridShapes, GridRows(rows.Shapes));
}

bool TFormWarning::ShowModal() {
  // Centred over the main window.
  RECT ownerRect{}, own{};
  GetWindowRect(FOwner, &ownerRect);
  GetWindowRect(FWindow, &own);
  int width = own.right - own.left, height = own.bottom - own.top;
  int left = ownerRect.left + ((ownerRect.right - ownerRect.left) - width) / 2;
  int top = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - height) / 2;
  SetWindowPos(FWindow, HWND_TOP, left, top, 0, 0, SWP_NOSIZE);

  FResultYes = false;
  FModal = true;
  EnableWindow(FOwner, FALSE);
  ShowWindow(FWindow, SW_SHOW);
  SetForegroundWindow(FWindow);
  SetFocus(GetDlgItem(FWindow, IDC_WARN_GRID_NETS));
  MSG msg;
  bool quit = false;
  while (FModal) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = true;
      break;
    }
    if (!IsDialogMessageW(FWindow, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  FModal = false;
  // The owner is enabled before the dialog hides, so that it gets the activation back.
  EnableWindow(FOwner, TRUE);
  ShowWindow(FWindow, SW_HIDE);
  SetActiveWindow(FOwner);
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
  return FResultYes && !quit;
}

void TFormWarning::EndModal(bool yes) {
  FResultYes = yes;
  FModal = false;
}

LRESULT CALLBACK TFormWarning::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RouteToForm(window, message, wParam, lParam, &TFormWarning::FWindow, &TFormWarning::Handle);
}

LRESULT TFormWarning::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_WARN_YES:
          if (HIWORD(wParam) == BN_CLICKED) EndModal(true);
          return 0;
        case IDC_WARN_NO:
        case IDCANCEL:  // Escape
          if (HIWORD(wParam) == BN_CLICKED) EndModal(false);
          return 0;
      }
      break;
    case WM_CLOSE:  // the close box answers No
      if (FModal) EndModal(false);
      return 0;
  }
  return DefWindowProcW(FWindow, message, wParam, lParam);
}
