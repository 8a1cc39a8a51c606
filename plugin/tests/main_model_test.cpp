// The main window's model: swell edit filtering and unit switching, grid rows, texts.
#include "plugin/main_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "plugin/common.h"
#include "plugin/strings.h"

namespace {

// An edit that, like the real control, reports every change of its text at once.
class FakeEdit : public TSwellEdit {
 public:
  explicit FakeEdit(TSwellEditor& editor) : FEditor(editor) {}
  void SetSwellText(const std::string& text) override {
    Text = text;
    GuardSeen = FEditor.SwellUpdating();
    FEditor.EditSolderMaskSwellChange(text);
  }
  // The user typing: the text changes and the change handler runs.
  void Type(const std::string& text) {
    Text = text;
    FEditor.EditSolderMaskSwellChange(text);
  }
  std::string Text;
  bool GuardSeen = false;

 private:
  TSwellEditor& FEditor;
};

struct SwellFixture : ::testing::Test {
  int DocumentUnit = UnitMm;
  int DisplayUnit = UnitMm;
  double MaskSwell = 0.0;
  TSwellEditor editor{DocumentUnit, DisplayUnit, MaskSwell};
  FakeEdit edit{editor};
};

TEST(SwellKeyPress, FiltersEachTypedCharacter) {
  struct Case {
    const char* text;
    char32_t key;
    char32_t expected;
  } cases[] = {
      {"", '.', ','},        // '.' turns into ','
      {"", ',', ','},
      {"0,2", ',', 0},       // a second separator
      {"0,2", '.', 0},       // ... also when typed as '.'
      {"-1", '-', 0},        // a second minus
      {"12", '-', '-'},      // minus may stand anywhere
      {"0,25", '7', '7'},
      {"0", '0', '0'},
      {"9", '9', '9'},
      {"0,2", 8, 8},         // backspace passes
      {"", 'a', 0},
      {"", 'e', 0},          // no exponents
      {"", 'E', 0},
      {"", ' ', 0},
      {"", '+', 0},
      {"", U'\u00E9', 0},
      {"", '/', 0},          // the neighbours of the digits
      {"", ':', 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TSwellEditor::EditSolderMaskSwellKeyPress(c.text, c.key), c.expected)
        << "text \"" << c.text << "\" key " << static_cast<unsigned>(c.key);
  }
}

TEST_F(SwellFixture, StartsWithZeroWrittenUnderTheGuard) {
  MaskSwell = 7.0;
  editor.ShowInitialSwell(edit);
  EXPECT_EQ(edit.Text, "0");
  EXPECT_TRUE(edit.GuardSeen);
  EXPECT_FALSE(editor.SwellUpdating());
  EXPECT_EQ(MaskSwell, 0.0);
}

TEST_F(SwellFixture, UnitRoundTripShowsConvertedTextsAndKeepsTheSwell) {
  editor.ShowInitialSwell(edit);
  edit.Type("0,254");
  ASSERT_DOUBLE_EQ(MaskSwell, 0.254);
  const double typed = MaskSwell;
  struct Step {
    int unit;
    const char* shown;
  } steps[] = {{UnitMil, "10"}, {UnitInch, "0,01"}, {UnitMm, "0,254"}};
  for (const Step& s : steps) {
    editor.ComboSolderMaskUnitsChange(s.unit, edit);
    EXPECT_EQ(edit.Text, s.shown) << "unit " << s.unit;
    EXPECT_EQ(DisplayUnit, s.unit);
    EXPECT_EQ(MaskSwell, typed) << "unit " << s.unit;  // exactly, not just nearly
    EXPECT_TRUE(edit.GuardSeen);
    EXPECT_FALSE(editor.SwellUpdating());
  }
}

TEST_F(SwellFixture, GuardKeepsTheSwellFromTheRoundedText) {
  // 0.1 mm shown in inches has more digits than the edit form keeps: read back, the text
  // would move the swell. The guard makes the handler ignore the model's own writes.
  edit.Type("0,1");
  editor.ComboSolderMaskUnitsChange(UnitInch, edit);
  EXPECT_EQ(edit.Text, "0,00393700787401575");
  EXPECT_EQ(MaskSwell, 0.1);
  EXPECT_NE(ParseNumber(edit.Text) * 25.4, 0.1);  // what the unguarded handler would store
}

TEST_F(SwellFixture, TypedInAnotherUnitIsStoredInTheDocumentUnit) {
  struct Case {
    int documentUnit;
    int displayUnit;
    const char* typed;
    double expected;
  } cases[] = {
      {UnitMm, UnitInch, "0,01", 0.254},
      {UnitMm, UnitMil, "10", 0.254},
      {UnitMil, UnitMm, "0,0254", 1.0},
      {UnitInch, UnitMil, "-5", -0.005},
      {UnitMm, UnitMm, "0.5", 0.5},
  };
  for (const Case& c : cases) {
    DocumentUnit = c.documentUnit;
    editor.ComboSolderMaskUnitsChange(c.displayUnit, edit);
    edit.Type(c.typed);
    EXPECT_NEAR(MaskSwell, c.expected, 1e-12) << c.typed;
  }
}

TEST_F(SwellFixture, TextsThatAreNoNumberKeepTheLastSwell) {
  edit.Type("-0,15");
  ASSERT_DOUBLE_EQ(MaskSwell, -0.15);
  for (const char* text : {"-", ",", "", "-,", "1,2,3", "1-2", "abc"}) {
    edit.Type(text);
    EXPECT_DOUBLE_EQ(MaskSwell, -0.15) << '"' << text << '"';
  }
}

TEST_F(SwellFixture, UnitIndexOutsideTheListChangesNothing) {
  edit.Type("0,3");
  edit.Text = "unchanged";
  for (int index : {-1, 3, 100}) {
    editor.ComboSolderMaskUnitsChange(index, edit);
    EXPECT_EQ(edit.Text, "unchanged");
    EXPECT_EQ(DisplayUnit, UnitMm);
    EXPECT_DOUBLE_EQ(MaskSwell, 0.3);
  }
}

std::unique_ptr<TNet> MakeNet(const char* name, int traces, int selectedTraces, int segmentsPerTrace,
                              int selectedSegments) {
  auto net = std::make_unique<TNet>(1, name);
  int toSelect = selectedSegments;
  for (int t = 0; t < traces; ++t) {
    auto trace = std::make_unique<TNetTrace>();
    trace->SetSelected(t < selectedTraces);
    for (int s = 0; s < segmentsPerTrace; ++s) {
      auto segment = std::make_unique<TLineSegment>();
      segment->SetSelected(toSelect-- > 0);
      trace->AppendSegment(std::move(segment));
    }
    net->AppendTrace(std::move(trace));
  }
  return net;
}

TEST(MainGrids, NetRowsListOnlyNetsWithSomethingSelected) {
  TNetList nets;
  nets.AppendNet(MakeNet("GND", 5, 2, 1, 0));
  nets.AppendNet(MakeNet("NC", 3, 0, 2, 0));     // nothing selected: no row
  nets.AppendNet(MakeNet("VCC", 2, 0, 5, 3));    // 3 of 10 segments, no trace
  nets.AppendNet(MakeNet("CLK", 1, 1, 4, 4));
  auto rows = NetsGridRows(nets, DefaultText(IDS_COUNT_FORMAT));
  std::vector<TGridRow3> expected = {
      {"GND", "2*/5", "0*/5"}, {"VCC", "0*/2", "3*/10"}, {"CLK", "1*/1", "4*/4"}};
  EXPECT_EQ(rows, expected);
}

TEST(MainGrids, ShapeRowsGiveKindLayerAndNet) {
  TNetList nets;
  TNet* vcc = nets.AppendNet(MakeNet("VCC", 1, 1, 1, 0));
  TShapeList shapes;
  TDPointList two{{0, 0}, {1, 1}};
  TDPointList three{{0, 0}, {1, 1}, {2, 0}};
  shapes.Add(CreateShape(TShapeType::Line, "Top", 0.1, two))->SetNet(vcc);
  shapes.Add(CreateShape(TShapeType::FillRect, "Bottom", -1, two));
  shapes.Add(CreateShape(TShapeType::Polyline, "Bottom", 0.1, three))->SetNet(vcc);
  std::vector<TGridRow3> expected = {
      {"Line", "Top", "VCC"}, {"FillRect", "Bottom", ""}, {"Polyline", "Bottom", "VCC"}};
  EXPECT_EQ(ShapesGridRows(shapes), expected);
  EXPECT_TRUE(ShapesGridRows(TShapeList()).empty());
}

TEST(MainGrids, ColumnWidthLeavesRoomForTheBorders) {
  EXPECT_EQ(GridDefaultColumnWidth(288), 94);
  EXPECT_EQ(GridDefaultColumnWidth(330), 108);
  EXPECT_EQ(GridDefaultColumnWidth(8), 1);
}

TEST(PluginTexts, BuiltInTextsKeepQuotesAndLineBreaks) {
  EXPECT_EQ(DefaultText(IDS_FILE_NOT_EXISTS), "File \"%s\" not exists.");
  EXPECT_EQ(DefaultText(IDS_NO_UNITS), "No \"Units\" attribute in node \"Source\".");
  EXPECT_EQ(DefaultText(IDS_CAPTION), "Velmoran Plugin: Open Solder Mask v%s");
  EXPECT_NE(DefaultText(IDS_WARNING_TEXT).find("mask.\r\nFor such"), std::string_view::npos);
  EXPECT_EQ(DefaultText(static_cast<TextId>(99999)), "");
}

TEST(PluginTexts, FormatFillsPlaceholdersInOrder) {
  struct Case {
    const char* format;
    std::initializer_list<std::string> args;
    const char* expected;
  } cases[] = {
      {"Net %s: point #%d: no \"%s\" attribute.", {"GND", "3", "X"}, "Net GND: point #3: no \"X\" attribute."},
      {"%d*/%d", {"2", "5"}, "2*/5"},
      {"v%s", {"<info not available>"}, "v<info not available>"},
      {"100%% %s", {"done"}, "100% done"},
      {"%s and %s", {"one"}, "one and "},      // missing arguments stay empty
      {"%x %", {"unused"}, "%x %"},            // other specifiers stay as they are
      {"%s", {"%d %s"}, "%d %s"},              // arguments are not read as formats
  };
  for (const Case& c : cases) EXPECT_EQ(FormatText(c.format, c.args), c.expected) << c.format;
}

}  // namespace
