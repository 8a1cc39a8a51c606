#include "plugin/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The tolerances are global; start every test from the millimetre values.
class Shapes : public ::testing::Test {
 protected:
  void SetUp() override { ResetTolerances(); }
};

struct KindCase {
  TShapeType type;
  const char* name;
  bool filled;
  TDPointList points;
};

const std::vector<KindCase>& AllKinds() {
  static const std::vector<KindCase> kinds = {
      {TShapeType::Line, "Line", false, {{0, 0}, {3, 1}}},
      {TShapeType::Arc, "Arc", false, {{0, 0}, {1, 1}, {2, 0}}},
      {TShapeType::Rectangle, "Rectangle", false, {{0, 0}, {2, 3}}},
      {TShapeType::FillRect, "FillRect", true, {{0, 0}, {2, 3}}},
      {TShapeType::Obround, "Obround", false, {{0, 0}, {4, 2}}},
      {TShapeType::FillObround, "FillObround", true, {{0, 0}, {4, 2}}},
      {TShapeType::Polyline, "Polyline", false, {{0, 0}, {1, 2}, {3, 1}}},
      {TShapeType::Polygon, "Polygon", true, {{0, 0}, {4, 0}, {4, 4}, {0, 4}}},
  };
  return kinds;
}

void ExpectPoints(const TDPointList& actual, const std::vector<TDPoint>& expected) {
  ASSERT_EQ(actual.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < actual.Count(); ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    EXPECT_DOUBLE_EQ(actual[i].x, expected[static_cast<std::size_t>(i)].x);
    EXPECT_DOUBLE_EQ(actual[i].y, expected[static_cast<std::size_t>(i)].y);
  }
}

TEST_F(Shapes, KindNamesByCode) {
  const std::vector<std::pair<int, const char*>> cases = {
      {0, "Line"},        {1, "Arc"},      {2, "Rectangle"}, {3, "FillRect"}, {4, "Obround"},
      {5, "FillObround"}, {6, "Polyline"}, {7, "Polygon"},   {8, "None"},     {9, "None"},
      {128, "None"},      {254, "None"},   {255, "None"}};
  for (const auto& [code, name] : cases)
    EXPECT_EQ(ShapeTypeToStr(static_cast<TShapeType>(code)), name) << "code " << code;
}

TEST_F(Shapes, EveryKindIsBuiltWithItsCodeAndDefaults) {
  for (const auto& k : AllKinds()) {
    SCOPED_TRACE(k.name);
    TDPointList points;
    points.Assign(k.points);
    auto shape = CreateShape(k.type, "Top", 0.15, points);
    ASSERT_NE(shape, nullptr);
    points[0] = TDPoint{99, 99};  // the shape keeps its own copy
    EXPECT_EQ(shape->ShapeType(), k.type);
    EXPECT_EQ(ShapeTypeToStr(shape->ShapeType()), k.name);
    EXPECT_EQ(shape->IsFilled(), k.filled);
    EXPECT_TRUE(shape->Enabled());
    EXPECT_EQ(shape->LineWidth(), -1.0);
    EXPECT_EQ(shape->DefaultLineWidth(), 0.15);
    EXPECT_EQ(shape->CopperLayer(), "Top");
    EXPECT_EQ(shape->Net(), nullptr);
    EXPECT_EQ(shape->NetName(), "");
    ExpectPoints(shape->Points(), k.points.Items());
  }
  EXPECT_EQ(CreateShape(TShapeType::None, "Top", 0.1, {{0, 0}, {1, 1}}), nullptr);
  EXPECT_EQ(CreateShape(static_cast<TShapeType>(8), "Top", 0.1, {{0, 0}, {1, 1}}), nullptr);
}

TEST_F(Shapes, MaskSideComesFromTheExactCopperSideText) {
  const std::vector<std::pair<const char*, TSolderMaskLayer>> cases = {
      {"Top", TSolderMaskLayer::smlTop},   {"Bottom", TSolderMaskLayer::smlBottom},
      {"top", TSolderMaskLayer::smlNone},  {"BOTTOM", TSolderMaskLayer::smlNone},
      {"Top ", TSolderMaskLayer::smlNone}, {"Inner 1", TSolderMaskLayer::smlNone},
      {"", TSolderMaskLayer::smlNone},     {"Top Mask", TSolderMaskLayer::smlNone}};
  for (const auto& k : AllKinds()) {
    for (const auto& [side, layer] : cases) {
      auto shape = CreateShape(k.type, side, 0.1, k.points);
      EXPECT_EQ(shape->Layer(), layer) << k.name << " on \"" << side << "\"";
      EXPECT_EQ(shape->CopperLayer(), side);
    }
  }
}

TEST_F(Shapes, NetNameFollowsTheNet) {
  TNet net(4, "VCC");
  TShapeLine line("Top", 0.1, {{0, 0}, {1, 0}});
  line.SetNet(&net);
  EXPECT_EQ(line.Net(), &net);
  EXPECT_EQ(line.NetName(), "VCC");
  line.SetNet(nullptr);
  EXPECT_EQ(line.NetName(), "");
}

TEST_F(Shapes, AssignCopiesSideWidthNetAndOnRequestThePoints) {
  TNet net(1, "A");
  TShapePolyline source("Bottom", 0.3, {{0, 0}, {1, 1}, {2, 0}});
  source.SetLineWidth(0.25);
  source.SetNet(&net);
  source.SetEnabled(false);
  source.SetLayer(TSolderMaskLayer::smlNone);  // differs from what "Bottom" gives

  TShapeLine target("Top", 0.1, {{5, 5}, {6, 6}});
  target.Assign(&source, false);
  EXPECT_EQ(target.Layer(), TSolderMaskLayer::smlNone);
  EXPECT_EQ(target.LineWidth(), 0.25);
  EXPECT_EQ(target.Net(), &net);
  EXPECT_TRUE(target.Enabled());
  EXPECT_EQ(target.ShapeType(), TShapeType::Line);
  EXPECT_EQ(target.CopperLayer(), "Top");
  EXPECT_EQ(target.DefaultLineWidth(), 0.1);
  ExpectPoints(target.Points(), {{5, 5}, {6, 6}});

  target.Assign(&source, true);
  ExpectPoints(target.Points(), {{0, 0}, {1, 1}, {2, 0}});

  TShapeLine untouched("Top", 0.1, {{5, 5}, {6, 6}});
  untouched.Assign(nullptr, true);
  EXPECT_EQ(untouched.Layer(), TSolderMaskLayer::smlTop);
  EXPECT_EQ(untouched.LineWidth(), -1.0);
  ExpectPoints(untouched.Points(), {{5, 5}, {6, 6}});

  // Assigning a shape to itself must not lose its points.
  untouched.Assign(&untouched, true);
  ExpectPoints(untouched.Points(), {{5, 5}, {6, 6}});
}

// ---- Validity under a swell -------------------------------------------------------------

struct StrokeCase {
  double lineWidth;
  double swell;
  bool correct;
};

TEST_F(Shapes, StrokedKindsSurviveWhileTheNarrowedStrokeKeepsAWidth) {
  const double e = GeomEpsMm;
  const std::vector<StrokeCase> cases = {
      {0.2, -0.05, true},
      {0.2, -0.1, false},  // width reaches zero
      {0.2, -0.2, false},
      {0.2, 0.3, true},
      {0.2, 0.0, true},
      {0.2, -0.0999, true},
      {0.2, -0.1 + 0.4 * e, false},  // what is left is within GeomEps of zero
      {0.2, -0.1 + 2 * e, true},
      {-1.0, -0.5 * e, true},  // a swell within GeomEps of zero counts as zero
      {-1.0, -e, true},
      {-1.0, -2 * e, false},  // no stroke: every real shrink fails
      {-1.0, -1e-3, false},
      {-1.0, 1e-3, true},
      {kNaN, -0.05, false},  // an unreadable width gives no opening
  };
  for (TShapeType type : {TShapeType::Line, TShapeType::Arc, TShapeType::Rectangle,
                          TShapeType::Obround, TShapeType::Polyline}) {
    for (const KindCase& k : AllKinds()) {
      if (k.type != type) continue;
      for (const auto& c : cases) {
        auto shape = CreateShape(type, "Top", 0.1, k.points);
        shape->SetLineWidth(c.lineWidth);
        EXPECT_EQ(shape->IsCorrect(c.swell), c.correct)
            << k.name << " width " << c.lineWidth << " swell " << c.swell;
      }
    }
  }
}

struct BoxCase {
  TDPointList corners;
  double swell;
  bool correct;
};

TEST_F(Shapes, FilledBoxesSurviveWhileBothSidesExceedTwiceTheSwell) {
  const std::vector<BoxCase> cases = {
      {{{0, 0}, {1, 3}}, -0.4, true},
      {{{0, 0}, {1, 3}}, -0.5, false},  // 1 is not greater than 1
      {{{1, 3}, {0, 0}}, -0.4, true},   // corners in either order
      {{{1, 3}, {0, 0}}, -0.5, false},
      {{{0, 0}, {3, 1}}, -0.49, true},
      {{{0, 0}, {3, 1}}, -0.5, false},
      {{{0, 0}, {1, 3}}, 0.5, false},  // the sign of the swell is not looked at
      {{{0, 0}, {1, 3}}, 0.4, true},
      {{{0, 0}, {1, 3}}, 0.0, true},
      {{{0, 0}, {0, 3}}, 0.0, false},  // a box without width
      {{{0, 0}, {kNaN, 3}}, 0.0, false},
  };
  for (TShapeType type : {TShapeType::FillRect, TShapeType::FillObround}) {
    for (const auto& c : cases) {
      auto shape = CreateShape(type, "Bottom", -1.0, c.corners);
      shape->SetLineWidth(5.0);  // a stroke width plays no part for filled kinds
      EXPECT_EQ(shape->IsCorrect(c.swell), c.correct)
          << ShapeTypeToStr(type) << " (" << c.corners[0].x << "," << c.corners[0].y << ")-("
          << c.corners[1].x << "," << c.corners[1].y << ") swell " << c.swell;
    }
  }
}

// ---- Arc centre -------------------------------------------------------------------------

TEST_F(Shapes, ArcCentreIsThatOfTheCircleThroughItsPoints) {
  struct CentreCase {
    TDPointList points;
    bool hasCenter;
    TDPoint center;
  };
  const double s = std::sqrt(0.5);
  const std::vector<CentreCase> cases = {
      {{{0, 0}, {1, 1}, {2, 0}}, true, {1, 0}},
      {{{1, 0}, {0, 1}, {-1, 0}}, true, {0, 0}},
      {{{-1, 0}, {0, 1}, {1, 0}}, true, {0, 0}},  // the other sense of turning
      {{{5 + 2, -3}, {5 + 2 * s, -3 + 2 * s}, {5, -3 + 2}}, true, {5, -3}},
      {{{0, 0}, {1, 1}, {2, 2}}, false, {}},  // collinear
      {{{0, 0}, {2, 0}, {1, 0}}, false, {}},  // collinear, middle point outside
      {{{1, 1}, {1, 1}, {1, 1}}, false, {}},  // coincident
      {{{0, 0}, {1, 1}, {0, 0}}, false, {}},  // start equals end: no single circle
  };
  for (const auto& c : cases) {
    TShapeArc arc("Top", 0.1, c.points);
    SCOPED_TRACE(::testing::Message()
                 << "(" << c.points[0].x << "," << c.points[0].y << ") (" << c.points[1].x << ","
                 << c.points[1].y << ") (" << c.points[2].x << "," << c.points[2].y << ")");
    EXPECT_EQ(arc.HasCenter(), c.hasCenter);
    if (c.hasCenter) {
      EXPECT_NEAR(arc.Center().x, c.center.x, 1e-12);
      EXPECT_NEAR(arc.Center().y, c.center.y, 1e-12);
    }
  }
}

TEST_F(Shapes, ArcCentreNeedsThreePoints) {
  TShapeArc arc("Top", 0.1, {{0, 0}, {1, 1}});
  EXPECT_FALSE(arc.HasCenter());
}

// ---- Bounding boxes ---------------------------------------------------------------------

struct BoundsCase {
  TShapeType type;
  TDPointList points;
  double left, top, right, bottom;
};

TEST_F(Shapes, BoundingBoxesPerKind) {
  const std::vector<BoundsCase> cases = {
      {TShapeType::Line, {{3, 1}, {0, 2}}, 0, 2, 3, 1},
      {TShapeType::Rectangle, {{2, 3}, {0, 0}}, 0, 3, 2, 0},
      {TShapeType::FillRect, {{0, 3}, {2, 0}}, 0, 3, 2, 0},
      {TShapeType::Obround, {{4, 0}, {0, 2}}, 0, 2, 4, 0},
      {TShapeType::FillObround, {{-1, -1}, {1, 1}}, -1, 1, 1, -1},
      // The arc's box is that of its three points; the bulge beyond them is left out.
      {TShapeType::Arc, {{1, 0}, {0, 1}, {-1, 0}}, -1, 1, 1, 0},
      {TShapeType::Arc, {{0, 0}, {2, -1}, {1, 3}}, 0, 3, 2, -1},
      // Extremes in the middle and at the end of the point list.
      {TShapeType::Polyline, {{0, 0}, {5, -2}, {1, 1}, {-3, 7}}, -3, 7, 5, -2},
      {TShapeType::Polygon, {{1, 1}, {2, 1}, {9, 4}, {2, -6}, {-1, 2}}, -1, 4, 9, -6},
      {TShapeType::Polygon, {{1, 1}, {2, 3}}, 1, 3, 2, 1},
  };
  for (const auto& c : cases) {
    auto shape = CreateShape(c.type, "Top", 0.1, c.points);
    const TShapeBoundingBox b = shape->BoundingBox();
    SCOPED_TRACE(ShapeTypeToStr(c.type));
    EXPECT_EQ(b.Left, c.left);
    EXPECT_EQ(b.Top, c.top);
    EXPECT_EQ(b.Right, c.right);
    EXPECT_EQ(b.Bottom, c.bottom);
  }
}

TEST_F(Shapes, TooFewPointsRaiseTheRangeErrorInsteadOfReadingPastTheList) {
  EXPECT_THROW(TShapeLine("Top", 0.1, {{0, 0}}).BoundingBox(), EListError);
  EXPECT_THROW(TShapeArc("Top", 0.1, {{0, 0}, {1, 1}}).BoundingBox(), EListError);
  EXPECT_THROW(TShapePolyline("Top", 0.1, {}).BoundingBox(), EListError);
  EXPECT_THROW(TShapeObround("Top", 0.1, {{0, 0}}), EListError);  // it measures its box
}

TEST_F(Shapes, ObroundMeasuresItsBoxOnce) {
  for (const TDPointList& corners :
       {TDPointList{{0, 0}, {4, 2}}, TDPointList{{4, 2}, {0, 0}}, TDPointList{{0, 2}, {4, 0}}}) {
    TShapeObround o("Top", 0.1, corners);
    EXPECT_EQ(o.Width(), 4.0);
    EXPECT_EQ(o.Height(), 2.0);
    EXPECT_EQ(o.Centre().x, 2.0);
    EXPECT_EQ(o.Centre().y, 1.0);
  }
}

TEST_F(Shapes, BoundingBoxValueOperations) {
  TShapeBoundingBox b = TShapeBoundingBox::Create(4, 1, 0, 3);  // both pairs reversed
  EXPECT_EQ(b.Left, 0);
  EXPECT_EQ(b.Top, 3);
  EXPECT_EQ(b.Right, 4);
  EXPECT_EQ(b.Bottom, 1);
  EXPECT_EQ(b.LeftTop().x, 0);
  EXPECT_EQ(b.LeftTop().y, 3);
  EXPECT_EQ(b.RightBottom().x, 4);
  EXPECT_EQ(b.RightBottom().y, 1);
  EXPECT_EQ(b.Centre().x, 2);
  EXPECT_EQ(b.Centre().y, 2);

  // Width and Height normalise the box they measure.
  TShapeBoundingBox raw{5, 0, 1, 2};
  EXPECT_EQ(raw.Width(), 4);
  EXPECT_EQ(raw.Left, 1);
  EXPECT_EQ(raw.Right, 5);
  EXPECT_EQ(raw.Height(), 2);
  EXPECT_EQ(raw.Top, 2);
  EXPECT_EQ(raw.Bottom, 0);
  const TShapeBoundingBox craw{5, 0, 1, 2};
  EXPECT_EQ(craw.Width(), 4);
  EXPECT_EQ(craw.Height(), 2);

  // Merge takes the extremes as they stand; Merged also normalises.
  TShapeBoundingBox m{0, 1, 1, 0};
  m.Merge({-2, 0.5, 0.5, -3});
  EXPECT_EQ(m.Left, -2);
  EXPECT_EQ(m.Top, 1);
  EXPECT_EQ(m.Right, 1);
  EXPECT_EQ(m.Bottom, -3);
  TShapeBoundingBox reversed{3, 0, 1, 2};  // left > right, bottom > top
  reversed.Merge({2, 1, 2, 1});
  EXPECT_EQ(reversed.Left, 2);
  EXPECT_EQ(reversed.Right, 2);
  EXPECT_EQ(reversed.Top, 1);
  EXPECT_EQ(reversed.Bottom, 1);
  const TShapeBoundingBox merged = TShapeBoundingBox{3, 0, 1, 2}.Merged({2, 1, 2, 1});
  EXPECT_EQ(merged.Left, 2);
  EXPECT_EQ(merged.Right, 2);
  const TShapeBoundingBox grown = TShapeBoundingBox::Create(0, 1, 1, 0).Merged({5, 6, 7, -8});
  EXPECT_EQ(grown.Left, 0);
  EXPECT_EQ(grown.Top, 6);
  EXPECT_EQ(grown.Right, 7);
  EXPECT_EQ(grown.Bottom, -8);

  // Inflate normalises first; negative values shrink.
  TShapeBoundingBox i{2, 0, 0, 1};
  i.Inflate(1, 0.5);
  EXPECT_EQ(i.Left, -1);
  EXPECT_EQ(i.Right, 3);
  EXPECT_EQ(i.Top, 1.5);
  EXPECT_EQ(i.Bottom, -0.5);
  i.Inflate(-1.5, -0.25);
  EXPECT_EQ(i.Left, 0.5);
  EXPECT_EQ(i.Right, 1.5);
  EXPECT_EQ(i.Top, 1.25);
  EXPECT_EQ(i.Bottom, -0.25);
}

// ---- The owning shape list --------------------------------------------------------------

class LoggedLine : public TShapeLine {
 public:
  LoggedLine(std::vector<int>& log, int tag)
      : TShapeLine("Top", 0.1, {{0, 0}, {double(tag), 1}}), FLog(log), FTag(tag) {}
  ~LoggedLine() override { FLog.push_back(FTag); }

 private:
  std::vector<int>& FLog;
  int FTag;
};

TEST_F(Shapes, ReleasingTheListReleasesEveryShapeOnceInListOrder) {
  std::vector<int> log;
  std::unique_ptr<TShapeBase> taken;
  {
    TShapeList list;
    for (int tag = 0; tag < 5; ++tag) list.Add(std::make_unique<LoggedLine>(log, tag));
    EXPECT_EQ(list.Count(), 5);
    taken = list.Extract(2);  // handed out: no longer the list's to release
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list[2].Points()[1].x, 3.0);
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (std::vector<int>{0, 1, 3, 4}));
  taken.reset();
  EXPECT_EQ(log, (std::vector<int>{0, 1, 3, 4, 2}));
}

TEST_F(Shapes, ClearReleasesAndTheListCanBeRefilled) {
  std::vector<int> log;
  TShapeList list;
  list.Add(std::make_unique<LoggedLine>(log, 7));
  list.Add(std::make_unique<LoggedLine>(log, 8));
  list.Clear();
  EXPECT_EQ(log, (std::vector<int>{7, 8}));
  EXPECT_TRUE(list.Empty());
  list.Add(std::make_unique<LoggedLine>(log, 9));
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(Shapes, ListIndexingIsChecked) {
  TShapeList list;
  EXPECT_THROW(list[0], EListError);
  EXPECT_THROW(list.Extract(0), EListError);
  TShapeBase* added =
      list.Add(std::make_unique<TShapeLine>("Top", 0.1, TDPointList{{0, 0}, {1, 1}}));
  EXPECT_EQ(&list[0], added);
  EXPECT_THROW(list[-1], EListError);
  EXPECT_THROW(list[1], EListError);
  EXPECT_THROW(list.Add(nullptr), std::invalid_argument);
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
