// Morvane.exe under Wine, driven from outside like a user: captions, messages, grids, the
// swell edit, the units list, the warning dialog, and what each ending does to the board.
#include <gtest/gtest.h>

#include <cstdlib>

#include "plugin/tests/win32/ui_driver.h"
#include "plugin/win32/control_ids.h"

namespace {

const std::string kCaption = "Velmoran Plugin: Open Solder Mask v0.2.1.0";

std::string MorvaneExe() { return OwnFolder() + "\\Morvane.exe"; }
std::string DataFile(const std::string& name) { return std::string(MORVANE_UI_DATA) + "/" + name; }

// One run of Morvane.exe on a copy of a board.
struct TRun {
  TTestFolder folder;
  std::string board = folder.File("board.xml");
  std::string original;
  TUiDriver ui;
  HWND main = nullptr;

  // Copies the board and starts the program on it; main is its window once shown.
  void Start(const std::string& boardBytes, const std::string& exe = MorvaneExe()) {
    original = boardBytes;
    ASSERT_TRUE(WriteWholeFile(board, original));
    ASSERT_TRUE(ui.Start(exe, board));
    main = ui.WaitForWindow(MORVANE_MAIN_CLASS);
    ASSERT_NE(main, nullptr) << "no main window";
  }
  HWND Control(int id) const { return GetDlgItem(main, id); }
  void SetSwell(const std::string& typed) {
    TUiDriver::SelectAll(Control(IDC_EDIT_SWELL));
    TUiDriver::Type(Control(IDC_EDIT_SWELL), "\b" + typed);
  }
  // OK, then the warning dialog (or null when none came).
  HWND PressOkForWarning() {
    TUiDriver::Click(main, IDC_BTN_OK);
    return ui.WaitForWindow(MORVANE_WARNING_CLASS, 5000);
  }
  void ExpectEndedWithCodeZero() {
    auto code = ui.WaitForExit();
    ASSERT_TRUE(code.has_value()) << "still running";
    EXPECT_EQ(*code, 0u);
  }
};

TEST(MorvaneWindow, CaptionShowsTheFileVersion) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  EXPECT_EQ(TUiDriver::Text(run.main), kCaption);
  // Group and label texts, the region list at its first item and the document's unit.
  struct {
    int id;
    const char* text;
  } controls[] = {{IDC_GB_NETS, "Nets"},
                  {IDC_GB_SOLDER_MASK, "Solder Mask"},
                  {IDC_GB_SHAPES, "Shapes"},
                  {IDC_LABEL_REGION, "Open Mask for:"},
                  {IDC_LABEL_SWELL, "Mask Swell:"},
                  {IDC_BTN_OK, "OK"},
                  {IDC_BTN_CANCEL, "Cancel"},
                  {IDC_COMBO_REGION, "Selected Segments"},
                  {IDC_COMBO_UNITS, "mm"},
                  {IDC_EDIT_SWELL, "0"}};
  for (const auto& c : controls) EXPECT_EQ(TUiDriver::ControlText(run.main, c.id), c.text) << c.id;
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
}

struct Place {
  int id;
  int left, top, width, height;  // inside the window's client area, at 96 pixels per inch
};

// Places at 96 pixels per inch, checked at the given resolution.
void ExpectPlaces(HWND window, const std::vector<Place>& places, int dpi = 96, int dy = 0) {
  auto at = [dpi](int v) { return MulDiv(v, dpi, 96); };
  for (const Place& p : places) {
    RECT r = TUiDriver::PlaceInParent(GetDlgItem(window, p.id));
    EXPECT_EQ(r.left, at(p.left)) << p.id;
    EXPECT_EQ(r.top, at(p.top + dy)) << p.id;
    if (p.width > 0) {
      EXPECT_EQ(r.right - r.left, at(p.width)) << p.id;
    }
    if (p.height > 0) {
      EXPECT_EQ(r.bottom - r.top, at(p.height)) << p.id;
    }
  }
}

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

void CheckMainWindowLayout(int dpi) {
  auto at = [dpi](int v) { return MulDiv(v, dpi, 96); };
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  SIZE client = ClientSize(run.main);
  EXPECT_EQ(client.cx, at(320));
  EXPECT_EQ(client.cy, at(534));
  LONG style = GetWindowLongW(run.main, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  // Centred on the screen.
  RECT w{};
  GetWindowRect(run.main, &w);
  EXPECT_LE(std::abs((w.left + w.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((w.top + w.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
  // Group children sit at their place inside the group, moved by the group's own place.
  ExpectPlaces(run.main,
               {{IDC_BTN_OK, 156, 500, 75, 25},
                {IDC_BTN_CANCEL, 237, 500, 75, 25},
                {IDC_GB_NETS, 8, 8, 304, 194},
                {IDC_GB_SOLDER_MASK, 8, 208, 304, 86},
                {IDC_COMBO_REGION, 8 + 152, 208 + 20, 145, 22},
                {IDC_LABEL_REGION, 8 + 8, 208 + 24, 0, 0},
                {IDC_LABEL_SWELL, 8 + 8, 208 + 54, 0, 0},
                {IDC_EDIT_SWELL, 8 + 152, 208 + 50, 88, 22},
                {IDC_COMBO_UNITS, 8 + 246, 208 + 50, 50, 22},
                {IDC_GRID_NETS, 8 + 8, 8 + 20, 288, 160},
                {IDC_GB_SHAPES, 8, 300, 304, 194},
                {IDC_GRID_SHAPES, 8 + 8, 300 + 20, 288, 160}},
               dpi);
  EXPECT_EQ(TUiDriver::TabOrder(run.main),
            (std::vector<int>{IDC_BTN_OK, IDC_BTN_CANCEL, IDC_GRID_NETS, IDC_COMBO_REGION, IDC_EDIT_SWELL,
                              IDC_COMBO_UNITS, IDC_GRID_SHAPES}));
  EXPECT_EQ(run.ui.GridRowHeight(run.Control(IDC_GRID_NETS)), at(24));
  EXPECT_EQ(run.ui.GridRowHeight(run.Control(IDC_GRID_SHAPES)), at(24));
  EXPECT_EQ(run.ui.GridColumnWidths(run.Control(IDC_GRID_NETS)), (std::vector<int>(3, at(94))));
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
}

TEST(MorvaneWindow, MainWindowLayout) { CheckMainWindowLayout(96); }

// Run by its own test entry in a Wine prefix of its own, whose screen resolution it sets.
TEST(MorvaneWindowDpi, LayoutScalesWithTheScreenResolution) {
  const char* dpiText = std::getenv("MORVANE_UI_DPI");
  if (!dpiText) GTEST_SKIP() << "runs in the prefix of the resolution test";
  DWORD dpi = static_cast<DWORD>(std::atoi(dpiText));
  // Read by each new process of the prefix at its start.
  for (auto [root, key] : {std::pair{HKEY_CURRENT_CONFIG, L"Software\\Fonts"},
                           std::pair{HKEY_CURRENT_USER, L"Control Panel\\Desktop"}}) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), ERROR_SUCCESS);
    RegSetValueExW(k, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    RegCloseKey(k);
  }
  CheckMainWindowLayout(static_cast<int>(dpi));
}

TEST(MorvaneWindow, WarningDialogLayout) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  run.SetSwell("-0,15");
  HWND warning = run.PressOkForWarning();
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(GetWindow(warning, GW_OWNER), run.main);
  // The explanation may take more lines than planned in a wider font; what lies below it
  // then moves down by as much, and the dialog grows with it.
  RECT label = TUiDriver::PlaceInParent(GetDlgItem(warning, IDC_WARN_LABEL1));
  const int extra = (label.bottom - label.top) - 48;
  EXPECT_GE(extra, 0);
  SIZE client = ClientSize(warning);
  EXPECT_EQ(client.cx, 346);
  EXPECT_EQ(client.cy, 442 + extra);
  ExpectPlaces(warning, {{IDC_WARN_LABEL1, 8, 8, 330, 48 + extra}});
  ExpectPlaces(warning,
               {{IDC_WARN_GRID_NETS, 8, 54, 330, 160},
                {IDC_WARN_YES, 182, 408, 75, 25},
                {IDC_WARN_NO, 263, 408, 75, 25},
                {IDC_WARN_LABEL2, 8, 386, 0, 0},
                {IDC_WARN_GRID_SHAPES, 8, 220, 330, 160}},
               96, extra);
  // Centred over the main window.
  RECT m{}, d{};
  GetWindowRect(run.main, &m);
  GetWindowRect(warning, &d);
  EXPECT_LE(std::abs((m.left + m.right) / 2 - (d.left + d.right) / 2), 1);
  EXPECT_LE(std::abs((m.top + m.bottom) / 2 - (d.top + d.bottom) / 2), 1);
  // Five columns of at least 64 pixels, wide enough for their headers; rows of 24 pixels.
  for (int width : run.ui.GridColumnWidths(GetDlgItem(warning, IDC_WARN_GRID_NETS))) EXPECT_GE(width, 64);
  EXPECT_EQ(run.ui.GridColumnWidths(GetDlgItem(warning, IDC_WARN_GRID_NETS)).size(), 5u);
  EXPECT_EQ(run.ui.GridRowHeight(GetDlgItem(warning, IDC_WARN_GRID_NETS)), 24);
  TUiDriver::Click(warning, IDC_WARN_NO);
  ASSERT_TRUE(run.ui.WaitHidden(warning));
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
}

TEST(MorvaneWindow, WithoutVersionBlockTheCaptionSaysSo) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")), OwnFolder() + "\\morvane_noversion.exe");
  EXPECT_EQ(TUiDriver::Text(run.main), "Velmoran Plugin: Open Solder Mask v<info not available>");
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
}

TEST(MorvaneWindow, RunsThatCannotGoOnShowTheirMessageAndEnd) {
  TTestFolder folder;
  const std::string nothingSelected = folder.File("nothing.xml");
  ASSERT_TRUE(WriteWholeFile(nothingSelected,
                             "<Source Units=\"mm\"><Board><Settings><LineWidth/></Settings>"
                             "<CopperLayers><Layer Id=\"0\"/></CopperLayers><Nets><Net><Name>GND</Name><Traces>"
                             "<Trace><Points><Point X=\"0\" Y=\"0\" Width=\"0.2\" Lay=\"0\"/>"
                             "<Point X=\"1\" Y=\"0\" Width=\"0.2\" Lay=\"0\"/></Points></Trace>"
                             "</Traces></Net></Nets></Board></Source>"));
  const std::string missing = folder.File("missing.xml");
  const std::string badUnit = folder.File("cm.xml");
  ASSERT_TRUE(WriteWholeFile(badUnit, "<Source Units=\"cm\"><Board/></Source>"));
  const std::string broken = folder.File("broken.xml");
  ASSERT_TRUE(WriteWholeFile(broken, "<Source Units=\"mm\"><Board>"));
  struct Case {
    const char* what;
    std::optional<std::string> argument;
    std::string message;
    bool whole;  // the whole message, or how it begins
  } cases[] = {
      {"no argument", std::nullopt, "No XML or VelXML file fullpath.", true},
      {"missing file", missing, "File \"" + missing + "\" not exists.", true},
      {"nothing selected", nothingSelected, "No selected nets traces and/or segments or shapes.", true},
      {"unknown unit", badUnit, "Incorrect \"Units\" attribute value in \"Source\" node.", true},
      {"unparsable text", broken, "XML document is not well-formed: ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string before = ReadWholeFile(nothingSelected);
    TUiDriver ui;
    ASSERT_TRUE(ui.Start(MorvaneExe(), c.argument));
    HWND box = ui.WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr);
    std::string shown = TUiDriver::MessageBoxText(box);
    if (c.whole) {
      EXPECT_EQ(shown, c.message);
    } else {
      EXPECT_EQ(shown.rfind(c.message, 0), 0u) << shown;
    }
    EXPECT_EQ(TUiDriver::Text(box), kCaption);  // titled with the application title
    EXPECT_FALSE(TUiDriver::MessageBoxHasIcon(box));  // a plain message box
    EXPECT_FALSE(ui.HasVisibleWindow(MORVANE_MAIN_CLASS));
    TUiDriver::PressMessageBoxOk(box);
    auto code = ui.WaitForExit();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(ReadWholeFile(nothingSelected), before);
  }
}

TEST(MorvaneWindow, GridsListTheSelectedNetsAndShapes) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  HWND nets = run.Control(IDC_GRID_NETS), shapes = run.Control(IDC_GRID_SHAPES);
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(run.ui.GridHeaders(nets), (std::vector<std::string>{"Name", "Traces", "Segments"}));
  // GND: 2 of 5 traces; VCC: 3 of 10 segments and no trace; NC has nothing selected.
  EXPECT_EQ(run.ui.GridCells(nets), (Rows{{"GND", "2*/5", "0*/5"}, {"VCC", "0*/2", "3*/10"}}));
  EXPECT_EQ(run.ui.GridHeaders(shapes), (std::vector<std::string>{"Shape", "Layer", "Net"}));
  EXPECT_EQ(run.ui.GridCells(shapes),
            (Rows{{"Line", "Top", "VCC"}, {"FillRect", "Bottom", ""}, {"Polyline", "Top", "GND"}}));
  TUiDriver::PressCloseBox(run.main);
  run.ExpectEndedWithCodeZero();
  EXPECT_EQ(ReadWholeFile(run.board), run.original);
}

TEST(MorvaneWindow, SwellEditFiltersTypedKeys) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  HWND edit = run.Control(IDC_EDIT_SWELL);
  TUiDriver::SelectAll(edit);
  struct Step {
    const char* typed;
    const char* shown;
  } steps[] = {
      {"\b", ""},       // select all and erase
      {".", ","},       // '.' becomes ','
      {",", ","},       // a second separator is refused
      {".", ","},
      {"-", ",-"},      // a minus may stand anywhere...
      {"-", ",-"},      // ...once
      {"aZ e+", ",-"},  // letters, blanks and plus are refused
      {"25", ",-25"},
  };
  for (const Step& s : steps) {
    TUiDriver::Type(edit, s.typed);
    EXPECT_EQ(TUiDriver::Text(edit), s.shown) << "after typing \"" << s.typed << '"';
  }
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
}

TEST(MorvaneWindow, UnitSwitchShowsTheSwellConvertedAndKeepsIt) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  run.SetSwell("0.254");
  HWND edit = run.Control(IDC_EDIT_SWELL);
  EXPECT_EQ(TUiDriver::Text(edit), "0,254");
  struct Step {
    int unit;
    const char* shown;
    const char* listed;
  } steps[] = {{1, "10", "mil"}, {0, "0,01", "inch"}, {2, "0,254", "mm"}, {0, "0,01", "inch"}};
  for (const Step& s : steps) {
    TUiDriver::PickItem(run.main, IDC_COMBO_UNITS, s.unit);
    EXPECT_EQ(TUiDriver::Text(edit), s.shown) << s.listed;
    EXPECT_EQ(TUiDriver::ControlText(run.main, IDC_COMBO_UNITS), s.listed);
  }
  // Still 0.254 mm after the round trip: the selected VCC segments of 0.5 and 0.2 mm get
  // openings of 0.5 + 2 * 0.254 and 0.2 + 2 * 0.254.
  TUiDriver::Click(run.main, IDC_BTN_OK);
  run.ExpectEndedWithCodeZero();
  std::string written = ReadWholeFile(run.board);
  EXPECT_NE(written.find("LineWidth=\"1.008\""), std::string::npos) << written;
  EXPECT_NE(written.find("LineWidth=\"0.708\""), std::string::npos);
}

// The written board: the input with Shape elements added, and the exact widths written.
int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(MorvaneWindow, WarningListsNarrowItemsAndNoLeavesTheBoard) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  using Rows = std::vector<std::vector<std::string>>;

  run.SetSwell("-0,15");
  HWND warning = run.PressOkForWarning();
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(TUiDriver::Text(warning), "Warning");
  EXPECT_EQ(TUiDriver::ControlText(warning, IDC_WARN_LABEL2), "Do you want to continue?");
  HWND nets = GetDlgItem(warning, IDC_WARN_GRID_NETS), shapes = GetDlgItem(warning, IDC_WARN_GRID_SHAPES);
  EXPECT_EQ(run.ui.GridHeaders(nets), (std::vector<std::string>{"Net", "Trace", "Segment", "Width", "Mask"}));
  EXPECT_EQ(run.ui.GridHeaders(shapes), (std::vector<std::string>{"Shape", "Copper Layer", "Net"}));
  // The third segment of VCC's second trace is 0.2 mm wide: its opening would be -0.1 mm.
  EXPECT_EQ(run.ui.GridCells(nets), (Rows{{"VCC", "#1", "#2", "0,2", "-0,1"}}));
  EXPECT_EQ(run.ui.GridCells(shapes), (Rows{{"Line", "Top", "VCC"}}));
  EXPECT_FALSE(IsWindowEnabled(run.main));  // modal

  TUiDriver::Click(warning, IDC_WARN_NO);
  ASSERT_TRUE(run.ui.WaitHidden(warning));
  EXPECT_TRUE(IsWindowVisible(run.main));
  EXPECT_EQ(ReadWholeFile(run.board), run.original);

  // Another swell, shown in mil: checked again, widths converted, with a comma.
  run.SetSwell("-0,3");
  TUiDriver::PickItem(run.main, IDC_COMBO_UNITS, 1);
  EXPECT_EQ(TUiDriver::ControlText(run.main, IDC_EDIT_SWELL), "-11,8110236220472");
  warning = run.PressOkForWarning();
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(run.ui.GridCells(nets), (Rows{{"VCC", "#0", "#0", "19,6850393700787", "-3,93700787401575"},
                                          {"VCC", "#1", "#2", "7,8740157480315", "-15,748031496063"},
                                          {"VCC", "#1", "#4", "19,6850393700787", "-3,93700787401575"}}));
  // The close box counts as No.
  TUiDriver::PressCloseBox(warning);
  ASSERT_TRUE(run.ui.WaitHidden(warning));
  EXPECT_TRUE(IsWindowVisible(run.main));
  EXPECT_EQ(ReadWholeFile(run.board), run.original);

  // Yes writes, leaving the listed items closed, and ends the run.
  TUiDriver::PickItem(run.main, IDC_COMBO_UNITS, 2);
  run.SetSwell("-0,15");
  warning = run.PressOkForWarning();
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(run.ui.GridCells(nets).size(), 1u);
  TUiDriver::Click(warning, IDC_WARN_YES);
  run.ExpectEndedWithCodeZero();
  std::string written = ReadWholeFile(run.board);
  ASSERT_NE(written, run.original);
  // The two wide selected segments (0.5 - 0.3) and the pieces of the two wide shapes; nothing
  // for the narrow segment or the narrow line.
  EXPECT_EQ(CountOf(written, "<Shape Type=\"Line\" LineWidth=\"0.2\" Layer=\"Top Mask\">"), 2) << written;
  EXPECT_EQ(CountOf(written, "<Shape Type=\"Polyline\" LineWidth=\"0.2\" Layer=\"Top Mask\">"), 1);
  EXPECT_EQ(CountOf(written, "<Shape Type=\"FillRect\" Layer=\"Bottom Mask\">"), 1);
  EXPECT_EQ(CountOf(written, "LineWidth=\"-0.1\""), 0);
  EXPECT_EQ(CountOf(written, "<Shape "), 3 + 4);
}

TEST(MorvaneWindow, OnlyShapesIncompatibleStillShowsTheDialog) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  // Selected traces: only GND's, whose 0.25 mm segments keep an opening at -0.11 mm; the
  // 0.2 mm line does not.
  TUiDriver::PickItem(run.main, IDC_COMBO_REGION, 1);
  run.SetSwell("-0,11");
  HWND warning = run.PressOkForWarning();
  ASSERT_NE(warning, nullptr);
  EXPECT_TRUE(run.ui.GridCells(GetDlgItem(warning, IDC_WARN_GRID_NETS)).empty());
  EXPECT_EQ(run.ui.GridHeaders(GetDlgItem(warning, IDC_WARN_GRID_NETS)).size(), 5u);
  EXPECT_EQ(run.ui.GridCells(GetDlgItem(warning, IDC_WARN_GRID_SHAPES)),
            (std::vector<std::vector<std::string>>{{"Line", "Top", "VCC"}}));
  TUiDriver::Click(warning, IDC_WARN_NO);
  ASSERT_TRUE(run.ui.WaitHidden(warning));
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
  EXPECT_EQ(ReadWholeFile(run.board), run.original);
}

TEST(MorvaneWindow, BoardPathWithBlanksAndNonAsciiLetters) {
  TRun run;
  run.board = run.folder.File("Plat\xC3\xA9 \xD0\xBF\xD0\xBB\xD0\xB0\xD1\x82\xD0\xB0 1.xml");  // "Platé плата 1.xml"
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  EXPECT_EQ(run.ui.GridCells(run.Control(IDC_GRID_NETS)).size(), 2u);
  run.SetSwell("0,05");
  TUiDriver::Click(run.main, IDC_BTN_OK);
  run.ExpectEndedWithCodeZero();
  std::string written = ReadWholeFile(run.board);
  EXPECT_NE(written.find("LineWidth=\"0.6\""), std::string::npos) << written;
  EXPECT_EQ(written.substr(0, written.find("</Shapes>")).find(run.original.substr(0, run.original.find("</Shapes>"))),
            0u);
}

TEST(MorvaneWindow, CancelAndCloseBoxLeaveTheBoardAsItWas) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Cancel");
    TRun run;
    run.Start(ReadWholeFile(DataFile("window_board.xml")));
    run.SetSwell("0,1");
    TUiDriver::PickItem(run.main, IDC_COMBO_REGION, 2);
    if (closeBox) TUiDriver::PressCloseBox(run.main);
    else TUiDriver::Click(run.main, IDC_BTN_CANCEL);
    run.ExpectEndedWithCodeZero();
    EXPECT_EQ(ReadWholeFile(run.board), run.original);
  }
}

TEST(MorvaneWindow, FailedSaveIsReportedAndTheWindowStaysOpen) {
  TRun run;
  run.Start(ReadWholeFile(DataFile("window_board.xml")));
  // Held open for reading only: the board can be read again but not replaced.
  HANDLE held = CreateFileA(run.board.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TUiDriver::Click(run.main, IDC_BTN_OK);
  HWND box = run.ui.WaitForWindow(L"#32770", 5000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TUiDriver::MessageBoxText(box).rfind("Cannot save \"" + run.board + "\": ", 0), 0u)
      << TUiDriver::MessageBoxText(box);
  EXPECT_EQ(TUiDriver::Text(box), kCaption);
  EXPECT_TRUE(TUiDriver::MessageBoxHasIcon(box)) << "a failed save is shown in the error box";
  TUiDriver::PressMessageBoxOk(box);
  ASSERT_TRUE(run.ui.WaitHidden(box));
  EXPECT_TRUE(IsWindowVisible(run.main));
  CloseHandle(held);
  EXPECT_EQ(ReadWholeFile(run.board), run.original);
  TUiDriver::Click(run.main, IDC_BTN_CANCEL);
  run.ExpectEndedWithCodeZero();
}

}  // namespace
