// Whole-image effects on fast surfaces and bitmaps: saturation, cross-fade blending, smooth
// resizing, grey copies, and fitting a packed image (picture, mask and wave sizes) to a screen.
#pragma once

#include <cstdint>

#include "base/bitmap.h"
#include "effects/fast_surfaces.h"
#include "package/packed_image.h"

namespace lpc {

// Moves every channel from the pixel's grey level (the truncated mean of its channels) by
// amount/256 of its distance from it: 256 keeps colours, 0 or 1 gives grey, 512 doubles the
// saturation. Results are clamped to 0..255.
void AdjustSaturation(FastSurface& surface, int32_t amount);

// dest = b + floor((a - b) * amount / 256) per byte; 0 gives b, 256 gives a. amount is clamped
// to 0..256. All three surfaces must be of one kind and one size, otherwise an Error is raised
// and nothing is written. dest may be a or b.
void Blend(FastSurface& dest, const FastSurface& a, const FastSurface& b, int32_t amount);

// The same arithmetic on n 0x00RRGGBB pixels, channel by channel; a null a stands for black.
// The top byte of every result is 0. dest must not overlap a or b.
void BlendPixels(Color* dest, const Color* a, const Color* b, size_t n, int32_t amount);

// Resizes the project's picture (smoothly) and mask (by whole pixels, so region colours stay
// exact) to width x height, or, when proportional, to the largest size of the picture's shape
// within it; scales the wave amplitudes and jitter ranges to match. A width or height below 1,
// or an empty picture, raises an Error and leaves the project unchanged.
void FitProjectToSize(bool proportional, PackedImage& project, int32_t width, int32_t height);

// FitProjectToSize without the mask: the mask keeps its size, for a caller that reads it
// stretched (WaveGenerator::PrepareLayout(true)) instead of keeping a stretched copy.
void FitProjectPicture(bool proportional, PackedImage& project, int32_t width, int32_t height);

// The size FitProjectToSize would give a picture of picture_width x picture_height.
Size FittedSize(bool proportional, int32_t picture_width, int32_t picture_height, int32_t width,
                int32_t height);

// Draws source, bilinearly resampled to destination's current size, into destination.
// An empty source or destination leaves destination as it is.
void SmoothResizeBitmap(const Bitmap& source, Bitmap& destination);

// Lets the smooth resizes use AVX2 where the processor has it (the default) or not, so that
// tests can compare both ways on one machine. Not for use while a resize runs.
void AllowResampleAvx2(bool allowed);

// Replaces every pixel by the truncated mean of its three channels.
void GreyscaleBitmap(Bitmap& bitmap);

}  // namespace lpc
