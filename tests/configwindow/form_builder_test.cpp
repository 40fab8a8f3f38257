// The form builder: object text into a window of the described classes, its window style,
// and described windows shown over each other through their action tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>
#include <memory>
#include <string>

#include "base/fileio.h"
#include "base/paths.h"
#include "configwindow/form_builder.h"
#include "platform/headless/headless_platform.h"

namespace lpc {
namespace {

class FormBuilderTest : public ::testing::Test {
 protected:
  FormBuilderTest() { platform::SetCurrent(&platform_); }
  ~FormBuilderTest() override { platform::SetCurrent(nullptr); }

  // A form record: the form text, then its action table.
  void Add(const std::string& form_text, const std::string& actions = "0") {
    forms_.AddForm(form_text, actions);
  }

  platform::HeadlessPlatform platform_;
  UiDescription forms_;
  ScreensaverProject project_;
  ConfigContext context_{forms_, project_, {}};
};

std::string Window(const std::string& body, const std::string& name = "W") {
  return "object " + name + ": TfmLPConfigWindow\n" + body + "end\n";
}

struct ClassCase {
  const char* cls;
  const char* properties;  // beyond Left/Top/Width/Height
};

// Every class a description may create, with properties of its kind in each value form.
TEST_F(FormBuilderTest, EveryDescribedClassIsBuiltFromText) {
  const ClassCase cases[] = {
      {"TEdit", "BorderStyle = bsNone\n Ctl3D = False\n Color = $00FFEEDD\n ReadOnly = True\n"},
      {"TLabel", "Caption = 'A' + 'b'#39'c'\n Alignment = taCenter\n Layout = tlCenter\n"
                 " WordWrap = True\n Transparent = True\n Font.Style = [fsBold, fsUnderline]\n"},
      {"TMyShape", "Brush.Color = clNavy\n Brush.Style = bsSolid\n Pen.Color = clRed\n"
                   " Pen.Width = 2\n Shape = stEllipse\n"},
      {"TButton", "Caption = '&OK'\n TabOrder = 0\n"},
      {"TMyButton", "Caption = 'x'\n ShowCaption = True\n Transparent = False\n"},
      {"TPanel", "Caption = 'p'\n BevelInner = bvRaised\n BevelOuter = bvLowered\n"},
      {"TShape", "Shape = stRoundRect\n"},
      {"TMyBevel", "Shape = bsFrame\n Style = bsLowered\n"},
      {"TBitBtn", "Caption = 'Go'\n NumGlyphs = 2\n Cursor = crHandPoint\n ShowHint = True\n"
                  " Hint = 'h'\n"},
      {"TPageControl", "HotTrack = True\n TabPosition = tpTop\n"},
      {"TImage", "Center = True\n Stretch = True\n Picture.Data = {07544269746D617000000000}\n"},
      {"TJetButton", "Caption = 'j'\n"},
      {"TLPPreview", "Stretch = True\n UnavailableMsg = 'none'\n"},
      {"TLPThumbnail2", "ShowCheckBox = True\n MultiRows = False\n PictureWidth = 80\n"
                        " PictureHeight = 60\n ColCount = 1\n Options = [goFixedVertLine]\n"},
      {"TMyMemo", "WordWrap = True\n Text = 'one'#13#10'two'\n ScrollBars = ssVertical\n"},
      {"TCheckBox", "Caption = 'c'\n Checked = True\n"},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.cls);
    const std::string text = Window(std::string("object C: ") + c.cls +
                                    "\n Tag = 3\n Left = 5\n Top = 6\n Width = 70\n"
                                    " Height = 40\n" + c.properties + "end\n");
    std::unique_ptr<ConfigWindow> w;
    try {
      w = CreateFormFromText(text);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    widgets::Component* built = w->FindComponent("C");
    ASSERT_NE(built, nullptr);
    EXPECT_TRUE(SameText(built->ClassName(), c.cls));
    EXPECT_EQ(built->Parent(), w.get());
    EXPECT_EQ(built->Tag, 3);
    EXPECT_EQ(built->Left(), 5);
    EXPECT_EQ(built->Top(), 6);
  }
  // A page control with its pages; the two window classes as the root.
  auto pages = CreateFormFromText(Window(
      "object P: TPageControl\n object S: TTabSheet\n Caption = 'One'\n end\nend\n"));
  EXPECT_EQ(pages->FindComponent("S")->Parent(), pages->FindComponent("P"));
  for (const char* root : {"TForm", "TfmLPCOnfigWindow", "tfmlpconfigwindow"}) {
    auto w = CreateFormFromText(std::string("object Main: ") + root + "\n Caption = 'c'\nend");
    EXPECT_EQ(w->Name, "Main");
    EXPECT_EQ(w->Caption(), "c");
  }
}

struct TableRow {
  const char* cls;
  bool click_runs_action;
};

// One table names the classes a description may create. Each row's registration alone
// registers it (its base classes with it); the described registry holds it once; a tiny object
// text builds it; its click flag is as listed. Any other name, registered or not, is "Class X
// not found".
TEST_F(FormBuilderTest, OneTableListsTheDescribedClasses) {
  const TableRow rows[] = {
      {"TForm", false},         {"TEdit", false},     {"TfmLPCOnfigWindow", false},
      {"TLabel", true},         {"TMyShape", true},   {"TButton", false},
      {"TMyButton", false},     {"TPanel", true},     {"TShape", false},
      {"TMyBevel", true},       {"TBitBtn", true},    {"TPageControl", false},
      {"TImage", true},         {"TJetButton", true}, {"TLPPreview", true},
      {"TLPThumbnail2", false}, {"TMyMemo", false},   {"TCheckBox", false},
      {"TTabSheet", false},
  };
  ASSERT_EQ(DescribedClassTable().size(), std::size(rows));
  const std::vector<std::string> registered = DescribedClasses().Names();
  for (size_t i = 0; i < std::size(rows); ++i) {
    const DescribedClass& row = DescribedClassTable()[i];
    SCOPED_TRACE(rows[i].cls);
    EXPECT_EQ(row.name, rows[i].cls);
    widgets::ClassRegistry alone;
    row.register_class(alone);
    EXPECT_NE(alone.Find(row.name), nullptr);
    EXPECT_EQ(std::count_if(registered.begin(), registered.end(),
                            [&](const std::string& n) { return SameText(n, row.name); }),
              1);
    EXPECT_EQ(FindDescribedClass(UpperCase(std::string(row.name))),
              DescribedClasses().Find(row.name));
    EXPECT_EQ(ClickRunsAction(row.name), rows[i].click_runs_action);
    const std::string object = "object C: " + std::string(row.name) + "\nend\n";
    const bool window = FindDescribedClass(row.name)->InheritsFrom("TForm");
    EXPECT_NO_THROW(CreateFormFromText(window ? object : Window(object)));
  }
  for (const char* other : {"TComboBox", "TSpinEdit", "TTrackBar", "TMemo", "TLinkLabel",
                            "TfmLPFormParent", "TWinControl", "TFoo"}) {
    SCOPED_TRACE(other);
    EXPECT_EQ(FindDescribedClass(other), nullptr);
    EXPECT_FALSE(ClickRunsAction(other));
    try {
      CreateFormFromText(Window("object C: " + std::string(other) + "\nend\n"));
      ADD_FAILURE() << "built";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Class " + std::string(other) + " not found on line 2");
    }
  }
}

struct VocabularyCase {
  const char* cls;
  std::vector<const char*> properties;
};

// Every property name descriptions use is published by its class, so no shipped description
// fails with "Property does not exist".
TEST_F(FormBuilderTest, ClassesPublishTheDescriptionsVocabulary) {
  const std::vector<const char*> common = {"Tag", "Left", "Top", "Width", "Height"};
  const VocabularyCase cases[] = {
      {"TfmLPCOnfigWindow",
       {"Caption", "Color", "ClientWidth", "ClientHeight", "Font.Name", "Font.Height",
        "Font.Style", "Font.Color", "Font.Charset", "AutoScroll", "KeyPreview", "ActiveControl",
        "OldCreateOrder", "PixelsPerInch", "TextHeight", "Sizeable", "NoFrame", "MaximizeButton",
        "MinimizeButton", "ShowButtons", "MaximizeOnShow", "Registered", "ImageIndex"}},
      {"TBitBtn",
       {"TabOrder", "Caption", "Cursor", "Font.Name", "Glyph.Data", "NumGlyphs", "Hint",
        "ShowHint"}},
      {"TLabel",
       {"Align", "Alignment", "AutoSize", "Caption", "Color", "Cursor", "Font.Style", "Layout",
        "Transparent", "WordWrap", "Hint", "ShowHint", "ParentFont", "ParentShowHint"}},
      {"TImage",
       {"Align", "AutoSize", "Center", "Cursor", "Picture.Data", "Stretch", "Transparent", "Hint",
        "ShowHint"}},
      {"TMyBevel", {"Align", "Shape", "Style"}},
      {"TMyShape", {"Align", "Brush.Color", "Brush.Style", "Pen.Color", "Pen.Width", "Shape"}},
      {"TPanel", {"TabOrder", "Align", "Color", "Caption", "BevelInner", "BevelOuter"}},
      {"TPageControl", {"TabOrder", "Align", "Tabs", "Font.Name", "HotTrack", "Style",
                        "TabPosition"}},
      {"TTabSheet", {"Caption"}},
      {"TMyButton",
       {"Caption", "Font.Name", "ShowCaption", "ButtonUp.Data", "ButtonDown.Data",
        "ButtonOver.Data", "Transparent"}},
      {"TJetButton", {"Caption"}},
      {"TLPThumbnail2",
       {"TabOrder", "Align", "Ctl3D", "ShowCheckBox", "ShowTitle", "MultiRows", "Color",
        "PictureWidth", "PictureHeight", "ColCount", "RowCount", "DefaultColWidth",
        "DefaultRowHeight", "FixedCols", "FixedRows", "Options", "ScrollBars", "DefaultDrawing",
        "ParentCtl3D"}},
      {"TLPPreview",
       {"Align", "Cursor", "ShowHint", "Hint", "UnavailableMsg", "Picture.Data", "Stretch"}},
      {"TMyMemo",
       {"TabOrder", "Align", "BorderStyle", "Ctl3D", "Color", "WordWrap", "Font.Name", "Text",
        "Lines.Strings", "ReadOnly", "ParentCtl3D"}},
      {"TEdit", {"TabOrder", "BorderStyle", "Ctl3D", "Color", "Font.Name", "ReadOnly"}},
      {"TCheckBox", {"TabOrder"}},
      {"TButton", {"TabOrder"}},
  };
  for (const VocabularyCase& c : cases) {
    const widgets::ClassInfo* cls = DescribedClasses().Find(c.cls);
    ASSERT_NE(cls, nullptr) << c.cls;
    std::vector<const char*> names = common;
    names.insert(names.end(), c.properties.begin(), c.properties.end());
    for (const char* name : names) {
      EXPECT_NE(cls->FindProperty(name), nullptr) << c.cls << "." << name;
    }
  }
}

TEST_F(FormBuilderTest, DefaultsFirstThenPropertiesInTextOrder) {
  auto plain = CreateFormFromText("object W: TfmLPConfigWindow\nend");
  EXPECT_EQ(plain->Caption(), "fmLPCOnfigWindow");
  EXPECT_EQ(plain->Width() + widgets::kFrameWidth, 588);
  EXPECT_EQ(plain->Height() + widgets::kFrameHeight, 478);
  EXPECT_EQ(plain->Name, "W");

  // Later lines win; ClientWidth after Width sets the client area exactly.
  auto w = CreateFormFromText(Window(
      " Width = 300\n ClientWidth = 200\n Height = 100\n ClientHeight = 90\n ClientHeight = 80\n"
      " Sizeable = True\n NoFrame = True\n ShowButtons = True\n MaximizeButton = True\n"
      " MinimizeButton = True\n MaximizeOnShow = True\n Registered = True\n ImageIndex = 4\n"
      " object B: TButton\n ParentFont = True\n Font.Height = -20\n end\n"));
  EXPECT_EQ(w->ClientWidth(), 200);
  EXPECT_EQ(w->ClientHeight(), 80);
  EXPECT_TRUE(w->Sizeable && w->NoFrame && w->ShowButtons && w->MaximizeButton &&
              w->MinimizeButton && w->MaximizeOnShow && w->Registered);
  EXPECT_EQ(w->ImageIndex, 4);
  EXPECT_FALSE(w->FindComponent("B")->ParentFont());  // the font line came after ParentFont
}

TEST_F(FormBuilderTest, ComponentReferencesResolveOnceAllComponentsExist) {
  auto w = CreateFormFromText(Window(
      " ActiveControl = Inner\n object P: TPanel\n object Inner: TButton\n end\n end\n"));
  EXPECT_EQ(w->ActiveControl, w->FindComponent("Inner"));
  EXPECT_EQ(w->FindComponent("Inner")->Parent(), w->FindComponent("P"));
}

struct FaultCase {
  const char* text;
  const char* error;
};

TEST_F(FormBuilderTest, FaultsNameTheClassThePropertyAndTheLine) {
  const FaultCase cases[] = {
      {"object W: TfmLPConfigWindow\nobject C: TComboBox\nend\nend",
       "Class TComboBox not found on line 2"},
      {"object W: TfmLPConfigWindow\nobject C: TFoo\nend\nend", "Class TFoo not found on line 2"},
      {"object W: TFoo\nend", "Class TFoo not found on line 1"},
      {"object W: TfmLPConfigWindow\n\n  Onward = 1\nend", "Property does not exist on line 3"},
      {"object W: TfmLPConfigWindow\nobject L: TLabel\nChecked = True\nend\nend",
       "Property does not exist on line 3"},
      {"object W: TfmLPConfigWindow\nSizeable = 3\nend", "Invalid property value on line 2"},
      {"object W: TfmLPConfigWindow\nActiveControl = Nobody\nend",
       "Invalid property value on line 2"},
      {"object W: TfmLPConfigWindow\nCaption = 'open\nend", "Invalid string constant on line 2"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      CreateFormFromText(c.text);
      ADD_FAILURE() << "built";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
  // Shown from a description file, a fault points at the file's own line, although the
  // builder dropped event, border and Visible lines before reading.
  const FaultCase shown[] = {
      {"  OnShow = FormShow\r\n  Visible = False\r\n  Sizeable = 3\r\n",
       "Invalid property value on line 11 (form 'W' of LPGUI.lui)"},
      {"  BorderStyle = bsNone\r\n  object C: TComboBox\r\n  end\r\n",
       "Class TComboBox not found on line 10 (form 'W' of LPGUI.lui)"},
      {"  Caption = 'a' +\r\n  OnClick\r\n", "String expected on line 11 (form 'W' of LPGUI.lui)"},
      {"  object P: TPanel\r\n  OnClick = X\r\n",
       "''end'' expected on line 12 (form 'W' of LPGUI.lui)"},  // the window's end is missing
      // after placeholders (one of two lines) and passed-over lines, the file's own line
      {"  Caption = '<ScreensaverName>'\r\n  FormStyle = fsNormal\r\n  Shiny = True\r\n",
       "Property does not exist on line 11 (form 'W' of LPGUI.lui)"},
      {"  Hint = '<CompanyName>'\r\n  BorderIcons = [biSystemMenu]\r\n  Hint = 3\r\n",
       "Invalid property value on line 11 (form 'W' of LPGUI.lui)"},
      {"  OnShow = FormShow\r\n  object L: TLabel\r\n    Visible = False\r\n  end\r\n"
       "  object C: TComboBox\r\n  end\r\n",
       "Class TComboBox not found on line 13 (form 'W' of LPGUI.lui)"},
      {"  Visible = True\r\n  object L: TLabel\r\n    Visible = 'x'\r\n  end\r\n",
       "Invalid property value on line 11 (form 'W' of LPGUI.lui)"},  // only the first goes
      {"  OnClick = X\r\n  Tag = 'x\r\n",
       "Invalid string constant on line 10 (form 'W' of LPGUI.lui)"},
  };
  project_.UISetting.UIFile = "/work/LPGUI.lui";
  project_.Setting.ProductName = "Two\r\nlines";
  project_.Setting.Publisher = "O'Brien";
  for (const FaultCase& c : shown) {
    SCOPED_TRACE(c.text);
    const std::string body = std::string(c.text) + "end\r\n";
    const std::string text = "object W: TfmForm\r\n  Caption = 'x'\r\n" + body;
    const size_t lines = 2 + static_cast<size_t>(std::count(body.begin(), body.end(), '\n'));
    forms_.LoadFromText("2\r\n1\r\nobject Other: TfmForm\r\n0\r\n0\r\n" +
                        std::to_string(lines) + "\r\n" + text + "0\r\n0\r\n");
    try {
      ShowDescribedForm(context_, "W", nullptr);
      ADD_FAILURE() << "shown";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
}

struct StyleCase {
  const char* flags;
  platform::BorderStyle border;
  bool system_menu, maximize_box, minimize_box, maximized;
};

// The window a description opens: the seven flags as window style, centred, and the
// description's rewriting and placeholders applied before it is built.
TEST_F(FormBuilderTest, ShownWindowTakesItsStyleFromTheFlags) {
  using platform::BorderStyle;
  const StyleCase cases[] = {
      {"", BorderStyle::kFixed, false, false, false, false},
      {"Sizeable = True\n", BorderStyle::kSizeable, false, false, false, false},
      {"Sizeable = True\nNoFrame = True\n", BorderStyle::kNone, false, false, false, false},
      {"NoFrame = True\nSizeable = True\n", BorderStyle::kNone, false, false, false, false},
      {"ShowButtons = True\nMaximizeButton = True\nMinimizeButton = True\n"
       "MaximizeOnShow = True\n",
       BorderStyle::kFixed, true, true, true, true},
  };
  project_.Setting.ProductName = "Aqua";
  for (const StyleCase& c : cases) {
    SCOPED_TRACE(c.flags);
    forms_.Clear();
    Add(std::string("object W: TfmForm\n  VISIBLE = False\n  BorderStyle = bsSizeable\n"
                    "  OnShow = FormShow\n  Caption = '<ScreensaverName> <SCREENSAVERNAME>'\n") +
        c.flags +
        "  object L: TLabel\n    OnClick = Foo\n    Visible = False\n    Tag = 3\n  end\nend");
    platform::WindowOptions seen;
    std::string caption;
    const ConfigContext* context = nullptr;
    platform_.Schedule(platform_.Ticks() + 10, [&] {
      auto* win = dynamic_cast<platform::HeadlessWindow*>(platform_.loop().TopModal());
      ASSERT_NE(win, nullptr);
      context = ActiveConfigWindow()->Context();
      seen = win->options();
      caption = win->Caption();
      win->Close(platform::kModalOk);
    });
    EXPECT_EQ(ShowDescribedForm(context_, " w ", nullptr), platform::kModalOk);
    EXPECT_EQ(seen.border, c.border);
    EXPECT_EQ(seen.system_menu, c.system_menu);
    EXPECT_EQ(seen.maximize_box, c.maximize_box);
    EXPECT_EQ(seen.minimize_box, c.minimize_box);
    EXPECT_EQ(seen.maximized, c.maximized);
    EXPECT_TRUE(seen.centered);
    EXPECT_EQ(caption, "Aqua <SCREENSAVERNAME>");
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(&context->forms, &forms_);
    EXPECT_EQ(&context->project, &project_);
  }
  EXPECT_THROW(ShowDescribedForm(context_, "Nothing", nullptr), Error);
}

// Clicks run the table: a nested form opens over the window that opened it and closes on its
// own Close; a name the description lacks ends that click with a message, the window stays.
TEST_F(FormBuilderTest, ClicksRunCloseAndShowFormThroughTheTable) {
  const std::string label = "    AutoSize = False\n    Width = 40\n    Height = 20\n";
  Add("object MainWindow: TfmForm\n  ClientWidth = 200\n  ClientHeight = 100\n"
      "  object Open: TLabel\n    Tag = 3\n    Left = 0\n    Top = 0\n" + label + "  end\n"
      "  object Bad: TLabel\n    Tag = 3\n    Left = 50\n    Top = 0\n" + label + "  end\n"
      "  object Hidden: TLabel\n    Tag = 2\n    Left = 100\n    Top = 0\n" + label + "  end\n"
      "  object Quit: TLabel\n    Tag = 1\n    Left = 150\n    Top = 0\n" + label + "  end\n"
      "end",
      "3\nopen\n1\n Second \n\n\nBad\n1\nNoSuchForm\n\n\nQUIT\n6\n\n\n\n");
  Add("object Second: TfmForm\n  ClientWidth = 100\n  ClientHeight = 50\n"
      "  object Quit: TLabel\n    Tag = 3\n" + label + "  end\nend",
      "1\nQuit\n6\n\n\n\n");
  std::vector<std::string> log;
  auto innermost = [&] {
    return dynamic_cast<platform::HeadlessWindow*>(platform_.loop().TopModal());
  };
  platform::Window* main = nullptr;
  platform_.Schedule(10, [&] {
    main = innermost();
    platform_.QueueClick(20, *main, 10, 10);  // Open
  });
  platform_.Schedule(30, [&] {
    platform::HeadlessWindow* second = innermost();
    log.push_back(second->Caption() + " over " + (second->options().owner == main ? "main" : "?"));
    log.push_back("depth " + std::to_string(platform_.modal_depth()));
    platform_.QueueClick(40, *second, 10, 10);  // Second's Quit
  });
  platform_.Schedule(50, [&] {
    log.push_back("depth " + std::to_string(platform_.modal_depth()));
    platform_.QueueClick(60, *main, 110, 10);  // hidden: nothing
    platform_.QueueClick(70, *main, 60, 10);   // Bad
  });
  platform_.Schedule(80, [&] {
    log.push_back("depth " + std::to_string(platform_.modal_depth()));
    platform_.QueueClick(90, *main, 160, 10);  // Quit
  });
  platform_.SetTickBudget(1000);
  ShowDescribedForm(context_, "MainWindow", nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"fmLPCOnfigWindow over main", "depth 2", "depth 1",
                                          "depth 1"}));
  ASSERT_EQ(platform_.message_boxes().size(), 1u);
  EXPECT_EQ(platform_.message_boxes()[0].text, "Form 'NoSuchForm' not found");
}

// The description lpctool packs when the author gives none builds both its forms.
TEST_F(FormBuilderTest, DefaultDescriptionBuilds) {
  forms_.LoadFromFile(LPC_DEFAULT_UI);
  project_.Setting.Publisher = "Lumen O'Pool";
  for (const char* name : {"MainWindow", "ViewThumbnails"}) {
    SCOPED_TRACE(name);
    const FormDescription& form = forms_.FindForm(name);
    const PlaceholderValues values = PlaceholdersOf(project_);
    auto w = BuildDescribedForm(form, &values, "");
    EXPECT_EQ(w->Name, name);
    for (size_t i = 0; i < form.Actions().Count(); ++i) {
      EXPECT_NE(w->FindComponent(form.Actions().Name(i)), nullptr) << form.Actions().Name(i);
    }
  }
  const PlaceholderValues values = PlaceholdersOf(project_);
  auto main = BuildDescribedForm(forms_.FindForm("MainWindow"), &values, "");
  EXPECT_EQ(main->FindComponent("lblCompany")->Caption(), "Lumen O'Pool");
  EXPECT_EQ(main->ClientWidth(), 580);
  EXPECT_EQ(main->ClientHeight(), 440);
}

}  // namespace
}  // namespace lpc
