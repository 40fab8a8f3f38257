// Drawing helpers of the classic 3D look: raised and sunken edges, button faces, focus
// rectangles, and text laid out in a rectangle (alignment, word wrap, "&" accelerators).
#pragma once

#include <string>
#include <vector>

#include "base/canvas.h"
#include "widgets/colors.h"

namespace lpc::widgets {

// A one-pixel frame: top and left edges in `top_left`, bottom and right in `bottom_right`.
void Frame3D(Canvas& canvas, const Rect& r, Color top_left, Color bottom_right);

enum class EdgeKind {
  kRaised,      // a button at rest: light outside top-left, dark shadow bottom-right
  kSunken,      // a text box or a well: shadow top-left, light bottom-right, two pixels
  kRaisedOuter, // one-pixel raised bevel (panels)
  kSunkenOuter, // one-pixel sunken bevel
  kEtched,      // a groove (bevels, group frames)
  kBump,        // a ridge
};
// Draws the edge and returns the rectangle inside it.
Rect DrawEdge(Canvas& canvas, const Rect& r, EdgeKind kind);

// A push button's face over r: raised at rest, pressed flat with a dark frame; a default button
// gets an extra black frame. Returns the face area inside the frame.
Rect DrawButtonFace(Canvas& canvas, const Rect& r, bool pressed, bool is_default);
// The dotted focus rectangle.
void DrawFocusRect(Canvas& canvas, const Rect& r);

enum class HAlign { kLeft, kCenter, kRight };
enum class VAlign { kTop, kCenter, kBottom };

struct TextLayout {
  HAlign halign = HAlign::kLeft;
  VAlign valign = VAlign::kTop;
  bool word_wrap = false;
  // "&x" draws x underlined; "&&" draws one "&".
  bool prefix = true;
  // Disabled text: embossed in the highlight and shadow colours instead of the font colour.
  bool disabled = false;
};

// The caption without its accelerator marks, and the index of the underlined character in it
// (-1 when none).
std::string StripAccelerator(const std::string& text, int* underline_index = nullptr);
// Splits text into lines that fit `width` (at word boundaries where possible; explicit line
// breaks always break).
std::vector<std::string> WrapText(const Canvas& canvas, const std::string& text, int width);
// Draws text in the canvas's font and font colour, laid out inside r and clipped to it.
void DrawTextInRect(Canvas& canvas, const Rect& r, const std::string& text,
                    const TextLayout& layout);
// Width and height text takes with that layout (width limits wrapping when word_wrap is on).
Size MeasureTextBlock(const Canvas& canvas, const std::string& text, int width, bool word_wrap);

}  // namespace lpc::widgets
