#pragma once
// TFormWarning: the modal width-conflict dialog, made once at start and reused for every OK.
#include <windows.h>

#include "plugin/run_state.h"
#include "plugin/win32/win32_ui.h"

class TFormWarning {
 public:
  TFormWarning(const TScale& scale, HFONT font) : FScale(scale), FFont(font) {}
  ~TFormWarning();
  TFormWarning(const TFormWarning&) = delete;
  TFormWarning& operator=(const TFormWarning&) = delete;

  static bool RegisterWindowClass();
  // Makes the (hidden) dialog over its owner, the main window.
  bool Create(HWND owner);
  HWND Handle() const { return FWindow; }

  // Fills both grids from the lists.
  void FillWarningGrids(const TWarningRows& rows);
  // Shows the dialog modally over its owner; true for "Yes", false for "No" or the close box.
  bool ShowModal();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void FormCreate();
  void EndModal(bool yes);

  const TScale& FScale;
  HFONT FFont;
  HWND FWindow = nullptr;
  HWND FOwner = nullptr;
  HWND FGridNets = nullptr;
  HWND FGridShapes = nullptr;
  bool FModal = false;
  bool FResultYes = false;
};
