#include "package/packed_image.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

#include "base/errors.h"
#include "base/fileio.h"
#include "imaging/picture.h"
#include "package/binary_io.h"

namespace lpc {

// ---- records ----

WaveSettings ParseWaveParam(const char* p) {
  WaveSettings w;
  w.Amplitude = GetInt32(p);
  w.WaveCount = GetInt32(p + 4);
  w.PhaseStep = GetInt32(p + 8);
  w.Direction = GetInt32(p + 12);
  w.Horizontal = p[16] != 0;
  w.Vertical = p[17] != 0;
  w.Perspective = p[18] != 0;
  w.Period = GetInt32(p + 20);
  w.JitterRange = GetInt32(p + 24);
  return w;
}

void AppendWaveParam(std::string& out, const WaveSettings& w) {
  AppendInt32(out, w.Amplitude);
  AppendInt32(out, w.WaveCount);
  AppendInt32(out, w.PhaseStep);
  AppendInt32(out, w.Direction);
  out.push_back(w.Horizontal ? 1 : 0);
  out.push_back(w.Vertical ? 1 : 0);
  out.push_back(w.Perspective ? 1 : 0);
  out.push_back(0);
  AppendInt32(out, w.Period);
  AppendInt32(out, w.JitterRange);
  AppendInt32(out, 0);
}

WeatherSettings ParseWeatherParam(const char* p) {
  WeatherSettings w;
  w.Kind = GetInt32(p);
  w.Count = GetInt32(p + 4);
  w.SpeedIndex = GetInt32(p + 8);
  w.Angle = GetInt32(p + 12);
  w.Length = GetInt32(p + 16);
  return w;
}

void AppendWeatherParam(std::string& out, const WeatherSettings& w) {
  AppendInt32(out, w.Kind);
  AppendInt32(out, w.Count);
  AppendInt32(out, w.SpeedIndex);
  AppendInt32(out, w.Angle);
  AppendInt32(out, w.Length);
  AppendInt32(out, 0);
}

// ---- mask ----

namespace {
constexpr Color kRegionColours[5] = {0x00000000, 0x000000FF, 0x00FF00FF, 0x00FF0000, 0x00FFFF00};
}

Color RegionToColor(int code) { return code >= 1 && code <= 4 ? kRegionColours[code] : 0; }

int ColorToRegion(Color pixel) {
  for (int code = 1; code <= 4; ++code) {
    if (pixel == kRegionColours[code]) return code;
  }
  return 0;
}

void SplitRun(int32_t v, int32_t& count, int& code) {
  count = v / 10;
  code = v % 10;
}

void ValidateMask(const std::vector<int32_t>& a, const std::string& name) {
  if (a.size() < 2) throw FormatError(name, Format("mask of %zu integers; at least 2 needed", a.size()));
  const int32_t w = a[0];
  const int32_t h = a[1];
  if (w < 0 || h < 0 || w > kMaxPictureSide || h > kMaxPictureSide) {
    throw FormatError(name, Format("mask size %d x %d is outside 0 .. %d", w, h, kMaxPictureSide));
  }
  const int64_t pixels = int64_t{w} * h;
  int64_t total = 0;
  for (size_t i = 2; i < a.size(); ++i) {
    int32_t count = 0;
    int code = 0;
    if (a[i] < 0) throw FormatError(name, Format("mask run %zu is negative (%d)", i - 1, a[i]));
    SplitRun(a[i], count, code);
    if (code > 4) throw FormatError(name, Format("mask run %zu has region code %d (0 to 4 allowed)", i - 1, code));
    total += count;
    if (total > pixels) {
      throw FormatError(name, Format("mask runs cover more than the %d x %d pixels of the mask", w, h));
    }
  }
}

void PaintMask(const std::vector<int32_t>& a, Bitmap& bitmap) {
  // Positions count through the mask's own W x H; pixels outside bitmap are dropped.
  const int64_t w = a.size() >= 2 ? a[0] : 0;
  int64_t pos = 0;
  for (size_t i = 2; i < a.size(); ++i) {
    int32_t count = 0;
    int code = 0;
    SplitRun(a[i], count, code);
    const Color colour = RegionToColor(code);
    const int64_t end = pos + count;
    while (pos < end) {
      const int64_t row = pos / w;
      const int64_t col = pos % w;
      const int64_t segment = std::min(end - pos, w - col);
      if (row >= bitmap.height()) return;
      if (col < bitmap.width()) {
        std::fill_n(bitmap.Row(static_cast<int>(row)) + col, std::min<int64_t>(segment, bitmap.width() - col),
                    colour);
      }
      pos += segment;
    }
  }
}

MaskRowReader::MaskRowReader(const std::vector<int32_t>& runs, int32_t width, int32_t height)
    : runs_(runs),
      mask_width_(runs.size() >= 2 ? runs[0] : 0),
      mask_height_(runs.size() >= 2 ? std::min(runs[1], height) : 0),
      width_(width),
      own_(static_cast<size_t>(std::max(mask_width_, 0))),
      out_(static_cast<size_t>(std::max(width, 0))) {}

void MaskRowReader::NextOwnRow() {
  int32_t x = 0;
  while (x < mask_width_) {
    if (run_left_ == 0) {
      if (run_ >= runs_.size()) break;  // runs ending early leave the rest 0
      SplitRun(runs_[run_++], run_left_, run_code_);
      continue;
    }
    const int32_t n = std::min(run_left_, mask_width_ - x);
    std::fill_n(own_.begin() + x, n, static_cast<uint8_t>(run_code_));
    x += n;
    run_left_ -= n;
  }
  std::fill(own_.begin() + x, own_.end(), uint8_t{0});
  ++own_rows_;
}

const uint8_t* MaskRowReader::Row(int32_t y) {
  if (y == row_) return out_.data();
  row_ = y;
  if (y >= mask_height_) {
    std::fill(out_.begin(), out_.end(), uint8_t{0});
    return out_.data();
  }
  while (own_rows_ <= y) NextOwnRow();
  const int32_t n = std::min(width_, mask_width_);
  std::copy_n(own_.begin(), n, out_.begin());
  std::fill(out_.begin() + n, out_.end(), uint8_t{0});
  return out_.data();
}

void DecodeMask(const std::vector<int32_t>& a, Bitmap& bitmap, const std::string& name) {
  ValidateMask(a, name);
  bitmap.SetSize(a[0], a[1], 0);
  PaintMask(a, bitmap);
}

std::vector<int32_t> EncodeMask(const Bitmap& mask) {
  constexpr int32_t kLongestRun = std::numeric_limits<int32_t>::max() / 10;
  std::vector<int32_t> runs = {mask.width(), mask.height()};
  const Color* p = mask.data();
  const size_t n = mask.empty() ? 0 : mask.pixel_count();
  size_t i = 0;
  while (i < n) {
    const int code = ColorToRegion(p[i]);
    int32_t count = 0;
    while (i < n && count < kLongestRun && ColorToRegion(p[i]) == code) {
      ++count;
      ++i;
    }
    runs.push_back(count * 10 + code);
  }
  return runs;
}

std::array<int64_t, 5> CountRegions(const Bitmap& mask) {
  std::array<int64_t, 5> counts{};
  if (mask.empty()) return counts;
  const Color* p = mask.data();
  for (size_t i = 0; i < mask.pixel_count(); ++i) ++counts[static_cast<size_t>(ColorToRegion(p[i]))];
  return counts;
}

std::array<int64_t, 5> CountRegions(const std::vector<int32_t>& a) {
  std::array<int64_t, 5> counts{};
  if (a.size() < 2) return counts;
  int64_t total = 0;
  for (size_t i = 2; i < a.size(); ++i) {
    int32_t count = 0;
    int code = 0;
    SplitRun(a[i], count, code);
    counts[static_cast<size_t>(code)] += count;
    total += count;
  }
  counts[0] += int64_t{a[0]} * a[1] - total;
  return counts;
}

// ---- stream ----

void BoundedReader::Need(int64_t n, const char* what) const {
  if (n > Remaining()) {
    throw ReadError(Format("%s: %s (%s needs %lld bytes, %lld left)", path().c_str(),
                           kReadBeyondEnd, what, static_cast<long long>(n),
                           static_cast<long long>(Remaining())));
  }
}

void BoundedReader::ReadBuffer(void* destination, int64_t n) {
  if (n <= 0) return;
  Need(n, "read");
  range_.Read(pos_, destination, n);
  pos_ += n;
}

int32_t BoundedReader::ReadInteger() {
  char raw[4];
  ReadBuffer(raw, 4);
  return GetInt32(raw);
}

std::string BoundedReader::ReadSignature(int n) {
  std::string s(static_cast<size_t>(n), '\0');
  ReadBuffer(s.data(), n);
  return s;
}

void BoundedReader::ReadToStream(std::string& stream, int32_t n, const char* what) {
  if (n < 0) throw FormatError(path(), Format("negative length (%d) of the %s", n, what));
  Need(n, what);
  stream.assign(static_cast<size_t>(n), '\0');
  ReadBuffer(stream.data(), n);
}

std::string BoundedReader::ReadString(const char* what) {
  const int32_t n = ReadInteger();
  std::string s;
  ReadToStream(s, n, what);
  return s;
}

// ---- loader ----

void PackedImageReader::LoadHeader(BoundedReader& stream) {
  const std::string& path = stream.path();
  if (stream.ReadSignature(kPackedImageSignatureLength) != kPackedImageSignature) {
    throw ProjectFileError(path);
  }
  Title = stream.ReadString("title");
  Artist = stream.ReadString("artist");
  std::string jpeg;
  stream.ReadToStream(jpeg, stream.ReadInteger(), "thumbnail");
  ThumbnailBytes = static_cast<int32_t>(jpeg.size());
  Thumbnail = DecodeJpeg(jpeg, path + " (thumbnail)", Limits);
}

void PackedImageReader::LoadHeader(const ByteRange& bytes) {
  BoundedReader stream(bytes);
  LoadHeader(stream);
}

void PackedImageReader::LoadWaves(BoundedReader& stream) {
  RegionCount = stream.ReadInteger();
  if (RegionCount < 0 || RegionCount > kRegionCount) {
    throw FormatError(stream.path(), Format("region count %d (0 to 4 allowed)", RegionCount));
  }
  char record[kWaveRecordSize];
  for (int i = 0; i < RegionCount; ++i) {
    stream.ReadBuffer(record, kWaveRecordSize);
    WaveParams[static_cast<size_t>(i)] = ParseWaveParam(record);
  }
}

void PackedImageReader::LoadSize(const ByteRange& bytes) {
  const std::string& path = bytes.name();
  BoundedReader stream(bytes);
  LoadHeader(stream);
  LoadWaves(stream);
  const int32_t m = stream.ReadInteger();
  if (m < 2) throw FormatError(path, Format("mask of %d integers; at least 2 needed", m));
  const int32_t width = stream.ReadInteger();
  const int32_t height = stream.ReadInteger();
  MaskRuns = {width, height};
  if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    throw FormatError(
        path, Format("mask size %d x %d is outside 0 .. %d", width, height, kMaxPictureSide));
  }
}

void PackedImageReader::Load(const ByteRange& bytes) {
  const std::string& path = bytes.name();
  BoundedReader stream(bytes);
  LoadHeader(stream);
  LoadWaves(stream);

  const int32_t m = stream.ReadInteger();
  if (m < 0) throw FormatError(path, Format("negative mask length (%d)", m));
  if (int64_t{m} * 4 > stream.Remaining()) {
    throw ReadError(Format("%s: %s (mask of %d integers, %lld bytes left)", path.c_str(),
                           kReadBeyondEnd, m, static_cast<long long>(stream.Remaining())));
  }
  std::string raw;
  stream.ReadToStream(raw, m * 4, "mask");
  MaskRuns.resize(static_cast<size_t>(m));
  for (int32_t i = 0; i < m; ++i) MaskRuns[static_cast<size_t>(i)] = GetInt32(raw.data() + 4 * i);
  raw.clear();
  raw.shrink_to_fit();
  ValidateMask(MaskRuns, path + " (mask)");

  std::string jpeg;
  stream.ReadToStream(jpeg, stream.ReadInteger(), "picture");
  PictureBytes = static_cast<int32_t>(jpeg.size());
  Picture = DecodeJpeg(jpeg, path + " (picture)", Limits);

  SoundFile = stream.ReadString("sound file name");
  char weather[kWeatherRecordSize];
  stream.ReadBuffer(weather, kWeatherRecordSize);
  WeatherParam = ParseWeatherParam(weather);
}

// ---- writer ----

std::string EncodePackedImage(const PackedImageData& d) {
  constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  auto append_string = [](std::string& out, const std::string& s, const char* what) {
    if (s.size() > kMax) throw FormatError(what, "too large for a packed image");
    AppendInt32(out, static_cast<int32_t>(s.size()));
    out += s;
  };
  if (d.MaskRuns.size() > kMax / 4) throw FormatError("mask", "too many runs for a packed image");
  std::string out = kPackedImageSignature;
  append_string(out, d.Title, "title");
  append_string(out, d.Artist, "artist");
  append_string(out, d.ThumbnailJpeg, "thumbnail");
  AppendInt32(out, kRegionCount);
  for (const WaveSettings& w : d.WaveParams) AppendWaveParam(out, w);
  AppendInt32(out, static_cast<int32_t>(d.MaskRuns.size()));
  for (int32_t v : d.MaskRuns) AppendInt32(out, v);
  append_string(out, d.PictureJpeg, "picture");
  append_string(out, d.SoundFile, "sound file name");
  AppendWeatherParam(out, d.WeatherParam);
  return out;
}

void SavePackedImage(const std::string& path, const PackedImageData& data) {
  WriteFileAtomic(path, EncodePackedImage(data));
}

// ---- PackedImage ----

void PackedImage::ClearParts() {
  Loaded = false;
  Picture = Bitmap();
  Thumbnail = Bitmap();
  Mask = Bitmap();
  MaskRuns.clear();
  MaskWidth = MaskHeight = 0;
  WaveParams = {};
  WeatherParam = {};
}

void PackedImage::Load(const ByteRange& bytes) {
  ClearParts();
  PackedImageReader loader;
  loader.Limits = Limits;
  loader.Load(bytes);
  // The wave generator reads the mask at picture coordinates, so the mask is painted into a
  // bitmap of the picture's size: a larger mask is cut, a smaller one padded with region 0.
  if (KeepMaskRuns) {
    MaskRuns = std::move(loader.MaskRuns);
    MaskWidth = loader.Picture.width();
    MaskHeight = loader.Picture.height();
  } else {
    Bitmap mask(loader.Picture.width(), loader.Picture.height(), 0);
    PaintMask(loader.MaskRuns, mask);
    Mask = std::move(mask);
  }
  Picture = std::move(loader.Picture);
  Thumbnail = std::move(loader.Thumbnail);
  WaveParams = loader.WaveParams;
  WeatherParam = loader.WeatherParam;
  FileName = bytes.name();
  Title = loader.Title;
  Artist = loader.Artist;
  SoundFile = loader.SoundFile;
  Loaded = true;
}

void PackedImage::LoadHeader(const ByteRange& bytes) {
  ClearParts();
  PackedImageReader loader;
  loader.Limits = Limits;
  loader.LoadHeader(bytes);
  Thumbnail = std::move(loader.Thumbnail);
  FileName = bytes.name();
  Title = loader.Title;
  Artist = loader.Artist;
  Loaded = true;
}

}  // namespace lpc
