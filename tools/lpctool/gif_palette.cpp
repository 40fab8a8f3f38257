#include "gif_palette.h"

#include <libimagequant.h>

#include <algorithm>

#include "base/errors.h"

namespace lpctool {

namespace {

void Check(liq_error e, const char* what) {
  if (e != LIQ_OK) throw lpc::Error(lpc::Format("GIF palette: %s failed (libimagequant error %d)", what, static_cast<int>(e)));
}

void AppendRgba(lpc::Color c, std::vector<unsigned char>* out) {
  out->push_back(static_cast<unsigned char>(lpc::RedOf(c)));
  out->push_back(static_cast<unsigned char>(lpc::GreenOf(c)));
  out->push_back(static_cast<unsigned char>(lpc::BlueOf(c)));
  out->push_back(255);
}

std::vector<unsigned char> Rgba(const lpc::Color* pixels, size_t count) {
  std::vector<unsigned char> out;
  out.reserve(count * 4);
  for (size_t i = 0; i < count; ++i) AppendRgba(pixels[i], &out);
  return out;
}

// Marks a colour whose index is not known yet; a palette holds at most 255 colours, 0 to 254.
constexpr uint8_t kUnknown = 255;

constexpr int64_t kCarefulPixels = 640 * 400;
constexpr int kQuickSpeed = 8;

}  // namespace

struct GifPalette::State {
  int width = 0;
  int height = 0;
  bool dither = false;
  liq_attr* attr = nullptr;
  liq_histogram* histogram = nullptr;
  liq_result* result = nullptr;
  // Without dithering a pixel's index depends on its colour alone: the index of every colour
  // seen so far (by its 24 bits), and the frame before with its indices. The still land and
  // the water's moved colours then cost a look-up instead of a search of the palette.
  std::vector<uint8_t> index_of;
  lpc::Bitmap before;
  std::vector<uint8_t> before_indices;
  std::vector<lpc::Color> missing;

  // An image over pixels that must outlive it.
  liq_image* Image(const std::vector<unsigned char>& rgba, int w, int h) const {
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), w, h, 0);
    if (!image) throw lpc::Error("GIF palette: the frame was refused");
    return image;
  }

  // libimagequant's indices for w x h pixels.
  void LibraryRemap(const lpc::Color* pixels, int w, int h, std::vector<uint8_t>* indices) const {
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    const std::vector<unsigned char> rgba = Rgba(pixels, count);
    liq_image* image = Image(rgba, w, h);
    indices->resize(count);
    const liq_error e = liq_write_remapped_image(result, image, indices->data(), indices->size());
    liq_image_destroy(image);
    Check(e, "remapping a frame");
  }

  // The indices of a frame from those known, asking the library only for new colours.
  void CachedRemap(const lpc::Bitmap& frame, std::vector<uint8_t>* out) {
    const size_t n = frame.pixel_count();
    const lpc::Color* now = frame.data();
    out->resize(n);
    uint8_t* indices = out->data();
    missing.clear();
    for (size_t i = 0; i < n; ++i) {
      if (now[i] == before.data()[i]) {
        indices[i] = before_indices[i];
      } else {
        indices[i] = index_of[now[i] & 0xFFFFFF];
        if (indices[i] == kUnknown) missing.push_back(now[i] & 0xFFFFFF);
      }
    }
    if (!missing.empty()) {
      std::sort(missing.begin(), missing.end());
      missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
      std::vector<uint8_t> found;
      LibraryRemap(missing.data(), static_cast<int>(missing.size()), 1, &found);
      for (size_t k = 0; k < missing.size(); ++k) index_of[missing[k]] = found[k];
      for (size_t i = 0; i < n; ++i) {
        if (indices[i] == kUnknown) indices[i] = index_of[now[i] & 0xFFFFFF];
      }
    }
  }
};

GifPalette::GifPalette(int width, int height, bool dither) : state_(std::make_unique<State>()) {
  state_->width = width;
  state_->height = height;
  state_->dither = dither;
  state_->attr = liq_attr_create();
  if (!state_->attr) throw lpc::Error("GIF palette: out of memory");
  // One index stays free for "as in the frame before".
  Check(liq_set_max_colors(state_->attr, 255), "setting the colour count");
  // libimagequant's default search for the palette takes seconds on a photograph's frames for
  // a few tenths of a dB; a quicker one is as good to look at the water with. Small pictures
  // cost milliseconds either way and keep the finer palette.
  if (int64_t{width} * height > kCarefulPixels) {
    Check(liq_set_speed(state_->attr, kQuickSpeed), "setting the speed");
  }
  state_->histogram = liq_histogram_create(state_->attr);
  if (!state_->histogram) throw lpc::Error("GIF palette: out of memory");
}

GifPalette::~GifPalette() {
  if (state_->result) liq_result_destroy(state_->result);
  if (state_->histogram) liq_histogram_destroy(state_->histogram);
  if (state_->attr) liq_attr_destroy(state_->attr);
}

void GifPalette::Add(const lpc::Bitmap& frame) {
  if (!state_->histogram)
    throw lpc::Error("GIF palette: a frame added after the colours were chosen");
  const std::vector<unsigned char> rgba = Rgba(frame.data(), frame.pixel_count());
  liq_image* image = state_->Image(rgba, state_->width, state_->height);
  const liq_error e = liq_histogram_add_image(state_->histogram, state_->attr, image);
  liq_image_destroy(image);
  Check(e, "counting colours");
}

void GifPalette::Remap(const lpc::Bitmap& frame, std::vector<uint8_t>* indices) {
  State& s = *state_;
  if (!s.result) {
    Check(liq_histogram_quantize(s.histogram, s.attr, &s.result), "choosing colours");
    Check(liq_set_dithering_level(s.result, s.dither ? 1.0f : 0.0f), "setting dithering");
    // The colours are counted; the histogram's memory is better spent on the frames.
    liq_histogram_destroy(s.histogram);
    s.histogram = nullptr;
  }
  if (!s.dither && !s.before.empty()) {
    s.CachedRemap(frame, indices);
  } else {
    s.LibraryRemap(frame.data(), s.width, s.height, indices);
    if (colours_.empty()) {
      // Remapping refines the palette a little; the first frame's refinement serves them all.
      const liq_palette* palette = liq_get_palette(s.result);
      for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& c = palette->entries[i];
        colours_.push_back(lpc::MakeColor(c.r, c.g, c.b));
      }
    }
    if (s.dither) return;
    s.index_of.assign(size_t{1} << 24, kUnknown);
    for (size_t i = 0; i < indices->size(); ++i) {
      s.index_of[frame.data()[i] & 0xFFFFFF] = (*indices)[i];
    }
  }
  s.before = frame;
  s.before_indices = *indices;
}

}  // namespace lpctool
