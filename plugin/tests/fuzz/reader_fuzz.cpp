// libFuzzer target: any bytes as a board file through the reader, the mask writer and the
// splicing save. Defects must end in a message or an exception of the XML layer or the
// lists, never in a crash; a saved board must parse again and hold the added shapes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "plugin/board_reader.h"
#include "plugin/mask_writer.h"

namespace {
struct SilentUI : TRunUI {
  void ShowMessage(const std::string&) override {}
  bool ConfirmOpening(const TWarningRows&) override { return true; }
  void SelectUnit(int) override {}
};

std::string TempPath() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/morvane-fuzz-" + std::to_string(getpid()) + ".xml";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = TempPath();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  RunState state;
  state.BoardFileName = path;
  SilentUI ui;
  try {
    if (!LoadBoard(state, ui)) return 0;
    state.MaskSwell = size > 0 ? (static_cast<int>(data[0] % 7) - 3) * 0.05 : 0.0;
    int region = size > 1 ? data[1] % 3 : 0;
    FindIncompatibleSegments(state, region);
    FindIncompatibleShapes(state);
    for (TLineSegment* s : state.IncompatibleSegments) s->SetCorrect(false);
    for (TShapeBase* s : state.IncompatibleShapes) s->SetEnabled(false);
    // As at OK: the tree is set aside after reading and taken up again for the writing.
    state.XmlDocument.Deactivate();
    state.XmlDocument.LoadFromFile(path);
    int added = MaskRegion(state, region) + WriteSelectedShapes(state);
    std::string saved = state.XmlDocument.SaveToBytes();
    TXmlDocument again;
    again.LoadFromBytes(saved);  // must not throw: the splice keeps the document well-formed
    TXmlNode shapes = again.TopLevelElement("Source").FirstChild("Board").FirstChild("Shapes");
    if (added > 0 && static_cast<int>(shapes.ChildElements().size()) < added) std::abort();
  } catch (const EXmlError&) {
  } catch (const EListError&) {
  } catch (const EDuplicateError&) {
  }
  ResetTolerances();
  return 0;
}
