#include "base/ini.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/fileio.h"

namespace lpc {
namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lpc_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "s.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(IniTest, ReadingRules) {
  WriteFileBytes(path_,
                 "; comment\r\n[General]\r\n  Name = \"Sea Waves\" \r\nquote='x'\r\n"
                 "Dur=$1E\r\nHex=0x10\r\nBad=12a\r\nOn=2\r\nnokey\r\n"
                 "[general]\r\nName=second\r\n[Other]\nA=1\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("GENERAL", "name"), "Sea Waves");
  EXPECT_EQ(ini.ReadString("General", "quote"), "x");
  EXPECT_EQ(ini.ReadInteger("General", "Dur", 0), 30);
  EXPECT_EQ(ini.ReadInteger("General", "Hex", 0), 16);
  EXPECT_EQ(ini.ReadInteger("General", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("General", "Missing", -1), -1);
  EXPECT_TRUE(ini.ReadBool("General", "On", false));
  EXPECT_EQ(ini.ReadInteger("Other", "A", 0), 1);
  EXPECT_EQ(ini.ReadString("Nope", "A", "d"), "d");
  EXPECT_EQ(ini.ReadSection("General"),
            (std::vector<std::string>{"Name", "quote", "Dur", "Hex", "Bad", "On", "nokey"}));
  EXPECT_EQ(ini.ReadString("General", "Name", "", 3), "Sea");
}

TEST(IniText, ByteOrderMarkAndEveryLineEnd) {
  const char* texts[] = {"\xEF\xBB\xBF[General]\r\nDuration=7\r\n[Other]\r\nA=1\r\n",
                         "[General]\rDuration=7\r[Other]\rA=1\r",
                         "[General]\nDuration=7\r\n[Other]\rA=1"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const IniFile ini = IniFile::FromText(text);
    EXPECT_EQ(ini.ReadInteger("General", "Duration", 30), 7);
    EXPECT_EQ(ini.ReadInteger("Other", "A", 0), 1);
    EXPECT_EQ(ini.ReadSection("General"), std::vector<std::string>{"Duration"});
  }
}

TEST_F(IniTest, MissingFileGivesDefaults) {
  IniFile ini((dir_ / "none.ini").string());
  EXPECT_EQ(ini.ReadInteger("S", "K", 5), 5);
  EXPECT_TRUE(ini.ReadSection("S").empty());
}

TEST_F(IniTest, WritesKeepTheRestOfTheFile) {
  WriteFileBytes(path_, "; keep me\r\n[Setting]\r\nSpeed = 3\r\nOther=x\r\n\r\n[Files]\r\n0=1\r\n");
  {
    IniFile ini(path_);
    ini.WriteInteger("setting", "SPEED", 5);
    ini.WriteBool("Setting", "Music", false);
    ini.WriteString("New", "K", "v");
  }
  EXPECT_EQ(ReadFileBytes(path_),
            "; keep me\r\n[Setting]\r\nSPEED=5\r\nOther=x\r\nMusic=0\r\n\r\n[Files]\r\n0=1\r\n"
            "\r\n[New]\r\nK=v\r\n");
  IniFile again(path_);
  again.EraseSection("Files");
  EXPECT_FALSE(IniFile(path_).SectionExists("Files"));
  EXPECT_EQ(IniFile(path_).ReadInteger("Setting", "Speed", 0), 5);
}

}  // namespace
}  // namespace lpc
