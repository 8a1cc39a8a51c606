#pragma once
// The store of the elements added to a loaded document: compact records in pages that never
// move, their names kept once, their attributes as markup in blocks of text.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/xml.h"  // EXmlError

namespace xml_store {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Raises the XML layer's error for a name that cannot be an element or attribute name.
inline void CheckName(std::string_view name) {
  bool ok = !name.empty();
  for (char c : name) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '<' || c == '>' || c == '&' || c == '"' ||
        c == '\'' || c == '/' || c == '=' || c == '\0') {
      ok = false;
    }
  }
  if (!ok) throw EXmlError("\"" + std::string(name) + "\" is not a valid XML name");
}

// The attributes of added elements, as the markup they are saved as, in blocks that never
// move. A text is found by a reference (block and offset in one number) and its length,
// which keeps the element records small. The text kept last can grow in place while its
// block has room.
class TTextStore {
 public:
  struct TRef {
    std::uint32_t at = 0, length = 0;
  };

  // Room for size bytes, to be filled by the caller; ref tells where they are.
  char* Append(std::size_t size, TRef& ref) {
    if (size > kMaxLength) throw EXmlError("Too much new text");
    if (size > kBlockSize) {
      // A long text gets a block of its own; the current block stays the one to fill.
      const std::size_t block = NewBlock(size);
      ref = TRef{static_cast<std::uint32_t>(block << kOffsetBits), static_cast<std::uint32_t>(size)};
      return FBlocks[block].get();
    }
    if (size > FLeft) {
      FTailBlock = NewBlock(kBlockSize);
      FLeft = kBlockSize;
    }
    const std::size_t offset = kBlockSize - FLeft;
    ref = TRef{static_cast<std::uint32_t>((FTailBlock << kOffsetBits) | offset), static_cast<std::uint32_t>(size)};
    FLeft -= size;
    return FBlocks[FTailBlock].get() + offset;
  }

  // Grows the text of ref by more bytes when it was kept last and its block has room: the
  // place of the new bytes, or nullptr (then ref is as it was).
  char* Extend(TRef& ref, std::size_t more) {
    if (ref.length == 0 || more > FLeft || (ref.at >> kOffsetBits) != FTailBlock ||
        (ref.at & (kBlockSize - 1)) + ref.length != kBlockSize - FLeft) {
      return nullptr;
    }
    char* place = FBlocks[FTailBlock].get() + (kBlockSize - FLeft);
    FLeft -= more;
    ref.length += static_cast<std::uint32_t>(more);
    return place;
  }

  std::string_view View(TRef ref) const {
    if (ref.length == 0) return {};
    return std::string_view(FBlocks[ref.at >> kOffsetBits].get() + (ref.at & (kBlockSize - 1)), ref.length);
  }

  void Clear() {
    FBlocks.clear();
    FLeft = 0;
    FTailBlock = 0;
  }

 private:
  static constexpr std::size_t kOffsetBits = 16;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kOffsetBits;  // below the allocator's mmap threshold
  static constexpr std::size_t kMaxLength = 0xFFFFFFFF;

  std::size_t NewBlock(std::size_t size) {
    if (FBlocks.size() >= (std::size_t{1} << (32 - kOffsetBits))) throw EXmlError("Too much new text");
    FBlocks.push_back(std::make_unique_for_overwrite<char[]>(size));
    return FBlocks.size() - 1;
  }

  std::vector<std::unique_ptr<char[]>> FBlocks;
  std::size_t FLeft = 0;       // room left in the block being filled
  std::size_t FTailBlock = 0;  // the block being filled
};

// Names of added elements and attributes: a handful of words, each kept once and checked
// when it is first met.
class TNameTable {
 public:
  std::uint32_t Intern(std::string_view name) {
    // Looked up among the names of the same length with the same first character.
    std::vector<std::uint32_t>& bucket = FBuckets[BucketOf(name)];
    for (std::uint32_t id : bucket) {
      if (SameText(FNames[id].name, name)) return id;
    }
    CheckName(name);
    if (FNames.size() >= kNone - 1) throw EXmlError("Too many new names");
    const auto id = static_cast<std::uint32_t>(FNames.size());
    TEntry entry;
    entry.name.assign(name);
    entry.openTag = "<" + entry.name;
    entry.endTag = "</" + entry.name + ">";
    entry.attributeStart = " " + entry.name + "=\"";
    FNames.push_back(std::move(entry));
    bucket.push_back(id);
    return id;
  }
  // The name's id, or kNone when it was never interned.
  std::uint32_t Find(std::string_view name) const {
    for (std::uint32_t id : FBuckets[BucketOf(name)]) {
      if (SameText(FNames[id].name, name)) return id;
    }
    return kNone;
  }
  std::string_view Name(std::uint32_t id) const { return FNames[id].name; }
  // The markup around an element or attribute of that name: "<name", "</name>", ` name="`.
  std::string_view OpenTag(std::uint32_t id) const { return FNames[id].openTag; }
  std::string_view EndTag(std::uint32_t id) const { return FNames[id].endTag; }
  std::string_view AttributeStart(std::uint32_t id) const { return FNames[id].attributeStart; }
  void Clear() {
    FNames.clear();
    for (auto& bucket : FBuckets) bucket.clear();
  }

 private:
  struct TEntry {
    std::string name, openTag, endTag, attributeStart;
  };
  static constexpr std::size_t kBucketCount = 64;

  static std::size_t BucketOf(std::string_view name) {
    if (name.empty()) return 0;
    return (name.size() * 31 + static_cast<unsigned char>(name[0])) % kBucketCount;
  }
  // Names are short: a plain loop beats a call to memcmp.
  static bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }

  std::vector<TEntry> FNames;
  std::vector<std::uint32_t> FBuckets[kBucketCount];
};

// A growing array in fixed pages: appending never moves what is stored, and a large array
// costs no copying as it grows.
template <typename T>
class TPagedArray {
 public:
  std::uint32_t Size() const { return FSize; }
  T& operator[](std::uint32_t i) { return FPages[i >> kPageBits][i & kPageMask]; }
  const T& operator[](std::uint32_t i) const { return FPages[i >> kPageBits][i & kPageMask]; }
  std::uint32_t Append(const T& item) {
    if (FSize >= kNone - 1) throw EXmlError("Too many new elements or attributes");
    if ((FSize & kPageMask) == 0 && (FSize >> kPageBits) == FPages.size()) {
      FPages.push_back(std::make_unique_for_overwrite<T[]>(kPageMask + 1));
    }
    (*this)[FSize] = item;
    return FSize++;
  }
  void Clear() {
    FPages.clear();
    FSize = 0;
  }

 private:
  static constexpr std::uint32_t kPageBits = 11;  // pages stay below the allocator's mmap threshold
  static constexpr std::uint32_t kPageMask = (1u << kPageBits) - 1;
  std::vector<std::unique_ptr<T[]>> FPages;
  std::uint32_t FSize = 0;
};

struct TAddedElement {
  std::uint32_t name = kNone;
  TTextStore::TRef attributes;  // ` name="value"` for each, escaped for the document's encoding
  std::uint32_t firstChild = kNone, lastChild = kNone;
  std::uint32_t next = kNone;
};

}  // namespace xml_store
