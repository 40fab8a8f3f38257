// One palette for a whole animation, from libimagequant: the frames of a water animation share
// almost all their colours, so a global palette keeps still parts from flickering between frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/bitmap.h"

namespace lpctool {

class GifPalette {
 public:
  // dither: Floyd-Steinberg dithering while remapping (smoother gradients, noisier water).
  GifPalette(int width, int height, bool dither);
  ~GifPalette();
  GifPalette(const GifPalette&) = delete;
  GifPalette& operator=(const GifPalette&) = delete;

  // The frames the palette is chosen from, all added before the first Remap: a few suffice, as
  // the water moves the picture's own colours about.
  void Add(const lpc::Bitmap& frame);
  // One palette index per pixel, rows top to bottom.
  void Remap(const lpc::Bitmap& frame, std::vector<uint8_t>* indices);
  // The palette, as it stood after the first Remap (at most 255 colours).
  const std::vector<lpc::Color>& Colours() const { return colours_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::vector<lpc::Color> colours_;
};

}  // namespace lpctool
