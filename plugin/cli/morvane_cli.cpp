// morvane: the plugin's whole job from the command line. Reads a board, lists what is
// selected, warns about openings that a negative swell would close, writes the openings
// into the board and optionally draws an SVG preview.
#include <clocale>
#include <numbers>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "plugin/main_model.h"
#include "plugin/mask_writer.h"
#include "plugin/run_flow.h"
#include "plugin/strings.h"
#include "plugin/xml.h"

namespace {

enum ExitCode { ExitOk = 0, ExitDocument = 1, ExitArguments = 2, ExitDeclined = 3 };

const char* kHelp =
    "Usage: morvane BOARD [options]\n"
    "\n"
    "Opens the solder mask over the selected copper of a board document: adds one Shape\n"
    "element per qualifying trace segment (straight neighbours joined into polylines) and\n"
    "the mask pieces of every selected shape, then saves the board in place. The board is\n"
    "written to a new file beside it and replaces it in one step; everything else in the\n"
    "file stays byte for byte.\n"
    "\n"
    "Options (also in the form --option=VALUE, needed for a negative swell: --swell=-0.1):\n"
    "  --region segments|traces|nets  what to open the mask for: the selected segments\n"
    "                                 (default), every segment of the selected traces, or\n"
    "                                 every trace of the nets with a selected trace\n"
    "  --swell NUMBER                 mask swell, '.' or ',' as decimal separator (default 0);\n"
    "                                 negative values pull the mask back from the copper\n"
    "  --unit inch|mil|mm             unit of --swell and of the warning list (default: the\n"
    "                                 board's own unit)\n"
    "  --yes, --no                    answer to the warning about openings a negative swell\n"
    "                                 would close; without either the question is asked on\n"
    "                                 the terminal (no terminal: No)\n"
    "  --dry-run                      do everything but save the board\n"
    "  --preview FILE.svg             draw the copper (segments by layer, shapes) and the\n"
    "                                 openings that were or would be written\n"
    "  --help                         this text\n"
    "\n"
    "Exit status: 0 board written or nothing to write, 1 defect of the document or failed\n"
    "save, 2 bad arguments, 3 the warning was answered No.\n";

struct Options {
  std::string board;
  int region = RegionSegments;
  std::optional<std::string> swell;
  int unit = -1;
  int answer = -1;  // -1 ask, 0 no, 1 yes
  bool dryRun = false;
  std::string preview;
};

class TerminalUI : public TRunUI {
 public:
  explicit TerminalUI(int answer) : FAnswer(answer) {}
  void ShowMessage(const std::string& text) override { std::cout << text << "\n"; }
  void SelectUnit(int unit) override { std::cout << "Board unit: " << UnitText(unit) << "\n"; }
  bool ConfirmOpening(const TWarningRows& rows) override {
    std::cout << "Warning\n"
                 "Some segments of the network(s) have a width incompatible with the specified size of the "
                 "solder mask.\nFor such segments, the solder mask will not be opened.\n";
    if (!rows.Segments.empty()) {
      std::cout << "  Net\tTrace\tSegment\tWidth\tMask\n";
      for (const auto& r : rows.Segments) {
        std::cout << "  " << r[0] << "\t" << r[1] << "\t" << r[2] << "\t" << r[3] << "\t" << r[4] << "\n";
      }
    }
    if (!rows.Shapes.empty()) {
      std::cout << "  Shape\tCopper Layer\tNet\n";
      for (const auto& r : rows.Shapes) std::cout << "  " << r[0] << "\t" << r[1] << "\t" << r[2] << "\n";
    }
    std::cout << "Do you want to continue?";
    if (FAnswer >= 0) {
      std::cout << (FAnswer ? " Yes\n" : " No\n");
      return FAnswer == 1;
    }
    if (!isatty(fileno(stdin))) {
      std::cout << " No (no terminal to ask)\n";
      return false;
    }
    std::cout << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return false;
    return line == "y" || line == "Y" || line == "yes" || line == "Yes";
  }

 private:
  int FAnswer;
};

int UnitIndex(const std::string& text) {
  for (int u = 0; u < UnitCount; ++u) {
    if (text == UnitText(u)) return u;
  }
  return -1;
}

// Parses the arguments; returns an exit code for --help or a bad argument, else -1.
int ParseArguments(const std::vector<std::string>& args, Options& o) {
  auto bad = [](const std::string& why) {
    std::cerr << "morvane: " << why << "\nTry 'morvane --help'.\n";
    return ExitArguments;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (a == "--help" || a == "-h") {
      std::cout << kHelp;
      return ExitOk;
    }
    if (a.rfind("--", 0) != 0) {
      if (!o.board.empty()) return bad("more than one board given: " + a);
      o.board = a;
      continue;
    }
    std::string name = a, value;
    bool hasValue = false;
    if (std::size_t eq = a.find('='); eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    }
    auto takeValue = [&]() -> bool {
      if (hasValue) return true;
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };
    if (name == "--yes" || name == "--no" || name == "--dry-run") {
      if (hasValue) return bad(name + " takes no value");
      if (name == "--dry-run") {
        o.dryRun = true;
      } else {
        int answer = name == "--yes" ? 1 : 0;
        if (o.answer >= 0 && o.answer != answer) return bad("--yes and --no exclude each other");
        o.answer = answer;
      }
    } else if (name == "--region") {
      if (!takeValue()) return bad("--region needs a value");
      if (value == "segments") o.region = RegionSegments;
      else if (value == "traces") o.region = RegionTraces;
      else if (value == "nets") o.region = RegionNets;
      else return bad("unknown region '" + value + "' (segments, traces or nets)");
    } else if (name == "--swell") {
      if (!takeValue()) return bad("--swell needs a value");
      if (!std::isfinite(ParseNumber(value))) return bad("--swell is not a number: '" + value + "'");
      o.swell = value;
    } else if (name == "--unit") {
      if (!takeValue()) return bad("--unit needs a value");
      o.unit = UnitIndex(value);
      if (o.unit < 0) return bad("unknown unit '" + value + "' (inch, mil or mm)");
    } else if (name == "--preview") {
      if (!takeValue() || value.empty()) return bad("--preview needs a file name");
      o.preview = value;
    } else {
      return bad("unknown option " + name);
    }
  }
  return -1;
}

// ---- Preview --------------------------------------------------------------------------

std::vector<TDPoint> ArcPoints(const TDPoint& a, const TDPoint& b, const TDPoint& c) {
  TDPoint u = b - a, v = c - a;
  double m = 2 * u.Cross(c - b);
  if (std::fabs(m) < 1e-12) return {a, b, c};
  double g = u.Dot(b + a), h = v.Dot(c + a);
  TDPoint o{(g * v.y - h * u.y) / m, (h * u.x - g * v.x) / m};
  double r = o.Distance(a);
  double t0 = std::atan2(a.y - o.y, a.x - o.x), t1 = std::atan2(b.y - o.y, b.x - o.x), t2 = std::atan2(c.y - o.y, c.x - o.x);
  auto norm = [](double t) { return t < 0 ? t + 2 * std::numbers::pi : t; };
  double s1 = norm(t1 - t0), s2 = norm(t2 - t0);
  if (s2 < 1e-12) s2 = 2 * std::numbers::pi;  // a full circle
  double sweep = s1 <= s2 ? s2 : s2 - 2 * std::numbers::pi;
  std::vector<TDPoint> pts;
  for (int i = 0; i <= 32; ++i) {
    double t = t0 + sweep * i / 32;
    pts.push_back({o.x + r * std::cos(t), o.y + r * std::sin(t)});
  }
  return pts;
}

struct Svg {
  std::ostringstream body;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  void Grow(const TDPoint& p, double w) {
    minX = std::min(minX, p.x - w);
    maxX = std::max(maxX, p.x + w);
    minY = std::min(minY, p.y - w);
    maxY = std::max(maxY, p.y + w);
  }
  void Path(const std::vector<TDPoint>& pts, double width, const char* stroke, const char* fill, double opacity,
            bool closed) {
    if (pts.empty()) return;
    body << "<path d=\"";
    for (std::size_t i = 0; i < pts.size(); ++i) {
      body << (i ? " L" : "M") << FormatNumber(pts[i].x) << " " << FormatNumber(-pts[i].y);
      Grow(pts[i], std::max(width, 0.0));
    }
    if (closed) body << " Z";
    body << "\" stroke=\"" << stroke << "\" stroke-width=\"" << FormatNumber(std::max(width, 0.0))
         << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\" fill=\"" << fill << "\" opacity=\"" << opacity
         << "\"/>\n";
  }
};

const char* CopperColour(TSolderMaskLayer l) {
  return l == TSolderMaskLayer::smlTop ? "#c83737" : l == TSolderMaskLayer::smlBottom ? "#3765c8" : "#888888";
}

void DrawShape(Svg& svg, const TShapeBase& s, double width, const char* colour, double opacity) {
  const TDPointList& p = s.Points();
  std::vector<TDPoint> pts(p.begin(), p.end());
  switch (s.ShapeType()) {
    case TShapeType::Arc:
      svg.Path(ArcPoints(p[0], p[1], p[2]), width, colour, "none", opacity, false);
      break;
    case TShapeType::Rectangle:
    case TShapeType::FillRect:
    case TShapeType::FillObround: {
      TShapeBoundingBox b = s.BoundingBox();
      std::vector<TDPoint> box = {{b.Left, b.Top}, {b.Right, b.Top}, {b.Right, b.Bottom}, {b.Left, b.Bottom}};
      bool filled = s.IsFilled();
      svg.Path(box, filled ? 0 : width, colour, filled ? colour : "none", opacity, true);
      break;
    }
    case TShapeType::Polygon:
      svg.Path(pts, 0, colour, colour, opacity, true);
      break;
    default:
      svg.Path(pts, width, colour, "none", opacity, false);
  }
}

bool WritePreview(const std::string& file, const RunState& state, int region) {
  Svg svg;
  // Copper.
  for (const auto& net : state.NetList->Items()) {
    for (const auto& trace : net->Traces()) {
      for (const auto& seg : trace->Segments()) {
        const TDPointList& p = seg->Points();
        std::vector<TDPoint> pts = seg->Arc() ? ArcPoints(p[0], p[1], p[2]) : std::vector<TDPoint>{p[0], p[1]};
        svg.Path(pts, seg->Width(), CopperColour(seg->Layer()), "none", 0.8, false);
      }
    }
  }
  for (const auto& shape : *state.ShapeList) {
    DrawShape(svg, *shape, shape->LineWidth(), CopperColour(shape->Layer()), 0.8);
  }
  // Openings over it.
  const double swell = state.MaskSwell;
  for (const auto& net : state.NetList->Items()) {
    for (const auto& trace : net->Traces()) {
      for (const auto& seg : trace->Segments()) {
        if (!RegionWritesSegment(region, *net, *trace, *seg)) continue;
        const TDPointList& p = seg->Points();
        std::vector<TDPoint> pts = seg->Arc() ? ArcPoints(p[0], p[1], p[2]) : std::vector<TDPoint>{p[0], p[1]};
        svg.Path(pts, seg->Width() + 2 * swell, "#2aa02a", "none", 0.45, false);
      }
    }
  }
  for (const auto& shape : *state.ShapeList) {
    if (!shape->Enabled()) continue;
    std::unique_ptr<TShapeList> pieces = shape->SplitToShapes(swell);
    for (const auto& piece : *pieces) DrawShape(svg, *piece, piece->LineWidth(), "#2aa02a", 0.45);
  }
  if (svg.minX > svg.maxX) svg.minX = svg.minY = 0, svg.maxX = svg.maxY = 1;
  double w = svg.maxX - svg.minX, h = svg.maxY - svg.minY;
  double margin = std::max(w, h) * 0.05 + 1e-9;
  std::ofstream out(std::filesystem::path(std::u8string(file.begin(), file.end())), std::ios::binary);
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\""
      << static_cast<int>(800 * (h + 2 * margin) / (w + 2 * margin)) << "\" viewBox=\"" << FormatNumber(svg.minX - margin)
      << " " << FormatNumber(-svg.maxY - margin) << " " << FormatNumber(w + 2 * margin) << " "
      << FormatNumber(h + 2 * margin) << "\">\n"
      << "<title>Copper (top red, bottom blue, inner grey) and mask openings (green)</title>\n"
      << "<rect x=\"" << FormatNumber(svg.minX - margin) << "\" y=\"" << FormatNumber(-svg.maxY - margin)
      << "\" width=\"100%\" height=\"100%\" fill=\"#1e3a1e\"/>\n"
      << svg.body.str() << "</svg>\n";
  return static_cast<bool>(out);
}

int Run(const Options& o) {
  RunState state;
  state.BoardFileName = o.board;
  state.LocaleDecimalSeparator = std::localeconv()->decimal_point[0];
  TerminalUI ui(o.answer);
  TRunFlow flow(state, ui);
  if (flow.FormShow() != TRunPhase::Ready) return ExitDocument;

  auto nets = NetsGridRows(*state.NetList, DefaultText(IDS_COUNT_FORMAT));
  std::cout << "Selected nets: " << nets.size() << "\n";
  if (!nets.empty()) std::cout << "  Name\tTraces\tSegments\n";
  for (const auto& r : nets) std::cout << "  " << r[0] << "\t" << r[1] << "\t" << r[2] << "\n";
  auto shapes = ShapesGridRows(*state.ShapeList);
  std::cout << "Selected shapes: " << shapes.size() << "\n";
  if (!shapes.empty()) std::cout << "  Shape\tLayer\tNet\n";
  for (const auto& r : shapes) std::cout << "  " << r[0] << "\t" << r[1] << "\t" << r[2] << "\n";

  if (o.unit >= 0) flow.ChangeDisplayUnit(o.unit);
  if (o.swell) flow.ChangeSwellText(*o.swell);
  std::cout << "Open Mask for: " << RegionText(o.region) << "\nMask Swell: " << flow.SwellEditText() << " "
            << UnitText(state.DisplayUnit) << "\n";

  int status = ExitOk;
  if (o.dryRun) {
    if (!flow.ConfirmOpening(o.region)) {
      status = ExitDeclined;
    } else {
      for (TLineSegment* s : state.IncompatibleSegments) s->SetCorrect(false);
      for (TShapeBase* s : state.IncompatibleShapes) s->SetEnabled(false);
      try {
        int added = flow.WriteOpenings(o.region);
        if (added < 0) {
          status = ExitDocument;
        } else {
          std::cout << "Dry run: " << added << " Shape element(s) would be added; " << o.board << " is unchanged.\n";
        }
      } catch (const std::exception& e) {
        std::cout << e.what() << "\n";
        status = ExitDocument;
      }
    }
  } else {
    switch (flow.BtnOKClick(o.region)) {
      case TOkResult::Written:
        std::cout << "Added " << flow.AddedShapes() << " Shape element(s) to " << o.board << ".\n";
        break;
      case TOkResult::NothingToWrite:
        std::cout << "Nothing to open for this region: " << o.board << " is unchanged.\n";
        break;
      case TOkResult::Declined:
        std::cout << "Nothing written.\n";
        status = ExitDeclined;
        break;
      default:
        status = ExitDocument;
    }
  }
  if (!o.preview.empty() && status != ExitDeclined) {
    if (!WritePreview(o.preview, state, o.region)) {
      std::cout << "Cannot write the preview " << o.preview << "\n";
      return ExitDocument;
    }
    std::cout << "Preview: " << o.preview << "\n";
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args;
#ifdef _WIN32
  // The arguments as UTF-8, whatever the console's code page.
  int wargc = 0;
  wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  for (int i = 1; wargv && i < wargc; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, s.data(), n, nullptr, nullptr);
    args.push_back(s);
  }
  if (wargv) LocalFree(wargv);
  SetConsoleOutputCP(CP_UTF8);
#else
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
  (void)argc;
  (void)argv;
  Options o;
  int early = ParseArguments(args, o);
  if (early >= 0) return early;
  if (o.board.empty()) {
    std::cout << "No XML or VelXML file fullpath.\n";
    std::cerr << "Try 'morvane --help'.\n";
    return ExitArguments;
  }
  return Run(o);
}
