// Text through GDI. The text is drawn into a DIB section holding a copy of the target's
// pixels under it, so that smoothed edges blend with what is really there, and copied back.
#include <algorithm>
#include <cstring>

#include "platform/backend_rows.h"
#include "platform/win32/win32_internal.h"

namespace lpc::platform::win32 {

GdiTextRenderer::GdiTextRenderer() {
  dc_ = CreateCompatibleDC(nullptr);
  if (dc_) SetBkMode(dc_, TRANSPARENT);
}

GdiTextRenderer::~GdiTextRenderer() {
  if (dc_) {
    if (original_font_) SelectObject(dc_, original_font_);
    if (original_bitmap_) SelectObject(dc_, original_bitmap_);
    DeleteDC(dc_);
  }
  for (auto& entry : fonts_) DeleteObject(entry.second);
  if (surface_) DeleteObject(surface_);
}

HFONT GdiTextRenderer::FontFor(const FontSpec& wanted) {
  for (auto& [known, font] : fonts_) {
    if (known == wanted) return font;
  }
  LOGFONTA lf{};
  // A positive height asks for the character cell height, a negative one for the height of
  // the characters alone (as layouts give Font.Height), just as GDI reads lfHeight.
  lf.lfHeight = wanted.height < 0 ? std::max(wanted.height, -2000)
                                  : std::clamp(wanted.height, 1, 2000);
  lf.lfWeight = wanted.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = wanted.italic ? TRUE : FALSE;
  lf.lfUnderline = wanted.underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  lstrcpynA(lf.lfFaceName, wanted.name.c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&lf);
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // Fonts stay for the process; a form uses a handful of them.
  if (fonts_.size() >= 64) {
    DeleteObject(fonts_.front().second);
    fonts_.erase(fonts_.begin());
  }
  fonts_.emplace_back(wanted, font);
  return font;
}

bool GdiTextRenderer::EnsureSurface(int width, int height) {
  if (surface_ && width <= surface_width_ && height <= surface_height_) return true;
  const int w = std::max(width, surface_width_);
  const int h = std::max(height, surface_height_);
  BITMAPINFO info = TopDownInfo(w, h);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  HGDIOBJ previous = SelectObject(dc_, bitmap);
  if (!original_bitmap_) original_bitmap_ = previous;
  if (surface_) DeleteObject(surface_);
  surface_ = bitmap;
  surface_bits_ = bits;
  surface_width_ = w;
  surface_height_ = h;
  return true;
}

void GdiTextRenderer::DrawText(Bitmap& target, int x, int y, const std::string& text,
                               const FontSpec& font, Color color) {
  if (!dc_ || text.empty() || target.empty()) return;
  HGDIOBJ previous = SelectObject(dc_, FontFor(font));
  if (!original_font_) original_font_ = previous;
  SIZE extent{};
  GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc_, &tm);
  // Italic and some bold glyphs reach past the advance width.
  const int slack = tm.tmOverhang + (font.italic ? tm.tmHeight / 2 : 2);
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = std::min<int>(x + extent.cx + slack, target.width());
  const int bottom = std::min<int>(y + std::max<int>(extent.cy, tm.tmHeight), target.height());
  if (right <= left || bottom <= top) return;
  const int w = right - left;
  const int h = bottom - top;
  if (!EnsureSurface(w, h)) return;

  auto* surface = static_cast<Color*>(surface_bits_);
  for (int row = 0; row < h; ++row) {
    std::memcpy(surface + static_cast<size_t>(row) * surface_width_, target.Row(top + row) + left,
                static_cast<size_t>(w) * sizeof(Color));
  }
  SetTextColor(dc_, ToColorRef(color));
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  TextOutA(dc_, x - left, y - top, text.c_str(), static_cast<int>(text.size()));
  GdiFlush();
  for (int row = 0; row < h; ++row) {
    const Color* from = surface + static_cast<size_t>(row) * surface_width_;
    Color* to = target.Row(top + row) + left;
    for (int col = 0; col < w; ++col) to[col] = from[col] & 0x00FFFFFF;
  }
}

Size GdiTextRenderer::MeasureText(const std::string& text, const FontSpec& font) {
  if (!dc_) return {};
  HGDIOBJ previous = SelectObject(dc_, FontFor(font));
  if (!original_font_) original_font_ = previous;
  SIZE extent{};
  GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
  return {extent.cx, extent.cy};
}

}  // namespace lpc::platform::win32

namespace lpc::platform {

std::unique_ptr<TextRenderer> CreateSystemTextRenderer() {
  return std::make_unique<win32::GdiTextRenderer>();
}

}  // namespace lpc::platform
