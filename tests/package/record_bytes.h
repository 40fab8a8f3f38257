// Building blocks for package bytes made by hand in the tests.
#pragma once

#include <cstdint>
#include <string>

#include "package/binary_io.h"

namespace lpc::testing_support {

// A 32-bit integer as the package files store it.
inline std::string Int(int32_t v) {
  std::string s;
  AppendInt32(s, v);
  return s;
}

}  // namespace lpc::testing_support
