#include "configwindow/thumbnail_grid.h"

#include <algorithm>

#include "base/paths.h"
#include "widgets/draw.h"
#include "widgets/stock_classes.h"

namespace lpc {

using widgets::MouseArgs;
using widgets::ToRGB;

ThumbnailGrid::ThumbnailGrid() {
  TabStop = true;
  SetColor(widgets::clWindow);
  hbar_.OnScroll = [this](int p) { Scrolled(false, p); };
  vbar_.OnScroll = [this](int p) { Scrolled(true, p); };
}

void ThumbnailGrid::SetColCount(int n) {
  col_count_ = std::max(1, n);
  col_ = std::min(col_, col_count_ - 1);
  left_col_ = std::min(left_col_, col_count_ - 1);
  UpdateScrollBars();
  Invalidate();
}

void ThumbnailGrid::SetRowCount(int n) {
  row_count_ = std::max(1, n);
  row_ = std::min(row_, row_count_ - 1);
  top_row_ = std::min(top_row_, row_count_ - 1);
  UpdateScrollBars();
  Invalidate();
}

void ThumbnailGrid::SetDefaultColWidth(int w) {
  col_width_ = std::max(0, w);
  UpdateScrollBars();
  Invalidate();
}

void ThumbnailGrid::SetDefaultRowHeight(int h) {
  row_height_ = std::max(0, h);
  UpdateScrollBars();
  Invalidate();
}

void ThumbnailGrid::SetScrollBars(ScrollBarSet s) {
  scroll_bars_ = s;
  UpdateScrollBars();
  Invalidate();
}

void ThumbnailGrid::SetOptions(const std::vector<std::string>& options) {
  Options = options;
  vert_lines_ = horz_lines_ = false;
  for (const std::string& o : options) {
    if (SameText(o, "goVertLine")) vert_lines_ = true;
    if (SameText(o, "goHorzLine")) horz_lines_ = true;
  }
  UpdateScrollBars();
  Invalidate();
}

int ThumbnailGrid::PitchX() const { return col_width_ + (vert_lines_ ? 1 : 0); }
int ThumbnailGrid::PitchY() const { return row_height_ + (horz_lines_ ? 1 : 0); }

Rect ThumbnailGrid::InnerRect() const {
  const int border = BorderSingle ? (Ctl3D ? 2 : 1) : 0;
  return Rect{border, border, std::max(border, Width() - border),
              std::max(border, Height() - border)};
}

Rect ThumbnailGrid::ClientRect() const {
  Rect r = InnerRect();
  if (vbar_visible_) r.right = std::max(r.left, r.right - widgets::ScrollBar::kSize);
  if (hbar_visible_) r.bottom = std::max(r.top, r.bottom - widgets::ScrollBar::kSize);
  return r;
}

int ThumbnailGrid::VisibleColCount() const {
  return std::max(1, ClientRect().Width() / std::max(1, PitchX()));
}

int ThumbnailGrid::VisibleRowCount() const {
  return std::max(1, ClientRect().Height() / std::max(1, PitchY()));
}

int ThumbnailGrid::MaxLeftCol() const { return std::max(0, col_count_ - VisibleColCount()); }
int ThumbnailGrid::MaxTopRow() const { return std::max(0, row_count_ - VisibleRowCount()); }

void ThumbnailGrid::UpdateScrollBars() {
  const Rect inner = InnerRect();
  const bool want_h =
      scroll_bars_ == ScrollBarSet::ssHorizontal || scroll_bars_ == ScrollBarSet::ssBoth;
  const bool want_v =
      scroll_bars_ == ScrollBarSet::ssVertical || scroll_bars_ == ScrollBarSet::ssBoth;
  const int64_t total_w = int64_t{col_count_} * PitchX();
  const int64_t total_h = int64_t{row_count_} * PitchY();
  bool h = false;
  bool v = false;
  // A bar takes room from the other direction, which may then need its own bar too.
  for (int pass = 0; pass < 2; ++pass) {
    h = want_h && total_w > inner.Width() - (v ? widgets::ScrollBar::kSize : 0);
    v = want_v && total_h > inner.Height() - (h ? widgets::ScrollBar::kSize : 0);
  }
  hbar_visible_ = h;
  vbar_visible_ = v;
  const int right = v ? inner.right - widgets::ScrollBar::kSize : inner.right;
  const int bottom = h ? inner.bottom - widgets::ScrollBar::kSize : inner.bottom;
  hbar_.SetBounds(h ? Rect{inner.left, bottom, right, inner.bottom} : Rect{});
  vbar_.SetBounds(v ? Rect{right, inner.top, inner.right, bottom} : Rect{});
  left_col_ = std::min(left_col_, MaxLeftCol());
  top_row_ = std::min(top_row_, MaxTopRow());
  // Positions run from 0 to count - visible: the top-left cell.
  hbar_.SetRange(0, col_count_ - 1, VisibleColCount());
  hbar_.SetPosition(left_col_);
  vbar_.SetRange(0, row_count_ - 1, VisibleRowCount());
  vbar_.SetPosition(top_row_);
}

Rect ThumbnailGrid::CellRect(int col, int row) const {
  const Rect client = ClientRect();
  const int x = client.left + (col - left_col_) * PitchX();
  const int y = client.top + (row - top_row_) * PitchY();
  return Rect{x, y, x + col_width_, y + row_height_};
}

bool ThumbnailGrid::CellAt(int x, int y, int* col, int* row) const {
  const Rect client = ClientRect();
  if (x < client.left || y < client.top || x >= client.right || y >= client.bottom) return false;
  const int c = left_col_ + (x - client.left) / std::max(1, PitchX());
  const int r = top_row_ + (y - client.top) / std::max(1, PitchY());
  if (c >= col_count_ || r >= row_count_) return false;
  *col = c;
  *row = r;
  return true;
}

void ThumbnailGrid::SetTopLeft(int col, int row) {
  col = std::clamp(col, 0, MaxLeftCol());
  row = std::clamp(row, 0, MaxTopRow());
  if (col == left_col_ && row == top_row_) return;
  left_col_ = col;
  top_row_ = row;
  hbar_.SetPosition(left_col_);
  vbar_.SetPosition(top_row_);
  TopLeftChanged();
  Invalidate();
}

void ThumbnailGrid::Scrolled(bool vertical, int position) {
  SetTopLeft(vertical ? left_col_ : position, vertical ? position : top_row_);
}

void ThumbnailGrid::ClampInView() {
  int left = left_col_;
  int top = top_row_;
  if (col_ < left) left = col_;
  else if (col_ >= left + VisibleColCount()) left = col_ - VisibleColCount() + 1;
  if (row_ < top) top = row_;
  else if (row_ >= top + VisibleRowCount()) top = row_ - VisibleRowCount() + 1;
  SetTopLeft(left, top);
}

void ThumbnailGrid::FocusCell(int col, int row) {
  // Cells outside the grid are not there to select.
  if (col < 0 || row < 0 || col >= col_count_ || row >= row_count_) return;
  if (!SelectCell(col, row)) return;
  col_ = col;
  row_ = row;
  ClampInView();
  Invalidate();
}

void ThumbnailGrid::Resized() {
  UpdateScrollBars();
  Invalidate();
}

void ThumbnailGrid::Paint(Canvas& canvas) {
  const Rect all{0, 0, Width(), Height()};
  const lpc::Color color = ToRGB(EffectiveColor());
  if (BorderSingle) {
    if (Ctl3D) {
      widgets::DrawEdge(canvas, all, widgets::EdgeKind::kSunken);
    } else {
      widgets::Frame3D(canvas, all, ToRGB(widgets::clWindowFrame), ToRGB(widgets::clWindowFrame));
    }
  }
  const Rect client = ClientRect();
  canvas.FillRect(client, color);
  if (!client.IsEmpty()) {
    canvas.SetClip(client);
    const lpc::Color line = ToRGB(widgets::clBtnFace);
    for (int r = top_row_; r < row_count_; ++r) {
      const Rect first = CellRect(left_col_, r);
      if (first.top >= client.bottom) break;
      for (int c = left_col_; c < col_count_; ++c) {
        const Rect cell = CellRect(c, r);
        if (cell.left >= client.right) break;
        DrawCell(canvas, c, r, cell, c == col_ && r == row_);
        canvas.SetClip(client);  // a cell may have narrowed it
        if (vert_lines_) canvas.FillRect(Rect{cell.right, cell.top, cell.right + 1, cell.bottom + 1}, line);
        if (horz_lines_) canvas.FillRect(Rect{cell.left, cell.bottom, cell.right + 1, cell.bottom + 1}, line);
      }
    }
    canvas.ClearClip();
  }
  if (hbar_visible_) hbar_.Paint(canvas);
  if (vbar_visible_) vbar_.Paint(canvas);
  if (hbar_visible_ && vbar_visible_) {
    canvas.FillRect(Rect{vbar_.Bounds().left, hbar_.Bounds().top, vbar_.Bounds().right,
                         hbar_.Bounds().bottom},
                    ToRGB(widgets::clBtnFace));
  }
}

void ThumbnailGrid::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    for (auto [bar, shown] : {std::pair{&hbar_, hbar_visible_}, std::pair{&vbar_, vbar_visible_}}) {
      if (shown && bar->MouseDown(args.x, args.y)) {
        bar_drag_ = bar;
        Invalidate();
        Component::MouseDown(args);
        return;
      }
    }
    int c = 0;
    int r = 0;
    if (CellAt(args.x, args.y, &c, &r)) {
      selecting_ = true;
      FocusCell(c, r);
    }
  }
  Component::MouseDown(args);
}

void ThumbnailGrid::MouseMove(const MouseArgs& args) {
  if (bar_drag_) {
    bar_drag_->MouseMove(args.x, args.y);
    Invalidate();
  } else if (selecting_) {
    // Dragging with the button held walks the current cell along.
    int c = 0;
    int r = 0;
    if (CellAt(args.x, args.y, &c, &r) && (c != col_ || r != row_)) FocusCell(c, r);
  }
  Component::MouseMove(args);
}

void ThumbnailGrid::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    if (bar_drag_) {
      bar_drag_->MouseUp(args.x, args.y);
      bar_drag_ = nullptr;
      Invalidate();
    }
    selecting_ = false;
  }
  Component::MouseUp(args);
}

bool ThumbnailGrid::KeyDown(int key, unsigned modifiers) {
  namespace keys = platform::keys;
  const bool ctrl = (modifiers & platform::kModCtrl) != 0;
  int c = col_;
  int r = row_;
  switch (key) {
    case keys::kLeft: c = std::max(0, c - 1); break;
    case keys::kRight: c = std::min(col_count_ - 1, c + 1); break;
    case keys::kUp: r = std::max(0, r - 1); break;
    case keys::kDown: r = std::min(row_count_ - 1, r + 1); break;
    case keys::kPageUp: r = std::max(0, r - VisibleRowCount()); break;
    case keys::kPageDown: r = std::min(row_count_ - 1, r + VisibleRowCount()); break;
    case keys::kHome: if (ctrl) r = 0; else c = 0; break;
    case keys::kEnd: if (ctrl) r = row_count_ - 1; else c = col_count_ - 1; break;
    default: return false;
  }
  if (c != col_ || r != row_) FocusCell(c, r);
  return true;
}

void ThumbnailGrid::Timer(int id) {
  if (hbar_.HandleTimer(id) || vbar_.HandleTimer(id)) Invalidate();
}

void ThumbnailGrid::SetCtl3D(bool ctl3d) {
  Ctl3D = ctl3d;
  Resized();
}

void ThumbnailGrid::SetBorderSingle(bool single) {
  BorderSingle = single;
  Resized();
}

void PublishGridProperties(widgets::Published<ThumbnailGrid>& p) {
  using G = ThumbnailGrid;
  p.Int("ColCount", &G::SetColCount, &G::ColCount);
  p.Int("RowCount", &G::SetRowCount, &G::RowCount);
  p.Int("DefaultColWidth", &G::SetDefaultColWidth, &G::DefaultColWidth);
  p.Int("DefaultRowHeight", &G::SetDefaultRowHeight, &G::DefaultRowHeight);
  p.Int("FixedCols", [](G& g, int v) { g.FixedCols = v; }, [](const G& g) { return g.FixedCols; });
  p.Int("FixedRows", [](G& g, int v) { g.FixedRows = v; }, [](const G& g) { return g.FixedRows; });
  p.Raw("Options", [](G& g, const PropertyValue& v) { g.SetOptions(widgets::ValueToSet(v)); });
  p.Enum<ScrollBarSet>("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"},
                       &G::SetScrollBars, &G::ScrollBars);
  p.Bool("DefaultDrawing", [](G& g, bool v) { g.DefaultDrawing = v; });
  p.Bool("Ctl3D", &G::SetCtl3D, &G::Ctl3D);
  p.Bool("ParentCtl3D", [](G& g, bool v) { g.ParentCtl3D = v; });
  p.Enum("BorderStyle", {"bsNone", "bsSingle"}, [](G& g, int v) { g.SetBorderSingle(v == 1); });
  p.Ignored("GridLineWidth");
  p.Ignored("FixedColor");
}

}  // namespace lpc
