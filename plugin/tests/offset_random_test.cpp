#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "plugin/offset.h"
#include "plugin/offset_reference.h"
#include "plugin/tests/offset_test_util.h"

namespace {

using namespace offset_test;

// ---- Random polygons -----------------------------------------------------------------------

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
    EXPECT_LE(result.Passes,
              ref::PassLimitPerEntry * static_cast<long long>(before) + ref::PassLimitBase);
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
  const double distances[] = {inf,   -inf,   std::nan(""), -std::nan(""),
                              1e300, -1e300, 1e-300,       -1e-300};
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
        EXPECT_EQ(moved[i].IsInPoly(poly, false), delta < 0)
            << k << " " << delta << " vertex " << i;
      }
    }
  }
  EXPECT_EQ(tested, RandomPolygonCount / 2);
}

}  // namespace
