#include "plugin/win32/form_main.h"

#include <commctrl.h>

#include "plugin/win32/control_ids.h"
#include "plugin/win32/utf16.h"

namespace {
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 320;
constexpr int kClientHeight = 534;
constexpr int kGridWidth = 288;
constexpr int kRowHeight = 24;

std::string OwnFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return WideToUtf8(path);
    }
    path.resize(path.size() * 2);
  }
}

// The user's decimal separator, for the widths the warning dialog shows.
char LocaleDecimalSeparator() {
  wchar_t sep[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) > 0 && sep[0] > 0 &&
      sep[0] < 0x80) {
    return static_cast<char>(sep[0]);
  }
  return '.';
}

// A drop-down list whose closed field is `height` pixels tall.
HWND CreateDropDownList(HWND parent, int left, int top, int width, int height, int id,
                        const TScale& scale, HFONT font) {
  HWND combo = CreateControl(parent, L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                             left, top, width, height + 120, id, scale, font);
  // The closed field's height follows the selection field's item height: set it, measure,
  // and correct, since the control adds borders of its own (and may report the item height
  // with some of them).
  if (!combo) return combo;
  int item = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 3 && item > 0; ++attempt) {
    RECT field{};
    GetWindowRect(combo, &field);
    int got = field.bottom - field.top;
    if (got == scale(height) || item + scale(height) - got < 1) break;
    item += scale(height) - got;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item);
  }
  return combo;
}

void AddItems(HWND combo, std::initializer_list<TextId> items) {
  for (TextId id : items) {
    SendMessageW(combo, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Utf8ToWide(LoadText(id)).c_str()));
  }
}
}  // namespace

TFormMain::TFormMain(const TScale& scale, HFONT font, TFormWarning& warning,
                     std::string boardFileName)
    : FScale(scale),
      FFont(font),
      FWarning(warning),
      FFlow(FState, *this),
      FSwell(FState.DocumentUnit, FState.DisplayUnit, FState.MaskSwell) {
  FState.BoardFileName = std::move(boardFileName);
}

TFormMain::~TFormMain() {
  if (FWindow) DestroyWindow(FWindow);
}

bool TFormMain::RegisterWindowClass() {
  return RegisterFormClass(MORVANE_MAIN_CLASS, WindowProc, true);
}

bool TFormMain::Create() {
  SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, FScale);
  // Centred on the screen.
  int left = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  FWindow = CreateWindowExW(kExStyle, MORVANE_MAIN_CLASS, L"", kStyle, left, top, size.cx, size.cy,
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
  return FWindow != nullptr;
}

void TFormMain::FormCreate() {
  FState.LocaleDecimalSeparator = LocaleDecimalSeparator();

  // The controls in declaration order, which is also the tab order: OK, Cancel, then the
  // three groups with their contents.
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_BUTTON_OK), WS_TABSTOP | BS_PUSHBUTTON, 0, 156,
                500, 75, 25, IDC_BTN_OK, FScale, FFont);
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_BUTTON_CANCEL), WS_TABSTOP | BS_PUSHBUTTON, 0, 237,
                500, 75, 25, IDC_BTN_CANCEL, FScale, FFont);
  // Child positions below are those inside their group box, moved by the group's place.
  constexpr int netsX = 8, netsY = 8, maskX = 8, maskY = 208, shapesX = 8, shapesY = 300;
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_GROUP_NETS), BS_GROUPBOX, 0, netsX, netsY, 304,
                194, IDC_GB_NETS, FScale, FFont);
  FGridNets = CreateGrid(FWindow, netsX + 8, netsY + 20, kGridWidth, 160, IDC_GRID_NETS, FScale,
                         FFont, kRowHeight);
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_GROUP_SOLDER_MASK), BS_GROUPBOX, 0, maskX, maskY,
                304, 86, IDC_GB_SOLDER_MASK, FScale, FFont);
  FComboRegion = CreateDropDownList(FWindow, maskX + 152, maskY + 20, 145, 22, IDC_COMBO_REGION,
                                    FScale, FFont);
  CreateLabel(FWindow, LoadText(IDS_LABEL_REGION) + ":", maskX + 8, maskY + 24, IDC_LABEL_REGION,
              FScale, FFont);
  CreateLabel(FWindow, LoadText(IDS_LABEL_SWELL) + ":", maskX + 8, maskY + 54, IDC_LABEL_SWELL,
              FScale, FFont);
  FEditSwell = CreateControl(FWindow, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                             maskX + 152, maskY + 50, 88, 22, IDC_EDIT_SWELL, FScale, FFont);
  FComboUnits =
      CreateDropDownList(FWindow, maskX + 246, maskY + 50, 50, 22, IDC_COMBO_UNITS, FScale, FFont);
  CreateControl(FWindow, L"BUTTON", LoadText(IDS_GROUP_SHAPES), BS_GROUPBOX, 0, shapesX, shapesY,
                304, 194, IDC_GB_SHAPES, FScale, FFont);
  FGridShapes = CreateGrid(FWindow, shapesX + 8, shapesY + 20, kGridWidth, 160, IDC_GRID_SHAPES,
                           FScale, FFont, kRowHeight);

  AddItems(FComboRegion, {IDS_REGION_SEGMENTS, IDS_REGION_TRACES, IDS_REGION_NETS});
  SendMessageW(FComboRegion, CB_SETCURSEL, 0, 0);
  AddItems(FComboUnits, {IDS_UNIT_INCH, IDS_UNIT_MIL, IDS_UNIT_MM});  // none chosen until loading
  SetWindowSubclass(FEditSwell, SwellEditProc, 1, reinterpret_cast<DWORD_PTR>(this));

  SetGridColumns(FGridNets,
                 {LoadText(IDS_NETS_NAME), LoadText(IDS_NETS_TRACES), LoadText(IDS_NETS_SEGMENTS)},
                 GridDefaultColumnWidth(kGridWidth), FScale);
  SetGridColumns(FGridShapes,
                 {LoadText(IDS_SHAPES_SHAPE), LoadText(IDS_SHAPES_LAYER), LoadText(IDS_SHAPES_NET)},
                 GridDefaultColumnWidth(kGridWidth), FScale);

  FState.DocumentUnit = UnitMm;
  FState.DisplayUnit = UnitMm;
  FSwell.ShowInitialSwell(*this);

  FVersionInfo = std::make_unique<TVersionInfo>();
  FVersionInfo->GetInfo(OwnFileName());
  std::string caption = FormatText(LoadText(IDS_CAPTION), {FVersionInfo->FileVersion()});
  SetWindowTextUtf8(FWindow, caption);
  SetApplicationTitle(caption);
}

void TFormMain::Show() {
  FormShow();
  if (FClosed || !FWindow) return;
  ShowWindow(FWindow, SW_SHOW);
  UpdateWindow(FWindow);
  SetForegroundWindow(FWindow);
  SetFocus(FComboRegion);
}

void TFormMain::FormShow() {
  if (FFlow.FormShow() != TRunPhase::Ready) {
    DestroyWindow(FWindow);
    return;
  }
  FillGrids();
}

void TFormMain::FillGrids() {
  SetGridRows(FGridNets, GridRows(NetsGridRows(*FState.NetList, LoadText(IDS_COUNT_FORMAT))));
  SetGridRows(FGridShapes, GridRows(ShapesGridRows(*FState.ShapeList)));
}

void TFormMain::BtnOKClick() {
  int region = static_cast<int>(SendMessageW(FComboRegion, CB_GETCURSEL, 0, 0));
  TOkResult result = FFlow.BtnOKClick(region);
  if (result == TOkResult::Written || result == TOkResult::NothingToWrite) DestroyWindow(FWindow);
}

void TFormMain::BtnCancelClick() {
  FFlow.BtnCancelClick();
  DestroyWindow(FWindow);
}

void TFormMain::FormClose() {
  if (FClosed) return;
  FClosed = true;
  FFlow.FormClose();
  FState.NetList.reset();
  FState.ShapeList.reset();
  FState.CopperLayerIds.clear();
  FState.Settings.reset();
  FVersionInfo.reset();
}

void TFormMain::ShowMessage(const std::string& text) { ShowMessageBox(FWindow, text); }
void TFormMain::ShowError(const std::string& text) { ShowErrorBox(FWindow, text); }

bool TFormMain::ConfirmOpening(const TWarningRows& rows) {
  FWarning.FillWarningGrids(rows);
  return FWarning.ShowModal();
}

void TFormMain::SelectUnit(int unit) {
  // CB_SETCURSEL sends no change notification, so the unit handler does not run.
  SendMessageW(FComboUnits, CB_SETCURSEL, static_cast<WPARAM>(unit), 0);
}

void TFormMain::SetSwellText(const std::string& text) { SetWindowTextUtf8(FEditSwell, text); }

void TFormMain::EditSolderMaskSwellChange() {
  FSwell.EditSolderMaskSwellChange(WindowTextUtf8(FEditSwell));
}

void TFormMain::ComboSolderMaskUnitsChange() {
  int index = static_cast<int>(SendMessageW(FComboUnits, CB_GETCURSEL, 0, 0));
  FSwell.ComboSolderMaskUnitsChange(index, *this);
}

LRESULT CALLBACK TFormMain::SwellEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
  if (message == WM_CHAR) {
    // EditSolderMaskSwellKeyPress: the filter sees the whole text, whatever is selected.
    char32_t key = TSwellEditor::EditSolderMaskSwellKeyPress(WindowTextUtf8(edit),
                                                             static_cast<char32_t>(wParam));
    if (key == 0) return 0;
    wParam = static_cast<WPARAM>(key);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(edit, SwellEditProc, 1);
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

LRESULT CALLBACK TFormMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RouteToForm(window, message, wParam, lParam, &TFormMain::FWindow, &TFormMain::Handle);
}

LRESULT TFormMain::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDC_BTN_OK && code == BN_CLICKED)
        BtnOKClick();
      else if (id == IDC_BTN_CANCEL && code == BN_CLICKED)
        BtnCancelClick();
      else if (id == IDC_EDIT_SWELL && code == EN_CHANGE)
        EditSolderMaskSwellChange();
      else if (id == IDC_COMBO_UNITS && code == CBN_SELCHANGE)
        ComboSolderMaskUnitsChange();
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(FWindow);
      return 0;
    case WM_DESTROY:
      FormClose();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(FWindow, message, wParam, lParam);
}
