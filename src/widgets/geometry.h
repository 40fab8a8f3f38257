// Small rectangle arithmetic the controls share.
#pragma once

#include <algorithm>

#include "base/canvas.h"

namespace lpc::widgets {

inline bool PtInRect(const Rect& r, int x, int y) {
  return x >= r.left && y >= r.top && x < r.right && y < r.bottom;
}
inline Rect IntersectRect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return Rect{};
  return r;
}
// Shrinks by d on every side (grows for negative d).
inline Rect InsetRect(const Rect& r, int d) {
  return Rect{r.left + d, r.top + d, r.right - d, r.bottom - d};
}
inline Rect OffsetRect(const Rect& r, int dx, int dy) {
  return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace lpc::widgets
