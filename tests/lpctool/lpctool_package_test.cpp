// Runs the lpctool binary: lpp -> info, pack -> info -> unpack, and its errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/fileio.h"
#include "lpctool_fixture.h"
#include "imaging/picture.h"
#include "package/package.h"
#include "package/packed_image.h"
#include "package/project.h"
#include "startup/startup.h"

namespace lpc {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(Lpctool, LppThenInfo) {
  MakePictures();
  const auto made = Run({"lpp", "-o", P("sea.lpp"), "--picture", P("picture.png"), "--mask",
                         P("mask.png"), "--title", "Sea", "--artist", "Ann", "--sound", "surf.wav",
                         "--wave", "1:Amplitude=6,period=360,HORIZONTAL=1,jitterrange=2",
                         "--wave", "4:amplitude=-3,period=-90,vertical=true,direction=1",
                         "--weather", "snow:count=250,speed=3,angle=5,length=12"});
  ASSERT_EQ(made.exit_code, 0) << made.err;

  const auto info = Run({"info", P("sea.lpp"), "--json"});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  const json j = json::parse(info.out);
  EXPECT_EQ(j["Kind"], "packed image");
  EXPECT_EQ(j["Title"], "Sea");
  EXPECT_EQ(j["Artist"], "Ann");
  EXPECT_EQ(j["SoundFile"], "surf.wav");
  EXPECT_EQ(j["Picture"]["Width"], 40);
  EXPECT_EQ(j["Picture"]["Height"], 30);
  EXPECT_EQ(j["Thumbnail"]["Width"], 80);
  EXPECT_EQ(j["Thumbnail"]["Height"], 60);
  EXPECT_EQ(j["RegionCount"], 4);
  EXPECT_EQ(j["WaveParams"][0]["Amplitude"], 6);
  EXPECT_EQ(j["WaveParams"][0]["Period"], 360);
  EXPECT_EQ(j["WaveParams"][0]["Horizontal"], true);
  EXPECT_EQ(j["WaveParams"][0]["JitterRange"], 2);
  // Regions without --wave still get a period a runtime can divide by.
  EXPECT_EQ(j["WaveParams"][1]["Period"], 360);
  EXPECT_EQ(j["WaveParams"][3]["Amplitude"], -3);
  EXPECT_EQ(j["WaveParams"][3]["Vertical"], true);
  EXPECT_EQ(j["WaveParams"][3]["Direction"], 1);
  EXPECT_EQ(j["Mask"]["Width"], 40);
  EXPECT_EQ(j["Mask"]["RegionPixels"], json::array({1200 - 600 - 35 - 1 + 0, 600, 1, 0, 35}));
  EXPECT_EQ(j["WeatherParam"]["Kind"], 1);
  EXPECT_EQ(j["WeatherParam"]["Count"], 250);
  EXPECT_EQ(j["WeatherParam"]["SpeedIndex"], 3);
  EXPECT_EQ(j["WeatherParam"]["SpeedPercent"], 45);
  EXPECT_EQ(j["WeatherParam"]["Angle"], 5);
  EXPECT_EQ(j["WeatherParam"]["Length"], 12);

  // The runtime's loader agrees.
  PackedImage p;
  p.LoadFromFile(P("sea.lpp"));
  EXPECT_EQ(CountRegions(p.Mask)[4], 35);
  EXPECT_EQ(p.WaveParams[0].Amplitude, 6);

  const auto text = Run({"info", P("sea.lpp")});
  ASSERT_EQ(text.exit_code, 0);
  EXPECT_THAT(text.out, HasSubstr("Title: Sea\n"));
  EXPECT_THAT(text.out, HasSubstr("RegionPixels: 564, 600, 1, 0, 35\n"));
}

TEST_F(Lpctool, PackInfoUnpack) {
  MakePictures();
  ASSERT_EQ(Run({"lpp", "-o", P("one.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png")}).exit_code, 0);
  WriteFileBytes(P("plain.jpg"), EncodeJpeg(Bitmap(16, 8, 0x336699)));
  std::string music(300000, '\0');
  for (size_t i = 0; i < music.size(); ++i) music[i] = static_cast<char>(i * 31 + 7);
  WriteFileBytes(P("song.mid"), music);
  WriteFileBytes(P("project.ini"),
                 "[General]\r\nProductName=Harbour Nights\r\nPublisher=Quillfen\r\n"
                 "[Default]\r\nDuration=0x0C\r\nSound=0\r\nShowImageMode=2\r\n"
                 "[Advance]\r\nMusicFile=song.mid\r\nPreviewFile=C:\\src\\plain.jpg\r\n");
  WriteFileBytes(P("main.lui"), "1\r\n2\r\nobject MainWindow: TfmForm\r\nend\r\n0\r\n0\r\n");
  WriteFileBytes(P("runtime"), "MZ\x90 pretend runtime image with {LPRESROURCE} in plain text");

  const auto packed = Run({"pack", "-o", P("harbour.scr"), "--runtime", P("runtime"), "--project",
                           P("project.ini"), "--ui", P("main.lui"), P("one.lpp"), P("plain.jpg"),
                           P("song.mid")});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  struct stat st {};
  ASSERT_EQ(stat(P("harbour.scr").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IXUSR, 0u);
  int64_t offset = 0;
  int32_t count = 0;
  ASSERT_TRUE(FindPackageMarker(P("harbour.scr"), offset, count));
  EXPECT_EQ(offset, FileSize(P("runtime")) + 13);
  EXPECT_EQ(count, 4);

  const auto info = Run({"info", P("harbour.scr"), "--json"});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  const json j = json::parse(info.out);
  EXPECT_EQ(j["RecordCount"], 4);
  EXPECT_EQ(j["Warnings"], json::array());
  const json& project = j["Project"];
  // Only pictures make up the show; the music travels as a content file.
  EXPECT_EQ(project["FileList"]["Names"], json::array({"one.lpp", "plain.jpg"}));
  EXPECT_EQ(project["FileList"]["Flags"], json::array({"TRUE", "TRUE"}));
  EXPECT_EQ(project["Setting"]["ProductName"], "Harbour Nights");
  EXPECT_EQ(project["Setting"]["Duration"], 12);
  EXPECT_EQ(project["Setting"]["Sound"], false);
  EXPECT_EQ(project["Setting"]["Music"], true);
  EXPECT_EQ(project["Setting"]["ShowImageMode"], 2);
  EXPECT_EQ(project["Setting"]["MusicFile"], "song.mid");
  // Paths of the author's machine stay there.
  EXPECT_EQ(project["UISetting"]["UIFile"], "main.lui");
  EXPECT_EQ(project["Setting"]["PreviewFile"], "plain.jpg");
  ASSERT_EQ(j["ContentFiles"].size(), 3u);
  EXPECT_EQ(j["ContentFiles"][2]["Name"], "song.mid");
  EXPECT_EQ(j["ContentFiles"][2]["Size"], 300000);
  EXPECT_EQ(j["ContentFiles"][0]["Size"], FileSize(P("one.lpp")));
  EXPECT_EQ(j["UI"]["Size"], FileSize(P("main.lui")));
  EXPECT_TRUE(j["UI"].contains("Description"));
  // The record where it lives, not a scratch copy gone once info ends.
  EXPECT_EQ(j["UI"]["Description"]["File"], "LPGUI.lui in " + P("harbour.scr"));
  const std::string readable = Run({"info", P("harbour.scr")}).out;
  EXPECT_THAT(readable, HasSubstr("File: LPGUI.lui in " + P("harbour.scr")));
  EXPECT_THAT(readable, Not(HasSubstr("Warnings")));  // none: no empty heading

  const auto unpacked = Run({"unpack", P("harbour.scr"), P("out")});
  ASSERT_EQ(unpacked.exit_code, 0) << unpacked.err;
  for (const char* name : {"one.lpp", "plain.jpg", "song.mid"}) {
    EXPECT_EQ(ReadFileBytes(P(std::string("out/") + name)), ReadFileBytes(P(name))) << name;
  }
  EXPECT_EQ(ReadFileBytes(P("out/LPGUI.lui")), ReadFileBytes(P("main.lui")));
  EXPECT_EQ(ContentFileNames(ReadFileBytes(P("out/LPFilenames.res")), "names"),
            (std::vector<std::string>{"one.lpp", "plain.jpg", "song.mid"}));
  ScreensaverProject loaded;
  loaded.LoadFromFile(P("out/LPC.res"));
  EXPECT_EQ(loaded.Setting.Publisher, "Quillfen");
  EXPECT_EQ(loaded.FileList.Names.size(), 2u);
}

TEST_F(Lpctool, UnpackNeverWritesOutsideItsFolder) {
  // A hand-made package whose file-name list points out of the folder.
  PackageBuilder files;
  files.AddBytes("evil");
  PackageBuilder top;
  top.AddBytes(ScreensaverProject().ToRecordBytes());
  top.AddBytes("C:\\x\\..\r\n");
  top.AddPackage(std::move(files));
  top.AddBytes("");
  WriteFileBytes(P("evil.scr"), "MZ" + top.ToBytes());
  const auto r = Run({"unpack", P("evil.scr"), P("out")});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_THAT(r.err, HasSubstr("evil.scr"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / ".."  / "evil"));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  // info still describes such a package and marks the name.
  const auto info = Run({"info", P("evil.scr"), "--json"});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  const json j = json::parse(info.out);
  ASSERT_EQ(j["ContentFiles"].size(), 1u);
  EXPECT_EQ(j["ContentFiles"][0]["Unsafe"], true);
  EXPECT_THAT(j["Warnings"][0].get<std::string>(), HasSubstr("line 1"));
}

TEST_F(Lpctool, AFailedUnpackTakesBackWhatItWrote) {
  PackageBuilder files;
  files.AddBytes(std::string(200000, 'x'));
  PackageBuilder top;
  top.AddBytes(ScreensaverProject().ToRecordBytes());
  top.AddBytes("big.jpg\r\n");
  top.AddPackage(std::move(files));
  top.AddBytes("");
  WriteFileBytes(P("big.scr"), "MZ" + top.ToBytes());
  // A disk that fills up after 50 KiB: writes fail instead of the process being killed.
  const std::string cmd = "trap '' XFSZ; ulimit -f 100; exec " + Quote(LPCTOOL_PATH) +
                          " unpack " + Quote(P("big.scr")) + " " + Quote(P("out")) + " 2>/dev/null";
  const int status = std::system(("bash -c " + Quote(cmd)).c_str());
  EXPECT_NE(status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "out")) << "a truncated big.jpg must not stay";
}

TEST_F(Lpctool, TextIsWindows1252InsideAndUtf8Outside) {
  WriteFileBytes(P("runtime"), "MZ runtime");
  WriteFileBytes(P("a.jpg"), EncodeJpeg(Bitmap(4, 4, 0)));
  // Saved by an editor as UTF-8 with a byte order mark.
  WriteFileBytes(P("project.ini"),
                 "\xEF\xBB\xBF[General]\r\nProductName=Sj\xC3\xB6" "ar \xE2\x82\xAC\r\n"
                 "[Default]\r\nDuration=7\r\n");
  const auto packed = Run({"pack", "-o", P("s.scr"), "--runtime", P("runtime"), "--project",
                           P("project.ini"), P("a.jpg")});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  const auto info = Run({"info", P("s.scr"), "--json"});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  const json j = json::parse(info.out);
  EXPECT_EQ(j["Project"]["Setting"]["ProductName"], "Sj\xC3\xB6" "ar \xE2\x82\xAC");
  EXPECT_EQ(j["Project"]["Setting"]["Duration"], 7);
  ASSERT_EQ(Run({"unpack", P("s.scr"), P("out")}).exit_code, 0);
  ScreensaverProject loaded;
  loaded.LoadFromFile(P("out/LPC.res"));
  EXPECT_EQ(loaded.Setting.ProductName, "Sj\xF6" "ar \x80");
  // Text the code page has no form for is spelt in Latin letters as names are, with the same
  // note naming the file and line, or the option.
  const std::string greek = "\xCE\x9B\xCE\xAF\xCE\xBC\xCE\xBD\xCE\xB7";  // Λίμνη
  WriteFileBytes(P("greek.ini"), "[General]\r\nProductName=" + greek + "\r\n");
  const auto spelt = Run({"pack", "-o", P("g.scr"), "--runtime", P("runtime"), "--project",
                          P("greek.ini"), P("a.jpg")});
  ASSERT_EQ(spelt.exit_code, 0) << spelt.err;
  EXPECT_THAT(spelt.err, HasSubstr(P("greek.ini") + ": line 2: stored as \"ProductName=Limne\" "
                                   "(Windows-1252, the code page screensavers keep text in, "
                                   "cannot hold \"ProductName=" + greek + "\")"));
  EXPECT_EQ(json::parse(Run({"info", P("g.scr"), "--json"}).out)["Project"]["Setting"]["ProductName"],
            "Limne");
  const auto titled = Run({"lpp", "-o", P("g.lpp"), "--picture", P("a.jpg"), "--title", greek});
  ASSERT_EQ(titled.exit_code, 0) << titled.err;
  EXPECT_THAT(titled.err, HasSubstr("--title: stored as \"Limne\" (Windows-1252"));
  EXPECT_EQ(json::parse(Run({"info", P("g.lpp"), "--json"}).out)["Title"], "Limne");
}

// One rule for names: Windows-1252 in every record, the platform's encoding on disk, a
// faithful Latin spelling (with a note) for what the code page cannot hold. Every name must
// reach the screen: info, unpack and the unpacked show agree on it.
TEST_F(Lpctool, ContentNamesReachTheScreenUnderOneRule) {
  WriteFileBytes(P("runtime"), "MZ runtime");
  WriteFileBytes(P("project.ini"), "[General]\r\nProductName=Names\r\n");
  const struct {
    const char* given;   // UTF-8, as the file system spells it
    const char* stored;  // as info shows it (UTF-8)
    bool noted;
  } cases[] = {
      {"\xC3\x8Ele de R\xC3\xA9.jpg", "\xC3\x8Ele de R\xC3\xA9.jpg", false},  // Île de Ré
      {"Cafe\xCC\x81 \xE2\x82\xAC.jpg", "Caf\xC3\xA9 \xE2\x82\xAC.jpg",
       false},                                                               // a combining accent
      {"\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1.jpg", "Athena.jpg", true},  // Αθήνα
      {"\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89.jpg", "sakura.jpg", true},      // さくら
      {"sea \xF0\x9F\x8C\x8A.jpg", "sea (water wave).jpg", true},            // an emoji
  };
  // What the screensaver unpacks for its show: the list names files that are there.
  const auto shows_its_picture = [this](const std::string& scr) {
    ScreensaverProject shown;
    fs::create_directories(dir_ / "work");
    ExtractPackage(shown, scr, P("work"));
    ASSERT_EQ(shown.FileList.Names.size(), 1u);
    EXPECT_EQ(LoadPicture(shown.FileList.Names[0]).width(), 8);
    RemovePackageFiles(P("work"));
    EXPECT_FALSE(fs::exists(dir_ / "work"));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    WriteFileBytes(P(c.given), EncodeJpeg(Bitmap(8, 6, 0x2080C0)));
    fs::remove_all(dir_ / "out");
    const auto packed = Run({"pack", "-o", P("n.scr"), "--runtime", P("runtime"), "--project",
                             P("project.ini"), P(c.given)});
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    EXPECT_EQ(packed.err.find(std::string("stored as \"") + c.stored) != std::string::npos, c.noted)
        << packed.err;
    const json j = json::parse(Run({"info", P("n.scr"), "--json"}).out);
    EXPECT_EQ(j["Project"]["FileList"]["Names"], json::array({c.stored}));
    EXPECT_EQ(j["ContentFiles"][0]["Name"], c.stored);
    ASSERT_EQ(Run({"unpack", P("n.scr"), P("out")}).exit_code, 0);
    EXPECT_EQ(ReadFileBytes(P(std::string("out/") + c.stored)), ReadFileBytes(P(c.given)));
    shows_its_picture(P("n.scr"));
  }
  // Screensavers packed before the rule: the show's list in UTF-8, the names record in
  // Windows-1252. They keep showing their pictures.
  ScreensaverProject old;
  old.FileList.Names = {"\xC3\x8Ele.jpg"};
  old.FileList.Flags = {kFlagTrue};
  PackageBuilder files, package;
  files.AddBytes(EncodeJpeg(Bitmap(8, 6, 0)));
  package.AddBytes(old.ToRecordBytes());
  package.AddBytes("\xCEle.jpg\r\n");
  package.AddPackage(std::move(files));
  package.AddBytes("");
  WriteFileBytes(P("old.scr"), "MZ runtime" + package.ToBytes());
  shows_its_picture(P("old.scr"));
}

TEST_F(Lpctool, BadInputFailsWithAClearMessage) {
  MakePictures();
  WriteFileBytes(P("nopackage.scr"), std::string(5000, 'M'));
  WriteFileBytes(P("short.lpp"), "LP060697\x05\x00\x00\x00ab");
  WriteFileBytes(P("project.ini"), "[General]\r\nProductName=x\r\n");
  WriteFileBytes(P("a.jpg"), EncodeJpeg(Bitmap(4, 4)));
  fs::create_directories(dir_ / "sub");
  WriteFileBytes(P("sub/a.jpg"), EncodeJpeg(Bitmap(4, 4)));
  WriteFileBytes(P("runtime"), "MZ");
  {
    PackageBuilder b;
    b.AddBytes("x");
    WriteFileBytes(P("packaged-runtime"), "MZ" + b.ToBytes());
  }
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {"info: no package", {"info", P("nopackage.scr")}, "no package found"},
      {"info: truncated packed image", {"info", P("short.lpp")}, "Read beyond end of file"},
      {"info: missing file", {"info", P("none.scr")}, P("none.scr") + ": File not found"},
      {"lpp: missing picture", {"lpp", "-o", P("x.lpp"), "--picture", P("none.png")},
       P("none.png") + ": File not found"},
      {"lpp: mask of another size",
       {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png"), "--mask", P("wrong.png")},
       "the mask is 41 x 30 but the picture is 40 x 30"},
      {"lpp: region 5",
       {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"), "--wave", "5:period=1"},
       "region must be 1 to 4"},
      {"lpp: unknown wave key",
       {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"), "--wave", "1:speed=3"},
       "unknown key \"speed\""},
      {"lpp: period 0",
       {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"), "--wave", "2:period=0"},
       "period (degrees) must not be 0"},
      {"lpp: weather kind",
       {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"), "--weather", "hail"},
       "none, snow or rain"},
      {"lpp: weather speed",
       {"lpp", "-o", P("x.lpp"), "--picture", P("picture.png"), "--mask", P("mask.png"), "--weather", "rain:speed=21"},
       "0 to 20"},
      {"pack: runtime already packaged",
       {"pack", "-o", P("o.scr"), "--runtime", P("packaged-runtime"), "--project", P("project.ini"), P("a.jpg")},
       "already carries a package"},
      {"pack: two files of one name",
       {"pack", "-o", P("o.scr"), "--runtime", P("runtime"), "--project", P("project.ini"), P("a.jpg"), P("sub/a.jpg")},
       "same name"},
      {"pack: content file named like a record",
       {"pack", "-o", P("o.scr"), "--runtime", P("runtime"), "--project", P("project.ini"), P("project.ini"),
        P("LPC.res")},
       "LPC.res"},
      {"pack: missing project",
       {"pack", "-o", P("o.scr"), "--runtime", P("runtime"), "--project", P("none.ini"), P("a.jpg")},
       "none.ini: File not found"},
  };
  WriteFileBytes(P("LPC.res"), "x");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = Run(c.args);
    EXPECT_NE(r.exit_code, 0);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    // A missing file: the same words and code whoever finds it.
    if (c.message.find("File not found") != std::string::npos) {
      EXPECT_EQ(r.exit_code, 1);
    }
  }
  EXPECT_FALSE(fs::exists(dir_ / "x.lpp"));
  EXPECT_FALSE(fs::exists(dir_ / "o.scr"));
}

TEST_F(Lpctool, EveryCommandHasHelp) {
  for (const char* command : {"info", "unpack", "pack", "lpp", "render", "new", "install"}) {
    const auto r = Run({command, "--help"});
    EXPECT_EQ(r.exit_code, 0) << command;
    EXPECT_THAT(r.out, HasSubstr(command));
  }
}

}  // namespace
}  // namespace lpc
