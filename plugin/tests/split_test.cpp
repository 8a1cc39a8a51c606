#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "plugin/offset.h"
#include "plugin/shapes.h"

namespace {

class Split : public ::testing::Test {
 protected:
  void SetUp() override { ResetTolerances(); }
};

struct ExpectedPiece {
  TShapeType type;
  std::vector<TDPoint> points;
};

void ExpectPieces(const TShapeList& pieces, const std::vector<ExpectedPiece>& expected,
                  double lineWidth, double tolerance = 1e-12) {
  ASSERT_EQ(pieces.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < pieces.Count(); ++i) {
    SCOPED_TRACE("piece " + std::to_string(i));
    const TShapeBase& piece = pieces[i];
    const ExpectedPiece& want = expected[static_cast<std::size_t>(i)];
    EXPECT_EQ(piece.ShapeType(), want.type);
    EXPECT_DOUBLE_EQ(piece.LineWidth(), lineWidth);
    ASSERT_EQ(piece.Points().Count(), static_cast<int>(want.points.size()));
    for (int k = 0; k < piece.Points().Count(); ++k) {
      SCOPED_TRACE("point " + std::to_string(k));
      EXPECT_NEAR(piece.Points()[k].x, want.points[static_cast<std::size_t>(k)].x, tolerance);
      EXPECT_NEAR(piece.Points()[k].y, want.points[static_cast<std::size_t>(k)].y, tolerance);
    }
  }
}

TEST_F(Split, StrokedKindsKeepTheirPointsAndWidenTheStroke) {
  struct Case {
    TShapeType type;
    std::vector<TDPoint> points;
    double lineWidth, swell, width;
  };
  const std::vector<Case> cases = {
      {TShapeType::Line, {{0, 0}, {3, 1}}, 0.2, 0.05, 0.3},
      {TShapeType::Line, {{0, 0}, {3, 1}}, 0.2, -0.1, 0.0},
      {TShapeType::Line, {{0, 0}, {3, 1}}, 0.2, 0.0, 0.2},
      {TShapeType::Line, {{0, 0}, {3, 1}}, 0.2, -0.3, -0.4},  // not validated here
      {TShapeType::Arc, {{0, 0}, {1, 1}, {2, 0}}, 0.25, 0.125, 0.5},
      {TShapeType::Polyline, {{0, 0}, {1, 2}, {3, 1}, {4, 4}}, 0.1, 0.2, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << ShapeTypeToStr(c.type) << " swell " << c.swell);
    TDPointList points;
    for (const auto& p : c.points) points.Add(p);
    auto source = CreateShape(c.type, "Top", 0.1, points);
    source->SetLineWidth(c.lineWidth);
    const auto pieces = source->SplitToShapes(c.swell);
    ExpectPieces(*pieces, {{c.type, c.points}}, c.width);
    EXPECT_EQ(source->LineWidth(), c.lineWidth);  // the source is not changed
  }
}

TEST_F(Split, ArcPieceComputesItsCentreAgain) {
  TShapeArc source("Top", 0.1, {{0, 0}, {1, 1}, {2, 0}});
  source.SetLineWidth(0.1);
  const auto pieces = source.SplitToShapes(0.05);
  ASSERT_EQ(pieces->Count(), 1);
  const auto* arc = dynamic_cast<const TShapeArc*>(&(*pieces)[0]);
  ASSERT_NE(arc, nullptr);
  EXPECT_TRUE(arc->HasCenter());
  EXPECT_NEAR(arc->Center().x, 1.0, 1e-12);
  EXPECT_NEAR(arc->Center().y, 0.0, 1e-12);
}

TEST_F(Split, RectangleBecomesItsClosedOutlineFromTheTopLeftClockwise) {
  const std::vector<TDPoint> outline = {{0, 3}, {2, 3}, {2, 0}, {0, 0}, {0, 3}};
  // Whatever corners define it, the outline starts top left and runs clockwise (y up).
  for (const TDPointList& corners : {TDPointList{{2, 3}, {0, 0}}, TDPointList{{0, 0}, {2, 3}},
                                     TDPointList{{0, 3}, {2, 0}}, TDPointList{{2, 0}, {0, 3}}}) {
    TShapeRectangle source("Bottom", 0.2, corners);
    source.SetLineWidth(0.1);
    const auto pieces = source.SplitToShapes(0.05);
    ExpectPieces(*pieces, {{TShapeType::Polyline, outline}}, 0.2);
    EXPECT_LT((*pieces)[0].Points().SignedArea(), 0);  // clockwise
  }
}

TEST_F(Split, FilledBoxesMoveTheirCornersByTheSwellAndDropTheStroke) {
  struct Case {
    TDPointList corners;
    double swell;
    std::vector<TDPoint> expected;
  };
  const std::vector<Case> cases = {
      {{{0, 0}, {2, 1}}, 0.1, {{-0.1, 1.1}, {2.1, -0.1}}},
      {{{2, 1}, {0, 0}}, 0.1, {{-0.1, 1.1}, {2.1, -0.1}}},
      {{{0, 0}, {2, 1}}, 0.0, {{0, 1}, {2, 0}}},
      {{{0, 0}, {2, 1}}, -0.25, {{0.25, 0.75}, {1.75, 0.25}}},
      // Shrunk past its height: the corners cross and are left crossed.
      {{{0, 0}, {2, 1}}, -1.0, {{1, 0}, {1, 1}}},
  };
  for (TShapeType type : {TShapeType::FillRect, TShapeType::FillObround}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << ShapeTypeToStr(type) << " swell " << c.swell);
      auto source = CreateShape(type, "Top", -1.0, c.corners);
      source->SetLineWidth(0.4);  // a width read from the document is not carried over
      const auto pieces = source->SplitToShapes(c.swell);
      ExpectPieces(*pieces, {{type, c.expected}}, -1.0);
    }
  }
}

struct ObroundCase {
  const char* name;
  TDPointList corners;
  std::vector<ExpectedPiece> pieces;
};

TEST_F(Split, ObroundBecomesLinesAndArcsOrOneCircle) {
  const std::vector<ObroundCase> cases = {
      {"wide",
       {{0, 0}, {4, 2}},
       {{TShapeType::Line, {{1, 2}, {3, 2}}},
        {TShapeType::Arc, {{3, 2}, {4, 1}, {3, 0}}},
        {TShapeType::Line, {{3, 0}, {1, 0}}},
        {TShapeType::Arc, {{1, 0}, {0, 1}, {1, 2}}}}},
      {"wide, corners reversed",
       {{4, 2}, {0, 0}},
       {{TShapeType::Line, {{1, 2}, {3, 2}}},
        {TShapeType::Arc, {{3, 2}, {4, 1}, {3, 0}}},
        {TShapeType::Line, {{3, 0}, {1, 0}}},
        {TShapeType::Arc, {{1, 0}, {0, 1}, {1, 2}}}}},
      {"tall",
       {{0, 0}, {2, 4}},
       {{TShapeType::Line, {{0, 1}, {0, 3}}},
        {TShapeType::Arc, {{0, 3}, {1, 4}, {2, 3}}},
        {TShapeType::Line, {{2, 3}, {2, 1}}},
        {TShapeType::Arc, {{2, 1}, {1, 0}, {0, 1}}}}},
      {"tall, off the origin",
       {{10, -5}, {11, -1}},
       {{TShapeType::Line, {{10, -4.5}, {10, -1.5}}},
        {TShapeType::Arc, {{10, -1.5}, {10.5, -1}, {11, -1.5}}},
        {TShapeType::Line, {{11, -1.5}, {11, -4.5}}},
        {TShapeType::Arc, {{11, -4.5}, {10.5, -5}, {10, -4.5}}}}},
      {"circle", {{0, 0}, {2, 2}}, {{TShapeType::Arc, {{2, 1}, {0, 1}, {2, 1}}}}},
      // Sides within GeomEps of each other still make a circle of the width's radius.
      {"nearly a circle",
       {{0, 0}, {2, 2 + 0.5e-6}},
       {{TShapeType::Arc, {{2, 1 + 0.25e-6}, {0, 1 + 0.25e-6}, {2, 1 + 0.25e-6}}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TShapeObround source("Top", 0.15, c.corners);
    source.SetLineWidth(0.2);
    const auto pieces = source.SplitToShapes(0.05);
    ExpectPieces(*pieces, c.pieces, 0.3);
    // Each piece starts where the previous one ends, and the last closes the outline.
    for (int i = 0; i < pieces->Count(); ++i) {
      const TDPointList& here = (*pieces)[i].Points();
      const TDPointList& next = (*pieces)[(i + 1) % pieces->Count()].Points();
      EXPECT_EQ(here.Last().x, next.First().x);
      EXPECT_EQ(here.Last().y, next.First().y);
    }
    if (pieces->Count() == 4) {
      TDPointList starts;
      for (const auto& p : *pieces) starts.Add(p->Points().First());
      EXPECT_LT(starts.SignedArea(), 0);  // clockwise, y up
    }
  }
}

TEST_F(Split, PolygonIsOffsetOnACopy) {
  const TDPointList square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Case {
    double swell;
    std::vector<TDPoint> expected;
  };
  const std::vector<Case> cases = {
      {0.0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
      {1.0, {{-1, -1}, {11, -1}, {11, 11}, {-1, 11}}},
      {-1.0, {{1, 1}, {9, 1}, {9, 9}, {1, 9}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "swell " << c.swell);
    TShapePolygon source("Top", -1.0, square);
    const auto pieces = source.SplitToShapes(c.swell);
    TDPointList direct;
    direct.Assign(square);
    OffsetPolygon(direct, c.swell);
    ExpectPieces(*pieces, {{TShapeType::Polygon, direct.Items()}}, -1.0, 0.0);
    // The corner moves carry a GeomEps-sized bias; the outline is right to 4 decimals.
    ExpectPieces(*pieces, {{TShapeType::Polygon, c.expected}}, -1.0, 0.5e-4);
    EXPECT_EQ(source.Points().Count(), 4);
    EXPECT_EQ(source.Points()[2].x, 10.0);
  }
}

TEST_F(Split, EveryPieceIsEnabledAndCarriesTheSourceSideAndNet) {
  struct Source {
    TShapeType type;
    TDPointList points;
    int pieces;
  };
  const std::vector<Source> sources = {
      {TShapeType::Line, {{0, 0}, {3, 1}}, 1},
      {TShapeType::Arc, {{0, 0}, {1, 1}, {2, 0}}, 1},
      {TShapeType::Rectangle, {{0, 0}, {2, 3}}, 1},
      {TShapeType::FillRect, {{0, 0}, {2, 3}}, 1},
      {TShapeType::Obround, {{0, 0}, {4, 2}}, 4},
      {TShapeType::Obround, {{0, 0}, {2, 2}}, 1},
      {TShapeType::FillObround, {{0, 0}, {4, 2}}, 1},
      {TShapeType::Polyline, {{0, 0}, {1, 2}, {3, 1}}, 1},
      {TShapeType::Polygon, {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, 1},
  };
  TNet net(3, "CLK");
  for (const auto& s : sources) {
    for (double swell : {0.05, -0.02}) {
      SCOPED_TRACE(::testing::Message() << ShapeTypeToStr(s.type) << " swell " << swell);
      auto source = CreateShape(s.type, "Bottom", 0.125, s.points);
      source->SetLineWidth(0.2);
      source->SetNet(&net);
      source->SetEnabled(false);
      // A side set after construction, unlike what "Bottom" gives, is what pieces carry.
      source->SetLayer(TSolderMaskLayer::smlTop);
      const auto pieces = source->SplitToShapes(swell);
      ASSERT_EQ(pieces->Count(), s.pieces);
      for (const auto& piece : *pieces) {
        EXPECT_TRUE(piece->Enabled());
        EXPECT_EQ(piece->Layer(), TSolderMaskLayer::smlTop);
        EXPECT_EQ(piece->Net(), &net);
        EXPECT_EQ(piece->NetName(), "CLK");
        EXPECT_EQ(piece->CopperLayer(), "Bottom");
        const bool polygon = s.type == TShapeType::Polygon;
        EXPECT_EQ(piece->DefaultLineWidth(), polygon ? -1.0 : 0.125);
        EXPECT_EQ(piece->IsFilled(), piece->LineWidth() == -1.0);
      }
      EXPECT_FALSE(source->Enabled());
      EXPECT_EQ(source->LineWidth(), 0.2);
    }
  }
}

// ---- Validity of a polygon --------------------------------------------------------------

TEST_F(Split, PolygonSurvivesWhileItsOffsetOutlineStaysWideEnough) {
  const TDPointList square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const TDPointList strip{{0, 0}, {10, 0}, {10, 2}, {0, 2}};
  struct Case {
    const TDPointList* outline;
    double swell;
    bool correct;
  };
  const std::vector<Case> cases = {
      {&square, -1.0, true},   // 8 x 8 against 2
      {&square, -2.4, true},   // 5.2 x 5.2 against 4.8
      {&square, -2.6, false},  // 4.8 x 4.8 against 5.2
      {&square, -4.0, false}, {&square, 0.0, true},
      {&square, 1.0, true},   {&strip, -0.3, true},  // 1.4 high against 0.6
      {&strip, -0.45, true},                         // 1.1 high against 0.9
      {&strip, -0.55, false},                        // 0.9 high against 1.1
  };
  for (const auto& c : cases) {
    TShapePolygon polygon("Top", -1.0, *c.outline);
    EXPECT_EQ(polygon.IsCorrect(c.swell), c.correct) << "swell " << c.swell;
  }
}

TEST_F(Split, PolygonPieceWithFewerThanTwoPointsFailsWithoutBeingMeasured) {
  // A shrink of a single point leaves no point at all; a grow leaves the one point.
  struct Case {
    TDPointList points;
    double swell;
  };
  const std::vector<Case> cases = {
      {{{3, 4}}, -0.1}, {{{3, 4}}, 0.1}, {{{3, 4}}, 0.0}, {{}, -0.1}, {{}, 0.1},
  };
  for (const auto& c : cases) {
    TShapePolygon polygon("Top", -1.0, c.points);
    const auto pieces = polygon.SplitToShapes(c.swell);
    ASSERT_EQ(pieces->Count(), 1);
    EXPECT_LT((*pieces)[0].Points().Count(), 2);
    bool correct = true;
    EXPECT_NO_THROW(correct = polygon.IsCorrect(c.swell)) << "swell " << c.swell;
    EXPECT_FALSE(correct) << c.points.Count() << " points, swell " << c.swell;
  }
}

// Random outlines, spiky and self-touching ones among them: the validity test of a polygon
// never fails on its pieces, and whenever it passes, every piece has a box that clears
// twice the swell.
TEST_F(Split, PolygonValidityHoldsForRandomOutlines) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int passed = 0;
  int failed = 0;
  for (int round = 0; round < 300; ++round) {
    TDPointList outline;
    const int n = 2 + static_cast<int>(unit(rng) * 10);
    const double cx = unit(rng) * 20 - 10;
    const double cy = unit(rng) * 20 - 10;
    for (int i = 0; i < n; ++i) {
      const double angle = 2 * std::numbers::pi * (i + 0.8 * unit(rng)) / n;
      // Every fourth outline has spikes; every fifth repeats a vertex (touches itself).
      double radius = 1 + unit(rng) * 4;
      if (round % 4 == 0 && i % 2 == 1) radius *= 0.1;
      outline.Add({cx + radius * std::cos(angle), cy + radius * std::sin(angle)});
      if (round % 5 == 0 && i == n / 2) outline.Add(outline[0]);
    }
    const double swell = (unit(rng) - 0.6) * 3;
    SCOPED_TRACE(::testing::Message() << "round " << round << " swell " << swell);
    TShapePolygon polygon("Top", -1.0, outline);
    bool correct = false;
    ASSERT_NO_THROW(correct = polygon.IsCorrect(swell));
    const auto pieces = polygon.SplitToShapes(swell);
    if (correct) {
      ++passed;
      for (const auto& piece : *pieces) {
        ASSERT_GE(piece->Points().Count(), 2);
        const TShapeBoundingBox box = piece->BoundingBox();
        EXPECT_GT(box.Width(), std::abs(2 * swell));
        EXPECT_GT(box.Height(), std::abs(2 * swell));
      }
    } else {
      ++failed;
    }
  }
  // Both outcomes occur, so the property above is exercised both ways.
  EXPECT_GT(passed, 0);
  EXPECT_GT(failed, 0);
}

}  // namespace
