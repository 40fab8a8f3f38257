#include "base/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace lpc {
namespace {

constexpr Color kPen = 0x00AA0000;
constexpr Color kBrush = 0x0000BB00;

// The bitmap as rows of characters: '.' untouched, 'P' pen, 'B' brush, '?' anything else.
std::vector<std::string> Picture(const Bitmap& b) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.height(); ++y) {
    std::string row;
    for (int x = 0; x < b.width(); ++x) {
      const Color c = b.At(x, y);
      row += c == 0 ? '.' : c == kPen ? 'P' : c == kBrush ? 'B' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> DrawEllipse(int w, int h, int l, int t, int r, int b) {
  Bitmap bm(w, h);
  Canvas c(bm);
  c.PenColor = kPen;
  c.BrushColor = kBrush;
  c.Ellipse(l, t, r, b);
  return Picture(bm);
}

TEST(CanvasLine, EndPointLeftOutStartPointDrawn) {
  struct Case {
    int x0, y0, x1, y1;
    std::vector<Point> points;
  };
  const Case cases[] = {
      {0, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
      {3, 0, 0, 0, {{3, 0}, {2, 0}, {1, 0}}},
      {1, 4, 1, 1, {{1, 4}, {1, 3}, {1, 2}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {0, 0, 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
      {4, 1, 0, 0, {{4, 1}, {3, 1}, {2, 0}, {1, 0}}},
      {0, 0, 1, 4, {{0, 0}, {0, 1}, {0, 2}, {1, 3}}},
      {2, 2, 2, 2, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinePoints(c.x0, c.y0, c.x1, c.y1), c.points)
        << "(" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
  }
}

TEST(CanvasLine, ReversedLineCoversTheSamePixels) {
  // The per-octant bias makes a line and its reverse agree, apart from which end is left out.
  for (int x1 = -7; x1 <= 7; ++x1) {
    for (int y1 = -7; y1 <= 7; ++y1) {
      auto fwd = LinePoints(0, 0, x1, y1);
      auto rev = LinePoints(x1, y1, 0, 0);
      fwd.push_back({x1, y1});
      rev.push_back({0, 0});
      auto key = [](const Point& p) { return std::pair(p.x, p.y); };
      std::set<std::pair<int, int>> a, b;
      for (auto& p : fwd) a.insert(key(p));
      for (auto& p : rev) b.insert(key(p));
      EXPECT_EQ(a, b) << "to (" << x1 << "," << y1 << ")";
      // Connected, one pixel per step of the longer axis.
      EXPECT_EQ(fwd.size(), static_cast<size_t>(std::max(std::abs(x1), std::abs(y1)) + 1));
    }
  }
}

TEST(CanvasLine, LineToMovesThePenAndClips) {
  Bitmap bm(4, 3);
  Canvas c(bm);
  c.PenColor = kPen;
  c.MoveTo(-2, 1);
  c.LineTo(6, 1);
  EXPECT_EQ(c.PenPos(), (Point{6, 1}));
  EXPECT_EQ(Picture(bm), (std::vector<std::string>{"....", "PPPP", "...."}));
}

TEST(CanvasLine, ClippedLinesMatchTheFullWalk) {
  // Lines reaching far outside the bitmap start and stop at its edges; the pixels inside must
  // be exactly those of the whole walk.
  uint32_t state = 12345;
  auto next = [&](int range) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 8) % (2 * range + 1)) - range;
  };
  for (int n = 0; n < 3000; ++n) {
    const int x0 = next(300), y0 = next(300), x1 = next(300), y1 = next(300);
    Bitmap drawn(23, 17), want(23, 17);
    Canvas c(drawn);
    c.PenColor = kPen;
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
    for (const Point& p : LinePoints(x0, y0, x1, y1)) {
      if (want.Contains(p.x, p.y)) want.At(p.x, p.y) = kPen;
    }
    ASSERT_EQ(drawn, want) << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ")";
  }
}

TEST(CanvasLine, HugeLinesCostNoMoreThanTheBitmap) {
  Bitmap bm(8, 8);
  Canvas c(bm);
  c.PenColor = kPen;
  c.MoveTo(-2000000000, 3);
  c.LineTo(2000000000, 4);
  c.MoveTo(-2000000000, -1999999997);
  c.LineTo(2000000000, 2000000003);
  c.MoveTo(5, 2000000000);
  c.LineTo(5, -2000000000);
  int drawn = 0;
  for (int y = 0; y < 8; ++y) for (int x = 0; x < 8; ++x) drawn += bm.At(x, y) == kPen;
  EXPECT_GE(drawn, 8 + 7);
  EXPECT_EQ(bm.At(5, 0), kPen);
}

TEST(CanvasEllipse, SmallBoxesFollowThePlatformRule) {
  EXPECT_EQ(DrawEllipse(4, 4, 1, 1, 3, 3), (std::vector<std::string>{
                                               "....",
                                               ".PP.",
                                               ".PP.",
                                               "....",
                                           }));
  EXPECT_EQ(DrawEllipse(5, 5, 1, 1, 4, 4), (std::vector<std::string>{
                                               ".....",
                                               "..P..",
                                               ".PBP.",
                                               "..P..",
                                               ".....",
                                           }));
  EXPECT_EQ(DrawEllipse(6, 6, 1, 1, 5, 5), (std::vector<std::string>{
                                               "......",
                                               "..PP..",
                                               ".PBBP.",
                                               ".PBBP.",
                                               "..PP..",
                                               "......",
                                           }));
}

TEST(CanvasEllipse, RightAndBottomEdgesExclusiveAndShapeSymmetric) {
  struct Box {
    int l, t, r, b;
  };
  const Box boxes[] = {{2, 3, 12, 9}, {1, 1, 8, 8}, {0, 0, 15, 6}, {3, 2, 7, 13}, {1, 1, 20, 19}};
  for (const Box& box : boxes) {
    SCOPED_TRACE(testing::Message() << box.l << "," << box.t << "," << box.r << "," << box.b);
    const auto pic = DrawEllipse(24, 24, box.l, box.t, box.r, box.b);
    int minx = 99, maxx = -1, miny = 99, maxy = -1;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        if (pic[y][x] == '.') continue;
        minx = std::min(minx, x); maxx = std::max(maxx, x);
        miny = std::min(miny, y); maxy = std::max(maxy, y);
        // Mirror images across both axes of the box are drawn alike.
        EXPECT_EQ(pic[y][box.l + box.r - 1 - x], pic[y][x]);
        EXPECT_EQ(pic[box.t + box.b - 1 - y][x], pic[y][x]);
      }
    }
    EXPECT_EQ(minx, box.l);
    EXPECT_EQ(maxx, box.r - 1);
    EXPECT_GE(miny, box.t);
    EXPECT_LE(maxy, box.b - 1);
    // The quadrant walk stops at the middle column, so boxes much taller than wide end short
    // of their top and bottom rows, as the reference GDI's do; wide and round ones fill them.
    if (box.r - box.l >= box.b - box.t) {
      EXPECT_EQ(miny, box.t);
      EXPECT_EQ(maxy, box.b - 1);
    }
    // Each row is one solid run: outline at its ends, brush between.
    for (int y = miny; y <= maxy; ++y) {
      const std::string& row = pic[y];
      const size_t a = row.find_first_not_of('.'), e = row.find_last_not_of('.');
      ASSERT_NE(a, std::string::npos);
      EXPECT_EQ(row.substr(a, e - a + 1).find('.'), std::string::npos) << row;
      EXPECT_EQ(row[a], 'P');
      EXPECT_EQ(row[e], 'P');
    }
  }
}

TEST(CanvasEllipse, ReversedAndEmptyBoxes) {
  EXPECT_EQ(DrawEllipse(6, 6, 5, 5, 1, 1), DrawEllipse(6, 6, 1, 1, 5, 5));
  const std::vector<std::string> blank(4, "....");
  EXPECT_EQ(DrawEllipse(4, 4, 1, 1, 1, 3), blank);
  EXPECT_EQ(DrawEllipse(4, 4, 1, 2, 3, 2), blank);
}

TEST(CanvasRectangle, OutlineAndInside) {
  Bitmap bm(6, 5);
  Canvas c(bm);
  c.PenColor = kPen;
  c.BrushColor = kBrush;
  c.Rectangle(1, 0, 5, 4);
  EXPECT_EQ(Picture(bm), (std::vector<std::string>{
                             ".PPPP.",
                             ".PBBP.",
                             ".PBBP.",
                             ".PPPP.",
                             "......",
                         }));
  Bitmap clear(4, 4);
  Canvas d(clear);
  d.PenColor = kPen;
  d.BrushClear = true;
  d.Rectangle(0, 0, 4, 4);
  EXPECT_EQ(Picture(clear), (std::vector<std::string>{"PPPP", "P..P", "P..P", "PPPP"}));
}

TEST(CanvasFill, FillRectHalfOpenAndClipped) {
  Bitmap bm(5, 4);
  Canvas c(bm);
  c.BrushColor = kBrush;
  c.FillRect(Rect{-3, 1, 2, 9});
  c.SetClip(Rect{3, 0, 5, 2});
  c.FillRect(Rect{0, 0, 5, 4}, kPen);
  c.SetPixel(0, 0, kPen);  // outside the clip
  EXPECT_EQ(c.Pixel(4, 1), kPen);
  EXPECT_EQ(c.Pixel(0, 1), 0u);  // outside the clip reads 0
  c.ClearClip();
  EXPECT_EQ(Picture(bm), (std::vector<std::string>{"...PP", "BB.PP", "BB...", "BB..."}));
}

TEST(CanvasCopy, StretchRepeatsOrDropsWholePixels) {
  Bitmap src(2, 2);
  src.At(0, 0) = 1; src.At(1, 0) = 2; src.At(0, 1) = 3; src.At(1, 1) = 4;
  Bitmap big(4, 4);
  Canvas(big).StretchDraw(Rect{0, 0, 4, 4}, src);
  const Color want[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
  for (int y = 0; y < 4; ++y) for (int x = 0; x < 4; ++x) EXPECT_EQ(big.At(x, y), want[y][x]);
  Bitmap small(1, 1);
  Canvas(small).StretchDraw(Rect{0, 0, 1, 1}, big);
  EXPECT_EQ(small.At(0, 0), 1u);
  Bitmap shifted(3, 3);
  Canvas(shifted).Draw(-1, 1, src);
  EXPECT_EQ(shifted.At(0, 1), 2u);
  EXPECT_EQ(shifted.At(0, 2), 4u);
  EXPECT_EQ(shifted.At(1, 1), 0u);
}

TEST(CanvasUndo, ReplayingTheLogBackwardsRestoresTheBitmap) {
  Bitmap bm(12, 10);
  for (int y = 0; y < 10; ++y) for (int x = 0; x < 12; ++x) bm.At(x, y) = MakeColor(x, y, 9);
  const Bitmap before = bm;
  std::vector<std::pair<size_t, Color>> log;
  Canvas c(bm);
  c.UndoLog = &log;
  c.PenColor = kPen;
  c.BrushColor = kBrush;
  c.MoveTo(-3, 2);
  c.LineTo(14, 7);
  c.Ellipse(1, 1, 5, 5);  // small: drawn from its cached shape
  c.Ellipse(2, 0, 11, 10);  // overlaps the first and the line
  c.Rectangle(8, 6, 13, 12);
  c.FillRect(Rect{0, 8, 3, 10});
  c.StretchDraw(Rect{6, 0, 8, 2}, before);
  ASSERT_NE(bm, before);
  for (auto it = log.rbegin(); it != log.rend(); ++it) bm.data()[it->first] = it->second;
  EXPECT_EQ(bm, before);
}

struct FakeText : TextRenderer {
  void DrawText(Bitmap& b, int x, int y, const std::string& t, const FontSpec&, Color c) override {
    for (size_t i = 0; i < t.size(); ++i) Canvas(b).SetPixel(x + static_cast<int>(i), y, c);
  }
  Size MeasureText(const std::string& t, const FontSpec& f) override {
    return {static_cast<int>(t.size()), f.height};
  }
};

TEST(CanvasText, GoesThroughTheRendererOrDoesNothing) {
  Bitmap bm(4, 2);
  Canvas c(bm);
  c.TextOut(0, 0, "abc");
  EXPECT_EQ(c.TextExtent("abc"), (Size{0, 0}));
  FakeText text;
  c.SetTextRenderer(&text);
  c.FontColor = kPen;
  c.TextOut(1, 1, "ab");
  EXPECT_EQ(Picture(bm), (std::vector<std::string>{"....", ".PP."}));
  EXPECT_EQ(c.TextExtent("abc"), (Size{3, 13}));
}

}  // namespace
}  // namespace lpc
