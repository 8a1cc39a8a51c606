#include "plugin/offset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "plugin/offset_reference.h"

namespace {

namespace ref = offset_reference;
constexpr double Pi = std::numbers::pi;

// Polygons per random run (about a tenth of a second on either target).
constexpr int RandomPolygonCount = 400;

class Offset : public ::testing::Test {
 protected:
  void SetUp() override { ResetTolerances(); }
  void TearDown() override { ResetTolerances(); }
};

struct XY {
  double x, y;
};

TDPointList Poly(std::initializer_list<XY> points) {
  TDPointList list;
  for (const XY& p : points) list.Add(TDPoint{p.x, p.y});
  return list;
}

TDPointList ListOf(const std::vector<TDPoint>& points) {
  TDPointList out;
  for (const TDPoint& p : points) out.Add(p);
  return out;
}

TDPointList Reversed(const TDPointList& list) {
  TDPointList out;
  for (int i = list.Count() - 1; i >= 0; --i) out.Add(list[i]);
  return out;
}

// The rounded 4-decimal values, as a person would read them off a print-out.
std::string Rounded(const TDPointList& list) {
  std::string out;
  char buf[64];
  for (const TDPoint& p : list) {
    // +0.0 turns a rounded negative zero into "0.0000".
    std::snprintf(buf, sizeof buf, "(%.4f,%.4f) ", std::round(p.x * 1e4) / 1e4 + 0.0,
                  std::round(p.y * 1e4) / 1e4 + 0.0);
    out += buf;
  }
  return out;
}
std::string Rounded(std::initializer_list<XY> points) { return Rounded(Poly(points)); }

bool SameBits(const TDPoint& a, const TDPoint& b) {
  return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y);
}

std::string Snapshot(const std::vector<ref::TOffsetEntry>& entries) {
  std::string s;
  for (const ref::TOffsetEntry& e : entries) {
    char buf[sizeof(double) * 2 + sizeof(int)];
    std::memcpy(buf, &e.Point.x, sizeof(double));
    std::memcpy(buf + sizeof(double), &e.Point.y, sizeof(double));
    std::memcpy(buf + 2 * sizeof(double), &e.Source, sizeof(int));
    s.append(buf, sizeof buf);
  }
  return s;
}

std::vector<ref::TOffsetEntry> Entries(std::initializer_list<XY> points, std::vector<int> sources) {
  std::vector<ref::TOffsetEntry> out;
  std::size_t k = 0;
  for (const XY& p : points) out.push_back(ref::TOffsetEntry{TDPoint{p.x, p.y}, sources[k++]});
  return out;
}

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
      {"short crossing segments", {0, 0}, {1e-3, 0}, {5e-4, -5e-4}, {5e-4, 5e-4}, false, {inf, inf}},
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
      {0, {0, 10}, {10, 0}},   // skips the near-equal closing vertex and the duplicate
      {1, {0, 10}, {10, 0}},   // the duplicate finds the same neighbours
      {2, {0, 0}, {10, 10}},   // skips its own duplicate forwards
      {3, {0, 0}, {10, 10}},
      {5, {10, 10}, {0, 5e-7}},  // 5e-7 away counts as equal only to (0, 0)
      {6, {0, 10}, {10, 0}},   // wraps forwards over both copies of (0, 0)
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
      {"grow convex corner", &square, 0, 1, ref::TOffsetDirection::Grow, {-1, -1}, s2, false, true,
       false},
      {"grow convex corner, no flip", &square, 2, 1, ref::TOffsetDirection::Grow, {11, 11}, s2,
       false, false, false},
      {"shrink convex corner", &square, 0, 1, ref::TOffsetDirection::Shrink, {1, 1}, s2, false,
       false, false},
      {"shrink right-angled reflex corner", &lshape, 3, 1, ref::TOffsetDirection::Shrink, {9, 9}, s2,
       false, true, false},
      {"shrink sharp reflex corner", &notch, 3, 1, ref::TOffsetDirection::Shrink, {10, -0.0591},
       2.0591, false, true, true},
      {"move longer than half an edge", &square, 1, 4, ref::TOffsetDirection::Shrink, {6, 4}, 4 * s2,
       true, false, false},
      {"move longer than half the next edge", &slab, 0, 0.4, ref::TOffsetDirection::Shrink,
       {0.4, 0.4}, 0.4 * s2, true, false, false},
      {"move longer than half the previous edge", &slab, 1, 0.4, ref::TOffsetDirection::Shrink,
       {0.6, 0.4}, 0.4 * s2, true, false, false},
      {"move shorter than half of both edges", &slab, 1, 0.3, ref::TOffsetDirection::Shrink,
       {0.7, 0.3}, 0.3 * s2, false, false, false},
      {"2 degree spike: cosine above the limit, moved by d", &spike2, 4, 0.5,
       ref::TOffsetDirection::Grow, {5, 60.5}, 0.5, false, true, false},
      {"3 degree spike: cosine below the limit, moved by d / sin 1.5", &spike3, 4, 0.5,
       ref::TOffsetDirection::Grow, {5, 79.0869}, 19.0869, false, true, false},
      // The spike tip's edges are nearly parallel (cosine above the limit): moved by d only.
      {"spike tip moves by d", &spike, 4, 1, ref::TOffsetDirection::Grow, {5.025, 101}, 1, false,
       true, false},
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
    const TDPointList poly = Poly({{0, 0}, {next.x, next.y}, {next.x, -20}, {prev.x, -20}, {prev.x, prev.y}});
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
  const TDPointList u = Poly({{0, 0}, {30, 0}, {30, 20}, {16, 20}, {16, 5}, {14, 5}, {14, 20}, {0, 20}});
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
      {"grow square clockwise", Reversed(square), 1, Rounded({{-1, 11}, {11, 11}, {11, -1}, {-1, -1}})},
      {"shrink square", square, -1, Rounded({{1, 1}, {9, 1}, {9, 9}, {1, 9}})},
      {"shrink square clockwise", Reversed(square), -1, Rounded({{1, 9}, {9, 9}, {9, 1}, {1, 1}})},
      {"shrink L-shape: one point at the reflex corner",
       Poly({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}), -1,
       Rounded({{1, 1}, {19, 1}, {19, 9}, {9, 9}, {9, 19}, {1, 19}})},
      {"shrink notch: five rounded points",
       Poly({{0, 0}, {20, 0}, {20, 20}, {10, 2}, {0, 20}}), -1, notchShrunk},
      {"grow U-shape: the slot closes", u, 3, uGrown},
      {"grow U-shape repeating its first vertex: no closing vertex after the loop removal",
       uClosed, 3, uGrown},
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

TDPointList WithoutRepeats(const TDPointList& list) {
  TDPointList out;
  for (const TDPoint& p : list) {
    if (out.Count() == 0 || p.Distance(out.Last()) > GeomEps) out.Add(p);
  }
  return out;
}

TEST_F(Offset, DuplicatedVertexChangesNoOutline) {
  // Two equal consecutive points make a segment of zero length. Taken literally, every point
  // lies on such a segment, and the loop removal then cuts real corners away (the U grown
  // by 3 with its second vertex doubled lost its corner (-3,-3)). A duplicate anywhere must
  // give the outline of the plain polygon.
  const TDPointList u = Poly({{0, 0}, {30, 0}, {30, 20}, {16, 20}, {16, 5}, {14, 5}, {14, 20}, {0, 20}});
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

// ---- The shrink's clean-up -----------------------------------------------------------------

const TDPointList& CyclingOutline() {
  static const TDPointList outline = Poly({{0, 0}, {7, 0}, {7, 4}, {1, 4}, {1, 5}, {0, 5}});
  return outline;
}

TEST_F(Offset, CleanUpThatWouldCycleForeverStopsAtTheFirstRepeatedList) {
  std::vector<ref::TOffsetEntry> entries = ref::ShrinkRing(CyclingOutline(), 2.5);
  const std::size_t m = entries.size();
  std::vector<std::string> starts;
  std::vector<TDPoint> firstEntry;
  ref::TCleanupOptions options;
  options.OnPass = [&](long long, const std::vector<ref::TOffsetEntry>& list) {
    starts.push_back(Snapshot(list));
    firstEntry.push_back(list[0].Point);
  };
  const ref::TCleanupResult result = ref::CleanUp(entries, CyclingOutline(), 2.5, options);
  ASSERT_EQ(result.Stop, ref::TCleanupStop::Repeat);
  EXPECT_EQ(result.Passes - result.RepeatOf, 3);  // the list comes back every 3 passes
  // The stop came at the first pass whose start list had been seen before, bit for bit.
  ASSERT_EQ(starts.size(), static_cast<std::size_t>(result.Passes) + 1);
  EXPECT_EQ(starts.back(), starts[static_cast<std::size_t>(result.RepeatOf)]);
  std::map<std::string, int> seen;
  for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
    EXPECT_TRUE(seen.emplace(starts[k], static_cast<int>(k)).second) << "earlier repeat at " << k;
  }
  // ... and kept that list.
  EXPECT_EQ(Snapshot(entries), starts.back());
  EXPECT_EQ(m, 6u);
  EXPECT_EQ(entries.size(), 5u);  // the first pass deleted one entry
  // From the fourth pass on the first entry goes round three places, found in turn against
  // three different edges.
  ASSERT_GE(firstEntry.size(), 10u);
  const std::string cycle[] = {Rounded({{2.9999, 2.5}}), Rounded({{-1.0001, 2.5}}),
                               Rounded({{2.4999, 2.5}})};
  for (std::size_t k = 4; k < firstEntry.size(); ++k) {
    EXPECT_EQ(Rounded(TDPointList{firstEntry[k]}), cycle[(k - 4) % 3]) << "pass " << k;
  }

  // The public shrink ends too, with the same list.
  TDPointList points = CyclingOutline();
  OffsetPolygon(points, -2.5);
  ASSERT_EQ(points.Count(), static_cast<int>(entries.size()));
  for (int i = 0; i < points.Count(); ++i) EXPECT_TRUE(SameBits(points[i], entries[i].Point)) << i;
}

TEST_F(Offset, CleanUpLastGuardCountsPasses) {
  // With the repeat test off only the guard ends the cycling clean-up: after 1000 m + 1000
  // passes, m the entries it began with.
  std::vector<ref::TOffsetEntry> entries = ref::ShrinkRing(CyclingOutline(), 2.5);
  const long long m = static_cast<long long>(entries.size());
  ref::TCleanupOptions options;
  options.DetectRepeats = false;
  const ref::TCleanupResult result = ref::CleanUp(entries, CyclingOutline(), 2.5, options);
  EXPECT_EQ(result.Stop, ref::TCleanupStop::PassLimit);
  EXPECT_EQ(result.Passes, 1000 * m + 1000);

  std::vector<ref::TOffsetEntry> again = ref::ShrinkRing(CyclingOutline(), 2.5);
  options.PassLimit = 7;
  EXPECT_EQ(ref::CleanUp(again, CyclingOutline(), 2.5, options).Passes, 7);
}

TEST_F(Offset, CleanUpThatWandersWithoutRepeatingEndsAtTheGuard) {
  // A random star shrunk by 3.59: after four passes one entry moves on for ever among
  // nearby places without ever coming back bit for bit. Only the guard ends it, after
  // 1000 * 8 + 1000 passes.
  const TDPointList star = Poly({{5.0434814182941832, 0.29877865007578147},
                                 {7.7786376813778864, 1.019381855831812},
                                 {1.479801689750649, 0.27043201661911326},
                                 {8.247801914977444, 1.6959836807096269},
                                 {1.497412232630013, 1.7171024663735159},
                                 {0.74157782502156955, 0.97296391318011477},
                                 {0.63337966511528931, 0.94167011806799372},
                                 {0.26544253543497565, 0.8944714069990094},
                                 {-2.8071945975149855, 4.3722505154785569},
                                 {-7.1812991733719747, 4.5453863533170882},
                                 {-3.1657269442314169, 1.9991813265419323},
                                 {-6.6935863995789413, 2.6139013073643711},
                                 {-7.1533875609444655, -0.51158927781321917},
                                 {-7.5252750518449458, -1.1787320582501772},
                                 {-1.097082268997928, -1.0446736916342374},
                                 {-0.45857434413797804, -4.8318895241295206},
                                 {0.2802853807035689, -1.6332779627179015},
                                 {0.51373807686956074, -0.61174443088187924},
                                 {0.76619930985689211, -0.10510271313022909},
                                 {3.261047934087931, -0.18863174260632973}});
  const double d = 3.5856490625534208;
  std::vector<ref::TOffsetEntry> entries = ref::ShrinkRing(star, d);
  ASSERT_EQ(entries.size(), 8u);
  const ref::TCleanupResult result = ref::CleanUp(entries, star, d);
  EXPECT_EQ(result.Stop, ref::TCleanupStop::PassLimit);
  EXPECT_EQ(result.Passes, 9000);
  EXPECT_EQ(entries.size(), 5u);
  TDPointList points = star;
  ShrinkPolygon(points, d);
  EXPECT_EQ(points.Count(), 5);
}

TEST_F(Offset, CleanUpEndsWithThePointsLeftWhenTheMergesLeaveOne) {
  // Three entries within ProbeStep of each other, all too close to the bottom edge: the
  // backward merge deletes two, and the clean-up ends with the one left, unmoved.
  const TDPointList square = Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  std::vector<ref::TOffsetEntry> entries =
      Entries({{5, 0.5}, {5 + 1e-5, 0.5}, {5 + 2e-5, 0.5}}, {1, 1, 1});
  const ref::TCleanupResult result = ref::CleanUp(entries, square, 1.0);
  EXPECT_EQ(result.Stop, ref::TCleanupStop::MergedAway);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Point.x, 5.0);
  EXPECT_EQ(entries[0].Point.y, 0.5);
}

TEST_F(Offset, CleanUpPullsAnEntryBackToTheClearanceBand) {
  // One entry sits 0.5 from the bottom edge of a 10 x 10 square shrunk by 1. The probe
  // towards (1,2) changes the distance more than the one towards (9,1), so the entry is
  // bisected towards (1,2) until it lies within ProbeStep of distance 1 from that edge:
  // eleven halvings, all exact in binary.
  // An entry 0.998 from the top edge is within the slack and stays where it is.
  const TDPointList square = Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  std::vector<ref::TOffsetEntry> entries =
      Entries({{1, 2}, {3, 0.5}, {9, 1}, {9, 9}, {5, 9.002}, {1, 9}}, {0, 1, 1, 2, 2, 3});
  const ref::TCleanupResult result = ref::CleanUp(entries, square, 1.0);
  EXPECT_EQ(result.Stop, ref::TCleanupStop::NothingFound);
  EXPECT_EQ(result.Passes, 1);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[4].Point.y, 9.002);
  EXPECT_EQ(entries[1].Point.x, 2.3330078125);
  EXPECT_EQ(entries[1].Point.y, 1.000244140625);
  EXPECT_EQ(entries[1].Source, 1);

  // With the neighbour towards which it would move too close to the edge, it is deleted.
  std::vector<ref::TOffsetEntry> doomed =
      Entries({{1, 1.0002}, {3, 0.5}, {9, 1}, {9, 9}, {1, 9}}, {0, 1, 1, 2, 3});
  ref::CleanUp(doomed, square, 1.0);
  ASSERT_EQ(doomed.size(), 4u);
  EXPECT_EQ(doomed[1].Point.x, 9.0);
  // Entries far enough from every edge are not touched.
  EXPECT_EQ(entries[3].Point.x, 9.0);
  EXPECT_EQ(entries[3].Point.y, 9.0);
}

bool OnLine(const TDPoint& q, const TDPoint& a, const TDPoint& b) {
  return std::abs((b - a).Normalized().Cross(q - a)) < 1e-9;
}

TEST_F(Offset, CleanUpMergesEntriesOnTopOfTheFoundOne) {
  struct Case {
    const char* name;
    TDPointList input;
    std::vector<ref::TOffsetEntry> entries;
    std::vector<int> sourcesAfter;  // which entries survive, by source
    int moved;                      // index of the entry that was pulled back
    XY from, towards;               // the segment it was pulled along
  };
  const TDPointList square = Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  // Seven vertices: an entry from vertex 6 does not look at the edge (10,0)-(15,0).
  const TDPointList strip = Poly({{0, 0}, {5, 0}, {10, 0}, {15, 0}, {20, 0}, {20, 10}, {0, 10}});
  const Case cases[] = {
      // The found entry has its successor on top of it: the found one goes, the successor
      // takes its place and is pulled back.
      {"forward", square,
       Entries({{1, 2}, {3, 0.5}, {3.0001, 0.5}, {9, 1}, {9, 9}, {1, 9}}, {0, 1, 2, 1, 2, 3}),
       {0, 2, 1, 2, 3}, 1, {3.0001, 0.5}, {1, 2}},
      // The found entry has its predecessor on top of it: the found one goes and the
      // predecessor is pulled back.
      {"backward", strip,
       Entries({{11, 3}, {12, 0.5}, {12.0001, 0.5}, {19, 1}, {19, 9}, {1, 9}, {1, 1}},
               {2, 6, 3, 4, 5, 6, 0}),
       {2, 6, 4, 5, 6, 0}, 1, {12, 0.5}, {11, 3}},
  };
  for (const Case& c : cases) {
    std::vector<ref::TOffsetEntry> entries = c.entries;
    const ref::TCleanupResult result = ref::CleanUp(entries, c.input, 1.0);
    EXPECT_EQ(result.Stop, ref::TCleanupStop::NothingFound) << c.name;
    ASSERT_EQ(entries.size(), c.sourcesAfter.size()) << c.name;
    for (std::size_t k = 0; k < entries.size(); ++k) {
      EXPECT_EQ(entries[k].Source, c.sourcesAfter[k]) << c.name << " " << k;
      if (static_cast<int>(k) != c.moved) {
        // Every other survivor is where it was.
        const auto it = std::find_if(c.entries.begin(), c.entries.end(), [&](const auto& e) {
          return SameBits(e.Point, entries[k].Point);
        });
        EXPECT_NE(it, c.entries.end()) << c.name << " " << k;
      }
    }
    const TDPoint& p = entries[static_cast<std::size_t>(c.moved)].Point;
    EXPECT_NEAR(p.y, 1.0, ProbeStep) << c.name;
    EXPECT_TRUE(OnLine(p, {c.from.x, c.from.y}, {c.towards.x, c.towards.y})) << c.name;
  }
}

// ---- Random polygons -----------------------------------------------------------------------

class TRandom {
 public:
  explicit TRandom(std::uint32_t seed) : FEngine(seed) {}
  double Uniform(double lo, double hi) { return lo + (hi - lo) * (FEngine() / 4294967296.0); }
  int Int(int lo, int hi) { return lo + static_cast<int>(FEngine() % static_cast<std::uint32_t>(hi - lo + 1)); }
  bool Chance(double p) { return Uniform(0, 1) < p; }

 private:
  std::mt19937 FEngine;
};

TDPointList Star(TRandom& rnd, int n, double rmin, double rmax, TDPoint centre = {0, 0}) {
  std::vector<double> angles;
  for (int k = 0; k < n; ++k) angles.push_back(rnd.Uniform(0, 2 * Pi));
  std::sort(angles.begin(), angles.end());
  TDPointList out;
  for (double a : angles) {
    const double r = rnd.Uniform(rmin, rmax);
    out.Add(TDPoint{centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
  }
  return out;
}

// Long thin spikes between a core, some of zero width (out and back along one line).
TDPointList Spiky(TRandom& rnd) {
  const int n = rnd.Int(6, 30);
  TDPointList out;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * Pi * k / n + rnd.Uniform(0, 0.5 / n);
    const bool spike = rnd.Chance(0.4);
    const double r = spike ? rnd.Uniform(6, 10) : rnd.Uniform(0.05, 1.5);
    out.Add(TDPoint{r * std::cos(a), r * std::sin(a)});
    if (spike && rnd.Chance(0.3)) {
      const double back = rnd.Uniform(0.05, 1.0);  // back along the same ray
      out.Add(TDPoint{back * std::cos(a), back * std::sin(a)});
    }
  }
  return out;
}

// Two lobes that touch at the origin: the ring passes through (0, 0) twice.
TDPointList Pinched(TRandom& rnd) {
  TDPointList out;
  for (int lobe = 0; lobe < 2; ++lobe) {
    out.Add(TDPoint{0, 0});
    const int n = rnd.Int(2, 8);
    const double side = lobe == 0 ? 1.0 : -1.0;
    for (int k = 1; k <= n; ++k) {
      const double a = -Pi / 2 + Pi * k / (n + 1);  // right half-plane, mirrored for lobe 1
      const double r = rnd.Uniform(2, 8);
      out.Add(TDPoint{side * r * std::cos(a), side * r * std::sin(a)});
    }
  }
  return out;
}

// Anything at all: random points, crossing themselves.
TDPointList Tangle(TRandom& rnd) {
  TDPointList out;
  const int n = rnd.Int(3, 16);
  for (int k = 0; k < n; ++k) out.Add(TDPoint{rnd.Uniform(-10, 10), rnd.Uniform(-10, 10)});
  return out;
}

TDPointList RandomPolygon(TRandom& rnd, int kind) {
  TDPointList p;
  switch (kind % 4) {
    case 0: p = Star(rnd, rnd.Int(3, 24), 0.5, 10); break;
    case 1: p = Spiky(rnd); break;
    case 2: p = Pinched(rnd); break;
    default: p = Tangle(rnd); break;
  }
  if (rnd.Chance(0.2)) {  // a duplicated vertex
    const int k = rnd.Int(0, p.Count() - 1);
    p.Insert(k, p[k]);
  }
  if (rnd.Chance(0.2)) p.Add(p[0]);  // the closing vertex repeated
  if (rnd.Chance(0.5)) p = Reversed(p);
  return p;
}

TEST_F(Offset, RepeatDetectionDecidesByExactComparison) {
  // With every fingerprint equal, each pass start is compared in full with all earlier
  // ones since the last deletion: the clean-ups must end exactly as with real fingerprints.
  TRandom rnd(31337);
  std::vector<TDPointList> inputs = {CyclingOutline()};
  std::vector<double> distances = {2.5};
  for (int k = 0; k < RandomPolygonCount; ++k) {
    inputs.push_back(Star(rnd, rnd.Int(3, 12), 0.5, 10));
    distances.push_back(rnd.Uniform(0.05, 4));
  }
  int compared = 0, repeats = 0;
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    const std::vector<ref::TOffsetEntry> start = ref::ShrinkRing(inputs[k], distances[k]);
    std::vector<ref::TOffsetEntry> normal = start;
    const ref::TCleanupResult expected = ref::CleanUp(normal, inputs[k], distances[k]);
    if (expected.Passes > 400) continue;  // the all-against-all comparison is quadratic
    ref::TCleanupOptions colliding;
    colliding.CollidingFingerprints = true;
    std::vector<ref::TOffsetEntry> exact = start;
    const ref::TCleanupResult result = ref::CleanUp(exact, inputs[k], distances[k], colliding);
    EXPECT_EQ(result.Stop, expected.Stop) << k;
    EXPECT_EQ(result.Passes, expected.Passes) << k;
    EXPECT_EQ(result.RepeatOf, expected.RepeatOf) << k;
    EXPECT_EQ(Snapshot(exact), Snapshot(normal)) << k;
    ++compared;
    if (expected.Stop == ref::TCleanupStop::Repeat) ++repeats;
  }
  EXPECT_GT(compared, RandomPolygonCount / 2);
  EXPECT_GT(repeats, 0);
}

bool AllFinite(const TDPointList& p) {
  return std::all_of(p.begin(), p.end(),
                     [](const TDPoint& q) { return std::isfinite(q.x) && std::isfinite(q.y); });
}

TEST_F(Offset, RandomPolygonsGrowAndShrinkWithoutHangingOrCrashing) {
  TRandom rnd(20240611);
  int repeats = 0;
  for (int k = 0; k < RandomPolygonCount; ++k) {
    const TDPointList input = RandomPolygon(rnd, k);
    const double distance = rnd.Uniform(0.05, 4);
    SCOPED_TRACE(::testing::Message() << "polygon " << k << " distance " << distance);

    TDPointList grown = input;
    OffsetPolygon(grown, distance);
    EXPECT_TRUE(AllFinite(grown));
    EXPECT_LE(grown.Count(), input.Count());  // the loop removal only takes points away

    std::vector<ref::TOffsetEntry> entries = ref::ShrinkRing(input, distance);
    EXPECT_LE(entries.size(), static_cast<std::size_t>(ref::RoundedCornerPoints * input.Count()));
    const std::size_t before = entries.size();
    const ref::TCleanupResult result = ref::CleanUp(entries, input, distance);
    // Rare clean-ups wander without ever repeating a list bit for bit: the guard ends them.
    EXPECT_LE(result.Passes, ref::PassLimitPerEntry * static_cast<long long>(before) +
                                 ref::PassLimitBase);
    EXPECT_LE(entries.size(), before);
    if (result.Stop == ref::TCleanupStop::Repeat) ++repeats;

    TDPointList shrunk = input;
    OffsetPolygon(shrunk, -distance);
    EXPECT_TRUE(AllFinite(shrunk));
    ASSERT_EQ(shrunk.Count(), static_cast<int>(entries.size()));
    for (int i = 0; i < shrunk.Count(); ++i) EXPECT_TRUE(SameBits(shrunk[i], entries[i].Point));
  }
  RecordProperty("CleanUpsEndedByRepeat", repeats);
}

TEST_F(Offset, ExtremeDistancesEndToo) {
  // Distances far beyond the board, or not numbers at all, give meaningless outlines but
  // must still end, with no more points than the offset can make.
  const double inf = std::numeric_limits<double>::infinity();
  const double distances[] = {inf, -inf, std::nan(""), -std::nan(""), 1e300, -1e300, 1e-300, -1e-300};
  TRandom rnd(99);
  for (int k = 0; k < 40; ++k) {
    const TDPointList input = RandomPolygon(rnd, k);
    for (double distance : distances) {
      TDPointList points = input;
      OffsetPolygon(points, distance);
      EXPECT_LE(points.Count(), ref::RoundedCornerPoints * input.Count()) << k << " " << distance;
      if (!(distance < 0)) {
        EXPECT_LE(points.Count(), input.Count()) << k << " " << distance;
      }
    }
  }
}

TEST_F(Offset, RandomStarShrinksTerminateAndRepeatDetectionMatchesAFullComparison) {
  // Reference: every pass start kept in full and compared with all earlier ones. The
  // fingerprint test must stop at the same pass with the same list, and a clean-up that
  // ends by itself must end exactly as it would without any repeat test.
  TRandom rnd(77);
  constexpr long long Window = 3000;
  int compared = 0, repeats = 0;
  for (int k = 0; k < RandomPolygonCount; ++k) {
    const TDPointList input = Star(rnd, rnd.Int(3, 16), 0.5, 10);
    const double distance = rnd.Uniform(0.05, 4);
    SCOPED_TRACE(::testing::Message() << "star " << k << " distance " << distance);
    const std::vector<ref::TOffsetEntry> start = ref::ShrinkRing(input, distance);

    std::vector<ref::TOffsetEntry> plain = start;
    std::map<std::string, long long> seen;
    long long firstRepeat = -1, repeatOf = -1;
    std::string repeatedList;
    ref::TCleanupOptions full;
    full.DetectRepeats = false;
    full.PassLimit = Window;
    full.OnPass = [&](long long pass, const std::vector<ref::TOffsetEntry>& list) {
      if (firstRepeat >= 0) return;
      std::string s = Snapshot(list);
      auto [it, fresh] = seen.emplace(s, pass);
      if (!fresh) {
        firstRepeat = pass;
        repeatOf = it->second;
        repeatedList = std::move(s);
      }
    };
    const ref::TCleanupResult plainResult = ref::CleanUp(plain, input, distance, full);

    std::vector<ref::TOffsetEntry> detected = start;
    const ref::TCleanupResult result = ref::CleanUp(detected, input, distance);
    if (firstRepeat >= 0) {
      ++repeats;
      EXPECT_EQ(result.Stop, ref::TCleanupStop::Repeat);
      EXPECT_EQ(result.Passes, firstRepeat);
      EXPECT_EQ(result.RepeatOf, repeatOf);
      EXPECT_EQ(Snapshot(detected), repeatedList);
    } else if (plainResult.Stop != ref::TCleanupStop::PassLimit) {
      ++compared;
      EXPECT_EQ(result.Stop, plainResult.Stop);
      EXPECT_EQ(result.Passes, plainResult.Passes);
      EXPECT_EQ(Snapshot(detected), Snapshot(plain));
    }
  }
  // The comparison ran on both kinds of ending.
  EXPECT_GT(compared, RandomPolygonCount / 2);
  EXPECT_GT(repeats, 0);
  RecordProperty("CleanUpsEndedByRepeat", repeats);
}

double DistanceToLineThrough(const TDPoint& q, const TDPoint& a, const TDPoint& b) {
  return std::abs((b - a).Cross(q - a)) / (b - a).Length();
}

TEST_F(Offset, RandomConvexPolygonsMoveEveryVertexByTheDistance) {
  // Convex outlines with corners no sharper than about 35 degrees, moved by a quarter of the
  // shortest edge at most: one point per vertex, at the distance from both adjacent edges,
  // outside for a grow and inside for a shrink, in either orientation.
  TRandom rnd(4242);
  int tested = 0;
  for (int k = 0; tested < RandomPolygonCount / 2 && k < 50 * RandomPolygonCount; ++k) {
    TDPointList poly = Star(rnd, rnd.Int(5, 12), 5, 5);  // points on one circle
    const int n = poly.Count();
    double minEdge = 1e9, minSinHalf = 1;
    for (int i = 0; i < n; ++i) {
      const TDPoint& p = poly[i];
      const TDPoint u = poly[(i + n - 1) % n] - p;
      const TDPoint v = poly[(i + 1) % n] - p;
      minEdge = std::min(minEdge, v.Length());
      minSinHalf = std::min(minSinHalf, std::sqrt((1 - u.AngleCos(v)) / 2));
    }
    if (minSinHalf < 0.3 || minEdge < 0.1) continue;
    ++tested;
    if (rnd.Chance(0.5)) poly = Reversed(poly);
    const double d = rnd.Uniform(0.01, 0.25) * minEdge * minSinHalf;
    for (double delta : {d, -d}) {
      TDPointList moved = poly;
      OffsetPolygon(moved, delta);
      ASSERT_EQ(moved.Count(), n) << k << " " << delta;
      for (int i = 0; i < n; ++i) {
        const double toIncoming = DistanceToLineThrough(moved[i], poly[(i + n - 1) % n], poly[i]);
        const double toOutgoing = DistanceToLineThrough(moved[i], poly[i], poly[(i + 1) % n]);
        EXPECT_NEAR(toIncoming, d, 1e-5 * d + 1e-12) << k << " " << delta << " vertex " << i;
        EXPECT_NEAR(toOutgoing, d, 1e-5 * d + 1e-12) << k << " " << delta << " vertex " << i;
        EXPECT_EQ(moved[i].IsInPoly(poly, false), delta < 0) << k << " " << delta << " vertex " << i;
      }
    }
  }
  EXPECT_EQ(tested, RandomPolygonCount / 2);
}

}  // namespace
