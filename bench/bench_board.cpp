// A whole plugin run on a generated board of 100,000 segments in 2,000 nets plus 1,000
// shapes (load and read, then parse again, generate and save), next to pugixml parsing and
// saving the same document.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

void BM_PugixmlParseAndSave(benchmark::State& st) {
  PutBoard();
  std::string out = BoardPath() + ".pugi";
  for (auto _ : st) {
    pugi::xml_document doc;
    doc.load_file(BoardPath().c_str(), pugi::parse_default | pugi::parse_declaration);
    doc.save_file(out.c_str(), "  ", pugi::format_default | pugi::format_no_declaration);
  }
  std::remove(out.c_str());
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

void BM_MorvaneWholeRun(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    PutBoard();
    st.ResumeTiming();
    RunState state;
    state.BoardFileName = BoardPath();
    QuietUI ui;
    TRunFlow flow(state, ui);
    flow.FormShow();
    flow.ChangeSwellText("0.05");
    if (flow.BtnOKClick(RegionSegments) != TOkResult::Written) st.SkipWithError("write failed");
  }
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * Board().size()));
}

BENCHMARK(BM_PugixmlParseAndSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MorvaneLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MorvaneGenerateAndSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MorvaneWholeRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
