// The thumbnail strip and a jet button in a real window on a real X server (a private Xvfb
// when DISPLAY is unset), through the SDL backend: real pointer clicks from xdotool tick a
// check box and select its picture, and a screenshot is kept to look at
// (configwindow_components_x11.png in the working folder, or LPC_COMPONENTS_X11_PNG).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/errors.h"
#include "configwindow/component_test_support.h"
#include "configwindow/state_buttons.h"
#include "configwindow/thumbnail_strip.h"
#include "platform/backends.h"
#include "platform/platform.h"
#include "platform/xserver.h"
#include "widgets/form.h"

namespace lpc {
namespace {

int RunCommand(const std::string& command) {
  return std::system(("timeout -s KILL 10 " + command + " >/dev/null 2>&1").c_str());
}

// Runs steps one after the other on a timer of the open window.
class Steps : public widgets::Component {
 public:
  std::vector<std::function<void()>> steps;
  void Timer(int) override {
    if (next_ < steps.size()) steps[next_++]();
  }

 private:
  size_t next_ = 0;
};

TEST(ComponentsInX, ClickTicksACheckBoxAndSelectsItsPicture) {
  testing_x::XServer server;
  if (const std::string error = server.Start(); !error.empty()) GTEST_SKIP() << error;
  std::unique_ptr<platform::Platform> p = platform::CreatePlatform("sdl");
  platform::SetCurrent(p.get());
  testing::TempDir dir;
  std::vector<std::string> files;
  const Color colours[] = {0xD04020, 0x20A040, 0x2040D0, 0xE0C040, 0x808080};
  for (int i = 0; i < 5; ++i) {
    files.push_back(dir.Write("Picture " + std::to_string(i + 1) + ".jpg",
                              EncodeJpeg(Bitmap(320, 240, colours[i]))));
  }
  {
    widgets::FormWindow form;
    form.SetCaption("Components");
    form.SetClientSize(480, 300);
    auto& strip = form.Create<ThumbnailStrip>();
    strip.SetBounds(10, 10, 460, 230);
    strip.SetColor(widgets::clWhite);
    strip.SetShowCheckBox(true);
    strip.SetShowTitle(true);
    strip.SetFileList(&files);
    std::vector<int32_t> selected;
    strip.OnSelectItem = [&](int32_t i) { selected.push_back(i); };
    auto& jet = form.Create<StateButton>();
    Bitmap up(90, 28, 0xFFFFFF);
    Canvas(up).FillRect(Rect{2, 2, 88, 26}, 0x3060C0);
    jet.SetBitmapUp({up, std::nullopt});
    jet.SetLeft(10);
    jet.SetTop(260);
    jet.SetCaption("Close");
    jet.OnClick = [&](widgets::Component&) { form.Close(platform::kModalOk); };
    auto& steps = form.Create<Steps>();
    steps.SetBounds(0, 0, 0, 0);
    const char* env = std::getenv("LPC_COMPONENTS_X11_PNG");
    const std::string shot = env ? env : "configwindow_components_x11.png";
    // Without a window manager the client area starts at the screen's corner.
    // Image 1's check box: cell at 10 + 100, 10 (inside the strip's 2-pixel edge), box at +13, +66.
    const int bx = 10 + 2 + 100 + 18;
    const int by = 10 + 2 + 70;
    steps.steps = {
        [&] { RunCommand(Format("xdotool mousemove --sync %d %d click 1", bx, by)); },
        [] {},
        [&] { RunCommand("import -window root " + shot); },
        [&] { RunCommand("xdotool mousemove --sync 40 274 click 1"); },
        [] {},
        [&] { form.Close(platform::kModalCancel); },
    };
    steps.StartTimer(1, 300);
    EXPECT_EQ(form.ShowModal(), platform::kModalOk);  // closed by the jet button's click
    EXPECT_TRUE(strip.GetChecked(1));
    EXPECT_FALSE(strip.GetChecked(0));
    EXPECT_EQ(selected, std::vector<int32_t>{1});
    const Bitmap picture = LoadPicture(shot);
    // Image 1 is selected: its frame in the highlight colour, its tick drawn in it too.
    EXPECT_EQ(picture.At(10 + 2 + 100 + 10, 10 + 2 + 40), widgets::ToRGB(widgets::clHighlight));
    EXPECT_EQ(picture.At(10 + 2 + 100 + 13 + 4, 10 + 2 + 66 + 8), widgets::ToRGB(widgets::clHighlight));
  }
  platform::SetCurrent(nullptr);
}

}  // namespace
}  // namespace lpc

// SDL's X11 start-up leaves a D-Bus connection buffer, and fontconfig its configuration, for the
// life of the process; our own objects stay leak-checked.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}
