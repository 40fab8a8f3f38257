// Picture decoding and encoding. Every decoder treats its input as hostile: sizes are checked
// before anything is allocated and pictures larger than kMaxPictureSide on a side are refused.
// Errors are FormatError naming `name` (usually the file path) and the fault.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bitmap.h"

namespace lpc {

// JPEG (JFIF) through libjpeg-turbo, full size, full colour; grey and CMYK become RGB. A stream
// that ends early is an error ("Premature end of JPEG file"), not a half-grey picture. A
// progressive stream may hold only as many scans as MaxJpegScans allows for its size.
Bitmap DecodeJpeg(std::string_view bytes, const std::string& name);
// Windows bitmap: 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down rows, bit-field
// masks, RLE8 and RLE4; info headers of 12 (OS/2), 40, 52, 56, 64, 108 and 124 bytes. Palette
// indices past the palette and pixels an RLE stream skips are black.
Bitmap DecodeBmp(std::string_view bytes, const std::string& name);
// GIF through giflib: the first frame, on the part of its logical screen the frame covers (a
// frame reaching past the screen is cut at its edge; one wholly outside it, or a screen of
// size zero, gives the frame as it is). The canvas is never larger than the frame itself, so
// a huge logical screen around a small frame costs nothing. Transparent pixels are black (the
// background colour index is ignored).
Bitmap DecodeGif(std::string_view bytes, const std::string& name);
// PNG through libpng (authoring tool only); alpha is composed onto black, 16-bit samples are
// taken as sRGB-encoded when the file says nothing else. Builds without libpng
// (the Windows runtime) refuse PNG with a FormatError.
Bitmap DecodePng(std::string_view bytes, const std::string& name);

// A tighter budget than the fixed side limit, for callers that decode untrusted data in bulk
// (fuzzers, thumbnail previews) or on an author's behalf: a picture with more pixels than
// max_pixels is refused before its pixels are allocated.
struct DecodeLimits {
  int64_t max_pixels = int64_t{kMaxPictureSide} * kMaxPictureSide;
  // Damaged JPEG data (libjpeg's "Corrupt JPEG data" warnings: extraneous bytes, a bad Huffman
  // code, a data segment cut short by a marker) is an error instead of a picture with a grey or
  // smeared part. The show keeps drawing what it can; authoring refuses such a file.
  bool refuse_damaged = false;
};

// Largest picture the authoring tool takes in, in pixels: a 100-megapixel camera's photograph
// fits, a small file claiming a huge picture costs nothing. Sides stay at most kMaxPictureSide.
inline constexpr int64_t kMaxAuthoringPixels = 100'000'000;
// The limits of everything an author's pictures pass through: the pixel budget above and
// damaged JPEG data refused.
inline constexpr DecodeLimits kAuthoringLimits{kMaxAuthoringPixels, true};

// The largest number of pixels the readers' budget check (the one gate every decoder passes
// before it allocates a picture, a frame or a canvas) has let through since the last reset.
// For tests and benchmarks: what a hostile file makes a reader allocate, without timing it.
int64_t LargestPixelRequest();
void ResetLargestPixelRequest();

Bitmap DecodeJpeg(std::string_view bytes, const std::string& name, const DecodeLimits& limits);
Bitmap DecodeBmp(std::string_view bytes, const std::string& name, const DecodeLimits& limits);
Bitmap DecodeGif(std::string_view bytes, const std::string& name, const DecodeLimits& limits);
// `transparent`, when given, is set to whether any pixel was less than opaque (before it was
// composed onto black).
Bitmap DecodePng(std::string_view bytes, const std::string& name, const DecodeLimits& limits,
                 bool* transparent = nullptr);

// The same, turned upright as an EXIF orientation of 2 to 8 says (1 or anything else: as
// stored). Each row goes from the decoder straight to its place, so the picture is held once.
Bitmap DecodeJpegUpright(std::string_view bytes, const std::string& name, int orientation,
                         const DecodeLimits& limits = {});

// Scans a progressive JPEG of this many pixels may hold. Every scan walks the whole picture, so
// the bound shrinks as the picture grows: 100 for a photograph, 20 at 100 megapixels, never
// below the 12 that encoders write at most for their own progressions.
int MaxJpegScans(int64_t pixels);

// JPEG for thumbnails: decoded at the smallest of libjpeg-turbo's 1/8, 1/4 and 1/2 scales whose
// output still covers min_width x min_height, or at full size when none does (or when either
// minimum is 0 or less). Limits and errors as for DecodeJpeg; they count the full size.
Bitmap DecodeJpegScaled(std::string_view bytes, const std::string& name, int min_width,
                        int min_height, const DecodeLimits& limits = {});

// Largest picture file LoadPicture reads.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t{512} << 20;

// Loads a picture file, decoder chosen by the upper-cased extension: ".JPG"/".JPEG", ".BMP",
// ".GIF", ".PNG". Another extension is a FormatError; a missing file a FileNotFoundError.
Bitmap LoadPicture(const std::string& path);
// Decodes bytes as the picture kind that `name`'s extension says.
Bitmap DecodePicture(std::string_view bytes, const std::string& name);

// Encoders throw Error for an empty bitmap (or one too large for the format).
std::string EncodeJpeg(const Bitmap& bitmap, int quality = 90);  // quality clamped to 1..100
std::string EncodePng(const Bitmap& bitmap);                     // 8-bit RGB
// The same, compressed for speed rather than size (frame dumps).
std::string EncodePngFast(const Bitmap& bitmap);
std::string EncodeBmp(const Bitmap& bitmap);  // 24-bit, bottom-up
// Writes a picture by extension (".JPG", ".PNG", ".BMP"), atomically.
void SavePicture(const std::string& path, const Bitmap& bitmap);

// An animated GIF of equally sized frames, delay in hundredths of a second, looping forever.
std::string EncodeGifAnimation(const std::vector<Bitmap>& frames, int delay_centiseconds);
// The same for frames already reduced to one palette (at most 255 colours; the last index is
// taken for "as before"): each frame after the first stores only the rectangle that changed,
// with unchanged pixels transparent, which keeps water animations small.
std::string EncodeGifAnimation(int width, int height, const std::vector<Color>& palette,
                               const std::vector<std::vector<uint8_t>>& frames,
                               int delay_centiseconds);

// The same, one frame at a time: the bytes encoded so far can be taken between frames, so a
// long animation is written out as it is made instead of kept whole in memory. The bytes of
// TakeBytes calls and Finish, in order, make the same file as EncodeGifAnimation.
class GifAnimationEncoder {
 public:
  GifAnimationEncoder(int width, int height, const std::vector<Color>& palette,
                      int delay_centiseconds);
  ~GifAnimationEncoder();
  GifAnimationEncoder(const GifAnimationEncoder&) = delete;
  GifAnimationEncoder& operator=(const GifAnimationEncoder&) = delete;

  // Throws Error for a frame of another size or with an index outside the palette.
  void CheckFrame(const std::vector<uint8_t>& frame) const;
  void Add(const std::vector<uint8_t>& frame);
  std::string TakeBytes();
  // The last bytes, with the trailer; at least one frame must have been added.
  std::string Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace lpc
