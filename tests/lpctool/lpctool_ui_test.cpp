// lpctool ui: pictures of described forms, from a .lui or the description a screensaver
// carries; pack's built-in description when the author gives none.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/fileio.h"
#include "imaging/picture.h"
#include "lpctool_fixture.h"
#include "package/package.h"

namespace lpc {
namespace {

TEST_F(Lpctool, PackWithoutUiCarriesTheDefaultWindowAndUiDrawsIt) {
  WriteFileBytes(P("plain.jpg"), EncodeJpeg(Bitmap(16, 8, 0x336699)));
  WriteFileBytes(P("project.ini"), "[General]\r\nProductName=Harbour\r\nPublisher=Q\r\n");
  WriteFileBytes(P("runtime"), "MZ\x90 pretend runtime");
  const auto packed = Run({"pack", "-o", P("h.scr"), "--runtime", P("runtime"), "--project",
                           P("project.ini"), P("plain.jpg")});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  ASSERT_EQ(Run({"unpack", P("h.scr"), P("out")}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(P("out/LPGUI.lui")), ReadFileBytes(LPC_DEFAULT_UI));

  // A screensaver's window shows its pictures (the preview pane's middle, the first
  // thumbnail's middle); a bare description has none to show.
  struct Case {
    std::string file, form;
    int width, height;
    int x, y;
    bool shows_picture;
  };
  const Case cases[] = {{P("h.scr"), "", 580, 440, 214, 154, true},
                        {P("h.scr"), "ViewThumbnails", 600, 420, 97, 77, true},
                        {LPC_DEFAULT_UI, "viewthumbnails", 600, 420, 97, 77, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + c.form);
    std::vector<std::string> args = {"ui", c.file, "--png", P("w.png")};
    if (!c.form.empty()) args.insert(args.end(), {"--form", c.form});
    const auto r = Run(args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Bitmap picture = LoadPicture(P("w.png"));
    EXPECT_EQ(picture.width(), c.width);
    EXPECT_EQ(picture.height(), c.height);
    const Color at = picture.At(c.x, c.y);
    EXPECT_EQ(std::abs(RedOf(at) - 0x33) < 12 && std::abs(BlueOf(at) - 0x99) < 12, c.shows_picture)
        << std::hex << at;
  }
}

TEST_F(Lpctool, UiNamesTheFileTheFormAndTheFault) {
  auto lui = [](const std::string& body) {
    const size_t lines = 3 + static_cast<size_t>(std::count(body.begin(), body.end(), '\n'));
    return "1\r\n" + std::to_string(lines) + "\r\nobject MainWindow: TfmForm\r\n" + body +
           "\r\nend\r\n0\r\n0\r\n";
  };
  struct Case {
    std::string text;
    std::vector<std::string> extra;
    std::string error;
  };
  const Case cases[] = {
      // Lines of the file, though the builder reads the form without its event lines.
      {lui("object X: TComboBox end"), {}, "Class TComboBox not found on line 4 (form 'MainWindow')"},
      {lui("OnShow = FormShow\r\nShiny = True"), {}, "Property does not exist on line 5 (form 'MainWindow')"},
      {lui("Caption = 'a"), {}, "Invalid string constant on line 4 (form 'MainWindow')"},
      {lui("Tag = 1"), {"--form", "Nope"}, "Form 'Nope' not found"},
      {"1\r\nthree\r\n", {}, "'three' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    WriteFileBytes(P("bad.lui"), c.text);
    std::vector<std::string> args = {"ui", P("bad.lui"), "--png", P("w.png")};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const auto r = Run(args);
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(P("w.png")));
  }
}

}  // namespace
}  // namespace lpc
