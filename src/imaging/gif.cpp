// GIF decoding (first frame) and animated GIF encoding through giflib, from and to memory.
//
// The decoder reads record by record instead of slurping the whole file: giflib's slurp
// allocates every frame of a file before we could look at a single size.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "imaging/decode_common.h"
#include "imaging/picture.h"

namespace lpc {
namespace {

struct MemoryInput {
  const GifByteType* data;
  size_t left;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* in = static_cast<MemoryInput*>(gif->UserData);
  const size_t n = std::min(in->left, static_cast<size_t>(std::max(length, 0)));
  std::memcpy(buffer, in->data, n);
  in->data += n;
  in->left -= n;
  return static_cast<int>(n);
}

int WriteToMemory(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::string*>(gif->UserData);
  out->append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
  return length;
}

struct DecoderCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using DecoderPtr = std::unique_ptr<GifFileType, DecoderCloser>;

struct EncoderCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

std::string GifMessage(int code) {
  const char* text = GifErrorString(code);
  return text ? text : Format("GIF error %d", code);
}

// Our reader only fails at the end of the data; giflib's text for that speaks of a file.
std::string DecoderMessage(int code) {
  return code == D_GIF_ERR_READ_FAILED ? "unexpected end of GIF data" : GifMessage(code);
}

[[noreturn]] void Fail(const std::string& name, const GifFileType* gif) {
  throw FormatError(name, DecoderMessage(gif->Error));
}

// An animated GIF written to memory: the screen description and the endless-loop extension
// at the start, frames with their timing, the trailer at Finish.
class GifWriter {
 public:
  GifWriter(int width, int height, const ColorMapObject* global_map) {
    int error = 0;
    gif_.reset(EGifOpen(&out_, WriteToMemory, &error));
    if (!gif_) throw Error("GIF encoder: " + GifMessage(error));
    EGifSetGifVersion(gif_.get(), true);
    Check(EGifPutScreenDesc(gif_.get(), width, height, 8, 0, global_map));
    static const unsigned char kLoop[3] = {1, 0, 0};
    Check(EGifPutExtensionLeader(gif_.get(), APPLICATION_EXT_FUNC_CODE));
    Check(EGifPutExtensionBlock(gif_.get(), 11, "NETSCAPE2.0"));
    Check(EGifPutExtensionBlock(gif_.get(), 3, kLoop));
    Check(EGifPutExtensionTrailer(gif_.get()));
  }

  // A frame's timing and transparent index, then its rectangle (a null map uses the global one).
  void StartFrame(int delay_centiseconds, int transparent, int left, int top, int width, int height,
                  const ColorMapObject* map) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delay_centiseconds;
    control.TransparentColor = transparent;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    Check(
        EGifPutExtension(gif_.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));
    Check(EGifPutImageDesc(gif_.get(), left, top, width, height, false, map));
  }

  void PutLine(GifByteType* line, int length) { Check(EGifPutLine(gif_.get(), line, length)); }

  // The bytes written since the last call.
  std::string Take() {
    std::string taken;
    taken.swap(out_);
    return taken;
  }

  // Closing writes the trailer; the string must outlive the encoder.
  std::string Finish() {
    int error = 0;
    if (EGifCloseFile(gif_.release(), &error) == GIF_ERROR) {
      throw Error("GIF encoder: " + GifMessage(error));
    }
    return std::move(out_);
  }

 private:
  void Check(int result) {
    if (result == GIF_ERROR) throw Error("GIF encoder: " + GifMessage(gif_->Error));
  }

  std::string out_;
  std::unique_ptr<GifFileType, EncoderCloser> gif_;
};

// A rectangle of the logical screen.
struct Rect {
  int64_t left, top, right, bottom;
  bool empty() const { return right <= left || bottom <= top; }
};

// Draws the frame's rows onto the canvas, whose top left corner is at (origin_x, origin_y) of
// the screen; what falls outside the canvas is read and dropped. Interlaced frames store rows
// 0, 8, 16, ... first, then 4, 12, ..., then 2, 6, ..., then the odd rows.
void ReadFrame(GifFileType* gif, const ColorMapObject* map, int transparent, int64_t origin_x,
               int64_t origin_y, Bitmap* canvas, const std::string& name) {
  const GifImageDesc& d = gif->Image;
  std::vector<GifPixelType> line(static_cast<size_t>(d.Width));
  std::vector<Color> colours(256, 0);
  for (int i = 0; i < map->ColorCount && i < 256; ++i) {
    colours[static_cast<size_t>(i)] =
        MakeColor(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
  }
  if (transparent >= 0 && transparent < 256) colours[static_cast<size_t>(transparent)] = 0;

  // The columns of the line that land on the canvas.
  const int64_t shift = d.Left - origin_x;
  const int64_t first = std::max<int64_t>(0, -shift);
  const int64_t last = std::min<int64_t>(d.Width, canvas->width() - shift);
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  const int passes = d.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = d.Interlace ? kStart[pass] : 0;
    const int step = d.Interlace ? kStep[pass] : 1;
    for (int row = start; row < d.Height; row += step) {
      if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) Fail(name, gif);
      const int64_t y = d.Top + row - origin_y;
      if (y < 0 || y >= canvas->height()) continue;
      Color* target = canvas->Row(static_cast<int>(y));
      for (int64_t x = first; x < last; ++x) {
        target[shift + x] = colours[line[static_cast<size_t>(x)]];
      }
    }
  }
}

}  // namespace

Bitmap DecodeGif(std::string_view bytes, const std::string& name) {
  return DecodeGif(bytes, name, DecodeLimits{});
}

Bitmap DecodeGif(std::string_view bytes, const std::string& name, const DecodeLimits& limits) {
  if (bytes.empty()) throw FormatError(name, "empty GIF file");
  MemoryInput input{reinterpret_cast<const GifByteType*>(bytes.data()), bytes.size()};
  int error = 0;
  DecoderPtr gif(DGifOpen(&input, ReadFromMemory, &error));
  if (!gif) throw FormatError(name, DecoderMessage(error));

  GraphicsControlBlock control{};
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) Fail(name, gif.get());
    if (type == TERMINATE_RECORD_TYPE) throw FormatError(name, "GIF file holds no picture");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) Fail(name, gif.get());
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        DGifExtensionToGCB(block[0], block + 1, &control);
      }
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) Fail(name, gif.get());
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;

    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Fail(name, gif.get());
    const GifImageDesc& d = gif->Image;
    // The frame's pixels pass one line at a time, but every one of them is decoded.
    if (d.Width > kMaxPictureSide || d.Height > kMaxPictureSide ||
        int64_t{d.Width} * d.Height > limits.max_pixels) {
      throw FormatError(name, Format("GIF frame too large (%d x %d)", d.Width, d.Height));
    }
    // The canvas is the frame's own rectangle cut to the screen, never the whole screen: a
    // huge logical screen around a small frame would otherwise cost gigabytes of black.
    const Rect frame{d.Left, d.Top, int64_t{d.Left} + d.Width, int64_t{d.Top} + d.Height};
    Rect canvas_rect = frame;
    if (gif->SWidth > 0 && gif->SHeight > 0) {
      const Rect cut{std::max<int64_t>(frame.left, 0), std::max<int64_t>(frame.top, 0),
                     std::min<int64_t>(frame.right, gif->SWidth),
                     std::min<int64_t>(frame.bottom, gif->SHeight)};
      if (!cut.empty()) canvas_rect = cut;
    }
    const int64_t width = canvas_rect.right - canvas_rect.left;
    const int64_t height = canvas_rect.bottom - canvas_rect.top;
    imaging_detail::CheckPictureSize(width, height, name, limits);
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr) {
      throw FormatError(name, "GIF frame has no colour table");
    }
    Bitmap canvas(static_cast<int>(width), static_cast<int>(height), 0);
    ReadFrame(gif.get(), map, control.TransparentColor, canvas_rect.left, canvas_rect.top, &canvas,
              name);
    return canvas;
  }
}

std::string EncodeGifAnimation(const std::vector<Bitmap>& frames, int delay_centiseconds) {
  if (frames.empty()) throw Error("an animation needs at least one frame");
  const int width = frames[0].width();
  const int height = frames[0].height();
  if (frames[0].empty() || width > 65535 || height > 65535) {
    throw Error(Format("cannot encode a %d x %d animation frame", width, height));
  }
  for (const Bitmap& f : frames) {
    if (f.width() != width || f.height() != height) {
      throw Error("animation frames differ in size");
    }
  }
  delay_centiseconds = std::clamp(delay_centiseconds, 0, 65535);

  GifWriter writer(width, height, nullptr);
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), indices(pixels);
  for (const Bitmap& frame : frames) {
    for (size_t i = 0; i < pixels; ++i) {
      const Color c = frame.data()[i];
      red[i] = static_cast<GifByteType>(RedOf(c));
      green[i] = static_cast<GifByteType>(GreenOf(c));
      blue[i] = static_cast<GifByteType>(BlueOf(c));
    }
    GifColorType palette[256] = {};
    int palette_size = 256;
    if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height),
                          &palette_size, red.data(), green.data(), blue.data(), indices.data(),
                          palette) == GIF_ERROR) {
      throw Error("GIF encoder: the frame's colours could not be reduced");
    }
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(256, palette));
    if (!map) throw Error("GIF encoder: out of memory");

    writer.StartFrame(delay_centiseconds, NO_TRANSPARENT_COLOR, 0, 0, width, height, map.get());
    for (int y = 0; y < height; ++y) {
      writer.PutLine(indices.data() + static_cast<size_t>(y) * width, width);
    }
  }
  return writer.Finish();
}

struct GifAnimationEncoder::State {
  State(int w, int h, const ColorMapObject* map, size_t colours, int delay)
      : writer(w, h, map), width(w), height(h), palette_size(colours), delay_centiseconds(delay) {}
  GifWriter writer;
  int width, height;
  size_t palette_size;
  int delay_centiseconds;
  std::vector<uint8_t> before;
  std::vector<GifByteType> line;
  bool finished = false;
};

GifAnimationEncoder::GifAnimationEncoder(int width, int height, const std::vector<Color>& palette,
                                         int delay_centiseconds) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535) {
    throw Error(Format("cannot encode a %d x %d animation frame", width, height));
  }
  if (palette.empty() || palette.size() > 255) throw Error("a GIF palette holds 1 to 255 colours");
  GifColorType colours[256] = {};
  for (size_t i = 0; i < palette.size(); ++i) {
    colours[i] = {static_cast<GifByteType>(RedOf(palette[i])),
                  static_cast<GifByteType>(GreenOf(palette[i])),
                  static_cast<GifByteType>(BlueOf(palette[i]))};
  }
  std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(256, colours));
  if (!map) throw Error("GIF encoder: out of memory");
  state_ = std::make_unique<State>(width, height, map.get(), palette.size(),
                                   std::clamp(delay_centiseconds, 0, 65535));
  state_->line.resize(static_cast<size_t>(width));
}

GifAnimationEncoder::~GifAnimationEncoder() = default;

void GifAnimationEncoder::CheckFrame(const std::vector<uint8_t>& frame) const {
  if (frame.size() != static_cast<size_t>(state_->width) * static_cast<size_t>(state_->height)) {
    throw Error("animation frames differ in size");
  }
  if (!frame.empty() && *std::max_element(frame.begin(), frame.end()) >= state_->palette_size) {
    throw Error("animation frame uses a colour outside its palette");
  }
}

void GifAnimationEncoder::Add(const std::vector<uint8_t>& frame) {
  if (state_->finished) throw Error("GIF encoder: frame after the end of the animation");
  CheckFrame(frame);
  constexpr int kUnchanged = 255;
  State& s = *state_;
  const int width = s.width, height = s.height;
  const std::vector<uint8_t>* before = s.before.empty() ? nullptr : &s.before;
  // The rectangle that changed; a frame equal to the one before keeps one pixel.
  int x0 = 0, y0 = 0, x1 = width, y1 = height;
  if (before) {
    x0 = width, y0 = height, x1 = 0, y1 = 0;
    for (int y = 0; y < height; ++y) {
      const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
      const uint8_t* now = frame.data() + row;
      const uint8_t* then = before->data() + row;
      if (std::memcmp(now, then, static_cast<size_t>(width)) == 0) continue;
      int first = 0, last = width - 1;
      while (now[first] == then[first]) ++first;
      while (now[last] == then[last]) --last;
      x0 = std::min(x0, first), x1 = std::max(x1, last + 1), y0 = std::min(y0, y), y1 = y + 1;
    }
    if (x0 >= x1) x0 = 0, y0 = 0, x1 = 1, y1 = 1;
  }
  s.writer.StartFrame(s.delay_centiseconds, before ? kUnchanged : NO_TRANSPARENT_COLOR, x0, y0,
                      x1 - x0, y1 - y0, nullptr);
  for (int y = y0; y < y1; ++y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = x0; x < x1; ++x) {
      const uint8_t i = frame[row + static_cast<size_t>(x)];
      s.line[static_cast<size_t>(x - x0)] =
          before && i == (*before)[row + static_cast<size_t>(x)] ? kUnchanged : i;
    }
    s.writer.PutLine(s.line.data(), x1 - x0);
  }
  s.before = frame;
}

std::string GifAnimationEncoder::TakeBytes() {
  return state_->finished ? std::string() : state_->writer.Take();
}

std::string GifAnimationEncoder::Finish() {
  if (state_->finished) return std::string();
  if (state_->before.empty()) throw Error("an animation needs at least one frame");
  state_->finished = true;
  return state_->writer.Finish();
}

std::string EncodeGifAnimation(int width, int height, const std::vector<Color>& palette,
                               const std::vector<std::vector<uint8_t>>& frames,
                               int delay_centiseconds) {
  if (frames.empty()) throw Error("an animation needs at least one frame");
  GifAnimationEncoder encoder(width, height, palette, delay_centiseconds);
  // Every frame is checked before the first is encoded: a bad one costs no work.
  for (const auto& f : frames) encoder.CheckFrame(f);
  for (const auto& f : frames) encoder.Add(f);
  return encoder.Finish();
}

}  // namespace lpc
