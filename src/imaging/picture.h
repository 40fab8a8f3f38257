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
// that ends early is an error ("Premature end of JPEG file"), not a half-grey picture.
Bitmap DecodeJpeg(std::string_view bytes, const std::string& name);
// Windows bitmap: 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down rows, bit-field
// masks, RLE8 and RLE4; info headers of 12 (OS/2), 40, 52, 56, 64, 108 and 124 bytes. Palette
// indices past the palette and pixels an RLE stream skips are black.
Bitmap DecodeBmp(std::string_view bytes, const std::string& name);
// GIF through giflib: the first frame drawn on its logical screen; transparent pixels and the
// screen outside the frame's rectangle are black (the background colour index is ignored).
Bitmap DecodeGif(std::string_view bytes, const std::string& name);
// PNG through libpng (authoring tool only); alpha is composed onto black, 16-bit samples are
// taken as sRGB-encoded when the file says nothing else. Builds without libpng
// (the Windows runtime) refuse PNG with a FormatError.
Bitmap DecodePng(std::string_view bytes, const std::string& name);

// A tighter budget than the fixed side limit, for callers that decode untrusted data in bulk
// (fuzzers, thumbnail previews): a picture with more pixels than max_pixels is refused before
// its pixels are allocated.
struct DecodeLimits {
  int64_t max_pixels = int64_t{kMaxPictureSide} * kMaxPictureSide;
};
Bitmap DecodeJpeg(std::string_view bytes, const std::string& name, const DecodeLimits& limits);
Bitmap DecodeBmp(std::string_view bytes, const std::string& name, const DecodeLimits& limits);
Bitmap DecodeGif(std::string_view bytes, const std::string& name, const DecodeLimits& limits);
Bitmap DecodePng(std::string_view bytes, const std::string& name, const DecodeLimits& limits);

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
std::string EncodePng(const Bitmap& bitmap);  // 8-bit RGB
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
