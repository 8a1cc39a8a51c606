#include "plugin/xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_set>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Whether a parser name (NUL-terminated) is exactly want; no length scan of the name.
bool NameIs(const char* name, std::string_view want) {
  for (char c : want) {
    if (*name != c) return false;  // also stops at the end of a shorter name
    ++name;
  }
  return *name == '\0';
}

// ---- Encodings ------------------------------------------------------------------------
// The parser works on UTF-8 text. Each document's bytes are mapped one-to-one into such a
// working text and mapped back on save, so bytes that were read are written unchanged.

// windows-1251, bytes 0x80-0xBF; 0x98 is unassigned and keeps U+0098 so that every byte
// still maps to its own character. 0xC0-0xFF are U+0410-U+044F.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char32_t Cp1251ToUnicode(unsigned char b) {
  if (b < 0x80) return b;
  if (b < 0xC0) return kCp1251High[b - 0x80];
  return 0x0410 + (b - 0xC0);
}

// The byte of a character in windows-1251, or -1 when it has none.
int UnicodeToCp1251(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(0xC0 + (c - 0x0410));
  for (std::size_t i = 0; i < kCp1251High.size(); ++i) {
    if (kCp1251High[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    // Lone surrogates of UTF-16 input come through here too, so that they survive a save.
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one character at i (advancing i). Invalid bytes decode as 0xDC00 + byte, a value
// no valid sequence produces, so callers can tell them apart.
char32_t NextUtf8(std::string_view s, std::size_t& i) {
  auto b = static_cast<unsigned char>(s[i]);
  auto cont = [&](std::size_t k) {
    return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
  };
  auto at = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  if (b < 0x80) {
    ++i;
    return b;
  }
  if (b >= 0xC2 && b < 0xE0 && cont(1)) {
    char32_t c = (static_cast<char32_t>(b & 0x1F) << 6) | at(1);
    i += 2;
    return c;
  }
  if (b >= 0xE0 && b < 0xF0 && cont(1) && cont(2)) {
    char32_t c = (static_cast<char32_t>(b & 0x0F) << 12) | (at(1) << 6) | at(2);
    if (c >= 0x800) {
      i += 3;
      return c;
    }
  }
  if (b >= 0xF0 && b < 0xF5 && cont(1) && cont(2) && cont(3)) {
    char32_t c = (static_cast<char32_t>(b & 0x07) << 18) | (at(1) << 12) | (at(2) << 6) | at(3);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      i += 4;
      return c;
    }
  }
  ++i;
  return 0x110000 + b;  // outside Unicode: an undecodable byte
}

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// The encoding named in an XML declaration at the start of 8-bit text, lower case; "" when
// there is no declaration or it names none.
std::string DeclaredEncoding(std::string_view bytes) {
  if (bytes.substr(0, 5) != "<?xml") return "";
  std::size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return "";
  std::string_view decl = bytes.substr(0, end);
  std::size_t pos = decl.find("encoding");
  if (pos == std::string_view::npos) return "";
  pos = decl.find_first_of("\"'", pos);
  if (pos == std::string_view::npos) return "";
  std::size_t close = decl.find(decl[pos], pos + 1);
  if (close == std::string_view::npos) return "";
  return LowerAscii(std::string(decl.substr(pos + 1, close - pos - 1)));
}

TXmlEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return TXmlEncoding::Utf8Bom;
  if (bytes.substr(0, 2) == "\xFF\xFE") return TXmlEncoding::Utf16LE;
  if (bytes.substr(0, 2) == "\xFE\xFF") return TXmlEncoding::Utf16BE;
  std::string declared = DeclaredEncoding(bytes);
  if (declared.empty() || declared == "utf-8" || declared == "utf8") return TXmlEncoding::Utf8;
  if (declared == "windows-1251" || declared == "cp1251" || declared == "x-cp1251") {
    return TXmlEncoding::Windows1251;
  }
  // Any other single-byte encoding: carried through byte for byte.
  return TXmlEncoding::Bytes8Bit;
}

std::string ToWorking(std::string_view bytes, TXmlEncoding enc) {
  std::string out;
  switch (enc) {
    case TXmlEncoding::Utf8:
      return std::string(bytes);
    case TXmlEncoding::Utf8Bom:
      return std::string(bytes.substr(3));
    case TXmlEncoding::Utf16LE:
    case TXmlEncoding::Utf16BE: {
      if (bytes.size() % 2 != 0) throw EXmlError("Incomplete UTF-16 character at the end of the document");
      bool le = enc == TXmlEncoding::Utf16LE;
      out.reserve(bytes.size());
      auto unit = [&](std::size_t i) {
        auto a = static_cast<unsigned char>(bytes[i]);
        auto b = static_cast<unsigned char>(bytes[i + 1]);
        return le ? static_cast<char32_t>(a | (b << 8)) : static_cast<char32_t>((a << 8) | b);
      };
      for (std::size_t i = 2; i < bytes.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
          char32_t low = unit(i + 2);
          if (low >= 0xDC00 && low < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
            continue;
          }
        }
        AppendUtf8(out, u);
      }
      return out;
    }
    case TXmlEncoding::Windows1251:
    case TXmlEncoding::Bytes8Bit:
      out.reserve(bytes.size() + bytes.size() / 8);
      for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, enc == TXmlEncoding::Windows1251 ? Cp1251ToUnicode(b) : char32_t{b});
      }
      return out;
  }
  return std::string(bytes);
}

// Whether the character can be written in the document's encoding (otherwise a character
// reference stands for it).
bool Encodable(char32_t c, TXmlEncoding enc) {
  switch (enc) {
    case TXmlEncoding::Windows1251:
      return UnicodeToCp1251(c) >= 0;
    case TXmlEncoding::Bytes8Bit:
      return c < 0x100;
    default:
      return c <= 0x10FFFF;
  }
}

std::string FromWorking(std::string_view text, TXmlEncoding enc) {
  std::string out;
  switch (enc) {
    case TXmlEncoding::Utf8:
      return std::string(text);
    case TXmlEncoding::Utf8Bom:
      out = "\xEF\xBB\xBF";
      out += text;
      return out;
    case TXmlEncoding::Utf16LE:
    case TXmlEncoding::Utf16BE: {
      bool le = enc == TXmlEncoding::Utf16LE;
      out.reserve(text.size() * 2 + 2);
      auto put = [&](char32_t u) {
        char a = static_cast<char>(u & 0xFF), b = static_cast<char>((u >> 8) & 0xFF);
        out += le ? a : b;
        out += le ? b : a;
      };
      put(0xFEFF);
      for (std::size_t i = 0; i < text.size();) {
        char32_t c = NextUtf8(text, i);
        if (c > 0x10FFFF) c = 0xFFFD;  // cannot come from UTF-16 input
        if (c >= 0x10000) {
          put(0xD800 + ((c - 0x10000) >> 10));
          put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
          put(c);
        }
      }
      return out;
    }
    case TXmlEncoding::Windows1251:
    case TXmlEncoding::Bytes8Bit:
      out.reserve(text.size());
      for (std::size_t i = 0; i < text.size();) {
        char32_t c = NextUtf8(text, i);
        int b = enc == TXmlEncoding::Windows1251 ? UnicodeToCp1251(c) : (c < 0x100 ? static_cast<int>(c) : -1);
        out += static_cast<char>(b >= 0 ? b : '?');  // new text is escaped first; see Escape
      }
      return out;
  }
  return std::string(text);
}

// ---- Splicing -------------------------------------------------------------------------

[[noreturn]] void Malformed() { throw EXmlError("The document's markup could not be followed for saving"); }

// From the '<' of a start tag to its '>'; selfClosing when it ends with "/>".
std::size_t ScanTagEnd(const std::string& s, std::size_t lt, bool& selfClosing) {
  char quote = 0;
  for (std::size_t i = lt + 1; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      selfClosing = s[i - 1] == '/';
      return i;
    }
  }
  Malformed();
}

std::size_t SkipPast(const std::string& s, std::size_t from, std::string_view marker) {
  std::size_t pos = s.find(marker, from);
  if (pos == std::string::npos) Malformed();
  return pos + marker.size();
}

// The '<' of the end tag matching the element whose start tag ends at gt.
std::size_t FindEndTag(const std::string& s, std::size_t gt) {
  int depth = 1;
  std::size_t i = gt + 1;
  for (;;) {
    i = s.find('<', i);
    if (i == std::string::npos) Malformed();
    if (s.compare(i, 4, "<!--") == 0) {
      i = SkipPast(s, i + 4, "-->");
    } else if (s.compare(i, 9, "<![CDATA[") == 0) {
      i = SkipPast(s, i + 9, "]]>");
    } else if (s.compare(i, 2, "<?") == 0) {
      i = SkipPast(s, i + 2, "?>");
    } else if (s.compare(i, 2, "<!") == 0) {
      i = SkipPast(s, i + 2, ">");
    } else if (s.compare(i, 2, "</") == 0) {
      if (--depth == 0) return i;
      i = SkipPast(s, i + 2, ">");
    } else {
      bool selfClosing = false;
      std::size_t end = ScanTagEnd(s, i, selfClosing);
      if (!selfClosing) ++depth;
      i = end + 1;
    }
  }
}

// The blanks that start the line holding pos.
std::string LineIndent(const std::string& s, std::size_t pos) {
  std::size_t start = s.rfind('\n', pos == 0 ? 0 : pos - 1);
  start = start == std::string::npos ? 0 : start + 1;
  std::size_t end = start;
  while (end < pos && (s[end] == ' ' || s[end] == '\t')) ++end;
  return s.substr(start, end - start);
}

// Text for an attribute value: markup characters and line breaks as references, and
// characters the encoding cannot hold as numeric references.
void AppendEscaped(std::string& out, std::string_view value, TXmlEncoding enc) {
  // Plain printable ASCII (all numbers and names this program writes) goes as it is.
  bool plain = true;
  for (char ch : value) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b >= 0x80 || ch == '&' || ch == '<' || ch == '>' || ch == '"') {
      plain = false;
      break;
    }
  }
  if (plain) {
    out.append(value);
    return;
  }
  for (std::size_t i = 0; i < value.size();) {
    std::size_t start = i;
    char32_t c = NextUtf8(value, i);
    switch (c) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '"': out += "&quot;"; continue;
      case '\t': out += "&#9;"; continue;
      case '\n': out += "&#10;"; continue;
      case '\r': out += "&#13;"; continue;
      default: break;
    }
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;  // not allowed in XML 1.0
    std::size_t probe = start;
    if (Encodable(c, enc) && NextUtf8(value, probe) == c) {
      out.append(value.substr(start, i - start));
    } else {
      out += "&#";
      out += std::to_string(static_cast<std::uint32_t>(c));
      out += ';';
    }
  }
}

struct Layout {
  bool pretty = false;
  std::string nl = "\n";
  TXmlEncoding enc = TXmlEncoding::Utf8;
};

// Writes node with its subtree; indent holds the node's own indent and is restored on return.
void Serialize(pugi::xml_node node, std::string& indent, const std::string& step, const Layout& lay,
               std::string& out) {
  out += '<';
  out += node.name();
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    out += ' ';
    out += a.name();
    out += "=\"";
    AppendEscaped(out, a.value(), lay.enc);
    out += '"';
  }
  if (!node.first_child()) {
    out += "/>";
    return;
  }
  out += '>';
  const std::size_t own = indent.size();
  indent += step;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (lay.pretty) {
      out += lay.nl;
      out += indent;
    }
    Serialize(child, indent, step, lay, out);
  }
  indent.resize(own);
  if (lay.pretty) {
    out += lay.nl;
    out += indent;
  }
  out += "</";
  out += node.name();
  out += '>';
}

bool IsNew(pugi::xml_node node) { return node.offset_debug() < 0; }

}  // namespace

// ---- Document -------------------------------------------------------------------------

struct TXmlDocument::Impl {
  pugi::xml_document doc;
  bool active = false;
  std::string working;  // the file's text as UTF-8, byte for byte what was parsed
  TXmlEncoding encoding = TXmlEncoding::Utf8;
  std::vector<pugi::xml_node_struct*> grown;  // elements read from the file with new children
  std::unordered_set<pugi::xml_node_struct*> grownSet;

  void NoteGrown(pugi::xml_node parent) {
    if (!IsNew(parent) && grownSet.insert(parent.internal_object()).second) {
      grown.push_back(parent.internal_object());
    }
  }
};

TXmlDocument::TXmlDocument() : FImpl(std::make_unique<Impl>()) {}
TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromFile(const std::string& path) { LoadFromBytes(ReadFileBytes(path)); }

void TXmlDocument::LoadFromBytes(std::string bytes) {
  Clear();
  Impl& d = *FImpl;
  d.encoding = DetectEncoding(bytes);
  if (d.encoding == TXmlEncoding::Utf8) {
    d.working = std::move(bytes);
  } else {
    d.working = ToWorking(bytes, d.encoding);
  }
  bytes.clear();
  bytes.shrink_to_fit();
  unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype;
  pugi::xml_parse_result result = d.doc.load_buffer(d.working.data(), d.working.size(), options, pugi::encoding_utf8);
  if (!result) {
    std::size_t offset = std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), d.working.size());
    std::size_t line = 1 + static_cast<std::size_t>(std::count(d.working.begin(), d.working.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    std::size_t lineStart = d.working.rfind('\n', offset == 0 ? 0 : offset - 1);
    std::size_t column = offset - (lineStart == std::string::npos || offset == 0 ? 0 : lineStart + 1) + 1;
    d.doc.reset();
    d.working.clear();
    throw EXmlError(std::string("XML document is not well-formed: ") + result.description() + " at line " +
                    std::to_string(line) + ", column " + std::to_string(column));
  }
  // The parser takes fragments; a document has one root element and no text beside it.
  int roots = 0;
  for (pugi::xml_node n : d.doc.children()) {
    if (n.type() == pugi::node_element) ++roots;
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) roots = 2;
  }
  if (roots != 1) {
    d.doc.reset();
    d.working.clear();
    throw EXmlError("XML document is not well-formed: it must hold exactly one root element");
  }
  d.active = true;
}

bool TXmlDocument::Active() const { return FImpl->active; }

void TXmlDocument::Clear() {
  FImpl->doc.reset();
  FImpl->working.clear();
  FImpl->working.shrink_to_fit();
  FImpl->grown.clear();
  FImpl->grownSet.clear();
  FImpl->active = false;
}

TXmlEncoding TXmlDocument::Encoding() const { return FImpl->encoding; }

TXmlNode TXmlDocument::TopLevelElement(std::string_view name) {
  for (pugi::xml_node n : FImpl->doc.children()) {
    if (n.type() == pugi::node_element && NameIs(n.name(), name)) return TXmlNode(n.internal_object(), this);
  }
  return {};
}

std::string TXmlDocument::SaveToBytes() const {
  const Impl& d = *FImpl;
  if (!d.active) throw EXmlError("No document to save");
  const std::string& s = d.working;
  Layout lay;
  lay.enc = d.encoding;
  lay.pretty = s.find('\n') != std::string::npos;
  lay.nl = s.find("\r\n") != std::string::npos ? "\r\n" : "\n";

  struct Edit {
    std::size_t pos;
    std::size_t erase;
    std::string text;
  };
  std::vector<Edit> edits;
  for (pugi::xml_node_struct* raw : d.grown) {
    pugi::xml_node p(raw);
    std::size_t lt = static_cast<std::size_t>(p.offset_debug()) - 1;
    if (lt >= s.size() || s[lt] != '<') Malformed();
    bool selfClosing = false;
    std::size_t gt = ScanTagEnd(s, lt, selfClosing);
    std::string indent = LineIndent(s, lt);

    // Indent step: as the first child read from the file is indented, else as this
    // element is to its parent, else two blanks.
    std::string step;
    for (pugi::xml_node c : p.children()) {
      if (c.type() != pugi::node_element || IsNew(c)) continue;
      std::string ci = LineIndent(s, static_cast<std::size_t>(c.offset_debug()) - 1);
      if (ci.size() > indent.size() && ci.compare(0, indent.size(), indent) == 0) step = ci.substr(indent.size());
      break;
    }
    if (step.empty() && p.parent() && p.parent().type() == pugi::node_element) {
      std::string pi = LineIndent(s, static_cast<std::size_t>(p.parent().offset_debug()) - 1);
      if (indent.size() > pi.size() && indent.compare(0, pi.size(), pi) == 0) step = indent.substr(pi.size());
    }
    if (step.empty()) step = indent.find('\t') != std::string::npos ? "\t" : "  ";

    // New children come before all children read from the file or after them.
    std::vector<pugi::xml_node> leading, trailing;
    bool seenOld = false;
    for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
      if (!IsNew(c)) {
        seenOld = true;
        for (pugi::xml_node t : trailing) leading.push_back(t);
        trailing.clear();
      } else if (seenOld || c.type() != pugi::node_element) {
        trailing.push_back(c);
      } else {
        leading.push_back(c);
      }
    }
    if (!seenOld) {
      // Nothing old inside: everything is written in order before the end.
      leading.insert(leading.end(), trailing.begin(), trailing.end());
      trailing.swap(leading);
      leading.clear();
    }
    std::string childIndent = indent + step;
    auto block = [&](const std::vector<pugi::xml_node>& nodes) {
      std::string out;
      for (pugi::xml_node c : nodes) {
        if (lay.pretty) {
          out += lay.nl;
          out += childIndent;
        }
        Serialize(c, childIndent, step, lay, out);
      }
      return out;
    };

    if (selfClosing) {
      std::string text = ">" + block(leading) + block(trailing);
      if (lay.pretty) text += lay.nl + indent;
      text += "</" + std::string(p.name()) + ">";
      edits.push_back({gt - 1, 2, std::move(text)});
      continue;
    }
    if (!leading.empty()) edits.push_back({gt + 1, 0, block(leading)});
    if (!trailing.empty()) {
      std::size_t endLt = FindEndTag(s, gt);
      std::size_t lineStart = s.rfind('\n', endLt - 1);
      bool endOnOwnLine = lay.pretty && lineStart != std::string::npos && lineStart > gt &&
                          s.compare(lineStart + 1, endLt - lineStart - 1, indent) == 0;
      std::string text;
      if (endOnOwnLine) {
        // The end tag already sits on its own line: each new child takes that line's
        // place and the end tag moves below it.
        for (pugi::xml_node c : trailing) {
          text += step;
          Serialize(c, childIndent, step, lay, text);
          text += lay.nl;
          text += indent;
        }
      } else {
        text = block(trailing);
        if (lay.pretty) text += lay.nl + indent;
      }
      edits.push_back({endLt, 0, std::move(text)});
    }
  }
  std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.pos < b.pos; });

  std::string spliced;
  std::size_t extra = 0;
  for (const Edit& e : edits) extra += e.text.size();
  spliced.reserve(s.size() + extra);
  std::size_t cursor = 0;
  for (const Edit& e : edits) {
    spliced.append(s, cursor, e.pos - cursor);
    spliced += e.text;
    cursor = e.pos + e.erase;
  }
  spliced.append(s, cursor, std::string::npos);
  if (d.encoding == TXmlEncoding::Utf8) return spliced;
  return FromWorking(spliced, d.encoding);
}

void TXmlDocument::SaveToFile(const std::string& path) const { ReplaceFileContents(path, SaveToBytes()); }

// ---- Nodes ----------------------------------------------------------------------------

namespace {
pugi::xml_node N(pugi::xml_node_struct* n) { return pugi::xml_node(n); }

void CheckName(std::string_view name) {
  bool ok = !name.empty();
  for (char c : name) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '<' || c == '>' || c == '&' || c == '"' ||
        c == '\'' || c == '/' || c == '=') {
      ok = false;
    }
  }
  if (!ok) throw EXmlError("\"" + std::string(name) + "\" is not a valid XML name");
}

// A name as the parser's NUL-terminated text, without a heap copy for ordinary names.
class TCName {
 public:
  explicit TCName(std::string_view name) {
    if (name.size() < sizeof FSmall) {
      std::memcpy(FSmall, name.data(), name.size());
      FSmall[name.size()] = '\0';
      FText = FSmall;
    } else {
      FLong.assign(name);
      FText = FLong.c_str();
    }
  }
  const char* c_str() const { return FText; }

 private:
  char FSmall[64];
  std::string FLong;
  const char* FText;
};
}  // namespace

std::string TXmlNode::Name() const { return FNode ? N(FNode).name() : ""; }

TXmlNode TXmlNode::FirstChild(std::string_view name) const {
  if (!FNode) return {};
  for (pugi::xml_node c : N(FNode).children()) {
    if (c.type() == pugi::node_element && NameIs(c.name(), name)) return TXmlNode(c.internal_object(), FDoc);
  }
  return {};
}

std::vector<TXmlNode> TXmlNode::ChildElements() const {
  std::vector<TXmlNode> out;
  if (!FNode) return out;
  for (pugi::xml_node c : N(FNode).children()) {
    if (c.type() == pugi::node_element) out.push_back(TXmlNode(c.internal_object(), FDoc));
  }
  return out;
}

bool TXmlNode::HasChildElements() const { return FNode && N(FNode).find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; }); }

bool TXmlNode::HasAttribute(std::string_view name) const { return AttributeView(name).has_value(); }

std::optional<std::string_view> TXmlNode::AttributeView(std::string_view name) const {
  if (!FNode) return std::nullopt;
  for (pugi::xml_attribute a = N(FNode).first_attribute(); a; a = a.next_attribute()) {
    if (NameIs(a.name(), name)) return std::string_view(a.value());
  }
  return std::nullopt;
}

std::optional<std::string> TXmlNode::Attribute(std::string_view name) const {
  std::optional<std::string_view> value = AttributeView(name);
  if (!value) return std::nullopt;
  return std::string(*value);
}

std::string TXmlNode::AttributeText(std::string_view name) const { return std::string(AttributeView(name).value_or("")); }

std::string TXmlNode::Text() const {
  if (!FNode) return "";
  std::string text;
  for (pugi::xml_node c : N(FNode).children()) {
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
      text += c.value();
    } else if (c.type() == pugi::node_element) {
      throw EXmlError("Element \"" + Name() + "\" does not contain a single text node");
    }
  }
  return text;
}

TXmlNode TXmlNode::AddChild(std::string_view name) {
  if (!FNode) throw EXmlError("No element to add \"" + std::string(name) + "\" to");
  CheckName(name);
  pugi::xml_node child = N(FNode).append_child(TCName(name).c_str());
  if (!child) throw EXmlError("Cannot add element \"" + std::string(name) + "\"");
  FDoc->FImpl->NoteGrown(N(FNode));
  return TXmlNode(child.internal_object(), FDoc);
}

TXmlNode TXmlNode::InsertChildFirst(std::string_view name) {
  if (!FNode) throw EXmlError("No element to insert \"" + std::string(name) + "\" into");
  CheckName(name);
  pugi::xml_node child = N(FNode).prepend_child(TCName(name).c_str());
  if (!child) throw EXmlError("Cannot insert element \"" + std::string(name) + "\"");
  FDoc->FImpl->NoteGrown(N(FNode));
  return TXmlNode(child.internal_object(), FDoc);
}

void TXmlNode::SetAttribute(std::string_view name, std::string_view value) {
  if (!FNode) throw EXmlError("No element to set \"" + std::string(name) + "\" on");
  pugi::xml_node node = N(FNode);
  // Elements read from the file keep their bytes; only new elements take attributes.
  if (!IsNew(node)) throw EXmlError("Element \"" + Name() + "\" of the file cannot be changed");
  CheckName(name);
  pugi::xml_attribute a = node.first_attribute();
  while (a && !NameIs(a.name(), name)) a = a.next_attribute();
  if (!a) a = node.append_attribute(TCName(name).c_str());
  if (!a || !a.set_value(value.data(), value.size())) throw EXmlError("Cannot set \"" + std::string(name) + "\"");
}

// ---- Files ----------------------------------------------------------------------------

namespace {
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(PathOf(path), ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) throw EXmlError("Cannot open file \"" + path + "\"");
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  std::string bytes;
  if (size > 0) {
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad() || size < 0) throw EXmlError("Cannot read file \"" + path + "\"");
  return bytes;
}

#ifdef _WIN32
namespace {
std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return L"";
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string LastErrorText(DWORD code) {
  char buffer[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                           sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}
}  // namespace

void ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::filesystem::path target = PathOf(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = L".";
  wchar_t temp[MAX_PATH + 1] = {};
  if (GetTempFileNameW(folder.c_str(), L"mvn", 0, temp) == 0) {
    throw EXmlError("Cannot save \"" + path + "\": " + LastErrorText(GetLastError()));
  }
  auto fail = [&](DWORD code) {
    DeleteFileW(temp);
    throw EXmlError("Cannot save \"" + path + "\": " + LastErrorText(code));
  };
  HANDLE h = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) fail(GetLastError());
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      DWORD code = GetLastError();
      CloseHandle(h);
      fail(code);
    }
    done += written;
  }
  if (!FlushFileBuffers(h)) {
    DWORD code = GetLastError();
    CloseHandle(h);
    fail(code);
  }
  CloseHandle(h);
  if (!MoveFileExW(temp, Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    fail(GetLastError());
  }
}
#else
void ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::filesystem::path target = PathOf(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(pattern.data());
  auto fail = [&](int code, bool remove) {
    if (remove) ::unlink(pattern.c_str());
    throw EXmlError("Cannot save \"" + path + "\": " + std::generic_category().message(code));
  };
  if (fd < 0) fail(errno, false);
  // The board keeps its permissions.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int code = errno;
      ::close(fd);
      fail(code, true);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) fail(errno, true);
  if (::rename(pattern.c_str(), target.c_str()) != 0) fail(errno, true);
}
#endif
