#include "plugin/run_flow.h"

#include <cmath>
#include <initializer_list>
#include <string_view>
#include <exception>

#include "plugin/board_reader.h"
#include "plugin/mask_writer.h"
#include "plugin/strings.h"

namespace {
// Joins texts; also keeps GCC 12's -Wrestrict false alarm on "literal" + std::string away.
std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (std::string_view p : parts) s.append(p);
  return s;
}

template <typename T, typename D>
int IndexOf(const std::vector<std::unique_ptr<T, D>>& items, const T* item) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].get() == item) return static_cast<int>(i);
  }
  return -1;
}
}  // namespace

TWarningRows FillWarningGrids(const RunState& state) {
  TWarningRows rows;
  auto width = [&](double value) {
    return FormatNumberLocale(ConvertUnits(state.DocumentUnit, state.DisplayUnit, value), state.LocaleDecimalSeparator);
  };
  for (const TLineSegment* segment : state.IncompatibleSegments) {
    const TNetTrace* trace = segment->Trace();
    const TNet* net = trace ? trace->Net() : nullptr;
    int traceIndex = net ? IndexOf(net->Traces(), trace) : -1;
    int segmentIndex = trace ? IndexOf(trace->Segments(), segment) : -1;
    rows.Segments.push_back({net ? net->Name() : "", Cat({"#", std::to_string(traceIndex)}),
                             Cat({"#", std::to_string(segmentIndex)}), width(segment->Width()), width(segment->PredSize())});
  }
  for (const TShapeBase* shape : state.IncompatibleShapes) {
    rows.Shapes.push_back({std::string(ShapeTypeToStr(shape->ShapeType())), shape->CopperLayer(), shape->NetName()});
  }
  return rows;
}

TRunPhase TRunFlow::FormShow() {
  FState.AnySelected = false;
  try {
    if (!LoadBoard(FState, FUi)) {
      FormClose();
      return FPhase;
    }
    if (!FState.AnySelected) {
      FUi.ShowMessage(std::string(DefaultText(IDS_NOTHING_SELECTED)));
      FormClose();
      return FPhase;
    }
    // Only the model is used from here on. The tree is set aside rather than released, so
    // that OK need not parse the board again while the file stays as it was.
    FState.XmlDocument.Deactivate();
  } catch (const std::exception& e) {
    FUi.ShowMessage(e.what());
    FormClose();
    return FPhase;
  }
  FPhase = TRunPhase::Ready;
  return FPhase;
}

std::string TRunFlow::SwellEditText() const {
  return FormatNumberEdit(ConvertUnits(FState.DocumentUnit, FState.DisplayUnit, FState.MaskSwell));
}

void TRunFlow::ChangeDisplayUnit(int unit) {
  if (unit < 0 || unit >= UnitCount) return;
  FState.DisplayUnit = unit;
}

bool TRunFlow::ChangeSwellText(const std::string& text) {
  double value = ParseNumber(text);
  if (std::isnan(value)) return false;
  double swell = ConvertUnits(FState.DisplayUnit, FState.DocumentUnit, value);
  if (!std::isfinite(swell)) return false;
  FState.MaskSwell = swell;
  return true;
}

bool TRunFlow::ConfirmOpening(int Region) {
  FindIncompatibleSegments(FState, Region);
  FindIncompatibleShapes(FState);
  TWarningRows rows = FillWarningGrids(FState);
  if (rows.Empty()) return true;
  return FUi.ConfirmOpening(rows);
}

int TRunFlow::WriteOpenings(int Region) {
  // Each attempt starts from the file as it is now, so a failed attempt leaves nothing
  // behind in the tree that a retry would write a second time.
  FState.XmlDocument.Deactivate();
  FState.XmlDocument.LoadFromFile(FState.BoardFileName);
  TXmlNode board = FState.XmlDocument.TopLevelElement("Source").FirstChild("Board");
  if (!board) {
    FState.XmlDocument.Clear();
    FUi.ShowMessage(FormatText(DefaultText(IDS_BOARD_LOST), {FState.BoardFileName}));
    return -1;
  }
  int added = MaskRegion(FState, Region);
  added += WriteSelectedShapes(FState);
  return added;
}

TOkResult TRunFlow::BtnOKClick(int Region) {
  if (FPhase != TRunPhase::Ready) return TOkResult::Ignored;
  if (Region < 0 || Region >= RegionCount) {
    FState.IncompatibleSegments.clear();
    FState.IncompatibleShapes.clear();
    return TOkResult::Ignored;
  }
  // Marks of an earlier attempt that did not end in a saved board belong to its swell.
  FState.IncompatibleSegments.clear();
  FState.IncompatibleShapes.clear();
  for (const auto& net : FState.NetList->Items()) {
    for (const auto& trace : net->Traces()) {
      for (const auto& segment : trace->Segments()) segment->SetCorrect(true);
    }
  }
  for (const auto& shape : *FState.ShapeList) shape->SetEnabled(true);

  TOkResult result = TOkResult::Declined;
  try {
    bool proceed = ConfirmOpening(Region);
    if (proceed) {
      for (TLineSegment* s : FState.IncompatibleSegments) s->SetCorrect(false);
      for (TShapeBase* s : FState.IncompatibleShapes) s->SetEnabled(false);
      int added = WriteOpenings(Region);
      if (added < 0) {
        result = TOkResult::Failed;
      } else if (added == 0) {
        result = TOkResult::NothingToWrite;
      } else {
        FState.XmlDocument.SaveToFile(FState.BoardFileName);
        result = TOkResult::Written;
      }
      FAdded = added < 0 ? 0 : added;
    }
  } catch (const std::exception& e) {
    FUi.ShowError(e.what());
    result = TOkResult::Failed;
  }
  if (result == TOkResult::Written) {
    FState.XmlDocument.Clear();
  } else {
    FState.XmlDocument.Deactivate();
  }
  FState.IncompatibleSegments.clear();
  FState.IncompatibleShapes.clear();
  if (result == TOkResult::Written || result == TOkResult::NothingToWrite) FormClose();
  return result;
}

void TRunFlow::BtnCancelClick() { FormClose(); }

void TRunFlow::FormClose() {
  FState.IncompatibleSegments.clear();
  FState.IncompatibleShapes.clear();
  FState.XmlDocument.Clear();
  FPhase = TRunPhase::End;
}
