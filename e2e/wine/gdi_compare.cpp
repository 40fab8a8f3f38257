// Draws the primitives of the rain (lines) and snow (ellipses) overlays with the Windows GDI
// into a DIB section and with lpc::Canvas into a Bitmap, and compares them pixel for pixel.
// Run under Wine by scripts/test-windows; one "ok"/"FAIL" line per group of shapes.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef TextOut
#undef DrawText

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "check.h"

namespace {

using lpc::Bitmap;
using lpc::Canvas;
using lpc::Color;
using lpc::wine_checks::Case;

constexpr int kSide = 96;
constexpr Color kBackground = 0x102030;

COLORREF Ref(Color c) { return RGB(lpc::RedOf(c), lpc::GreenOf(c), lpc::BlueOf(c)); }

// One GDI surface, reused for every shape.
class GdiSurface {
 public:
  GdiSurface() {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kSide;
    info.bmiHeader.biHeight = -kSide;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~GdiSurface() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  void Clear() {
    auto* px = static_cast<Color*>(bits_);
    for (int i = 0; i < kSide * kSide; ++i) px[i] = kBackground;
  }
  Bitmap Read() const {
    GdiFlush();
    Bitmap out(kSide, kSide);
    const auto* px = static_cast<const Color*>(bits_);
    for (int i = 0; i < kSide * kSide; ++i) out.data()[i] = px[i] & 0xFFFFFF;
    return out;
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

struct Shape {
  std::string name;
  std::function<void(HDC)> gdi;
  std::function<void(Canvas&)> canvas;
};

GdiSurface* g_surface = nullptr;

// Draws each shape both ways; names the shapes whose pixels differ.
void CompareShapes(const std::vector<Shape>& shapes) {
  int differing = 0;
  long drawn = 0;
  std::string first;
  for (const Shape& s : shapes) {
    g_surface->Clear();
    s.gdi(g_surface->dc());
    const Bitmap expected = g_surface->Read();
    for (size_t i = 0; i < expected.pixel_count(); ++i) drawn += expected.data()[i] != kBackground;
    Bitmap actual(kSide, kSide, kBackground);
    Canvas canvas(actual);
    s.canvas(canvas);
    if (actual == expected) continue;
    ++differing;
    if (!first.empty()) continue;
    int count = 0;
    std::string where;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        if (actual.At(x, y) == expected.At(x, y)) continue;
        if (++count <= 3) {
          char buf[96];
          std::snprintf(buf, sizeof buf, " (%d,%d) gdi %06X canvas %06X", x, y,
                        static_cast<unsigned>(expected.At(x, y)),
                        static_cast<unsigned>(actual.At(x, y)));
          where += buf;
        }
      }
    }
    first = s.name + ": " + std::to_string(count) + " pixels," + where;
  }
  // A comparison of two empty pictures would prove nothing.
  if (drawn < static_cast<long>(shapes.size())) {
    lpc::wine_checks::Fail("GDI drew only " + std::to_string(drawn) + " pixels for " +
                           std::to_string(shapes.size()) + " shapes");
  }
  if (differing > 0) {
    lpc::wine_checks::Fail(std::to_string(differing) + " of " + std::to_string(shapes.size()) +
                           " shapes differ; first " + first);
  }
}

// A polyline in one pen colour per segment, as the rain draws its drops.
Shape Polyline(std::vector<POINT> points, std::vector<Color> colours) {
  std::string name = "polyline";
  for (const POINT& p : points) name += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return Shape{
      name,
      [points, colours](HDC dc) {
        MoveToEx(dc, points[0].x, points[0].y, nullptr);
        for (size_t i = 1; i < points.size(); ++i) {
          HPEN pen = CreatePen(PS_SOLID, 1, Ref(colours[(i - 1) % colours.size()]));
          HGDIOBJ old = SelectObject(dc, pen);
          LineTo(dc, points[i].x, points[i].y);
          SelectObject(dc, old);
          DeleteObject(pen);
        }
      },
      [points, colours](Canvas& c) {
        c.MoveTo(points[0].x, points[0].y);
        for (size_t i = 1; i < points.size(); ++i) {
          c.PenColor = colours[(i - 1) % colours.size()];
          c.LineTo(points[i].x, points[i].y);
        }
      }};
}

enum class Box { kEllipse, kRectangle };

Shape BoxShape(Box kind, int l, int t, int r, int b, Color pen_colour, Color brush_colour) {
  const std::string name = std::string(kind == Box::kEllipse ? "Ellipse" : "Rectangle") + "(" +
                           std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) +
                           "," + std::to_string(b) + ")";
  return Shape{name,
               [=](HDC dc) {
                 HPEN pen = CreatePen(PS_SOLID, 1, Ref(pen_colour));
                 HBRUSH brush = CreateSolidBrush(Ref(brush_colour));
                 HGDIOBJ old_pen = SelectObject(dc, pen);
                 HGDIOBJ old_brush = SelectObject(dc, brush);
                 if (kind == Box::kEllipse) {
                   Ellipse(dc, l, t, r, b);
                 } else {
                   Rectangle(dc, l, t, r, b);
                 }
                 SelectObject(dc, old_pen);
                 SelectObject(dc, old_brush);
                 DeleteObject(pen);
                 DeleteObject(brush);
               },
               [=](Canvas& c) {
                 c.PenColor = pen_colour;
                 c.BrushColor = brush_colour;
                 if (kind == Box::kEllipse) {
                   c.Ellipse(l, t, r, b);
                 } else {
                   c.Rectangle(l, t, r, b);
                 }
               }};
}

constexpr Color kRainDim = 0xB4B4B4;
constexpr Color kRainBright = 0xF0F0F0;
constexpr Color kSnowOutline = 0xE1E1E1;
constexpr Color kSnowFill = 0xFFFFFF;

// Every direction: from the centre to each point of square rings of radius 1 to 20.
void LinesEveryDirection() {
  std::vector<Shape> shapes;
  const int c = kSide / 2;
  for (int r = 1; r <= 20; ++r) {
    for (int i = -r; i <= r; ++i) {
      for (POINT end : {POINT{c + i, c - r}, POINT{c + i, c + r}, POINT{c - r, c + i},
                        POINT{c + r, c + i}}) {
        shapes.push_back(Polyline({POINT{c, c}, end}, {kRainBright}));
      }
    }
  }
  CompareShapes(shapes);
}

void LinesLongAndClipped() {
  const std::vector<std::vector<POINT>> lines = {
      {{0, 0}, {95, 13}},   {{3, 90}, {91, 2}},     {{10, 10}, {10, 10}},  {{-20, 5}, {40, 60}},
      {{70, -9}, {120, 40}}, {{-5, -5}, {-1, 100}}, {{50, 120}, {50, -30}}, {{0, 95}, {96, 95}},
      {{95, 0}, {95, 96}},  {{-1000, 7}, {1000, 9}},
  };
  std::vector<Shape> shapes;
  for (const auto& l : lines) shapes.push_back(Polyline(l, {kRainBright}));
  CompareShapes(shapes);
}

// Rain drops: two segments, the first two thirds dim, the rest bright, at the slants and
// lengths the rain uses (2 to 4 pixel drops, up to 4 times longer, steep to shallow).
void RainDrops() {
  std::vector<Shape> shapes;
  for (int dx = -6; dx <= 6; ++dx) {
    for (int len = 2; len <= 16; len += 2) {
      const int x = 40, y = 30;
      const int xe = x + dx, ye = y + len;
      const POINT mid{x + (2 * (xe - x)) / 3, y + (2 * (ye - y)) / 3};
      shapes.push_back(Polyline({POINT{x, y}, mid, POINT{xe, ye}}, {kRainDim, kRainBright}));
    }
  }
  CompareShapes(shapes);
}

// Snow flakes: ellipses of 2 to 4 pixels, everywhere including half outside the bitmap.
void SnowFlakes() {
  std::vector<Shape> shapes;
  for (int s = 2; s <= 4; ++s) {
    for (POINT p : {POINT{10, 10}, POINT{0, 0}, POINT{-1, 5}, POINT{94, 94}, POINT{-2, -2},
                    POINT{kSide - 1, 30}}) {
      shapes.push_back(
          BoxShape(Box::kEllipse, p.x, p.y, p.x + s, p.y + s, kSnowOutline, kSnowFill));
    }
  }
  CompareShapes(shapes);
}

// Ellipses and rectangles of every size up to 24 x 24, and boxes given corner-first.
void BoxesEverySize() {
  std::vector<Shape> shapes;
  for (int w = 0; w <= 24; ++w) {
    for (int h = 0; h <= 24; ++h) {
      shapes.push_back(BoxShape(Box::kEllipse, 20, 20, 20 + w, 20 + h, kSnowOutline, 0x4080C0));
    }
  }
  for (int w = 0; w <= 8; ++w) {
    for (int h = 0; h <= 8; ++h) {
      shapes.push_back(BoxShape(Box::kRectangle, 20, 20, 20 + w, 20 + h, kSnowOutline, 0x4080C0));
    }
  }
  shapes.push_back(BoxShape(Box::kEllipse, 30, 30, 22, 25, kSnowOutline, 0x4080C0));
  shapes.push_back(BoxShape(Box::kRectangle, 30, 30, 22, 25, kSnowOutline, 0x4080C0));
  CompareShapes(shapes);
}

void LargeEllipses() {
  std::vector<Shape> shapes;
  for (int w : {31, 40, 57, 80}) {
    for (int h : {9, 30, 41, 80}) {
      shapes.push_back(BoxShape(Box::kEllipse, 5, 5, 5 + w, 5 + h, kSnowOutline, 0x4080C0));
    }
  }
  CompareShapes(shapes);
}

}  // namespace

int main() {
  GdiSurface surface;
  g_surface = &surface;
  const std::vector<Case> cases = {
      {"lines in every direction", LinesEveryDirection},
      {"long and clipped lines", LinesLongAndClipped},
      {"rain drops", RainDrops},
      {"snow flakes", SnowFlakes},
      {"ellipses and rectangles up to 24 pixels", BoxesEverySize},
      {"large ellipses", LargeEllipses},
  };
  return lpc::wine_checks::RunCases(cases);
}
