#include "plugin/offset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "plugin/offset_reference.h"
#include "plugin/tests/offset_test_util.h"

namespace {

using namespace offset_test;

// ---- Primitives ----------------------------------------------------------------------------

TEST_F(Offset, SegmentsIntersectTable) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    XY a1, a2, b1, b2;
    bool expected;
    XY x;  // checked when the lines are not parallel
  } cases[] = {
      {"proper crossing", {0, 0}, {10, 10}, {0, 10}, {10, 0}, true, {5, 5}},
      {"touching at both ends", {0, 0}, {10, 0}, {10, 0}, {10, 5}, true, {10, 0}},
      {"T touch inside one segment", {0, 0}, {10, 0}, {4, 0}, {4, 7}, true, {4, 0}},
      {"lines cross beyond one segment", {0, 0}, {10, 0}, {4, 1}, {4, 7}, false, {4, 0}},
      {"lines cross beyond both", {0, 0}, {1, 1}, {5, 0}, {6, -1}, false, {2.5, 2.5}},
      {"parallel apart", {0, 0}, {10, 0}, {0, 1}, {10, 1}, false, {inf, inf}},
      {"overlapping on one line", {0, 0}, {10, 0}, {5, 0}, {15, 0}, false, {inf, inf}},
      // The parallel test is the absolute determinant against GeomEps: crossing segments
      // 1e-3 long count as parallel.
      {"short crossing segments",
       {0, 0},
       {1e-3, 0},
       {5e-4, -5e-4},
       {5e-4, 5e-4},
       false,
       {inf, inf}},
  };
  for (const Case& c : cases) {
    TDPoint X;
    EXPECT_EQ(SegmentsIntersect({c.a1.x, c.a1.y}, {c.a2.x, c.a2.y}, {c.b1.x, c.b1.y},
                                {c.b2.x, c.b2.y}, X),
              c.expected)
        << c.name;
    if (std::isinf(c.x.x)) {
      EXPECT_EQ(X.x, inf) << c.name;
      EXPECT_EQ(X.y, inf) << c.name;
    } else {
      EXPECT_NEAR(X.x, c.x.x, 1e-12) << c.name;
      EXPECT_NEAR(X.y, c.x.y, 1e-12) << c.name;
    }
  }
}

TEST_F(Offset, AlignAngleTable) {
  const double T = 2 * Pi;
  struct Case {
    const char* name;
    double ref, a, expected;
  } cases[] = {
      {"within pi stays", 0.0, 3.0, 3.0},
      {"exactly pi apart stays", Pi, 0.0, 0.0},
      {"one turn down", 0.0, T + 0.25, 0.25},
      {"one turn up", 0.0, -T - 0.25, -0.25},
      {"opposite ends of the range", Pi, -Pi, Pi},
      {"several turns", 1.0, 1.0 + 5 * T, 1.0},
      // d / 2pi = 2.5 exactly: the half goes to the even integer 2, not to 3.
      {"half turn goes to even", 0.0, -2.5 * T, -Pi},
      {"half turn goes to even (1.5)", 0.0, -1.5 * T, Pi},
  };
  for (const Case& c : cases) {
    double a = c.a;
    AlignAngle(c.ref, a);
    EXPECT_NEAR(a, c.expected, 1e-12) << c.name;
  }
  ASSERT_EQ((0.0 - (-2.5 * T)) / T, 2.5);  // the half case above is a true half
  ASSERT_EQ((0.0 - (-1.5 * T)) / T, 1.5);
}

// ---- Neighbour search ----------------------------------------------------------------------

TEST_F(Offset, NeighbourSearchSkipsDuplicatesAndTheClosingVertex) {
  const TDPointList ring =
      Poly({{0, 0}, {0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5e-7}});  // last ~ first
  struct Case {
    int i;
    XY prev, next;
  } cases[] = {
      {0, {0, 10}, {10, 0}},  // skips the near-equal closing vertex and the duplicate
      {1, {0, 10}, {10, 0}},  // the duplicate finds the same neighbours
      {2, {0, 0}, {10, 10}},  // skips its own duplicate forwards
      {3, {0, 0}, {10, 10}}, {5, {10, 10}, {0, 5e-7}},  // 5e-7 away counts as equal only to (0, 0)
      {6, {0, 10}, {10, 0}},                            // wraps forwards over both copies of (0, 0)
  };
  ref::TNeighbourSearch search;
  for (const Case& c : cases) {
    search.Find(ring, c.i);
    EXPECT_EQ(search.Prev().x, c.prev.x) << c.i;
    EXPECT_EQ(search.Prev().y, c.prev.y) << c.i;
    EXPECT_EQ(search.Next().x, c.next.x) << c.i;
    EXPECT_EQ(search.Next().y, c.next.y) << c.i;
  }
}

TEST_F(Offset, NeighbourSearchWithoutDistinctCandidate) {
  // A single point: both directions only ever see the point itself.
  ref::TNeighbourSearch single;
  const TDPointList one = Poly({{3, 4}});
  single.Find(one, 0);
  EXPECT_TRUE(SameBits(single.Prev(), one[0]));
  EXPECT_TRUE(SameBits(single.Next(), one[0]));

  // 150 copies of one point then a distinct one: the search gives up after 101 candidates,
  // so from the middle of the run neither direction reaches the distinct point.
  TDPointList run;
  for (int k = 0; k < 150; ++k) run.Add(TDPoint{1, 1});
  run.Add(TDPoint{9, 9});
  ref::TNeighbourSearch search;
  search.Find(run, 10);  // 140 steps forward, 11 backward (wrapping) to (9, 9)
  EXPECT_EQ(search.Prev().x, 9.0);
  EXPECT_EQ(search.Next().x, 1.0);
  search.Find(run, 120);  // 30 forward, 121 backward
  EXPECT_EQ(search.Prev().x, 1.0);
  EXPECT_EQ(search.Next().x, 9.0);
  search.Find(run, 49);  // exactly 101 forward: still found
  EXPECT_EQ(search.Next().x, 9.0);
  search.Find(run, 48);  // 102 forward: out of reach
  EXPECT_EQ(search.Next().x, 1.0);
}

TEST_F(Offset, NeighbourSearchComparesTheEuclideanDistance) {
  // 0.9 GeomEps apart on both axes: inside the square window of point equality, but
  // 1.27 GeomEps away, so it is a distinct neighbour.
  const double e = 0.9 * GeomEpsMm;
  const TDPointList ring = Poly({{0, 0}, {e, e}, {10, 0}, {0, 10}});
  ASSERT_TRUE(ring[0] == ring[1]);
  ref::TNeighbourSearch search;
  search.Find(ring, 0);
  EXPECT_EQ(search.Next().x, e);
  search.Find(ring, 1);
  EXPECT_EQ(search.Prev().y, 0.0);
}

// ---- Corner point --------------------------------------------------------------------------

TEST_F(Offset, CornerPointTable) {
  const TDPointList square = Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  const TDPointList lshape = Poly({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}});
  const TDPointList notch = Poly({{0, 0}, {20, 0}, {20, 20}, {10, 2}, {0, 20}});
  // Spikes of 2 and 3 degrees on top of a square: the cosine limit lies between them.
  const double h2 = 50 * std::tan(1.0 * Pi / 180), h3 = 50 * std::tan(1.5 * Pi / 180);
  const TDPointList spike2 =
      Poly({{0, 0}, {10, 0}, {10, 10}, {5 + h2, 10}, {5, 60}, {5 - h2, 10}, {0, 10}});
  const TDPointList spike3 =
      Poly({{0, 0}, {10, 0}, {10, 10}, {5 + h3, 10}, {5, 60}, {5 - h3, 10}, {0, 10}});
  const TDPointList slab = Poly({{0, 0}, {1, 0}, {1, 10}, {0, 10}});
  const TDPointList spike =
      Poly({{0, 0}, {10, 0}, {10, 10}, {5.05, 10}, {5.025, 100}, {5, 10}, {0, 10}});
  const double s2 = std::sqrt(2.0);
  struct Case {
    const char* name;
    const TDPointList* poly;
    int vertex;
    double d;
    ref::TOffsetDirection dir;
    XY n;
    double move;
    bool loop, flipped, rounded;
  } cases[] = {
      {"grow convex corner",
       &square,
       0,
       1,
       ref::TOffsetDirection::Grow,
       {-1, -1},
       s2,
       false,
       true,
       false},
      {"grow convex corner, no flip",
       &square,
       2,
       1,
       ref::TOffsetDirection::Grow,
       {11, 11},
       s2,
       false,
       false,
       false},
      {"shrink convex corner",
       &square,
       0,
       1,
       ref::TOffsetDirection::Shrink,
       {1, 1},
       s2,
       false,
       false,
       false},
      {"shrink right-angled reflex corner",
       &lshape,
       3,
       1,
       ref::TOffsetDirection::Shrink,
       {9, 9},
       s2,
       false,
       true,
       false},
      {"shrink sharp reflex corner",
       &notch,
       3,
       1,
       ref::TOffsetDirection::Shrink,
       {10, -0.0591},
       2.0591,
       false,
       true,
       true},
      {"move longer than half an edge",
       &square,
       1,
       4,
       ref::TOffsetDirection::Shrink,
       {6, 4},
       4 * s2,
       true,
       false,
       false},
      {"move longer than half the next edge",
       &slab,
       0,
       0.4,
       ref::TOffsetDirection::Shrink,
       {0.4, 0.4},
       0.4 * s2,
       true,
       false,
       false},
      {"move longer than half the previous edge",
       &slab,
       1,
       0.4,
       ref::TOffsetDirection::Shrink,
       {0.6, 0.4},
       0.4 * s2,
       true,
       false,
       false},
      {"move shorter than half of both edges",
       &slab,
       1,
       0.3,
       ref::TOffsetDirection::Shrink,
       {0.7, 0.3},
       0.3 * s2,
       false,
       false,
       false},
      {"2 degree spike: cosine above the limit, moved by d",
       &spike2,
       4,
       0.5,
       ref::TOffsetDirection::Grow,
       {5, 60.5},
       0.5,
       false,
       true,
       false},
      {"3 degree spike: cosine below the limit, moved by d / sin 1.5",
       &spike3,
       4,
       0.5,
       ref::TOffsetDirection::Grow,
       {5, 79.0869},
       19.0869,
       false,
       true,
       false},
      // The spike tip's edges are nearly parallel (cosine above the limit): moved by d only.
      {"spike tip moves by d",
       &spike,
       4,
       1,
       ref::TOffsetDirection::Grow,
       {5.025, 101},
       1,
       false,
       true,
       false},
  };
  for (const Case& c : cases) {
    ref::TNeighbourSearch search;
    for (int i = 0; i <= c.vertex; ++i) search.Find(*c.poly, i);
    const ref::TCorner corner =
        ref::CornerPoint((*c.poly)[c.vertex], search.Prev(), search.Next(), c.d, *c.poly, c.dir);
    EXPECT_NEAR(corner.N.x, c.n.x, 1e-4) << c.name;
    EXPECT_NEAR(corner.N.y, c.n.y, 1e-4) << c.name;
    EXPECT_NEAR(corner.Move, c.move, 1e-4) << c.name;
    EXPECT_EQ(corner.Loop, c.loop) << c.name;
    EXPECT_EQ(corner.Flipped, c.flipped) << c.name;
    EXPECT_EQ(corner.Rounded, c.rounded) << c.name;
  }
}

TEST_F(Offset, CornerPointRoundingThresholdSitsJustAboveSqrt2) {
  // A reflex corner of outside angle t: the move is d / sin(t/2); rounded when above 1.42 d.
  struct Case {
    double outsideDegrees;
    bool rounded;
  } cases[] = {{90.0, false}, {89.6, false}, {89.4, true}, {60.0, true}, {120.0, false}};
  for (const Case& c : cases) {
    const double t = c.outsideDegrees * Pi / 180;
    // Vertex (0, 0) of a polygon whose inside wraps around it; edges leave at +-t/2 from +y.
    const TDPoint prev{-10 * std::sin(t / 2), 10 * std::cos(t / 2)};
    const TDPoint next{10 * std::sin(t / 2), 10 * std::cos(t / 2)};
    const TDPointList poly =
        Poly({{0, 0}, {next.x, next.y}, {next.x, -20}, {prev.x, -20}, {prev.x, prev.y}});
    const ref::TCorner corner =
        ref::CornerPoint({0, 0}, prev, next, 1.0, poly, ref::TOffsetDirection::Shrink);
    EXPECT_TRUE(corner.Flipped) << c.outsideDegrees;
    EXPECT_EQ(corner.Rounded, c.rounded) << c.outsideDegrees;
    // Straight down, away from the notch.
    EXPECT_NEAR(corner.N.x, 0.0, 1e-9) << c.outsideDegrees;
    EXPECT_NEAR(corner.N.y, -1 / std::sin(t / 2), 1e-4) << c.outsideDegrees;
  }
}

TEST_F(Offset, CornerPointTurnsOffBisectorMoveByQuarterTurn) {
  // A missing previous neighbour (u = 0): the plain average of the angles (pi/4) is on no
  // bisector of u and v, so the direction turns by pi/2.
  const TDPointList none;  // no reference polygon: every probe is outside
  const ref::TCorner corner =
      ref::CornerPoint({0, 0}, {0, 0}, {0, 10}, 2.0, none, ref::TOffsetDirection::Grow);
  EXPECT_NEAR(corner.Angle, 3 * Pi / 4, 1e-12);
  EXPECT_NEAR(corner.N.x, 2 * std::cos(3 * Pi / 4), 1e-12);
  EXPECT_NEAR(corner.N.y, 2 * std::sin(3 * Pi / 4), 1e-12);
  EXPECT_TRUE(corner.Loop);  // |u|/2 = 0 is below the move
}

// ---- Grow and shrink: the worked examples ---------------------------------------------------

struct Example {
  const char* name;
  TDPointList input;
  double delta;
  std::string expected;
};

TEST_F(Offset, WorkedExamples) {
  const TDPointList square = Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  TDPointList squareClosed = square;
  squareClosed.Add(TDPoint{0, 0});
  const TDPointList u =
      Poly({{0, 0}, {30, 0}, {30, 20}, {16, 20}, {16, 5}, {14, 5}, {14, 20}, {0, 20}});
  TDPointList uClosed = u;
  uClosed.Add(TDPoint{0, 0});
  const std::string uGrown = Rounded({{-3, -3}, {33, -3}, {33, 23}, {13, 23}, {-3, 23}});
  const std::string notchShrunk = Rounded({{1, 1},
                                           {19, 1},
                                           {19, 16.1409},
                                           {10.8742, 1.5144},
                                           {10.5071, 1.1381},
                                           {10, 1},
                                           {9.4929, 1.1381},
                                           {9.1258, 1.5144},
                                           {1, 16.1409}});
  const Example examples[] = {
      {"grow square", square, 1, Rounded({{-1, -1}, {11, -1}, {11, 11}, {-1, 11}})},
      {"grow square clockwise", Reversed(square), 1,
       Rounded({{-1, 11}, {11, 11}, {11, -1}, {-1, -1}})},
      {"shrink square", square, -1, Rounded({{1, 1}, {9, 1}, {9, 9}, {1, 9}})},
      {"shrink square clockwise", Reversed(square), -1, Rounded({{1, 9}, {9, 9}, {9, 1}, {1, 1}})},
      {"shrink L-shape: one point at the reflex corner",
       Poly({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}), -1,
       Rounded({{1, 1}, {19, 1}, {19, 9}, {9, 9}, {9, 19}, {1, 19}})},
      {"shrink notch: five rounded points", Poly({{0, 0}, {20, 0}, {20, 20}, {10, 2}, {0, 20}}), -1,
       notchShrunk},
      {"grow U-shape: the slot closes", u, 3, uGrown},
      {"grow U-shape repeating its first vertex: no closing vertex after the loop removal", uClosed,
       3, uGrown},
      {"grow square repeating its first vertex: five points, no loop removal", squareClosed, 1,
       Rounded({{-1, -1}, {11, -1}, {11, 11}, {-1, 11}, {-1, -1}})},
      {"shrink a single point: empty", Poly({{3, 4}}), -1, ""},
      {"grow a single point: unchanged", Poly({{3, 4}}), 5, Rounded({{3, 4}})},
      {"shrink nothing: nothing", TDPointList{}, -1, ""},
  };
  for (const Example& e : examples) {
    TDPointList points = e.input;
    OffsetPolygon(points, e.delta);
    EXPECT_EQ(Rounded(points), e.expected) << e.name;
  }
  // The reflex corner of the L-shape lies sqrt 2 from its vertex along the inward bisector.
  TDPointList l = Poly({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}});
  OffsetPolygon(l, -1);
  ASSERT_EQ(l.Count(), 6);
  EXPECT_NEAR(l[3].Distance(TDPoint{10, 10}), std::sqrt(2.0), 1e-4);
  EXPECT_NEAR(l[3].x - 10, l[3].y - 10, 1e-12);
  // The five rounded points of the notch are all at distance 1 from the notch vertex.
  TDPointList notch = Poly({{0, 0}, {20, 0}, {20, 20}, {10, 2}, {0, 20}});
  ShrinkPolygon(notch, 1);
  ASSERT_EQ(notch.Count(), 9);
  for (int k = 3; k < 8; ++k) EXPECT_NEAR(notch[k].Distance(TDPoint{10, 2}), 1.0, 1e-12) << k;
  EXPECT_EQ(notch.Capacity(), notch.Count());  // the shrink trims the capacity
}

TEST_F(Offset, ZeroAndNegativeZeroLeaveEveryPointInPlace) {
  const TDPointList lists[] = {
      Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}),
      Poly({{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
      Poly({{3, 4}}),  // a shrink would empty this one
      Poly({{0, 0}, {20, 0}, {20, 20}, {10, 2}, {0, 20}}),
  };
  for (double delta : {0.0, -0.0}) {
    for (const TDPointList& input : lists) {
      TDPointList points = input;
      OffsetPolygon(points, delta);
      ASSERT_EQ(points.Count(), input.Count()) << delta;
      for (int i = 0; i < input.Count(); ++i) {
        EXPECT_TRUE(SameBits(points[i], input[i])) << delta << " point " << i;
      }
    }
  }
  // Only a truly negative distance shrinks.
  TDPointList one = Poly({{3, 4}});
  OffsetPolygon(one, -1e-300);
  EXPECT_EQ(one.Count(), 0);
}

TEST_F(Offset, ExamplesHoldInInchUnits) {
  // The tolerances scale with the document unit: the square in inches gives the same outline.
  RescaleTolerances(UnitInch);
  TDPointList square = Poly({{0, 0}, {0.4, 0}, {0.4, 0.4}, {0, 0.4}});
  TDPointList grown = square;
  OffsetPolygon(grown, 0.04);
  EXPECT_EQ(Rounded(grown), Rounded({{-0.04, -0.04}, {0.44, -0.04}, {0.44, 0.44}, {-0.04, 0.44}}));
  OffsetPolygon(square, -0.04);
  EXPECT_EQ(Rounded(square), Rounded({{0.04, 0.04}, {0.36, 0.04}, {0.36, 0.36}, {0.04, 0.36}}));
}

// ---- Loop removal --------------------------------------------------------------------------

TEST_F(Offset, LoopRemovalCutsTheShorterLoop) {
  // The segment (12,8)-(8,8) crosses the edge (10,0)-(10,10) at (10,8): the small loop over
  // (10,10) and (12,8) is cut, and entry 2 takes the crossing with its own source index.
  std::vector<ref::TOffsetEntry> ring =
      Entries({{0, 0}, {10, 0}, {10, 10}, {12, 8}, {8, 8}, {0, 10}, {0, 0}}, {0, 1, 2, 3, 4, 5, 0});
  ref::RemoveLoops(ring);
  ASSERT_EQ(ring.size(), 6u);
  const XY points[] = {{0, 0}, {10, 0}, {10, 8}, {8, 8}, {0, 10}, {0, 0}};
  const int sources[] = {0, 1, 2, 4, 5, 0};
  for (std::size_t k = 0; k < ring.size(); ++k) {
    EXPECT_NEAR(ring[k].Point.x, points[k].x, 1e-9) << k;
    EXPECT_NEAR(ring[k].Point.y, points[k].y, 1e-9) << k;
    EXPECT_EQ(ring[k].Source, sources[k]) << k;
  }
}

TEST_F(Offset, LoopRemovalKeepsTheLongerLoop) {
  // The segment (10,10)-(5,-1) crosses the bottom edge at (5.4545,0); the part through
  // (10,0) and (10,10) is the longer one and is kept, the rest dropped: X, (10,0), (10,10), X.
  // With the crossing on the second edge the kept part also moves down to the front.
  const double x = 10 - 50.0 / 11;
  const std::string kept = Rounded({{x, 0}, {10, 0}, {10, 10}, {x, 0}});
  const std::vector<TDPoint> rings[] = {
      {{0, 0}, {10, 0}, {10, 10}, {5, -1}, {0, 0}},
      {{0, 0}, {3, 0}, {10, 0}, {10, 10}, {5, -1}, {0, 0}},
  };
  for (std::vector<TDPoint> ring : rings) {
    const std::size_t count = ring.size();
    ref::RemoveLoops(ring);
    ASSERT_EQ(ring.size(), 4u) << count;
    EXPECT_EQ(Rounded(TDPointList{ring[0], ring[1], ring[2], ring[3]}), kept) << count;
    EXPECT_TRUE(SameBits(ring.front(), ring.back())) << count;  // still closed
  }
}

TEST_F(Offset, DuplicatedVertexChangesNoOutline) {
  // Two equal consecutive points make a segment of zero length. Taken literally, every point
  // lies on such a segment, and the loop removal then cuts real corners away (the U grown
  // by 3 with its second vertex doubled lost its corner (-3,-3)). A duplicate anywhere must
  // give the outline of the plain polygon.
  const TDPointList u =
      Poly({{0, 0}, {30, 0}, {30, 20}, {16, 20}, {16, 5}, {14, 5}, {14, 20}, {0, 20}});
  for (double delta : {3.0, -0.9, -1.5}) {
    TDPointList plain = u;
    OffsetPolygon(plain, delta);
    ASSERT_GT(plain.Count(), 2) << delta;
    for (int k = 0; k < u.Count(); ++k) {
      TDPointList doubled = u;
      doubled.Insert(k, u[k]);
      OffsetPolygon(doubled, delta);
      EXPECT_EQ(Rounded(WithoutRepeats(doubled)), Rounded(plain)) << delta << " vertex " << k;
    }
  }
}

TEST_F(Offset, LoopRemovalTreatsAZeroLengthSegmentAsAPoint) {
  // The doubled (20,0) is no segment that (0,10) could lie on: read literally, the last
  // edge "touches" it and the corner (15,10) is cut away. Only the repeat may go.
  std::vector<TDPoint> ring = {{0, 0}, {20, 0}, {20, 0}, {15, 10}, {0, 10}, {0, 0}};
  ref::RemoveLoops(ring);
  EXPECT_EQ(Rounded(WithoutRepeats(ListOf(ring))),
            Rounded({{0, 0}, {20, 0}, {15, 10}, {0, 10}, {0, 0}}));
}

TEST_F(Offset, LoopRemovalLeavesASimpleRingAsItIs) {
  std::vector<TDPoint> ring = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  const std::vector<TDPoint> before = ring;
  ref::RemoveLoops(ring);
  ASSERT_EQ(ring.size(), before.size());
  for (std::size_t k = 0; k < ring.size(); ++k) {
    EXPECT_NEAR(ring[k].x, before[k].x, 1e-12);
    EXPECT_NEAR(ring[k].y, before[k].y, 1e-12);
  }
}

}  // namespace
