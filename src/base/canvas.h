// Canvas: drawing operations on a Bitmap with the pixel rules of the Windows GDI, so that what
// is drawn here matches, pixel for pixel, what the same calls draw on a Windows device context.
//
//   - A line from MoveTo's point to LineTo's point leaves out its end point (Bresenham, with
//     GDI's tie-breaking per octant).
//   - Ellipse(l, t, r, b) and Rectangle(l, t, r, b) cover x l..r-1 and y t..b-1: the right and
//     bottom edges are exclusive. The outline is drawn in the pen colour, the inside filled in
//     the brush colour.
//   - FillRect covers the same half-open rectangle in the brush colour.
//   - StretchDraw and CopyRect with a size change repeat or drop whole pixels and never mix
//     colours (the colour-on-colour stretch mode).
//
// Everything is clipped to the bitmap (and to the clip rectangle when one is set). The pen is
// always 1 pixel wide and solid. Text goes through a TextRenderer that a platform backend
// supplies; without one, text calls draw nothing and measure 0 x 0.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/bitmap.h"

namespace lpc {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Half-open rectangle: covers left..right-1 and top..bottom-1.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const Rect&) const = default;
};

inline Rect MakeRect(int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; }

struct FontSpec {
  std::string name = "MS Sans Serif";
  int height = 13;  // character cell height in pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator==(const FontSpec&) const = default;
};

// Text drawing, implemented by a platform backend (fonts by name, height and style).
class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Draws text with its top-left corner at (x, y), clipped to the bitmap.
  virtual void DrawText(Bitmap& target, int x, int y, const std::string& text,
                        const FontSpec& font, Color color) = 0;
  virtual Size MeasureText(const std::string& text, const FontSpec& font) = 0;
};

// The stretch rules a canvas can use for StretchDraw/CopyRect. Only colour-on-colour (whole
// pixels repeated or dropped) is offered; it is what every caller asks for.
enum class StretchMode { ColorOnColor = 3 };

class Canvas {
 public:
  explicit Canvas(Bitmap& target) : target_(&target) {}

  Bitmap& bitmap() { return *target_; }
  const Bitmap& bitmap() const { return *target_; }

  // Pen and brush. The brush may be "clear" (Ellipse and Rectangle then draw only the outline).
  Color PenColor = 0;
  Color BrushColor = 0xFFFFFF;
  bool BrushClear = false;
  StretchMode Stretch = StretchMode::ColorOnColor;

  // When set, every pixel written records its position (y * width + x) and old colour here
  // first, so that the drawing can be undone by replaying the log backwards.
  std::vector<std::pair<size_t, Color>>* UndoLog = nullptr;

  // Text.
  FontSpec Font;
  Color FontColor = 0;
  void SetTextRenderer(TextRenderer* renderer) { text_ = renderer; }
  TextRenderer* text_renderer() const { return text_; }
  void TextOut(int x, int y, const std::string& text);
  Size TextExtent(const std::string& text) const;

  // Optional clip rectangle, intersected with the bitmap. ClearClip removes it.
  void SetClip(const Rect& clip);
  void ClearClip();
  // The rectangle drawing can reach: the bitmap, narrowed by the clip when one is set.
  Rect ClipBounds() const;

  // Pixels. Outside the bitmap (or clip): SetPixel does nothing, Pixel returns 0.
  void SetPixel(int x, int y, Color c);
  Color Pixel(int x, int y) const;

  // Fills r (half-open) with the brush colour, or with the given colour.
  void FillRect(const Rect& r);
  void FillRect(const Rect& r, Color c);

  // Lines: the current position moves to the end point; the end point is not drawn.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  Point PenPos() const { return pen_pos_; }

  // Outline in the pen colour, inside in the brush colour (unless BrushClear). Ellipses with a
  // side over 65536 pixels are not drawn.
  void Ellipse(int left, int top, int right, int bottom);
  void Rectangle(int left, int top, int right, int bottom);

  // Copies source unscaled with its top-left corner at (x, y).
  void Draw(int x, int y, const Bitmap& source);
  // Copies the source rectangle src into dest, stretching by whole pixels when sizes differ.
  void CopyRect(const Rect& dest, const Bitmap& source, const Rect& src);
  // Stretches the whole source into dest.
  void StretchDraw(const Rect& dest, const Bitmap& source);

 private:
  Rect Bounds() const { return ClipBounds(); }
  void HorizontalSpan(int y, int x0, int x1, Color c);  // x0..x1-1, clipped
  void DrawEllipseDirect(int left, int top, int right, int bottom);
  void Put(int x, int y, Color c) {
    Color& p = target_->At(x, y);
    if (UndoLog != nullptr) UndoLog->emplace_back(static_cast<size_t>(y) * target_->width() + x, p);
    p = c;
  }

  Bitmap* target_;
  TextRenderer* text_ = nullptr;
  Point pen_pos_{};
  bool has_clip_ = false;
  Rect clip_{};
};

// The points a line from (x0, y0) to (x1, y1) covers, in drawing order, end point excluded.
std::vector<Point> LinePoints(int x0, int y0, int x1, int y1);

}  // namespace lpc
