// ThumbnailGrid: the string-grid base of the thumbnail strip. A grid of equally sized cells
// with a current cell, a top-left cell and its own scroll bars, each shown only while the cells
// do not fit that way; what a cell shows is
// left to DrawCell. Fixed rows and columns are accepted from layouts and kept, but the strip
// never has any, so they are not drawn differently.
#pragma once

#include <string>
#include <vector>

#include "widgets/component.h"
#include "widgets/properties.h"
#include "widgets/scroll_bar.h"

namespace lpc {

enum class ScrollBarSet { ssNone, ssHorizontal, ssVertical, ssBoth };

class ThumbnailGrid : public widgets::Component {
 public:
  ThumbnailGrid();

  bool IsWindowed() const override { return true; }
  bool WantsArrows() const override { return true; }

  int ColCount() const { return col_count_; }
  int RowCount() const { return row_count_; }
  // Counts below 1 become 1; the current and top-left cells stay inside.
  void SetColCount(int n);
  void SetRowCount(int n);
  int DefaultColWidth() const { return col_width_; }
  int DefaultRowHeight() const { return row_height_; }
  void SetDefaultColWidth(int w);
  void SetDefaultRowHeight(int h);

  // The current cell. Moving it asks SelectCell first and scrolls it into view.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void SetCol(int c) { FocusCell(c, row_); }
  void SetRow(int r) { FocusCell(col_, r); }
  int LeftCol() const { return left_col_; }
  int TopRow() const { return top_row_; }
  void SetTopLeft(int col, int row);

  ScrollBarSet ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(ScrollBarSet s);
  // goVertLine and goHorzLine put a one-pixel line after every cell; the others are kept.
  std::vector<std::string> Options;
  void SetOptions(const std::vector<std::string>& options);
  int FixedCols = 0;
  int FixedRows = 0;
  bool DefaultDrawing = true;
  bool Ctl3D = true;
  bool ParentCtl3D = true;
  // bsSingle draws a sunken edge (Ctl3D) or a black line around the cells.
  bool BorderSingle = true;
  // The border's width changes the room for the cells: these lay the grid out again.
  void SetCtl3D(bool ctl3d);
  void SetBorderSingle(bool single);

  Rect ClientRect() const override;
  // The cell's rectangle in component coordinates (it may lie outside the visible area).
  Rect CellRect(int col, int row) const;
  // The cell at a point of the component; false when the point is on no cell.
  bool CellAt(int x, int y, int* col, int* row) const;
  // Rows and columns that fit whole in the visible area (at least 1).
  int VisibleRowCount() const;
  int VisibleColCount() const;

  void Paint(Canvas& canvas) override;
  void MouseDown(const widgets::MouseArgs& args) override;
  void MouseMove(const widgets::MouseArgs& args) override;
  void MouseUp(const widgets::MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  void Timer(int id) override;
  void Resized() override;

 protected:
  int PitchY() const;
  // The area the cells and scroll bars share: inside the border.
  Rect InnerRect() const;
  // May (col, row) become current? The strip always answers yes and reports the image.
  virtual bool SelectCell(int /*col*/, int /*row*/) { return true; }
  virtual void DrawCell(Canvas& canvas, int col, int row, const Rect& r,
                        bool selected) = 0;
  virtual void TopLeftChanged() {}
  // Moves the current cell (through SelectCell) and scrolls it into view.
  void FocusCell(int col, int row);

 private:
  int PitchX() const;
  void UpdateScrollBars();
  int MaxLeftCol() const;
  int MaxTopRow() const;
  void ClampInView();
  void Scrolled(bool vertical, int position);

  int col_count_ = 5;
  int row_count_ = 5;
  int col_width_ = 64;
  int row_height_ = 24;
  int col_ = 0;
  int row_ = 0;
  int left_col_ = 0;
  int top_row_ = 0;
  ScrollBarSet scroll_bars_ = ScrollBarSet::ssBoth;
  bool vert_lines_ = false;
  bool horz_lines_ = false;
  bool selecting_ = false;  // left button went down on a cell
  // Timer ids of the bars' auto-repeat; the strip's own timers use small numbers.
  static constexpr int kHBarTimer = 101;
  static constexpr int kVBarTimer = 102;
  widgets::ScrollBar hbar_{*this, false, kHBarTimer};
  widgets::ScrollBar vbar_{*this, true, kVBarTimer};
  bool hbar_visible_ = false;
  bool vbar_visible_ = false;
  widgets::ScrollBar* bar_drag_ = nullptr;
};

// The grid properties layouts give: ColCount, RowCount, DefaultColWidth, DefaultRowHeight,
// FixedCols, FixedRows, Options, ScrollBars, DefaultDrawing, Ctl3D, ParentCtl3D, BorderStyle.
void PublishGridProperties(widgets::Published<ThumbnailGrid>& p);

}  // namespace lpc
