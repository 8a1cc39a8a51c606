#include "stub/pack/pack_cli.h"

#include <charconv>
#include <map>

#include "stub/pack/language_text.h"
#include "stub/pack/pack_build.h"
#include "stub/pack/pack_files.h"
#include "stub/pack/pack_examine.h"
#include "stub/package/trailer.h"
#include "stub/support/strings.h"

const char* const PackToolHelp = R"(tallowin-pack: build, list, verify and extract Tallowin packages

  tallowin-pack build --stub Tallowin.exe --out Setup.exe [options] FILES...
      Appends a package to a copy of the stub: the language, settings and (with --download)
      download blocks, one zlib record per file (named 00000#name, 00001#name, ...; files
      larger than the split size become name, name.00002, ...), and the trailer with the
      file count, the space needed per cluster size and the checksum.
    --lang FILE          language sections: "[English]" lines, then key=value lines
                         (see README.md); without it the stub uses its built-in texts
    --settings ITEMS     base address|info file|agent name|update token|silent ("1")
                         the token is given plain and written scrambled
    --download ITEMS     base address|setup file|always ("1")|download token|size in bytes
                         adds the download block (web installer)
    --engine NAME[*EXTRA]  the setup engine's file, and what the stub adds to its command line
    --flags LIST         comma-separated: announce-temp, more-disks, span-cd-copy,
                         show-activity, agent-log, download-mode, confirm-download,
                         make-agent, auto-update
    --split-mb N         split size in MiB (default 5, i.e. 5,242,880 bytes; 0: never split)
    --level N            zlib level 1 ... 9 (default 6)

  tallowin-pack list FILE          trailer fields, blocks and records with their sizes
  tallowin-pack verify FILE        trailer, magic, checksum, every zlib stream and name
  tallowin-pack extract FILE DIR   writes every record into DIR
  tallowin-pack --help

Exit code: 0 done, 1 failed (the reason on standard error), 2 wrong usage.
)";

namespace {

bool ParseNumber(const std::string& text, std::uint64_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ApplyFlags(const std::string& list, TBuildOptions& o, std::string& error) {
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    const std::string flag = Trim(list.substr(pos, comma - pos));
    pos = comma + 1;
    if (flag.empty()) continue;
    if (flag == "announce-temp") o.TrailerFlags |= trailer_flag::AnnounceTemp;
    else if (flag == "more-disks") o.TrailerFlags |= trailer_flag::MoreDisks;
    else if (flag == "span-cd-copy") o.TrailerFlags |= trailer_flag::SpanCdCopy;
    else if (flag == "show-activity") o.TrailerFlags |= trailer_flag::ShowActivity;
    else if (flag == "agent-log") o.TrailerFlags |= trailer_flag::AgentLog;
    else if (flag == "download-mode") o.DownloadMode = true;
    else if (flag == "confirm-download") o.ConfirmDownload = true;
    else if (flag == "make-agent") o.MakeAgent = true;
    else if (flag == "auto-update") o.IsAutoUpdate = true;
    else {
      error = "unknown flag: " + flag;
      return false;
    }
  }
  return true;
}

int Build(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TBuildOptions o;
  std::string langPath;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      if (i + 1 >= args.size()) {
        err << "tallowin-pack: " << a << " needs a value\n";
        return 2;
      }
      const std::string& v = args[++i];
      std::uint64_t n = 0;
      std::string error;
      if (a == "--stub") o.StubPath = v;
      else if (a == "--out") o.OutPath = v;
      else if (a == "--lang") langPath = v;
      else if (a == "--settings") o.Settings = v;
      else if (a == "--download") o.Download = v, o.HasDownload = true;
      else if (a == "--engine") o.Engine = v;
      else if (a == "--flags") {
        if (!ApplyFlags(v, o, error)) {
          err << "tallowin-pack: " << error << "\n";
          return 2;
        }
      } else if (a == "--split-mb") {
        if (!ParseNumber(v, n) || n > 2047) {
          err << "tallowin-pack: --split-mb takes 0 ... 2047\n";
          return 2;
        }
        o.SplitSize = n * 1024 * 1024;
      } else if (a == "--level") {
        if (!ParseNumber(v, n) || n < 1 || n > 9) {
          err << "tallowin-pack: --level takes 1 ... 9\n";
          return 2;
        }
        o.Level = static_cast<int>(n);
      } else {
        err << "tallowin-pack: unknown option " << a << "\n";
        return 2;
      }
    } else {
      o.Files.push_back(a);
    }
  }
  if (o.StubPath.empty() || o.OutPath.empty()) {
    err << "tallowin-pack: build needs --stub and --out (see --help)\n";
    return 2;
  }
  if (!langPath.empty()) {
    std::string text, error;
    if (!ReadWholeFile(langPath, text)) {
      err << "tallowin-pack: cannot read " << langPath << "\n";
      return 1;
    }
    if (!LanguageBlockFromText(text, o.LanguageBlock, error)) {
      err << "tallowin-pack: " << langPath << ", " << error << "\n";
      return 1;
    }
  }
  std::string error;
  TBuildSummary summary;
  if (!BuildPackage(o, error, &summary)) {
    err << "tallowin-pack: " << error << "\n";
    return 1;
  }
  out << o.OutPath << ": " << summary.Records << " records, " << summary.PackageBytes
      << " bytes, checksum " << summary.Checksum << "\n";
  return 0;
}

void DrawBar(std::ostream& err, int index, std::uint32_t count, const std::string& name) {
  const int width = 30;
  const double part = count ? std::min(1.0, (index + 1.0) / count) : 1.0;
  const int filled = static_cast<int>(part * width);
  std::string shown = name.size() > 40 ? name.substr(0, 37) + "..." : name;
  err << "\r[" << std::string(filled, '#') << std::string(width - filled, ' ') << "] "
      << static_cast<int>(part * 100) << "% " << shown << std::string(40 - shown.size(), ' ')
      << std::flush;
}

}  // namespace

int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                bool progressBar) {
  if (args.empty()) {
    err << PackToolHelp;
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << PackToolHelp;
    return 0;
  }
  if (command == "build") return Build(args, out, err);
  std::string error;
  if (command == "list" && args.size() == 2) {
    if (PrintPackage(args[1], out, error)) return 0;
    err << "tallowin-pack: " << error << "\n";
    return 1;
  }
  if (command == "verify" && args.size() == 2) return VerifyPackage(args[1], out) ? 0 : 1;
  if (command == "extract" && args.size() == 3) {
    TExtractProgress bar;
    if (progressBar) {
      bar = [&err](int i, std::uint32_t n, const std::string& name) { DrawBar(err, i, n, name); };
    }
    const bool ok = ExtractPackage(args[1], args[2], error, bar);
    if (progressBar) err << "\n";
    if (ok) return 0;
    err << "tallowin-pack: " << error << "\n";
    return 1;
  }
  err << "tallowin-pack: wrong usage (see --help)\n";
  return 2;
}
