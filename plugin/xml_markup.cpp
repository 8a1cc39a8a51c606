#include "plugin/xml_markup.h"

#include "plugin/xml.h"  // EXmlError

using xml_encoding::Encodable;
using xml_encoding::NextUtf8;

namespace xml_markup {

void Malformed() { throw EXmlError("The document's markup could not be followed for saving"); }

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

namespace {
std::size_t SkipPast(const std::string& s, std::size_t from, std::string_view marker) {
  std::size_t pos = s.find(marker, from);
  if (pos == std::string::npos) Malformed();
  return pos + marker.size();
}
}  // namespace

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
void AppendEscaped(TMarkup& out, std::string_view value, TXmlEncoding enc) {
  if (IsPlainValue(value)) {
    out += value;
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
    if (c > 0x10FFFF) c = 0xFFFD;  // an undecodable byte
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;  // not allowed in XML 1.0
    std::size_t probe = start;
    if (Encodable(c, enc) && NextUtf8(value, probe) == c) {
      out += value.substr(start, i - start);
    } else {
      out += "&#";
      out += std::string_view(std::to_string(static_cast<std::uint32_t>(c)));
      out += ';';
    }
  }
}

}  // namespace xml_markup
