#include "plugin/mask_writer.h"

#include <algorithm>
#include <cmath>

const char* RegionText(int region) {
  switch (region) {
    case RegionSegments: return "Selected Segments";
    case RegionTraces: return "Selected Traces";
    case RegionNets: return "Selected Nets";
    default: return "";
  }
}

bool PointsCoincide(const TDPoint& a, const TDPoint& b, double tolerance) {
  return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance;
}

bool WidthsEqual(double a, double b) {
  return std::fabs(a - b) <= std::max(1e-12 * std::min(std::fabs(a), std::fabs(b)), 1e-12);
}

const char* MaskLayerText(TSolderMaskLayer layer) {
  switch (layer) {
    case TSolderMaskLayer::smlTop: return "Top Mask";
    case TSolderMaskLayer::smlBottom: return "Bottom Mask";
    default: return "-1";
  }
}

namespace {

// The filters of one region (see the region table).
bool NetTaken(int region, const TNet& net) {
  return region == RegionSegments ? net.SelectedSegmentsCount() != 0 : net.SelectedTracesCount() != 0;
}
bool TraceTaken(int region, const TNetTrace& trace) {
  if (region == RegionSegments) return trace.SelectedSegmentsCount() != 0;
  if (region == RegionTraces) return trace.Selected();
  return true;
}
bool SegmentTested(int region, const TLineSegment& segment) {
  return region == RegionSegments ? segment.Selected() : true;
}
bool SegmentWritten(int region, const TLineSegment& segment) {
  return segment.Correct() && (region != RegionSegments || segment.Selected());
}

// The names of the elements and attributes written, looked up once per document.
struct TShapeNames {
  explicit TShapeNames(TXmlDocument& doc)
      : shape(doc.Intern("Shape")),
        points(doc.Intern("Points")),
        point(doc.Intern("Point")),
        item(doc.Intern("Item")),
        type(doc.Intern("Type")),
        lineWidth(doc.Intern("LineWidth")),
        layer(doc.Intern("Layer")),
        x(doc.Intern("X")),
        y(doc.Intern("Y")) {}
  TXmlName shape, points, point, item, type, lineWidth, layer, x, y;
};

TXmlNode FindOrAddShapes(RunState& state) {
  TXmlNode source = state.XmlDocument.TopLevelElement("Source");
  TXmlNode board = source.FirstChild("Board");
  if (!board) throw EXmlError("The document has no \"Source\" element with a \"Board\" element");
  TXmlNode shapes = board.FirstChild("Shapes");
  if (!shapes) shapes = board.AddChild("Shapes");
  return shapes;
}

void AddPoint(TXmlNode parent, TXmlName name, const TDPoint& p, bool first, const TShapeNames& n) {
  TXmlNode node = first ? parent.InsertChildFirst(name) : parent.AddChild(name);
  char x[NumberTextSize], y[NumberTextSize];
  const TXmlNode::TAttribute xy[] = {{n.x, std::string_view(x, FormatNumberTo(p.x, x))},
                                     {n.y, std::string_view(y, FormatNumberTo(p.y, y))}};
  node.SetAttributes(xy);
}

// Whether segment may join a shape opened by the opening segment: both straight, on one
// layer, of one width.
bool MayJoin(const TLineSegment& opening, const TLineSegment& segment) {
  return !opening.Arc() && !segment.Arc() && opening.Layer() == segment.Layer() &&
         WidthsEqual(opening.Width(), segment.Width());
}

// The end of segment that joins the shape when its other end meets an end of the opening
// segment, and whether it goes first; nullptr when no end meets.
const TDPoint* JoinPoint(const TLineSegment& opening, const TLineSegment& segment, bool& first) {
  const TDPoint& oFirst = opening.Points().First();
  const TDPoint& oLast = opening.Points().Last();
  const TDPoint& sFirst = segment.Points().First();
  const TDPoint& sLast = segment.Points().Last();
  first = false;
  if (PointsCoincide(oLast, sFirst, JoinTolerance)) return &sLast;
  if (PointsCoincide(oLast, sLast, JoinTolerance)) return &sFirst;
  first = true;
  if (PointsCoincide(oFirst, sFirst, JoinTolerance)) return &sLast;
  if (PointsCoincide(oFirst, sLast, JoinTolerance)) return &sFirst;
  return nullptr;
}

}  // namespace

bool RegionWritesSegment(int Region, const TNet& net, const TNetTrace& trace, const TLineSegment& segment) {
  return NetTaken(Region, net) && TraceTaken(Region, trace) && SegmentWritten(Region, segment);
}

void FindIncompatibleSegments(RunState& state, int Region) {
  if (!(state.MaskSwell < 0)) return;
  const double shrink = std::fabs(state.MaskSwell) * 2;
  for (const auto& net : state.NetList->Items()) {
    if (!NetTaken(Region, *net)) continue;
    for (const auto& trace : net->Traces()) {
      if (!TraceTaken(Region, *trace)) continue;
      for (const auto& segment : trace->Segments()) {
        if (!SegmentTested(Region, *segment)) continue;
        segment->SetPredSize(segment->Width() - shrink);
        if (segment->PredSize() <= 0) state.IncompatibleSegments.push_back(segment.get());
      }
    }
  }
}

void FindIncompatibleShapes(RunState& state) {
  if (!(state.MaskSwell < 0)) return;
  for (const auto& shape : *state.ShapeList) {
    if (!shape->IsCorrect(state.MaskSwell)) state.IncompatibleShapes.push_back(shape.get());
  }
}

namespace {
// A shape that segments will join is written as a polyline from the start.
void WriteSegment(const RunState& state, TXmlNode& ShapeElement, const TLineSegment& Segment,
                  const TLineSegment*& OpeningSegment, const TShapeNames& n, bool polyline, TXmlNode& Points) {
  char width[NumberTextSize];
  const TXmlNode::TAttribute attributes[] = {
      {n.type, polyline ? "PolyLine" : Segment.Arc() ? "Arc" : "Line"},
      {n.lineWidth, std::string_view(width, FormatNumberTo(state.MaskSwell * 2 + Segment.Width(), width))},
      {n.layer, MaskLayerText(Segment.Layer())}};
  ShapeElement.SetAttributes(attributes);
  Points = ShapeElement.AddChild(n.points);
  for (const TDPoint& p : Segment.Points()) AddPoint(Points, Segment.Arc() ? n.item : n.point, p, false, n);
  if (Segment.Arc()) {
    ShapeElement = TXmlNode();
    OpeningSegment = nullptr;
  } else {
    OpeningSegment = &Segment;
  }
}

void WriteShape(TXmlNode ShapeElement, const TShapeBase& Shape, const TShapeNames& n) {
  char width[NumberTextSize];
  TXmlNode::TAttribute attributes[3];
  std::size_t count = 0;
  attributes[count++] = {n.type, ShapeTypeToStr(Shape.ShapeType())};
  if (!Shape.IsFilled()) attributes[count++] = {n.lineWidth, std::string_view(width, FormatNumberTo(Shape.LineWidth(), width))};
  attributes[count++] = {n.layer, MaskLayerText(Shape.Layer())};
  ShapeElement.SetAttributes(std::span(attributes, count));
  TXmlNode points = ShapeElement.AddChild(n.points);
  for (const TDPoint& p : Shape.Points()) AddPoint(points, n.point, p, false, n);
}
}  // namespace

void WriteSegmentShape(RunState& state, TXmlNode& ShapeElement, const TLineSegment& Segment,
                       const TLineSegment*& OpeningSegment) {
  TXmlNode points;
  WriteSegment(state, ShapeElement, Segment, OpeningSegment, TShapeNames(state.XmlDocument), false, points);
}

int MaskRegion(RunState& state, int Region) {
  TXmlNode shapes = FindOrAddShapes(state);
  const TShapeNames n(state.XmlDocument);
  int added = 0;
  for (const auto& net : state.NetList->Items()) {
    if (!NetTaken(Region, *net)) continue;
    for (const auto& trace : net->Traces()) {
      if (!TraceTaken(Region, *trace)) continue;
      TXmlNode current, currentPoints;  // the shape being joined and its Points
      const TLineSegment* opening = nullptr;
      const TLineSegmentList& segments = trace->Segments();
      auto written = [Region](const TLineSegmentList::value_type& segment) { return SegmentWritten(Region, *segment); };
      for (auto it = std::find_if(segments.begin(), segments.end(), written); it != segments.end();) {
        const TLineSegment& segment = **it;
        const auto next = std::find_if(it + 1, segments.end(), written);
        bool first = false;
        const TDPoint* point = nullptr;
        if (current && opening && MayJoin(*opening, segment) && (point = JoinPoint(*opening, segment, first))) {
          AddPoint(currentPoints, n.item, *point, first, n);
        } else {
          current = shapes.AddChild(n.shape);
          ++added;
          // The next segment written is the first that may join this one.
          const bool polyline = next != segments.end() && MayJoin(segment, **next) && JoinPoint(segment, **next, first);
          WriteSegment(state, current, segment, opening, n, polyline, currentPoints);
        }
        it = next;
      }
    }
  }
  return added;
}

int MaskSelectedSegments(RunState& state) { return MaskRegion(state, RegionSegments); }
int MaskSelectedTraces(RunState& state) { return MaskRegion(state, RegionTraces); }
int MaskSelectedNets(RunState& state) { return MaskRegion(state, RegionNets); }

void WriteShapeNode(RunState& state, TXmlNode ShapeElement, const TShapeBase& Shape) {
  WriteShape(ShapeElement, Shape, TShapeNames(state.XmlDocument));
}

int WriteSelectedShapes(RunState& state) {
  TXmlNode shapes = FindOrAddShapes(state);
  const TShapeNames n(state.XmlDocument);
  int added = 0;
  for (const auto& shape : *state.ShapeList) {
    if (!shape->Enabled()) continue;
    std::unique_ptr<TShapeList> parts = shape->SplitToShapes(state.MaskSwell);
    for (const auto& part : *parts) {
      WriteShape(shapes.AddChild(n.shape), *part, n);
      ++added;
    }
  }
  return added;
}
