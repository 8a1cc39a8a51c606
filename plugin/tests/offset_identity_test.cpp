// OffsetPolygon against the step-by-step version: the same points, bit for bit, on seeded
// random polygons in all three document units and on the benchmark's outlines.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/offset.h"
#include "plugin/offset_loops.h"
#include "plugin/offset_probe.h"
#include "plugin/offset_reference.h"
#include "plugin/tests/offset_shapes.h"
#include "plugin/tests/offset_test_util.h"

namespace {

using namespace offset_test;

// Describes the first difference, or returns an empty text when both lists hold the same
// bits in the same order.
std::string Difference(const TDPointList& fast, const TDPointList& literal) {
  if (fast.Count() != literal.Count()) {
    return "count " + std::to_string(fast.Count()) + " instead of " +
           std::to_string(literal.Count());
  }
  for (int i = 0; i < fast.Count(); ++i) {
    unsigned char a[sizeof(TDPoint)], b[sizeof(TDPoint)];
    std::memcpy(a, &fast.Items()[static_cast<std::size_t>(i)], sizeof a);
    std::memcpy(b, &literal.Items()[static_cast<std::size_t>(i)], sizeof b);
    if (std::memcmp(a, b, sizeof a) != 0) {
      char text[160];
      std::snprintf(text, sizeof text, "point %d is (%.17g, %.17g) instead of (%.17g, %.17g)", i,
                    fast[i].x, fast[i].y, literal[i].x, literal[i].y);
      return text;
    }
  }
  return {};
}

std::string Compare(const TDPointList& input, double delta) {
  TDPointList fast = input;
  OffsetPolygon(fast, delta);
  TDPointList literal = input;
  ref::Offset(literal, delta);
  return Difference(fast, literal);
}

TDPointList Scaled(const TDPointList& p, double s) {
  TDPointList out;
  for (const TDPoint& q : p) out.Add(TDPoint{q.x * s, q.y * s});
  return out;
}

// Runs of repeated vertices anywhere, the closing vertex repeated, or both.
TDPointList WithRepeats(TRandom& rnd, TDPointList p) {
  const int runs = rnd.Int(1, 3);
  for (int r = 0; r < runs && p.Count() > 0; ++r) {
    const int k = rnd.Int(0, p.Count() - 1);
    const int times = rnd.Int(1, 3);
    for (int t = 0; t < times; ++t) p.Insert(k, p[k]);
  }
  if (rnd.Chance(0.5) && p.Count() > 0) p.Add(p[0]);
  return p;
}

struct TUnitCase {
  int Unit;
  double Scale;  // millimetres to the unit
  std::uint32_t Seed;
};

TEST_F(Offset, FastVersionMatchesTheLiteralOneOnRandomPolygonsInEveryUnit) {
  const TUnitCase units[] = {
      {UnitMm, 1.0, 7001}, {UnitMil, 1000 / 25.4, 7002}, {UnitInch, 1 / 25.4, 7003}};
  constexpr int PolygonsPerUnit = 1000;
  for (const TUnitCase& u : units) {
    ResetTolerances();
    if (u.Unit != UnitMm) RescaleTolerances(u.Unit);
    TRandom rnd(u.Seed);
    for (int k = 0; k < PolygonsPerUnit; ++k) {
      TDPointList input = RandomPolygon(rnd, k);
      if (rnd.Chance(0.3)) input = WithRepeats(rnd, input);
      input = Scaled(input, u.Scale);
      double distance = rnd.Uniform(0.02, 4) * u.Scale;
      if (k % 50 == 0) distance = 0;
      for (double delta : {distance, -distance}) {
        const std::string diff = Compare(input, delta);
        ASSERT_EQ(diff, "") << "unit " << u.Unit << " polygon " << k << " delta " << delta;
      }
    }
  }
}

TEST_F(Offset, IndexedLoopRemovalMatchesTheLiteralOneOnSmallRings) {
  // The rings the grow and the shrink hand to the loop removal, from random polygons of
  // every kind (the offset itself leaves rings this short to the plain search).
  TRandom rnd(7020);
  for (int k = 0; k < 2000; ++k) {
    TDPointList input = RandomPolygon(rnd, k);
    if (rnd.Chance(0.3)) input = WithRepeats(rnd, input);
    const double d = rnd.Uniform(0.02, 4);
    SCOPED_TRACE(::testing::Message() << "polygon " << k << " distance " << d);

    bool loop = false;
    std::vector<ref::TOffsetEntry> entries = ref::ShrinkCorners(input, d, loop);
    if (entries.empty()) continue;
    entries.push_back(entries.front());
    std::vector<ref::TOffsetEntry> literal = entries;
    ref::RemoveLoops(literal);
    offset_loops::RemoveLoopsIndexed(entries);
    ASSERT_EQ(Snapshot(entries), Snapshot(literal));

    std::vector<TDPoint> ring;
    ref::TNeighbourSearch search;
    for (int i = 0; i < input.Count(); ++i) {
      search.Find(input, i);
      ring.push_back(ref::CornerPoint(input[i], search.Prev(), search.Next(), d, input,
                                      ref::TOffsetDirection::Grow)
                         .N);
    }
    ring.push_back(ring.front());
    std::vector<TDPoint> literalRing = ring;
    ref::RemoveLoops(literalRing);
    offset_loops::RemoveLoopsIndexed(ring);
    ASSERT_EQ(Difference(ListOf(ring), ListOf(literalRing)), "");
  }
}

TEST_F(Offset, ProbeIndexAnswersAsIsInPolyDoes) {
  // Polygons big enough for the index (stars, self-crossing tangles, level and repeated
  // vertices), probed on vertices, beside them, on edges and anywhere, in every unit.
  TRandom rnd(7030);
  for (int unit : {UnitMm, UnitMil, UnitInch}) {
    ResetTolerances();
    if (unit != UnitMm) RescaleTolerances(unit);
    for (int k = 0; k < 60; ++k) {
      TDPointList poly;
      const int n = rnd.Int(64, 300);
      if (k % 3 == 0) {
        poly = Star(rnd, n, 0.5, 10);
      } else if (k % 3 == 1) {
        for (int i = 0; i < n; ++i) poly.Add(TDPoint{rnd.Uniform(-10, 10), rnd.Uniform(-10, 10)});
      } else {
        // On a coarse lattice: many equal y values, level edges and repeated points.
        for (int i = 0; i < n; ++i) poly.Add(TDPoint{rnd.Int(-5, 5) * 0.5, rnd.Int(-5, 5) * 0.5});
      }
      const offset_probe::TProbeIndex index(poly);
      for (int q = 0; q < 400; ++q) {
        const int vi = rnd.Int(0, poly.Count() - 1);
        const TDPoint& v = poly[vi];
        const TDPoint& w = poly[rnd.Int(0, poly.Count() - 1)];
        TDPoint Q;
        switch (q % 4) {
          case 0:
            Q = v;
            break;
          case 1: {
            const double a = rnd.Uniform(0, 2 * Pi);
            const double r = rnd.Chance(0.5) ? ProbeStep : GeomEps * rnd.Uniform(0.5, 2);
            Q = v + r * TDPoint{std::cos(a), std::sin(a)};
            break;
          }
          case 2:
            Q = v + rnd.Uniform(0, 1) * (w - v);
            break;
          default:
            Q = TDPoint{rnd.Uniform(-11, 11), rnd.Uniform(-11, 11)};
            break;
        }
        const bool expected = Q.IsInPoly(poly, true);
        ASSERT_EQ(index.IsInside(Q), expected)
            << "unit " << unit << " polygon " << k << " probe " << q;
        // Started from the vertex it was made from, or from any other: the same answer.
        const int near = q % 8 < 4 ? vi : rnd.Int(0, poly.Count() - 1);
        ASSERT_EQ(index.IsInside(Q, near), expected)
            << "unit " << unit << " polygon " << k << " probe " << q << " from vertex " << near;
      }
    }
  }
}

TEST_F(Offset, ProbeIndexAnswersAsIsInPolyDoesAcrossNearlyLevelEdges) {
  // Edges that rise by a few of the smallest doubles (their cross products underflow), or by
  // 1e-279 over a run of up to 1e31 (their slope does not fit in a double).
  TRandom rnd(7031);
  for (int k = 0; k < 40; ++k) {
    const double Tiny = k % 2 == 0 ? 4.9406564584124654e-324 : 1e-279;
    const double width = k % 2 == 0 ? 10 : 1e31;
    TDPointList poly;
    const int n = rnd.Int(64, 200);
    for (int i = 0; i < n; ++i) {
      const double y = rnd.Chance(0.5) ? rnd.Int(0, 3) * Tiny : rnd.Int(-4, 4) * 0.5;
      poly.Add(TDPoint{rnd.Uniform(-width, width), y});
    }
    const offset_probe::TProbeIndex index(poly);
    for (int q = 0; q < 300; ++q) {
      const int vi = rnd.Int(0, poly.Count() - 1);
      const TDPoint& v = poly[vi];
      const TDPoint& w = poly[rnd.Int(0, poly.Count() - 1)];
      TDPoint Q = v + rnd.Uniform(0, 1) * (w - v);
      if (q % 3 == 0) Q.y = rnd.Int(0, 3) * Tiny;
      if (q % 3 == 1) Q.y = rnd.Uniform(-4, 4) * Tiny;
      ASSERT_EQ(index.IsInside(Q, vi), Q.IsInPoly(poly, true)) << "polygon " << k << " probe " << q;
    }
  }
}

TEST_F(Offset, FastVersionMatchesTheLiteralOneOnLargeRandomStars) {
  // Hundreds of vertices with spikes and valleys in every direction: many crossings per
  // loop removal and long clean-ups.
  TRandom rnd(7010);
  for (int k = 0; k < 20; ++k) {
    const TDPointList input = Star(rnd, rnd.Int(100, 400), 0.5, 30);
    const double distance = rnd.Uniform(0.1, 3);
    for (double delta : {distance, -distance}) {
      ASSERT_EQ(Compare(input, delta), "") << "star " << k << " delta " << delta;
    }
  }
}

TEST_F(Offset, FastVersionMatchesTheLiteralOneWithNearlyRepeatedVertices) {
  // Vertices followed by a twin a hair away in any direction: the rings get very short
  // segments at every angle, whose on-segment test reaches far across them (wide boxes,
  // long bands through the grid, the list of segments that no cell holds).
  TRandom rnd(7040);
  for (int k = 0; k < 60; ++k) {
    // Longer than the run of segments a short one tries first, for the search along its band.
    const int n = rnd.Int(300, 900);
    // On a lattice, with twins offset along an axis, many vertices lie exactly across a short
    // segment and pass its on-segment test from far away.
    // A skyline of columns on a lattice keeps its walls aligned when grown.
    const bool lattice = k % 3 == 2;
    TDPointList base;
    if (k % 3 == 0) {
      base = Star(rnd, n, 0.5, 12);
    } else if (!lattice) {
      for (int i = 0; i < n; ++i) base.Add(TDPoint{rnd.Uniform(-10, 10), rnd.Uniform(-10, 10)});
    } else {
      double x = 0;
      base.Add(TDPoint{0, 0});
      for (int i = 0; i < n / 2; ++i) {
        const double top = rnd.Int(1, 20) * 0.5;
        base.Add(TDPoint{x, top});
        x += rnd.Int(1, 3) * 0.5;
        base.Add(TDPoint{x, top});
      }
      base.Add(TDPoint{x, 0});
    }
    TDPointList input;
    for (const TDPoint& p : base) {
      input.Add(p);
      if (rnd.Chance(0.15)) {
        const double a = lattice ? rnd.Int(0, 3) * Pi / 2 : rnd.Uniform(0, 2 * Pi);
        const double r = std::pow(10.0, -rnd.Uniform(7, 14));
        input.Add(p + r * TDPoint{std::cos(a), std::sin(a)});
      }
    }
    const double distance = rnd.Uniform(0.05, 2);
    for (double delta : {distance, -distance}) {
      ASSERT_EQ(Compare(input, delta), "") << "polygon " << k << " delta " << delta;
    }
  }
}

TEST_F(Offset, FastVersionMatchesTheLiteralOneWhereTheCleanUpRepeatsOrRunsToTheGuard) {
  // A clean-up that would cycle for ever (the list comes back every 3 passes) and one that
  // wanders without repeating until the pass guard ends it.
  ASSERT_EQ(Compare(CyclingOutline(), -2.5), "");
  const TDPointList& star = WanderingStar();
  std::vector<ref::TOffsetEntry> entries = ref::ShrinkRing(star, WanderingStarDistance);
  ASSERT_EQ(ref::CleanUp(entries, star, WanderingStarDistance).Stop, ref::TCleanupStop::PassLimit);
  ASSERT_EQ(Compare(star, -WanderingStarDistance), "");
}

struct TShapeCase {
  offset_shapes::TShape Shape;
  int Vertices;
};

class OffsetShapes : public ::testing::TestWithParam<TShapeCase> {
 protected:
  void SetUp() override { ResetTolerances(); }
};

TEST_P(OffsetShapes, FastVersionMatchesTheLiteralOne) {
  const TShapeCase& c = GetParam();
  const TDPointList input = offset_shapes::Make(c.Shape, c.Vertices);
  EXPECT_EQ(Compare(input, offset_shapes::GrowBy(c.Shape)), "") << "grow";
  EXPECT_EQ(Compare(input, -offset_shapes::ShrinkBy(c.Shape)), "") << "shrink";
}

std::vector<TShapeCase> ShapeCases() {
  std::vector<TShapeCase> cases;
  // The literal version is quadratic and slow under Wine: the largest outlines are
  // compared on the host only.
#ifdef _WIN32
  const int sizes[] = {100, 1000};
#else
  const int sizes[] = {100, 1000, 10000};
#endif
  for (offset_shapes::TShape s : offset_shapes::AllShapes) {
    for (int n : sizes) cases.push_back({s, n});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Benchmark, OffsetShapes, ::testing::ValuesIn(ShapeCases()),
                         [](const ::testing::TestParamInfo<TShapeCase>& info) {
                           return std::string(offset_shapes::ShapeName(info.param.Shape)) +
                                  std::to_string(info.param.Vertices);
                         });

}  // namespace
