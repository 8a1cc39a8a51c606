#pragma once
// The run flow of the plugin without a window: showing (reading the board), OK (check,
// confirm, write, save), Cancel and closing, as steps on the run state. The window and the
// command-line tool drive the same steps through TRunUI.
#include <array>
#include <string>
#include <vector>

#include "plugin/run_state.h"

enum class TRunPhase { Starting, Ready, End };

enum class TOkResult {
  Written,         // the board was saved with the added Shape elements
  NothingToWrite,  // nothing qualified: the board was left as it was
  Declined,        // the user answered No: the window stays open
  Failed,          // writing or saving failed, its message was shown: the window stays open
  Ignored,         // no region chosen
};

// The warning dialog's rows from the two incompatibility lists.
TWarningRows FillWarningGrids(const RunState& state);

class TRunFlow {
 public:
  TRunFlow(RunState& state, TRunUI& ui) : FState(state), FUi(ui) {}

  TRunPhase Phase() const { return FPhase; }
  // Reads the board; Ready on success, End after its message otherwise.
  TRunPhase FormShow();
  // The swell edit's text in its edit form, as the window shows it.
  std::string SwellEditText() const;
  // A new display unit: the swell stays, the edit shows it converted.
  void ChangeDisplayUnit(int unit);
  // A new edit text: a number sets the swell (given in the display unit); anything else
  // leaves it as it was. Returns whether the text was a number.
  bool ChangeSwellText(const std::string& text);
  // Region, swell and unit as they are: check, confirm, write and save.
  TOkResult BtnOKClick(int Region);
  void BtnCancelClick();
  // Releases the model; the phase becomes End.
  void FormClose();

  // Shape elements the last successful OK added.
  int AddedShapes() const { return FAdded; }
  // The model of the run as written by the last OK (for previews): Correct and Enabled marks.
  const RunState& State() const { return FState; }

  // Runs the incompatibility test and asks the user when anything is listed.
  bool ConfirmOpening(int Region);
  // Writing for a dry run: the file is parsed again and the openings added to the tree, but
  // nothing is saved. Returns the number of Shape elements added, -1 after a message.
  int WriteOpenings(int Region);

 private:
  RunState& FState;
  TRunUI& FUi;
  TRunPhase FPhase = TRunPhase::Starting;
  int FAdded = 0;
};
