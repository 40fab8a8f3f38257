// Number helpers with the program's arithmetic rules: Round is to nearest with ties to even,
// Trunc is towards zero, integer division and mod follow C++ (truncating, the remainder takes
// the dividend's sign), and a floating-point division by zero is an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lpc {

// Round to nearest, ties to even, independent of the FPU rounding mode.
// Values outside the int64 range are clamped to it; NaN gives 0.
int64_t Round(double x);

// Truncate towards zero, clamped like Round.
int64_t Trunc(double x);

// a / b as double; b == 0 raises DivisionByZeroError.
double FDiv(double a, double b);

// Parses a 32-bit integer: optional blanks, optional sign, then decimal digits, or hexadecimal
// after "$", "0x" or "0X". Nothing may follow. Out-of-range values do not parse.
std::optional<int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt; failure raises ConvertError ("'<text>' is not a valid integer value").
int32_t StrToInt(std::string_view text);

// As TryStrToInt; failure gives def.
int32_t StrToIntDef(std::string_view text, int32_t def);

// Clamp helper for values read from files.
template <typename T>
constexpr T ClampTo(T v, T lo, T hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// The 21 speed percentages, index 0..20. A project ini holds a percentage from it, the user
// settings file an index, and a packed image's weather speed is an index too.
inline constexpr int kSpeedTable[21] = {10,  20,  30,  45,  50,  60,  70,  75,  80,  90, 100,
                                        120, 140, 160, 180, 200, 220, 240, 360, 480, 500};
inline constexpr int kSpeedTableSize = 21;
inline constexpr int kDefaultSpeedIndex = 10;  // 100 %

// Percentage for an index; indexes outside 0..20 are clamped.
int SpeedPercentForIndex(int index);
// Index of a percentage in the table, or -1 when the table does not hold it.
int SpeedIndexForPercent(int percent);

}  // namespace lpc
