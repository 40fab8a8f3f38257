// ThumbnailStrip: the strip of picture thumbnails in the configuration window. One cell per
// image of the project's list, in one row or wrapped to the width; each cell shows a small
// picture, optionally a check box (the user's favourites) and a title. Selecting a cell reports
// the image index through OnSelectItem.
//
// Thumbnails are made when first needed: SetFileList takes the titles at once (a packed image's
// title and small picture come from its header), and a cell's picture is decoded the first time
// the cell is drawn, or asked for through Thumbnails(). After the first paint a timer makes the
// rest a few at a time, so a window with many pictures shows without waiting for all of them,
// and scrolling later never touches the files. JPEG thumbnails use the decoder's scaled output.
//
// A missing file, one of another kind, or one that does not decode gets a blank thumbnail, so
// thumbnails, titles and image indexes stay aligned (a missing or unknown file also gets an
// empty title).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "configwindow/current_picture_view.h"
#include "configwindow/thumbnail_grid.h"

namespace lpc {

// "TLPThumbnail2", with the grid's properties.
void RegisterThumbnailStrip(widgets::ClassRegistry& registry);

class ThumbnailStrip : public ThumbnailGrid, public CurrentPictureView {
 public:
  // The size of the check-mark table: a longer list shows its first kMaxImages images only.
  static constexpr int kMaxImages = 1001;
  // Largest PictureWidth and PictureHeight: up to kMaxImages thumbnails are kept in memory at
  // once, so a size from a description is refused (Error naming the property) past this.
  static constexpr int kMaxThumbnailSide = 512;

  ThumbnailStrip();

  // The project's image file names, in image order (not owned; nullptr clears). Lays the cells
  // out and takes the titles; pictures follow as described above.
  void SetFileList(const std::vector<std::string>* list);
  // Images the strip shows: the list's length, at most kMaxImages.
  int ImageCount() const;

  // Check marks of image indexes 0 .. kMaxImages - 1. Past the table a mark cannot be removed:
  // GetChecked answers true there (such pictures keep taking part in the show) and SetChecked
  // does nothing; a negative index is never checked.
  bool GetChecked(int index) const;
  void SetChecked(int index, bool value);

  // Makes the cell of an image current: row first, then column, each only when it differs.
  // OnSelectItem can therefore fire twice.
  void SelectIndex(int index);
  // The strip passes no sender.
  std::function<void(int32_t)> OnSelectItem;

  // In a window: the list and the saved check marks taken, a cell picked calls `choose`, the
  // current picture's cell selected. The strip keeps its own selection afterwards (a click
  // there is what moves it) and only repaints when the current picture changes; on closing it
  // saves its marks.
  void OpenPictures(const std::vector<std::string>& pictures, int32_t current,
                    const UserChoicesPlace& place, std::function<void(int32_t)> choose) override;
  void ShowCurrentPicture(const std::vector<std::string>& pictures, int32_t index) override;
  void ClosePictures(const UserChoicesPlace& place) override;

  int PictureWidth() const { return picture_width_; }
  int PictureHeight() const { return picture_height_; }
  void SetPictureWidth(int w);
  void SetPictureHeight(int h);
  bool ShowCheckBox() const { return show_check_box_; }
  bool ShowTitle() const { return show_title_; }
  bool MultiRows() const { return multi_rows_; }
  void SetShowCheckBox(bool v);
  void SetShowTitle(bool v);
  // Wrapped rows scroll vertically, one row horizontally; this overrides ScrollBars.
  void SetMultiRows(bool v);

  // One title per image (empty for a file that cannot be shown).
  const std::vector<std::string>& Titles() const { return titles_; }
  // One PictureWidth x PictureHeight picture per image; makes any not made yet.
  const std::vector<Bitmap>& Thumbnails() const;
  // How many thumbnails are made so far (for tests and benchmarks of the lazy build).
  int ThumbnailsBuilt() const;

  void Paint(Canvas& canvas) override;
  void MouseDown(const widgets::MouseArgs& args) override;
  void MouseMove(const widgets::MouseArgs& args) override;
  void Timer(int id) override;
  void Resized() override;

 protected:
  bool SelectCell(int col, int row) override;
  void DrawCell(Canvas& canvas, int col, int row, const Rect& r, bool selected) override;
  void TopLeftChanged() override;

 private:
  void Layout();
  void RebuildThumbnails();
  const Bitmap& ThumbnailOf(int index) const;
  void BuildThumbnail(int index) const;
  bool OverCheckBox(int x, int y) const;

  const std::vector<std::string>* files_ = nullptr;
  std::vector<std::string> titles_;
  mutable std::vector<Bitmap> thumbnails_;
  mutable std::vector<uint8_t> built_;
  mutable int built_count_ = 0;
  std::vector<uint8_t> checks_ = std::vector<uint8_t>(kMaxImages, 0);
  int picture_width_ = 80;
  int picture_height_ = 60;
  bool show_check_box_ = false;
  bool show_title_ = false;
  bool multi_rows_ = true;
  bool background_build_ = false;
};

}  // namespace lpc
