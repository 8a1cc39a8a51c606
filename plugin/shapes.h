#pragma once
// The board's free drawing shapes: their kinds and kind names, the mask side each maps to,
// bounding boxes, whether a shape survives a negative swell, and the pieces that open the
// solder mask over it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/common.h"
#include "plugin/nets.h"

// One-byte kind code; the codes are those written into and read from documents.
enum class TShapeType : std::uint8_t {
  Line = 0,
  Arc = 1,
  Rectangle = 2,
  FillRect = 3,
  Obround = 4,
  FillObround = 5,
  Polyline = 6,
  Polygon = 7,
  None = 255,
};

// The kind name used as a Shape node's Type ("Line" ... "Polygon"); "None" for 255 and for
// every code outside 0-7.
std::string_view ShapeTypeToStr(TShapeType AType);

// Axis-aligned box, y up: normalised when Left <= Right and Bottom <= Top.
struct TShapeBoundingBox {
  double Left = 0.0;
  double Top = 0.0;
  double Right = 0.0;
  double Bottom = 0.0;

  // The box with the four sides in this order, normalised.
  static TShapeBoundingBox Create(double L, double T, double R, double B);
  // Swaps Left/Right and Top/Bottom where they are the wrong way round.
  void CheckCoords();
  TDPoint LeftTop() const { return {Left, Top}; }
  TDPoint RightBottom() const { return {Right, Bottom}; }
  TDPoint Centre() const { return {(Left + Right) * 0.5, (Top + Bottom) * 0.5}; }
  // Normalise the box, then measure it. The const forms measure a normalised copy.
  double Width();
  double Height();
  double Width() const;
  double Height() const;
  // Grows the box to cover Other (no normalisation first).
  void Merge(const TShapeBoundingBox& Other);
  // A normalised copy with Merge(Other) applied.
  TShapeBoundingBox Merged(const TShapeBoundingBox& Other) const;
  // Normalises, then moves Left/Right out by dx and Top/Bottom out by dy (negative shrinks).
  void Inflate(double dx, double dy);
};

class TShapeList;

class TShapeBase {
 public:
  virtual ~TShapeBase();
  TShapeBase(const TShapeBase&) = delete;
  TShapeBase& operator=(const TShapeBase&) = delete;

  // Whether the shape takes part in mask generation.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }
  TShapeType ShapeType() const { return FShapeType; }
  // True for FillRect, FillObround and Polygon.
  bool IsFilled() const;
  // The copper side text given to the constructor ("Top" or "Bottom" from the reader).
  const std::string& CopperLayer() const { return FCopperLayer; }
  TSolderMaskLayer Layer() const { return FLayer; }
  void SetLayer(TSolderMaskLayer value) { FLayer = value; }
  // Stroke width in document units; -1 means none.
  double LineWidth() const { return FLineWidth; }
  void SetLineWidth(double value) { FLineWidth = value; }
  double DefaultLineWidth() const { return FDefaultLineWidth; }
  // The net the shape belongs to (not owned), or null.
  TNet* Net() const { return FNet; }
  void SetNet(TNet* value) { FNet = value; }
  // The net's name, or "" without a net.
  std::string NetName() const;
  const TDPointList& Points() const { return FPointList; }

  // Copies AShape's mask side, line width and net, and with WithPoints its points too.
  // Kind, enabled flag, copper side and default width stay. A null AShape does nothing.
  void Assign(const TShapeBase* AShape, bool WithPoints);

  // Whether the shape still yields a usable mask shape for the swell.
  virtual bool IsCorrect(double ASwell) const;
  // Raises the list's range error when the shape has fewer points than its kind needs.
  virtual TShapeBoundingBox BoundingBox() const = 0;
  // The mask pieces for the swell, in a new list that the caller owns.
  virtual std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const = 0;

 protected:
  // Copies APoints; the mask side comes from CopperLayer ("Top", "Bottom", else none).
  TShapeBase(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  void SetShapeType(TShapeType value) { FShapeType = value; }
  // Box of all points, pair by pair from the first two on.
  TShapeBoundingBox PointsBoundingBox() const;

 private:
  bool FEnabled = true;
  TShapeType FShapeType = TShapeType::None;
  std::string FCopperLayer;
  TSolderMaskLayer FLayer = TSolderMaskLayer::smlNone;
  double FLineWidth = -1.0;
  double FDefaultLineWidth;
  TNet* FNet = nullptr;
  TDPointList FPointList;
};

// Start and end.
class TShapeLine : public TShapeBase {
 public:
  TShapeLine(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;
};

// Start, a point on the arc, end.
class TShapeArc : public TShapeBase {
 public:
  TShapeArc(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  // Centre of the circle through the three points, when they are not collinear.
  void CalcCenter();
  bool HasCenter() const { return FHasCenter; }
  const TDPoint& Center() const { return FCenter; }
  // The box of the three defining points; the bulge beyond them is not included.
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;

 private:
  TDPoint FCenter;
  bool FHasCenter = false;
};

// Two opposite corners.
class TShapeRectangle : public TShapeBase {
 public:
  TShapeRectangle(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;
};

// Two opposite corners.
class TShapeFillRect : public TShapeBase {
 public:
  TShapeFillRect(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  bool IsCorrect(double ASwell) const override;
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;
};

// Two opposite corners of the obround's bounding box.
class TShapeObround : public TShapeBase {
 public:
  TShapeObround(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  double Width() const { return FWidth; }
  double Height() const { return FHeight; }
  const TDPoint& Centre() const { return FCentre; }
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;

 private:
  double FWidth = 0.0;
  double FHeight = 0.0;
  TDPoint FCentre;
};

// Two opposite corners of the bounding box.
class TShapeFillObround : public TShapeBase {
 public:
  TShapeFillObround(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  bool IsCorrect(double ASwell) const override;
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;
};

// Three or more points in drawing order.
class TShapePolyline : public TShapeBase {
 public:
  TShapePolyline(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;
};

// Two or more vertices of a closed outline; the last joins the first.
class TShapePolygon : public TShapeBase {
 public:
  TShapePolygon(std::string CopperLayer, double ADefaultLineWidth, const TDPointList& APoints);
  // The outline offset by the swell must leave every piece wider and higher than twice the
  // swell; a piece with fewer than 2 points fails.
  bool IsCorrect(double ASwell) const override;
  TShapeBoundingBox BoundingBox() const override;
  std::unique_ptr<TShapeList> SplitToShapes(double ASwell) const override;
};

// A new shape of the given kind, or null for a code outside 0-7.
std::unique_ptr<TShapeBase> CreateShape(TShapeType AType, std::string CopperLayer,
                                        double ADefaultLineWidth, const TDPointList& APoints);

// Ordered list that owns its shapes; releasing it releases every shape still in it, in list
// order.
class TShapeList {
 public:
  TShapeList() = default;
  ~TShapeList();
  TShapeList(const TShapeList&) = delete;
  TShapeList& operator=(const TShapeList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  // Takes ownership; returns the shape. Throws std::invalid_argument for a null shape.
  TShapeBase* Add(std::unique_ptr<TShapeBase> AShape);
  // Checked access; an index outside 0 .. Count-1 raises the list's range error.
  TShapeBase& operator[](int index) const;
  // Takes the shape at index out of the list and hands it to the caller.
  std::unique_ptr<TShapeBase> Extract(int index);
  // Releases every shape in list order.
  void Clear();

  const std::vector<std::unique_ptr<TShapeBase>>& Items() const { return FItems; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  std::size_t CheckIndex(int index) const;
  std::vector<std::unique_ptr<TShapeBase>> FItems;
};
