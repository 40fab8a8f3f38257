// An author's way from photographs to an installed screensaver: new -> lpp -> pack -> info,
// the traps pack and lpp warn about or refuse, and install against a scratch home folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/fileio.h"
#include "imaging/picture.h"
#include "lpctool_fixture.h"
#include "package/packed_image.h"
#include "package/project.h"

namespace lpc {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using nlohmann::json;

class LpctoolAuthoring : public Lpctool {
 protected:
  void SetUp() override {
    Lpctool::SetUp();
    MakePictures();
    WriteFileBytes(P("a.jpg"), EncodeJpeg(Bitmap(16, 8, 0x336699)));
    WriteFileBytes(P("b.jpg"), EncodeJpeg(Bitmap(16, 8, 0x996633)));
    const std::string jpeg = EncodeJpeg(Bitmap(64, 48, 0x123456));
    WriteFileBytes(P("cut.jpg"), jpeg.substr(0, jpeg.size() / 2));
    WriteFileBytes(P("photo.jpeg"), jpeg);
    WriteFileBytes(P("scan.tif"), "II*\0 not really");
    WriteFileBytes(P("cut.webp"), "RIFF\x20\0\0\0WEBPVP8 ");
    WriteFileBytes(P("cut.heic"), std::string("\0\0\0\030ftypheic", 12));
    WriteFileBytes(P("moving.gif"), EncodeGifAnimation({Bitmap(8, 8, 0x0000FF), Bitmap(8, 8)}, 10));
    // Half of it see-through, written with libpng directly (SavePicture has no alpha).
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 1;
    image.format = PNG_FORMAT_RGBA;
    const uint8_t rgba[] = {200, 100, 50, 255, 200, 100, 50, 0};
    png_image_write_to_file(&image, P("clear.png").c_str(), 0, rgba, 0, nullptr);
    WriteFileBytes(P("song.mid"), "MThd");
    WriteFileBytes(P("main.lui"), "1\r\n2\r\nobject MainWindow: TfmForm\r\nend\r\n0\r\n0\r\n");
    WriteFileBytes(P("bad.lui"), "two forms\r\n");
    WriteFileBytes(P("runtime"), std::string("\x7f" "ELF pretend runtime", 20));
  }

  // pack with the project ini text, the UI description and the content files given.
  RunResult Pack(const std::string& ini, const std::vector<std::string>& files,
                 const std::string& ui = "main.lui") {
    WriteFileBytes(P("project.ini"), ini);
    std::vector<std::string> args = {"pack", "-o", P("out.scr"), "--runtime", P("runtime"),
                                     "--project", P("project.ini")};
    if (!ui.empty()) args.insert(args.end(), {"--ui", P(ui)});
    for (const auto& f : files) args.push_back(f.rfind("--", 0) == 0 ? f : P(f));
    return Run(args);
  }
};

// Each trap an author met: what the command says and whether it refuses.
TEST_F(LpctoolAuthoring, PackNamesEveryTrap) {
  const struct {
    const char* name;
    std::string ini;
    std::vector<std::string> files;
    std::string ui;
    bool fails;
    const char* says;
  } cases[] = {
      {"Random=0 freezes the show", "[Default]\nRandom=0\nShowImageMode=1\n", {"a.jpg", "b.jpg"},
       "main.lui", false, "Random=0: pictures never change"},
      {"one picture only", "[Default]\nShowImageMode=3\n", {"a.jpg", "b.jpg"}, "main.lui", false,
       "ShowImageMode=3 shows a single picture"},
      {"unknown order", "[Default]\nShowImageMode=7\n", {"a.jpg", "b.jpg"}, "main.lui", false,
       "ShowImageMode=7 is not 0 to 3"},
      {"changes every frame", "[Default]\nDuration=0\n", {"a.jpg", "b.jpg"}, "main.lui", false,
       "the picture changes on every frame"},
      {"still water", "[Default]\nSpeed=0\n", {"a.jpg"}, "main.lui", false, "stand still"},
      {"speed not in the table", "[Default]\nSpeed=77\n", {"a.jpg"}, "main.lui", false,
       "Speed=77 is not a speed table value"},
      {"no pictures", "", {"song.mid"}, "main.lui", false, "No image found in Images List."},
      {"music from the author's disk", "[Advance]\nMusicFile=/home/me/song.mid;gone.mid\n",
       {"a.jpg", "song.mid"}, "main.lui", false, "MusicFile \"gone.mid\" is not one of the content files"},
      {"png becomes jpg", "", {"picture.png"}, "main.lui", false,
       "picture.png: PNG converted to JPEG at quality 95, stored as \"picture.jpg\""},
      {"png becomes bmp", "", {"--lossless", "picture.png"}, "main.lui", false,
       "PNG converted to a lossless bitmap, stored as \"picture.bmp\""},
      {"transparent png", "", {"clear.png"}, "main.lui", false,
       "clear.png: transparent pixels shown on black"},
      {"animated gif", "", {"moving.gif"}, "main.lui", false,
       "moving.gif: animated GIF of 2 frames; only the first frame is shown"},
      {"jpeg becomes jpg", "", {"photo.jpeg"}, "main.lui", false, "stored as \"photo.jpg\""},
      {"truncated jpg", "", {"a.jpg", "cut.jpg"}, "main.lui", true, "could not show this picture"},
      {"tiff", "", {"scan.tif"}, "main.lui", true, "cannot show TIF pictures"},
      {"damaged webp", "", {"cut.webp"}, "main.lui", true,
       "cut.webp: not a readable WebP picture (the screensaver could not show this picture)"},
      {"damaged heic", "", {"cut.heic"}, "main.lui", true, "cut.heic: HEIF: "},
      {"renamed clash", "", {"photo.jpeg", "photo.jpg"}, "main.lui", true, "same name \"photo.jpg\""},
      {"UI description that does not read", "", {"a.jpg"}, "bad.lui", true,
       "bad.lui: 'two forms' is not a valid integer value"},
      {"no UI description: the built-in window", "", {"a.jpg"}, "", false, ""},
      {"a wide picture stretched", "[Default]\nProportional=0\n", {"a.jpg"}, "main.lui", false,
       "a.jpg (16 x 8): Stretch=1 with Proportional=0 fills the screen and changes its shape by "
       "more than 10 % on 16:9, 16:10, 4:3 screens (1.12 times too tall on 16:9); "
       "Proportional=1 keeps it"},
      {"a 4:3 picture stretched", "", {"photo.jpeg"}, "main.lui", false,
       "(64 x 48): Stretch=1 with Proportional=0 fills the screen and changes its shape by "
       "more than 10 % on 16:9, 16:10 screens (1.33 times too wide on 16:9)"},
      {"a film and notes nothing uses", "", {"a.jpg", "clip.mov", "notes.txt"}, "main.lui", false,
       "notes.txt: left out: no part of the show or the configuration window uses it"},
      {"unused file under --strict", "", {"--strict", "a.jpg", "notes.txt"}, "main.lui", true,
       "notes.txt: no part of the show"},
  };
  WriteFileBytes(P("clip.mov"), "moov");
  WriteFileBytes(P("notes.txt"), "notes");
  WriteFileBytes(P("photo.jpg"), EncodeJpeg(Bitmap(4, 4)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir_ / "out.scr");
    const auto r = Pack(c.ini, c.files, c.ui);
    EXPECT_EQ(r.exit_code != 0, c.fails) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.says));
    EXPECT_EQ(fs::exists(dir_ / "out.scr"), !c.fails);
    // A refusal names the file at fault.
    if (c.fails) {
      EXPECT_THAT(r.err, HasSubstr(P(c.files.back() == "a.jpg" ? c.ui : c.files.back())));
    }
  }
  // What the show or the window can use stays, whatever its kind; a folder gives its files.
  fs::create_directories(dir_ / "show" / "sub");
  ASSERT_EQ(Run({"lpp", "-o", P("show/sea.lpp"), "--picture", P("picture.png"), "--mask",
                 P("mask.png"), "--sound", "C:\\sounds\\Surf.WAV"}).exit_code, 0);
  for (const char* f : {"show/a.jpg", "show/surf.wav", "show/other.wav", "show/song.mid",
                        "show/clip.mov", "show/guide.pdf", "show/art", "show/.hidden.jpg",
                        "show/sub/b.jpg"}) {
    const bool jpg = std::string(f).find(".jpg") != std::string::npos;
    WriteFileBytes(P(f), ReadFileBytes(P(jpg ? "a.jpg" : "song.mid")));
  }
  WriteFileBytes(P("show/main.lui"), "1\r\n2\r\nobject MainWindow: TfmForm\r\nend\r\n6\r\n1\r\n"
                                     "Help\r\n0\r\nGUIDE.PDF\r\nrestart\r\n\r\n0\r\n");
  WriteFileBytes(P("show/project.ini"), "[Advance]\nMusicFile=song.mid\n");
  const auto folder = Run({"pack", "-o", P("show/show.scr"), "--runtime", P("runtime"),
                           "--project", P("show/project.ini"), "--ui", P("show/main.lui"),
                           P("show")});
  ASSERT_EQ(folder.exit_code, 0) << folder.err;
  EXPECT_THAT(folder.err, HasSubstr("clip.mov: left out"));
  EXPECT_THAT(folder.err, HasSubstr("other.wav: left out"));
  EXPECT_THAT(folder.err, HasSubstr("show/art: left out"));  // "art" in "restart" is no mention
  const json stored = json::parse(Run({"info", P("show/show.scr"), "--json"}).out);
  std::vector<std::string> names;
  for (const auto& f : stored["ContentFiles"]) names.push_back(f["Name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "guide.pdf", "sea.lpp", "song.mid",
                                             "surf.wav"}));

  // A show that starts and changes says nothing.
  const auto quiet = Pack("[Default]\nShowImageMode=1\nProportional=1\n", {"a.jpg", "b.jpg"});
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.err, "");
}

TEST_F(LpctoolAuthoring, ConvertedPicturesAreShownUnderTheirNewNames) {
  ASSERT_EQ(Pack("[Advance]\nPreviewFile=C:\\pics\\picture.png\n",
                 {"--lossless", "picture.png", "photo.jpeg"})
                .exit_code,
            0);
  const json j = json::parse(Run({"info", P("out.scr"), "--json"}).out);
  EXPECT_EQ(j["Project"]["FileList"]["Names"], json::array({"picture.bmp", "photo.jpg"}));
  EXPECT_EQ(j["Project"]["Setting"]["PreviewFile"], "picture.bmp");
  ASSERT_EQ(Run({"unpack", P("out.scr"), P("u")}).exit_code, 0);
  const Bitmap bmp = LoadPicture(P("u/picture.bmp"));
  const Bitmap png = LoadPicture(P("picture.png"));
  EXPECT_EQ(bmp, png);  // lossless
  EXPECT_EQ(ReadFileBytes(P("u/photo.jpg")), ReadFileBytes(P("photo.jpeg")));
  // No folder of the author's machine travels with the screensaver.
  EXPECT_EQ(ReadFileBytes(P("u/LPFilenames.res")), "picture.bmp\r\nphoto.jpg\r\n");
}

TEST_F(LpctoolAuthoring, LppDefaultsShowSomething) {
  const struct {
    const char* name;
    std::vector<std::string> extra;
    bool fails;
    const char* says;
    const char* key;
    int value;
  } cases[] = {
      {"no mask: a still picture", {}, false, "", "RegionCount", 4},
      {"snow without a count", {"--weather", "snow"}, false, "", "Count", 300},
      {"rain without a count", {"--weather", "rain:angle=80"}, false, "", "Count", 250},
      {"rain streaks have a length", {"--weather", "rain"}, false, "", "Length", 10},
      {"waves without a mask", {"--wave", "1"}, true, "--wave needs --mask", "", 0},
      {"speed out of range", {"--weather", "snow:speed=21"}, true, "must be 0 to 20 (index)", "", 0},
      {"amplitude out of range", {"--mask", "mask.png", "--wave", "1:amplitude=900"}, true,
       "must be -200 to 200 (pixels)", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png")};
    for (const auto& e : c.extra) args.push_back(e == "mask.png" ? P(e) : e);
    const auto r = Run(args);
    EXPECT_EQ(r.exit_code != 0, c.fails) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.says));
    if (c.fails) continue;
    const json j = json::parse(Run({"info", P("x.lpp"), "--json"}).out);
    const json& v = j.contains(c.key) ? j[c.key] : j["WeatherParam"][c.key];
    EXPECT_EQ(v, c.value);
  }
  // A wave given with no keys moves: the defaults are visible.
  ASSERT_EQ(Run({"lpp", "-o", P("w.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"),
                 "--wave", "1"}).exit_code, 0);
  const json w = json::parse(Run({"info", P("w.lpp"), "--json"}).out)["WaveParams"][0];
  EXPECT_GT(w["Amplitude"], 0);
  EXPECT_GT(w["PhaseStep"], 0);
  EXPECT_EQ(w["Period"], 360);

  const std::string help = Run({"lpp", "--help"}).out;
  for (const char* says : {"amplitude=", "pixels, -200 to 200, default 5", "period=",
                           "default 300 for snow, 250 for rain", "tenths, 0 to 500, default 10"}) {
    EXPECT_THAT(help, HasSubstr(says));
  }
}

// A harbour of 160 x 120: sky above row 40, a sand shore on the left, sea that darkens towards
// the viewer with soft ripples and grain, a boat, a small red buoy and a pier from the right.
Bitmap Harbour() {
  Bitmap b(160, 120);
  uint32_t noise = 12345;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 160; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>((noise >> 16) % 5) - 2;
      const int ripple = static_cast<int>(8 * std::sin(x * 0.7 + y * 0.3));
      Color c = MakeColor(40 - y / 6 + ripple + grain, 90 - y / 6 + ripple + grain,
                          150 - y / 4 + ripple + grain);
      if (y < 40) c = MakeColor(200, 215, 235);
      if (y >= 40 && x < 20 + y / 8) c = MakeColor(190 + grain, 170, 120);
      if (x >= 80 && x < 106 && y >= 66 && y < 78) c = MakeColor(110, 60, 30);  // the boat
      if (x >= 58 && x < 61 && y >= 55 && y < 58) c = MakeColor(230, 30, 20);   // the buoy
      if (x >= 125 && y >= 96 && y < 102) c = MakeColor(130, 120, 105);         // the pier
      b.At(x, y) = c;
    }
  }
  return b;
}

// Each way of marking water, read back from the mask at points of the harbour.
TEST_F(Lpctool, MaskMarksTheWaterItIsShown) {
  SavePicture(P("harbour.png"), Harbour());
  WriteFileBytes(P("harbour.jpg"), EncodeJpeg(Harbour(), 90));
  WriteFileBytes(P("broken.jpg"), EncodeJpeg(Harbour()).substr(0, 300));
  // Points: far sea, near sea, sea behind the boat, sky, shore, boat, buoy, pier.
  const std::vector<std::pair<int, int>> points = {{70, 45}, {140, 115}, {93, 85}, {80, 10},
                                                   {5, 100}, {92, 72},   {59, 56}, {145, 99}};
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::vector<int> regions;  // at each point; empty: the command fails
    const char* says;
  } cases[] = {
      {"fill stops at shore, boat, buoy and pier",
       {"--fill", "70,100"},
       {1, 1, 1, 0, 0, 0, 0, 0},
       ""},
      {"the same through JPEG noise",
       {"--fill", "70,100", "photo=harbour.jpg"},
       {1, 1, 1, 0, 0, 0, 0, 0},
       ""},
      {"below a row, the pier cut",
       {"--below", "40", "--cut", "150,98"},
       {1, 1, 1, 0, 1, 1, 1, 0},
       ""},
      {"below a share of the height", {"--below", "50%"}, {0, 1, 1, 0, 1, 1, 0, 1}, ""},
      {"regions apply to what follows",
       {"--region", "3", "--fill", "70,100", "--region", "2", "--below", "110"},
       {3, 2, 3, 0, 0, 0, 0, 0},
       ""},
      {"point outside",
       {"--fill", "160,10"},
       {},
       "harbour.png: --fill 160,10 is outside the photograph"},
      {"no water at the point",
       {"--fill", "59,56"},
       {},
       "harbour.png: --fill 59,56 found no water"},
      {"a lone pixel",
       {"--tolerance", "0", "--fill", "70,100", "photo=harbour.jpg"},
       {},
       "harbour.jpg: --fill 70,100 found no water: only 1 pixel there is alike"},
      {"unreadable photograph", {"--fill", "70,100", "photo=broken.jpg"}, {}, "broken.jpg"},
      {"region out of range",
       {"--region", "5", "--fill", "70,100"},
       {},
       "--region 5: must be 1 to 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "m.png");
    std::filesystem::remove(dir_ / "o.png");
    std::vector<std::string> args = {"mask",     P("harbour.png"), "-o",
                                     P("m.png"), "--overlay",      P("o.png")};
    for (const auto& a : c.args) {
      if (a.rfind("photo=", 0) == 0)
        args[1] = P(a.substr(6));
      else
        args.push_back(a);
    }
    const auto r = Run(args);
    EXPECT_EQ(r.exit_code != 0, c.regions.empty()) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.says));
    EXPECT_EQ(std::filesystem::exists(dir_ / "m.png"), !c.regions.empty());
    EXPECT_EQ(std::filesystem::exists(dir_ / "o.png"), !c.regions.empty());
    if (c.regions.empty()) continue;
    const Bitmap mask = LoadPicture(P("m.png"));
    for (size_t i = 0; i < points.size(); ++i) {
      const auto [x, y] = points[i];
      EXPECT_EQ(ColorToRegion(mask.At(x, y)), c.regions[i]) << "at " << x << "," << y;
    }
  }
  // Outputs that cannot be written, or that name the photograph or each other: refused before
  // anything is replaced, and the author's files stay as they were.
  std::filesystem::create_directory(dir_ / "adir.png");
  const std::string photo_bytes = ReadFileBytes(P("harbour.png"));
  const struct {
    const char* output;
    const char* overlay;
    const char* says;
  } refused[] = {
      {"m.png", "no-folder/o.png", "no-folder/o.png"},
      {"m.png", "adir.png", "adir.png: cannot write the file (it is a folder)"},
      {"harbour.png", "o.png", "harbour.png: is the photograph itself"},
      {"m.png", "harbour.png", "harbour.png: is the photograph itself"},
      {"m.png", "m.png", "the mask and the overlay must be two different files"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(std::string(c.output) + " " + c.overlay);
    WriteFileBytes(P("m.png"), "earlier mask");
    const auto r = Run({"mask", P("harbour.png"), "-o", P(c.output), "--overlay", P(c.overlay),
                        "--fill", "70,100"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_THAT(r.err, HasSubstr(c.says));
    EXPECT_EQ(ReadFileBytes(P("m.png")), "earlier mask");
    EXPECT_EQ(ReadFileBytes(P("harbour.png")), photo_bytes);
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
  }
}

TEST_F(LpctoolAuthoring, NewThenPackThenInfo) {
  const auto made = Run({"new", P("Harbour Lights")});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  const std::string ini = ReadFileBytes(P("Harbour Lights/project.ini"));
  // Every key the screensaver reads is there with its explanation.
  for (const SettingField& f : SettingFields()) {
    if (std::string(f.Section) == "Build") continue;
    EXPECT_THAT(ini, HasSubstr(std::string("\n") + f.Key + "=")) << f.Key;
    EXPECT_THAT(ini, HasSubstr(std::string("; ") + f.Key)) << f.Key;
  }
  EXPECT_THAT(ini, HasSubstr("\nUIFile="));
  EXPECT_THAT(ini, HasSubstr("\nProportional=1\n"));  // a portrait is not stretched wide
  // The platform's line ends, so that sed and grep see the lines as written.
  EXPECT_EQ(ini.find('\r'), std::string::npos);
  EXPECT_THAT(Run({"new", P("Harbour Lights")}).err, HasSubstr("already exists"));
  // Printed commands paste back into the shell whatever the name holds.
  const struct {
    std::string dir, pack_line;
  } commands[] = {
      {"Lakes and Sea", "pack -o '" + P("Lakes and Sea/Lakes and Sea.scr") + "' --project '" +
                            P("Lakes and Sea/project.ini") + "' --ui"},
      {"it's", "pack -o '" + P("it'\\''s/it'\\''s.scr") + "' --project '"},
      {"plain", "pack -o " + P("plain/plain.scr") + " --project " + P("plain/project.ini")},
  };
  ASSERT_EQ(P("").find_first_of(" '"), std::string::npos) << "the test's own folder is plain";
  for (const auto& c : commands) EXPECT_THAT(Run({"new", P(c.dir)}).out, HasSubstr(c.pack_line));

  const auto packed = Run({"pack", "-o", P("h.scr"), "--runtime", P("runtime"), "--project",
                           P("Harbour Lights/project.ini"), "--ui", P("main.lui"), P("a.jpg"),
                           P("b.jpg")});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  EXPECT_EQ(packed.err, "");  // the template's values make a working show
  const json j = json::parse(Run({"info", P("h.scr"), "--json"}).out)["Project"];
  EXPECT_EQ(j["Setting"]["ProductName"], "Harbour Lights");
  ProjectSettings defaults;
  EXPECT_EQ(j["Setting"]["Duration"], defaults.Duration);
  EXPECT_EQ(j["Setting"]["Random"], defaults.Random);
  EXPECT_EQ(j["Setting"]["Speed"], defaults.Speed);
  EXPECT_EQ(j["Setting"]["ShowImageMode"], defaults.ShowImageMode);
  EXPECT_EQ(j["FileList"]["Names"], json::array({"a.jpg", "b.jpg"}));
  EXPECT_EQ(j["UISetting"]["UIFile"], "main.lui");

  // The package stores the same records whichever line ends the project was written with.
  std::string crlf;
  for (char c : ini) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFileBytes(P("Harbour Lights/crlf.ini"), crlf);
  ASSERT_EQ(Run({"pack", "-o", P("c.scr"), "--runtime", P("runtime"), "--project",
                 P("Harbour Lights/crlf.ini"), "--ui", P("main.lui"), P("a.jpg"), P("b.jpg")})
                .exit_code,
            0);
  EXPECT_EQ(ReadFileBytes(P("c.scr")), ReadFileBytes(P("h.scr")));
}

TEST_F(LpctoolAuthoring, InstallKeepsXScreenSaverSettings) {
  ASSERT_EQ(Pack("", {"a.jpg"}).exit_code, 0);
  const std::string home = P("home");
  fs::create_directories(home);
  const std::string settings =
      "# XScreenSaver Preferences File\n"
      "mode:\t\tone\n"
      "selected:\t1\n"
      "programs:\t\t\t\t\t\t\t      \\\n"
      "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
      "  GL:\t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
      "\t\t\t\txanalogtv -root\t\t\t\t    \\n\n"
      "\n"
      "pointerPollTime:\t0:00:05\n";
  // Kept elsewhere and private, as dotfile managers keep it: it stays a link and stays 600.
  fs::create_directories(home + "/dotfiles");
  WriteFileBytes(home + "/dotfiles/xscreensaver", settings);
  chmod((home + "/dotfiles/xscreensaver").c_str(), 0600);
  fs::create_symlink("dotfiles/xscreensaver", home + "/.xscreensaver");
  const std::string env = "HOME=" + Quote(home) + " XDG_DATA_HOME= ";
  const auto install = [&](const std::string& extra) {
    const std::string cmd = env + Quote(LPCTOOL_PATH) + " install " + extra + " 2>&1";
    std::string out;
    FILE* pipe = popen(cmd.c_str(), "r");
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    return std::make_pair(pclose(pipe), out);
  };

  const auto [code, out] = install(Quote(P("out.scr")));
  ASSERT_EQ(code, 0) << out;
  const std::string installed = home + "/.local/share/lpcsaver/out.scr";
  EXPECT_EQ(ReadFileBytes(installed), ReadFileBytes(P("out.scr")));
  struct stat st {};
  ASSERT_EQ(stat(installed.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IXUSR, 0u);
  EXPECT_THAT(out, HasSubstr("to undo: lpctool install --remove out.scr"));
  const std::string after = ReadFileBytes(home + "/.xscreensaver");
  // The new entry follows the old last one, which now continues; nothing else moved.
  const std::string expected =
      settings.substr(0, settings.find("xanalogtv")) + "xanalogtv -root\t\t\t\t    \\n\\\n" +
      "  \"out\"  " + installed + " /S \\n\n" + "\n" + "pointerPollTime:\t0:00:05\n";
  EXPECT_EQ(after, expected);
  EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver.before-lpctool"), settings);
  EXPECT_TRUE(fs::is_symlink(home + "/.xscreensaver"));
  for (const char* file : {"/dotfiles/xscreensaver", "/.xscreensaver.before-lpctool"}) {
    ASSERT_EQ(stat((home + file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
  }

  // Twice is once.
  EXPECT_THAT(install(Quote(P("out.scr"))).second, HasSubstr("already lists"));
  EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), after);

  // Undo gives the file back as it was.
  ASSERT_EQ(install("--remove out.scr").first, 0);
  EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), settings);
  EXPECT_FALSE(fs::exists(installed));

  // Remove says what went and what stays beside the copy (the user's settings and wallpaper
  // are theirs), and that a name with nothing installed under it removed nothing.
  ASSERT_EQ(install(Quote(P("out.scr"))).first, 0);
  const std::string dest = home + "/.local/share/lpcsaver";
  WriteFileBytes(dest + "/out.ini", "[Setting]\n");
  WriteFileBytes(dest + "/out.scr.bmp", std::string(1'540'000, 'B'));
  const std::vector<std::pair<std::string, std::vector<std::string>>> removes = {
      {"ou.scr", {"nothing installed as ou.scr in " + dest, "installed there: out.scr\n"}},
      {"out.scr",
       {"removed " + installed, "kept " + dest + "/out.ini (the user's settings",
        "kept " + dest + "/out.scr.bmp (the picture \"Set as a Wallpaper\" wrote", "1.5 MB"}},
      {"out.scr", {"nothing installed as out.scr", "kept " + dest + "/out.ini"}},
  };
  for (const auto& [name, said] : removes) {
    const auto [removed, text] = install("--remove " + name);
    EXPECT_EQ(removed, 0) << text;
    for (const auto& s : said) EXPECT_THAT(text, HasSubstr(s));
  }
  EXPECT_TRUE(fs::exists(dest + "/out.ini") && fs::exists(dest + "/out.scr.bmp"));
  EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), settings);

  // A Windows screensaver gets directions, and nothing changes.
  WriteFileBytes(P("win.scr"), "MZ" + ReadFileBytes(P("out.scr")).substr(20));
  const auto win = install(Quote(P("win.scr")));
  EXPECT_EQ(win.first, 0);
  EXPECT_THAT(win.second, HasSubstr("C:\\Windows\\System32"));
  EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), settings);
}

// xsecurelock's saver module: a script named saver_<name> that runs the copy with /S, whatever
// the name holds; XScreenSaver's settings stay untouched, and a folder that cannot be made leaves
// nothing behind.
TEST_F(LpctoolAuthoring, InstallWritesXSecureLockSaver) {
  ASSERT_EQ(Pack("", {"a.jpg"}).exit_code, 0);
  const std::string home = P("home");
  fs::create_directories(home);
  const auto shell = [](const std::string& cmd) {
    std::string out;
    FILE* pipe = popen(cmd.c_str(), "r");
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    return std::make_pair(pclose(pipe), out);
  };
  const auto install = [&](const std::string& extra) {
    return shell("HOME=" + Quote(home) + " XDG_DATA_HOME= " + Quote(LPCTOOL_PATH) +
                 " install --xsecurelock " + extra + " 2>&1");
  };
  // The program and argument the module's exec line hands over, as the shell reads them.
  const auto exec_words = [&](const std::string& saver) {
    const std::string words =
        "line=$(tail -n 1 \"$0\"); eval \"set -- ${line#exec }\"; printf \"%s|%s\" \"$1\" \"$2\"";
    return shell("sh -c " + Quote(words) + " " + Quote(saver)).second;
  };
  const std::string savers = home + "/.local/libexec/xsecurelock/";
  struct Case {
    std::string file, module;
  };
  for (const Case& c :
       {Case{"out.scr", "saver_out"}, Case{"it's my \"sea\".scr", "saver_it_27s_20my_20_22sea_22"},
        Case{"a b.scr", "saver_a_20b"}, Case{"a_b.scr", "saver_a__b"}}) {
    SCOPED_TRACE(c.file);
    WriteFileBytes(P(c.file), ReadFileBytes(P("out.scr")));
    const auto [code, out] = install(Quote(P(c.file)));
    ASSERT_EQ(code, 0) << out;
    const std::string installed = home + "/.local/share/lpcsaver/" + c.file;
    EXPECT_EQ(ReadFileBytes(installed), ReadFileBytes(P("out.scr")));
    struct stat st {};
    ASSERT_EQ(stat((savers + c.module).c_str(), &st), 0) << out;
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
    EXPECT_EQ(ReadFileBytes(savers + c.module).rfind("#!/bin/sh\n", 0), 0u);
    EXPECT_EQ(exec_words(savers + c.module), installed + "|/S");
    EXPECT_THAT(out, HasSubstr("XSECURELOCK_SAVER=" + savers + c.module + " xsecurelock"));
    EXPECT_FALSE(fs::exists(home + "/.xscreensaver"));

    ASSERT_EQ(install("--remove " + Quote(c.file)).first, 0);
    EXPECT_FALSE(fs::exists(savers + c.module));
    EXPECT_FALSE(fs::exists(installed));
  }

  // Two names one module name used to stand for: removing one keeps the other's.
  ASSERT_EQ(install(Quote(P("a b.scr"))).first, 0);
  ASSERT_EQ(install(Quote(P("a_b.scr"))).first, 0);
  ASSERT_EQ(install("--remove a_b.scr").first, 0);
  EXPECT_TRUE(fs::exists(savers + "saver_a_20b"));
  ASSERT_EQ(install("--remove " + Quote("a b.scr")).first, 0);

  // Names the screensaver cannot run under are refused, saying why; a folder is never removed.
  const std::string dest = home + "/.local/share/lpcsaver";
  WriteFileBytes(P("Sea:Night.scr"), ReadFileBytes(P("out.scr")));
  for (const auto& [args, why] : std::vector<std::pair<std::string, std::string>>{
           {Quote(P(".Hidden.scr")), "starts with a dot"},
           {Quote(P("new\nline.scr")), "control character"},
           {Quote(P("Sea:Night.scr")), "would run as \"Night.scr\""},
           {"--remove " + Quote(dest + "/"), "names a folder"}}) {
    SCOPED_TRACE(args);
    const auto refused = install(args);
    EXPECT_NE(refused.first, 0);
    EXPECT_THAT(refused.second, HasSubstr(why));
    EXPECT_TRUE(fs::is_empty(dest));
  }

  // Install undoes itself on failure: a target it cannot write leaves nothing behind.
  fs::remove_all(home + "/.local");
  const std::string locked = P("locked");
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  WriteFileBytes(home + "/.xscreensaver", "mode:\tone\n");
  const auto xscreensaver = [&](const std::string& extra) {
    return shell("HOME=" + Quote(home) + " XDG_DATA_HOME= " + Quote(LPCTOOL_PATH) + " install " +
                 extra + " 2>&1");
  };
  struct Failure {
    std::string args, message;
    bool needs_permissions;
  } failures[] = {
      {"--xsecurelock --saver-dir " + Quote(P("a.jpg") + "/savers"),
       P("a.jpg") + "/savers: cannot create the folder", false},
      {"--xsecurelock --saver-dir " + Quote(locked), locked + ": cannot write there", true},
      {"", "has no \"programs:\" list", false},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.args);
    if (f.needs_permissions && geteuid() == 0) continue;  // root writes anywhere
    const auto failed = xscreensaver(f.args + " " + Quote(P("out.scr")));
    EXPECT_NE(failed.first, 0);
    EXPECT_THAT(failed.second, HasSubstr(f.message));
    EXPECT_FALSE(fs::exists(home + "/.local")) << "nothing copied, no folder made";
    EXPECT_TRUE(fs::is_empty(locked));
    EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), "mode:\tone\n");
  }
}

}  // namespace
}  // namespace lpc
