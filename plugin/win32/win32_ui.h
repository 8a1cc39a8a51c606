#pragma once
// Small pieces shared by Morvane.exe's windows: texts from the string table, the window
// font, pixel scaling, report-style grids and the message boxes.
#include <windows.h>

#include <array>
#include <exception>
#include <string>
#include <vector>

#include "plugin/strings.h"

// A string-table text in UTF-8; the built-in English text when the table lacks it.
std::string LoadText(TextId id);

// The application title: message boxes carry it as their caption.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// Lengths at 96 pixels per inch scaled to the screen's resolution.
class TScale {
 public:
  TScale();
  int operator()(int pixels96) const { return MulDiv(pixels96, FDpi, 96); }
  int Dpi() const { return FDpi; }

 private:
  int FDpi;
};

// Tahoma 9 pt at the screen's resolution; released with the object.
class TWindowFont {
 public:
  explicit TWindowFont(const TScale& scale);
  ~TWindowFont();
  TWindowFont(const TWindowFont&) = delete;
  TWindowFont& operator=(const TWindowFont&) = delete;
  HFONT Handle() const { return FFont; }

 private:
  HFONT FFont;
};

// Creates a child control with the font set. Positions are at 96 pixels per inch.
HWND CreateControl(HWND parent, const wchar_t* cls, const std::string& text, DWORD style,
                   DWORD exStyle, int left, int top, int width, int height, int id,
                   const TScale& scale, HFONT font);
// A label sized to its text.
HWND CreateLabel(HWND parent, const std::string& text, int left, int top, int id,
                 const TScale& scale, HFONT font);

// A report-style list view as a string grid: grid lines, header row, resizable columns,
// whole-row selection, rows of the given height.
HWND CreateGrid(HWND parent, int left, int top, int width, int height, int id, const TScale& scale,
                HFONT font, int rowHeight);
void SetGridColumns(HWND grid, const std::vector<std::string>& headers, int columnWidth,
                    const TScale& scale);
void SetGridRows(HWND grid, const std::vector<std::vector<std::string>>& rows);
template <std::size_t N>
std::vector<std::vector<std::string>> GridRows(
    const std::vector<std::array<std::string, N>>& rows) {
  std::vector<std::vector<std::string>> out;
  out.reserve(rows.size());
  for (const auto& r : rows) out.emplace_back(r.begin(), r.end());
  return out;
}

// Height in pixels of a word-wrapped text at the given width.
int TextHeight(HWND control, const std::string& text, int width, HFONT font);

// Window size for a client area at 96 pixels per inch.
SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         const TScale& scale);

std::string WindowTextUtf8(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& text);

// A modal box with an OK button, titled with the application title.
void ShowMessageBox(HWND owner, const std::string& text);
// The box for an error nobody else handled.
void ShowErrorBox(HWND owner, const std::string& text);

// Registers a form's window class: arrow cursor, dialog-coloured background, and the
// application icon when asked for.
bool RegisterFormClass(const wchar_t* className, WNDPROC windowProc, bool withIcon);

// The common part of a form's window procedure: the form object, given at creation, is
// kept in the window's user data and gets every message through its handler; what a
// handler throws goes to the error box and the window stays as it is.
template <class TForm>
LRESULT RouteToForm(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                    HWND TForm::*windowField, LRESULT (TForm::*handler)(UINT, WPARAM, LPARAM)) {
  TForm* self;
  if (message == WM_NCCREATE) {
    self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->*windowField = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->*windowField = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return (self->*handler)(message, wParam, lParam);
  } catch (const std::exception& e) {
    ShowErrorBox(window, e.what());
    return 0;
  }
}
