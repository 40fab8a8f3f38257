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
using TColor = int32_t;

inline constexpr TColor kSystemColorFlag = static_cast<TColor>(0x80000000u);
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

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

constexpr TColor SystemColor(int index) { return kSystemColorFlag | index; }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = SystemColor(kBtnFace);
inline constexpr TColor clBtnShadow = SystemColor(kBtnShadow);
inline constexpr TColor clBtnHighlight = SystemColor(kBtnHighlight);
inline constexpr TColor clBtnText = SystemColor(kBtnText);
inline constexpr TColor cl3DDkShadow = SystemColor(k3DDkShadow);
inline constexpr TColor cl3DLight = SystemColor(k3DLight);
inline constexpr TColor clWindow = SystemColor(kWindow);
inline constexpr TColor clWindowText = SystemColor(kWindowText);
inline constexpr TColor clWindowFrame = SystemColor(kWindowFrame);
inline constexpr TColor clHighlight = SystemColor(kHighlight);
inline constexpr TColor clHighlightText = SystemColor(kHighlightText);
inline constexpr TColor clGrayText = SystemColor(kGrayText);
inline constexpr TColor clInfoBk = SystemColor(kInfoBk);
inline constexpr TColor clInfoText = SystemColor(kInfoText);
inline constexpr TColor clHotLight = SystemColor(kHotLight);

// The RGB value a layout colour shows as (0x00RRGGBB). clNone and clDefault give `fallback`.
Color ToRGB(TColor color, Color fallback = 0);
// The layout colour of an RGB value.
constexpr TColor FromRGB(Color rgb) {
  return static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// clXxx names, case ignored ("clBtnFace", "clRed", "clNone"); nullopt for any other name.
std::optional<TColor> ColorFromName(std::string_view name);
// The clXxx name of a colour when it has one, else "$00BBGGRR".
std::string ColorToString(TColor color);

}  // namespace lpc::widgets
