#include "plugin/board_reader.h"

#include "plugin/strings.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <limits>
#include <utility>

namespace {

// A message of the string table with its placeholders filled in order.
std::string Text(TextId id, std::initializer_list<std::string> args = {}) {
  return FormatText(DefaultText(id), args);
}

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Width table: child name of "LineWidth" and the keys it stores.
struct WidthKeys {
  const char* child;
  const char* first;
  const char* second;  // null when one key
};
constexpr WidthKeys kWidthTable[] = {
    {"Silk", "Top Silk", "Bottom Silk"},
    {"Assembly", "Top Assy", "Bottom Assy"},
    {"CompOutline", "Top Outline", "Bottom Outline"},
    {"Courtyard", "Top Courtyard", "Bottom Courtyard"},
    {"BoardOutline", "Board Outline", nullptr},
};

void StoreWidth(TSettings& settings, const std::string& key, double value) {
  if (!settings.DefaultLineWidth().emplace(key, value).second) throw EDuplicateError();
}

// The points of one trace as the reader walks along them: each point's attributes are looked
// up once, and the three points around the walk (k-1, k, k+1) are at hand together. The
// handles go into a list the caller keeps from trace to trace, which then has its room.
class TPointWalk {
 public:
  TPointWalk(TXmlNode points, std::vector<TXmlNode>& nodes) : FNodes(nodes) {
    FNodes.clear();
    for (TXmlNode p : points.Elements()) FNodes.push_back(p);
  }
  int Count() const { return static_cast<int>(FNodes.size()); }
  // The point at index, or the list's range error.
  const TPointElement& At(int index) {
    if (index < 0 || index >= Count()) throw EListError(index);
    const std::size_t slot = static_cast<std::size_t>(index) % 3;
    if (FIndexes[slot] != index) {
      FSlots[slot].Read(FNodes[static_cast<std::size_t>(index)]);
      FIndexes[slot] = index;
    }
    return FSlots[slot];
  }

 private:
  std::vector<TXmlNode>& FNodes;
  int FIndexes[3] = {-1, -1, -1};
  TPointElement FSlots[3];
};

}  // namespace

std::optional<int> ParseInteger(std::string_view text) {
  // Up to nine plain digits, the form boards use, fit an int and need no trimming.
  if (!text.empty() && text.size() <= 9) {
    int value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
    if (i == text.size()) return value;
  }
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b < e && text[b] == '+') ++b;
  if (b == e) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data() + b, text.data() + e, value, 10);
  if (ec != std::errc() || end != text.data() + e) return std::nullopt;
  return value;
}

std::string NodeValueText(const std::optional<std::string>& attribute) { return attribute.value_or(""); }

std::string NodeValueText(TXmlNode element) { return element ? element.Text() : ""; }

TPointElement::TPointElement(TXmlNode point) { Read(point); }

void TPointElement::Read(TXmlNode point) {
  FNode = point;
  point.FindAttributes(kNames, FValues);
}

std::optional<std::string_view> TPointElement::Attribute(std::string_view name) const {
  for (int i = 0; i < SlotCount; ++i) {
    if (kNames[i] == name) return Attribute(static_cast<TSlot>(i));
  }
  return FNode.AttributeView(name);
}

namespace {
// ReadShortDecimal of the number library for a NUL-terminated text, in one pass over it:
// [sign] digits [. digits], at most 15 digits, read as M / 10^d. False for anything else.
bool ReadPlainDecimal(const char* text, double& value) {
  static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = -1;
  for (;; ++text) {
    const unsigned digit = static_cast<unsigned char>(*text) - unsigned{'0'};
    if (digit <= 9) {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + digit;
    } else if (*text == '.' && decimals < 0) {
      decimals = digits;
    } else {
      break;
    }
  }
  if (*text != '\0' || digits == 0) return false;
  const double magnitude = static_cast<double>(mantissa) / kScale[decimals < 0 ? 0 : digits - decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

// ParseNumber of a value; the plain decimals of a file's text take the one-pass reader, which
// gives what ParseNumber gives them.
double NumberOf(const TXmlValue& value) {
  double quick = 0.0;
  if (const char* text = value.TerminatedText(); text && ReadPlainDecimal(text, quick)) return quick;
  return ParseNumber(value.View());
}

// ParseInteger of a value; up to nine plain digits are read here.
std::optional<int> IntegerOf(const TXmlValue& value) {
  if (const char* text = value.TerminatedText()) {
    int number = 0, i = 0;
    for (; i < 9 && text[i] >= '0' && text[i] <= '9'; ++i) number = number * 10 + (text[i] - '0');
    if (i > 0 && text[i] == '\0') return number;
  }
  return ParseInteger(value.View());
}

bool IsYes(const TXmlValue& value) {
  if (const char* text = value.TerminatedText()) return text[0] == 'Y' && text[1] == '\0';
  return value && value.View() == "Y";
}
}  // namespace

bool ReadPointWidth(TRunUI& ui, const std::string& NetName, int PointIndex, const TPointElement& point,
                    double& Width) {
  const TXmlValue& attr = point.Value(TPointElement::Width);
  if (!attr) {
    ui.ShowMessage(Text(IDS_POINT_NO_WIDTH, {NetName, std::to_string(PointIndex)}));
    return false;
  }
  double value = NumberOf(attr);
  if (std::isnan(value)) {
    ui.ShowMessage(Text(IDS_POINT_BAD_WIDTH, {NetName, std::to_string(PointIndex)}));
    return false;
  }
  Width = value;
  return true;
}

bool ReadPointLay(const RunState& state, TRunUI& ui, const std::string& NetName, int PointIndex,
                  const TPointElement& point, int& Lay) {
  const TXmlValue& attr = point.Value(TPointElement::Lay);
  if (!attr) {
    ui.ShowMessage(Text(IDS_POINT_NO_LAY, {NetName, std::to_string(PointIndex)}));
    return false;
  }
  std::optional<int> value = IntegerOf(attr);
  if (!value || *value < 0 || state.CopperLayerIds.empty() || *value > state.CopperLayerIds.back()) {
    ui.ShowMessage(Text(IDS_POINT_BAD_LAY, {NetName, std::to_string(PointIndex)}));
    return false;
  }
  Lay = *value;
  return true;
}

namespace {
// The number of one attribute, or false after the message of its absence or its bad value.
bool ReadNumber(TRunUI& ui, const std::string& NetName, int PointIndex, const TXmlValue& attr,
                std::string_view AttributeName, double& Value) {
  if (!attr) {
    ui.ShowMessage(Text(IDS_POINT_NO_ATTRIBUTE, {NetName, std::to_string(PointIndex), std::string(AttributeName)}));
    return false;
  }
  double value = NumberOf(attr);
  if (std::isnan(value)) {
    ui.ShowMessage(Text(IDS_POINT_BAD_ATTRIBUTE, {NetName, std::to_string(PointIndex), std::string(AttributeName)}));
    return false;
  }
  Value = value;
  return true;
}

bool IsYes(std::optional<std::string_view> value) { return value && value->size() == 1 && value->front() == 'Y'; }
}  // namespace

bool ReadPointNumber(TRunUI& ui, const std::string& NetName, int PointIndex, const TPointElement& point,
                     std::string_view AttributeName, double& Value) {
  TXmlValue attr;
  if (AttributeName == "X") {
    attr = point.Value(TPointElement::X);
  } else if (AttributeName == "Y") {
    attr = point.Value(TPointElement::Y);
  } else if (std::optional<std::string_view> other = point.Attribute(AttributeName)) {
    attr = TXmlValue::Piece(*other);
  }
  return ReadNumber(ui, NetName, PointIndex, attr, AttributeName, Value);
}


namespace {
bool ReadNetWith(RunState& state, TRunUI& ui, TXmlNode netElement, int NetNumber, std::vector<TXmlNode>& pointNodes) {
  const std::string number = std::to_string(NetNumber);
  if (!netElement.HasChildElements()) {
    ui.ShowMessage(Text(IDS_NET_NO_CHILDREN, {number}));
    return false;
  }
  TXmlNode nameElement = netElement.FirstChild("Name");
  if (!nameElement) {
    ui.ShowMessage(Text(IDS_NET_NO_NAME, {number}));
    return false;
  }
  std::string name = NodeValueText(nameElement);
  if (name.empty()) {
    ui.ShowMessage(Text(IDS_NET_BAD_NAME, {number}));
    return false;
  }
  int netId = ParseInteger(netElement.AttributeText("Id")).value_or(-1);

  TXmlNode traces = netElement.FirstChild("Traces");
  if (!traces || !traces.HasChildElements()) return true;

  auto net = std::make_unique<TNet>(netId, name);
  const int lastLayerId = state.CopperLayerIds.empty() ? 0 : state.CopperLayerIds.back();
  for (TXmlNode traceElement : traces.Elements()) {
    const bool traceSelected = IsYes(traceElement.AttributeView("Selected"));
    TXmlNode pointsElement = traceElement.FirstChild("Points");
    if (!pointsElement || !pointsElement.HasChildElements()) continue;
    TPointWalk points(pointsElement, pointNodes);
    const int count = points.Count();

    auto trace = std::make_unique<TNetTrace>();
    trace->ReserveSegments(count - 1);
    trace->SetSelected(traceSelected);
    if (trace->Selected()) state.AnySelected = true;

    // Each inner point ends one segment and starts the next; what was read of it for the
    // one is kept for the other (a read that succeeded once succeeds the same way again).
    int knownLayIndex = -1, knownXYIndex = -1;
    double knownWidth = 0.0;
    int knownLay = 0;
    TDPoint knownXY;
    auto widthLay = [&](int index, const TPointElement& at, double& width, int& lay) {
      if (index == knownLayIndex) {
        width = knownWidth;
        lay = knownLay;
        return true;
      }
      if (!ReadPointWidth(ui, name, index, at, width)) return false;
      if (!ReadPointLay(state, ui, name, index, at, lay)) return false;
      knownLayIndex = index;
      knownWidth = width;
      knownLay = lay;
      return true;
    };
    auto appendXY = [&](int index, const TPointElement& at, TLineSegment& segment) {
      if (index == knownXYIndex) {
        segment.AppendPoint(knownXY);
        return true;
      }
      TDPoint p;
      bool okX = ReadNumber(ui, name, index, at.Value(TPointElement::X), "X", p.x);
      bool okY = ReadNumber(ui, name, index, at.Value(TPointElement::Y), "Y", p.y);
      if (!okX || !okY) return false;
      segment.AppendPoint(p);
      knownXYIndex = index;
      knownXY = p;
      return true;
    };

    int k = 1;
    while (k < count) {
      const TPointElement& point = points.At(k);
      const TPointElement& previous = points.At(k - 1);
      double width = 0.0, previousWidth = 0.0;
      int lay = 0, previousLay = 0;
      if (!ReadPointWidth(ui, name, k, point, width)) return false;
      if (!ReadPointLay(state, ui, name, k, point, lay)) return false;
      const bool arc = IsYes(point.Value(TPointElement::Arc));
      const bool pointSelected = IsYes(point.Value(TPointElement::Selected));
      if (!widthLay(k - 1, previous, previousWidth, previousLay)) return false;
      knownLayIndex = k;
      knownWidth = width;
      knownLay = lay;
      if (pointSelected) state.AnySelected = true;

      TLineSegment* segment = trace->AppendNewSegment(pointSelected);
      segment->ReservePoints(arc ? 3 : 2);
      segment->SetArc(arc);
      segment->SetWidth(width);
      segment->SetLayer(lay == 0                ? TSolderMaskLayer::smlTop
                        : lay == lastLayerId    ? TSolderMaskLayer::smlBottom
                                                : TSolderMaskLayer::smlNone);
      if (!appendXY(k - 1, previous, *segment)) return false;
      if (!appendXY(k, point, *segment)) return false;
      if (arc && !appendXY(k + 1, points.At(k + 1), *segment)) return false;
      k += arc ? 2 : 1;
    }
    net->AppendTrace(std::move(trace));
  }
  state.NetList->AppendNet(std::move(net));
  return true;
}
}  // namespace

bool ReadNet(RunState& state, TRunUI& ui, TXmlNode netElement, int NetNumber) {
  std::vector<TXmlNode> pointNodes;
  return ReadNetWith(state, ui, netElement, NetNumber, pointNodes);
}

void ReadShape(RunState& state, TXmlNode shape) {
  if (shape.AttributeText("Selected") != "Y") return;
  if (shape.Attribute("AllLayers") != std::optional<std::string>("N")) return;
  if (shape.Attribute("Layer") != std::optional<std::string>("Signal/Plane")) return;

  std::optional<int> layId = ParseInteger(shape.AttributeText("LayId"));
  if (!layId || *layId < 0 || state.CopperLayerIds.empty()) return;
  const char* copperLayer = nullptr;
  const char* maskLayer = nullptr;
  if (*layId == state.CopperLayerIds.front()) {
    copperLayer = "Top";
    maskLayer = "Top Mask";
  } else if (*layId == state.CopperLayerIds.back()) {
    copperLayer = "Bottom";
    maskLayer = "Bottom Mask";
  } else {
    return;
  }

  const auto& widths = state.Settings->DefaultLineWidth();
  auto found = widths.find(maskLayer);
  if (found == widths.end() || std::isnan(found->second)) found = widths.find("Default");
  const double defaultWidth = found != widths.end() ? found->second : ConvertUnits(UnitMm, state.DocumentUnit, 0.12);

  // A stroked shape without a usable width of its own is drawn with the layer's default
  // width; a width of -1 or NaN would be written into the document as it is.
  std::optional<std::string> lineWidthText = shape.Attribute("LineWidth");
  double lineWidth = lineWidthText ? ParseNumber(*lineWidthText) : std::nan("");
  if (std::isnan(lineWidth)) lineWidth = defaultWidth;

  TNet* net = nullptr;
  std::optional<int> netId = ParseInteger(shape.AttributeText("NetId"));
  if (netId && *netId >= 0) net = state.NetList->GetIdItem(*netId);

  std::optional<std::string> type = shape.Attribute("Type");
  TXmlNode pointsElement = shape.FirstChild("Points");
  if (!type || !pointsElement || !pointsElement.HasChildElements()) return;
  TDPointList points;
  for (TXmlNode p : pointsElement.ChildElements()) {
    if (p.Name() != "Point") continue;
    std::optional<std::string> x = p.Attribute("X"), y = p.Attribute("Y");
    if (!x || !y) continue;
    TDPoint point{ParseNumber(*x), ParseNumber(*y)};
    // A coordinate that is no number would become "NAN" in the written openings.
    if (std::isnan(point.x) || std::isnan(point.y)) return;
    points.Add(point);
  }
  const int n = points.Count();

  std::unique_ptr<TShapeBase> made;
  if (*type == "Line" && n == 2) {
    made = std::make_unique<TShapeLine>(copperLayer, defaultWidth, points);
  } else if (*type == "Arc" && n == 3) {
    made = std::make_unique<TShapeArc>(copperLayer, defaultWidth, points);
  } else if (*type == "Rectangle" && n == 2) {
    made = std::make_unique<TShapeRectangle>(copperLayer, defaultWidth, points);
  } else if (*type == "FillRect" && n == 2) {
    made = std::make_unique<TShapeFillRect>(copperLayer, -1.0, points);
  } else if (*type == "Obround" && n == 2) {
    made = std::make_unique<TShapeObround>(copperLayer, defaultWidth, points);
  } else if (*type == "FillObround" && n == 2) {
    made = std::make_unique<TShapeFillObround>(copperLayer, -1.0, points);
  } else if (*type == "Polyline" && n >= 3) {
    made = std::make_unique<TShapePolyline>(copperLayer, defaultWidth, points);
  } else if (*type == "Polyline" && n == 2) {
    made = std::make_unique<TShapeLine>(copperLayer, defaultWidth, points);
  } else if (*type == "Polygon" && n >= 2) {
    made = std::make_unique<TShapePolygon>(copperLayer, -1.0, points);
  } else {
    return;
  }
  made->SetLineWidth(made->IsFilled() && !lineWidthText ? -1.0 : lineWidth);
  made->SetNet(net);
  state.ShapeList->Add(std::move(made));
  state.AnySelected = true;
}

bool LoadBoard(RunState& state, TRunUI& ui) {
  if (state.BoardFileName.empty()) {
    ui.ShowMessage(Text(IDS_NO_FILE_PATH));
    return false;
  }
  if (!FileExists(state.BoardFileName)) {
    ui.ShowMessage(Text(IDS_FILE_NOT_EXISTS, {state.BoardFileName}));
    return false;
  }
  state.XmlDocument.LoadFromFile(state.BoardFileName);
  TXmlNode source = state.XmlDocument.TopLevelElement("Source");
  if (!source) {
    ui.ShowMessage(Text(IDS_NO_ROOT));
    return false;
  }

  std::optional<std::string> units = source.Attribute("Units");
  if (!units) {
    ui.ShowMessage(Text(IDS_NO_UNITS));
    return false;
  }
  std::string unitText = LowerAscii(*units);
  int unit = -1;
  for (int u = 0; u < UnitCount; ++u) {
    if (unitText == UnitText(u)) unit = u;
  }
  if (unit < 0) {
    ui.ShowMessage(Text(IDS_BAD_UNITS));
    return false;
  }
  ui.SelectUnit(unit);
  state.DocumentUnit = unit;
  state.DisplayUnit = unit;
  ResetTolerances();
  RescaleTolerances(unit);

  if (!source.HasChildElements()) {
    ui.ShowMessage(Text(IDS_NO_SOURCE_CHILDREN));
    return false;
  }
  TXmlNode board = source.FirstChild("Board");
  if (!board) {
    ui.ShowMessage(Text(IDS_NO_BOARD));
    return false;
  }
  if (!board.HasChildElements()) {
    ui.ShowMessage(Text(IDS_NO_BOARD_CHILDREN));
    return false;
  }
  TXmlNode settings = board.FirstChild("Settings");
  if (!settings) {
    ui.ShowMessage(Text(IDS_NO_SETTINGS));
    return false;
  }
  TXmlNode lineWidth = settings.FirstChild("LineWidth");
  if (!lineWidth) {
    ui.ShowMessage(Text(IDS_NO_LINE_WIDTH));
    return false;
  }

  for (TXmlNode child : lineWidth.ChildElements()) {
    const std::string childName = child.Name();
    for (const WidthKeys& entry : kWidthTable) {
      if (childName != entry.child) continue;
      double value = ParseNumber(NodeValueText(child));
      StoreWidth(*state.Settings, entry.first, value);
      if (entry.second) StoreWidth(*state.Settings, entry.second, value);
    }
  }
  StoreWidth(*state.Settings, "Default", ConvertUnits(UnitMm, unit, 0.12));

  TXmlNode copperLayers = board.FirstChild("CopperLayers");
  if (!copperLayers || !copperLayers.HasChildElements()) {
    ui.ShowMessage(Text(IDS_NO_COPPER_LAYERS));
    return false;
  }
  std::vector<TXmlNode> layers = copperLayers.ChildElements();
  state.CopperLayerIds.assign(layers.size(), 0);
  for (std::size_t i = 0; i < layers.size(); ++i) {
    std::optional<std::string> id = layers[i].Attribute("Id");
    if (!id) {
      ui.ShowMessage(Text(IDS_LAYER_NO_ID, {std::to_string(i)}));
      return false;
    }
    int value = ParseInteger(*id).value_or(-1);
    if (value < 0) {
      ui.ShowMessage(Text(IDS_LAYER_BAD_ID, {std::to_string(i)}));
      return false;
    }
    state.CopperLayerIds[i] = value;
  }

  TXmlNode nets = board.FirstChild("Nets");
  if (!nets) {
    ui.ShowMessage(Text(IDS_NOTHING_SELECTED));
    return false;
  }
  int netNumber = 1;
  std::vector<TXmlNode> pointNodes;
  for (TXmlNode net : nets.Elements()) {
    if (!ReadNetWith(state, ui, net, netNumber++, pointNodes)) return false;
  }

  if (TXmlNode shapes = board.FirstChild("Shapes")) {
    for (TXmlNode shape : shapes.Elements()) ReadShape(state, shape);
  }
  return true;
}
