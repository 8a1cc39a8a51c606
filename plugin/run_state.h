#pragma once
// The state of one plugin run, shared by the reader, the mask writer and the run flow, and
// the narrow interface through which the run talks to its user (the window or a terminal).
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "plugin/common.h"
#include "plugin/nets.h"
#include "plugin/shapes.h"
#include "plugin/xml.h"

// The warning lists as the width-conflict dialog shows them.
struct TWarningRows {
  // Net, "#" trace, "#" segment, width, predicted mask width (display unit, comma form).
  std::vector<std::array<std::string, 5>> Segments;
  // Kind name, copper layer, net name.
  std::vector<std::array<std::string, 3>> Shapes;
  bool Empty() const { return Segments.empty() && Shapes.empty(); }
};

class TRunUI {
 public:
  virtual ~TRunUI() = default;
  // A modal message with an OK button; the run goes on once the user dismissed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // An error that stopped the writing (a failed parse or save); the run goes on after it.
  // The window shows it in the application's error box; elsewhere it is a message.
  virtual void ShowError(const std::string& text) { ShowMessage(text); }
  // Shows the items whose opening would vanish; true for "Yes", false for "No" or closing.
  virtual bool ConfirmOpening(const TWarningRows& rows) = 0;
  // Shows the document's unit in the units list (without running its change handler).
  virtual void SelectUnit(int unit) = 0;
};

struct RunState {
  std::string BoardFileName;
  std::vector<int> CopperLayerIds;
  int DocumentUnit = UnitMm;
  int DisplayUnit = UnitMm;
  double MaskSwell = 0.0;  // document units
  bool AnySelected = false;
  std::unique_ptr<TNetList> NetList = std::make_unique<TNetList>();
  std::unique_ptr<TShapeList> ShapeList = std::make_unique<TShapeList>();
  // Items whose opening would vanish; they point into NetList and ShapeList.
  std::vector<TLineSegment*> IncompatibleSegments;
  std::vector<TShapeBase*> IncompatibleShapes;
  std::unique_ptr<TSettings> Settings = std::make_unique<TSettings>();
  // The decimal separator of the user's locale, for the widths of the warning list.
  char LocaleDecimalSeparator = '.';
  // Last, so that it is released first: a block it frees next to the heap's top, once the
  // model's many small point buffers sit freed in the allocator's fast lists, would make the
  // allocator merge every one of them.
  TXmlDocument XmlDocument;
};
