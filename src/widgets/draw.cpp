#include "widgets/draw.h"

#include <algorithm>

namespace lpc::widgets {

namespace {

Color Sys(int index) { return ToRGB(SystemColor(index)); }

}  // namespace

void Frame3D(Canvas& canvas, const Rect& r, Color top_left, Color bottom_right) {
  if (r.IsEmpty()) return;
  canvas.FillRect(Rect{r.left, r.top, r.right - 1, r.top + 1}, top_left);
  canvas.FillRect(Rect{r.left, r.top, r.left + 1, r.bottom - 1}, top_left);
  canvas.FillRect(Rect{r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
  canvas.FillRect(Rect{r.right - 1, r.top, r.right, r.bottom}, bottom_right);
}

namespace {
Rect Inset(const Rect& r, int d) { return Rect{r.left + d, r.top + d, r.right - d, r.bottom - d}; }
}  // namespace

Rect DrawEdge(Canvas& canvas, const Rect& r, EdgeKind kind) {
  const Color light = Sys(kBtnHighlight);
  const Color face = Sys(k3DLight);
  const Color shadow = Sys(kBtnShadow);
  const Color dark = Sys(k3DDkShadow);
  switch (kind) {
    case EdgeKind::kRaised:
      Frame3D(canvas, r, light, dark);
      Frame3D(canvas, Inset(r, 1), face, shadow);
      return Inset(r, 2);
    case EdgeKind::kSunken:
      Frame3D(canvas, r, shadow, light);
      Frame3D(canvas, Inset(r, 1), dark, face);
      return Inset(r, 2);
    case EdgeKind::kRaisedOuter:
      Frame3D(canvas, r, light, shadow);
      return Inset(r, 1);
    case EdgeKind::kSunkenOuter:
      Frame3D(canvas, r, shadow, light);
      return Inset(r, 1);
    case EdgeKind::kEtched:
      Frame3D(canvas, r, shadow, light);
      Frame3D(canvas, Inset(r, 1), light, shadow);
      return Inset(r, 2);
    case EdgeKind::kBump:
      Frame3D(canvas, r, light, shadow);
      Frame3D(canvas, Inset(r, 1), shadow, light);
      return Inset(r, 2);
  }
  return r;
}

Rect DrawButtonFace(Canvas& canvas, const Rect& r, bool pressed, bool is_default) {
  Rect face = r;
  if (is_default || pressed) {
    Frame3D(canvas, face, 0x000000, 0x000000);
    face = Inset(face, 1);
  }
  canvas.FillRect(face, Sys(kBtnFace));
  if (pressed) {
    Frame3D(canvas, face, Sys(kBtnShadow), Sys(kBtnShadow));
    return Inset(face, 1);
  }
  return DrawEdge(canvas, face, EdgeKind::kRaised);
}

void DrawFocusRect(Canvas& canvas, const Rect& r) {
  if (r.IsEmpty()) return;
  const Color c = 0x000000;
  for (int x = r.left; x < r.right; x += 2) {
    canvas.SetPixel(x, r.top, c);
    canvas.SetPixel(x, r.bottom - 1, c);
  }
  for (int y = r.top; y < r.bottom; y += 2) {
    canvas.SetPixel(r.left, y, c);
    canvas.SetPixel(r.right - 1, y, c);
  }
}

std::string StripAccelerator(const std::string& text, int* underline_index) {
  std::string out;
  int underline = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && underline < 0) underline = static_cast<int>(out.size());
    }
    out.push_back(text[i]);
  }
  if (underline_index) *underline_index = underline;
  return out;
}

std::vector<std::string> WrapText(const Canvas& canvas, const std::string& text, int width) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    const std::string paragraph = text.substr(start, end == std::string::npos ? end : end - start);
    // Break the paragraph at blanks so each line fits; a word wider than the line stays whole.
    std::string line;
    size_t pos = 0;
    while (pos < paragraph.size()) {
      size_t word_end = paragraph.find(' ', pos);
      if (word_end == std::string::npos) word_end = paragraph.size();
      const std::string word = paragraph.substr(pos, word_end - pos);
      const std::string candidate = line.empty() ? word : line + " " + word;
      if (!line.empty() && canvas.TextExtent(candidate).width > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      pos = word_end + 1;
    }
    lines.push_back(line);
    if (end == std::string::npos) break;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

Size MeasureTextBlock(const Canvas& canvas, const std::string& text, int width, bool word_wrap) {
  const std::vector<std::string> lines =
      word_wrap ? WrapText(canvas, text, width) : std::vector<std::string>{text};
  Size total{0, 0};
  const int line_height = std::max(canvas.TextExtent("Wg").height, 1);
  for (const std::string& line : lines) {
    total.width = std::max(total.width, canvas.TextExtent(line).width);
    total.height += line_height;
  }
  return total;
}

void DrawTextInRect(Canvas& canvas, const Rect& r, const std::string& text,
                    const TextLayout& layout) {
  if (r.IsEmpty() || text.empty()) return;
  int underline = -1;
  const std::string shown = layout.prefix ? StripAccelerator(text, &underline) : text;
  const std::vector<std::string> lines =
      layout.word_wrap ? WrapText(canvas, shown, r.Width()) : std::vector<std::string>{shown};
  const int line_height = std::max(canvas.TextExtent("Wg").height, 1);
  const int block = line_height * static_cast<int>(lines.size());
  int y = r.top;
  if (layout.valign == VAlign::kCenter) y = r.top + (r.Height() - block) / 2;
  if (layout.valign == VAlign::kBottom) y = r.bottom - block;

  canvas.SetClip(r);
  const Color color = canvas.FontColor;
  int consumed = 0;  // characters of `shown` in earlier lines, to place the underline
  for (const std::string& line : lines) {
    const int w = canvas.TextExtent(line).width;
    int x = r.left;
    if (layout.halign == HAlign::kCenter) x = r.left + (r.Width() - w) / 2;
    if (layout.halign == HAlign::kRight) x = r.right - w;
    auto draw = [&](int dx, int dy, Color c) {
      canvas.FontColor = c;
      canvas.TextOut(x + dx, y + dy, line);
      const int at = underline - consumed;
      if (at >= 0 && at < static_cast<int>(line.size())) {
        const int ux0 = x + dx + canvas.TextExtent(line.substr(0, at)).width;
        const int ux1 = x + dx + canvas.TextExtent(line.substr(0, at + 1)).width;
        const int uy = y + dy + line_height - 2;
        canvas.FillRect(Rect{ux0, uy, ux1, uy + 1}, c);
      }
    };
    if (layout.disabled) {
      draw(1, 1, Sys(kBtnHighlight));
      draw(0, 0, Sys(kBtnShadow));
    } else {
      draw(0, 0, color);
    }
    consumed += static_cast<int>(line.size()) + 1;
    y += line_height;
  }
  canvas.FontColor = color;
  canvas.ClearClip();
}

}  // namespace lpc::widgets
