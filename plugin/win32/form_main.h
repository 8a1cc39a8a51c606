#pragma once
// TFormMain: the plugin's main window. It shows the shared run flow: the flow reads, checks
// and writes; the window lists what is selected and takes region, swell and unit.
#include <windows.h>

#include <memory>
#include <string>

#include "plugin/main_model.h"
#include "plugin/run_flow.h"
#include "plugin/run_state.h"
#include "plugin/versioninfo.h"
#include "plugin/win32/form_warning.h"
#include "plugin/win32/win32_ui.h"

class TFormMain final : public TRunUI, private TSwellEdit {
 public:
  TFormMain(const TScale& scale, HFONT font, TFormWarning& warning, std::string boardFileName);
  ~TFormMain() override;
  TFormMain(const TFormMain&) = delete;
  TFormMain& operator=(const TFormMain&) = delete;

  static bool RegisterWindowClass();
  // Makes the window (hidden), which runs FormCreate.
  bool Create();
  HWND Handle() const { return FWindow; }
  // Reads the board and, when the run goes on, shows the window; otherwise closes it.
  void Show();

  // TRunUI
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool ConfirmOpening(const TWarningRows& rows) override;
  void SelectUnit(int unit) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SwellEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR data);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void SetSwellText(const std::string& text) override;

  void FormCreate();
  void FormShow();
  void BtnOKClick();
  void BtnCancelClick();
  void FormClose();
  void EditSolderMaskSwellChange();
  void ComboSolderMaskUnitsChange();
  void FillGrids();

  const TScale& FScale;
  HFONT FFont;
  TFormWarning& FWarning;
  RunState FState;
  TRunFlow FFlow;
  TSwellEditor FSwell;
  std::unique_ptr<TVersionInfo> FVersionInfo;
  HWND FWindow = nullptr;
  HWND FComboRegion = nullptr;
  HWND FEditSwell = nullptr;
  HWND FComboUnits = nullptr;
  HWND FGridNets = nullptr;
  HWND FGridShapes = nullptr;
  bool FClosed = false;
};
