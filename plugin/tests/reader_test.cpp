#include "plugin/board_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/tests/board_fixture.h"

namespace {

const std::string kLayers = "<Layer Id=\"0\"/><Layer Id=\"1\"/><Layer Id=\"2\"/>";
const std::string kGoodNet = NetXml("GND", {Pt(0, 0), Pt(1, 0)});

// Shows a board held in a file and returns what the user was told.
struct Shown {
  TRunPhase phase;
  std::vector<std::string> messages;
};

Shown ShowBoard(const std::string& xml) {
  TempFolder dir;
  RunState state;
  state.BoardFileName = dir.File("b.xml");
  WriteBytes(state.BoardFileName, xml);
  ScriptedUser user;
  TRunFlow flow(state, user);
  Shown s{flow.FormShow(), user.messages};
  EXPECT_EQ(ReadBytes(state.BoardFileName), xml) << "reading changed the file";
  return s;
}

struct MessageCase {
  const char* defect;
  std::string xml;
  std::vector<std::string> messages;
};

// Every defect of the document is reported with its own message, and the run ends.
TEST(BoardReader, EveryDefectHasItsMessage) {
  const std::string head = "<Source Units=\"mm\">";
  const std::string settings = "<Settings><LineWidth/></Settings>";
  const std::string layers = "<CopperLayers>" + kLayers + "</CopperLayers>";
  const std::vector<MessageCase> cases = {
      {"no Source", "<Other Units=\"mm\"/>", {"No root element of document."}},
      {"no Units", "<Source><Board/></Source>", {"No \"Units\" attribute in node \"Source\"."}},
      {"unknown unit", BoardXml(kGoodNet, nullptr, "cm"), {"Incorrect \"Units\" attribute value in \"Source\" node."}},
      {"empty unit", BoardXml(kGoodNet, nullptr, ""), {"Incorrect \"Units\" attribute value in \"Source\" node."}},
      {"Source empty", head + "<!-- only a comment --></Source>", {"No children of \"Source\" node."}},
      {"no Board", head + "<Bored/></Source>", {"No \"Board\" node in \"Source\" node."}},
      {"Board empty", head + "<Board>  </Board></Source>", {"No children of \"Board\" node."}},
      {"no Settings", head + "<Board>" + layers + "</Board></Source>", {"No \"Settings\" node in \"Board\" node."}},
      {"no LineWidth", head + "<Board><Settings/>" + layers + "</Board></Source>",
       {"No \"LineWidth\" node in \"Settings\" node."}},
      {"no CopperLayers", head + "<Board>" + settings + "<Nets/></Board></Source>",
       {"No \"CopperLayers\" node in \"Board\" node."}},
      {"CopperLayers empty", head + "<Board>" + settings + "<CopperLayers/><Nets/></Board></Source>",
       {"No \"CopperLayers\" node in \"Board\" node."}},
      {"third layer without Id", BoardXml(kGoodNet, nullptr, "mm", "<L Id=\"0\"/><L Id=\"1\"/><L/>"),
       {"Copper layer #2: no \"Id\" attribute."}},
      {"layer Id -3", BoardXml(kGoodNet, nullptr, "mm", "<L Id=\"-3\"/>"), {"Copper layer #0: incorrect \"Id\" attribute value."}},
      {"layer Id abc", BoardXml(kGoodNet, nullptr, "mm", "<L Id=\"0\"/><L Id=\"abc\"/>"),
       {"Copper layer #1: incorrect \"Id\" attribute value."}},
      {"layer Id empty", BoardXml(kGoodNet, nullptr, "mm", "<L Id=\"\"/>"), {"Copper layer #0: incorrect \"Id\" attribute value."}},
      {"no Nets", head + "<Board>" + settings + layers + "</Board></Source>",
       {"No selected nets traces and/or segments or shapes."}},
      {"empty net", BoardXml(kGoodNet + "<Net/>"), {"Net #2: no child nodes."}},
      {"second net without Name", BoardXml(kGoodNet + "<Net><Traces/></Net>"), {"Net #2: no \"Name\" attribute."}},
      {"empty Name", BoardXml("<Net><Name></Name></Net>"), {"Net #1: incorrect \"Name\" attribute value."}},
      {"point without Width", BoardXml(NetXml("VCC", {Pt(0, 0), "X=\"1\" Y=\"0\" Lay=\"0\""})),
       {"Net VCC: point #1: no \"Width\" attribute."}},
      {"Width abc", BoardXml(NetXml("VCC", {Pt(0, 0), Pt(1, 0), "X=\"2\" Y=\"0\" Lay=\"0\" Width=\"abc\""})),
       {"Net VCC: point #2: incorrect \"Width\" attribute value."}},
      {"empty Width on the first point", BoardXml(NetXml("VCC", {"X=\"0\" Y=\"0\" Lay=\"0\" Width=\"\"", Pt(1, 0)})),
       {"Net VCC: point #0: incorrect \"Width\" attribute value."}},
      {"Width 1e999", BoardXml(NetXml("VCC", {Pt(0, 0), "X=\"1\" Y=\"0\" Lay=\"0\" Width=\"1e999\""})),
       {"Net VCC: point #1: incorrect \"Width\" attribute value."}},
      {"point without Lay", BoardXml(NetXml("VCC", {Pt(0, 0), "X=\"1\" Y=\"0\" Width=\"0.3\""})),
       {"Net VCC: point #1: no \"Lay\" attribute."}},
      {"Lay above the last Id", BoardXml(NetXml("VCC", {Pt(0, 0), Pt(1, 0, "", 0.3, 3)})),
       {"Net VCC: point #1: incorrect \"Lay\" attribute value."}},
      {"Lay -1", BoardXml(NetXml("VCC", {Pt(0, 0, "", 0.3, -1), Pt(1, 0)})),
       {"Net VCC: point #0: incorrect \"Lay\" attribute value."}},
      {"X missing at point 3", BoardXml(NetXml("N1", {Pt(0, 0), Pt(1, 0), Pt(2, 0), "Y=\"0\" Width=\"0.3\" Lay=\"0\""})),
       {"Net N1: point #3: no \"X\" attribute."}},
      {"X and Y both bad: both reported",
       BoardXml(NetXml("N1", {"X=\"nan\" Y=\"inf\" Width=\"0.3\" Lay=\"0\"", Pt(1, 0)})),
       {"Net N1: point #0: incorrect \"X\" attribute value.", "Net N1: point #0: incorrect \"Y\" attribute value."}},
      {"Y missing", BoardXml(NetXml("N1", {Pt(0, 0), "X=\"1\" Width=\"0.3\" Lay=\"0\""})),
       {"Net N1: point #1: no \"Y\" attribute."}},
      {"nothing selected", BoardXml(NetXml("GND", {Pt(0, 0, ""), Pt(1, 0, "")})),
       {"No selected nets traces and/or segments or shapes."}},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.defect);
    Shown s = ShowBoard(c.xml);
    EXPECT_EQ(s.phase, TRunPhase::End);
    EXPECT_EQ(s.messages, c.messages);
  }
}

TEST(BoardReader, CommandLineDefects) {
  TempFolder dir;
  struct Case {
    std::string path;
    std::string message;
  } cases[] = {
      {"", "No XML or VelXML file fullpath."},
      {dir.File("missing.xml"), "File \"" + dir.File("missing.xml") + "\" not exists."},
      {dir.path, "File \"" + dir.path + "\" not exists."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    RunState state;
    state.BoardFileName = c.path;
    ScriptedUser user;
    TRunFlow flow(state, user);
    EXPECT_EQ(flow.FormShow(), TRunPhase::End);
    EXPECT_EQ(user.messages, std::vector<std::string>{c.message});
  }
}

// Errors of the XML layer and of the lists end the run with their own text.
TEST(BoardReader, LayerAndListErrorsShowTheirOwnText) {
  const std::vector<MessageCase> cases = {
      {"two Silk children", BoardXml(kGoodNet, nullptr, "mm", kLayers, "<Silk>0.2</Silk><Silk>0.3</Silk>"),
       {"Duplicates not allowed"}},
      {"arc flag on the last point", BoardXml(NetXml("A", {Pt(0, 0), Pt(1, 1), Pt(2, 0, "Arc=\"Y\"")})),
       {"List index out of bounds (3)"}},
      {"Name holding an element", BoardXml("<Net><Name><B/></Name></Net>"),
       {"Element \"Name\" does not contain a single text node"}},
      {"LineWidth child holding an element", BoardXml(kGoodNet, nullptr, "mm", kLayers, "<Courtyard><x/></Courtyard>"),
       {"Element \"Courtyard\" does not contain a single text node"}},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.defect);
    Shown s = ShowBoard(c.xml);
    EXPECT_EQ(s.phase, TRunPhase::End);
    EXPECT_EQ(s.messages, c.messages);
  }
  for (const std::string& broken : {std::string("<Source Units=\"mm\"><Board>"), BoardXml(kGoodNet).substr(0, 150)}) {
    Shown s = ShowBoard(broken);
    EXPECT_EQ(s.phase, TRunPhase::End);
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_NE(s.messages[0].find("not well-formed"), std::string::npos) << s.messages[0];
  }
}

// Reads a board into a state, expecting success.
struct Loaded {
  TempFolder dir;
  RunState state;
  ScriptedUser user;
  bool ok = false;
  explicit Loaded(const std::string& xml) {
    state.BoardFileName = dir.File("b.xml");
    WriteBytes(state.BoardFileName, xml);
    ok = LoadBoard(state, user);
  }
};

TEST(BoardReader, UnitsIgnoreCaseAndRescaleTolerances) {
  struct Case {
    const char* units;
    int unit;
    double defaultWidth;
  } cases[] = {{"MM", UnitMm, 0.12}, {"Inch", UnitInch, 0.12 / 25.4}, {"mil", UnitMil, 0.12 / 25.4 * 1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units);
    Loaded l(BoardXml(kGoodNet, nullptr, c.units));
    ASSERT_TRUE(l.ok) << (l.user.messages.empty() ? "" : l.user.messages[0]);
    EXPECT_EQ(l.state.DocumentUnit, c.unit);
    EXPECT_EQ(l.state.DisplayUnit, c.unit);
    EXPECT_EQ(l.user.selectedUnits, std::vector<int>{c.unit});
    EXPECT_DOUBLE_EQ(l.state.Settings->DefaultLineWidth().at("Default"), c.defaultWidth);
    EXPECT_DOUBLE_EQ(GeomEps, ConvertUnits(UnitMm, c.unit, GeomEpsMm));
  }
  ResetTolerances();
}

TEST(BoardReader, LineWidthTableStoresItsKeys) {
  Loaded l(BoardXml(kGoodNet, nullptr, "mm", kLayers,
                    "<Silk>0,2</Silk><Other>9</Other><Assembly>0.1</Assembly><CompOutline>x</CompOutline>"
                    "<Courtyard>0.05</Courtyard><BoardOutline>0.3</BoardOutline>"));
  ASSERT_TRUE(l.ok);
  const auto& w = l.state.Settings->DefaultLineWidth();
  EXPECT_EQ(w.size(), 10u);
  EXPECT_EQ(w.at("Top Silk"), 0.2);
  EXPECT_EQ(w.at("Bottom Silk"), 0.2);
  EXPECT_EQ(w.at("Top Assy"), 0.1);
  EXPECT_TRUE(std::isnan(w.at("Bottom Outline")));
  EXPECT_EQ(w.at("Top Courtyard"), 0.05);
  EXPECT_EQ(w.at("Board Outline"), 0.3);
  EXPECT_EQ(w.count("Other"), 0u);
}

TEST(BoardReader, TracesBecomeSegments) {
  const std::string nets =
      NetXml("ARC", {Pt(0, 0), Pt(1, 1, "Arc=\"Y\" Selected=\"Y\""), Pt(2, 0, ""), Pt(3, 0, "", 0.25, 2)},
             " Selected=\"Y\"", "7") +
      NetXml("ONE", {Pt(5, 5)}, " Selected=\"Y\"") + "<Net><Name>NOTRACES</Name></Net>" +
      "<Net><Name>NOPOINTS</Name><Traces><Trace Selected=\"Y\"/></Traces></Net>" +
      NetXml("MID", {Pt(0, 0, "", 0.3, 1), Pt(0, 1, "", 0.3, 1)});
  Loaded l(BoardXml(nets));
  ASSERT_TRUE(l.ok);
  const TNetList& list = *l.state.NetList;
  ASSERT_EQ(list.Count(), 4);  // the net without traces is not listed
  const TNet& arc = *list.GetNet(0);
  EXPECT_EQ(arc.Id(), 7);
  EXPECT_EQ(list.GetNet(1)->Id(), -1);
  ASSERT_EQ(arc.Traces().size(), 1u);
  const auto& segs = arc.Traces()[0]->Segments();
  ASSERT_EQ(segs.size(), 2u);
  EXPECT_TRUE(segs[0]->Arc());
  EXPECT_TRUE(segs[0]->Selected());
  EXPECT_EQ(segs[0]->Points().Count(), 3);
  EXPECT_EQ(segs[0]->Points()[2].x, 2.0);
  EXPECT_FALSE(segs[1]->Arc());
  EXPECT_EQ(segs[1]->Width(), 0.25);
  EXPECT_EQ(segs[1]->Layer(), TSolderMaskLayer::smlBottom);
  EXPECT_EQ(segs[0]->Layer(), TSolderMaskLayer::smlTop);
  EXPECT_EQ(list.GetNet(1)->Traces().size(), 1u);  // one point: a trace with no segments
  EXPECT_TRUE(list.GetNet(1)->Traces()[0]->Segments().empty());
  EXPECT_TRUE(list.GetNet(2)->Traces().empty());  // no Points: no trace
  EXPECT_EQ(list.GetNet(3)->Traces()[0]->Segments()[0]->Layer(), TSolderMaskLayer::smlNone);
  EXPECT_TRUE(l.state.AnySelected);
}

struct ShapeCase {
  const char* what;
  std::string shape;
  std::string expected;  // kind, copper layer, line width, net; "" when passed over
};

std::string ShapeXml(const std::string& attrs, const std::string& points) {
  return "<Shape " + attrs + "><Points>" + points + "</Points></Shape>";
}
const std::string kSel = "Selected=\"Y\" AllLayers=\"N\" Layer=\"Signal/Plane\" ";
const std::string kTwo = "<Point X=\"0\" Y=\"0\"/><Point X=\"2\" Y=\"1\"/>";
const std::string kThree = kTwo + "<Point X=\"3\" Y=\"0\"/>";

TEST(BoardReader, ShapesThatQualifyAreRead) {
  const std::vector<ShapeCase> cases = {
      {"line on top", ShapeXml(kSel + "LayId=\"0\" Type=\"Line\" LineWidth=\"0.2\" NetId=\"7\"", kTwo), "Line Top 0.2 N7"},
      {"bottom, default width", ShapeXml(kSel + "LayId=\"2\" Type=\"Rectangle\"", kTwo), "Rectangle Bottom 0.12 "},
      {"width not a number takes the default", ShapeXml(kSel + "LayId=\"0\" Type=\"Arc\" LineWidth=\"x\"", kThree),
       "Arc Top 0.12 "},
      {"unknown net", ShapeXml(kSel + "LayId=\"0\" Type=\"Obround\" LineWidth=\"1\" NetId=\"99\"", kTwo), "Obround Top 1 "},
      {"fill rect", ShapeXml(kSel + "LayId=\"0\" Type=\"FillRect\"", kTwo), "FillRect Top -1 "},
      {"fill obround", ShapeXml(kSel + "LayId=\"0\" Type=\"FillObround\"", kTwo), "FillObround Top -1 "},
      {"two-point polyline is a line", ShapeXml(kSel + "LayId=\"0\" Type=\"Polyline\" LineWidth=\"0.1\"", kTwo),
       "Line Top 0.1 "},
      {"polyline", ShapeXml(kSel + "LayId=\"0\" Type=\"Polyline\" LineWidth=\"0.1\"", kThree), "Polyline Top 0.1 "},
      {"polygon of two", ShapeXml(kSel + "LayId=\"0\" Type=\"Polygon\"", kTwo), "Polygon Top -1 "},
      {"other children skipped", ShapeXml(kSel + "LayId=\"0\" Type=\"Line\"", "<Item X=\"9\" Y=\"9\"/><Point X=\"1\"/>" + kTwo),
       "Line Top 0.12 "},
      {"not selected", ShapeXml("Selected=\"N\" AllLayers=\"N\" Layer=\"Signal/Plane\" LayId=\"0\" Type=\"Line\"", kTwo), ""},
      {"all layers", ShapeXml("Selected=\"Y\" AllLayers=\"Y\" Layer=\"Signal/Plane\" LayId=\"0\" Type=\"Line\"", kTwo), ""},
      {"no AllLayers", ShapeXml("Selected=\"Y\" Layer=\"Signal/Plane\" LayId=\"0\" Type=\"Line\"", kTwo), ""},
      {"silk layer", ShapeXml("Selected=\"Y\" AllLayers=\"N\" Layer=\"Silk\" LayId=\"0\" Type=\"Line\"", kTwo), ""},
      {"inner layer", ShapeXml(kSel + "LayId=\"1\" Type=\"Line\"", kTwo), ""},
      {"LayId -1", ShapeXml(kSel + "LayId=\"-1\" Type=\"Line\"", kTwo), ""},
      {"arc of four", ShapeXml(kSel + "LayId=\"0\" Type=\"Arc\"", kThree + "<Point X=\"4\" Y=\"4\"/>"), ""},
      {"polygon of one", ShapeXml(kSel + "LayId=\"0\" Type=\"Polygon\"", "<Point X=\"0\" Y=\"0\"/>"), ""},
      {"written kind name PolyLine", ShapeXml(kSel + "LayId=\"0\" Type=\"PolyLine\"", kThree), ""},
      {"no Type", ShapeXml(kSel + "LayId=\"0\"", kTwo), ""},
      {"no Points", "<Shape " + kSel + "LayId=\"0\" Type=\"Line\"/>", ""},
      {"coordinate not a number", ShapeXml(kSel + "LayId=\"0\" Type=\"Line\"", "<Point X=\"0\" Y=\"nan\"/><Point X=\"1\" Y=\"1\"/>"), ""},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded l(BoardXml(NetXml("N7", {Pt(0, 0, ""), Pt(1, 0, "")}, "", "7"), c.shape.c_str()));
    ASSERT_EQ(l.user.messages, std::vector<std::string>{});
    std::string got;
    if (l.state.ShapeList->Count() == 1) {
      const TShapeBase& s = (*l.state.ShapeList)[0];
      got = std::string(ShapeTypeToStr(s.ShapeType())) + " " + s.CopperLayer() + " " + FormatNumber(s.LineWidth()) + " " +
            s.NetName();
    }
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(l.state.AnySelected, !c.expected.empty());  // a shape alone makes the board selected
  }
}

std::uint64_t Bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The reader takes the plain forms of its numbers in a pass of its own: every form gives what
// ParseNumber and ParseInteger give, or the message of a bad value.
TEST(BoardReader, PointValuesReadAsTheNumberFunctionsReadThem) {
  const char* numbers[] = {"0", "12.5", "-3.25", "+4", "007", "5.", ".5", "-0", "-.0", "+", "-", "", ".", " 1", "1 ",
                           "1,5", "1e3", "1E-2", "123456789012345", "1234567890123456", "0.000000000000001",
                           "12345678.9012345", "-99999999999999.9", "1.2.3", "abc", "nan", "inf", "1e999", "0x10",
                           "--1", "1e", "12a", "9007199254740993", "0.1", "0.3", "1.-2"};
  for (const char* text : numbers) {
    SCOPED_TRACE(std::string("\"") + text + "\"");
    const double expected = ParseNumber(text);
    for (const char* attribute : {"X", "Width"}) {
      // On the end point, whose width is the segment's.
      const std::string end = std::string(attribute) == "X" ? "X=\"" + std::string(text) + "\" Y=\"0\" Width=\"0.3\" Lay=\"0\""
                                                             : "X=\"1\" Y=\"0\" Width=\"" + std::string(text) + "\" Lay=\"0\"";
      Loaded l(BoardXml(NetXml("N", {Pt(0, 0), end})));
      if (std::isnan(expected)) {
        EXPECT_EQ(l.user.messages, std::vector<std::string>{"Net N: point #1: incorrect \"" + std::string(attribute) +
                                                            "\" attribute value."});
        continue;
      }
      ASSERT_TRUE(l.ok) << attribute;
      const TLineSegment& seg = *l.state.NetList->GetNet(0)->Traces()[0]->Segments()[0];
      const double got = std::string(attribute) == "X" ? seg.Points()[1].x : seg.Width();
      EXPECT_EQ(Bits(got), Bits(expected)) << attribute;
    }
  }
  const char* layTexts[] = {"0", "1", "2", "00", "002", "+2", " 2", "2 ", "-0", "3", "-1", "", "a", "1.0",
                          "999999999", "0000000002", "2x", "4294967298"};
  for (const char* text : layTexts) {
    SCOPED_TRACE(std::string("\"") + text + "\"");
    Loaded l(BoardXml(NetXml("N", {Pt(0, 0), "X=\"1\" Y=\"0\" Width=\"0.3\" Lay=\"" + std::string(text) + "\""})));
    const std::optional<int> expected = ParseInteger(text);
    if (!expected || *expected < 0 || *expected > 2) {
      EXPECT_EQ(l.user.messages, std::vector<std::string>{"Net N: point #1: incorrect \"Lay\" attribute value."});
      continue;
    }
    ASSERT_TRUE(l.ok);
    const TSolderMaskLayer layers[] = {TSolderMaskLayer::smlTop, TSolderMaskLayer::smlNone, TSolderMaskLayer::smlBottom};
    EXPECT_EQ(l.state.NetList->GetNet(0)->Traces()[0]->Segments()[0]->Layer(), layers[*expected]);
  }
}

TEST(BoardReader, IntegersArePlainDecimals) {
  struct Case {
    const char* text;
    std::optional<int> value;
  } cases[] = {{"0", 0}, {"12", 12}, {"-3", -3}, {"+4", 4}, {" 5 ", 5}, {"", std::nullopt}, {"1.0", std::nullopt},
               {"0x10", std::nullopt}, {"abc", std::nullopt}, {"99999999999", std::nullopt}, {"-", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;
}

}  // namespace
