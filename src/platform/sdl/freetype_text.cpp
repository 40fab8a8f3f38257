// Text through FreeType, with fontconfig choosing the font file for a family name. Windows
// names ("MS Sans Serif", "Arial", ...) get fontconfig's stand-ins.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "base/text_encoding.h"
#include "platform/backend_rows.h"
#include "platform/sdl/sdl_platform.h"

namespace lpc::platform {

namespace {

// Heights beyond this are refused (drawn as nothing): a font file could ask for huge bitmaps.
constexpr int kMaxTextHeight = 1024;

// The text's code points: the runtime's texts are Windows-1252, file names on Linux UTF-8.
std::u32string CodePoints(const std::string& raw) {
  const std::string text = DisplayUtf8(raw);
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char b = *p;
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    bool ok = extra >= 0 && end - p > extra;
    char32_t c = extra > 0 ? (b & (0x3F >> extra)) : b;
    for (int i = 1; ok && i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (p[i] & 0x3F);
    }
    if (ok && extra > 0 && c < 0x80) ok = false;  // overlong forms
    if (ok) {
      out += c;
      p += extra + 1;
    } else {
      out += static_cast<char32_t>(b);
      ++p;
    }
  }
  return out;
}

class FreeTypeText : public TextRenderer {
 public:
  FreeTypeText() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    FcInit();
  }
  ~FreeTypeText() override {
    for (auto& [key, face] : faces_) {
      if (face) FT_Done_Face(face);
    }
    if (library_) FT_Done_FreeType(library_);
  }

  Size MeasureText(const std::string& text, const FontSpec& font) override {
    if (text.empty()) return {0, 0};
    FT_Face face = Prepare(font);
    if (!face) return {0, 0};
    long width = 0;
    for (char32_t c : CodePoints(text)) {
      if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) width += face->glyph->advance.x;
    }
    const int w = static_cast<int>((width + 63) >> 6) + (font.bold && synthetic_bold_ ? 1 : 0);
    return {w, LineHeight(face)};
  }

  void DrawText(Bitmap& target, int x, int y, const std::string& text, const FontSpec& font,
                Color color) override {
    FT_Face face = Prepare(font);
    if (!face || text.empty()) return;
    const int ascender = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    const int baseline = y + ascender;
    long pen = static_cast<long>(x) << 6;
    for (char32_t c : CodePoints(text)) {
      if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot g = face->glyph;
      const int gx = static_cast<int>(pen >> 6) + g->bitmap_left;
      const int gy = baseline - g->bitmap_top;
      Blend(target, g->bitmap, gx, gy, color);
      if (font.bold && synthetic_bold_) Blend(target, g->bitmap, gx + 1, gy, color);
      pen += g->advance.x;
      if ((pen >> 6) > target.width()) break;
    }
    if (font.underline) {
      const int thickness = std::max(1, LineHeight(face) / 14);
      const int right = static_cast<int>((pen + 63) >> 6);
      for (int t = 0; t < thickness; ++t) {
        const int uy = baseline + 1 + t;
        for (int ux = std::max(0, x); ux < std::min(right, target.width()); ++ux) {
          if (target.Contains(ux, uy)) target.At(ux, uy) = color;
        }
      }
    }
  }

 private:
  static int LineHeight(FT_Face face) {
    return static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender + 63) >>
                            6);
  }

  static void Blend(Bitmap& target, const FT_Bitmap& bm, int x0, int y0, Color color) {
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const int y = y0 + static_cast<int>(row);
      if (y < 0 || y >= target.height()) continue;
      const unsigned char* src = bm.buffer + static_cast<long>(row) * bm.pitch;
      for (unsigned col = 0; col < bm.width; ++col) {
        const int x = x0 + static_cast<int>(col);
        if (x < 0 || x >= target.width()) continue;
        int a = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((src[col >> 3] >> (7 - (col & 7))) & 1) * 255
                                                    : src[col];
        if (a == 0) continue;
        Color& d = target.At(x, y);
        auto mix = [a](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
        d = MakeColor(mix(RedOf(color), RedOf(d)), mix(GreenOf(color), GreenOf(d)),
                      mix(BlueOf(color), BlueOf(d)));
      }
    }
  }

  // The face for the font with its size set; null when no font can be found.
  FT_Face Prepare(const FontSpec& font) {
    if (!library_) return nullptr;
    const int height = font.height < 0 ? -font.height : font.height;
    if (height == 0 || height > kMaxTextHeight) return nullptr;
    FT_Face face = Face(font);
    if (!face) return nullptr;
    synthetic_bold_ = font.bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    if (!FT_IS_SCALABLE(face)) {
      FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(height));
      return face;
    }
    // A positive height is the character cell (ascent + descent), as Windows fonts take it; a
    // negative one the em height.
    FT_Size_RequestRec req{};
    req.type = font.height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    req.height = static_cast<FT_Long>(height) << 6;
    if (FT_Request_Size(face, &req) != 0) return nullptr;
    return face;
  }

  FT_Face Face(const FontSpec& font) {
    const auto key = std::make_tuple(font.name, font.bold, font.italic);
    const auto it = faces_.find(key);
    if (it != faces_.end()) return it->second;
    FT_Face face = nullptr;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        if (FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face) != 0) {
          face = nullptr;
        }
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    faces_[key] = face;
    return face;
  }

  FT_Library library_ = nullptr;
  std::map<std::tuple<std::string, bool, bool>, FT_Face> faces_;
  bool synthetic_bold_ = false;
};

}  // namespace

std::unique_ptr<TextRenderer> CreateFreeTypeTextRenderer() {
  return std::make_unique<FreeTypeText>();
}

std::unique_ptr<TextRenderer> CreateSystemTextRenderer() { return CreateFreeTypeTextRenderer(); }

}  // namespace lpc::platform

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps its configuration for the life of the process, which the leak checker
// reports at exit; every program that draws text gets this, our own objects stay checked. Weak,
// so a test with suppressions of its own can replace it.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
