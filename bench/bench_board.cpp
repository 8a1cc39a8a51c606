// A whole plugin run on a generated board of 100,000 segments in 2,000 nets plus 1,000
// shapes (load and read, then parse again, generate and save), next to pugixml parsing and
// saving the same document.
//
// The plugin runs once per process, so the two whole jobs are each measured in a fresh
// process (forked for every iteration): both start from an empty heap and pay for every page
// they touch, and neither inherits memory the other one left behind. Their time is the
// child's CPU time (user and system); wall_ms adds what the child waited for, such as the
// flush of the saved board to the disk. The load and the generate-and-save steps are also
// measured on their own, in this process.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "plugin/mask_writer.h"
#include "plugin/run_flow.h"

namespace {

struct QuietUI : TRunUI {
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  bool ConfirmOpening(const TWarningRows&) override { return true; }
  void SelectUnit(int) override {}
};

std::string GenerateBoard() {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Source Units=\"mm\">\n  <Board>\n"
                  "    <Settings>\n      <LineWidth><Silk>0.15</Silk></LineWidth>\n    </Settings>\n"
                  "    <CopperLayers><Layer Id=\"0\"/><Layer Id=\"1\"/></CopperLayers>\n    <Nets>\n";
  for (int n = 0; n < 2000; ++n) {
    s += "      <Net Id=\"" + std::to_string(n) + "\">\n        <Name>N" + std::to_string(n) +
         "</Name>\n        <Traces>\n          <Trace Selected=\"Y\">\n            <Points>\n";
    for (int k = 0; k <= 50; ++k) {
      double x = k * 0.5, y = n * 1.0 + (k % 2) * 0.25;
      s += "              <Point X=\"" + FormatNumber(x) + "\" Y=\"" + FormatNumber(y) +
           "\" Width=\"0.2\" Lay=\"" + std::to_string(n % 2) + "\"" + (k ? " Selected=\"Y\"" : "") + "/>\n";
    }
    s += "            </Points>\n          </Trace>\n        </Traces>\n      </Net>\n";
  }
  s += "    </Nets>\n    <Shapes>\n";
  for (int i = 0; i < 1000; ++i) {
    s += "      <Shape Selected=\"Y\" AllLayers=\"N\" Layer=\"Signal/Plane\" LayId=\"0\" Type=\"" +
         std::string(i % 2 ? "Rectangle" : "Line") + "\" LineWidth=\"0.1\"><Points><Point X=\"" + std::to_string(i) +
         "\" Y=\"-5\"/><Point X=\"" + std::to_string(i) + ".5\" Y=\"-6\"/></Points></Shape>\n";
  }
  s += "    </Shapes>\n  </Board>\n</Source>\n";
  return s;
}

const std::string& Board() {
  static const std::string board = GenerateBoard();
  return board;
}

std::string BoardPath() {
  static const std::string path = (std::filesystem::temp_directory_path() / "morvane-bench-board.xml").string();
  return path;
}

void PutBoard() {
  std::ofstream(BoardPath(), std::ios::binary) << Board();
}

struct TRunCost {
  double cpu = 0, wall = 0;  // seconds
  long pageFaults = 0;
  bool ok = false;
};

// Runs job in a child process and returns the child's CPU time and wall time.
TRunCost RunInFreshProcess(const std::function<bool()>& job) {
  TRunCost cost;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return cost;
  if (pid == 0) _exit(job() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return cost;
  cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  cost.pageFaults = usage.ru_minflt + usage.ru_majflt;
  cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return cost;
}

// The mean child CPU time of each fresh-process job, for the ratio printed at the end.
std::map<std::string, double>& JobTimes() {
  static std::map<std::string, double> times;
  return times;
}

void MeasureJob(benchmark::State& st, const char* name, const std::function<void()>& prepare,
                const std::function<bool()>& job) {
  double cpu = 0, wall = 0, faults = 0;
  for (auto _ : st) {
    prepare();
    TRunCost cost = RunInFreshProcess(job);
    if (!cost.ok) {
      st.SkipWithError("the job failed");
      return;
    }
    st.SetIterationTime(cost.cpu);
    cpu += cost.cpu;
    wall += cost.wall;
    faults += static_cast<double>(cost.pageFaults);
  }
  const double n = static_cast<double>(st.iterations());
  st.counters["wall_ms"] = wall / n * 1e3;
  st.counters["page_faults"] = faults / n;
  JobTimes()[name] = cpu / n;
}

void BM_PugixmlParseAndSave(benchmark::State& st) {
  PutBoard();
  const std::string out = BoardPath() + ".pugi";
  MeasureJob(st, "pugixml", [] {}, [&] {
    pugi::xml_document doc;
    if (!doc.load_file(BoardPath().c_str(), pugi::parse_default | pugi::parse_declaration)) return false;
    return doc.save_file(out.c_str(), "  ", pugi::format_default | pugi::format_no_declaration);
  });
  std::remove(out.c_str());
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * Board().size()));
}

void BM_MorvaneWholeRun(benchmark::State& st) {
  MeasureJob(st, "morvane", PutBoard, [] {
    RunState state;
    state.BoardFileName = BoardPath();
    QuietUI ui;
    TRunFlow flow(state, ui);
    if (flow.FormShow() != TRunPhase::Ready) return false;
    flow.ChangeSwellText("0.05");
    return flow.BtnOKClick(RegionSegments) == TOkResult::Written;
  });
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * Board().size()));
}

void BM_MorvaneLoad(benchmark::State& st) {
  PutBoard();
  for (auto _ : st) {
    RunState state;
    state.BoardFileName = BoardPath();
    QuietUI ui;
    TRunFlow flow(state, ui);
    if (flow.FormShow() != TRunPhase::Ready) st.SkipWithError("load failed");
  }
}

void BM_MorvaneGenerateAndSave(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    PutBoard();
    RunState state;
    state.BoardFileName = BoardPath();
    QuietUI ui;
    TRunFlow flow(state, ui);
    flow.FormShow();
    flow.ChangeSwellText("0.05");
    st.ResumeTiming();
    if (flow.BtnOKClick(RegionSegments) != TOkResult::Written) st.SkipWithError("write failed");
    st.PauseTiming();
    st.counters["shapes"] = flow.AddedShapes();
    st.ResumeTiming();
  }
}

BENCHMARK(BM_PugixmlParseAndSave)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2);
BENCHMARK(BM_MorvaneWholeRun)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2);
BENCHMARK(BM_MorvaneLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MorvaneGenerateAndSave)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto& times = JobTimes();
  if (times.count("pugixml") && times.count("morvane")) {
    std::printf("whole run / pugixml parse and save (CPU time, fresh processes): %.2f\n",
                times.at("morvane") / times.at("pugixml"));
  }
  return 0;
}
