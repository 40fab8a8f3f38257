#include "base/object_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace lpc {
namespace {

// A compact rendering of a tree, so each sample's whole result fits on one line:
//   name:Class[index]{prop=value;...}(child child)
std::string Dump(const PropertyValue& v);

std::string DumpProperties(const std::vector<Property>& properties) {
  std::string out = "{";
  for (const Property& p : properties) out += p.name + "=" + Dump(p.value) + ";";
  return out + "}";
}

std::string Dump(const PropertyValue& v) {
  if (const auto* i = v.Get<int64_t>()) return std::to_string(*i);
  if (const auto* f = v.Get<FloatValue>()) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", f->value);
    return std::string(buffer) + (f->suffix ? std::string(1, f->suffix) : "") + "f";
  }
  if (const auto* s = v.Get<std::string>()) return "'" + *s + "'";
  if (const auto* w = v.Get<std::u16string>()) {
    std::string out = "W'";
    for (const char16_t c : *w) {
      if (c < 128) {
        out += static_cast<char>(c);
      } else {
        out += "#" + std::to_string(static_cast<int>(c));
      }
    }
    return out + "'";
  }
  if (const auto* id = v.Get<Identifier>()) return id->name;
  if (const auto* set = v.Get<SetValue>()) {
    std::string out = "[";
    for (size_t i = 0; i < set->elements.size(); ++i)
      out += (i ? "," : "") + set->elements[i];
    return out + "]";
  }
  if (const auto* list = v.Get<ListValue>()) {
    std::string out = "(";
    for (size_t i = 0; i < list->items.size(); ++i) out += (i ? " " : "") + Dump(list->items[i]);
    return out + ")";
  }
  if (const auto* c = v.Get<CollectionValue>()) {
    std::string out = "<";
    for (const CollectionItem& item : c->items) {
      out += "item";
      if (item.index) out += "[" + std::to_string(*item.index) + "]";
      out += DumpProperties(item.properties);
    }
    return out + ">";
  }
  std::string out = "{";
  char buffer[4];
  for (const uint8_t b : v.As<BinaryValue>().bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", b);
    out += buffer;
  }
  return out + "}";
}

std::string Dump(const ObjectNode& node) {
  std::string out = (node.inherited ? "^" : "") + node.name + ":" + node.class_name;
  if (node.index) out += "[" + std::to_string(*node.index) + "]";
  out += DumpProperties(node.properties);
  if (!node.children.empty()) {
    out += "(";
    for (size_t i = 0; i < node.children.size(); ++i)
      out += (i ? " " : "") + Dump(node.children[i]);
    out += ")";
  }
  return out;
}

struct Accepted {
  const char* text;
  const char* tree;
};

TEST(ObjectText, AcceptedSyntax) {
  const Accepted cases[] = {
      {"object A: TForm end", "A:TForm{}"},
      {"OBJECT A: TForm\r\nEnd", "A:TForm{}"},
      {"object TForm end", ":TForm{}"},
      {"inherited A: TForm end", "^A:TForm{}"},
      {"object A: TForm [2] end", "A:TForm[2]{}"},
      // integers: decimal, negative, hexadecimal, beyond 32 bits
      {"object A: T X = 12 Y = -7 Z = $00FF00FF W = $FFFFFFFF end",
       "A:T{X=12;Y=-7;Z=16711935;W=4294967295;}"},
      {"object A: T X = 9223372036854775807 Y = -9223372036854775808 end",
       "A:T{X=9223372036854775807;Y=-9223372036854775808;}"},
      {"object A: T X = $FFFFFFFFFFFFFFFF end", "A:T{X=-1;}"},
      // floats with their suffixes; the separator is always "."
      {"object A: T X = 1.5 Y = -2.25E2 Z = 1e-3 end", "A:T{X=1.5f;Y=-225f;Z=0.001f;}"},
      {"object A: T X = 12.5C Y = 3.25d Z = 0.5S W = 7s end",
       "A:T{X=12.5Cf;Y=3.25Df;Z=0.5Sf;W=7Sf;}"},
      // strings: doubled quotes, codes, joins over lines, empty, a wide code
      {"object A: T S = 'it''s' end", "A:T{S='it's';}"},
      {"object A: T S = 'a'#13#10'b'#39 end", "A:T{S='a\r\nb'';}"},
      {"object A: T S = #65#66 end", "A:T{S='AB';}"},
      {"object A: T S = 'long ' +\r\n 'text' + #33 end", "A:T{S='long text!';}"},
      {"object A: T S = '' end", "A:T{S='';}"},
      {"object A: T S = 'x'#8364'y' end", "A:T{S=W'x#8364y';}"},
      {"object A: T S = 'x' + #1024 end", "A:T{S=W'x#1024';}"},
      {"object A: T S = #255 end", "A:T{S='\xFF';}"},
      // identifiers, dotted names on both sides of "="
      {"object A: T Align = alBottom Visible = False ActiveControl = LPThumbnail21 end",
       "A:T{Align=alBottom;Visible=False;ActiveControl=LPThumbnail21;}"},
      {"object A: T Font.Name = 'Tahoma' Lines.Strings = () Ref = Form1.Button1 end",
       "A:T{Font.Name='Tahoma';Lines.Strings=();Ref=Form1.Button1;}"},
      // sets
      {"object A: T S = [] B = [biMinimize, biMaximize] C = [ fsBold ] end",
       "A:T{S=[];B=[biMinimize,biMaximize];C=[fsBold];}"},
      // lists, nested and mixed
      {"object A: T Lines.Strings = (\r\n 'a'\r\n 'b' + 'c'\r\n 7 (x [y]))\r\nend",
       "A:T{Lines.Strings=('a' 'bc' 7 (x [y]));}"},
      // collections, with indexes and nested collections
      {"object A: T Items = <> end", "A:T{Items=<>;}"},
      {"object A: T Items = <\r\n item\r\n Caption = 'one'\r\n Width = 10\r\n end\r\n"
       " item [3] Sub = < item end > end> end",
       "A:T{Items=<item{Caption='one';Width=10;}item[3]{Sub=<item{}>;}>;}"},
      // binary data, split over lines, either case
      {"object A: T Picture.Data = {07544269746D617000000000} end",
       "A:T{Picture.Data={07544269746D617000000000};}"},
      {"object A: T D = {\r\n  0aFf\r\n  10\r\n} E = {} end", "A:T{D={0AFF10};E={};}"},
      // nesting: properties first, then children, in text order
      {"object W: TForm\r\n Caption = 'w'\r\n object P: TPanel\r\n  object B: TBitBtn\r\n"
       "   Left = 1\r\n  end\r\n end\r\n object L: TLabel end\r\nend",
       "W:TForm{Caption='w';}(P:TPanel{}(B:TBitBtn{Left=1;}) L:TLabel{})"},
      // keywords in any case; "end" of a child followed directly by the parent's
      {"object W: T InHerited C: T end END", "W:T{}(^C:T{})"},
      // every character up to 32 separates tokens; text after the root is ignored
      {"object\tA:\x01T\x1f X\x0b=\x0c" "1 end trailing 'unterminated", "A:T{X=1;}"},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Dump(ReadObjectText(c.text)), c.tree);
  }
}

struct Rejected {
  const char* text;
  const char* error;
};

TEST(ObjectText, MalformedTextNamesFaultAndLine) {
  const Rejected cases[] = {
      {"", "''object'' expected on line 1"},
      {"\r\n\r\n", "''object'' expected on line 3"},
      {"thing A: T end", "''object'' expected on line 1"},
      {"object\r\n: T end", "Identifier expected on line 2"},
      {"object A: 5 end", "Identifier expected on line 1"},
      {"object A.B: T end", "Identifier expected on line 1"},
      {"object A: T\r\n Font. = 1 end", "Identifier expected on line 2"},
      {"object A: T X = [a, 3] end", "Identifier expected on line 1"},
      {"object A: T X = [a b] end", "'']'' expected on line 1"},
      {"object A: T\r\n X 1\r\nend", "''='' expected on line 2"},
      {"object A: T\r\n X = 1\r\n", "''end'' expected on line 3"},
      {"object A: T\r\n object B: T end\r\n X = 1\r\nend", "''end'' expected on line 3"},
      {"object A: T X = (1 2", "'')'' expected on line 1"},
      {"object A: T X = < Caption = 1 > end", "''item'' expected on line 1"},
      {"object A: T X = < item Y = 1 > end", "''end'' expected on line 1"},
      {"object A: T [x] end", "Number expected on line 1"},
      {"object A: T [1 end", "'']'' expected on line 1"},
      {"object A: T X = 1.2.3 end", "Number expected on line 1"},
      {"object A: T X = 1e end", "Number expected on line 1"},
      {"object A: T X = 1e999 end", "Number expected on line 1"},
      {"object A: T X = 99999999999999999999 end", "Number expected on line 1"},
      {"object A: T X = $ end", "Number expected on line 1"},
      {"object A: T X = $10000000000000000 end", "Number expected on line 1"},
      {"object A: T X = 'a' + b end", "String expected on line 1"},
      {"object A: T X = 'a' +\r\n\r\n 7 end", "String expected on line 3"},
      {"object A: T\r\n X = 'broken\r\n text' end", "Invalid string constant on line 2"},
      {"object A: T X = 'open", "Invalid string constant on line 1"},
      {"object A: T X = #x end", "Invalid string constant on line 1"},
      {"object A: T X = #65536 end", "Invalid string constant on line 1"},
      {"object A: T X = = end", "Invalid property value on line 1"},
      {"object A: T X = - 1 end", "Invalid property value on line 1"},
      {"object A: T X =", "Invalid property value on line 1"},
      {"object A: T X = {0G} end", "Invalid binary value on line 1"},
      {"object A: T\r\n X = {\r\n ABC} end", "Invalid binary value on line 3"},
      {"object A: T X = {00", "''}'' expected on line 1"},
  };
  for (const Rejected& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ReadObjectText(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const ObjectTextError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
}

struct PassedOver {
  std::string text;
  std::vector<int> lines;  // passed over
  const char* result;      // the tree, or the fault
};

// Lines passed over read as blank: the rest keeps its own line numbers, and a text that ends
// inside passed-over lines ends where they begin.
TEST(ObjectText, LinesPassedOverKeepTheTextsLines) {
  const PassedOver cases[] = {
      {"object A: T\r\n X = 'a' +\r\n OnX\r\n 'b'\r\nend", {3}, "A:T{X='ab';}"},
      {"object A: T\r\n Skip = [\r\n Y = 1\r\nend", {2}, "A:T{Y=1;}"},
      {"object A: T\r\n X = 'a' +\r\n OnX\r\nend", {3}, "String expected on line 4"},
      {"object A: T\r\n X = 1\r\n Skip\r\n Skip\r\n", {3, 4}, "''end'' expected on line 3"},
      {"object A: T\r\n X = 1\r\n Skip\r\n\r\n", {3}, "''end'' expected on line 5"},
      {"object A: T\r\n" + std::string(70000, 'x') + "\r\nend", {2}, "A:T{}"},
      {"object A: T\r\n X\r\n" + std::string(70000, 'x') + "\r\nend",
       {2},
       "Line too long on line 3"},
  };
  for (const PassedOver& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    const auto passed = [&c](int line) {
      return std::find(c.lines.begin(), c.lines.end(), line) != c.lines.end();
    };
    try {
      EXPECT_EQ(Dump(ReadObjectText(c.text, passed)), c.result);
    } catch (const ObjectTextError& e) {
      EXPECT_STREQ(e.what(), c.result);
    }
  }
}

TEST(ObjectText, ErrorCarriesMessageAndLine) {
  try {
    ReadObjectText("object A: T\nX = 1\rY 2\r\nend");
    FAIL();
  } catch (const ObjectTextError& e) {
    EXPECT_EQ(e.message(), "''='' expected");
    EXPECT_EQ(e.line(), 3);  // LF, CR and CR LF each end one line
  }
}

TEST(ObjectText, LinesOfObjectsAndProperties) {
  const ObjectNode root = ReadObjectText(
      "object W: T\r\n  Caption = 'a' +\r\n    'b'\r\n  object B: T\r\n"
      "    Items = <\r\n      item\r\n      end>\r\n  end\r\nend");
  EXPECT_EQ(root.line, 1);
  EXPECT_EQ(root.properties[0].line, 2);
  ASSERT_EQ(root.children.size(), 1u);
  EXPECT_EQ(root.children[0].line, 4);
  EXPECT_EQ(root.children[0].properties[0].line, 5);
  EXPECT_EQ(root.children[0].properties[0].value.As<CollectionValue>().items[0].line, 6);
}

TEST(ObjectText, PropertyLookupAndPaths) {
  const ObjectNode root = ReadObjectText("object W: T Font.Name = 'A' font.name = 'B' X = 1 end");
  ASSERT_NE(root.FindProperty("FONT.NAME"), nullptr);
  EXPECT_EQ(root.FindProperty("FONT.NAME")->value.As<std::string>(), "A");  // first one wins
  EXPECT_EQ(root.FindProperty("Font"), nullptr);
  EXPECT_EQ(root.properties[0].Path(), (std::vector<std::string>{"Font", "Name"}));
  EXPECT_EQ(root.properties[2].Path(), (std::vector<std::string>{"X"}));
}

TEST(ObjectText, NestingLimit) {
  auto nested_objects = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "object A: T\n";
    for (int i = 0; i < depth; ++i) text += "end\n";
    return text;
  };
  EXPECT_EQ(ReadObjectText(nested_objects(kMaxObjectTextDepth)).CountObjects(),
            static_cast<size_t>(kMaxObjectTextDepth));
  try {
    ReadObjectText(nested_objects(kMaxObjectTextDepth + 1));
    FAIL();
  } catch (const ObjectTextError& e) {
    EXPECT_STREQ(e.what(), "Nesting too deep on line 65");
  }
  // Lists and collections count towards the same limit as objects.
  std::string lists = "object A: T X =";
  for (int i = 0; i < 100000; ++i) lists += " (\n";
  std::string collections = "object A: T X =";
  for (int i = 0; i < 10000; ++i) collections += " < item Y =\n";
  for (const std::string& text : {lists, collections}) {
    try {
      ReadObjectText(text);
      FAIL();
    } catch (const ObjectTextError& e) {
      EXPECT_EQ(e.message(), "Nesting too deep");
    }
  }
}

TEST(ObjectText, LineLengthLimit) {
  // "object A: T S = '" and "' end" take 22 of the line's characters.
  const std::string ok = "object A: T S = '" + std::string(kMaxObjectTextLine - 22, 'x') + "' end";
  EXPECT_EQ(ReadObjectText(ok).properties[0].value.As<std::string>().size(),
            kMaxObjectTextLine - 22);
  EXPECT_THROW(ReadObjectText(ok + " "), ObjectTextError);
  const std::string long_line =
      "object A: T\r\nend\r\n" + std::string(kMaxObjectTextLine + 1, ' ');
  try {
    ReadObjectText(long_line);  // checked before reading, even after the root object
    FAIL();
  } catch (const ObjectTextError& e) {
    EXPECT_STREQ(e.what(), "Line too long on line 3");
  }
}

TEST(ObjectText, LargeBinaryAndManyProperties) {
  std::string text = "object A: T\r\n D = {\r\n";
  for (int i = 0; i < 20000; ++i) text += "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF\r\n";
  text += "}\r\n";
  for (int i = 0; i < 20000; ++i) text += " P" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
  text += "end";
  const ObjectNode root = ReadObjectText(text);
  ASSERT_EQ(root.properties.size(), 20001u);
  EXPECT_EQ(root.properties[0].value.As<BinaryValue>().bytes.size(), 20000u * 32);
  EXPECT_EQ(root.properties[20000].value.As<int64_t>(), 19999);
}

TEST(ObjectText, TextConversions) {
  EXPECT_EQ(Latin1ToUtf8("a\xE9"), "a\xC3\xA9");
  EXPECT_EQ(Utf16ToUtf8(u"x\u20AC"), "x\xE2\x82\xAC");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace lpc
