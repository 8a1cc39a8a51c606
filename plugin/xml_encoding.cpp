#include "plugin/xml_encoding.h"

#include <array>
#include <cstdint>

#include "plugin/xml.h"  // EXmlError

namespace xml_encoding {
namespace {

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

}  // namespace

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

TXmlEncoding Detect(std::string_view bytes) {
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

std::string_view ByteOrderMark(TXmlEncoding enc) {
  switch (enc) {
    case TXmlEncoding::Utf8Bom: return "\xEF\xBB\xBF";
    case TXmlEncoding::Utf16LE: return "\xFF\xFE";
    case TXmlEncoding::Utf16BE: return "\xFE\xFF";
    default: return "";
  }
}

void AppendFromWorking(std::string& out, std::string_view text, TXmlEncoding enc) {
  switch (enc) {
    case TXmlEncoding::Utf8:
    case TXmlEncoding::Utf8Bom:
      out.append(text);
      return;
    case TXmlEncoding::Utf16LE:
    case TXmlEncoding::Utf16BE: {
      const bool le = enc == TXmlEncoding::Utf16LE;
      out.reserve(out.size() + text.size() * 2);
      auto put = [&](char32_t u) {
        char a = static_cast<char>(u & 0xFF), b = static_cast<char>((u >> 8) & 0xFF);
        out += le ? a : b;
        out += le ? b : a;
      };
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
      return;
    }
    case TXmlEncoding::Windows1251:
    case TXmlEncoding::Bytes8Bit:
      out.reserve(out.size() + text.size());
      for (std::size_t i = 0; i < text.size();) {
        char32_t c = NextUtf8(text, i);
        int b = enc == TXmlEncoding::Windows1251 ? UnicodeToCp1251(c) : (c < 0x100 ? static_cast<int>(c) : -1);
        out += static_cast<char>(b >= 0 ? b : '?');
      }
      return;
  }
}

}  // namespace xml_encoding
