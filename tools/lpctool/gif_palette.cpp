#include "gif_palette.h"

#include <libimagequant.h>

#include "base/errors.h"

namespace lpctool {

namespace {

void Check(liq_error e, const char* what) {
  if (e != LIQ_OK) throw lpc::Error(lpc::Format("GIF palette: %s failed (libimagequant error %d)", what, static_cast<int>(e)));
}

std::vector<unsigned char> Rgba(const lpc::Bitmap& b) {
  std::vector<unsigned char> out(b.pixel_count() * 4);
  unsigned char* p = out.data();
  for (size_t i = 0; i < b.pixel_count(); ++i) {
    const lpc::Color c = b.data()[i];
    *p++ = static_cast<unsigned char>(lpc::RedOf(c));
    *p++ = static_cast<unsigned char>(lpc::GreenOf(c));
    *p++ = static_cast<unsigned char>(lpc::BlueOf(c));
    *p++ = 255;
  }
  return out;
}

}  // namespace

struct GifPalette::State {
  int width = 0;
  int height = 0;
  bool dither = false;
  liq_attr* attr = nullptr;
  liq_histogram* histogram = nullptr;
  liq_result* result = nullptr;

  // An image over pixels that must outlive it.
  liq_image* Image(const std::vector<unsigned char>& rgba) const {
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), width, height, 0);
    if (!image) throw lpc::Error("GIF palette: the frame was refused");
    return image;
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
  state_->histogram = liq_histogram_create(state_->attr);
  if (!state_->histogram) throw lpc::Error("GIF palette: out of memory");
}

GifPalette::~GifPalette() {
  if (state_->result) liq_result_destroy(state_->result);
  if (state_->histogram) liq_histogram_destroy(state_->histogram);
  if (state_->attr) liq_attr_destroy(state_->attr);
}

void GifPalette::Add(const lpc::Bitmap& frame) {
  const std::vector<unsigned char> rgba = Rgba(frame);
  liq_image* image = state_->Image(rgba);
  const liq_error e = liq_histogram_add_image(state_->histogram, state_->attr, image);
  liq_image_destroy(image);
  Check(e, "counting colours");
}

std::vector<uint8_t> GifPalette::Remap(const lpc::Bitmap& frame) {
  if (!state_->result) {
    Check(liq_histogram_quantize(state_->histogram, state_->attr, &state_->result), "choosing colours");
    Check(liq_set_dithering_level(state_->result, state_->dither ? 1.0f : 0.0f), "setting dithering");
  }
  const std::vector<unsigned char> rgba = Rgba(frame);
  liq_image* image = state_->Image(rgba);
  std::vector<uint8_t> indices(frame.pixel_count());
  const liq_error e = liq_write_remapped_image(state_->result, image, indices.data(), indices.size());
  liq_image_destroy(image);
  Check(e, "remapping a frame");
  if (colours_.empty()) {
    // Remapping refines the palette a little; the first frame's refinement serves them all.
    const liq_palette* palette = liq_get_palette(state_->result);
    for (unsigned i = 0; i < palette->count; ++i) {
      const liq_color& c = palette->entries[i];
      colours_.push_back(lpc::MakeColor(c.r, c.g, c.b));
    }
  }
  return indices;
}

}  // namespace lpctool
