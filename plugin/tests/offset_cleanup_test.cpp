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

// ---- The shrink's clean-up -----------------------------------------------------------------

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
  const TDPointList& star = WanderingStar();
  const double d = WanderingStarDistance;
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
      {"forward",
       square,
       Entries({{1, 2}, {3, 0.5}, {3.0001, 0.5}, {9, 1}, {9, 9}, {1, 9}}, {0, 1, 2, 1, 2, 3}),
       {0, 2, 1, 2, 3},
       1,
       {3.0001, 0.5},
       {1, 2}},
      // The found entry has its predecessor on top of it: the found one goes and the
      // predecessor is pulled back.
      {"backward",
       strip,
       Entries({{11, 3}, {12, 0.5}, {12.0001, 0.5}, {19, 1}, {19, 9}, {1, 9}, {1, 1}},
               {2, 6, 3, 4, 5, 6, 0}),
       {2, 6, 4, 5, 6, 0},
       1,
       {12, 0.5},
       {11, 3}},
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

}  // namespace
