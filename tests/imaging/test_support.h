// Shared helpers for the picture tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string>

#include "base/bitmap.h"
#include "base/errors.h"
#include "imaging/picture.h"

namespace lpc::testing {

// The largest single operator-new request since the last reset (the test binary replaces the
// global operator new to measure it).
void ResetLargestAllocation();
size_t LargestAllocation();

// Runs fn, expects a FormatError naming `file` whose fault contains `fault_part`, and that no
// allocation larger than 1 MiB happened on the way, nor did the readers' budget check let a
// picture of more than 2^18 pixels through.
template <typename Fn>
void ExpectFormatError(Fn fn, const std::string& file, const std::string& fault_part) {
  ResetLargestAllocation();
  ResetLargestPixelRequest();
  try {
    fn();
    ADD_FAILURE() << "no error; expected one containing '" << fault_part << "'";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.file(), file);
    EXPECT_NE(e.fault().find(fault_part), std::string::npos)
        << "fault: '" << e.fault() << "', expected to contain '" << fault_part << "'";
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong error type: " << e.what();
  }
  EXPECT_LE(LargestAllocation(), size_t{1} << 20);
  EXPECT_LE(LargestPixelRequest(), int64_t{1} << 18);
}

// A file a decoder must refuse: label for the failure message, its bytes, and a part of the
// fault the error must give.
struct BadFile {
  const char* label;
  std::string bytes;
  const char* fault;
};

// Runs decode(bytes, file) on every case and expects ExpectFormatError's outcome for each.
template <size_t N, typename Decode>
void ExpectEachRefused(const BadFile (&cases)[N], const std::string& file, Decode decode) {
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.label);
    ExpectFormatError([&] { decode(c.bytes, file); }, file, c.fault);
  }
}

// A picture with distinct colours in every pixel, smooth enough for lossy coders.
inline Bitmap Gradient(int width, int height) {
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      b.At(x, y) = MakeColor(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                             (x + y) * 255 / std::max(1, width + height - 2));
    }
  }
  return b;
}

// Largest difference of any channel of any pixel; -1 when the sizes differ.
inline int MaxChannelDifference(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int worst = 0;
  for (size_t i = 0; i < a.pixel_count(); ++i) {
    const Color p = a.data()[i], q = b.data()[i];
    worst = std::max({worst, std::abs(RedOf(p) - RedOf(q)), std::abs(GreenOf(p) - GreenOf(q)),
                      std::abs(BlueOf(p) - BlueOf(q))});
  }
  return worst;
}

inline void PutLE(std::string& s, size_t off, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[off + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace lpc::testing
