// lpctool render: frames of a packed image's water, as an author looks at them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/fileio.h"
#include "imaging/picture.h"
#include "lpctool_fixture.h"
#include "platform/xserver.h"

namespace lpc {
namespace {

// Rows [y0, y1) of two frames: how many pixels differ.
int DifferingPixels(const Bitmap& a, const Bitmap& b, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < a.width(); ++x) n += a.At(x, y) != b.At(x, y);
  }
  return n;
}

// Frames in a GIF: each starts with a graphics control block and then its image descriptor.
int GifFrames(const std::string& gif) {
  int n = 0;
  for (size_t at = 0; (at = gif.find("\x21\xF9\x04", at)) != std::string::npos; ++at) {
    n += at + 9 <= gif.size() && gif[at + 7] == 0 && gif[at + 8] == 0x2C;
  }
  return n;
}

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

class LpctoolRender : public Lpctool {
 protected:
  // Water (region 1) fills rows 15..29; the rest is land.
  void MakeSea() {
    MakePictures();
    Bitmap picture(40, 30);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) picture.At(x, y) = MakeColor((x * 37) % 256, (y * 53) % 256, (x * y) % 256);
    }
    SavePicture(P("picture.png"), picture);
    const auto made = Run({"lpp", "-o", P("sea.lpp"), "--picture", P("picture.png"), "--mask",
                           P("mask.png"), "--wave",
                           "1:amplitude=3,wavecount=2,phasestep=25,period=360,horizontal=1,vertical=1"});
    ASSERT_EQ(made.exit_code, 0) << made.err;
  }
};

TEST_F(LpctoolRender, WaterMovesAndLandStaysStill) {
  MakeSea();
  const auto r = Run({"render", P("sea.lpp"), "--frames", "3", "--out", P("frames"), "--seed", "7",
                      "--gif", P("sea.gif")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const Bitmap first = LoadPicture(P("frames/frame-0000.png"));
  const Bitmap last = LoadPicture(P("frames/frame-0003.png"));
  ASSERT_EQ(first.width(), 40);
  ASSERT_EQ(first.height(), 30);
  EXPECT_FALSE(FileExists(P("frames/frame-0004.png")));
  // Region 4 (top-left corner) and region 2 have no wave settings: still, like the land.
  EXPECT_EQ(DifferingPixels(first, last, 0, 15), 0);
  EXPECT_GT(DifferingPixels(first, last, 15, 30), 50);
  EXPECT_GT(FileSize(P("sea.gif")), 0);

  // The same seed gives the same frames.
  ASSERT_EQ(Run({"render", P("sea.lpp"), "--frames", "3", "--out", P("again"), "--seed", "7"}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(P("again/frame-0003.png")), ReadFileBytes(P("frames/frame-0003.png")));
}

// Every frame reaches the GIF at the rendered size, whether it chose the palette or came after.
// Where 4 frames all choose it, the GIF is the very one made before frames were
// written as they came (libimagequant 2.17).
TEST_F(LpctoolRender, GifHoldsEveryFrame) {
  MakeSea();
  ASSERT_EQ(Run({"lpp", "-o", P("snow.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"),
                 "--wave", "1", "--weather", "snow:count=40"})
                .exit_code,
            0);
  struct Case {
    const char* input;
    std::vector<std::string> options;
    int frames, width, height;
    uint64_t fnv;  // 0: not pinned
  } cases[] = {
      {"sea.lpp", {"--frames", "0"}, 1, 40, 30, 0},
      {"sea.lpp", {"--frames", "3"}, 4, 40, 30, 0xac049923dee9beceull},
      {"snow.lpp", {"--frames", "3"}, 4, 40, 30, 0xf92664b0899425a8ull},  // flakes: colours the
                                                                          // first frame lacks
      {"sea.lpp", {"--frames", "9"}, 10, 40, 30, 0},
      {"snow.lpp", {"--frames", "9", "--dither"}, 10, 40, 30, 0},
      {"sea.lpp", {"--frames", "5", "--fit", "80x60"}, 6, 80, 60, 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"render", P(c.input), "--seed", "7", "--gif", P("s.gif")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = Run(args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string gif = ReadFileBytes(P("s.gif"));
    EXPECT_EQ(GifFrames(gif), c.frames) << c.options[1];
    EXPECT_EQ(LoadPicture(P("s.gif")).width(), c.width) << c.options[1];
    EXPECT_EQ(LoadPicture(P("s.gif")).height(), c.height) << c.options[1];
    if (c.fnv) {
      EXPECT_EQ(Fnv1a(gif), c.fnv) << c.input << c.options[1];
    }
  }
}

TEST_F(LpctoolRender, FitScalesTheFrames) {
  MakeSea();
  struct Case {
    const char* option;
    const char* size;
    int width, height;
  } cases[] = {{"--fit", "80x90", 80, 90}, {"--fit-proportional", "80x90", 80, 60}};
  for (const auto& c : cases) {
    const std::string out = P(std::string("fit") + c.option);
    const auto r = Run({"render", P("sea.lpp"), "--frames", "1", "--out", out, c.option, c.size});
    ASSERT_EQ(r.exit_code, 0) << c.option << r.err;
    const Bitmap frame = LoadPicture(out + "/frame-0001.png");
    EXPECT_EQ(frame.width(), c.width) << c.option;
    EXPECT_EQ(frame.height(), c.height) << c.option;
  }
}

// A photograph larger than a laptop screen renders at 1280 x 800 unless asked otherwise, and
// the GIF keeps its smooth gradients (a palette per picture, not a posterized one).
TEST_F(LpctoolRender, LargePicturesFitAndTheGifKeepsGradients) {
  Bitmap photo(1600, 1000);
  for (int y = 0; y < photo.height(); ++y) {
    for (int x = 0; x < photo.width(); ++x) {
      photo.At(x, y) = MakeColor(40 + x * 150 / 1600, 60 + y * 120 / 1000, 200 - (x + y) * 100 / 2600);
    }
  }
  SavePicture(P("photo.png"), photo);
  ASSERT_EQ(Run({"lpp", "-o", P("photo.lpp"), "--picture", P("photo.png")}).exit_code, 0);
  const auto r = Run({"render", P("photo.lpp"), "--frames", "0", "--out", P("f"), "--gif", P("p.gif")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no progress bar when stderr is not a terminal
  const Bitmap png = LoadPicture(P("f/frame-0000.png"));
  const Bitmap gif = LoadPicture(P("p.gif"));
  ASSERT_EQ(png.width(), 1280);
  ASSERT_EQ(png.height(), 800);
  ASSERT_EQ(gif.width(), 1280);
  int64_t total = 0;
  for (size_t i = 0; i < png.pixel_count(); ++i) {
    const Color a = png.data()[i], b = gif.data()[i];
    total += std::abs(RedOf(a) - RedOf(b)) + std::abs(GreenOf(a) - GreenOf(b)) + std::abs(BlueOf(a) - BlueOf(b));
  }
  EXPECT_LT(static_cast<double>(total) / static_cast<double>(png.pixel_count() * 3), 2.0);

  const auto full = Run({"render", P("photo.lpp"), "--frames", "0", "--out", P("full"), "--full-size"});
  ASSERT_EQ(full.exit_code, 0) << full.err;
  EXPECT_EQ(LoadPicture(P("full/frame-0000.png")).width(), 1600);
  EXPECT_THAT(Run({"render", P("photo.lpp")}).err, ::testing::HasSubstr("nothing to write"));
}

TEST_F(LpctoolRender, BadInputFailsWithAMessage) {
  MakeSea();
  WriteFileBytes(P("not.lpp"), "LP060697 and then nothing useful");
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"render", P("not.lpp"), "--frames", "1", "--out", P("o1")}, "not.lpp"},
      {{"render", P("sea.lpp"), "--frames", "1", "--out", P("o2"), "--fit", "0x10"}, ""},
      {{"render", P("sea.lpp"), "--frames", "1", "--out", P("o3"), "--fit", "wide"}, ""},
      {{"render", P("sea.lpp"), "--gif", P("none/o4.gif")},
       "o4.gif: cannot write the file (No such file or directory)"},
      {{"render", P("sea.lpp"), "--gif", P("o5.gif"), "--fit", "16384x16384"},
       "o5.gif: frames of 16384x16384 need more than 1 GiB"},
  };
  for (const auto& c : cases) {
    const auto r = Run(c.args);
    EXPECT_NE(r.exit_code, 0) << c.args.back();
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  for (const auto& entry : std::filesystem::directory_iterator(P(""))) {
    EXPECT_EQ(entry.path().string().find(".gif"), std::string::npos) << entry.path();
  }
}

// lpctool show in a real window (a private Xvfb when DISPLAY is unset): each kind of input runs
// its frames and ends with 0; each fault ends the command with a message naming it.
TEST_F(LpctoolRender, ShowRunsEachInputInAWindowAndNamesEveryFault) {
  testing_x::XServer server;
  if (const std::string error = server.Start(); !error.empty()) GTEST_SKIP() << error;
  MakeSea();
  WriteFileBytes(P("runtime"), "\x7f" + std::string("ELF pretend runtime"));
  WriteFileBytes(P("sea.ini"), "[General]\nProductName=Sea\n[Default]\nRandom=0\nSound=0\n");
  ASSERT_EQ(Run({"pack", "-o", P("sea.scr"), "--runtime", P("runtime"), "--project", P("sea.ini"),
                 P("sea.lpp")})
                .exit_code,
            0);
  WriteFileBytes(P("not.lpp"), "LP060697 and then nothing useful");
  const struct {
    std::vector<std::string> args;
    int exit_code;  // -1: any failure
    const char* says;
  } cases[] = {
      {{P("sea.lpp")}, 0, ""},
      {{P("sea.lpp"), "--size", "64x48", "--timing"}, 0, "first frame after"},
      {{P("picture.png"), "--mask", P("mask.png"), "--wave", "1:amplitude=3"}, 0, "no --wave 4"},
      {{P("sea.scr")}, 0, ""},
      {{P("missing.lpp")}, -1, "missing.lpp"},
      {{P("picture.png"), "--mask", P("wrong.png")}, 1, "wrong.png: the mask is 41 x 30"},
      {{P("not.lpp")}, 1, "not.lpp"},
      {{P("sea.lpp"), "--wave", "1"}, 1, "apply to a photograph"},
      {{P("sea.lpp"), "--size", "wide"}, 1, "--size"},
      {{P("sea.lpp"), "--sparkle"}, -1, "--sparkle"},
  };
  // A window through SDL brings its D-Bus connection, whose buffer LeakSanitizer counts as lost:
  // programs that open windows run without leak checking, as the e2e tests do.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string saved_asan = asan ? asan : "";
  setenv("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1", 1);
  for (const auto& c : cases) {
    std::vector<std::string> args = {"show", "--frames", "2"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = Run(args);
    const std::string row = c.args.back();
    if (c.exit_code < 0) {
      EXPECT_NE(r.exit_code, 0) << row;
    } else {
      EXPECT_EQ(r.exit_code, c.exit_code) << row << ": " << r.err;
    }
    EXPECT_THAT(r.out + r.err, ::testing::HasSubstr(c.says)) << row;
    if (c.exit_code == 0 && *c.says == 0) {
      EXPECT_EQ(r.out + r.err, "") << row;
    }
  }  asan ? setenv("ASAN_OPTIONS", saved_asan.c_str(), 1) : unsetenv("ASAN_OPTIONS");
}

}  // namespace
}  // namespace lpc
