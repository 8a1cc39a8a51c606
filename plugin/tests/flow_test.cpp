#include "plugin/run_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plugin/main_model.h"
#include "plugin/strings.h"
#include "plugin/tests/board_fixture.h"

namespace {

using Lines = std::vector<std::string>;
using SegmentRow = std::array<std::string, 5>;

// Net VCC: trace 0 with one piece; trace 1 with three pieces, the third of width 0.2.
std::string VccBoard(const char* shapes = nullptr, double w = 0.3) {
  const std::string y = "Selected=\"Y\"";
  std::string nets = "<Net><Name>VCC</Name><Traces><Trace><Points><P " + Pt(0, 0, y, w) + "/><P " + Pt(1, 0, y, w) +
                     "/></Points></Trace><Trace><Points><P " + Pt(0, 5, y, w) + "/><P " + Pt(1, 5, y, w) + "/><P " +
                     Pt(2, 5, y, w) +
                     "/><P " + Pt(3, 5, "Selected=\"Y\"", 0.2) + "/></Points></Trace></Traces></Net>";
  return BoardXml(nets, shapes);
}

TEST(RunFlow, WarningRowsAsTheDialogShowsThem) {
  struct Case {
    const char* what;
    int unit;
    SegmentRow row;
  } cases[] = {
      {"shown in mm", UnitMm, {"VCC", "#1", "#2", "0,2", "-0,1"}},
      {"shown in mil", UnitMil, {"VCC", "#1", "#2", "7,8740157480315", "-3,93700787401575"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunResult r = RunBoard(VccBoard(nullptr, 0.4), RegionSegments, c.unit == UnitMm ? "-0,15" : "-5,905511811", c.unit, false);
    ASSERT_EQ(r.warnings.size(), 1u);
    ASSERT_EQ(r.warnings[0].Segments.size(), 1u);
    EXPECT_EQ(r.warnings[0].Segments[0][0], c.row[0]);
    EXPECT_EQ(r.warnings[0].Segments[0][1], c.row[1]);
    EXPECT_EQ(r.warnings[0].Segments[0][2], c.row[2]);
    EXPECT_EQ(r.warnings[0].Segments[0][3], c.row[3]);
    // The swell typed in mil is 0.15 mm only to about 8 digits.
    EXPECT_EQ(r.warnings[0].Segments[0][4].substr(0, 9), c.row[4].substr(0, 9));
    EXPECT_TRUE(r.warnings[0].Shapes.empty());
    EXPECT_EQ(r.ok, TOkResult::Declined);
    EXPECT_EQ(r.after, r.before);  // "No" leaves the file as it was
  }
}

TEST(RunFlow, YesWritesAllButTheIncompatibleItems) {
  const std::string sel = "Selected=\"Y\" AllLayers=\"N\" Layer=\"Signal/Plane\" LayId=\"0\" ";
  const std::string shapes = "<Shape " + sel + "Type=\"Line\" LineWidth=\"0.2\"><Points><Point X=\"0\" Y=\"9\"/>"
                             "<Point X=\"1\" Y=\"9\"/></Points></Shape>"
                             "<Shape " + sel + "Type=\"Line\" LineWidth=\"0.4\"><Points><Point X=\"0\" Y=\"8\"/>"
                             "<Point X=\"1\" Y=\"8\"/></Points></Shape>";
  RunResult r = RunBoard(VccBoard(shapes.c_str()), RegionSegments, "-0,1", -1, true);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].Segments.size(), 1u);  // width 0.2 predicts 0
  ASSERT_EQ(r.warnings[0].Shapes.size(), 1u);
  EXPECT_EQ(r.warnings[0].Shapes[0], (std::array<std::string, 3>{"Line", "Top", ""}));
  EXPECT_EQ(r.ok, TOkResult::Written);
  EXPECT_EQ(r.added, (Lines{"Line 0.1 Top Mask: Point(0 0) Point(1 0)",
                            "PolyLine 0.1 Top Mask: Point(0 5) Point(1 5) Item(2 5)",
                            "Line 0.2 Top Mask: Point(0 8) Point(1 8)"}));
}

TEST(RunFlow, NoDialogForZeroOrPositiveSwellOrNothingIncompatible) {
  for (const char* swell : {"0", "0,5", "-0,0999"}) {
    SCOPED_TRACE(swell);
    RunResult r = RunBoard(VccBoard(), RegionSegments, swell);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.ok, TOkResult::Written);
    EXPECT_EQ(r.added.size(), 3u);
  }
}

TEST(RunFlow, SwellGivenInAnotherUnit) {
  RunResult r = RunBoard(BoardXml(NetXml("A", {Pt(0, 0), Pt(1, 0)})), RegionSegments, "10", UnitMil);
  EXPECT_EQ(r.added, Lines{"Line 0.808 Top Mask: Point(0 0) Point(1 0)"});
  RunResult inch = RunBoard(BoardXml(NetXml("A", {Pt(0, 0), Pt(1, 0)})), RegionSegments, "0,01", UnitInch);
  EXPECT_EQ(inch.added, Lines{"Line 0.808 Top Mask: Point(0 0) Point(1 0)"});
}

// A helper to hold a shown board between steps.
struct Session {
  TempFolder dir;
  RunState state;
  ScriptedUser user;
  TRunFlow flow{state, user};
  explicit Session(const std::string& xml) {
    state.BoardFileName = dir.File("board.xml");
    WriteBytes(state.BoardFileName, xml);
    EXPECT_EQ(flow.FormShow(), TRunPhase::Ready);
  }
  std::string File() const { return ReadBytes(state.BoardFileName); }
};

TEST(RunFlow, NoKeepsTheWindowAndASecondOkChecksAgain) {
  Session s(VccBoard());
  s.user.answer = false;
  s.flow.ChangeSwellText("-0,1");
  EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Declined);
  EXPECT_EQ(s.flow.Phase(), TRunPhase::Ready);
  EXPECT_TRUE(s.state.IncompatibleSegments.empty());
  s.flow.ChangeSwellText("0");
  EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Written);
  EXPECT_EQ(s.user.warnings.size(), 1u);
  EXPECT_EQ(ShapesFrom(s.File(), 0).size(), 3u);
  EXPECT_EQ(s.flow.Phase(), TRunPhase::End);
}

TEST(RunFlow, CancelLeavesTheFileAsItWas) {
  Session s(VccBoard());
  std::string before = s.File();
  s.flow.BtnCancelClick();
  EXPECT_EQ(s.flow.Phase(), TRunPhase::End);
  EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Ignored);
  EXPECT_EQ(s.File(), before);
}

TEST(RunFlow, BoardThatLostItsElementsIsNotWritten) {
  for (const std::string changed : {"<Source Units=\"mm\"/>", "<Other><Board/></Other>"}) {
    Session s(VccBoard());
    WriteBytes(s.state.BoardFileName, changed);
    EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Failed);
    EXPECT_EQ(s.File(), changed);
    ASSERT_EQ(s.user.messages.size(), 1u);
    EXPECT_NE(s.user.messages[0].find("nothing was written"), std::string::npos);
    EXPECT_EQ(s.flow.Phase(), TRunPhase::Ready);
  }
}

TEST(RunFlow, ChangedFileGetsTheShapesOfTheFirstReading) {
  Session s(VccBoard());
  const std::string changed = BoardXml("", "<Shape Keep=\"1\"/>");
  WriteBytes(s.state.BoardFileName, changed);
  EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Written);
  EXPECT_EQ(ShapesFrom(s.File(), 1).size(), 3u);
}

TEST(RunFlow, RetryAfterAFailedWriteStartsCleanAndWritesOnce) {
  Session s(VccBoard());
  const std::string original = s.File();
  // The first attempt, with a swell that closes one segment, cannot read the file.
  std::filesystem::remove(U8Path(s.state.BoardFileName));
  s.flow.ChangeSwellText("-0,1");
  EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Failed);
  ASSERT_EQ(s.user.messages.size(), 1u);
  EXPECT_TRUE(s.state.IncompatibleSegments.empty());
  EXPECT_EQ(s.flow.Phase(), TRunPhase::Ready);
  // The retry with swell 0 writes every segment, the one closed before included, once.
  WriteBytes(s.state.BoardFileName, original);
  s.flow.ChangeSwellText("0");
  EXPECT_EQ(s.flow.BtnOKClick(RegionSegments), TOkResult::Written);
  EXPECT_EQ(ShapesFrom(s.File(), 0),
            (Lines{"Line 0.3 Top Mask: Point(0 0) Point(1 0)", "PolyLine 0.3 Top Mask: Point(0 5) Point(1 5) Item(2 5)",
                   "Line 0.2 Top Mask: Point(2 5) Point(3 5)"}));
}

TEST(RunFlow, SwellEditFollowsTheUnit) {
  Session s(BoardXml(NetXml("A", {Pt(0, 0), Pt(1, 0)})));
  EXPECT_TRUE(s.flow.ChangeSwellText("0,254"));
  s.flow.ChangeDisplayUnit(UnitMil);
  EXPECT_EQ(s.flow.SwellEditText(), "10");
  s.flow.ChangeDisplayUnit(UnitInch);
  EXPECT_EQ(s.flow.SwellEditText(), "0,01");
  EXPECT_DOUBLE_EQ(s.state.MaskSwell, 0.254);
  for (const char* bad : {"-", ",", "", "abc"}) EXPECT_FALSE(s.flow.ChangeSwellText(bad));
  EXPECT_DOUBLE_EQ(s.state.MaskSwell, 0.254);
}

TEST(RunFlow, GridRowsListWhatIsSelected) {
  Session s(BoardXml(NetXml("A", {Pt(0, 0), Pt(1, 0), Pt(2, 0, "")}) + NetXml("B", {Pt(0, 0, ""), Pt(1, 0, "")}) +
                     NetXml("C", {Pt(0, 0, ""), Pt(1, 0, "")}, " Selected=\"Y\"")));
  auto rows = NetsGridRows(*s.state.NetList, DefaultText(IDS_COUNT_FORMAT));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::array<std::string, 3>{"A", "0*/1", "1*/2"}));
  EXPECT_EQ(rows[1], (std::array<std::string, 3>{"C", "1*/1", "0*/1"}));
}

}  // namespace
