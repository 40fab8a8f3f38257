#include "configwindow/thumbnail_strip.h"

#include <algorithm>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "configwindow/picture_kind.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "presentation/wallpaper.h"
#include "widgets/draw.h"
#include "widgets/stock_classes.h"

namespace lpc {

using widgets::MouseArgs;
using widgets::ToRGB;

namespace {

constexpr int kBuildTimer = 1;
// Pictures made per timer tick once the first paint is on screen: small enough that input
// between ticks stays prompt.
constexpr int kBuildBatch = 4;
constexpr Color kBlank = 0xFFFFFF;

int CheckedSide(const char* property, int value) {
  if (value < 0 || value > ThumbnailStrip::kMaxThumbnailSide) {
    throw Error(Format("%s %d is out of range (0 to %d)", property, value,
                       ThumbnailStrip::kMaxThumbnailSide));
  }
  return value;
}

// The picture of a file stretched (by whole pixels, proportions not kept) to width x height.
Bitmap Stretched(const Bitmap& source, int width, int height) {
  Bitmap out(width, height, kBlank);
  if (!source.empty() && !out.empty()) Canvas(out).StretchDraw(Rect{0, 0, width, height}, source);
  return out;
}

}  // namespace

ThumbnailStrip::ThumbnailStrip() {
  SetOptions({"goFixedVertLine", "goFixedHorzLine"});
  FixedCols = 0;
  FixedRows = 0;
  DefaultDrawing = false;
  SetDefaultColWidth(picture_width_ + 20);
  SetDefaultRowHeight(picture_height_ + 20);
  SetBounds(0, 0, 350, 250);
  SetScrollBars(ScrollBarSet::ssVertical);
}

int ThumbnailStrip::ImageCount() const {
  return files_ ? static_cast<int>(std::min<size_t>(files_->size(), kMaxImages)) : 0;
}

void ThumbnailStrip::SetFileList(const std::vector<std::string>* list) {
  files_ = list;
  Layout();
  RebuildThumbnails();
  Invalidate();
}

bool ThumbnailStrip::GetChecked(int index) const {
  if (index < 0) return false;
  if (index >= kMaxImages) return true;
  return checks_[static_cast<size_t>(index)] != 0;
}

void ThumbnailStrip::SetChecked(int index, bool value) {
  if (index < 0 || index >= kMaxImages) return;
  checks_[static_cast<size_t>(index)] = value ? 1 : 0;
  Invalidate();
}

void ThumbnailStrip::OpenPictures(const std::vector<std::string>& pictures, int32_t current,
                                  const UserChoicesPlace& place,
                                  std::function<void(int32_t)> choose) {
  SetFileList(&pictures);
  if (const auto checks = ReadChecks(place, ImageCount())) {
    for (size_t i = 0; i < checks->size(); ++i) SetChecked(static_cast<int>(i), (*checks)[i]);
  }
  OnSelectItem = std::move(choose);
  Invalidate();
  SelectIndex(current);
}

void ThumbnailStrip::ShowCurrentPicture(const std::vector<std::string>& /*pictures*/,
                                        int32_t /*index*/) {
  Invalidate();
}

void ThumbnailStrip::ClosePictures(const UserChoicesPlace& place) {
  std::vector<bool> checks(static_cast<size_t>(ImageCount()));
  for (size_t i = 0; i < checks.size(); ++i) checks[i] = GetChecked(static_cast<int>(i));
  WriteChecks(place, checks);
}

void ThumbnailStrip::SelectIndex(int index) {
  const int cols = ColCount();
  // An index past the grid's cells (or below 0) means the nearest image; empty cells of the
  // last row stay selectable as they are.
  if (index < 0 || index / cols >= RowCount()) index = std::clamp(index, 0, std::max(0, ImageCount() - 1));
  const int row = index / cols;
  const int col = index % cols;
  if (row != Row()) SetRow(row);
  if (col != Col()) SetCol(col);
}

void ThumbnailStrip::SetPictureWidth(int w) {
  picture_width_ = CheckedSide("PictureWidth", w);
  Layout();
  RebuildThumbnails();
  Invalidate();
}

void ThumbnailStrip::SetPictureHeight(int h) {
  picture_height_ = CheckedSide("PictureHeight", h);
  Layout();
  RebuildThumbnails();
}

void ThumbnailStrip::SetShowCheckBox(bool v) {
  show_check_box_ = v;
  Layout();
  Invalidate();
}

void ThumbnailStrip::SetShowTitle(bool v) {
  show_title_ = v;
  Layout();
  Invalidate();
}

void ThumbnailStrip::SetMultiRows(bool v) {
  multi_rows_ = v;
  SetScrollBars(v ? ScrollBarSet::ssVertical : ScrollBarSet::ssHorizontal);
  Layout();
  Invalidate();
}

void ThumbnailStrip::Layout() {
  if (!files_) return;
  SetDefaultColWidth(picture_width_ + 20);
  SetDefaultRowHeight(picture_height_ + 20 + (show_title_ ? 30 : 0));
  const int count = ImageCount();
  int cols = count;
  int rows = 1;
  if (multi_rows_) {
    const int col_width = std::max(1, DefaultColWidth());
    const auto rows_for = [count](int c) { return count / c + (count % c != 0 ? 1 : 0); };
    cols = std::max(1, Width() / col_width);
    // Rows that overflow bring the vertical bar: the columns then fit beside it, so that no
    // thumbnail or check box lies under the bar.
    if (int64_t{rows_for(cols)} * PitchY() > InnerRect().Height()) {
      cols = std::max(1, (InnerRect().Width() - widgets::ScrollBar::kSize) / col_width);
    }
    rows = rows_for(cols);
  }
  SetRowCount(rows);
  SetColCount(cols);
}

void ThumbnailStrip::RebuildThumbnails() {
  titles_.clear();
  thumbnails_.clear();
  built_.clear();
  built_count_ = 0;
  background_build_ = false;
  StopTimer(kBuildTimer);
  if (!files_) return;
  const int count = ImageCount();
  titles_.resize(static_cast<size_t>(count));
  thumbnails_.resize(static_cast<size_t>(count));
  built_.assign(static_cast<size_t>(count), 0);
  for (int i = 0; i < count; ++i) {
    const std::string& file = (*files_)[static_cast<size_t>(i)];
    const ShownKind kind = ShownKindOf(file);
    if (kind == ShownKind::kNone || !FileExists(file)) continue;
    if (kind == ShownKind::kPlain) {
      titles_[static_cast<size_t>(i)] = ExtractFileName(file);
      continue;
    }
    // A packed image's title and small picture come from its header, read now in one go.
    try {
      PackedImage header;
      header.LoadHeaderFromFile(file);
      titles_[static_cast<size_t>(i)] = header.Title;
      thumbnails_[static_cast<size_t>(i)] =
          Stretched(header.Thumbnail, picture_width_, picture_height_);
    } catch (const std::exception&) {
      // A broken header: blank picture, no title.
      thumbnails_[static_cast<size_t>(i)] = Stretched(Bitmap(), picture_width_, picture_height_);
    }
    built_[static_cast<size_t>(i)] = 1;
    ++built_count_;
  }
  background_build_ = built_count_ < count;
}

void ThumbnailStrip::BuildThumbnail(int index) const {
  const auto i = static_cast<size_t>(index);
  if (built_[i]) return;
  // The list is the caller's: if it shrank since SetFileList, the missing name is no file.
  const std::string file = files_ && i < files_->size() ? (*files_)[i] : std::string();
  Bitmap source;
  if (ShownKindOf(file) == ShownKind::kPlain && FileExists(file)) {
    try {
      const std::string bytes = ReadFileBytes(file, kMaxPictureFileBytes);
      source = UpperFileExt(file) == ".JPG"
                   ? DecodeJpegScaled(bytes, file, picture_width_, picture_height_)
                   : DecodePicture(bytes, file);
    } catch (const std::exception&) {
      // A picture that does not decode keeps its cell, title and mark: it gets a blank
      // thumbnail instead of ending the window's start.
    }
  }
  thumbnails_[i] = Stretched(source, picture_width_, picture_height_);
  built_[i] = 1;
  ++built_count_;
}

const Bitmap& ThumbnailStrip::ThumbnailOf(int index) const {
  static const Bitmap kNone;
  if (index < 0 || index >= static_cast<int>(built_.size())) return kNone;
  BuildThumbnail(index);
  return thumbnails_[static_cast<size_t>(index)];
}

const std::vector<Bitmap>& ThumbnailStrip::Thumbnails() const {
  for (int i = 0; i < static_cast<int>(built_.size()); ++i) BuildThumbnail(i);
  return thumbnails_;
}

int ThumbnailStrip::ThumbnailsBuilt() const { return built_count_; }

void ThumbnailStrip::Paint(Canvas& canvas) {
  ThumbnailGrid::Paint(canvas);
  if (background_build_ && built_count_ < static_cast<int>(built_.size())) {
    StartTimer(kBuildTimer, 1);
    background_build_ = false;
  }
}

void ThumbnailStrip::Timer(int id) {
  if (id != kBuildTimer) {
    ThumbnailGrid::Timer(id);
    return;
  }
  int made = 0;
  for (size_t i = 0; i < built_.size() && made < kBuildBatch; ++i) {
    if (built_[i]) continue;
    BuildThumbnail(static_cast<int>(i));
    ++made;
  }
  if (built_count_ >= static_cast<int>(built_.size())) StopTimer(kBuildTimer);
}

void ThumbnailStrip::Resized() {
  ThumbnailGrid::Resized();
  Layout();
  Invalidate();
}

bool ThumbnailStrip::SelectCell(int col, int row) {
  int index = col + row * ColCount();
  if (index > ImageCount() - 1) index = ImageCount() - 1;
  if (index < 0) index = 0;
  if (OnSelectItem) OnSelectItem(index);
  return true;
}

void ThumbnailStrip::TopLeftChanged() {
  if (multi_rows_ && LeftCol() != 0) SetTopLeft(0, TopRow());
}

void ThumbnailStrip::DrawCell(Canvas& canvas, int col, int row, const Rect& r, bool selected) {
  if (!files_) return;
  const lpc::Color color = ToRGB(EffectiveColor());
  canvas.FillRect(r, color);
  const int index = col + row * ColCount();
  if (index >= ImageCount()) return;
  const int pw = picture_width_;
  const int ph = picture_height_;
  const lpc::Color highlight = ToRGB(widgets::clHighlight);
  const int L = r.left;
  const int T = r.top;
  canvas.BrushClear = false;
  // The frame. A width-2 pen centres on the rectangle's outline and covers the pixel before
  // it: two one-pixel rectangles, the outer one on the unselected frame's place.
  if (selected) {
    canvas.PenColor = DarkenColor(highlight, color, 100);
    canvas.BrushColor = DarkenColor(0, color, 10);
    canvas.Rectangle(L + 10, T + 10, L + pw + 20, T + ph + 20);
    canvas.BrushClear = true;
    canvas.Rectangle(L + 11, T + 11, L + pw + 19, T + ph + 19);
    canvas.BrushClear = false;
  } else {
    canvas.PenColor = DarkenColor(0, color, 20);
    canvas.BrushColor = DarkenColor(0, color, 5);
    canvas.Rectangle(L + 10, T + 10, L + pw + 20, T + ph + 20);
  }
  const Bitmap& picture = ThumbnailOf(index);
  if (!picture.empty()) canvas.Draw(L + (r.Width() + 10 - pw) / 2, T + 15, picture);
  if (show_check_box_) {
    canvas.PenColor = selected ? DarkenColor(highlight, color, 100) : DarkenColor(0, color, 30);
    canvas.BrushColor = color;
    const int x = L + 13;
    const int y = T + ph + 6;
    canvas.Rectangle(x, y, x + 11, y + 11);
    if (GetChecked(index)) {
      // The width-2 tick as two one-pixel passes, the second one pixel lower; the frame below
      // trims what the lower pass spills onto the box's inner edge.
      for (int dy = 0; dy < 2; ++dy) {
        canvas.MoveTo(x + 1, y + 4 + dy);
        canvas.LineTo(x + 5, y + 8 + dy);
        canvas.MoveTo(x + 3, y + 8 + dy);
        canvas.LineTo(x + 9, y + 2 + dy);
      }
      canvas.SetPixel(x + 3, y + 8, color);
      canvas.SetPixel(x + 5, y + 8, color);
    }
    canvas.PenColor = color;
    canvas.BrushClear = true;
    canvas.Rectangle(x + 1, y + 1, x + 10, y + 10);
    canvas.BrushClear = false;
  }
  if (show_title_) {
    const Rect area{L + 10, T + ph + 24, r.right, r.bottom};
    const Rect clip = canvas.ClipBounds();
    canvas.SetClip(Rect{std::max(area.left, clip.left), std::max(area.top, clip.top),
                        std::min(area.right, clip.right), std::min(area.bottom, clip.bottom)});
    const lpc::Color back = selected ? highlight : color;
    canvas.FontColor = selected ? ToRGB(widgets::clHighlightText) : ToRGB(EffectiveFont().Color);
    // Word-wrapped, centred, each line on its own background, as text drawn opaquely shows.
    int y = area.top;
    const std::string title =
        index < static_cast<int>(titles_.size()) ? titles_[static_cast<size_t>(index)] : "";
    for (const std::string& line : widgets::WrapText(canvas, title, area.Width())) {
      const Size s = canvas.TextExtent(line.empty() ? " " : line);
      const int x = area.left + (area.Width() - s.width) / 2;
      if (!line.empty()) {
        canvas.FillRect(Rect{x, y, x + s.width, y + s.height}, back);
        canvas.TextOut(x, y, line);
      }
      y += s.height;
      if (y >= area.bottom) break;
    }
    canvas.SetClip(clip);
  }
}

bool ThumbnailStrip::OverCheckBox(int x, int y) const {
  int c = 0;
  int r = 0;
  if (!CellAt(x, y, &c, &r)) return false;
  const Rect cell = CellRect(c, r);
  const int top = cell.top + picture_height_;
  const bool inside = cell.left + 13 <= x && x <= cell.left + 24 && top + 6 <= y && y <= top + 17;
  // The rule looks at the current cell, not the one under the pointer.
  return inside && Col() + Row() * ColCount() < ImageCount();
}

void ThumbnailStrip::MouseMove(const MouseArgs& args) {
  if (show_check_box_) {
    SetCursor(OverCheckBox(args.x, args.y) ? widgets::crHandPoint : widgets::crArrow);
  }
  ThumbnailGrid::MouseMove(args);
}

void ThumbnailStrip::MouseDown(const MouseArgs& args) {
  if (show_check_box_ && args.button == platform::MouseButton::kLeft &&
      Cursor() == widgets::crHandPoint) {
    int c = 0;
    int r = 0;
    if (CellAt(args.x, args.y, &c, &r)) {
      const int index = c + r * ColCount();
      if (index < ImageCount()) SetChecked(index, !GetChecked(index));
    }
  }
  ThumbnailGrid::MouseDown(args);
}

void RegisterThumbnailStrip(widgets::ClassRegistry& registry) {
  widgets::ClassInfo& info =
      registry.Add("TLPThumbnail2", "TWinControl", &widgets::RegisterWinControl,
                   [] { return std::make_unique<ThumbnailStrip>(); });
  widgets::Published<ThumbnailGrid> grid(info);
  PublishGridProperties(grid);
  widgets::Published<ThumbnailStrip> p(info);
  p.Int("PictureWidth", &ThumbnailStrip::SetPictureWidth, &ThumbnailStrip::PictureWidth);
  p.Int("PictureHeight", &ThumbnailStrip::SetPictureHeight, &ThumbnailStrip::PictureHeight);
  p.Bool("ShowCheckBox", &ThumbnailStrip::SetShowCheckBox, &ThumbnailStrip::ShowCheckBox);
  p.Bool("ShowTitle", &ThumbnailStrip::SetShowTitle, &ThumbnailStrip::ShowTitle);
  p.Bool("MultiRows", &ThumbnailStrip::SetMultiRows, &ThumbnailStrip::MultiRows);
}

}  // namespace lpc
