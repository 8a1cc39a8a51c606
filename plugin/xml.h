#pragma once
// The board document's XML layer: a small facade over the DOM parser.
//
// A document is read whole and can only grow: new elements are added under existing ones
// (appended last, or inserted first), and attributes are set on new elements only. Saving
// splices the new elements into the bytes that were read, so everything the file held
// before - declaration, comments, whitespace, quoting, entity references, encoding - stays
// byte for byte. UTF-8 (with or without BOM), UTF-16 with BOM and single-byte encodings
// named in the XML declaration (windows-1251 decoded for real, any other byte-transparently)
// are read and written back in their own encoding.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
}

// Errors of the XML layer; their text is shown to the user as it is.
class EXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TXmlEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1251, Bytes8Bit };

class TXmlDocument;

// A handle to one element of a loaded document; empty (false) when nothing was found.
// Handles stay valid while their document holds its tree.
class TXmlNode {
 public:
  TXmlNode() = default;
  explicit operator bool() const { return FNode != nullptr; }

  std::string Name() const;
  // The first child element with that name, or an empty handle.
  TXmlNode FirstChild(std::string_view name) const;
  // The child elements in document order (text, comments and instructions are not children).
  std::vector<TXmlNode> ChildElements() const;
  bool HasChildElements() const;
  bool HasAttribute(std::string_view name) const;
  // The attribute's value, or nothing when absent.
  std::optional<std::string> Attribute(std::string_view name) const;
  // The same without a copy; the text stays valid while the document holds its tree.
  std::optional<std::string_view> AttributeView(std::string_view name) const;
  // The attribute's value, or "" when absent.
  std::string AttributeText(std::string_view name) const;
  // The element's text: "" without children; raises EXmlError when it holds elements.
  std::string Text() const;

  // A new element appended as the last child.
  TXmlNode AddChild(std::string_view name);
  // A new element inserted as the first child.
  TXmlNode InsertChildFirst(std::string_view name);
  // Sets (or appends, in call order) an attribute of an element added since loading.
  void SetAttribute(std::string_view name, std::string_view value);

 private:
  friend class TXmlDocument;
  TXmlNode(pugi::xml_node_struct* node, TXmlDocument* doc) : FNode(node), FDoc(doc) {}
  pugi::xml_node_struct* FNode = nullptr;
  TXmlDocument* FDoc = nullptr;
};

class TXmlDocument {
 public:
  TXmlDocument();
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Reads and parses the file; raises EXmlError when it cannot be read or parsed.
  void LoadFromFile(const std::string& path);
  // Parses the bytes of a whole file.
  void LoadFromBytes(std::string bytes);
  // Whether a tree is held.
  bool Active() const;
  // Releases the tree; handles into it become invalid.
  void Clear();

  // The first top-level element with that name, or an empty handle.
  TXmlNode TopLevelElement(std::string_view name);
  TXmlEncoding Encoding() const;

  // The document as a file: the bytes read with the added elements spliced in.
  std::string SaveToBytes() const;
  // Writes the document beside the file and then puts it in the file's place in one step;
  // raises EXmlError (leaving the file as it was) when that fails.
  void SaveToFile(const std::string& path) const;

 private:
  friend class TXmlNode;
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

// Writes bytes to a new file in the folder of path, then replaces path with it in one step
// (rename on POSIX, MoveFileExW with replace and write-through on Windows). Raises EXmlError
// with the reason when any step fails; the old file then stays as it was.
void ReplaceFileContents(const std::string& path, std::string_view bytes);

// Reads a whole file; raises EXmlError when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Whether path names an existing regular file (UTF-8 path).
bool FileExists(const std::string& path);
