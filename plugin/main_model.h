#pragma once
// What the main window shows and how its swell edit and units list behave, without the
// window: the window turns its messages into these calls and shows what they produce.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/nets.h"
#include "plugin/shapes.h"

// The swell edit as the model writes into it. Writing may run the edit's change handler
// at once (as a real edit control does), which the SwellUpdating guard is there for.
class TSwellEdit {
 public:
  virtual void SetSwellText(const std::string& text) = 0;

 protected:
  ~TSwellEdit() = default;
};

// The swell edit and the units list over the run's units and swell, which it refers to.
class TSwellEditor {
 public:
  TSwellEditor(const int& DocumentUnit, int& DisplayUnit, double& MaskSwell)
      : FDocumentUnit(DocumentUnit), FDisplayUnit(DisplayUnit), FMaskSwell(MaskSwell) {}

  // True while the model itself writes the edit.
  bool SwellUpdating() const { return FSwellUpdating; }

  // The window's start: the edit shows "0" and the swell is 0.
  void ShowInitialSwell(TSwellEdit& edit);
  // The character that a key press puts into the edit with the given text, or 0 when the
  // key is discarded. Backspace (8) passes.
  static char32_t EditSolderMaskSwellKeyPress(std::string_view text, char32_t key);
  // The edit's text changed: a number becomes the swell (converted into the document's
  // unit); anything else leaves the swell as it was.
  void EditSolderMaskSwellChange(std::string_view text);
  // The user chose a unit: the edit shows the swell in it; the swell itself stays.
  // An index outside the units list changes nothing.
  void ComboSolderMaskUnitsChange(int index, TSwellEdit& edit);

 private:
  void WriteEdit(TSwellEdit& edit, const std::string& text);

  const int& FDocumentUnit;
  int& FDisplayUnit;
  double& FMaskSwell;
  bool FSwellUpdating = false;
};

using TGridRow3 = std::array<std::string, 3>;

// Default column width of a three-column grid of the given width.
constexpr int GridDefaultColumnWidth(int gridWidth) { return (gridWidth - 5) / 3; }

// The nets grid below its header: one row per net with a selected trace or segment:
// name, selected traces of all traces, selected segments of all segments, each in the
// counter format (its two %d filled in that order).
std::vector<TGridRow3> NetsGridRows(const TNetList& nets, std::string_view countFormat);
// The shapes grid below its header: kind name, copper layer, net name (empty without one).
std::vector<TGridRow3> ShapesGridRows(const TShapeList& shapes);
