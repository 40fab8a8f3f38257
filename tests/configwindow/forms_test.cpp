#include "configwindow/forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/object_text.h"

namespace lpc {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

// Forms as "name:text lines:actions", one per form.
std::string Summary(const UiDescription& forms) {
  std::string out;
  for (size_t i = 0; i < forms.Count(); ++i) {
    const FormDescription& f = forms.Form(i);
    out += (i ? " " : "") + f.Name() + ":" + std::to_string(f.Lines().size()) + ":" +
           std::to_string(f.Actions().Count());
  }
  return out;
}

struct LoadCase {
  const char* text;
  const char* result;  // Summary, or the error text
};

TEST(UiDescription, LoadFromText) {
  const LoadCase cases[] = {
      {"0\r\n", ""},
      {"-3\r\n1\r\n", ""},
      {"1\r\n1\r\nobject A: TfmForm\r\n0\r\n0\r\n", "A:1:0"},
      // the reserved section is skipped whatever it holds, also with a count of 0
      {"1\r\n2\r\nobject A: TfmForm\r\nend\r\n1\r\n0\r\n3\r\n7\r\n\r\nnot a count\r\n", "A:2:0"},
      {"2\n1\nobject A: T\n0\n0\n1\nobject B: T\n0\n1\nDummy\n", "A:1:0 B:1:0"},
      // CR alone and LF alone end lines too
      {"1\r1\robject A: T\n6\n1\nX\n6\n\n\n\n1\r\nDummy", "A:1:1"},
      {"1\n0\n0\n0\n", ":0:0"},
      // errors
      {"", "List index out of bounds (0)"},
      {"x\r\n", "'x' is not a valid integer value"},
      {"1\r\n 1 \r\n", "' 1 ' is not a valid integer value"},
      {"1\n1\nobject A: T\nabc\n", "'abc' is not a valid integer value"},
      {"1\n5\nobject A: T\nend\n", "List index out of bounds (4)"},
      {"2\n1\nobject A: T\n0\n1\nDummy\n", "List index out of bounds (6)"},
      {"1\n1\nobject A: T\n1\n", "List index out of bounds (4)"},
      // counts far beyond the file end fail at the first missing line, allocating nothing
      {"1\n2147483647\nobject A: T\n", "List index out of bounds (3)"},
      {"2147483647\n1\nobject A: T\n0\n1\nDummy\n", "List index out of bounds (6)"},
      {"1\n1\nobject A: T\n2147483647\n1\n", "List index out of bounds (5)"},
      // a bad action table is the record's error
      {"1\n1\nobject A: T\n1\nnope\n1\nDummy\n", "'nope' is not a valid integer value"},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.text);
    UiDescription forms;
    forms.AddForm("object Old: T\r\n", "");
    const std::string error = ErrorOf([&] { forms.LoadFromText(c.text); });
    EXPECT_EQ(error == "no error" ? Summary(forms) : error, c.result);
    if (error != "no error") {
      EXPECT_EQ(forms.Count(), 0u);
    }
  }
}

TEST(UiDescription, EmptyActionLinesReadAsBlank) {
  UiDescription forms;
  forms.LoadFromText("1\r\n1\r\nobject A: T\r\n6\r\n1\r\nBitBtn1\r\n1\r\n\r\n\r\n\r\n0\r\n");
  const ClickAction* action = forms.FindForm("a").Actions().FindAction("BitBtn1");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->Code, acShowForm);
  EXPECT_EQ(action->Param1, " ");
  EXPECT_EQ(action->Param2, " ");
  EXPECT_EQ(action->Param3, " ");
}

TEST(UiDescription, FindForm) {
  UiDescription forms;
  forms.LoadFromText("0");
  EXPECT_EQ(ErrorOf([&] { forms.FindForm("MainWindow"); }), "Form 'MainWindow' not found");
  forms.AddForm("object MainWindow: TfmForm\r\nend\r\n", "");
  forms.AddForm("object MAINWINDOW: TfmForm\r\n  Tag = 2\r\nend\r\n", "");
  EXPECT_EQ(forms.FindForm("mainwindow").Lines().size(), 2u);  // the first of a name wins
  EXPECT_EQ(ErrorOf([&] { forms.FindForm(" MainWindow"); }), "Form ' MainWindow' not found");
  forms.Clear();
  EXPECT_EQ(forms.Count(), 0u);
}

struct NameCase {
  const char* first_line;
  const char* name;
};

TEST(UiDescription, FormNameFromFirstLine) {
  const NameCase cases[] = {
      {"object MainWindow: TfmForm", "MainWindow"},
      {"object  Spaced : TfmForm", " Spaced "},  // not trimmed
      {"object NoColon", "NoColon"},
      {"object ", ""},
      {"", ""},
      {"inherited Foo: T", "ed Foo"},  // purely positional
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.first_line);
    EXPECT_EQ(FormNameOf(c.first_line), c.name);
    FormDescription form;
    form.SetText(std::string(c.first_line) + "\r\nend\r\n");
    EXPECT_EQ(form.Name(), c.name);
  }
}

struct ActionCase {
  const char* lookup;
  int code;  // -1: no entry
  const char* param1;
};

TEST(ActionTable, ParseAndLookup) {
  ClickTable table;
  table.Parse(
      "7\r\n"
      "BitBtn1\r\n6\r\n \r\n \r\n \r\n"
      "Label1\r\n0\r\nhttp://example.com\r\nsecond\r\nthird\r\n"
      "Wrap\r\n256\r\n \r\n \r\n \r\n"
      "Minus\r\n-1\r\n \r\n \r\n \r\n"
      "Big\r\n261\r\n \r\n \r\n \r\n"
      "BITBTN1\r\n5\r\nduplicate\r\n \r\n \r\n"
      "Shape1\r\n1\r\nViewThumbnails\r\n \r\n ");
  EXPECT_EQ(table.Count(), 7u);
  const ActionCase cases[] = {
      {"BitBtn1", 6, " "},
      {"bitbtn1", 6, " "},  // case ignored; the first of two entries wins
      {"Label1", 0, "http://example.com"},
      {"Wrap", 0, " "},     // low 8 bits of 256
      {"Minus", 255, " "},
      {"Big", 5, " "},
      {"Shape1", 1, "ViewThumbnails"},
      {"Nothing", -1, ""},
      {"", -1, ""},
  };
  for (const ActionCase& c : cases) {
    SCOPED_TRACE(c.lookup);
    const ClickAction* a = table.FindAction(c.lookup);
    if (c.code < 0) {
      EXPECT_EQ(a, nullptr);
      continue;
    }
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Code, c.code);
    EXPECT_EQ(a->Param1, c.param1);
  }
  const ClickAction* label = table.FindAction("LABEL1");
  EXPECT_EQ(label->Param2, "second");
  EXPECT_EQ(label->Param3, "third");

  // The table's own text reads back to the same table.
  ClickTable copy;
  copy.Parse(table.Text());
  EXPECT_EQ(copy.Text(), table.Text());
  EXPECT_EQ(copy.Count(), 7u);
}

struct ParseCase {
  const char* text;
  const char* result;  // entry count, or the error text
};

TEST(ActionTable, CountsAndFaults) {
  const ParseCase cases[] = {
      {"", "0"},
      {"0", "0"},
      {"-4\r\nA", "0"},
      {"1\nA\n2\n\n\n", "List index out of bounds (5)"},
      {"1\nA\n2\n\n\n ", "1"},  // empty lines are parameters " "
      {"2\nA\n6\n \n \n \nB\n6", "List index out of bounds (8)"},
      {"1\nA\nclose\n \n \n ", "'close' is not a valid integer value"},
      {"one", "'one' is not a valid integer value"},
      {"\n", "' ' is not a valid integer value"},
      {"2147483647\nA\n6\n \n \n ", "List index out of bounds (6)"},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    ClickTable table;
    table.Parse("1\nOld\n6\n \n \n ");
    const std::string error = ErrorOf([&] { table.Parse(c.text); });
    EXPECT_EQ(error == "no error" ? std::to_string(table.Count()) : error, c.result);
    EXPECT_EQ(table.FindAction("Old"), nullptr);  // replaced, or emptied by the fault
  }
}

struct PassOverCase {
  const char* text;
  const char* read;  // the lines the reader takes
};

// The form's lines that are not passed over.
std::string ReadLines(const FormDescription& form) {
  const std::vector<bool> passed = PassedOverLines(form);
  std::vector<std::string> read;
  for (size_t i = 0; i < form.Lines().size(); ++i) {
    if (!passed[i]) read.push_back(form.Lines()[i]);
  }
  return JoinLines(read);
}

TEST(FormText, LinesPassedOverAtAnyDepth) {
  const PassOverCase cases[] = {
      {"object MainWindow: TfmForm\r\nend\r\n", "object MainWindow: TfmForm\r\nend\r\n"},
      {"", ""},
      // line 1 is the window's own object line, read whatever it says
      {"OnShow = X\nVisible = True\nVisible = False\n", "OnShow = X\r\nVisible = False\r\n"},
      // event lines at any depth; "On" + lower-case letter stays; "ON" is not "On"
      {"object W: T\n  OnShow = FormShow\n  object S: TMyShape\n    OnMouseDown = BindResizer\n"
       "    Onward = 1\n    On1 = x\n    On = 2\n    ON = 3\n    OnClick=Foo\n  end\nend\n",
       "object W: T\r\n  object S: TMyShape\r\n    Onward = 1\r\n"
       "    ON = 3\r\n  end\r\nend\r\n"},
      // border and form style lines in any case, also on components
      {"object W: T\n  BorderIcons = [biSystemMenu]\n  borderstyle = bsSingle\n"
       "  FORMSTYLE = fsNormal\n  Border = 1\n  object M: TMyMemo\n    BorderStyle = bsNone\n"
       "    FormStyles = 1\n  end\nend",
       "object W: T\r\n  Border = 1\r\n  object M: TMyMemo\r\n  end\r\nend\r\n"},
      // only the first Visible line goes
      {"object W: T\n  VISIBLE = False\n  object B: TBitBtn\n    Visible = False\n  end\nend",
       "object W: T\r\n  object B: TBitBtn\r\n    Visible = False\r\n  end\r\n"
       "end\r\n"},
      // continuation lines are judged like any other; kept lines keep their indentation
      {"object W: T\n  Caption = 'a' +\n  'OnClick'\n\tOnX\nend",
       "object W: T\r\n  Caption = 'a' +\r\n  'OnClick'\r\nend\r\n"},
  };
  for (const PassOverCase& c : cases) {
    SCOPED_TRACE(c.text);
    FormDescription form;
    form.SetText(c.text);
    EXPECT_EQ(ReadLines(form), c.read);
  }
}

struct ExpandCase {
  const char* text;
  const char* expanded;
};

TEST(FormText, ExpandPlaceholders) {
  const PlaceholderValues values{"Aqua Show", "Lumen <Website>", "http://x.test/"};
  const ExpandCase cases[] = {
      {"<ScreensaverName>", "Aqua Show"},
      {"<ScreensaverName> by <CompanyName>", "Aqua Show by Lumen http://x.test/"},
      {"<Website><Website>", "http://x.test/http://x.test/"},
      {"<SCREENSAVERNAME> <website> <Other>", "<SCREENSAVERNAME> <website> <Other>"},
      {"a\r\n<CompanyName>\nb", "a\r\nLumen http://x.test/\nb"},  // line ends untouched
      {"", ""},
      {" ", " "},
  };
  for (const ExpandCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ExpandPlaceholders(c.text, values), c.expanded);
  }
  // A value is not searched again for the placeholder it replaced.
  EXPECT_EQ(ExpandPlaceholders("<CompanyName>", {"", "<CompanyName>x", ""}), "<CompanyName>x");
  EXPECT_EQ(ExpandPlaceholders("<ScreensaverName>", {"<Website>", "", "w"}), "w");
}

TEST(FormText, PlaceholdersInTheTreeAreTakenVerbatim) {
  const PlaceholderValues values{"Line1\r\nLine2", "O'Brien & Sons", "http://o.test/"};
  ObjectNode root = ReadObjectText(
      "object W: T\r\n  Caption = '<ScreensaverName>'\r\n  Hint = 'By <CompanyName>'\r\n"
      "  Wide = '<Website>'#300\r\n  Lines.Strings = (\r\n    '<Website>')\r\n"
      "  object L: TLabel\r\n    Caption = '<Website><SCREENSAVERNAME>'\r\n  end\r\nend\r\n");
  ExpandPlaceholders(root, values);
  EXPECT_EQ(root.FindProperty("Caption")->value.As<std::string>(), "Line1\r\nLine2");
  EXPECT_EQ(root.FindProperty("Hint")->value.As<std::string>(), "By O'Brien & Sons");
  EXPECT_EQ(root.FindProperty("Wide")->value.As<std::u16string>(), u"http://o.test/\u012C");
  EXPECT_EQ(root.FindProperty("Lines.Strings")->value.As<ListValue>().items[0].As<std::string>(),
            "http://o.test/");
  EXPECT_EQ(root.children[0].FindProperty("Caption")->value.As<std::string>(),
            "http://o.test/<SCREENSAVERNAME>");
}

const std::string kDemo = std::string(LPC_TEST_DATA) + "/configwindow/demo.lui";

// Every class the builder can make.
const std::set<std::string> kClasses = {
    "TFORM",      "TEDIT",        "TFMLPCONFIGWINDOW", "TLABEL",        "TMYSHAPE",
    "TBUTTON",    "TMYBUTTON",    "TPANEL",            "TSHAPE",        "TMYBEVEL",
    "TBITBTN",    "TPAGECONTROL", "TIMAGE",            "TJETBUTTON",    "TLPPREVIEW",
    "TLPTHUMBNAIL2", "TMYMEMO",   "TCHECKBOX",         "TTABSHEET"};

void CollectNames(const ObjectNode& node, std::vector<const ObjectNode*>& out) {
  out.push_back(&node);
  for (const ObjectNode& child : node.children) CollectNames(child, out);
}

TEST(UiDescriptionFile, DemoLoadsBuildsAndRoundTrips) {
  UiDescription forms;
  forms.LoadFromFile(kDemo);
  EXPECT_EQ(Summary(forms), "MainWindow:184:10 ViewThumbnails:78:2 About:156:3");
  EXPECT_EQ(forms.SaveToText(), ReadFileBytes(kDemo));

  const FormDescription& main_form = forms.FindForm("MainWindow");
  const ClickAction* close = main_form.Actions().FindAction("btnclose");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->Code, acClose);
  const ClickAction* link = main_form.Actions().FindAction("lblCompany");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->Code, acOpenDocument);
  EXPECT_EQ(link->Param1, "<Website>");
  EXPECT_EQ(link->Param2, " ");
  EXPECT_EQ(main_form.Actions().FindAction("btnThumbnails")->Param1, "ViewThumbnails");

  const PlaceholderValues values{"Aqua Show", "Lumen Pool", "http://lumen.test/"};
  for (size_t i = 0; i < forms.Count(); ++i) {
    const FormDescription& form = forms.Form(i);
    SCOPED_TRACE(form.Name());
    ObjectNode root = ReadFormObjects(form);
    ExpandPlaceholders(root, values);
    EXPECT_EQ(root.name, form.Name());
    EXPECT_EQ(root.class_name, "TfmForm");
    EXPECT_EQ(root.FindProperty("BorderStyle"), nullptr);
    EXPECT_EQ(root.FindProperty("Visible"), nullptr);
    std::vector<const ObjectNode*> nodes;
    CollectNames(root, nodes);
    for (const ObjectNode* node : nodes) {
      EXPECT_TRUE(node == &root || kClasses.count(UpperCase(node->class_name))) << node->class_name;
      for (const Property& p : node->properties)
        EXPECT_FALSE(p.name.size() > 2 && p.name.compare(0, 2, "On") == 0 &&
                     std::isupper(static_cast<unsigned char>(p.name[2])))
            << node->name << "." << p.name;
    }
    // Every table entry names a component of its form; every form it opens exists.
    for (size_t a = 0; a < form.Actions().Count(); ++a) {
      const std::string& component = form.Actions().Name(a);
      EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(),
                              [&](const ObjectNode* n) { return SameText(n->name, component); }))
          << component;
      if (form.Actions().Action(a).Code == acShowForm) {
        EXPECT_NO_THROW(forms.FindForm(Trim(form.Actions().Action(a).Param1)));
      }
    }
  }
  ObjectNode main_root = ReadFormObjects(main_form);
  ExpandPlaceholders(main_root, values);
  std::vector<const ObjectNode*> nodes;
  CollectNames(main_root, nodes);
  const auto label = std::find_if(nodes.begin(), nodes.end(),
                                  [](const ObjectNode* n) { return n->name == "lblCompany"; });
  ASSERT_NE(label, nodes.end());
  EXPECT_EQ((*label)->FindProperty("Caption")->value.As<std::string>(), "Lumen Pool");
  EXPECT_EQ(main_root.FindProperty("ActiveControl")->value.As<Identifier>().name,
            "LPThumbnail21");
}

TEST(UiDescriptionFile, FaultsNameTheFile) {
  const std::string dir = ::testing::TempDir();
  const std::string bad = JoinPath(dir, "forms_bad.lui");
  const std::string shortfile = JoinPath(dir, "forms_short.lui");
  WriteFileBytes(bad, "one\r\n");
  WriteFileBytes(shortfile, "1\r\n3\r\nobject A: T\r\n");
  UiDescription forms;
  forms.LoadFromFile(kDemo);
  EXPECT_EQ(ErrorOf([&] { forms.LoadFromFile(bad); }),
            bad + ": 'one' is not a valid integer value");
  EXPECT_EQ(forms.Count(), 0u);
  EXPECT_EQ(ErrorOf([&] { forms.LoadFromFile(shortfile); }),
            shortfile + ": List index out of bounds (3)");
  const std::string missing = JoinPath(dir, "forms_missing.lui");
  EXPECT_NE(ErrorOf([&] { forms.LoadFromFile(missing); }).find(missing), std::string::npos);
  EXPECT_THROW(forms.LoadFromFile(missing), FileNotFoundError);
}

}  // namespace
}  // namespace lpc
