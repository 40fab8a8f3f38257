// Packed images (".lpp"): a picture with up to four water regions, their wave parameters, a
// weather setting and the name of a sound to loop while it shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/byte_range.h"
#include "imaging/picture.h"

namespace lpc {

inline constexpr char kPackedImageSignature[] = "LP060697";
inline constexpr int kPackedImageSignatureLength = 8;
inline constexpr int kWaveRecordSize = 32;
inline constexpr int kWeatherRecordSize = 24;
inline constexpr int kRegionCount = 4;

// The wave parameters of one water region (a 32-byte record in the file).
struct WaveSettings {
  int32_t Amplitude = 0;
  int32_t WaveCount = 0;
  int32_t PhaseStep = 0;
  int32_t Direction = 0;
  bool Horizontal = false;
  bool Vertical = false;
  bool Perspective = false;
  int32_t Period = 0;  // degrees
  int32_t JitterRange = 0;
  bool operator==(const WaveSettings&) const = default;
};

enum WeatherKind : int32_t { kWeatherNone = 0, kWeatherSnow = 1, kWeatherRain = 2 };

// The weather of a packed image (a 24-byte record in the file).
struct WeatherSettings {
  int32_t Kind = kWeatherNone;
  int32_t Count = 0;
  int32_t SpeedIndex = 0;  // into kSpeedTable
  int32_t Angle = 0;       // rain angle, degrees
  int32_t Length = 0;      // rain streak length, tenths
  bool operator==(const WeatherSettings&) const = default;
};

// The 32- and 24-byte records. Reading needs that many bytes at p; flags read non-zero as true,
// reserved bytes are ignored and written as zero.
WaveSettings ParseWaveParam(const char* p);
void AppendWaveParam(std::string& out, const WaveSettings& w);
WeatherSettings ParseWeatherParam(const char* p);
void AppendWeatherParam(std::string& out, const WeatherSettings& w);

// Region codes 0..4 as mask pixels: 1 blue, 2 magenta, 3 red, 4 yellow; 0 (and anything else)
// is no water.
Color RegionToColor(int code);
int ColorToRegion(Color pixel);

// ---- mask codec ----
// Mask integers: [0] width W, [1] height H, then runs v = count * 10 + code (code 0..4), in
// row-major order; a run carries on into the next row.
void SplitRun(int32_t v, int32_t& count, int& code);

// Checks the mask integers before anything is allocated: at least 2 integers, W and H from 0
// to kMaxPictureSide, no negative run, no code above 4, runs adding up to at most W x H.
// A fault is a FormatError naming `name`.
void ValidateMask(const std::vector<int32_t>& a, const std::string& name);
// Validates, sizes bitmap to W x H (all 0) and paints the runs as RegionToColor pixels. Runs
// that end before W x H leave the rest 0.
void DecodeMask(const std::vector<int32_t>& a, Bitmap& bitmap, const std::string& name = "mask");
// Paints validated runs (positions counted through the mask's own W x H) into bitmap, which may
// have another size: pixels outside it are dropped, pixels no run reaches are left as they are.
void PaintMask(const std::vector<int32_t>& a, Bitmap& bitmap);
// Runs for a mask bitmap (ColorToRegion of each pixel); a run too long for one integer is
// split.
std::vector<int32_t> EncodeMask(const Bitmap& mask);
// Pixels of each region code 0..4.
std::array<int64_t, 5> CountRegions(const Bitmap& mask);
// The same from validated mask integers, without expanding them; pixels no run reaches count
// as region 0.
std::array<int64_t, 5> CountRegions(const std::vector<int32_t>& a);

// Reads validated mask integers a row at a time as PaintMask paints them into a zeroed bitmap
// of width x height: region codes 0..4, cut or padded with 0. No mask-sized picture is made.
class MaskRowReader {
 public:
  // Keeps a reference to runs.
  MaskRowReader(const std::vector<int32_t>& runs, int32_t width, int32_t height);
  // The codes of row y (0 <= y < height); rows are read from the top down, never going back.
  const uint8_t* Row(int32_t y);

 private:
  // Decodes the mask's next row of its own width into own_.
  void NextOwnRow();

  const std::vector<int32_t>& runs_;
  int32_t mask_width_ = 0, mask_height_ = 0, width_ = 0;
  size_t run_ = 2;         // the run being read
  int32_t run_left_ = 0;   // its pixels not yet read
  int run_code_ = 0;
  int32_t own_rows_ = 0;   // mask rows decoded so far
  int32_t row_ = -1;       // the row held in out_
  std::vector<uint8_t> own_, out_;
};

// Checked sequential reads from a byte range. Every read that would pass its end is refused
// before anything is read or allocated: ReadError "<name>: Read beyond end of file".
class BoundedReader {
 public:
  explicit BoundedReader(ByteRange range) : range_(std::move(range)) {}
  void ReadBuffer(void* destination, int64_t n);
  int32_t ReadInteger();
  std::string ReadSignature(int n);
  // stream := the next n bytes. what names the field in the error for a negative n.
  void ReadToStream(std::string& stream, int32_t n, const char* what = "field");
  // A string field: 32-bit length, then that many bytes.
  std::string ReadString(const char* what);
  int64_t Remaining() const { return range_.size() - pos_; }
  const std::string& path() const { return range_.name(); }

 private:
  void Need(int64_t n, const char* what) const;
  ByteRange range_;
  int64_t pos_ = 0;
};

// Parses one packed-image file; one per load.
class PackedImageReader {
 public:
  std::string Title;
  std::string Artist;
  Bitmap Thumbnail;
  int32_t ThumbnailBytes = 0;  // length of the thumbnail JPEG stream
  int32_t RegionCount = 0;     // wave records stored, 0..4
  std::array<WaveSettings, 4> WaveParams{};
  std::vector<int32_t> MaskRuns;
  Bitmap Picture;
  int32_t PictureBytes = 0;
  std::string SoundFile;
  WeatherSettings WeatherParam{};
  // Bounds for the two JPEG streams.
  DecodeLimits Limits{};

  // Fields 1 to 13; both JPEG streams are decoded. Wrong signature: ProjectFileError naming
  // the file; anything malformed (a region count above 4, a negative length, a bad mask): a
  // FormatError naming it; a length past the end of the file: ReadError.
  void Load(const ByteRange& bytes);
  void LoadFromFile(const std::string& path) { Load(ByteRange::OfFile(path)); }
  // Signature, title, artist and thumbnail only.
  void LoadHeader(const ByteRange& bytes);
  void LoadHeaderFromFile(const std::string& path) { LoadHeader(ByteRange::OfFile(path)); }
  // The header, the wave records and the mask's size alone (MaskRuns holds its width and
  // height, which are the picture's as written): a picture's shape without decoding it.
  void LoadSize(const ByteRange& bytes);
  void LoadSizeFromFile(const std::string& path) { LoadSize(ByteRange::OfFile(path)); }

 private:
  void LoadHeader(BoundedReader& stream);
  void LoadWaves(BoundedReader& stream);
};

// Everything a packed-image file holds, ready for writing.
struct PackedImageData {
  std::string Title;
  std::string Artist;
  std::string ThumbnailJpeg;
  std::array<WaveSettings, 4> WaveParams{};
  std::vector<int32_t> MaskRuns;  // EncodeMask
  std::string PictureJpeg;
  std::string SoundFile;
  WeatherSettings WeatherParam{};
};
std::string EncodePackedImage(const PackedImageData& data);
// Writes atomically. Failure: IOError naming the path.
void SavePackedImage(const std::string& path, const PackedImageData& data);

// One loaded packed image.
class PackedImage {
 public:
  bool Loaded = false;
  std::string FileName;
  Bitmap Picture;
  Bitmap Thumbnail;
  Bitmap Mask;
  std::array<WaveSettings, 4> WaveParams{};
  WeatherSettings WeatherParam{};
  std::string Title;
  std::string Artist;
  std::string SoundFile;
  int32_t SpeedPercent = 100;
  // Bounds for the JPEG streams of a load.
  DecodeLimits Limits{};
  // A load keeps the mask as its runs (MaskRuns, read at MaskWidth x MaskHeight, the picture's
  // size as loaded) and leaves Mask empty: for a reader that only builds a region map from it.
  bool KeepMaskRuns = false;
  std::vector<int32_t> MaskRuns;
  int32_t MaskWidth = 0;
  int32_t MaskHeight = 0;

  // Full load. On any error the parts are left fresh and empty, Loaded false, and the error
  // passes on (FormatError / ReadError / FileNotFoundError / ProjectFileError).
  // A mask whose size differs from the picture's is cut or padded (region 0) to the picture's
  // size, so that every picture pixel has exactly one mask pixel.
  void Load(const ByteRange& bytes);
  void LoadFromFile(const std::string& path) { Load(ByteRange::OfFile(path)); }
  // Title, artist and thumbnail only; Picture and Mask stay empty.
  void LoadHeader(const ByteRange& bytes);
  void LoadHeaderFromFile(const std::string& path) { LoadHeader(ByteRange::OfFile(path)); }
  // Discards the loaded parts: empty bitmaps, zero parameters, Loaded false.
  void ClearParts();
  void SetSpeed(int32_t value) { SpeedPercent = value; }
  WaveSettings& GetWaveParam(int index) { return WaveParams.at(static_cast<size_t>(index)); }
  const WaveSettings& GetWaveParam(int index) const {
    return WaveParams.at(static_cast<size_t>(index));
  }
};

}  // namespace lpc
