#pragma once
// The encodings a board document may be stored in, and the mapping between a document's
// bytes and the UTF-8 working text the parser reads. The mapping is one-to-one, so text that
// was read is written back byte for byte.
#include <string>
#include <string_view>

enum class TXmlEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1251, Bytes8Bit };

namespace xml_encoding {

// The encoding of a document from its byte order mark or its XML declaration.
TXmlEncoding Detect(std::string_view bytes);

// The document's bytes as working text (without a byte order mark).
std::string ToWorking(std::string_view bytes, TXmlEncoding enc);

// The byte order mark a saved document starts with ("" for none).
std::string_view ByteOrderMark(TXmlEncoding enc);

// Appends working text in the document's encoding (no byte order mark). Characters the
// encoding cannot hold become '?': new text is escaped for the encoding before it gets here.
// The text must hold whole characters.
void AppendFromWorking(std::string& out, std::string_view text, TXmlEncoding enc);

// Whether the encoding can hold the character as it is.
bool Encodable(char32_t c, TXmlEncoding enc);

// Decodes one UTF-8 character at i and advances i. A byte that starts no valid sequence
// decodes as 0x110000 + byte, a value outside Unicode, and advances by one.
char32_t NextUtf8(std::string_view s, std::size_t& i);

}  // namespace xml_encoding
