// JPEG decoding against libjpeg-turbo's own one-call decoder on the same file, in one run.
#include <benchmark/benchmark.h>

#include <memory>

#include <string>
#include <vector>

#include "imaging/picture.h"

#ifdef LPC_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace {

// A photograph-like picture: smooth gradients with some fine texture, at quality 90.
const std::string& PhotoJpeg(int w, int h) {
  static std::string jpeg;
  static int made_w = 0, made_h = 0;
  if (made_w != w || made_h != h) {
    lpc::Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int t = ((x * 13) ^ (y * 7)) & 15;
        b.At(x, y) = lpc::MakeColor((x * 255 / w + t) & 0xFF, (y * 255 / h + t) & 0xFF,
                                    ((x + y) * 128 / (w + h) + 64 + t) & 0xFF);
      }
    }
    jpeg = lpc::EncodeJpeg(b, 90);
    made_w = w;
    made_h = h;
  }
  return jpeg;
}

void BM_DecodeJpeg(benchmark::State& state) {
  const std::string& jpeg = PhotoJpeg(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    lpc::Bitmap b = lpc::DecodeJpeg(jpeg, "photo.jpg");
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_DecodeJpeg)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

#ifdef LPC_HAVE_TURBOJPEG
// The baseline: tjDecompress2 into a buffer of the same layout.
void BM_TjDecompress2(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const std::string& jpeg = PhotoJpeg(w, h);
  tjhandle tj = tjInitDecompress();
  std::vector<unsigned char> out(static_cast<size_t>(w) * h * 4);
  for (auto _ : state) {
    tjDecompress2(tj, reinterpret_cast<const unsigned char*>(jpeg.data()),
                  static_cast<unsigned long>(jpeg.size()), out.data(), w, 0, h, TJPF_BGRX, 0);
    benchmark::DoNotOptimize(out.data());
  }
  tjDestroy(tj);
}
BENCHMARK(BM_TjDecompress2)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// The same with a fresh output buffer per picture, as any decoder that hands out its picture
// has: the share of the difference that is the new memory's first touch.
void BM_TjDecompress2FreshBuffer(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const std::string& jpeg = PhotoJpeg(w, h);
  tjhandle tj = tjInitDecompress();
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> out(new unsigned char[static_cast<size_t>(w) * h * 4]);
    tjDecompress2(tj, reinterpret_cast<const unsigned char*>(jpeg.data()),
                  static_cast<unsigned long>(jpeg.size()), out.get(), w, 0, h, TJPF_BGRX, 0);
    benchmark::DoNotOptimize(out.get());
  }
  tjDestroy(tj);
}
BENCHMARK(BM_TjDecompress2FreshBuffer)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
