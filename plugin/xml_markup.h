#pragma once
// Markup helpers of the XML layer: following the tags of a document's text (to find where new
// elements go) and writing new markup.
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "plugin/xml_encoding.h"

namespace xml_markup {

// Raises the XML layer's error for text whose markup cannot be followed.
[[noreturn]] void Malformed();

// From the '<' of a start tag to its '>'; selfClosing when it ends with "/>".
std::size_t ScanTagEnd(const std::string& s, std::size_t lt, bool& selfClosing);

// The '<' of the end tag matching the element whose start tag ends at gt.
std::size_t FindEndTag(const std::string& s, std::size_t gt);

// The blanks that start the line holding pos.
std::string LineIndent(const std::string& s, std::size_t pos);

// Copies n bytes. Markup comes in short pieces: up to 32 bytes go as two overlapping moves
// of a fixed size, which the compiler makes plain loads and stores instead of a call.
inline void CopyShort(char* to, const char* from, std::size_t n) {
  if (n >= 16) {
    if (n > 32) {
      std::memcpy(to, from, n);
      return;
    }
    char head[16], tail[16];
    std::memcpy(head, from, 16);
    std::memcpy(tail, from + n - 16, 16);
    std::memcpy(to, head, 16);
    std::memcpy(to + n - 16, tail, 16);
  } else if (n >= 4) {
    char head[8], tail[8];
    if (n >= 8) {
      std::memcpy(head, from, 8);
      std::memcpy(tail, from + n - 8, 8);
      std::memcpy(to, head, 8);
      std::memcpy(to + n - 8, tail, 8);
    } else {
      std::memcpy(head, from, 4);
      std::memcpy(tail, from + n - 4, 4);
      std::memcpy(to, head, 4);
      std::memcpy(to + n - 4, tail, 4);
    }
  } else {
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  }
}

// New markup as it is written: an append is a bounds check and a copy, inline.
class TMarkup {
 public:
  TMarkup() : FBuffer(std::make_unique_for_overwrite<char[]>(kInitialSize)), FCapacity(kInitialSize) {}
  TMarkup& operator+=(char c) {
    if (FSize == FCapacity) Grow(1);
    FBuffer[FSize++] = c;
    return *this;
  }
  TMarkup& operator+=(std::string_view text) {
    if (FCapacity - FSize < text.size()) Grow(text.size());
    CopyShort(FBuffer.get() + FSize, text.data(), text.size());
    FSize += text.size();
    return *this;
  }
  std::size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  void clear() { FSize = 0; }
  std::string_view View() const { return std::string_view(FBuffer.get(), FSize); }

 private:
  static constexpr std::size_t kInitialSize = 96 * 1024;  // a piece and the element that ends it

  void Grow(std::size_t more) {
    const std::size_t capacity = std::max(FCapacity * 2, FSize + more);
    auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
    std::memcpy(bigger.get(), FBuffer.get(), FSize);
    FBuffer = std::move(bigger);
    FCapacity = capacity;
  }

  std::unique_ptr<char[]> FBuffer;
  std::size_t FCapacity = 0;
  std::size_t FSize = 0;
};

// Whether an attribute value goes into markup as it is: plain printable ASCII (all numbers
// and names this program writes).
inline bool IsPlainValue(std::string_view value) {
  for (char ch : value) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b >= 0x80 || ch == '&' || ch == '<' || ch == '>' || ch == '"') return false;
  }
  return true;
}

// Appends text for an attribute value: markup characters and line breaks as references, and
// characters the encoding cannot hold as numeric references.
void AppendEscaped(TMarkup& out, std::string_view value, TXmlEncoding enc);

}  // namespace xml_markup
