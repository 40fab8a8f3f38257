#include "base/canvas.h"

#include <algorithm>
#include <cstdlib>

namespace lpc {

namespace {

Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// ---------------------------------------------------------------------------------------------
// Pixel rules of a 1-pixel solid pen, as the Windows GDI draws them. Kept together here so that
// a comparison against real GDI output has one place to look.
//
// Lines. Every line covers its start point and leaves out its end point. A horizontal or
// vertical line is the straight run between them. Every other line is Bresenham from the start point, for
// |major| steps (the end point excluded), with the error term starting at 2*minor - major; the
// minor coordinate steps when err + bias > 0. The bias is 1 in the octants numbered 3, 5, 6 and
// 8 (counted clockwise from +x with y pointing down), which makes a line and its reverse cover
// the same pixels apart from the end points.
//
// With a clip rectangle the walk starts at the first step whose major coordinate lies inside
// it and stops after the last, so a line reaching far outside the bitmap costs no more than
// one across it. After i steps the minor coordinate has moved
//   n(i) = ceil((2*minor - major + bias + 2*minor*(i - 1)) / (2*major))
// times, which gives the error term to resume with.
template <typename Plot>
void WalkLine(int x0, int y0, int x1, int y1, Plot&& plot, const Rect* clip = nullptr) {
  // Steps [first, last) of a run of `count` steps from m0 in direction inc whose coordinate
  // lies within [lo, hi).
  auto clip_steps = [](long long m0, int inc, long long count, long long lo, long long hi,
                       long long& first, long long& last) {
    if (inc > 0) {
      first = std::max(0LL, lo - m0);
      last = std::min(count, hi - m0);
    } else {
      first = std::max(0LL, m0 - hi + 1);
      last = std::min(count, m0 - lo + 1);
    }
  };
  if (y0 == y1 || x0 == x1) {
    const bool horizontal = y0 == y1;
    const long long m0 = horizontal ? x0 : y0, m1 = horizontal ? x1 : y1;
    const int inc = m1 > m0 ? 1 : -1;
    long long first = 0, last = inc > 0 ? m1 - m0 : m0 - m1;
    if (clip) {
      clip_steps(m0, inc, last, horizontal ? clip->left : clip->top,
                 horizontal ? clip->right : clip->bottom, first, last);
    }
    for (long long i = first; i < last; ++i) {
      const int m = static_cast<int>(m0 + i * inc);
      if (horizontal) plot(m, y0); else plot(x0, m);
    }
    return;
  }
  const long long dx = static_cast<long long>(x1) - x0;
  const long long dy = static_cast<long long>(y1) - y0;
  const long long adx = std::llabs(dx), ady = std::llabs(dy);
  int octant;
  if (dy > 0) {
    octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  } else {
    octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  }
  const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
  const bool x_major = octant == 1 || octant == 4 || octant == 5 || octant == 8;
  const int x_inc = dx > 0 ? 1 : -1;
  const int y_inc = dy > 0 ? 1 : -1;
  const long long major = x_major ? adx : ady;
  const long long minor = x_major ? ady : adx;
  const long long err0 = 2 * minor - major;
  const long long add_step = 2 * minor - 2 * major;  // when the minor coordinate steps
  const long long add_stay = 2 * minor;
  long long first = 0, last = major;
  if (clip) {
    if (x_major) {
      clip_steps(x0, x_inc, major, clip->left, clip->right, first, last);
    } else {
      clip_steps(y0, y_inc, major, clip->top, clip->bottom, first, last);
    }
    if (first >= last) return;
  }
  long long err = err0;
  long long x = x0, y = y0;
  if (first > 0) {
    const __int128 num = static_cast<__int128>(err0) + bias + static_cast<__int128>(2 * minor) * (first - 1);
    const __int128 den = 2 * static_cast<__int128>(major);
    const __int128 n = num >= 0 ? (num + den - 1) / den : -((-num) / den);
    err = static_cast<long long>(err0 + static_cast<__int128>(2 * minor) * first - den * n);
    if (x_major) {
      x += first * x_inc;
      y += static_cast<long long>(n) * y_inc;
    } else {
      y += first * y_inc;
      x += static_cast<long long>(n) * x_inc;
    }
  }
  for (long long i = first; i < last; ++i) {
    plot(static_cast<int>(x), static_cast<int>(y));
    if (err + bias > 0) {
      if (x_major) y += y_inc; else x += x_inc;
      err += add_step;
    } else {
      err += add_stay;
    }
    if (x_major) x += x_inc; else y += y_inc;
  }
}

// Ellipses. The outline of Ellipse(l, t, r, b) is the closed polygon through the points of one
// quadrant (computed by the integer midpoint method of Alois Zingl for an ellipse of width
// w = r - l and height h = b - t, starting at (w - 1, h / 2) and ending at x = w / 2), mirrored
// left-right and top-bottom; the polygon's edges are drawn with the line rule above. The inside
// is every pixel between the outline's leftmost and rightmost pixel of a row. Boxes of width or
// height 2 or less are drawn as rectangles. All of this stays within x l..r-1, y t..b-1.
void EllipseOutline(int l, int t, int r, int b, std::vector<Point>& q, std::vector<Point>& pts) {
  const int w = r - l, h = b - t;
  const long long a = w - 1, bb = h - 1;
  const long long asq = 8 * a * a, bsq = 8 * bb * bb;
  long long dx = 4 * bb * bb * (1 - a);
  long long dy = 4 * a * a * (1 + (bb % 2));
  long long err = dx + dy + a * a * (bb % 2);
  q.clear();
  Point pt{static_cast<int>(a), h / 2};
  while (pt.x >= w / 2) {
    const long long e2 = 2 * err;
    q.push_back(pt);
    if (e2 >= dx) {
      pt.x--;
      err += dx += bsq;
    }
    if (e2 <= dy) {
      pt.y++;
      err += dy += asq;
    }
  }
  // Place the quadrant at the bottom right, then mirror to the bottom left (walking back, so
  // the polygon runs round), then everything to the top.
  pts.clear();
  pts.reserve(q.size() * 4);
  for (const Point& p : q) pts.push_back({r - w + p.x, b - h + p.y});
  const size_t n1 = pts.size();
  size_t end = 2 * n1 - 1;
  if (w % 2) end--;  // the middle column is shared
  pts.resize(end + 1);
  for (size_t i = 0; i < n1; ++i) pts[end - i] = {l + r - 1 - pts[i].x, pts[i].y};
  const size_t n2 = pts.size();
  end = 2 * n2 - 1;
  if (h % 2) end--;  // the middle row is shared
  pts.resize(end + 1);
  for (size_t i = 0; i < n2; ++i) pts[end - i] = {pts[i].x, t + b - 1 - pts[i].y};
}

constexpr long long kMaxEllipseSide = 1 << 16;
constexpr int kSmallEllipse = 32;

// Orders a box and says whether it covers anything.
bool NormaliseBox(int& l, int& t, int& r, int& b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  return l != r && t != b;
}

}  // namespace

std::vector<Point> LinePoints(int x0, int y0, int x1, int y1) {
  std::vector<Point> out;
  WalkLine(x0, y0, x1, y1, [&](int x, int y) { out.push_back({x, y}); });
  return out;
}

Rect Canvas::ClipBounds() const {
  Rect r{0, 0, target_->width(), target_->height()};
  return has_clip_ ? Intersect(r, clip_) : r;
}

void Canvas::SetClip(const Rect& clip) {
  has_clip_ = true;
  clip_ = clip;
}

void Canvas::ClearClip() { has_clip_ = false; }

void Canvas::SetPixel(int x, int y, Color c) {
  const Rect b = Bounds();
  if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) Put(x, y, c);
}

Color Canvas::Pixel(int x, int y) const {
  const Rect b = Bounds();
  if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return target_->At(x, y);
  return 0;
}

void Canvas::HorizontalSpan(int y, int x0, int x1, Color c) {
  const Rect b = Bounds();
  if (y < b.top || y >= b.bottom) return;
  x0 = std::max(x0, b.left);
  x1 = std::min(x1, b.right);
  if (x0 >= x1) return;
  if (UndoLog != nullptr) {
    for (int x = x0; x < x1; ++x) Put(x, y, c);
    return;
  }
  std::fill(target_->Row(y) + x0, target_->Row(y) + x1, c);
}

void Canvas::FillRect(const Rect& r) { FillRect(r, BrushColor); }

void Canvas::FillRect(const Rect& r, Color c) {
  const Rect a = Intersect(r, Bounds());
  for (int y = a.top; y < a.bottom; ++y) HorizontalSpan(y, a.left, a.right, c);
}

void Canvas::MoveTo(int x, int y) { pen_pos_ = {x, y}; }

void Canvas::LineTo(int x, int y) {
  const Rect b = Bounds();
  const Color c = PenColor;
  const Point from = pen_pos_;
  pen_pos_ = {x, y};
  // Every point lies within the box of the two end points.
  const int x0 = std::min(from.x, x), x1 = std::max(from.x, x);
  const int y0 = std::min(from.y, y), y1 = std::max(from.y, y);
  if (x1 < b.left || x0 >= b.right || y1 < b.top || y0 >= b.bottom) return;
  Color* const pixels = target_->data();
  const ptrdiff_t stride = target_->width();
  if (UndoLog != nullptr) {
    WalkLine(from.x, from.y, x, y, [&](int px, int py) {
      if (px >= b.left && px < b.right && py >= b.top && py < b.bottom) Put(px, py, c);
    }, &b);
    return;
  }
  if (x0 >= b.left && x1 < b.right && y0 >= b.top && y1 < b.bottom) {
    WalkLine(from.x, from.y, x, y, [&](int px, int py) { pixels[py * stride + px] = c; });
    return;
  }
  WalkLine(from.x, from.y, x, y, [&](int px, int py) {
    if (px >= b.left && px < b.right && py >= b.top && py < b.bottom) pixels[py * stride + px] = c;
  }, &b);
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  if (!NormaliseBox(left, top, right, bottom)) return;
  // Inside first, then the outline round the last covered row and column.
  if (!BrushClear) FillRect(Rect{left + 1, top + 1, right - 1, bottom - 1}, BrushColor);
  const Point saved = pen_pos_;
  const int r = right - 1, btm = bottom - 1;
  MoveTo(r, btm);
  LineTo(left, btm);
  LineTo(left, top);
  LineTo(r, top);
  LineTo(r, btm);
  pen_pos_ = saved;
}

// The pixels of one ellipse shape, relative to its box: 0 untouched, 1 outline, 2 inside.
struct EllipseShape {
  int w = 0, h = 0;
  std::vector<uint8_t> cells;
};

void Canvas::Ellipse(int left, int top, int right, int bottom) {
  if (!NormaliseBox(left, top, right, bottom)) return;
  if (right - left <= 2 || bottom - top <= 2) {
    Rectangle(left, top, right, bottom);
    return;
  }
  // Far beyond any bitmap: the outline walk would cost as much as the box is large.
  if (static_cast<long long>(right) - left > kMaxEllipseSide ||
      static_cast<long long>(bottom) - top > kMaxEllipseSide) {
    return;
  }
  const int w = right - left, h = bottom - top;
  if (w > kSmallEllipse || h > kSmallEllipse) {
    DrawEllipseDirect(left, top, right, bottom);
    return;
  }
  // Small ellipses (snow draws a thousand per frame, in three sizes) are drawn from their
  // shape, worked out once per size by drawing into a scratch bitmap.
  thread_local std::vector<EllipseShape> shapes;
  const EllipseShape* shape = nullptr;
  for (const EllipseShape& s : shapes) {
    if (s.w == w && s.h == h) shape = &s;
  }
  if (shape == nullptr) {
    EllipseShape s;
    s.w = w;
    s.h = h;
    Bitmap scratch(w, h);
    Canvas c(scratch);
    c.PenColor = 1;
    c.BrushColor = 2;
    c.DrawEllipseDirect(0, 0, w, h);
    s.cells.resize(static_cast<size_t>(w) * h);
    for (int i = 0; i < w * h; ++i) s.cells[i] = static_cast<uint8_t>(scratch.data()[i]);
    if (shapes.size() >= 16) shapes.erase(shapes.begin());
    shapes.push_back(std::move(s));
    shape = &shapes.back();
  }
  const Rect b = Bounds();
  const uint8_t* cell = shape->cells.data();
  for (int y = top; y < bottom; ++y) {
    const bool row_in = y >= b.top && y < b.bottom;
    for (int x = left; x < right; ++x, ++cell) {
      if (*cell == 0 || !row_in || x < b.left || x >= b.right) continue;
      if (*cell == 1) {
        Put(x, y, PenColor);
      } else if (!BrushClear) {
        Put(x, y, BrushColor);
      }
    }
  }
}

void Canvas::DrawEllipseDirect(int left, int top, int right, int bottom) {
  // Scratch space kept between calls.
  thread_local std::vector<Point> quadrant, pts;
  thread_local std::vector<int> lo, hi;
  EllipseOutline(left, top, right, bottom, quadrant, pts);
  if (!BrushClear) {
    const int h = bottom - top;
    lo.assign(static_cast<size_t>(h), right);
    hi.assign(static_cast<size_t>(h), left - 1);
    auto note = [&](int x, int y) {
      if (y < top || y >= bottom) return;
      lo[y - top] = std::min(lo[y - top], x);
      hi[y - top] = std::max(hi[y - top], x);
    };
    for (size_t i = 0; i < pts.size(); ++i) {
      const Point& p = pts[i];
      const Point& q = pts[(i + 1) % pts.size()];
      note(p.x, p.y);
      WalkLine(p.x, p.y, q.x, q.y, note);
    }
    for (int y = 0; y < h; ++y) {
      if (hi[y] >= lo[y]) HorizontalSpan(top + y, lo[y], hi[y] + 1, BrushColor);
    }
  }
  const Point saved = pen_pos_;
  for (size_t i = 0; i < pts.size(); ++i) {
    const Point& p = pts[i];
    const Point& q = pts[(i + 1) % pts.size()];
    SetPixel(p.x, p.y, PenColor);
    MoveTo(p.x, p.y);
    LineTo(q.x, q.y);
  }
  pen_pos_ = saved;
}

void Canvas::Draw(int x, int y, const Bitmap& source) {
  CopyRect(MakeRect(x, y, source.width(), source.height()), source,
           Rect{0, 0, source.width(), source.height()});
}

void Canvas::StretchDraw(const Rect& dest, const Bitmap& source) {
  CopyRect(dest, source, Rect{0, 0, source.width(), source.height()});
}

// Colour-on-colour stretching: destination pixel i of a span of dn pixels takes source pixel
// floor(i * sn / dn) of a span of sn pixels, so pixels are repeated or dropped, never mixed.
// Source pixels outside the source bitmap are left undrawn.
void Canvas::CopyRect(const Rect& dest, const Bitmap& source, const Rect& src) {
  const int dw = dest.Width(), dh = dest.Height();
  const int sw = src.Width(), sh = src.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || source.empty()) return;
  const Rect clip = Intersect(dest, Bounds());
  if (clip.IsEmpty()) return;
  const bool same = dw == sw && dh == sh;
  std::vector<int> xmap(static_cast<size_t>(clip.Width()));
  for (int x = clip.left; x < clip.right; ++x) {
    const long long i = x - dest.left;
    xmap[x - clip.left] =
        src.left + static_cast<int>(same ? i : i * sw / dw);
  }
  for (int y = clip.top; y < clip.bottom; ++y) {
    const long long j = y - dest.top;
    const int sy = src.top + static_cast<int>(same ? j : j * sh / dh);
    if (sy < 0 || sy >= source.height()) continue;
    const Color* in = source.Row(sy);
    Color* out = target_->Row(y);
    for (int x = clip.left; x < clip.right; ++x) {
      const int sx = xmap[x - clip.left];
      if (sx < 0 || sx >= source.width()) continue;
      if (UndoLog != nullptr) UndoLog->emplace_back(static_cast<size_t>(y) * target_->width() + x, out[x]);
      out[x] = in[sx];
    }
  }
}

void Canvas::TextOut(int x, int y, const std::string& text) {
  if (text_ != nullptr) text_->DrawText(*target_, x, y, text, Font, FontColor);
}

Size Canvas::TextExtent(const std::string& text) const {
  return text_ != nullptr ? text_->MeasureText(text, Font) : Size{};
}

}  // namespace lpc
