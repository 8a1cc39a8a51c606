#pragma once
// The board document reader: checks the document element by element and fills the run's
// model, or shows the first defect and ends the reading.
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "plugin/run_state.h"
#include "plugin/xml.h"

// A key stored twice into the default line widths.
class EDuplicateError : public std::runtime_error {
 public:
  EDuplicateError() : std::runtime_error("Duplicates not allowed") {}
};

// Reads BoardFileName and the whole document into the run state; false after showing the
// message of the first defect. Errors of the XML layer and of the lists are raised.
bool LoadBoard(RunState& state, TRunUI& ui);
// Reads one net; NetNumber counts from 1 for the messages.
bool ReadNet(RunState& state, TRunUI& ui, TXmlNode net, int NetNumber);
// Reads one shape; a shape that does not qualify is passed over silently.
void ReadShape(RunState& state, TXmlNode shape);

// A trace point element with the attributes the reader asks for, looked up in one pass.
class TPointElement {
 public:
  // In the order boards write them, which the look-up goes fastest for.
  enum TSlot { X, Y, Width, Lay, Selected, Arc, SlotCount };
  TPointElement() = default;
  explicit TPointElement(TXmlNode point);
  // Takes up another point in place.
  void Read(TXmlNode point);
  std::optional<std::string_view> Attribute(TSlot slot) const {
    if (!FValues[slot]) return std::nullopt;
    return FValues[slot].View();
  }
  // The same, unmeasured.
  const TXmlValue& Value(TSlot slot) const { return FValues[slot]; }
  // Any attribute by name, or nothing when absent.
  std::optional<std::string_view> Attribute(std::string_view name) const;

 private:
  static constexpr std::string_view kNames[SlotCount] = {"X", "Y", "Width", "Lay", "Selected", "Arc"};
  TXmlNode FNode;
  TXmlValue FValues[SlotCount];
};

bool ReadPointWidth(TRunUI& ui, const std::string& NetName, int PointIndex, const TPointElement& point,
                    double& Width);
bool ReadPointLay(const RunState& state, TRunUI& ui, const std::string& NetName, int PointIndex,
                  const TPointElement& point, int& Lay);
bool ReadPointNumber(TRunUI& ui, const std::string& NetName, int PointIndex, const TPointElement& point,
                     std::string_view AttributeName, double& Value);

// An attribute's value as text: "" when it is absent or empty.
std::string NodeValueText(const std::optional<std::string>& attribute);
// An element's text: "" when it is absent or has none.
std::string NodeValueText(TXmlNode element);

// A plain decimal integer (sign allowed, blanks around it ignored) that fits an int.
std::optional<int> ParseInteger(std::string_view text);
