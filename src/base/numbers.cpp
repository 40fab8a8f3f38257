#include "base/numbers.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "base/errors.h"

namespace lpc {

namespace {

int64_t ClampToInt64(double x) {
  // 2^63 is exactly representable; anything at or beyond it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (std::isnan(x)) return 0;
  if (x >= kLimit) return std::numeric_limits<int64_t>::max();
  if (x < -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

}  // namespace

int64_t Round(double x) {
  const double f = std::floor(x);
  const double diff = x - f;
  double r;
  if (diff > 0.5) {
    r = f + 1.0;
  } else if (diff < 0.5) {
    r = f;
  } else {
    // Exactly half way: pick the even neighbour.
    r = (std::fmod(f, 2.0) == 0.0) ? f : f + 1.0;
  }
  return ClampToInt64(r);
}

int64_t Trunc(double x) { return ClampToInt64(std::trunc(x)); }

double FDiv(double a, double b) {
  if (b == 0.0) throw DivisionByZeroError();
  return a / b;
}

std::optional<int32_t> TryStrToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(c)) {
      digit = std::tolower(c) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 16) {
    // Hexadecimal spells the 32-bit pattern: $FFFFFFFF is -1.
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(value));
    return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
  }
  if (negative) {
    if (value > 2147483648ull) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(value));
  }
  if (value > 2147483647ull) return std::nullopt;
  return static_cast<int32_t>(value);
}

int32_t StrToInt(std::string_view text) {
  if (auto v = TryStrToInt(text)) return *v;
  throw ConvertError(std::string(text));
}

int32_t StrToIntDef(std::string_view text, int32_t def) {
  if (auto v = TryStrToInt(text)) return *v;
  return def;
}

int SpeedPercentForIndex(int index) {
  return kSpeedTable[ClampTo(index, 0, kSpeedTableSize - 1)];
}

int SpeedIndexForPercent(int percent) {
  for (int i = 0; i < kSpeedTableSize; ++i) {
    if (kSpeedTable[i] == percent) return i;
  }
  return -1;
}

}  // namespace lpc
