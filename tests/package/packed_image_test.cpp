#include "package/packed_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "imaging/picture.h"
#include "package/binary_io.h"
#include "package/record_bytes.h"
#include "package/temp_dir.h"

namespace lpc {
namespace {

using ::testing::HasSubstr;
using testing_support::Int;
using testing_support::TempDir;

Bitmap Gradient(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.At(x, y) = MakeColor(x * 255 / std::max(1, w - 1), y * 4, 128);
  }
  return b;
}

PackedImageData Sample(int w = 8, int h = 4) {
  PackedImageData d;
  d.Title = "Harbour";
  d.Artist = "A. Painter";
  d.ThumbnailJpeg = EncodeJpeg(Gradient(4, 3));
  d.WaveParams[0] = {5, 3, 7, -2, true, false, true, 360, 4};
  d.WaveParams[3] = {1, 1, 1, 1, false, true, false, -90, 0};
  Bitmap mask(w, h, 0);
  for (int x = 0; x < w; ++x) mask.At(x, h - 1) = RegionToColor(1 + x % 4);
  mask.At(0, 0) = RegionToColor(3);
  d.MaskRuns = EncodeMask(mask);
  d.PictureJpeg = EncodeJpeg(Gradient(w, h));
  d.SoundFile = "waves.wav";
  d.WeatherParam = {kWeatherRain, 300, 12, -15, 25};
  return d;
}

TEST(Records, WaveAndWeatherBytesAtTheirOffsets) {
  std::string wave;
  AppendWaveParam(wave, {0x01020304, -1, 3, 4, true, false, true, 90, 6});
  ASSERT_EQ(wave.size(), 32u);
  EXPECT_EQ(GetInt32(wave.data()), 0x01020304);
  EXPECT_EQ(GetInt32(wave.data() + 4), -1);
  EXPECT_EQ(wave[16], 1);
  EXPECT_EQ(wave[17], 0);
  EXPECT_EQ(wave[18], 1);
  EXPECT_EQ(wave[19], 0);
  EXPECT_EQ(GetInt32(wave.data() + 20), 90);
  EXPECT_EQ(GetInt32(wave.data() + 24), 6);
  EXPECT_EQ(GetInt32(wave.data() + 28), 0);
  // Any non-zero flag byte is on.
  wave[17] = static_cast<char>(0x80);
  EXPECT_TRUE(ParseWaveParam(wave.data()).Vertical);

  std::string weather;
  AppendWeatherParam(weather, {2, 100, 20, 45, 30});
  ASSERT_EQ(weather.size(), 24u);
  EXPECT_EQ(ParseWeatherParam(weather.data()), (WeatherSettings{2, 100, 20, 45, 30}));
  EXPECT_EQ(GetInt32(weather.data() + 20), 0);
}

TEST(Mask, RegionColours) {
  const Color expected[] = {0, 0x0000FF, 0xFF00FF, 0xFF0000, 0xFFFF00};
  for (int code = 0; code <= 4; ++code) {
    EXPECT_EQ(RegionToColor(code), expected[code]);
    EXPECT_EQ(ColorToRegion(expected[code]), code);
  }
  EXPECT_EQ(RegionToColor(5), 0u);
  EXPECT_EQ(ColorToRegion(0x0000FE), 0);
  EXPECT_EQ(ColorToRegion(0xFFFFFF), 0);
}

TEST(Mask, SplitRun) {
  const struct {
    int32_t v, count;
    int code;
  } cases[] = {{10, 1, 0}, {54, 5, 4}, {3, 0, 3}, {0, 0, 0}, {2147483647, 214748364, 7}};
  for (const auto& c : cases) {
    int32_t count = -1;
    int code = -1;
    SplitRun(c.v, count, code);
    EXPECT_EQ(count, c.count) << c.v;
    EXPECT_EQ(code, c.code) << c.v;
  }
}

TEST(Mask, RunsCrossRowEndsAndPaintRegionColours) {
  Bitmap b;
  // 3 x 2: one pixel of code 0, five of code 4 running over the row end.
  DecodeMask({3, 2, 10, 54}, b);
  ASSERT_EQ(b.width(), 3);
  ASSERT_EQ(b.height(), 2);
  EXPECT_EQ(b.At(0, 0), 0u);
  EXPECT_EQ(b.At(1, 0), 0xFFFF00u);
  EXPECT_EQ(b.At(2, 0), 0xFFFF00u);
  EXPECT_EQ(b.At(0, 1), 0xFFFF00u);
  EXPECT_EQ(b.At(2, 1), 0xFFFF00u);
}

TEST(Mask, TwoIntegersGiveASizedEmptyMask) {
  Bitmap b;
  DecodeMask({5, 7}, b);
  EXPECT_EQ(b.width(), 5);
  EXPECT_EQ(b.height(), 7);
  EXPECT_EQ(CountRegions(b)[0], 35);
}

TEST(Mask, EncodeDecodeRoundTrip) {
  Bitmap m(37, 11, 0);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 37; ++x) m.At(x, y) = RegionToColor((x / 5 + y) % 5);
  }
  m.At(3, 3) = 0x123456;  // not a region colour: region 0
  const auto runs = EncodeMask(m);
  Bitmap back;
  DecodeMask(runs, back);
  m.At(3, 3) = 0;
  EXPECT_EQ(back, m);
  EXPECT_EQ(CountRegions(runs), CountRegions(back));
  // Runs that stop short leave the rest in region 0.
  EXPECT_EQ(CountRegions(std::vector<int32_t>{4, 3, 21, 53}), (std::array<int64_t, 5>{5, 2, 0, 5, 0}));
}

// Rows read from the runs are the rows PaintMask paints into a zeroed bitmap of the given size,
// whether the runs cover the mask, stop short, or the bitmap is narrower, wider, shorter, taller.
TEST(Mask, RowReaderGivesThePaintedRows) {
  Bitmap m(23, 9, 0);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 23; ++x) m.At(x, y) = RegionToColor((x / 4 + 2 * y) % 5);
  }
  const std::vector<int32_t> whole = EncodeMask(m);
  const std::vector<int32_t> short_runs(whole.begin(), whole.begin() + whole.size() / 2);
  const std::vector<int32_t> empty_mask{0, 0};
  const struct {
    const std::vector<int32_t>* runs;
    int w, h;
  } cases[] = {{&whole, 23, 9},  {&whole, 10, 4},       {&whole, 40, 15},     {&whole, 10, 15},
               {&short_runs, 23, 9}, {&short_runs, 30, 12}, {&empty_mask, 7, 3}};
  for (const auto& c : cases) {
    Bitmap painted(c.w, c.h, 0);
    PaintMask(*c.runs, painted);
    MaskRowReader reader(*c.runs, c.w, c.h);
    for (int y = 0; y < c.h; ++y) {
      const uint8_t* row = reader.Row(y);
      for (int x = 0; x < c.w; ++x) {
        ASSERT_EQ(row[x], ColorToRegion(painted.At(x, y)))
            << c.runs->size() << " runs into " << c.w << "x" << c.h << " at " << x << "," << y;
      }
    }
  }
}

TEST(Mask, RejectedBeforeAnythingIsAllocated) {
  const struct {
    const char* name;
    std::vector<int32_t> runs;
    const char* fault;
  } cases[] = {
      {"fewer than 2 integers", {4}, "at least 2"},
      {"negative width", {-1, 4}, "outside"},
      {"huge height", {4, 100000}, "outside"},
      {"negative run", {2, 2, -10}, "negative"},
      {"code above 4", {2, 2, 15}, "region code 5"},
      {"runs beyond W x H", {2, 2, 30, 20}, "more than"},
      {"runs beyond an empty mask", {0, 5, 10}, "more than"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap b;
    try {
      DecodeMask(c.runs, b, "pic.lpp");
      FAIL() << "accepted";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.file(), "pic.lpp");
      EXPECT_THAT(e.fault(), HasSubstr(c.fault));
    }
    EXPECT_TRUE(b.empty());
  }
}

TEST(PackedImage, EveryFieldRoundTrips) {
  TempDir dir;
  const PackedImageData d = Sample();
  const auto path = dir / "harbour.lpp";
  SavePackedImage(path, d);

  PackedImage p;
  p.LoadFromFile(path);
  EXPECT_TRUE(p.Loaded);
  EXPECT_EQ(p.FileName, path);
  EXPECT_EQ(p.Title, d.Title);
  EXPECT_EQ(p.Artist, d.Artist);
  EXPECT_EQ(p.SoundFile, d.SoundFile);
  EXPECT_EQ(p.WaveParams, d.WaveParams);
  EXPECT_EQ(p.WeatherParam, d.WeatherParam);
  EXPECT_EQ(p.Picture.width(), 8);
  EXPECT_EQ(p.Picture.height(), 4);
  EXPECT_EQ(p.Thumbnail.width(), 4);
  EXPECT_EQ(p.Thumbnail.height(), 3);
  EXPECT_EQ(p.Picture, DecodeJpeg(d.PictureJpeg, "p"));
  EXPECT_EQ(EncodeMask(p.Mask), d.MaskRuns);
  EXPECT_EQ(p.SpeedPercent, 100);
  EXPECT_EQ(&p.GetWaveParam(3), &p.WaveParams[3]);
}

TEST(PackedImage, EmptyStringsAndTrailingBytes) {
  TempDir dir;
  PackedImageData d = Sample();
  d.Title.clear();
  d.Artist.clear();
  d.SoundFile.clear();
  const auto path = dir.Write("e.lpp", EncodePackedImage(d) + std::string(1000, '\0'));
  PackedImage p;
  p.LoadFromFile(path);
  EXPECT_EQ(p.Title, "");
  EXPECT_EQ(p.Artist, "");
  EXPECT_EQ(p.SoundFile, "");
  EXPECT_EQ(p.WeatherParam, d.WeatherParam);
}

TEST(PackedImage, HeaderOnlyLoadLeavesPictureAndMaskEmpty) {
  TempDir dir;
  const auto path = dir.Write("h.lpp", EncodePackedImage(Sample()));
  PackedImage p;
  p.LoadFromFile(path);
  p.LoadHeaderFromFile(path);
  EXPECT_TRUE(p.Loaded);
  EXPECT_EQ(p.Title, "Harbour");
  EXPECT_EQ(p.Artist, "A. Painter");
  EXPECT_EQ(p.Thumbnail.width(), 4);
  EXPECT_TRUE(p.Picture.empty());
  EXPECT_TRUE(p.Mask.empty());
  EXPECT_EQ(p.WaveParams[0], WaveSettings{});
}

TEST(PackedImage, MaskOfAnotherSizeIsFittedToThePicture) {
  TempDir dir;
  PackedImageData d = Sample(8, 4);
  d.MaskRuns = {10, 1, 51, 50};  // 10 x 1: five of region 1, then five of region 0
  const auto path = dir.Write("m.lpp", EncodePackedImage(d));
  PackedImage p;
  p.LoadFromFile(path);
  ASSERT_EQ(p.Mask.width(), 8);
  ASSERT_EQ(p.Mask.height(), 4);
  const auto counts = CountRegions(p.Mask);
  EXPECT_EQ(counts[1], 5);
  EXPECT_EQ(counts[0], 27);
}

TEST(PackedImage, FewerThanFourRegionsLeaveTheRestZero) {
  TempDir dir;
  PackedImageData d = Sample();
  std::string bytes = EncodePackedImage(d);
  // Rewrite the region count to 1 and drop records 2 to 4.
  const size_t at = 8 + 4 + d.Title.size() + 4 + d.Artist.size() + 4 + d.ThumbnailJpeg.size();
  bytes.replace(at, 4, Int(1));
  bytes.erase(at + 4 + 32, 96);
  PackedImage p;
  p.LoadFromFile(dir.Write("r.lpp", bytes));
  EXPECT_EQ(p.WaveParams[0], d.WaveParams[0]);
  EXPECT_EQ(p.WaveParams[3], WaveSettings{});
}

// Every way a file can be malformed: an error naming the file, and an empty project.
TEST(PackedImage, MalformedFilesAreErrorsNamingTheFile) {
  const PackedImageData d = Sample();
  const std::string good = EncodePackedImage(d);
  const size_t title_at = 8;
  const size_t region_at = 8 + 4 + d.Title.size() + 4 + d.Artist.size() + 4 + d.ThumbnailJpeg.size();
  const size_t mask_at = region_at + 4 + 128;
  const size_t picture_at = mask_at + 4 + 4 * d.MaskRuns.size();
  auto patched = [&](size_t at, int32_t v) {
    std::string s = good;
    s.replace(at, 4, Int(v));
    return s;
  };
  const struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"other signature", "LP060698" + good.substr(8), "Incorrect Project File!"},
      {"shorter than the signature", "LP06", "Read beyond end of file"},
      {"negative title length", patched(title_at, -1), "negative length"},
      {"title past the end", patched(title_at, 0x7FFFFFFF), "Read beyond end of file"},
      {"five regions", patched(region_at, 5), "region count 5"},
      {"negative region count", patched(region_at, -1), "region count -1"},
      {"negative mask length", patched(mask_at, -4), "negative mask length"},
      {"mask past the end", patched(mask_at, 0x40000000), "Read beyond end of file"},
      {"mask of one integer", patched(mask_at, 1), "at least 2"},
      {"mask code above 4", patched(mask_at + 12, 19), "region code 9"},
      {"mask runs beyond W x H", patched(mask_at + 12, 10000), "more than"},
      {"negative picture length", patched(picture_at, -2), "negative length"},
      {"picture past the end", patched(picture_at, 1 << 30), "Read beyond end of file"},
      {"weather record cut", good.substr(0, good.size() - 1), "Read beyond end of file"},
      {"picture not a JPEG", patched(picture_at + 4, 0x11223344), ""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir.Write("bad.lpp", c.bytes);
    PackedImage p;
    p.SetSpeed(140);
    try {
      p.LoadFromFile(path);
      FAIL() << "accepted";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(path));
      EXPECT_THAT(e.what(), HasSubstr(c.message));
    }
    EXPECT_FALSE(p.Loaded);
    EXPECT_TRUE(p.Picture.empty());
    EXPECT_TRUE(p.Mask.empty());
    EXPECT_TRUE(p.Thumbnail.empty());
    EXPECT_EQ(p.SpeedPercent, 140);
  }
}

TEST(PackedImage, EveryTruncationIsAnError) {
  TempDir dir;
  const std::string good = EncodePackedImage(Sample(3, 2));
  for (size_t n = 0; n < good.size(); ++n) {
    const auto path = dir.Write("t.lpp", good.substr(0, n));
    PackedImage p;
    EXPECT_THROW(p.LoadFromFile(path), Error) << n;
    EXPECT_FALSE(p.Loaded);
  }
}

TEST(PackedImage, MissingFileIsFileNotFound) {
  TempDir dir;
  PackedImage p;
  try {
    p.LoadFromFile(dir / "none.lpp");
    FAIL();
  } catch (const FileNotFoundError& e) {
    EXPECT_THAT(e.what(), HasSubstr("none.lpp: File not found"));
  }
}

}  // namespace
}  // namespace lpc
