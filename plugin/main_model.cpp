#include "plugin/main_model.h"

#include <cmath>

#include "plugin/common.h"
#include "plugin/strings.h"

void TSwellEditor::WriteEdit(TSwellEdit& edit, const std::string& text) {
  FSwellUpdating = true;
  try {
    edit.SetSwellText(text);
  } catch (...) {
    FSwellUpdating = false;
    throw;
  }
  FSwellUpdating = false;
}

void TSwellEditor::ShowInitialSwell(TSwellEdit& edit) {
  WriteEdit(edit, "0");
  FMaskSwell = 0.0;
}

char32_t TSwellEditor::EditSolderMaskSwellKeyPress(std::string_view text, char32_t key) {
  const bool passes =
      key == 8 || key == ',' || key == '-' || key == '.' || (key >= '0' && key <= '9');
  if (!passes) return 0;
  if (key == '.') key = ',';
  if (key == ',' && text.find(',') != std::string_view::npos) return 0;
  if (key == '-' && text.find('-') != std::string_view::npos) return 0;
  return key;
}

void TSwellEditor::EditSolderMaskSwellChange(std::string_view text) {
  if (FSwellUpdating) return;
  double value = ParseNumber(text);
  if (std::isnan(value)) return;
  double converted = ConvertUnits(FDisplayUnit, FDocumentUnit, value);
  if (!std::isnan(converted)) FMaskSwell = converted;
}

void TSwellEditor::ComboSolderMaskUnitsChange(int index, TSwellEdit& edit) {
  if (index < 0 || index >= UnitCount) return;
  FDisplayUnit = index;
  WriteEdit(edit, FormatNumberEdit(ConvertUnits(FDocumentUnit, FDisplayUnit, FMaskSwell)));
}

std::vector<TGridRow3> NetsGridRows(const TNetList& nets, std::string_view countFormat) {
  std::vector<TGridRow3> rows;
  for (const auto& net : nets.Items()) {
    if (net->SelectedTracesCount() <= 0 && net->SelectedSegmentsCount() <= 0) continue;
    rows.push_back({net->Name(),
                    FormatText(countFormat, {std::to_string(net->SelectedTracesCount()),
                                             std::to_string(net->Traces().size())}),
                    FormatText(countFormat, {std::to_string(net->SelectedSegmentsCount()),
                                             std::to_string(net->SegmentsCount())})});
  }
  return rows;
}

std::vector<TGridRow3> ShapesGridRows(const TShapeList& shapes) {
  std::vector<TGridRow3> rows;
  for (const auto& shape : shapes) {
    rows.push_back(
        {std::string(ShapeTypeToStr(shape->ShapeType())), shape->CopperLayer(), shape->NetName()});
  }
  return rows;
}
