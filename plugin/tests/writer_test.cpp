#include "plugin/mask_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/tests/board_fixture.h"

namespace {

using Lines = std::vector<std::string>;

struct WriteCase {
  const char* what;
  std::string nets;
  int region;
  std::string swell;
  Lines expected;
};

// Four straight pieces in a row, all selected.
const std::string kRow = NetXml("ROW", {Pt(0, 0), Pt(1, 0), Pt(2, 0), Pt(3, 0), Pt(4, 0)});

TEST(MaskWriter, SegmentsBecomeShapeElements) {
  const std::vector<WriteCase> cases = {
      {"one straight segment, swell 0.1", NetXml("A", {Pt(0, 0), Pt(1, 0)}), RegionSegments, "0.1",
       {"Line 0.5 Top Mask: Point(0 0) Point(1 0)"}},
      {"two segments join: opening's last meets first", NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(1, 2)}), RegionSegments, "0",
       {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(1 2)"}},
      {"four in a row make two shapes", kRow, RegionSegments, "0",
       {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(2 0)", "PolyLine 0.3 Top Mask: Point(2 0) Point(3 0) Item(4 0)"}},
      {"arc: Items, and the next segment opens a new shape",
       NetXml("A", {Pt(0, 0), Pt(1, 1, "Arc=\"Y\" Selected=\"Y\""), Pt(2, 0), Pt(3, 0)}), RegionSegments, "0.05",
       {"Arc 0.4 Top Mask: Item(0 0) Item(1 1) Item(2 0)", "Line 0.4 Top Mask: Point(2 0) Point(3 0)"}},
      {"widths within 1e-12 join", NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(2, 0, "Selected=\"Y\"", 0.3000000000001)}),
       RegionSegments, "0", {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(2 0)"}},
      {"widths 0.3 and 0.301 do not", NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(2, 0, "Selected=\"Y\"", 0.301)}), RegionSegments,
       "0", {"Line 0.3 Top Mask: Point(0 0) Point(1 0)", "Line 0.301 Top Mask: Point(1 0) Point(2 0)"}},
      {"top and bottom never join", NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(2, 0, "Selected=\"Y\"", 0.3, 2)}), RegionSegments,
       "0", {"Line 0.3 Top Mask: Point(0 0) Point(1 0)", "Line 0.3 Bottom Mask: Point(1 0) Point(2 0)"}},
      {"inner layer is -1", NetXml("A", {Pt(0, 0, "", 0.3, 1), Pt(1, 0, "Selected=\"Y\"", 0.3, 1)}), RegionSegments, "0",
       {"Line 0.3 -1: Point(0 0) Point(1 0)"}},
      {"unselected segment between does not close the shape", NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(2, 0, ""), Pt(0, 1)}),
       RegionSegments, "0",
       // the third selected piece (2,0)-(0,1) meets neither end of the opening piece
       {"Line 0.3 Top Mask: Point(0 0) Point(1 0)", "Line 0.3 Top Mask: Point(2 0) Point(0 1)"}},
      {"unselected segment between; next still compared with the opening",
       NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(5, 5, ""), Pt(0, 0)}), RegionSegments, "0",
       {"PolyLine 0.3 Top Mask: Item(5 5) Point(0 0) Point(1 0)"}},
      {"region 0 skips unselected segments", NetXml("A", {Pt(0, 0), Pt(1, 0, ""), Pt(2, 2)}, " Selected=\"Y\""),
       RegionSegments, "0", {"Line 0.3 Top Mask: Point(1 0) Point(2 2)"}},
      {"region 1 writes every segment of a selected trace", NetXml("A", {Pt(0, 0), Pt(1, 0, ""), Pt(2, 2)}, " Selected=\"Y\""),
       RegionTraces, "0", {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(2 2)"}},
      {"region 1 skips traces that are not selected", NetXml("A", {Pt(0, 0), Pt(1, 0)}) + NetXml("B", {Pt(0, 5, ""), Pt(1, 5, "")}, " Selected=\"Y\""),
       RegionTraces, "0", {"Line 0.3 Top Mask: Point(0 5) Point(1 5)"}},
      {"region 2 writes every trace of a net with a selected trace",
       "<Net><Name>N</Name><Traces><Trace Selected=\"Y\"><Points><P " + Pt(0, 0, "") + "/><P " + Pt(1, 0, "") +
           "/></Points></Trace><Trace><Points><P " + Pt(0, 3, "") + "/><P " + Pt(1, 3, "") +
           "/></Points></Trace></Traces></Net>",
       RegionNets, "0", {"Line 0.3 Top Mask: Point(0 0) Point(1 0)", "Line 0.3 Top Mask: Point(0 3) Point(1 3)"}},
      {"region 2 and a net with only selected segments: nothing", NetXml("A", {Pt(0, 0), Pt(1, 0)}), RegionNets, "0", {}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    RunResult r = RunBoard(BoardXml(c.nets), c.region, c.swell);
    EXPECT_EQ(r.messages, Lines{});
    EXPECT_EQ(r.added, c.expected);
    EXPECT_EQ(r.ok, c.expected.empty() ? TOkResult::NothingToWrite : TOkResult::Written);
  }
}

// The four orders in which a segment's end can meet the opening segment's ends, and the
// join tolerance. The opening piece is (0,0)-(1,0); the piece between is not selected and
// so not written; the last piece a-b is compared with the opening piece.
TEST(MaskWriter, FourJoinOrdersAndTheJoinTolerance) {
  struct Case {
    const char* what;
    TDPoint a, b;
    Lines expected;
  } cases[] = {
      {"last meets first", {1, 0}, {1, 1}, {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(1 1)"}},
      {"last meets last", {1, 1}, {1, 0}, {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(1 1)"}},
      {"first meets first", {0, 0}, {0, 1}, {"PolyLine 0.3 Top Mask: Item(0 1) Point(0 0) Point(1 0)"}},
      {"first meets last", {0, 1}, {0, 0}, {"PolyLine 0.3 Top Mask: Item(0 1) Point(0 0) Point(1 0)"}},
      {"ends 5e-9 apart meet", {1.000000005, 0}, {1, 1}, {"PolyLine 0.3 Top Mask: Point(0 0) Point(1 0) Item(1 1)"}},
      {"ends 2e-8 apart do not", {1.00000002, 0}, {1, 1},
       {"Line 0.3 Top Mask: Point(0 0) Point(1 0)", "Line 0.3 Top Mask: Point(1.00000002 0) Point(1 1)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunResult r = RunBoard(BoardXml(NetXml("J", {Pt(0, 0), Pt(1, 0), Pt(c.a.x, c.a.y, ""), Pt(c.b.x, c.b.y)})));
    EXPECT_EQ(r.added, c.expected);
  }
}

TEST(MaskWriter, ShapesAddTheirPiecesAfterTheSegments) {
  const std::string sel = "Selected=\"Y\" AllLayers=\"N\" Layer=\"Signal/Plane\" ";
  const std::string shapes =
      "<Shape Type=\"Line\" Existing=\"1\"/>"
      "<Shape " + sel + "LayId=\"0\" Type=\"Rectangle\" LineWidth=\"0.2\" NetId=\"3\"><Points><Point X=\"2\" Y=\"3\"/>"
      "<Point X=\"0\" Y=\"0\"/></Points></Shape>"
      "<Shape " + sel + "LayId=\"2\" Type=\"FillRect\"><Points><Point X=\"0\" Y=\"0\"/><Point X=\"2\" Y=\"1\"/></Points></Shape>"
      "<Shape " + sel + "LayId=\"0\" Type=\"Obround\" LineWidth=\"0.1\"><Points><Point X=\"0\" Y=\"0\"/><Point X=\"4\" Y=\"2\"/></Points></Shape>";
  RunResult r = RunBoard(BoardXml(NetXml("GND", {Pt(0, 0), Pt(1, 0)}, "", "3"), shapes.c_str()), RegionSegments, "0,1");
  EXPECT_EQ(r.ok, TOkResult::Written);
  EXPECT_EQ(r.added, (Lines{
                         "Line 0.5 Top Mask: Point(0 0) Point(1 0)",
                         "Polyline 0.4 Top Mask: Point(0 3) Point(2 3) Point(2 0) Point(0 0) Point(0 3)",
                         "FillRect Bottom Mask: Point(-0.1 1.1) Point(2.1 -0.1)",
                         "Line 0.3 Top Mask: Point(1 2) Point(3 2)",
                         "Arc 0.3 Top Mask: Point(3 2) Point(4 1) Point(3 0)",
                         "Line 0.3 Top Mask: Point(3 0) Point(1 0)",
                         "Arc 0.3 Top Mask: Point(1 0) Point(0 1) Point(1 2)",
                     }));
  // Attributes in the order Type, LineWidth, Layer, and nothing else.
  EXPECT_NE(r.after.find("<Shape Type=\"Line\" LineWidth=\"0.5\" Layer=\"Top Mask\">"), std::string::npos);
  EXPECT_NE(r.after.find("<Shape Type=\"FillRect\" Layer=\"Bottom Mask\">"), std::string::npos);
}

// The board after a run differs from the one read only by the added elements.
TEST(MaskWriter, SavedBoardDiffersOnlyByTheAddedShapes) {
  const std::string before = BoardXml(NetXml("GND", {Pt(0, 0), Pt(1, 0)}), "\n      <Shape Keep=\"1\"/>\n    ");
  RunResult r = RunBoard(before);
  const std::string added = "      <Shape Type=\"Line\" LineWidth=\"0.3\" Layer=\"Top Mask\">\n        <Points>\n"
                            "          <Point X=\"0\" Y=\"0\"/>\n          <Point X=\"1\" Y=\"0\"/>\n        </Points>\n"
                            "      </Shape>\n";
  std::string expected = before;
  expected.insert(expected.find("    </Shapes>"), added);
  EXPECT_EQ(r.after, expected);
}

}  // namespace
