#include "plugin/nets.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TLineSegment> MakeSegment(bool selected, TDPoint a = {0, 0}, TDPoint b = {1, 0}) {
  auto seg = std::make_unique<TLineSegment>();
  seg->SetSelected(selected);
  seg->AppendPoint(a);
  seg->AppendPoint(b);
  return seg;
}

// A trace described by its own flag and its segments' flags.
struct TraceDef {
  bool selected;
  std::vector<bool> segments;
};

std::unique_ptr<TNetTrace> MakeTrace(const TraceDef& trace_def) {
  auto trace = std::make_unique<TNetTrace>();
  trace->SetSelected(trace_def.selected);
  for (bool s : trace_def.segments) trace->AppendSegment(MakeSegment(s));
  return trace;
}

TEST(NetModel, NewObjectsHaveTheirDefaults) {
  TLineSegment seg;
  EXPECT_EQ(seg.Trace(), nullptr);
  EXPECT_EQ(seg.Points().Count(), 0);
  EXPECT_EQ(seg.Width(), 0.0);
  EXPECT_EQ(seg.PredSize(), 0.0);
  EXPECT_EQ(seg.Layer(), TSolderMaskLayer::smlNone);
  EXPECT_FALSE(seg.Arc());
  EXPECT_FALSE(seg.Selected());
  EXPECT_TRUE(seg.Correct());

  TNetTrace trace;
  EXPECT_EQ(trace.Net(), nullptr);
  EXPECT_FALSE(trace.Selected());
  EXPECT_TRUE(trace.Segments().empty());
  EXPECT_EQ(trace.SelectedSegmentsCount(), 0);

  TNet net(-1, "GND");
  EXPECT_EQ(net.Id(), -1);
  EXPECT_EQ(net.Name(), "GND");
  EXPECT_TRUE(net.Traces().empty());
  EXPECT_EQ(net.SelectedTracesCount(), 0);
  EXPECT_EQ(net.SegmentsCount(), 0);
  EXPECT_EQ(net.SelectedSegmentsCount(), 0);

  TNetList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.TotalSelectedSegments(), 0);
  EXPECT_EQ(list.TotalSelectedTraces(), 0);
}

TEST(NetModel, SegmentKeepsItsOwnCopyOfEveryPointInOrder) {
  TLineSegment seg;
  TDPoint p{1.5, -2.0};
  seg.AppendPoint(p);
  p.x = 99;
  seg.AppendPoint(p);
  seg.AppendPoint({3, 4});
  ASSERT_EQ(seg.Points().Count(), 3);
  EXPECT_EQ(seg.Points()[0].x, 1.5);
  EXPECT_EQ(seg.Points()[0].y, -2.0);
  EXPECT_EQ(seg.Points()[1].x, 99.0);
  EXPECT_EQ(seg.Points()[2].y, 4.0);
}

TEST(NetModel, AccessorsWriteStraightOntoTheFields) {
  TLineSegment seg;
  seg.SetWidth(0.25);
  seg.SetPredSize(0.05);
  seg.SetArc(true);
  seg.SetLayer(TSolderMaskLayer::smlBottom);
  seg.SetSelected(true);
  seg.SetCorrect(false);
  EXPECT_EQ(seg.Width(), 0.25);
  EXPECT_EQ(seg.PredSize(), 0.05);
  EXPECT_TRUE(seg.Arc());
  EXPECT_EQ(seg.Layer(), TSolderMaskLayer::smlBottom);
  EXPECT_TRUE(seg.Selected());
  EXPECT_FALSE(seg.Correct());
}

struct NetCase {
  const char* name;
  std::vector<TraceDef> traces;
  int selectedTraces;
  int segments;
  int selectedSegments;
};

TEST(NetModel, NetCountersFollowTheAppendedTraces) {
  const std::vector<NetCase> cases = {
      {"no traces", {}, 0, 0, 0},
      {"unselected trace without segments", {{false, {}}}, 0, 0, 0},
      {"selected trace without segments", {{true, {}}}, 1, 0, 0},
      {"selected trace, unselected segments", {{true, {false, false}}}, 1, 2, 0},
      {"unselected trace, selected segments", {{false, {true, true, false}}}, 0, 3, 2},
      {"mixed", {{true, {true}}, {false, {false, true}}, {true, {}}, {false, {false}}}, 2, 4, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TNet net(7, "N");
    int expectedInTrace = 0;
    for (const auto& t : c.traces) {
      auto trace = MakeTrace(t);
      expectedInTrace = 0;
      for (bool s : t.segments) expectedInTrace += s ? 1 : 0;
      EXPECT_EQ(trace->SelectedSegmentsCount(), expectedInTrace);
      net.AppendTrace(std::move(trace));
    }
    EXPECT_EQ(net.Traces().size(), c.traces.size());
    EXPECT_EQ(net.SelectedTracesCount(), c.selectedTraces);
    EXPECT_EQ(net.SegmentsCount(), c.segments);
    EXPECT_EQ(net.SelectedSegmentsCount(), c.selectedSegments);
  }
}

TEST(NetModel, ListTotalsAddUpTheNetsAndBackReferencesPointUp) {
  TNetList list;
  auto a = std::make_unique<TNet>(1, "A");
  a->AppendTrace(MakeTrace({true, {true, false, true}}));
  a->AppendTrace(MakeTrace({false, {true}}));
  auto b = std::make_unique<TNet>(2, "B");
  b->AppendTrace(MakeTrace({true, {}}));
  b->AppendTrace(MakeTrace({true, {false}}));
  TNet* pa = list.AppendNet(std::move(a));
  TNet* pb = list.AppendNet(std::move(b));
  list.AppendNet(std::make_unique<TNet>(3, "C"));  // a net without traces adds nothing

  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.TotalSelectedSegments(), 3);  // 2 + 1 from A, 0 from B
  EXPECT_EQ(list.TotalSelectedTraces(), 3);    // 1 from A, 2 from B
  for (TNet* net : {pa, pb}) {
    for (const auto& trace : net->Traces()) {
      EXPECT_EQ(trace->Net(), net);
      for (const auto& seg : trace->Segments()) EXPECT_EQ(seg->Trace(), trace.get());
    }
  }
}

TEST(NetModel, CountersAreTakenAtTheMomentOfAppending) {
  TNetList list;
  auto net = std::make_unique<TNet>(1, "A");
  auto trace = std::make_unique<TNetTrace>();
  trace->AppendSegment(MakeSegment(true));
  TNetTrace* t = net->AppendTrace(std::move(trace));
  TNet* n = list.AppendNet(std::move(net));

  // Later changes to the children do not reach the parents' counters.
  t->AppendSegment(MakeSegment(true));
  t->SetSelected(true);
  EXPECT_EQ(t->SelectedSegmentsCount(), 2);
  EXPECT_EQ(n->SegmentsCount(), 1);
  EXPECT_EQ(n->SelectedSegmentsCount(), 1);
  EXPECT_EQ(n->SelectedTracesCount(), 0);
  EXPECT_EQ(list.TotalSelectedSegments(), 1);
  EXPECT_EQ(list.TotalSelectedTraces(), 0);
}

TEST(NetModel, AppendingNothingIsRefused) {
  TNetTrace trace;
  TNet net(1, "A");
  TNetList list;
  EXPECT_THROW(trace.AppendSegment(nullptr), std::invalid_argument);
  EXPECT_THROW(net.AppendTrace(nullptr), std::invalid_argument);
  EXPECT_THROW(list.AppendNet(nullptr), std::invalid_argument);
  EXPECT_TRUE(trace.Segments().empty());
  EXPECT_TRUE(net.Traces().empty());
  EXPECT_EQ(list.Count(), 0);
}

// Segments made in the trace's reserved block and those beyond its room (made on their own),
// mixed with appended ones: all listed in order, pointing back, counted, each released once
// (the sanitizer build checks the heap).
TEST(NetModel, NewSegmentsGoInOrderInsideAndBeyondTheReservedRoom) {
  struct Case {
    const char* what;
    int reserved;
    std::vector<int> steps;  // 1 / 0: a new selected / unselected segment, 2: an appended one
  };
  const std::vector<Case> cases = {
      {"no room", 0, {1, 0, 1}},
      {"exact room", 3, {1, 1, 0}},
      {"more than the room", 2, {0, 1, 1, 0, 1}},
      {"appended in between", 4, {2, 1, 2, 0, 1, 2}},
      {"room unused", 5, {1}},
      {"negative room", -2, {0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TNetList list;
    auto net = std::make_unique<TNet>(1, "A");
    auto trace = std::make_unique<TNetTrace>();
    trace->ReserveSegments(c.reserved);
    std::vector<const TLineSegment*> made;
    int selected = 0;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const double x = static_cast<double>(i);
      TLineSegment* seg;
      if (c.steps[i] == 2) {
        seg = trace->AppendSegment(MakeSegment(true, {x, 0}, {x, 1}));
        ++selected;
      } else {
        seg = trace->AppendNewSegment(c.steps[i] == 1);
        seg->AppendPoint({x, 0});
        seg->AppendPoint({x, 1});
        seg->SetWidth(x);
        selected += c.steps[i];
      }
      made.push_back(seg);
    }
    const TNetTrace* t = net->AppendTrace(std::move(trace));
    list.AppendNet(std::move(net));
    ASSERT_EQ(t->Segments().size(), made.size());
    for (std::size_t i = 0; i < made.size(); ++i) {
      const TLineSegment& seg = *t->Segments()[i];
      EXPECT_EQ(&seg, made[i]);
      EXPECT_EQ(seg.Trace(), t);
      EXPECT_EQ(seg.Selected(), c.steps[i] != 0);
      ASSERT_EQ(seg.Points().Count(), 2);
      EXPECT_EQ(seg.Points()[1].x, static_cast<double>(i));
      EXPECT_TRUE(seg.Correct());
      EXPECT_EQ(seg.Layer(), TSolderMaskLayer::smlNone);
    }
    EXPECT_EQ(t->SelectedSegmentsCount(), selected);
    EXPECT_EQ(list.GetNet(0)->SegmentsCount(), static_cast<int>(made.size()));
    EXPECT_EQ(list.TotalSelectedSegments(), selected);
  }
}

class NetLookUp : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two nets share Id 5; two names differ only in letter case.
    const std::vector<std::pair<int, std::string>> nets = {
        {5, "gnd"}, {-1, "GND"}, {5, "VCC"}, {12, "SIG"}};
    for (const auto& [id, name] : nets)
      added.push_back(list.AppendNet(std::make_unique<TNet>(id, name)));
  }
  TNetList list;
  std::vector<TNet*> added;
};

TEST_F(NetLookUp, GetNetByPosition) {
  for (int i = 0; i < list.Count(); ++i)
    EXPECT_EQ(list.GetNet(i), added[static_cast<std::size_t>(i)]);
  EXPECT_EQ(list.GetNet(-1), nullptr);
  EXPECT_EQ(list.GetNet(list.Count()), nullptr);
  EXPECT_EQ(list.GetNet(1 << 30), nullptr);
  TNetList empty;
  EXPECT_EQ(empty.GetNet(0), nullptr);
}

TEST_F(NetLookUp, GetNamedNetMatchesLetterCaseExactly) {
  EXPECT_EQ(list.GetNamedNet("gnd"), added[0]);
  EXPECT_EQ(list.GetNamedNet("GND"), added[1]);
  EXPECT_EQ(list.GetNamedNet("Gnd"), nullptr);
  EXPECT_EQ(list.GetNamedNet("SIG"), added[3]);
  EXPECT_EQ(list.GetNamedNet(""), nullptr);
  EXPECT_EQ(list.GetNamedNet("SIG "), nullptr);
}

TEST_F(NetLookUp, GetIdItemReturnsTheFirstNetWithTheId) {
  EXPECT_EQ(list.GetIdItem(5), added[0]);
  EXPECT_EQ(list.GetIdItem(-1), added[1]);
  EXPECT_EQ(list.GetIdItem(12), added[3]);
  EXPECT_EQ(list.GetIdItem(0), nullptr);
  EXPECT_EQ(list.GetIdItem(6), nullptr);
}

// Items that record their own release, to show that releasing the list releases each of
// them exactly once (the point lists go with their segments; the sanitizer build checks
// the heap).
struct ReleaseLog {
  std::vector<std::string> released;
};

class LoggedSegment : public TLineSegment {
 public:
  LoggedSegment(ReleaseLog& log, std::string tag) : FLog(log), FTag(std::move(tag)) {}
  ~LoggedSegment() override { FLog.released.push_back(FTag); }

 private:
  ReleaseLog& FLog;
  std::string FTag;
};

class LoggedTrace : public TNetTrace {
 public:
  LoggedTrace(ReleaseLog& log, std::string tag) : FLog(log), FTag(std::move(tag)) {}
  ~LoggedTrace() override { FLog.released.push_back(FTag); }

 private:
  ReleaseLog& FLog;
  std::string FTag;
};

class LoggedNet : public TNet {
 public:
  LoggedNet(ReleaseLog& log, std::string tag) : TNet(0, tag), FLog(log), FTag(std::move(tag)) {}
  ~LoggedNet() override { FLog.released.push_back(FTag); }

 private:
  ReleaseLog& FLog;
  std::string FTag;
};

TEST(NetModel, ReleasingTheListReleasesEveryItemOnceInListOrder) {
  ReleaseLog log;
  {
    TNetList list;
    for (int n = 0; n < 2; ++n) {
      const std::string nt = "n" + std::to_string(n);
      auto net = std::make_unique<LoggedNet>(log, nt);
      for (int t = 0; t < 2; ++t) {
        const std::string tt = nt + "t" + std::to_string(t);
        auto trace = std::make_unique<LoggedTrace>(log, tt);
        for (int s = 0; s < 2; ++s) {
          auto seg = std::make_unique<LoggedSegment>(log, tt + "s" + std::to_string(s));
          for (int p = 0; p < 3; ++p) seg->AppendPoint({double(p), double(s)});
          trace->AppendSegment(std::move(seg));
        }
        net->AppendTrace(std::move(trace));
      }
      list.AppendNet(std::move(net));
    }
    EXPECT_TRUE(log.released.empty());
  }
  // A derived destructor's body runs before the base releases the children, so each
  // parent's line comes just before its children's: parents release them in list order.
  const std::vector<std::string> expected = {"n0",     "n0t0",   "n0t0s0", "n0t0s1", "n0t1",
                                             "n0t1s0", "n0t1s1", "n1",     "n1t0",   "n1t0s0",
                                             "n1t0s1", "n1t1",   "n1t1s0", "n1t1s1"};
  EXPECT_EQ(log.released, expected);
}

}  // namespace
