// Colours as window layouts write them: $00BBGGRR integers, or clXxx names, among them the
// system colours (clBtnFace, clWindow, ...), which resolve through one fixed classic palette so
// that a window looks the same on every host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/bitmap.h"

namespace lpc::widgets {

// A layout colour: $00BBGGRR, or a system colour (0x80000000 | index), or one of the two
// special values below.
using ColorValue = int32_t;

inline constexpr ColorValue kSystemColorFlag = static_cast<ColorValue>(0x80000000u);
inline constexpr ColorValue clNone = 0x1FFFFFFF;
inline constexpr ColorValue clDefault = 0x20000000;

// System colour indexes (the Windows COLOR_* numbers).
enum SystemColorIndex : int {
  kScrollBar = 0, kBackground = 1, kActiveCaption = 2, kInactiveCaption = 3, kMenu = 4,
  kWindow = 5, kWindowFrame = 6, kMenuText = 7, kWindowText = 8, kCaptionText = 9,
  kActiveBorder = 10, kInactiveBorder = 11, kAppWorkSpace = 12, kHighlight = 13,
  kHighlightText = 14, kBtnFace = 15, kBtnShadow = 16, kGrayText = 17, kBtnText = 18,
  kInactiveCaptionText = 19, kBtnHighlight = 20, k3DDkShadow = 21, k3DLight = 22,
  kInfoText = 23, kInfoBk = 24, kHotLight = 26, kGradientActiveCaption = 27,
  kGradientInactiveCaption = 28,
};

constexpr ColorValue SystemColor(int index) { return kSystemColorFlag | index; }

inline constexpr ColorValue clBlack = 0x000000;
inline constexpr ColorValue clWhite = 0xFFFFFF;
inline constexpr ColorValue clBtnFace = SystemColor(kBtnFace);
inline constexpr ColorValue clBtnShadow = SystemColor(kBtnShadow);
inline constexpr ColorValue clBtnHighlight = SystemColor(kBtnHighlight);
inline constexpr ColorValue clBtnText = SystemColor(kBtnText);
inline constexpr ColorValue cl3DDkShadow = SystemColor(k3DDkShadow);
inline constexpr ColorValue cl3DLight = SystemColor(k3DLight);
inline constexpr ColorValue clWindow = SystemColor(kWindow);
inline constexpr ColorValue clWindowText = SystemColor(kWindowText);
inline constexpr ColorValue clWindowFrame = SystemColor(kWindowFrame);
inline constexpr ColorValue clHighlight = SystemColor(kHighlight);
inline constexpr ColorValue clHighlightText = SystemColor(kHighlightText);
inline constexpr ColorValue clGrayText = SystemColor(kGrayText);
inline constexpr ColorValue clInfoBk = SystemColor(kInfoBk);
inline constexpr ColorValue clInfoText = SystemColor(kInfoText);
inline constexpr ColorValue clHotLight = SystemColor(kHotLight);

// The RGB value a layout colour shows as (0x00RRGGBB). clNone and clDefault give `fallback`.
Color ToRGB(ColorValue color, Color fallback = 0);
// The layout colour of an RGB value.
constexpr ColorValue FromRGB(Color rgb) {
  return static_cast<ColorValue>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// clXxx names, case ignored ("clBtnFace", "clRed", "clNone"); nullopt for any other name.
std::optional<ColorValue> ColorFromName(std::string_view name);
// The clXxx name of a colour when it has one, else "$00BBGGRR".
std::string ColorToString(ColorValue color);

}  // namespace lpc::widgets
