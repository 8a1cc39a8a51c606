#include "plugin/xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "plugin/xml_markup.h"
#include "plugin/xml_store.h"

using xml_markup::AppendEscaped;
using xml_markup::FindEndTag;
using xml_markup::IsPlainValue;
using xml_markup::LineIndent;
using xml_markup::Malformed;
using xml_markup::ScanTagEnd;
using xml_markup::TMarkup;
using xml_store::kNone;
using xml_store::TAddedElement;
using xml_store::TNameTable;
using xml_store::TPagedArray;
using xml_store::TTextStore;

namespace {

// Whether a parser name (NUL-terminated) is exactly want; no length scan of the name.
bool NameIs(const char* name, std::string_view want) {
  for (char c : want) {
    if (*name != c) return false;  // also stops at the end of a shorter name
    ++name;
  }
  return *name == '\0';
}

// An element of the file that got children: those inserted first come before all its own
// children, those appended after them.
struct TGrownElement {
  pugi::xml_node_struct* node = nullptr;
  std::uint32_t firstLeading = kNone;
  std::uint32_t firstTrailing = kNone, lastTrailing = kNone;
};

struct TLayout {
  bool pretty = false;
  std::string nl = "\n";
  TXmlEncoding enc = TXmlEncoding::Utf8;
};

// The saved document on its way out: slices of the file's text and new markup, converted to
// the file's encoding and handed on in large pieces.
class TSaveStream {
 public:
  TSaveStream(TXmlEncoding enc, std::function<void(std::string_view)> sink) : FEnc(enc), FSink(std::move(sink)) {
    FSink(xml_encoding::ByteOrderMark(enc));
  }
  // New markup goes here as working text; MarkupDone hands it on once enough has gathered.
  TMarkup& Markup() { return FMarkup; }
  void MarkupDone() {
    if (FMarkup.size() >= kPieceSize) FlushMarkup();
  }
  // Working text of the file, written after the markup gathered so far.
  void Copy(std::string_view text) {
    FlushMarkup();
    Emit(text);
  }
  void Finish() { FlushMarkup(); }

 private:
  static constexpr std::size_t kPieceSize = 1 << 16;

  void FlushMarkup() {
    if (FMarkup.empty()) return;
    Emit(FMarkup.View());
    FMarkup.clear();
  }
  void Emit(std::string_view text) {
    if (FEnc == TXmlEncoding::Utf8 || FEnc == TXmlEncoding::Utf8Bom) {
      if (!text.empty()) FSink(text);
      return;
    }
    while (!text.empty()) {
      // Pieces end before a UTF-8 continuation byte, so that each holds whole characters.
      std::size_t n = std::min(text.size(), kPieceSize);
      while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
      FConverted.clear();
      xml_encoding::AppendFromWorking(FConverted, text.substr(0, n), FEnc);
      FSink(FConverted);
      text.remove_prefix(n);
    }
  }

  TXmlEncoding FEnc;
  std::function<void(std::string_view)> FSink;
  TMarkup FMarkup;
  std::string FConverted;
};

}  // namespace

// ---- Document -------------------------------------------------------------------------

struct TXmlDocument::Impl {
  pugi::xml_document doc;
  bool active = false;
  std::string working;  // the file's text as UTF-8, byte for byte what was parsed
  std::string parsed;   // the parser's copy of it, for a document that may be saved
  bool parked = false;  // the tree is kept, unused, after Deactivate
  TXmlEncoding encoding = TXmlEncoding::Utf8;

  void Parse();

  TPagedArray<TAddedElement> added;
  std::vector<TGrownElement> grown;
  std::unordered_map<pugi::xml_node_struct*, std::uint32_t> grownIndex;
  std::uint32_t lastGrown = kNone;  // most look-ups ask for the same element again
  TTextStore texts;
  // Names stay for the document's life, so that their handles do.
  TNameTable names;
  // The values as set of the attributes whose markup differs from them (escaped), by element
  // and name; the others are read from the markup.
  std::unordered_map<std::uint64_t, TTextStore::TRef> rawValues;
  std::unique_ptr<TMarkup> escaped;  // room for escaping a value

  std::string_view NameOf(const TAddedElement& e) const { return names.Name(e.name); }

  const TGrownElement* FindGrown(pugi::xml_node_struct* node) {
    if (grown.empty()) return nullptr;
    if (lastGrown != kNone && grown[lastGrown].node == node) return &grown[lastGrown];
    auto it = grownIndex.find(node);
    if (it == grownIndex.end()) return nullptr;
    lastGrown = it->second;
    return &grown[it->second];
  }

  TGrownElement& Grow(pugi::xml_node_struct* node) {
    if (FindGrown(node)) return grown[lastGrown];
    lastGrown = static_cast<std::uint32_t>(grown.size());
    grownIndex.emplace(node, lastGrown);
    grown.push_back(TGrownElement{node});
    return grown.back();
  }

  std::uint32_t NewElement(std::uint32_t name) {
    TAddedElement e;
    e.name = name;
    return added.Append(e);
  }

  std::uint32_t NameId(TXmlName name) const {
    if (name.FOwner != this) throw EXmlError("The name was not given by this document");
    return name.FId;
  }

  void SetAddedAttribute(std::uint32_t element, std::uint32_t name, std::string_view value);
  void FindAddedAttributes(std::uint32_t element, std::span<const std::string_view> names,
                           std::span<TXmlValue> values) const;

  void ForgetAdded() {
    added.Clear();
    grown.clear();
    grownIndex.clear();
    lastGrown = kNone;
    texts.Clear();
    rawValues.clear();
  }

  void Serialize(std::uint32_t element, std::string& indent, const std::string& step, const TLayout& lay,
                 TMarkup& out) const;
  void SerializeList(std::uint32_t first, const std::string& childIndent, const std::string& step,
                     const TLayout& lay, TSaveStream& stream) const;
  void Save(TSaveStream& stream, const TLayout& lay, const std::vector<struct TSplice>& splices) const;
};

TXmlDocument::TXmlDocument() : FImpl(std::make_unique<Impl>()) {}
TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromFile(const std::string& path) {
  Impl& d = *FImpl;
  if (d.parked && (d.encoding == TXmlEncoding::Utf8 || d.encoding == TXmlEncoding::Utf8Bom) &&
      FileHolds(path, xml_encoding::ByteOrderMark(d.encoding), d.working)) {
    d.parked = false;
    d.active = true;
    return;
  }
  Clear();
  ReadFileInto(path, d.working);
  d.Parse();
}

void TXmlDocument::LoadFromBytes(std::string bytes) {
  Clear();
  FImpl->working = std::move(bytes);
  FImpl->Parse();
}

namespace {
// "at line L, column C" of a byte offset into text.
std::string PlaceIn(const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
  const std::size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const std::size_t column = offset - (lineStart == std::string::npos || offset == 0 ? 0 : lineStart + 1) + 1;
  return "at line " + std::to_string(line) + ", column " + std::to_string(column);
}
}  // namespace

void TXmlDocument::Impl::Parse() {
  encoding = xml_encoding::Detect(working);
  if (encoding != TXmlEncoding::Utf8) working = xml_encoding::ToWorking(working, encoding);
  // The parser works in place; the text as read stays for the splicing, so it gets a copy.
  parsed.assign(working);
  const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype;
  const pugi::xml_parse_result result = doc.load_buffer_inplace(parsed.data(), parsed.size(), options, pugi::encoding_utf8);
  if (!result) {
    doc.reset();
    const auto offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0));
    const std::string where = PlaceIn(working, offset);
    working.clear();
    parsed.clear();
    throw EXmlError(std::string("XML document is not well-formed: ") + result.description() + " " + where);
  }
  // The parser takes fragments; a document has one root element and no text beside it.
  int roots = 0;
  for (pugi::xml_node n : doc.children()) {
    if (n.type() == pugi::node_element) ++roots;
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) roots = 2;
  }
  if (roots != 1) {
    doc.reset();
    working.clear();
    parsed.clear();
    throw EXmlError("XML document is not well-formed: it must hold exactly one root element");
  }
  active = true;
}

bool TXmlDocument::Active() const { return FImpl->active; }

void TXmlDocument::Deactivate() {
  if (!FImpl->active) return;
  FImpl->ForgetAdded();
  FImpl->active = false;
  FImpl->parked = true;
}

void TXmlDocument::Clear() {
  FImpl->doc.reset();
  FImpl->parked = false;
  // The text buffers keep their room for the next load: reading the board again at OK then
  // writes into memory already in hand.
  FImpl->working.clear();
  FImpl->parsed.clear();
  FImpl->ForgetAdded();
  FImpl->active = false;
}

TXmlEncoding TXmlDocument::Encoding() const { return FImpl->encoding; }

TXmlName TXmlDocument::Intern(std::string_view name) { return TXmlName(FImpl->names.Intern(name), FImpl.get()); }

TXmlNode TXmlDocument::TopLevelElement(std::string_view name) {
  for (pugi::xml_node n : FImpl->doc.children()) {
    if (n.type() == pugi::node_element && NameIs(n.name(), name)) return TXmlNode(n.internal_object(), this);
  }
  return {};
}

// ---- Saving ---------------------------------------------------------------------------

// Where the added children of one element of the file go into its text.
struct TSplice {
  enum TKind {
    Expand,    // a self-closing tag opens up for all of them ("/>" is replaced)
    Leading,   // the ones inserted first, after the start tag
    Trailing,  // the ones appended (all of them when the element had no children), before the end tag
  };
  std::size_t pos = 0;
  std::size_t erase = 0;
  TKind kind = Leading;
  const TGrownElement* grown = nullptr;
  bool withLeading = false;   // Trailing: the element had no children, the inserted ones go too
  bool endOnOwnLine = false;  // Trailing: the end tag sits alone on its line
  std::string indent, step;   // the element's indent and the indent step of its children
};

void TXmlDocument::Impl::Serialize(std::uint32_t element, std::string& indent, const std::string& step,
                                   const TLayout& lay, TMarkup& out) const {
  const TAddedElement& e = added[element];
  out += names.OpenTag(e.name);
  out += texts.View(e.attributes);
  if (e.firstChild == kNone) {
    out += "/>";
    return;
  }
  out += '>';
  const std::size_t own = indent.size();
  indent += step;
  for (std::uint32_t c = e.firstChild; c != kNone; c = added[c].next) {
    if (lay.pretty) {
      out += lay.nl;
      out += indent;
    }
    Serialize(c, indent, step, lay, out);
  }
  indent.resize(own);
  if (lay.pretty) {
    out += lay.nl;
    out += indent;
  }
  out += names.EndTag(e.name);
}

// Each element of the list on a line of its own at childIndent.
void TXmlDocument::Impl::SerializeList(std::uint32_t first, const std::string& childIndent, const std::string& step,
                                       const TLayout& lay, TSaveStream& stream) const {
  std::string indent = childIndent;
  for (std::uint32_t c = first; c != kNone; c = added[c].next) {
    TMarkup& out = stream.Markup();
    if (lay.pretty) {
      out += lay.nl;
      out += childIndent;
    }
    Serialize(c, indent, step, lay, out);
    stream.MarkupDone();
  }
}

void TXmlDocument::Impl::Save(TSaveStream& stream, const TLayout& lay, const std::vector<TSplice>& splices) const {
  const std::string& s = working;
  std::size_t cursor = 0;
  for (const TSplice& sp : splices) {
    stream.Copy(std::string_view(s).substr(cursor, sp.pos - cursor));
    cursor = sp.pos + sp.erase;
    const std::string childIndent = sp.indent + sp.step;
    const TGrownElement& g = *sp.grown;
    switch (sp.kind) {
      case TSplice::Expand: {
        stream.Markup() += '>';
        SerializeList(g.firstLeading, childIndent, sp.step, lay, stream);
        SerializeList(g.firstTrailing, childIndent, sp.step, lay, stream);
        TMarkup& out = stream.Markup();
        if (lay.pretty) {
          out += lay.nl;
          out += sp.indent;
        }
        out += "</";
        out += pugi::xml_node(g.node).name();
        out += '>';
        break;
      }
      case TSplice::Leading:
        SerializeList(g.firstLeading, childIndent, sp.step, lay, stream);
        break;
      case TSplice::Trailing:
        if (sp.endOnOwnLine) {
          // The end tag already sits on its own line: each new child takes that line's place
          // and the end tag moves below it.
          std::string indent = childIndent;
          for (std::uint32_t list : {sp.withLeading ? g.firstLeading : kNone, g.firstTrailing}) {
            for (std::uint32_t c = list; c != kNone; c = added[c].next) {
              TMarkup& out = stream.Markup();
              out += sp.step;
              Serialize(c, indent, sp.step, lay, out);
              out += lay.nl;
              out += sp.indent;
              stream.MarkupDone();
            }
          }
        } else {
          if (sp.withLeading) SerializeList(g.firstLeading, childIndent, sp.step, lay, stream);
          SerializeList(g.firstTrailing, childIndent, sp.step, lay, stream);
          if (lay.pretty) {
            stream.Markup() += lay.nl;
            stream.Markup() += sp.indent;
          }
        }
        break;
    }
  }
  stream.Copy(std::string_view(s).substr(cursor));
  stream.Finish();
}

namespace {

TLayout LayoutOf(const std::string& s, TXmlEncoding enc) {
  TLayout lay;
  lay.enc = enc;
  lay.pretty = s.find('\n') != std::string::npos;
  lay.nl = s.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  return lay;
}

// The place of every grown element's new children in the file's text, in text order.
// Raises EXmlError when the markup cannot be followed; nothing has been written by then.
std::vector<TSplice> PlanSplices(const std::vector<TGrownElement>& grown, const std::string& s, const TLayout& lay) {
  std::vector<TSplice> splices;
  for (const TGrownElement& g : grown) {
    pugi::xml_node p(g.node);
    const std::ptrdiff_t nameOffset = p.offset_debug();
    if (nameOffset < 1) Malformed();
    const std::size_t lt = static_cast<std::size_t>(nameOffset) - 1;
    if (lt >= s.size() || s[lt] != '<') Malformed();
    bool selfClosing = false;
    const std::size_t gt = ScanTagEnd(s, lt, selfClosing);

    TSplice sp;
    sp.grown = &g;
    sp.indent = LineIndent(s, lt);
    // Indent step: as the first child element of the file is indented, else as this element
    // is to its parent, else two blanks.
    for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      std::string ci = LineIndent(s, static_cast<std::size_t>(c.offset_debug()) - 1);
      if (ci.size() > sp.indent.size() && ci.compare(0, sp.indent.size(), sp.indent) == 0) {
        sp.step = ci.substr(sp.indent.size());
      }
      break;
    }
    if (sp.step.empty() && p.parent() && p.parent().type() == pugi::node_element) {
      std::string pi = LineIndent(s, static_cast<std::size_t>(p.parent().offset_debug()) - 1);
      if (sp.indent.size() > pi.size() && sp.indent.compare(0, pi.size(), pi) == 0) {
        sp.step = sp.indent.substr(pi.size());
      }
    }
    if (sp.step.empty()) sp.step = sp.indent.find('\t') != std::string::npos ? "\t" : "  ";

    if (selfClosing) {
      sp.kind = TSplice::Expand;
      sp.pos = gt - 1;
      sp.erase = 2;
      splices.push_back(std::move(sp));
      continue;
    }
    const bool hasOwnChildren = static_cast<bool>(p.first_child());
    if (hasOwnChildren && g.firstLeading != kNone) {
      TSplice leading = sp;
      leading.kind = TSplice::Leading;
      leading.pos = gt + 1;
      splices.push_back(std::move(leading));
    }
    if (g.firstTrailing != kNone || !hasOwnChildren) {
      const std::size_t endLt = FindEndTag(s, gt);
      const std::size_t lineStart = s.rfind('\n', endLt - 1);
      sp.kind = TSplice::Trailing;
      sp.pos = endLt;
      sp.withLeading = !hasOwnChildren;
      sp.endOnOwnLine = lay.pretty && lineStart != std::string::npos && lineStart > gt &&
                        s.compare(lineStart + 1, endLt - lineStart - 1, sp.indent) == 0;
      splices.push_back(std::move(sp));
    }
  }
  std::stable_sort(splices.begin(), splices.end(), [](const TSplice& a, const TSplice& b) { return a.pos < b.pos; });
  return splices;
}

}  // namespace

std::string TXmlDocument::SaveToBytes() const {
  const Impl& d = *FImpl;
  if (!d.active) throw EXmlError("No document to save");
  const TLayout lay = LayoutOf(d.working, d.encoding);
  const std::vector<TSplice> splices = PlanSplices(d.grown, d.working, lay);
  std::string bytes;
  TSaveStream stream(d.encoding, [&bytes](std::string_view piece) { bytes.append(piece); });
  d.Save(stream, lay, splices);
  return bytes;
}

void TXmlDocument::SaveToFile(const std::string& path) const {
  const Impl& d = *FImpl;
  if (!d.active) throw EXmlError("No document to save");
  const TLayout lay = LayoutOf(d.working, d.encoding);
  const std::vector<TSplice> splices = PlanSplices(d.grown, d.working, lay);
  TReplacingFile file(path);
  TSaveStream stream(d.encoding, [&file](std::string_view piece) { file.Write(piece); });
  d.Save(stream, lay, splices);
  file.Commit();
}

// ---- Nodes ----------------------------------------------------------------------------

namespace {
pugi::xml_node N(pugi::xml_node_struct* n) { return pugi::xml_node(n); }

// Links item at the end of a list kept by its first and last index; next gives the link
// field of an item.
template <typename TNext>
void LinkLast(std::uint32_t& first, std::uint32_t& last, std::uint32_t item, TNext next) {
  if (last == kNone) {
    first = item;
  } else {
    next(last) = item;
  }
  last = item;
}

[[noreturn]] void NotSingleText(const std::string& name) {
  throw EXmlError("Element \"" + name + "\" does not contain a single text node");
}
}  // namespace

std::string TXmlNode::Name() const {
  if (FNew != kNoElement) return std::string(FDoc->FImpl->NameOf(FDoc->FImpl->added[FNew]));
  return FNode ? N(FNode).name() : "";
}

TXmlNode TXmlNode::FirstChild(std::string_view name) const {
  if (FNew != kNoElement) {
    const TXmlDocument::Impl& d = *FDoc->FImpl;
    for (std::uint32_t c = d.added[FNew].firstChild; c != kNone; c = d.added[c].next) {
      if (d.NameOf(d.added[c]) == name) return TXmlNode(c, FDoc);
    }
    return {};
  }
  if (!FNode) return {};
  const TXmlDocument::Impl& d = *FDoc->FImpl;
  const TGrownElement* g = FDoc->FImpl->FindGrown(FNode);
  if (g) {
    for (std::uint32_t c = g->firstLeading; c != kNone; c = d.added[c].next) {
      if (d.NameOf(d.added[c]) == name) return TXmlNode(c, FDoc);
    }
  }
  for (pugi::xml_node c = N(FNode).first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && NameIs(c.name(), name)) return TXmlNode(c.internal_object(), FDoc);
  }
  if (g) {
    for (std::uint32_t c = g->firstTrailing; c != kNone; c = d.added[c].next) {
      if (d.NameOf(d.added[c]) == name) return TXmlNode(c, FDoc);
    }
  }
  return {};
}

std::vector<TXmlNode> TXmlNode::ChildElements() const {
  std::vector<TXmlNode> out;
  if (FNew != kNoElement) {
    const auto& added = FDoc->FImpl->added;
    for (std::uint32_t c = added[FNew].firstChild; c != kNone; c = added[c].next) out.push_back(TXmlNode(c, FDoc));
    return out;
  }
  if (!FNode) return out;
  const TXmlDocument::Impl& d = *FDoc->FImpl;
  const TGrownElement* g = FDoc->FImpl->FindGrown(FNode);
  if (g) {
    for (std::uint32_t c = g->firstLeading; c != kNone; c = d.added[c].next) out.push_back(TXmlNode(c, FDoc));
  }
  for (pugi::xml_node c = N(FNode).first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element) out.push_back(TXmlNode(c.internal_object(), FDoc));
  }
  if (g) {
    for (std::uint32_t c = g->firstTrailing; c != kNone; c = d.added[c].next) out.push_back(TXmlNode(c, FDoc));
  }
  return out;
}

namespace {
// The first element among n and its following siblings, or null.
pugi::xml_node_struct* ElementFrom(pugi::xml_node n) {
  for (; n; n = n.next_sibling()) {
    if (n.type() == pugi::node_element) return n.internal_object();
  }
  return nullptr;
}
}  // namespace

TXmlElementWalk TXmlNode::Elements() const {
  TXmlElementWalk walk;
  if (FNew != kNoElement) {
    const std::uint32_t first = FDoc->FImpl->added[FNew].firstChild;
    if (first != kNone) walk.FAt = TXmlNode(first, FDoc);
    return walk;
  }
  if (!FNode) return walk;
  walk.FParent = FNode;
  // Same order as ChildElements: inserted first, the file's own, appended.
  if (const TGrownElement* g = FDoc->FImpl->FindGrown(FNode)) {
    walk.FTrailing = g->firstTrailing;
    if (g->firstLeading != kNone) {
      walk.FAt = TXmlNode(g->firstLeading, FDoc);
      walk.FLeading = true;
      return walk;
    }
  }
  if (pugi::xml_node_struct* c = ElementFrom(N(FNode).first_child())) {
    walk.FAt = TXmlNode(c, FDoc);
  } else if (walk.FTrailing != kNone) {
    walk.FAt = TXmlNode(walk.FTrailing, FDoc);
    walk.FTrailing = kNoElement;
  }
  return walk;
}

void TXmlElementWalk::Step() {
  TXmlDocument* doc = FAt.FDoc;
  if (FAt.FNew != TXmlNode::kNoElement) {
    const std::uint32_t next = doc->FImpl->added[FAt.FNew].next;
    if (next != kNone) {
      FAt.FNew = next;
      return;
    }
    FAt = TXmlNode();
    if (!FLeading) return;
    FLeading = false;
    if (pugi::xml_node_struct* c = ElementFrom(N(FParent).first_child())) {
      FAt = TXmlNode(c, doc);
      return;
    }
  } else {
    FAt.FNode = ElementFrom(N(FAt.FNode).next_sibling());
    if (FAt.FNode) return;
    FAt = TXmlNode();
  }
  if (FTrailing != TXmlNode::kNoElement) {
    FAt = TXmlNode(FTrailing, doc);
    FTrailing = TXmlNode::kNoElement;
  }
}

bool TXmlNode::HasChildElements() const {
  if (FNew != kNoElement) return FDoc->FImpl->added[FNew].firstChild != kNone;
  if (!FNode) return false;
  for (pugi::xml_node c = N(FNode).first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element) return true;
  }
  const TGrownElement* g = FDoc->FImpl->FindGrown(FNode);
  return g && (g->firstLeading != kNone || g->firstTrailing != kNone);
}

bool TXmlNode::HasAttribute(std::string_view name) const { return AttributeView(name).has_value(); }

std::optional<std::string_view> TXmlNode::AttributeView(std::string_view name) const {
  TXmlValue value;
  FindAttributes(std::span<const std::string_view>(&name, 1), std::span<TXmlValue>(&value, 1));
  if (!value) return std::nullopt;
  return value.View();
}

void TXmlNode::FindAttributes(std::span<const std::string_view> names,
                              std::span<std::optional<std::string_view>> values) const {
  constexpr std::size_t kRoom = 8;
  const std::size_t count = std::min(names.size(), values.size());
  TXmlValue found[kRoom];
  for (std::size_t at = 0; at < count; at += kRoom) {
    // In groups, so that no room is taken from the heap; a group passes over the rest.
    const std::size_t n = std::min(kRoom, count - at);
    FindAttributes(names.subspan(at, n), std::span<TXmlValue>(found, n));
    for (std::size_t i = 0; i < n; ++i) values[at + i] = found[i] ? std::optional<std::string_view>(found[i].View()) : std::nullopt;
  }
}

void TXmlNode::FindAttributes(std::span<const std::string_view> names, std::span<TXmlValue> values) const {
  const std::size_t count = std::min(names.size(), values.size());
  for (std::size_t i = 0; i < count; ++i) values[i] = TXmlValue();
  std::size_t missing = count;
  if (FNew != kNoElement) {
    FDoc->FImpl->FindAddedAttributes(FNew, names.first(count), values.first(count));
    return;
  }
  if (!FNode || count == 0) return;
  // Each name is tried first where the one found last leaves off.
  std::size_t start = 0;
  for (pugi::xml_attribute a = N(FNode).first_attribute(); a && missing; a = a.next_attribute()) {
    const char* name = a.name();
    for (std::size_t j = 0, i = start; j < count; ++j, i = i + 1 == count ? 0 : i + 1) {
      // The first of repeated attributes counts, as for AttributeView.
      if (NameIs(name, names[i])) {
        if (!values[i]) {
          values[i] = TXmlValue::Terminated(a.value());
          --missing;
        }
        start = i + 1 == count ? 0 : i + 1;
        break;
      }
    }
  }
}

std::optional<std::string> TXmlNode::Attribute(std::string_view name) const {
  std::optional<std::string_view> value = AttributeView(name);
  if (!value) return std::nullopt;
  return std::string(*value);
}

std::string TXmlNode::AttributeText(std::string_view name) const { return std::string(AttributeView(name).value_or("")); }

std::string TXmlNode::Text() const {
  if (FNew != kNoElement) {
    // Added elements hold elements only.
    if (HasChildElements()) NotSingleText(Name());
    return "";
  }
  if (!FNode) return "";
  std::string text;
  for (pugi::xml_node c : N(FNode).children()) {
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
      text += c.value();
    } else if (c.type() == pugi::node_element) {
      NotSingleText(Name());
    }
  }
  if (HasChildElements()) NotSingleText(Name());
  return text;
}

TXmlNode TXmlNode::AddChild(std::string_view name) {
  if (!*this) throw EXmlError("No element to add \"" + std::string(name) + "\" to");
  return AddChild(FDoc->Intern(name));
}

TXmlNode TXmlNode::AddChild(TXmlName name) {
  if (!*this) throw EXmlError("No element to add a new one to");
  TXmlDocument::Impl& d = *FDoc->FImpl;
  const std::uint32_t child = d.NewElement(d.NameId(name));
  auto nextElement = [&d](std::uint32_t e) -> std::uint32_t& { return d.added[e].next; };
  if (FNew != kNoElement) {
    TAddedElement& parent = d.added[FNew];
    LinkLast(parent.firstChild, parent.lastChild, child, nextElement);
  } else {
    TGrownElement& g = d.Grow(FNode);
    LinkLast(g.firstTrailing, g.lastTrailing, child, nextElement);
  }
  return TXmlNode(child, FDoc);
}

TXmlNode TXmlNode::InsertChildFirst(std::string_view name) {
  if (!*this) throw EXmlError("No element to insert \"" + std::string(name) + "\" into");
  return InsertChildFirst(FDoc->Intern(name));
}

TXmlNode TXmlNode::InsertChildFirst(TXmlName name) {
  if (!*this) throw EXmlError("No element to insert a new one into");
  TXmlDocument::Impl& d = *FDoc->FImpl;
  const std::uint32_t child = d.NewElement(d.NameId(name));
  if (FNew != kNoElement) {
    TAddedElement& parent = d.added[FNew];
    d.added[child].next = parent.firstChild;
    parent.firstChild = child;
    if (parent.lastChild == kNone) parent.lastChild = child;
  } else {
    TGrownElement& g = d.Grow(FNode);
    d.added[child].next = g.firstLeading;
    g.firstLeading = child;
  }
  return TXmlNode(child, FDoc);
}

void TXmlNode::SetAttribute(std::string_view name, std::string_view value) {
  if (!*this) throw EXmlError("No element to set \"" + std::string(name) + "\" on");
  // Elements read from the file keep their bytes; only new elements take attributes.
  if (FNew == kNoElement) throw EXmlError("Element \"" + Name() + "\" of the file cannot be changed");
  FDoc->FImpl->SetAddedAttribute(FNew, FDoc->FImpl->names.Intern(name), value);
}

void TXmlNode::SetAttribute(TXmlName name, std::string_view value) {
  if (!*this) throw EXmlError("No element to set an attribute on");
  if (FNew == kNoElement) throw EXmlError("Element \"" + Name() + "\" of the file cannot be changed");
  FDoc->FImpl->SetAddedAttribute(FNew, FDoc->FImpl->NameId(name), value);
}

void TXmlNode::SetAttributes(std::span<const TAttribute> attributes) {
  if (!*this) throw EXmlError("No element to set an attribute on");
  if (FNew == kNoElement) throw EXmlError("Element \"" + Name() + "\" of the file cannot be changed");
  TXmlDocument::Impl& d = *FDoc->FImpl;
  // A new element with plain values under distinct names takes its markup in one piece.
  std::size_t size = 0;
  bool oneByOne = d.added[FNew].attributes.length != 0;
  for (std::size_t i = 0; i < attributes.size() && !oneByOne; ++i) {
    const std::uint32_t name = d.NameId(attributes[i].name);
    for (std::size_t j = 0; j < i; ++j) oneByOne |= attributes[j].name.FId == name;
    oneByOne |= !IsPlainValue(attributes[i].value);
    size += d.names.AttributeStart(name).size() + attributes[i].value.size() + 1;
  }
  if (oneByOne) {
    for (const TAttribute& a : attributes) d.SetAddedAttribute(FNew, d.NameId(a.name), a.value);
    return;
  }
  if (size == 0) return;
  char* out = d.texts.Append(size, d.added[FNew].attributes);
  for (const TAttribute& a : attributes) {
    const std::string_view start = d.names.AttributeStart(a.name.FId);
    xml_markup::CopyShort(out, start.data(), start.size());
    out += start.size();
    xml_markup::CopyShort(out, a.value.data(), a.value.size());
    out += a.value.size();
    *out++ = '"';
  }
}

namespace {
// The attribute at pos of an element's markup: where its value starts and ends (at its
// closing quote). Names hold no quote and values are escaped, so quotes delimit them.
struct TMarkupAttribute {
  std::size_t value, end;
};
// Attributes are short: plain loops beat calls to memchr and memcmp.
TMarkupAttribute AttributeAt(std::string_view markup, std::size_t pos) {
  std::size_t value = pos;
  while (markup[value] != '"') ++value;
  std::size_t end = ++value;
  while (markup[end] != '"') ++end;
  return {value, end};
}
bool StartsAt(std::string_view markup, std::size_t pos, std::string_view start) {
  if (markup.size() - pos < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (markup[pos + i] != start[i]) return false;
  }
  return true;
}
}  // namespace

void TXmlDocument::Impl::SetAddedAttribute(std::uint32_t element, std::uint32_t name, std::string_view value) {
  // The value as it is saved: escaped for the document's encoding now, copied when saving.
  std::string_view text = value;
  if (!IsPlainValue(value)) {
    if (!escaped) escaped = std::make_unique<TMarkup>();
    escaped->clear();
    AppendEscaped(*escaped, value, encoding);
    text = escaped->View();
  }
  const std::uint64_t key = (std::uint64_t{element} << 32) | name;
  if (text != value) {
    TTextStore::TRef raw;
    std::memcpy(texts.Append(value.size(), raw), value.data(), value.size());
    rawValues[key] = raw;
  } else if (!rawValues.empty()) {
    rawValues.erase(key);
  }

  TAddedElement& e = added[element];
  const std::string_view start = names.AttributeStart(name);  // ` name="`
  const std::string_view markup = texts.View(e.attributes);
  for (std::size_t pos = 0; pos < markup.size();) {
    const TMarkupAttribute a = AttributeAt(markup, pos);
    if (!StartsAt(markup, pos, start)) {
      pos = a.end + 1;
      continue;
    }
    // Set again: the new value takes the old one's place, the order stays.
    if (markup.substr(a.value, a.end - a.value) == text) return;
    TTextStore::TRef ref;
    char* out = texts.Append(markup.size() - (a.end - a.value) + text.size(), ref);
    std::memcpy(out, markup.data(), a.value);
    out += a.value;
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out += text.size();
    std::memcpy(out, markup.data() + a.end, markup.size() - a.end);
    e.attributes = ref;
    return;
  }
  const std::size_t more = start.size() + text.size() + 1;
  char* out = texts.Extend(e.attributes, more);
  if (!out) {
    // Something was kept since: the element's markup moves to the end.
    TTextStore::TRef ref;
    out = texts.Append(markup.size() + more, ref);
    if (!markup.empty()) std::memcpy(out, markup.data(), markup.size());
    out += markup.size();
    e.attributes = ref;
  }
  std::memcpy(out, start.data(), start.size());
  out += start.size();
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  out[text.size()] = '"';
}

void TXmlDocument::Impl::FindAddedAttributes(std::uint32_t element, std::span<const std::string_view> wanted,
                                             std::span<TXmlValue> values) const {
  std::size_t missing = wanted.size();
  const std::string_view markup = texts.View(added[element].attributes);
  for (std::size_t pos = 0; pos < markup.size() && missing;) {
    const TMarkupAttribute a = AttributeAt(markup, pos);
    const std::string_view name = markup.substr(pos + 1, a.value - pos - 3);
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      if (!values[i] && name == wanted[i]) {
        values[i] = TXmlValue::Piece(markup.substr(a.value, a.end - a.value));
        if (!rawValues.empty()) {
          auto raw = rawValues.find((std::uint64_t{element} << 32) | names.Find(name));
          if (raw != rawValues.end()) values[i] = TXmlValue::Piece(texts.View(raw->second));
        }
        --missing;
        break;
      }
    }
    pos = a.end + 1;
  }
}
