// The mask pieces of each shape kind. Stroked kinds keep their centre line and widen the
// stroke by the swell on both sides; filled kinds drop the stroke and move their outline.
// A rectangle becomes a closed polyline and an obround lines and arcs, so that the writer
// only meets kinds with fixed meanings.
#include <cmath>
#include <utility>

#include "plugin/offset.h"
#include "plugin/shapes.h"

namespace {

// A new piece of kind T on the source's copper side, carrying the source's mask side, line
// width and net, then given its own width. Pieces are always enabled.
template <typename T>
std::unique_ptr<T> MakePiece(const TShapeBase& source, double defaultLineWidth,
                             const TDPointList& points, double lineWidth) {
  auto piece = std::make_unique<T>(source.CopperLayer(), defaultLineWidth, points);
  piece->Assign(&source, false);
  piece->SetLineWidth(lineWidth);
  return piece;
}

template <typename T>
std::unique_ptr<TShapeList> SinglePiece(const TShapeBase& source, double defaultLineWidth,
                                        const TDPointList& points, double lineWidth) {
  auto list = std::make_unique<TShapeList>();
  list->Add(MakePiece<T>(source, defaultLineWidth, points, lineWidth));
  return list;
}

double StrokeWidth(const TShapeBase& source, double ASwell) {
  return source.LineWidth() + 2 * ASwell;
}

// The normalised box moved out by the swell on every side, as two corners; a negative swell
// larger than half a side leaves the corners crossed (the validity test catches that).
TDPointList InflatedCorners(const TShapeBoundingBox& box, double s) {
  return TDPointList{{box.Left - s, box.Top + s}, {box.Right + s, box.Bottom - s}};
}

}  // namespace

std::unique_ptr<TShapeList> TShapeLine::SplitToShapes(double ASwell) const {
  return SinglePiece<TShapeLine>(*this, DefaultLineWidth(), Points(), StrokeWidth(*this, ASwell));
}

std::unique_ptr<TShapeList> TShapeArc::SplitToShapes(double ASwell) const {
  return SinglePiece<TShapeArc>(*this, DefaultLineWidth(), Points(), StrokeWidth(*this, ASwell));
}

std::unique_ptr<TShapeList> TShapePolyline::SplitToShapes(double ASwell) const {
  return SinglePiece<TShapePolyline>(*this, DefaultLineWidth(), Points(),
                                     StrokeWidth(*this, ASwell));
}

std::unique_ptr<TShapeList> TShapeRectangle::SplitToShapes(double ASwell) const {
  const TShapeBoundingBox b = BoundingBox();
  const TDPointList outline{
      {b.Left, b.Top}, {b.Right, b.Top}, {b.Right, b.Bottom}, {b.Left, b.Bottom}, {b.Left, b.Top}};
  return SinglePiece<TShapePolyline>(*this, DefaultLineWidth(), outline,
                                     StrokeWidth(*this, ASwell));
}

std::unique_ptr<TShapeList> TShapeFillRect::SplitToShapes(double ASwell) const {
  return SinglePiece<TShapeFillRect>(*this, DefaultLineWidth(),
                                     InflatedCorners(BoundingBox(), ASwell), -1.0);
}

std::unique_ptr<TShapeList> TShapeFillObround::SplitToShapes(double ASwell) const {
  return SinglePiece<TShapeFillObround>(*this, DefaultLineWidth(),
                                        InflatedCorners(BoundingBox(), ASwell), -1.0);
}

std::unique_ptr<TShapeList> TShapePolygon::SplitToShapes(double ASwell) const {
  TDPointList outline;
  outline.Assign(Points());
  OffsetPolygon(outline, ASwell);
  return SinglePiece<TShapePolygon>(*this, -1.0, outline, -1.0);
}

std::unique_ptr<TShapeList> TShapeObround::SplitToShapes(double ASwell) const {
  const TDPoint c = FCentre;
  const double w = FWidth;
  const double h = FHeight;
  const double width = StrokeWidth(*this, ASwell);
  auto list = std::make_unique<TShapeList>();
  auto line = [&](TDPoint a, TDPoint b) {
    list->Add(MakePiece<TShapeLine>(*this, DefaultLineWidth(), TDPointList{a, b}, width));
  };
  auto arc = [&](TDPoint a, TDPoint m, TDPoint b) {
    list->Add(MakePiece<TShapeArc>(*this, DefaultLineWidth(), TDPointList{a, m, b}, width));
  };

  if (std::abs(w - h) <= GeomEps) {
    // A full circle whose start and end coincide; the far point is exactly c - (r, 0)
    // rather than a rounded cosine and sine of pi.
    const double r = w / 2;
    arc({c.x + r, c.y}, {c.x - r, c.y}, {c.x + r, c.y});
  } else if (w > h) {
    const double r = h / 2;
    const double left = c.x - w / 2 + r;
    const double right = c.x + w / 2 - r;
    line({left, c.y + r}, {right, c.y + r});                      // top edge
    arc({right, c.y + r}, {c.x + w / 2, c.y}, {right, c.y - r});  // right end
    line({right, c.y - r}, {left, c.y - r});                      // bottom edge
    arc({left, c.y - r}, {c.x - w / 2, c.y}, {left, c.y + r});    // left end
  } else {
    const double r = w / 2;
    const double bottom = c.y - h / 2 + r;
    const double top = c.y + h / 2 - r;
    line({c.x - r, bottom}, {c.x - r, top});                        // left edge
    arc({c.x - r, top}, {c.x, c.y + h / 2}, {c.x + r, top});        // top end
    line({c.x + r, top}, {c.x + r, bottom});                        // right edge
    arc({c.x + r, bottom}, {c.x, c.y - h / 2}, {c.x - r, bottom});  // bottom end
  }
  return list;
}
