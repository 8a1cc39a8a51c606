#pragma once
// The board document's XML layer: a small facade over the DOM parser.
//
// A document is read whole and can only grow: new elements are added under existing ones
// (appended last, or inserted first), and attributes are set on new elements only. The new
// elements are kept apart from the parser's tree, in a compact store of the document's own.
// Saving splices them into the bytes that were read, so everything the file held before -
// declaration, comments, whitespace, quoting, entity references, encoding - stays byte for
// byte. UTF-8 (with or without BOM), UTF-16 with BOM and single-byte encodings
// named in the XML declaration (windows-1251 decoded for real, any other byte-transparently)
// are read and written back in their own encoding.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/replacing_file.h"
#include "plugin/xml_encoding.h"

namespace pugi {
struct xml_node_struct;
}

// Errors of the XML layer; their text is shown to the user as it is.
class EXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TXmlDocument;
class TXmlElementWalk;

// An attribute's value as FindAttributes finds it. A value read from the file is the parser's
// NUL-terminated text, measured only when its length is asked for; a value added since
// loading is a piece of a longer text. Empty (false) when the attribute is absent.
class TXmlValue {
 public:
  TXmlValue() = default;
  static TXmlValue Terminated(const char* text) { return TXmlValue(text, kUnmeasured); }
  static TXmlValue Piece(std::string_view text) { return TXmlValue(text.empty() ? "" : text.data(), text.size()); }
  explicit operator bool() const { return FText != nullptr; }
  std::string_view View() const { return FLength == kUnmeasured ? std::string_view(FText) : std::string_view(FText, FLength); }
  // The value as NUL-terminated text, or null when it is no such text (or absent).
  const char* TerminatedText() const { return FLength == kUnmeasured ? FText : nullptr; }

 private:
  static constexpr std::size_t kUnmeasured = ~std::size_t{0};
  TXmlValue(const char* text, std::size_t length) : FText(text), FLength(length) {}
  const char* FText = nullptr;
  std::size_t FLength = kUnmeasured;
};

// A name for new elements and attributes, checked and kept once by its document: a writer
// that looks its names up once spares the look-up on every element. Valid for the life of
// the document that gave it; empty ones and those of another document raise EXmlError.
class TXmlName {
 public:
  TXmlName() = default;

 private:
  friend class TXmlDocument;
  friend class TXmlNode;
  TXmlName(std::uint32_t id, const void* owner) : FId(id), FOwner(owner) {}
  std::uint32_t FId = 0;
  const void* FOwner = nullptr;
};

// A handle to one element of a loaded document; empty (false) when nothing was found.
// Handles stay valid while their document holds its tree. An element is either one read
// from the file or one added since loading; both answer the same questions.
class TXmlNode {
 public:
  TXmlNode() = default;
  explicit operator bool() const { return FNode != nullptr || FNew != kNoElement; }

  std::string Name() const;
  // The first child element with that name, or an empty handle.
  TXmlNode FirstChild(std::string_view name) const;
  // The child elements in document order (text, comments and instructions are not children).
  std::vector<TXmlNode> ChildElements() const;
  // The same child elements one by one, without a list: for (TXmlNode c : e.Elements()).
  TXmlElementWalk Elements() const;
  bool HasChildElements() const;
  bool HasAttribute(std::string_view name) const;
  // The attribute's value, or nothing when absent.
  std::optional<std::string> Attribute(std::string_view name) const;
  // The same without a copy; the text stays valid while the document holds its tree.
  std::optional<std::string_view> AttributeView(std::string_view name) const;
  // Several attributes in one pass over the element's attributes: values[i] is the value
  // of names[i] (as AttributeView gives it), or nothing when absent.
  void FindAttributes(std::span<const std::string_view> names, std::span<std::optional<std::string_view>> values) const;
  // The same, each value as found, unmeasured; the search expects the attributes in the order
  // of names and costs least when they come so.
  void FindAttributes(std::span<const std::string_view> names, std::span<TXmlValue> values) const;
  // The attribute's value, or "" when absent.
  std::string AttributeText(std::string_view name) const;
  // The element's text: "" without children; raises EXmlError when it holds elements.
  std::string Text() const;

  // A new element appended as the last child.
  TXmlNode AddChild(std::string_view name);
  TXmlNode AddChild(TXmlName name);
  // A new element inserted as the first child.
  TXmlNode InsertChildFirst(std::string_view name);
  TXmlNode InsertChildFirst(TXmlName name);
  // Sets (or appends, in call order) an attribute of an element added since loading.
  void SetAttribute(std::string_view name, std::string_view value);
  void SetAttribute(TXmlName name, std::string_view value);
  // Sets several, as SetAttribute one after the other would.
  struct TAttribute {
    TXmlName name;
    std::string_view value;
  };
  void SetAttributes(std::span<const TAttribute> attributes);

 private:
  friend class TXmlDocument;
  friend class TXmlElementWalk;
  static constexpr std::uint32_t kNoElement = 0xFFFFFFFF;
  TXmlNode(pugi::xml_node_struct* node, TXmlDocument* doc) : FNode(node), FDoc(doc) {}
  TXmlNode(std::uint32_t added, TXmlDocument* doc) : FNew(added), FDoc(doc) {}
  pugi::xml_node_struct* FNode = nullptr;  // an element of the file
  std::uint32_t FNew = kNoElement;         // or an element added since loading
  TXmlDocument* FDoc = nullptr;
};

// A walk over an element's children (TXmlNode::Elements), both the range and its position.
class TXmlElementWalk {
 public:
  TXmlNode operator*() const { return FAt; }
  TXmlElementWalk& operator++() {
    Step();
    return *this;
  }
  bool operator!=(const TXmlElementWalk& other) const { return FAt.FNode != other.FAt.FNode || FAt.FNew != other.FAt.FNew; }
  TXmlElementWalk begin() const { return *this; }
  TXmlElementWalk end() const { return {}; }

 private:
  friend class TXmlNode;
  void Step();
  TXmlNode FAt;                                        // the current child; empty at the end
  pugi::xml_node_struct* FParent = nullptr;            // an element of the file whose children these are
  std::uint32_t FTrailing = TXmlNode::kNoElement;      // its first child appended since loading
  bool FLeading = false;                               // FAt is one of the children inserted first
};

class TXmlDocument {
 public:
  TXmlDocument();
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Reads and parses the file; raises EXmlError when it cannot be read or parsed. A tree
  // set aside by Deactivate is taken up again instead when the file still holds exactly the
  // bytes it was parsed from (UTF-8 documents), which saves a second parse of an unchanged
  // board.
  void LoadFromFile(const std::string& path);
  // Parses the bytes of a whole file.
  void LoadFromBytes(std::string bytes);
  // Whether a tree is held for use.
  bool Active() const;
  // Ends the use of the tree: its handles become invalid and the added elements are dropped,
  // but the tree and its text are kept for a later LoadFromFile of the same bytes.
  void Deactivate();
  // Releases the tree, its text and the added elements; handles into them become invalid.
  void Clear();

  // The first top-level element with that name, or an empty handle.
  TXmlNode TopLevelElement(std::string_view name);
  TXmlEncoding Encoding() const;

  // The handle of a name for new elements and attributes; raises EXmlError for a name that
  // cannot be one.
  TXmlName Intern(std::string_view name);

  // The document as a file: the bytes read with the added elements spliced in.
  std::string SaveToBytes() const;
  // Writes the document beside the file and then puts it in the file's place in one step;
  // raises EXmlError (leaving the file as it was) when that fails.
  void SaveToFile(const std::string& path) const;

 private:
  friend class TXmlNode;
  friend class TXmlElementWalk;
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

