#pragma once
// End-to-end harness for the board tests: a board written to a file, a run of the flow with
// a scripted user, and the Shape elements the run added, in a compact readable form.
#include <string>
#include <vector>

#include "plugin/mask_writer.h"
#include "plugin/run_flow.h"
#include "plugin/tests/test_files.h"

// A user that records what it is shown and answers the warning as told.
struct ScriptedUser : TRunUI {
  std::vector<std::string> messages;
  std::vector<TWarningRows> warnings;
  std::vector<int> selectedUnits;
  bool answer = true;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool ConfirmOpening(const TWarningRows& rows) override {
    warnings.push_back(rows);
    return answer;
  }
  void SelectUnit(int unit) override { selectedUnits.push_back(unit); }
};

// A board document. Layers are copper layer elements, nets and shapes the children of
// "Nets" and "Shapes" (no "Shapes" element when shapes is null).
inline std::string BoardXml(const std::string& nets, const char* shapes = nullptr, const std::string& units = "mm",
                            const std::string& layers = "<Layer Id=\"0\"/><Layer Id=\"1\"/><Layer Id=\"2\"/>",
                            const std::string& lineWidth = "<Silk>0.2</Silk>") {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Source Units=\"" + units +
                  "\">\n  <Board>\n    <Settings>\n      <LineWidth>" + lineWidth +
                  "</LineWidth>\n    </Settings>\n    <CopperLayers>" + layers + "</CopperLayers>\n    <Nets>" + nets +
                  "</Nets>\n";
  if (shapes) s += std::string("    <Shapes>") + shapes + "</Shapes>\n";
  s += "  </Board>\n</Source>\n";
  return s;
}

// One net with one trace of the given points (each a <P .../> element's attributes).
inline std::string NetXml(const std::string& name, const std::vector<std::string>& points,
                          const std::string& traceAttrs = "", const std::string& id = "") {
  std::string s = "<Net" + (id.empty() ? "" : " Id=\"" + id + "\"") + "><Name>" + name + "</Name><Traces><Trace" +
                  traceAttrs + "><Points>";
  for (const std::string& p : points) s += "<P " + p + "/>";
  return s + "</Points></Trace></Traces></Net>";
}

// A trace point: X, Y, Width, Lay, plus extra attributes (Arc, Selected).
inline std::string Pt(double x, double y, const std::string& extra = "Selected=\"Y\"", double width = 0.3,
                      int lay = 0) {
  return "X=\"" + FormatNumber(x) + "\" Y=\"" + FormatNumber(y) + "\" Width=\"" + FormatNumber(width) + "\" Lay=\"" +
         std::to_string(lay) + "\" " + extra;
}

// The Shape elements under Source/Board/Shapes from position `from` on, one line each:
// Type LineWidth Layer: Name(X Y) ...
inline std::vector<std::string> ShapesFrom(const std::string& bytes, std::size_t from) {
  TXmlDocument doc;
  doc.LoadFromBytes(bytes);
  std::vector<std::string> out;
  TXmlNode shapes = doc.TopLevelElement("Source").FirstChild("Board").FirstChild("Shapes");
  std::vector<TXmlNode> all = shapes.ChildElements();
  for (std::size_t i = from; i < all.size(); ++i) {
    TXmlNode s = all[i];
    std::string line = s.AttributeText("Type");
    if (s.HasAttribute("LineWidth")) line += " " + s.AttributeText("LineWidth");
    line += " " + s.AttributeText("Layer") + ":";
    for (TXmlNode p : s.FirstChild("Points").ChildElements()) {
      line += " " + p.Name() + "(" + p.AttributeText("X") + " " + p.AttributeText("Y") + ")";
    }
    out.push_back(line);
  }
  return out;
}

struct RunResult {
  TRunPhase shown = TRunPhase::Starting;
  TOkResult ok = TOkResult::Ignored;
  std::vector<std::string> messages;
  std::vector<TWarningRows> warnings;
  std::string before, after;
  std::vector<std::string> added;  // the Shape elements the run added
};

// Writes the board to a file, shows it, sets the swell (given in unit, -1 for the document's)
// and presses OK for the region.
inline RunResult RunBoard(const std::string& xml, int region = RegionSegments, const std::string& swell = "0",
                          int unit = -1, bool answer = true) {
  TempFolder dir;
  RunState state;
  state.BoardFileName = dir.File("board.xml");
  WriteBytes(state.BoardFileName, xml);
  ScriptedUser user;
  user.answer = answer;
  TRunFlow flow(state, user);
  RunResult r;
  r.before = xml;
  r.shown = flow.FormShow();
  if (r.shown == TRunPhase::Ready) {
    if (unit >= 0) flow.ChangeDisplayUnit(unit);
    flow.ChangeSwellText(swell);
    r.ok = flow.BtnOKClick(region);
  }
  r.messages = user.messages;
  r.warnings = user.warnings;
  r.after = ReadBytes(state.BoardFileName);
  if (r.after != r.before) {
    TXmlDocument original;
    original.LoadFromBytes(r.before);
    TXmlNode shapes = original.TopLevelElement("Source").FirstChild("Board").FirstChild("Shapes");
    r.added = ShapesFrom(r.after, shapes ? shapes.ChildElements().size() : 0);
  }
  return r;
}
