#include "plugin/win32/win32_ui.h"

#include <commctrl.h>

#include <algorithm>

#include "plugin/win32/utf16.h"

namespace {
std::string gApplicationTitle;
}

std::string LoadText(TextId id) {
  const wchar_t* text = nullptr;
  // With a zero buffer length LoadStringW hands out a pointer into the resource itself.
  int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                           reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return std::string(DefaultText(id));
  return WideToUtf8(std::wstring_view(text, static_cast<std::size_t>(length)));
}

const std::string& ApplicationTitle() { return gApplicationTitle; }
void SetApplicationTitle(std::string title) { gApplicationTitle = std::move(title); }

TScale::TScale() {
  HDC dc = GetDC(nullptr);
  FDpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  if (FDpi <= 0) FDpi = 96;
}

TWindowFont::TWindowFont(const TScale& scale) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(9, scale.Dpi(), 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpyW(lf.lfFaceName, L"Tahoma");
  FFont = CreateFontIndirectW(&lf);
}

TWindowFont::~TWindowFont() {
  if (FFont) DeleteObject(FFont);
}

HWND CreateControl(HWND parent, const wchar_t* cls, const std::string& text, DWORD style,
                   DWORD exStyle, int left, int top, int width, int height, int id,
                   const TScale& scale, HFONT font) {
  HWND control = CreateWindowExW(
      exStyle, cls, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, scale(left),
      scale(top), scale(width), scale(height), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

HWND CreateLabel(HWND parent, const std::string& text, int left, int top, int id,
                 const TScale& scale, HFONT font) {
  HWND label = CreateControl(parent, L"STATIC", text, SS_LEFT | SS_NOPREFIX, 0, left, top, 1, 1, id,
                             scale, font);
  if (!label) return nullptr;
  // Auto-size: the text's extent in the window font.
  std::wstring wide = Utf8ToWide(text);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  SetWindowPos(label, nullptr, 0, 0, extent.cx + 1, extent.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return label;
}

HWND CreateGrid(HWND parent, int left, int top, int width, int height, int id, const TScale& scale,
                HFONT font, int rowHeight) {
  HWND grid = CreateControl(parent, WC_LISTVIEWW, "",
                            WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            WS_EX_CLIENTEDGE, left, top, width, height, id, scale, font);
  if (!grid) return nullptr;
  ListView_SetExtendedListViewStyle(grid, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  // A list view's rows are as tall as its small images plus what the control adds: a blank
  // image list sets the height, measured on a trial row and corrected once.
  const int wanted = scale(rowHeight);
  int imageHeight = wanted;
  for (int attempt = 0; attempt < 2; ++attempt) {
    HIMAGELIST rows = ImageList_Create(1, imageHeight, ILC_COLOR, 0, 1);
    HIMAGELIST old =
        ListView_SetImageList(grid, rows, LVSIL_SMALL);  // the new one goes with the list view
    if (old) ImageList_Destroy(old);
    LVITEMW trial{};
    trial.mask = LVIF_TEXT;
    trial.pszText = const_cast<wchar_t*>(L"0");
    SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&trial));
    RECT r{};
    r.left = LVIR_BOUNDS;
    BOOL measured =
        static_cast<BOOL>(SendMessageW(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
    ListView_DeleteAllItems(grid);
    int got = r.bottom - r.top;
    if (!measured || got == wanted || imageHeight + wanted - got < 1) break;
    imageHeight += wanted - got;
  }
  return grid;
}

void SetGridColumns(HWND grid, const std::vector<std::string>& headers, int columnWidth,
                    const TScale& scale) {
  while (ListView_DeleteColumn(grid, 0)) {
  }
  for (std::size_t i = 0; i < headers.size(); ++i) {
    std::wstring text = Utf8ToWide(headers[i]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    // At least as wide as the header text: a font wider than the one the widths were
    // chosen for must not cut the headers.
    int textWidth = static_cast<int>(
        SendMessageW(grid, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    column.cx = std::max(scale(columnWidth), textWidth + scale(14));
    column.pszText = text.data();
    column.iSubItem = static_cast<int>(i);
    SendMessageW(grid, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void SetGridRows(HWND grid, const std::vector<std::vector<std::string>>& rows) {
  SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(grid);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      std::wstring text = Utf8ToWide(rows[r][c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      SendMessageW(grid, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(grid, nullptr, TRUE);
}

int TextHeight(HWND control, const std::string& text, int width, HFONT font) {
  std::wstring wide = Utf8ToWide(text);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, width, 0};
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return r.bottom - r.top;
}

SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         const TScale& scale) {
  RECT r{0, 0, scale(clientWidth), scale(clientHeight)};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

std::string WindowTextUtf8(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return WideToUtf8(text);
}

void SetWindowTextUtf8(HWND window, const std::string& text) {
  SetWindowTextW(window, Utf8ToWide(text).c_str());
}

namespace {
void Box(HWND owner, const std::string& text, UINT icon) {
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  UINT flags = MB_OK | icon | (owner ? MB_APPLMODAL : MB_TASKMODAL | MB_SETFOREGROUND);
  MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(ApplicationTitle()).c_str(), flags);
}
}  // namespace

void ShowMessageBox(HWND owner, const std::string& text) { Box(owner, text, 0); }
void ShowErrorBox(HWND owner, const std::string& text) { Box(owner, text, MB_ICONERROR); }

bool RegisterFormClass(const wchar_t* className, WNDPROC windowProc, bool withIcon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  if (withIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  return RegisterClassExW(&wc) != 0;
}
