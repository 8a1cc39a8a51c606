#include "plugin/xml.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "plugin/tests/test_files.h"
#include "plugin/xml_markup.h"

namespace {

// Adds <Shape Type="Line"><Points><Point X="1" Y="2"/></Points></Shape> under
// Source/Board/Shapes, adding Shapes when the board has none.
void AddOneShape(TXmlDocument& doc) {
  TXmlNode board = doc.TopLevelElement("Source").FirstChild("Board");
  ASSERT_TRUE(board);
  TXmlNode shapes = board.FirstChild("Shapes");
  if (!shapes) shapes = board.AddChild("Shapes");
  TXmlNode shape = shapes.AddChild("Shape");
  shape.SetAttribute("Type", "Line");
  TXmlNode points = shape.AddChild("Points");
  TXmlNode p = points.AddChild("Point");
  p.SetAttribute("X", "1");
  p.SetAttribute("Y", "2");
}

std::string RoundTrip(const std::string& input) {
  TXmlDocument doc;
  doc.LoadFromBytes(input);
  AddOneShape(doc);
  return doc.SaveToBytes();
}

struct LayoutCase {
  const char* name;
  std::string input;
  std::string expected;
};

// Everything the file held stays as it was; the new elements take the file's own layout.
TEST(XmlSplice, NewElementsGoInWithoutTouchingTheRest) {
  const std::vector<LayoutCase> cases = {
      {"indented, Shapes with a shape",
       "<?xml version=\"1.0\"?>\n<!-- board -->\n<Source Units='mm'>\n  <Board>\n    <Shapes>\n"
       "      <Shape  Type = 'Line'  />\n    </Shapes>\n  </Board>\n</Source>\n",
       "<?xml version=\"1.0\"?>\n<!-- board -->\n<Source Units='mm'>\n  <Board>\n    <Shapes>\n"
       "      <Shape  Type = 'Line'  />\n      <Shape Type=\"Line\">\n        <Points>\n"
       "          <Point X=\"1\" Y=\"2\"/>\n        </Points>\n      </Shape>\n    </Shapes>\n  </Board>\n"
       "</Source>\n"},
      {"tab indent, CRLF, self-closing Shapes",
       "<Source>\r\n\t<Board>\r\n\t\t<Nets/>\r\n\t\t<Shapes/>\r\n\t</Board>\r\n</Source>",
       "<Source>\r\n\t<Board>\r\n\t\t<Nets/>\r\n\t\t<Shapes>\r\n\t\t\t<Shape Type=\"Line\">\r\n\t\t\t\t<Points>"
       "\r\n\t\t\t\t\t<Point X=\"1\" Y=\"2\"/>\r\n\t\t\t\t</Points>\r\n\t\t\t</Shape>\r\n\t\t</Shapes>\r\n\t</Board>"
       "\r\n</Source>"},
      {"one line, no Shapes",
       "<Source><Board><Nets><!-- a > b --><N a=\"x>y\"/></Nets></Board></Source>",
       "<Source><Board><Nets><!-- a > b --><N a=\"x>y\"/></Nets><Shapes><Shape Type=\"Line\"><Points>"
       "<Point X=\"1\" Y=\"2\"/></Points></Shape></Shapes></Board></Source>"},
      {"empty Shapes with open and end tag, entities and CDATA kept",
       "<!DOCTYPE Source [<!ENTITY e \"x\">]>\n<Source>\n  <Board>\n    <Name>&#65;&amp;<![CDATA[<z>]]></Name>\n"
       "    <Shapes></Shapes>\n  </Board>\n</Source>\n",
       "<!DOCTYPE Source [<!ENTITY e \"x\">]>\n<Source>\n  <Board>\n    <Name>&#65;&amp;<![CDATA[<z>]]></Name>\n"
       "    <Shapes>\n      <Shape Type=\"Line\">\n        <Points>\n          <Point X=\"1\" Y=\"2\"/>\n"
       "        </Points>\n      </Shape>\n    </Shapes>\n  </Board>\n</Source>\n"},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RoundTrip(c.input), c.expected);
  }
}

TEST(XmlSplice, UnchangedDocumentSavesByteForByte) {
  const std::string input = "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\r\n"
                            "<?pi x?><Source  a = \"1\" >\n\t<Board/>  <!-- c -->\n</Source>\n\n";
  TXmlDocument doc;
  doc.LoadFromBytes(input);
  EXPECT_EQ(doc.Encoding(), TXmlEncoding::Utf8Bom);
  EXPECT_EQ(doc.SaveToBytes(), input);
}

TEST(XmlSplice, InsertFirstGoesBeforeTheFirstChild) {
  TXmlDocument doc;
  doc.LoadFromBytes("<Source>\n  <Board>\n    <Shapes>\n      <Old/>\n    </Shapes>\n  </Board>\n</Source>");
  TXmlNode shapes = doc.TopLevelElement("Source").FirstChild("Board").FirstChild("Shapes");
  TXmlNode points = shapes.AddChild("Points");
  points.AddChild("Point").SetAttribute("X", "2");
  points.InsertChildFirst("Item").SetAttribute("X", "1");
  shapes.InsertChildFirst("First");
  EXPECT_EQ(doc.SaveToBytes(),
            "<Source>\n  <Board>\n    <Shapes>\n      <First/>\n      <Old/>\n      <Points>\n"
            "        <Item X=\"1\"/>\n        <Point X=\"2\"/>\n      </Points>\n    </Shapes>\n  </Board>\n</Source>");
}

// A UTF-8 text as UTF-16 with BOM, for building the expected bytes.
std::string Utf16(const std::string& utf8, bool le) {
  std::u16string units;
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c;
    int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += n;
    if (c >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(c);
    }
  }
  std::string out;
  for (char16_t u : std::u16string(1, u'\xFEFF') + units) {
    char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out += le ? lo : hi;
    out += le ? hi : lo;
  }
  return out;
}

TEST(XmlEncoding, Utf16WithBomReadsAndSavesInUtf16) {
  const std::string before = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Source>\n  <Board>\n"
                             "    <Name>\xCE\xA9 \xF0\x9F\x98\x80</Name>\n  </Board>\n</Source>\n";
  const std::string after = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Source>\n  <Board>\n"
                            "    <Name>\xCE\xA9 \xF0\x9F\x98\x80</Name>\n    <Shapes>\n      <Shape Type=\"Line\">\n"
                            "        <Points>\n          <Point X=\"1\" Y=\"2\"/>\n        </Points>\n      </Shape>\n"
                            "    </Shapes>\n  </Board>\n</Source>\n";
  for (bool le : {true, false}) {
    SCOPED_TRACE(le ? "LE" : "BE");
    TXmlDocument doc;
    doc.LoadFromBytes(Utf16(before, le));
    EXPECT_EQ(doc.Encoding(), le ? TXmlEncoding::Utf16LE : TXmlEncoding::Utf16BE);
    EXPECT_EQ(doc.TopLevelElement("Source").FirstChild("Board").FirstChild("Name").Text(), "\xCE\xA9 \xF0\x9F\x98\x80");
    AddOneShape(doc);
    EXPECT_EQ(doc.SaveToBytes(), Utf16(after, le));
  }
}

TEST(XmlEncoding, LoneSurrogateOfUtf16SurvivesASave) {
  std::string bytes = Utf16("<Source><Board x=\"", true);
  bytes += std::string("\x00\xD8", 2);  // a high surrogate with no low one
  bytes += Utf16("\"/></Source>", true).substr(2);
  TXmlDocument doc;
  doc.LoadFromBytes(bytes);
  EXPECT_EQ(doc.SaveToBytes(), bytes);
}

// A saved file is written in pieces, each converted to the document's encoding on its own: no
// piece may end inside a character. Large texts of multi-byte characters (in the working
// text) before and after the new element put piece ends everywhere.
TEST(XmlEncoding, LargeDocumentsSaveToFileInTheirEncoding) {
  std::string cyrillic;
  for (int i = 0; i < 150000; ++i) cyrillic += (i % 7 == 0) ? "\xF0\x9F\x98\x80" : "\xD0\x96";  // emoji, Zhe
  const std::string added = "<Shapes><Shape Type=\"Line\"><Points><Point X=\"1\" Y=\"2\"/></Points></Shape></Shapes>";
  struct Case {
    const char* name;
    std::string head, tail;  // working text around the place of the new element
    std::function<std::string(const std::string&)> encode;
  };
  auto cp1251 = [](const std::string& text) {  // only ASCII and Zhe (0xC6) occur
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text.compare(i, 2, "\xD0\x96") == 0) {
        out += '\xC6';
        ++i;
      } else {
        out += text[i];
      }
    }
    return out;
  };
  std::string zhe;
  for (int i = 0; i < 150000; ++i) zhe += "\xD0\x96";
  const Case cases[] = {
      {"windows-1251", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><Source n=\"" + zhe + "\"><Board>",
       "</Board><T>" + zhe + "</T></Source>", cp1251},
      {"UTF-16LE", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><Source n=\"" + cyrillic + "\"><Board>",
       "</Board><T>" + cyrillic + "</T></Source>", [](const std::string& t) { return Utf16(t, true); }},
      {"UTF-16BE", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><Source n=\"" + cyrillic + "\"><Board>",
       "</Board><T>" + cyrillic + "</T></Source>", [](const std::string& t) { return Utf16(t, false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::string path = dir.File("board.xml");
    WriteBytes(path, c.encode(c.head + c.tail));
    TXmlDocument doc;
    doc.LoadFromFile(path);
    AddOneShape(doc);
    doc.SaveToFile(path);
    EXPECT_TRUE(ReadBytes(path) == c.encode(c.head + added + c.tail));
  }
}

// Every byte from 0x80 up, in an attribute, a text and a comment of a single-byte document.
std::string HighBytes() {
  std::string s;
  for (int b = 0x80; b <= 0xFF; ++b) s += static_cast<char>(b);
  return s;
}

TEST(XmlEncoding, SingleByteDocumentsKeepEveryByte) {
  for (const char* encoding : {"windows-1251", "ISO-8859-5", "koi8-r"}) {
    SCOPED_TRACE(encoding);
    const std::string head = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<!-- " + HighBytes() +
                             " -->\n<Source n=\"" + HighBytes() + "\">\n  <Board>\n    <Name>" + HighBytes() +
                             "</Name>\n";
    const std::string tail = "  </Board>\n</Source>\n";
    const std::string added = "    <Shapes>\n      <Shape Type=\"Line\">\n        <Points>\n"
                              "          <Point X=\"1\" Y=\"2\"/>\n        </Points>\n      </Shape>\n    </Shapes>\n";
    TXmlDocument doc;
    doc.LoadFromBytes(head + tail);
    EXPECT_EQ(doc.SaveToBytes(), head + tail);
    AddOneShape(doc);
    EXPECT_EQ(doc.SaveToBytes(), head + added + tail);
  }
}

TEST(XmlEncoding, Windows1251TextsReadAsTheirCharacters) {
  // "Сеть" and the numero sign in windows-1251.
  TXmlDocument doc;
  doc.LoadFromBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?><Source n=\"\xD1\xE5\xF2\xFC \xB9\"/>");
  EXPECT_EQ(doc.Encoding(), TXmlEncoding::Windows1251);
  EXPECT_EQ(doc.TopLevelElement("Source").AttributeText("n"), "\xD0\xA1\xD0\xB5\xD1\x82\xD1\x8C \xE2\x84\x96");
}

TEST(XmlEncoding, NewCharactersOutsideTheEncodingBecomeReferences) {
  TXmlDocument doc;
  doc.LoadFromBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?><Source><Board/></Source>");
  TXmlNode s = doc.TopLevelElement("Source").FirstChild("Board").AddChild("S");
  s.SetAttribute("a", "\xD0\x96\xCE\xA9<&\"\n");  // Ж (in the code page), Ω (not), markup
  EXPECT_EQ(doc.SaveToBytes(),
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?><Source><Board><S a=\"\xC6&#937;&lt;&amp;&quot;&#10;\"/>"
            "</Board></Source>");
}

TEST(XmlNodes, ReadingNamesAttributesAndTexts) {
  TXmlDocument doc;
  doc.LoadFromBytes("<Source Units=\"mm\" Empty=\"\"><A/>text<!-- c --><B>x<!-- c -->y</B><B>2</B>"
                    "<C><D/></C></Source>");
  TXmlNode src = doc.TopLevelElement("Source");
  ASSERT_TRUE(src);
  EXPECT_FALSE(doc.TopLevelElement("Board"));
  EXPECT_EQ(src.AttributeText("Units"), "mm");
  EXPECT_TRUE(src.HasAttribute("Empty"));
  EXPECT_EQ(src.Attribute("Empty"), std::optional<std::string>(""));
  EXPECT_FALSE(src.Attribute("units").has_value());  // names are case-sensitive
  std::vector<std::string> names;
  for (TXmlNode c : src.ChildElements()) names.push_back(c.Name());
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "B", "C"}));
  EXPECT_EQ(src.FirstChild("B").Text(), "xy");
  EXPECT_EQ(src.FirstChild("A").Text(), "");
  EXPECT_FALSE(src.FirstChild("A").HasChildElements());
  EXPECT_TRUE(src.FirstChild("C").HasChildElements());
  try {
    src.FirstChild("C").Text();
    ADD_FAILURE() << "no error";
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "Element \"C\" does not contain a single text node");
  }
  EXPECT_FALSE(src.FirstChild("Z").FirstChild("Q"));
  EXPECT_EQ(src.FirstChild("Z").AttributeText("Q"), "");
}

// The walk over child elements visits what ChildElements lists, in the same order, however
// the file's children and the added ones are mixed.
TEST(XmlNodes, ElementWalkFollowsTheChildList) {
  struct Case {
    const char* what;
    std::string xml;
    std::function<TXmlNode(TXmlNode)> edit;  // returns the element to walk
    std::vector<std::string> names;
  };
  auto same = [](TXmlNode e) { return e; };
  const std::vector<Case> cases = {
      {"file only, other nodes between", "<S>t<A/><!--c--><B/>t<?pi x?><C/></S>", same, {"A", "B", "C"}},
      {"no children", "<S/>", same, {}},
      {"text only", "<S>text</S>", same, {}},
      {"inserted first",
       "<S><A/><B/></S>",
       [](TXmlNode e) {
         e.InsertChildFirst("L1");
         e.InsertChildFirst("L0");
         return e;
       },
       {"L0", "L1", "A", "B"}},
      {"appended",
       "<S><A/></S>",
       [](TXmlNode e) {
         e.AddChild("T0");
         e.AddChild("T1");
         return e;
       },
       {"A", "T0", "T1"}},
      {"both around the file's own",
       "<S>x<A/>y<B/>z</S>",
       [](TXmlNode e) {
         e.AddChild("T");
         e.InsertChildFirst("L");
         return e;
       },
       {"L", "A", "B", "T"}},
      {"inserted first, none of its own",
       "<S>text</S>",
       [](TXmlNode e) {
         e.InsertChildFirst("L");
         return e;
       },
       {"L"}},
      {"both, none of its own",
       "<S/>",
       [](TXmlNode e) {
         e.AddChild("T");
         e.InsertChildFirst("L");
         return e;
       },
       {"L", "T"}},
      {"children of an added element",
       "<S><A/></S>",
       [](TXmlNode e) {
         TXmlNode p = e.AddChild("P");
         p.AddChild("X");
         p.AddChild("Y");
         p.InsertChildFirst("W");
         return p;
       },
       {"W", "X", "Y"}},
      {"an added element without children", "<S/>", [](TXmlNode e) { return e.AddChild("P"); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TXmlDocument doc;
    doc.LoadFromBytes(c.xml);
    TXmlNode e = c.edit(doc.TopLevelElement("S"));
    std::vector<std::string> listed, walked;
    for (TXmlNode n : e.ChildElements()) listed.push_back(n.Name());
    for (TXmlNode n : e.Elements()) walked.push_back(n.Name());
    EXPECT_EQ(listed, c.names);
    EXPECT_EQ(walked, c.names);
  }
  int none = 0;
  for (TXmlNode n : TXmlNode().Elements()) none += n ? 1 : 100;
  EXPECT_EQ(none, 0);
}

// Several attributes in one pass: each name finds its value wherever it stands, the first
// of repeated ones counts, absent ones stay empty; file values are NUL-terminated texts,
// added ones (an empty one too) are pieces.
TEST(XmlNodes, FindAttributesInAnyOrder) {
  TXmlDocument doc;
  doc.LoadFromBytes("<S><E a=\"1\" b=\"\" c=\"three\" d=\"4\"/><R x=\"first\" x=\"second\" y=\"2\"/></S>");
  TXmlNode s = doc.TopLevelElement("S");
  TXmlNode added = s.AddChild("N");
  added.SetAttribute("p", "");
  added.SetAttribute("q", "qq");
  struct Case {
    const char* what;
    TXmlNode element;
    std::vector<std::string_view> names;
    std::vector<const char*> values;  // null: absent
  };
  const std::vector<Case> cases = {
      {"in order", s.FirstChild("E"), {"a", "b", "c", "d"}, {"1", "", "three", "4"}},
      {"reversed", s.FirstChild("E"), {"d", "c", "b", "a"}, {"4", "three", "", "1"}},
      {"mixed, with absent ones", s.FirstChild("E"), {"c", "z", "a", "", "d"}, {"three", nullptr, "1", nullptr, "4"}},
      {"prefixes are other names", s.FirstChild("E"), {"aa", "thre", "b"}, {nullptr, nullptr, ""}},
      {"repeated", s.FirstChild("R"), {"y", "x"}, {"2", "first"}},
      {"the same name twice", s.FirstChild("E"), {"c", "c"}, {"three", nullptr}},
      {"added element", added, {"q", "p", "r"}, {"qq", "", nullptr}},
      {"no element", TXmlNode(), {"a"}, {nullptr}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<TXmlValue> found(c.names.size());
    std::vector<std::optional<std::string_view>> views(c.names.size());
    c.element.FindAttributes(c.names, found);
    c.element.FindAttributes(c.names, views);
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      SCOPED_TRACE(c.names[i]);
      ASSERT_EQ(static_cast<bool>(found[i]), c.values[i] != nullptr);
      ASSERT_EQ(views[i].has_value(), c.values[i] != nullptr);
      if (!c.values[i]) continue;
      EXPECT_EQ(found[i].View(), c.values[i]);
      EXPECT_EQ(*views[i], c.values[i]);
      if (c.element.Name() == "N") {
        EXPECT_EQ(found[i].TerminatedText(), nullptr);
      } else {
        ASSERT_NE(found[i].TerminatedText(), nullptr);
        EXPECT_STREQ(found[i].TerminatedText(), c.values[i]);
      }
    }
  }
}

TEST(XmlNodes, ElementsOfTheFileCannotBeChanged) {
  TXmlDocument doc;
  doc.LoadFromBytes("<Source a=\"1\"/>");
  EXPECT_THROW(doc.TopLevelElement("Source").SetAttribute("a", "2"), EXmlError);
  EXPECT_THROW(doc.TopLevelElement("Source").AddChild("bad name"), EXmlError);
}

// Attributes of new elements: setting one again replaces its value where it stands, one set
// after the element got children or after other elements got theirs comes last, and each
// reads back as it was set, also when its markup had to be escaped.
TEST(XmlNodes, AttributesOfNewElementsKeepTheirOrderAndValues) {
  TXmlDocument doc;
  doc.LoadFromBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?><Source><Board/></Source>");
  TXmlNode board = doc.TopLevelElement("Source").FirstChild("Board");
  TXmlNode a = board.AddChild("A");
  a.SetAttribute("x", "1");
  a.SetAttribute("y", "2");
  TXmlNode b = a.AddChild("B");
  b.SetAttribute("z", "3");
  a.SetAttribute("x", "longer than before");
  a.SetAttribute("w", "<\x01\xCE\xA9");  // markup, a character XML cannot hold, one windows-1251 cannot
  b.SetAttribute("z", "");
  a.SetAttribute("y", "2");
  TXmlNode c = board.InsertChildFirst(doc.Intern("C"));
  c.SetAttribute(doc.Intern("x"), "&");
  c.SetAttribute(doc.Intern("x"), "plain again");
  EXPECT_EQ(doc.SaveToBytes(),
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?><Source><Board><C x=\"plain again\"/>"
            "<A x=\"longer than before\" y=\"2\" w=\"&lt;&#937;\"><B z=\"\"/></A></Board></Source>");
  const struct {
    TXmlNode node;
    const char* name;
    std::optional<std::string> value;
  } reads[] = {
      {a, "x", "longer than before"}, {a, "y", "2"}, {a, "w", "<\x01\xCE\xA9"}, {a, "z", std::nullopt},
      {b, "z", ""},                   {c, "x", "plain again"},
  };
  for (const auto& r : reads) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.node.Attribute(r.name), r.value);
  }
  std::string_view names[] = {"w", "y", "q", "x"};
  std::optional<std::string_view> values[4];
  a.FindAttributes(names, values);
  EXPECT_EQ(values[0], std::optional<std::string_view>("<\x01\xCE\xA9"));
  EXPECT_EQ(values[1], std::optional<std::string_view>("2"));
  EXPECT_FALSE(values[2]);
  EXPECT_EQ(values[3], std::optional<std::string_view>("longer than before"));
}

// Many new elements whose markup fills blocks of text to their ends, values longer than a
// block among them, and values set again later: the saved markup is as built by hand.
TEST(XmlNodes, ManyNewAttributesSaveAsSet) {
  TXmlDocument doc;
  doc.LoadFromBytes("<Source><Board/></Source>");
  TXmlNode board = doc.TopLevelElement("Source").FirstChild("Board");
  const TXmlName e = doc.Intern("E"), va = doc.Intern("a"), vb = doc.Intern("b");
  std::vector<TXmlNode> nodes;
  std::vector<std::pair<std::string, std::string>> expected;  // values of a and b
  for (int i = 0; i < 3000; ++i) {
    nodes.push_back(board.AddChild(e));
    const std::string a(i % 997 == 5 ? 70000 + i : (i * 37) % 300, static_cast<char>('a' + i % 26));
    nodes.back().SetAttribute(va, a);
    nodes.back().SetAttribute(vb, std::to_string(i));
    expected.emplace_back(a, std::to_string(i));
    if (i % 7 == 3) {
      const int back = i / 2;
      expected[back].first = "again " + std::to_string(i);
      nodes[back].SetAttribute(va, expected[back].first);
    }
  }
  std::string want = "<Source><Board>";
  for (const auto& [a, b] : expected) want += "<E a=\"" + a + "\" b=\"" + b + "\"/>";
  want += "</Board></Source>";
  EXPECT_TRUE(doc.SaveToBytes() == want);
  EXPECT_EQ(nodes[1000].AttributeText("b"), "1000");
}

// Several attributes set in one call come out as the same calls one by one: on fresh and on
// attributed elements, with names repeated in the list, empty and escaped values.
TEST(XmlNodes, SettingSeveralAttributesIsSettingThemInTurn) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> before, list;
    std::string markup;  // of the element saved after the list
  };
  const std::vector<Case> cases = {
      {"fresh element", {}, {{"X", "1.5"}, {"Y", "-2"}}, "<E X=\"1.5\" Y=\"-2\"/>"},
      {"empty list", {{"a", "1"}}, {}, "<E a=\"1\"/>"},
      {"empty value", {}, {{"a", ""}, {"b", "x"}}, "<E a=\"\" b=\"x\"/>"},
      {"a name twice", {}, {{"a", "1"}, {"b", "2"}, {"a", "3"}}, "<E a=\"3\" b=\"2\"/>"},
      {"after others, one set again", {{"a", "1"}, {"b", "2"}}, {{"c", "3"}, {"a", "4"}},
       "<E a=\"4\" b=\"2\" c=\"3\"/>"},
      {"escaped value", {}, {{"a", "x<y"}, {"b", "\xCE\xA9"}}, "<E a=\"x&lt;y\" b=\"&#937;\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string saved[2];
    for (int inTurn = 0; inTurn < 2; ++inTurn) {
      TXmlDocument doc;
      doc.LoadFromBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?><S/>");
      TXmlNode e = doc.TopLevelElement("S").AddChild(doc.Intern("E"));
      for (const auto& [name, value] : c.before) e.SetAttribute(name, value);
      std::vector<TXmlNode::TAttribute> list;
      for (const auto& [name, value] : c.list) list.push_back({doc.Intern(name), value});
      if (inTurn) {
        for (const auto& a : list) e.SetAttribute(a.name, a.value);
      } else {
        e.SetAttributes(list);
      }
      for (const auto& [name, value] : c.list) EXPECT_TRUE(e.HasAttribute(name)) << name;
      saved[inTurn] = doc.SaveToBytes();
    }
    EXPECT_EQ(saved[0], saved[1]);
    EXPECT_EQ(saved[0], "<?xml version=\"1.0\" encoding=\"windows-1251\"?><S>" + c.markup + "</S>");
  }
  TXmlDocument doc, other;
  doc.LoadFromBytes("<S/>");
  TXmlNode e = doc.TopLevelElement("S").AddChild("E");
  const TXmlNode::TAttribute foreign[] = {{doc.Intern("a"), "1"}, {other.Intern("b"), "2"}};
  EXPECT_THROW(e.SetAttributes(foreign), EXmlError);
  EXPECT_THROW(doc.TopLevelElement("S").SetAttributes(std::span(foreign, 1)), EXmlError);
}

// Short copies take fixed-size moves chosen by length: every length around the limits of
// each kind copies exactly its bytes and touches nothing beside them.
TEST(XmlMarkup, ShortCopiesCopyExactlyTheirBytes) {
  for (std::size_t n = 0; n <= 70; ++n) {
    SCOPED_TRACE(n);
    std::string from(n + 2, '?'), to(n + 8, '.');
    for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<char>('A' + i % 50);
    xml_markup::CopyShort(to.data() + 4, from.data() + 1, n);
    EXPECT_EQ(to, std::string(4, '.') + from.substr(1, n) + std::string(4, '.'));
    xml_markup::TMarkup markup;
    markup += "<";
    markup += std::string_view(from).substr(1, n);
    EXPECT_EQ(markup.View(), "<" + from.substr(1, n));
  }
}

TEST(XmlNodes, NamesAreCheckedAndBelongToTheirDocument) {
  TXmlDocument doc, other;
  doc.LoadFromBytes("<Source><Board/></Source>");
  other.LoadFromBytes("<Source/>");
  TXmlNode board = doc.TopLevelElement("Source").FirstChild("Board");
  for (const char* bad : {"", "a b", "a=", "x\"", "<y"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(doc.Intern(bad), EXmlError);
    EXPECT_THROW(board.AddChild(bad), EXmlError);
  }
  EXPECT_THROW(board.AddChild(other.Intern("S")), EXmlError);
  EXPECT_THROW(board.AddChild(TXmlName()), EXmlError);
  TXmlNode s = board.AddChild(doc.Intern("S"));
  EXPECT_THROW(s.SetAttribute(other.Intern("x"), "1"), EXmlError);
  EXPECT_THROW(TXmlNode().AddChild(doc.Intern("S")), EXmlError);
  // A handle outlives the elements it named: it still serves after a new reading.
  const TXmlName kept = doc.Intern("K");
  doc.LoadFromBytes("<Source><Board/></Source>");
  doc.TopLevelElement("Source").FirstChild("Board").AddChild(kept).SetAttribute(doc.Intern("v"), "1");
  EXPECT_EQ(doc.SaveToBytes(), "<Source><Board><K v=\"1\"/></Board></Source>");
}

TEST(XmlParse, BrokenTextRaisesTheLayersError) {
  const std::vector<std::string> broken = {
      "",
      "<Source><Board></Source>",
      "<Source Units=\"mm\"><Board>",  // truncated
      "<Source a=\"1\"><Board/>",
      "<Source/><Other/>",
      std::string("\xFF\xFE<", 3),  // UTF-16 cut inside a character
  };
  for (const std::string& text : broken) {
    SCOPED_TRACE(text);
    TXmlDocument doc;
    EXPECT_THROW(doc.LoadFromBytes(text), EXmlError);
    EXPECT_FALSE(doc.Active());
  }
}

TEST(XmlParse, ParseErrorNamesLineAndColumn) {
  TXmlDocument doc;
  try {
    doc.LoadFromBytes("<Source>\n  <Board>\n  </Bored>\n</Source>");
    ADD_FAILURE() << "no error";
  } catch (const EXmlError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
}

// A tree set aside after the first reading is taken up again only while the file holds the
// very bytes it came from; any change, also one that keeps the length or only adds or takes
// away bytes at the end or the start, means a new parse. Elements added before it was set
// aside never come back.
TEST(XmlParse, SetAsideTreeIsTakenUpOnlyForTheSameBytes) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::string first = "<Source Units=\"mm\"><Board/></Source>";
  struct Case {
    const char* name;
    std::string before, after;  // the file at the first reading and at the second
    std::string units;          // what the second reading must find
  };
  const std::vector<Case> cases = {
      {"unchanged", first, first, "mm"},
      {"same length", first, "<Source Units=\"in\"><Board/></Source>", "in"},
      {"longer", first, first + "<!-- x -->", "mm"},
      {"shorter", first + "\n", first, "mm"},
      {"a byte order mark added", first, bom + first, "mm"},
      {"unchanged with a byte order mark", bom + first, bom + first, "mm"},
      {"changed behind a byte order mark", bom + first, bom + "<Source Units=\"mil\"><Board/></Source>", "mil"},
      {"the byte order mark dropped", bom + first, first, "mm"},
  };
  TempFolder dir;
  const std::string path = dir.File("board.xml");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(path, c.before);
    TXmlDocument doc;
    doc.LoadFromFile(path);
    AddOneShape(doc);
    doc.Deactivate();
    EXPECT_FALSE(doc.Active());
    WriteBytes(path, c.after);
    doc.LoadFromFile(path);
    ASSERT_TRUE(doc.Active());
    EXPECT_EQ(doc.TopLevelElement("Source").AttributeText("Units"), c.units);
    EXPECT_EQ(doc.SaveToBytes(), c.after);
    AddOneShape(doc);
    doc.SaveToFile(path);
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(saved.substr(0, c.after.find("<Board/>")), c.after.substr(0, c.after.find("<Board/>")));
    EXPECT_NE(saved.find("<Board><Shapes><Shape Type=\"Line\">"), std::string::npos) << saved;
  }
  // A file gone since is reported, as at the first reading.
  WriteBytes(path, first);
  TXmlDocument doc;
  doc.LoadFromFile(path);
  doc.Deactivate();
  std::filesystem::remove(path);
  EXPECT_THROW(doc.LoadFromFile(path), EXmlError);
  EXPECT_FALSE(doc.Active());
}

// The second reading of a board goes into the buffers of the first one: nothing of the first
// reading, its text or its added elements, may show in the second.
TEST(XmlParse, ReadingAgainStartsAfresh) {
  TXmlDocument doc;
  doc.LoadFromBytes("<Source><Board><Shapes>\n</Shapes></Board><Long a=\"" + std::string(5000, 'q') + "\"/></Source>");
  AddOneShape(doc);
  doc.Clear();
  const std::string second = "<Source>\n  <Board/>\n</Source>";
  doc.LoadFromBytes(second);
  EXPECT_EQ(doc.SaveToBytes(), second);
  AddOneShape(doc);
  EXPECT_EQ(doc.SaveToBytes(),
            "<Source>\n  <Board>\n    <Shapes>\n      <Shape Type=\"Line\">\n        <Points>\n"
            "          <Point X=\"1\" Y=\"2\"/>\n        </Points>\n      </Shape>\n    </Shapes>\n  </Board>\n"
            "</Source>");
}

TEST(XmlParse, VeryDeepAndVeryLongDocumentsAreHandled) {
  std::string deep = "<Source><Board>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  deep += "</Board></Source>";
  TXmlDocument doc;
  doc.LoadFromBytes(deep);
  AddOneShape(doc);
  std::string saved = doc.SaveToBytes();
  EXPECT_EQ(saved.size(), deep.size() + std::string("<Shapes><Shape Type=\"Line\"><Points><Point X=\"1\" Y=\"2\"/>"
                                                    "</Points></Shape></Shapes>").size());

  std::string longValue(20 * 1024 * 1024, 'x');
  doc.LoadFromBytes("<Source a=\"" + longValue + "\"/>");
  EXPECT_EQ(doc.TopLevelElement("Source").AttributeText("a").size(), longValue.size());
}

TEST(XmlFiles, SaveReplacesTheFileAndLeavesNothingBeside) {
  TempFolder dir;
  std::string path = dir.File("board.xml");
  WriteBytes(path, "<Source><Board/></Source>");
  TXmlDocument doc;
  doc.LoadFromFile(path);
  AddOneShape(doc);
  doc.SaveToFile(path);
  EXPECT_EQ(ReadBytes(path), doc.SaveToBytes());
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"board.xml"});
}

TEST(XmlFiles, FailedSaveLeavesTheOldFileAndReportsIt) {
  TempFolder dir;
  // The target is a folder that holds a file: it cannot be replaced by a file.
  std::string target = dir.File("board.xml");
  std::filesystem::create_directory(std::filesystem::u8path(target));
  WriteBytes(dir.File("board.xml/keep.txt"), "keep");
  EXPECT_THROW(ReplaceFileContents(target, "<x/>"), EXmlError);
  EXPECT_EQ(ReadBytes(dir.File("board.xml/keep.txt")), "keep");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"board.xml"});
  // A folder that does not exist.
  EXPECT_THROW(ReplaceFileContents(dir.File("missing/board.xml"), "<x/>"), EXmlError);
}

TEST(XmlFiles, NonAsciiPathsWork) {
  TempFolder dir;
  std::string path = dir.File("\xD0\xBF\xD0\xBB\xD0\xB0\xD1\x82\xD0\xB0.xml");  // "плата"
  ReplaceFileContents(path, "<Source/>");
  EXPECT_TRUE(FileExists(path));
  TXmlDocument doc;
  doc.LoadFromFile(path);
  EXPECT_TRUE(doc.TopLevelElement("Source"));
  EXPECT_FALSE(FileExists(dir.File("none.xml")));
  EXPECT_FALSE(FileExists(dir.path));  // a folder is no file
  EXPECT_THROW(doc.LoadFromFile(dir.File("none.xml")), EXmlError);
}

}  // namespace
