#include "widgets/colors.h"

#include <array>
#include <cstdio>

#include "base/paths.h"

namespace lpc::widgets {

namespace {

// The classic 3D palette (0x00RRGGBB), by system colour index.
constexpr std::array<Color, 31> kClassicPalette = {
    0xD4D0C8,  // 0 scroll bar
    0x3A6EA5,  // 1 desktop
    0x0A246A,  // 2 active caption
    0x808080,  // 3 inactive caption
    0xD4D0C8,  // 4 menu
    0xFFFFFF,  // 5 window
    0x000000,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0xFFFFFF,  // 9 caption text
    0xD4D0C8,  // 10 active border
    0xD4D0C8,  // 11 inactive border
    0x808080,  // 12 application work space
    0x0A246A,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xD4D0C8,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 grey text
    0x000000,  // 18 button text
    0xD4D0C8,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x404040,  // 21 3D dark shadow
    0xD4D0C8,  // 22 3D light
    0x000000,  // 23 tooltip text
    0xFFFFE1,  // 24 tooltip background
    0xB5B5B5,  // 25 (unused)
    0x0000FF,  // 26 hot-tracked item
    0xA6CAF0,  // 27 active caption gradient
    0xC0C0C0,  // 28 inactive caption gradient
    0xD4D0C8,  // 29 menu highlight
    0xD4D0C8,  // 30 menu bar
};

struct NamedColor {
  const char* name;
  ColorValue value;
};

constexpr NamedColor kNamedColors[] = {
    {"clBlack", 0x000000},      {"clMaroon", 0x000080},   {"clGreen", 0x008000},
    {"clOlive", 0x008080},      {"clNavy", 0x800000},     {"clPurple", 0x800080},
    {"clTeal", 0x808000},       {"clGray", 0x808080},     {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},        {"clLime", 0x00FF00},     {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},       {"clFuchsia", 0xFF00FF},  {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},      {"clLtGray", 0xC0C0C0},   {"clDkGray", 0x808080},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},  {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},    {"clNone", clNone},       {"clDefault", clDefault},
    {"clScrollBar", SystemColor(kScrollBar)},
    {"clBackground", SystemColor(kBackground)},
    {"clActiveCaption", SystemColor(kActiveCaption)},
    {"clInactiveCaption", SystemColor(kInactiveCaption)},
    {"clMenu", SystemColor(kMenu)},
    {"clWindow", SystemColor(kWindow)},
    {"clWindowFrame", SystemColor(kWindowFrame)},
    {"clMenuText", SystemColor(kMenuText)},
    {"clWindowText", SystemColor(kWindowText)},
    {"clCaptionText", SystemColor(kCaptionText)},
    {"clActiveBorder", SystemColor(kActiveBorder)},
    {"clInactiveBorder", SystemColor(kInactiveBorder)},
    {"clAppWorkSpace", SystemColor(kAppWorkSpace)},
    {"clHighlight", SystemColor(kHighlight)},
    {"clHighlightText", SystemColor(kHighlightText)},
    {"clBtnFace", SystemColor(kBtnFace)},
    {"clBtnShadow", SystemColor(kBtnShadow)},
    {"clGrayText", SystemColor(kGrayText)},
    {"clBtnText", SystemColor(kBtnText)},
    {"clInactiveCaptionText", SystemColor(kInactiveCaptionText)},
    {"clBtnHighlight", SystemColor(kBtnHighlight)},
    {"cl3DDkShadow", SystemColor(k3DDkShadow)},
    {"cl3DLight", SystemColor(k3DLight)},
    {"clInfoText", SystemColor(kInfoText)},
    {"clInfoBk", SystemColor(kInfoBk)},
    {"clHotLight", SystemColor(kHotLight)},
    {"clGradientActiveCaption", SystemColor(kGradientActiveCaption)},
    {"clGradientInactiveCaption", SystemColor(kGradientInactiveCaption)},
    {"clMenuHighlight", SystemColor(29)},
    {"clMenuBar", SystemColor(30)},
};

}  // namespace

Color ToRGB(ColorValue color, Color fallback) {
  if (color == clNone || color == clDefault) return fallback;
  if (color & kSystemColorFlag) {
    const unsigned index = static_cast<unsigned>(color) & 0xFF;
    return index < kClassicPalette.size() ? kClassicPalette[index] : fallback;
  }
  const uint32_t bgr = static_cast<uint32_t>(color);
  return MakeColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

std::optional<ColorValue> ColorFromName(std::string_view name) {
  for (const NamedColor& c : kNamedColors) {
    if (SameText(name, c.name)) return c.value;
  }
  return std::nullopt;
}

std::string ColorToString(ColorValue color) {
  for (const NamedColor& c : kNamedColors) {
    if (c.value == color) return c.name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
  return text;
}

}  // namespace lpc::widgets
