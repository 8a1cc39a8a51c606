// Polygon offset on generated outlines of 100 to 100,000 vertices (convex, star, comb with
// narrow slots, notched strip), grown and shrunk: OffsetPolygon, the step-by-step version
// it must match (where it stays under about a minute) and, as the measure of what a polygon
// offset costs, the same outlines offset by Clipper (integer coordinates, mitred joins for
// the grow, round joins for the shrink) up to 10,000 vertices. A table at the end puts the
// three side by side, with the growth of our time per tenfold count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <polyclipping/clipper.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/offset.h"
#include "plugin/offset_reference.h"
#include "plugin/tests/offset_shapes.h"

namespace {

using offset_shapes::TShape;

constexpr int Sizes[] = {100, 1000, 10000, 100000};
constexpr int ClipperMaxSize = 10000;
// The step-by-step version is quadratic; beyond this it takes minutes.
constexpr int ReferenceMaxSize = 10000;
// Clipper's integer units per millimetre.
constexpr double ClipperScale = 1e6;
constexpr int Repetitions = 3;

enum class TImpl { Ours, Reference, Clipper };
const char* ImplName(TImpl i) {
  switch (i) {
    case TImpl::Ours:
      return "ours";
    case TImpl::Reference:
      return "reference";
    case TImpl::Clipper:
      return "clipper";
  }
  return "?";
}

const TDPointList& Outline(TShape shape, int n) {
  static std::map<std::pair<int, int>, TDPointList> cache;
  auto key = std::make_pair(static_cast<int>(shape), n);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, offset_shapes::Make(shape, n)).first;
  return it->second;
}

ClipperLib::Path ToClipper(const TDPointList& points) {
  ClipperLib::Path path;
  path.reserve(points.Items().size());
  for (const TDPoint& p : points) {
    path.emplace_back(static_cast<ClipperLib::cInt>(std::llround(p.x * ClipperScale)),
                      static_cast<ClipperLib::cInt>(std::llround(p.y * ClipperScale)));
  }
  return path;
}

void RunOffset(benchmark::State& state, TShape shape, bool grow, TImpl impl) {
  const int n = static_cast<int>(state.range(0));
  const TDPointList& input = Outline(shape, n);
  const double d = grow ? offset_shapes::GrowBy(shape) : offset_shapes::ShrinkBy(shape);
  const ClipperLib::Path path = impl == TImpl::Clipper ? ToClipper(input) : ClipperLib::Path{};
  std::size_t outPoints = 0;
  for (auto _ : state) {
    if (impl == TImpl::Clipper) {
      ClipperLib::ClipperOffset co(10.0, 0.01 * d * ClipperScale);
      co.AddPath(path, grow ? ClipperLib::jtMiter : ClipperLib::jtRound,
                 ClipperLib::etClosedPolygon);
      ClipperLib::Paths solution;
      co.Execute(solution, (grow ? d : -d) * ClipperScale);
      outPoints = 0;
      for (const auto& p : solution) outPoints += p.size();
      benchmark::DoNotOptimize(solution.data());
    } else {
      TDPointList points = input;
      if (impl == TImpl::Ours) {
        OffsetPolygon(points, grow ? d : -d);
      } else {
        offset_reference::Offset(points, grow ? d : -d);
      }
      outPoints = points.Items().size();
      benchmark::DoNotOptimize(points.Items().data());
    }
  }
  state.counters["vertices"] = static_cast<double>(input.Count());
  state.counters["out"] = static_cast<double>(outPoints);
}

std::string CaseName(TShape shape, bool grow, TImpl impl) {
  return std::string("offset/") + offset_shapes::ShapeName(shape) + (grow ? "/grow/" : "/shrink/") +
         ImplName(impl);
}

void Register() {
  for (TShape shape : offset_shapes::AllShapes) {
    for (bool grow : {true, false}) {
      for (TImpl impl : {TImpl::Ours, TImpl::Clipper, TImpl::Reference}) {
        const int maxSize = impl == TImpl::Ours      ? 1 << 30
                            : impl == TImpl::Clipper ? ClipperMaxSize
                                                     : ReferenceMaxSize;
        auto* b = benchmark::RegisterBenchmark(CaseName(shape, grow, impl).c_str(), RunOffset,
                                               shape, grow, impl);
        b->Unit(benchmark::kMillisecond);
        for (int n : Sizes) {
          if (n <= maxSize) b->Arg(n);
        }
        b->MinTime(0.2);
        // The table takes the best repetition: other work on the machine only ever slows a
        // run down. The step-by-step version runs once (it takes seconds per case).
        if (impl != TImpl::Reference) b->Repetitions(Repetitions);
      }
    }
  }
}

// Collects, per case, the best mean real time of its repetitions for the table at the end.
class TTableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration) {
        continue;
      }
      const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      double& best = FTimes[run.run_name.function_name][std::stoi(run.run_name.args)];
      if (best <= 0 || seconds < best) best = seconds;
    }
  }
  void PrintTable() const {
    std::printf("\n%-8s %-6s %7s %12s %12s %8s %12s %8s\n", "shape", "op", "n", "ours ms",
                "clipper ms", "ratio", "reference ms", "growth");
    for (TShape shape : offset_shapes::AllShapes) {
      for (bool grow : {true, false}) {
        double previous = 0;
        for (int n : Sizes) {
          const double ours = Find(CaseName(shape, grow, TImpl::Ours), n);
          const double clipper = Find(CaseName(shape, grow, TImpl::Clipper), n);
          const double reference = Find(CaseName(shape, grow, TImpl::Reference), n);
          if (ours <= 0) continue;  // left out by a filter
          char clipperText[32] = "-", ratioText[32] = "-", referenceText[32] = "-",
               growthText[32] = "-";
          if (clipper > 0) std::snprintf(clipperText, sizeof clipperText, "%.3f", clipper * 1e3);
          if (clipper > 0 && ours > 0) {
            std::snprintf(ratioText, sizeof ratioText, "%.3f", ours / clipper);
          }
          if (reference > 0) {
            std::snprintf(referenceText, sizeof referenceText, "%.3f", reference * 1e3);
          }
          if (previous > 0 && ours > 0) {
            std::snprintf(growthText, sizeof growthText, "%.1fx", ours / previous);
          }
          std::printf("%-8s %-6s %7d %12.3f %12s %8s %12s %8s\n", offset_shapes::ShapeName(shape),
                      grow ? "grow" : "shrink", n, ours * 1e3, clipperText, ratioText,
                      referenceText, growthText);
          previous = ours;
        }
      }
    }
    std::printf(
        "best of %d runs (the step-by-step version: 1); ratio = ours / clipper; growth = "
        "ours at n / ours at n/10\n",
        Repetitions);
  }

 private:
  double Find(const std::string& name, int n) const {
    auto it = FTimes.find(name);
    if (it == FTimes.end()) return 0;
    auto jt = it->second.find(n);
    return jt == it->second.end() ? 0 : jt->second;
  }
  std::map<std::string, std::map<int, double>> FTimes;
};

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TTableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  benchmark::Shutdown();
  return 0;
}
