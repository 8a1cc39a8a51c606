#include "plugin/shapes.h"

#include <cmath>
#include <stdexcept>
#include <utility>

// ---- Kind names -----------------------------------------------------------------------

std::string_view ShapeTypeToStr(TShapeType AType) {
  switch (AType) {
    case TShapeType::Line:
      return "Line";
    case TShapeType::Arc:
      return "Arc";
    case TShapeType::Rectangle:
      return "Rectangle";
    case TShapeType::FillRect:
      return "FillRect";
    case TShapeType::Obround:
      return "Obround";
    case TShapeType::FillObround:
      return "FillObround";
    case TShapeType::Polyline:
      return "Polyline";
    case TShapeType::Polygon:
      return "Polygon";
    default:
      return "None";
  }
}

// ---- Bounding box ---------------------------------------------------------------------

TShapeBoundingBox TShapeBoundingBox::Create(double L, double T, double R, double B) {
  TShapeBoundingBox box{L, T, R, B};
  box.CheckCoords();
  return box;
}

void TShapeBoundingBox::CheckCoords() {
  if (Left > Right) std::swap(Left, Right);
  if (Bottom > Top) std::swap(Top, Bottom);
}

double TShapeBoundingBox::Width() {
  CheckCoords();
  return Right - Left;
}

double TShapeBoundingBox::Height() {
  CheckCoords();
  return Top - Bottom;
}

double TShapeBoundingBox::Width() const {
  TShapeBoundingBox copy = *this;
  return copy.Width();
}

double TShapeBoundingBox::Height() const {
  TShapeBoundingBox copy = *this;
  return copy.Height();
}

void TShapeBoundingBox::Merge(const TShapeBoundingBox& Other) {
  if (Other.Left < Left) Left = Other.Left;
  if (Other.Right > Right) Right = Other.Right;
  if (Other.Top > Top) Top = Other.Top;
  if (Other.Bottom < Bottom) Bottom = Other.Bottom;
}

TShapeBoundingBox TShapeBoundingBox::Merged(const TShapeBoundingBox& Other) const {
  TShapeBoundingBox box = *this;
  box.Merge(Other);
  box.CheckCoords();
  return box;
}

void TShapeBoundingBox::Inflate(double dx, double dy) {
  CheckCoords();
  Left -= dx;
  Right += dx;
  Top += dy;
  Bottom -= dy;
}

// ---- Base shape -----------------------------------------------------------------------

namespace {

TSolderMaskLayer MaskSideOf(const std::string& copperLayer) {
  if (copperLayer == "Top") return TSolderMaskLayer::smlTop;
  if (copperLayer == "Bottom") return TSolderMaskLayer::smlBottom;
  return TSolderMaskLayer::smlNone;
}

TShapeBoundingBox PairBox(const TDPoint& a, const TDPoint& b) {
  return TShapeBoundingBox::Create(a.x, a.y, b.x, b.y);
}

}  // namespace

TShapeBase::TShapeBase(std::string CopperLayer, double ADefaultLineWidth,
                       const TDPointList& APoints)
    : FCopperLayer(std::move(CopperLayer)),
      FLayer(MaskSideOf(FCopperLayer)),
      FDefaultLineWidth(ADefaultLineWidth) {
  FPointList.Assign(APoints);
}

TShapeBase::~TShapeBase() { FNet = nullptr; }

bool TShapeBase::IsFilled() const {
  return FShapeType == TShapeType::FillRect || FShapeType == TShapeType::FillObround ||
         FShapeType == TShapeType::Polygon;
}

std::string TShapeBase::NetName() const { return FNet ? FNet->Name() : std::string(); }

void TShapeBase::Assign(const TShapeBase* AShape, bool WithPoints) {
  if (!AShape || AShape == this) return;
  FLayer = AShape->FLayer;
  FLineWidth = AShape->FLineWidth;
  FNet = AShape->FNet;
  if (WithPoints) FPointList.Assign(AShape->FPointList);
}

bool TShapeBase::IsCorrect(double ASwell) const {
  if (ASwell > 0 || std::abs(ASwell) <= GeomEps) return true;
  // The stroke, narrowed by the swell on both sides, must keep a width above GeomEps.
  // Written as one comparison so that an unreadable (NaN) width fails as well.
  const double t = 2 * ASwell + FLineWidth;
  return t > GeomEps;
}

TShapeBoundingBox TShapeBase::PointsBoundingBox() const {
  TShapeBoundingBox box = PairBox(FPointList[0], FPointList[1]);
  for (int i = 2; i < FPointList.Count(); ++i) box.Merge(PairBox(FPointList[i - 1], FPointList[i]));
  return box;
}

// ---- The eight kinds ------------------------------------------------------------------

namespace {

// A filled box survives when both sides are longer than the swell takes away; the sign of
// the swell is not looked at. NaN sides fail.
bool BoxSurvives(const TShapeBoundingBox& box, double ASwell) {
  const double need = std::abs(2 * ASwell);
  return box.Width() > need && box.Height() > need;
}

}  // namespace

TShapeLine::TShapeLine(std::string CopperLayer, double ADefaultLineWidth,
                       const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::Line);
}

TShapeBoundingBox TShapeLine::BoundingBox() const { return PairBox(Points()[0], Points()[1]); }

TShapeArc::TShapeArc(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::Arc);
  CalcCenter();
}

void TShapeArc::CalcCenter() {
  FHasCenter = false;
  if (Points().Count() < 3) return;
  const TDPoint a = Points()[0];
  const TDPoint b = Points()[1];
  const TDPoint c = Points()[2];
  const TDPoint u = b - a;
  const TDPoint v = c - a;
  const double g = u.Dot(b + a);
  const double h = v.Dot(c + a);
  const double m = 2 * u.Cross(c - b);
  if (std::abs(m) <= GeomEps) return;  // collinear or coincident points
  FCenter = TDPoint{(g * v.y - h * u.y) / m, (h * u.x - g * v.x) / m};
  FHasCenter = true;
}

TShapeBoundingBox TShapeArc::BoundingBox() const {
  return PairBox(Points()[0], Points()[1]).Merged(PairBox(Points()[1], Points()[2]));
}

TShapeRectangle::TShapeRectangle(std::string CopperLayer, double ADefaultLineWidth,
                                 const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::Rectangle);
}

TShapeBoundingBox TShapeRectangle::BoundingBox() const { return PairBox(Points()[0], Points()[1]); }

TShapeFillRect::TShapeFillRect(std::string CopperLayer, double ADefaultLineWidth,
                               const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::FillRect);
}

bool TShapeFillRect::IsCorrect(double ASwell) const { return BoxSurvives(BoundingBox(), ASwell); }

TShapeBoundingBox TShapeFillRect::BoundingBox() const { return PairBox(Points()[0], Points()[1]); }

TShapeObround::TShapeObround(std::string CopperLayer, double ADefaultLineWidth,
                             const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::Obround);
  const TShapeBoundingBox box = BoundingBox();
  FWidth = box.Width();
  FHeight = box.Height();
  FCentre = box.Centre();
}

TShapeBoundingBox TShapeObround::BoundingBox() const { return PairBox(Points()[0], Points()[1]); }

TShapeFillObround::TShapeFillObround(std::string CopperLayer, double ADefaultLineWidth,
                                     const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::FillObround);
}

bool TShapeFillObround::IsCorrect(double ASwell) const {
  return BoxSurvives(BoundingBox(), ASwell);
}

TShapeBoundingBox TShapeFillObround::BoundingBox() const {
  return PairBox(Points()[0], Points()[1]);
}

TShapePolyline::TShapePolyline(std::string CopperLayer, double ADefaultLineWidth,
                               const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::Polyline);
}

TShapeBoundingBox TShapePolyline::BoundingBox() const { return PointsBoundingBox(); }

TShapePolygon::TShapePolygon(std::string CopperLayer, double ADefaultLineWidth,
                             const TDPointList& APoints)
    : TShapeBase(std::move(CopperLayer), ADefaultLineWidth, APoints) {
  SetShapeType(TShapeType::Polygon);
}

bool TShapePolygon::IsCorrect(double ASwell) const {
  const std::unique_ptr<TShapeList> pieces = SplitToShapes(ASwell);
  bool result = false;  // an empty split fails
  for (const auto& piece : *pieces) {
    // A shrink can leave one point or none; such a piece has no box and no opening.
    if (piece->Points().Count() < 2) return false;
    result = BoxSurvives(piece->BoundingBox(), ASwell);
    if (!result) break;
  }
  return result;
}

TShapeBoundingBox TShapePolygon::BoundingBox() const { return PointsBoundingBox(); }

std::unique_ptr<TShapeBase> CreateShape(TShapeType AType, std::string CopperLayer,
                                        double ADefaultLineWidth, const TDPointList& APoints) {
  switch (AType) {
    case TShapeType::Line:
      return std::make_unique<TShapeLine>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    case TShapeType::Arc:
      return std::make_unique<TShapeArc>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    case TShapeType::Rectangle:
      return std::make_unique<TShapeRectangle>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    case TShapeType::FillRect:
      return std::make_unique<TShapeFillRect>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    case TShapeType::Obround:
      return std::make_unique<TShapeObround>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    case TShapeType::FillObround:
      return std::make_unique<TShapeFillObround>(std::move(CopperLayer), ADefaultLineWidth,
                                                 APoints);
    case TShapeType::Polyline:
      return std::make_unique<TShapePolyline>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    case TShapeType::Polygon:
      return std::make_unique<TShapePolygon>(std::move(CopperLayer), ADefaultLineWidth, APoints);
    default:
      return nullptr;
  }
}

// ---- Shape list -----------------------------------------------------------------------

TShapeList::~TShapeList() { Clear(); }

TShapeBase* TShapeList::Add(std::unique_ptr<TShapeBase> AShape) {
  if (!AShape) throw std::invalid_argument("TShapeList::Add: no shape");
  FItems.push_back(std::move(AShape));
  return FItems.back().get();
}

std::size_t TShapeList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return static_cast<std::size_t>(index);
}

TShapeBase& TShapeList::operator[](int index) const { return *FItems[CheckIndex(index)]; }

std::unique_ptr<TShapeBase> TShapeList::Extract(int index) {
  const std::size_t at = CheckIndex(index);
  std::unique_ptr<TShapeBase> shape = std::move(FItems[at]);
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(at));
  return shape;
}

void TShapeList::Clear() {
  for (auto& shape : FItems) shape.reset();
  FItems.clear();
}
