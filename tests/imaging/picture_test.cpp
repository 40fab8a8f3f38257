#include <gtest/gtest.h>

#include <filesystem>

#include "base/fileio.h"
#include "imaging/picture.h"
#include "imaging/test_support.h"

namespace lpc {
namespace {

namespace fs = std::filesystem;

class PictureFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lpc_imaging_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(PictureFileTest, SaveAndLoadByExtension) {
  const Bitmap in = testing::Gradient(20, 10);
  struct Case {
    const char* name;
    int tolerance;
  } cases[] = {{"a.bmp", 0}, {"b.PNG", 0}, {"c.jpg", 20}, {"d.JPEG", 20}};
  for (const Case& c : cases) {
    SavePicture(Path(c.name), in);
    const Bitmap out = LoadPicture(Path(c.name));
    EXPECT_LE(testing::MaxChannelDifference(in, out), c.tolerance) << c.name;
    EXPECT_GE(testing::MaxChannelDifference(in, out), 0) << c.name;
  }
  // Saving replaces the file whole and leaves nothing else behind.
  SavePicture(Path("a.bmp"), Bitmap(2, 2, 0x010203));
  EXPECT_EQ(LoadPicture(Path("a.bmp")), Bitmap(2, 2, 0x010203));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);
}

TEST_F(PictureFileTest, GifFileLoads) {
  WriteFileBytes(Path("anim.Gif"), EncodeGifAnimation({Bitmap(3, 2, 0xFF0000)}, 10));
  const Bitmap b = LoadPicture(Path("anim.Gif"));
  EXPECT_EQ(b.width(), 3);
  EXPECT_LE(testing::MaxChannelDifference(b, Bitmap(3, 2, 0xFF0000)), 8);
}

TEST_F(PictureFileTest, Errors) {
  // Unknown kinds are refused by name, before the file is read.
  testing::ExpectFormatError([&] { LoadPicture(Path("x.tif")); }, Path("x.tif"),
                             "unsupported picture type '.tif'");
  testing::ExpectFormatError([&] { LoadPicture(Path("noext")); }, Path("noext"),
                             "unsupported picture type ''");
  EXPECT_THROW(LoadPicture(Path("missing.jpg")), FileNotFoundError);
  // The content must match the extension.
  WriteFileBytes(Path("really_bmp.gif"), EncodeBmp(Bitmap(1, 1)));
  testing::ExpectFormatError([&] { LoadPicture(Path("really_bmp.gif")); }, Path("really_bmp.gif"),
                             "not in GIF format");
  WriteFileBytes(Path("empty.bmp"), "");
  testing::ExpectFormatError([&] { LoadPicture(Path("empty.bmp")); }, Path("empty.bmp"), "empty");
  testing::ExpectFormatError([&] { SavePicture(Path("x.lpp"), Bitmap(1, 1)); }, Path("x.lpp"),
                             "cannot save pictures of type '.lpp'");
  EXPECT_FALSE(FileExists(Path("x.lpp")));
  EXPECT_THROW(SavePicture(Path("e.bmp"), Bitmap()), Error);
}

TEST(DecodePictureTest, ChoosesTheDecoderByName) {
  const Bitmap in = testing::Gradient(4, 4);
  EXPECT_EQ(DecodePicture(EncodeBmp(in), "C:\\pics\\X.BMP"), in);
  EXPECT_EQ(DecodePicture(EncodePng(in), "x.png"), in);
  EXPECT_EQ(DecodePicture(EncodeJpeg(in), "x.jpeg").width(), 4);
  testing::ExpectFormatError([&] { DecodePicture(EncodeBmp(in), "x.jpg"); }, "x.jpg",
                             "Not a JPEG file");
  testing::ExpectFormatError([&] { DecodePicture(EncodeBmp(in), "x.lpp"); }, "x.lpp",
                             "unsupported picture type '.lpp'");
}

}  // namespace
}  // namespace lpc
