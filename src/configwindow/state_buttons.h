// StateButton: a button drawn from one bitmap per state (up, pressed, hover, disabled) whose
// clickable area is the part of its up bitmap that is not of the transparent colour. PictureClip
// cuts one strip picture into equal cells that can feed those bitmaps.
//
// The transparent colour of a bitmap is its bottom-left pixel, for drawing and hit testing
// alike, unless the bitmap came from a clip, which hands its own mask colour along.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/errors.h"
#include "widgets/component.h"

namespace lpc {

// A colour no pixel has (pixels are 0x00RRGGBB): a bitmap drawn fully opaque.
inline constexpr Color kNoTransparentColor = 0xFF000000u;

// A bitmap with the colour drawn as transparent; nullopt: the bottom-left pixel.
struct StateBitmap {
  Bitmap pixels;
  std::optional<Color> transparent;
  bool empty() const { return pixels.empty(); }
  // The colour treated as transparent (black for an empty bitmap).
  Color TransparentColor() const;
};

// The automatic transparent colour of a bitmap: its bottom-left pixel.
Color AutoTransparentColor(const Bitmap& b);
// Draws b at (x, y), leaving its pixels of the transparent colour out.
void DrawTransparent(Canvas& canvas, int x, int y, const Bitmap& b, Color transparent);

// A PicSeries value that names something else than Up, Down, Disabled or Over.
class PicSeriesError : public Error {
 public:
  using Error::Error;
};

class StateButton;

class PictureClip {
 public:
  PictureClip() = default;
  ~PictureClip();
  PictureClip(const PictureClip&) = delete;
  PictureClip& operator=(const PictureClip&) = delete;

  // is_bitmap false: a graphic of another kind (JPEG), whose cells are drawn on silver.
  void SetPicture(Bitmap picture, bool is_bitmap = true);
  const Bitmap& Picture() const { return picture_; }
  int Cols = 1;
  int Rows = 1;
  bool Masked = true;
  // clNone: no transparency. Unset: the picture's transparent colour, or olive for another kind.
  std::optional<widgets::ColorValue> MaskColor;
  widgets::ColorValue EffectiveMaskColor() const;
  int Width() const;   // of one cell
  int Height() const;
  void SetWidth(int w);
  void SetHeight(int h);
  std::function<void()> OnChange;

  // Cell i: column i mod Cols, row i div Cols. Outside 0 .. Cols * Rows - 1: Error
  // "List index out of bounds (i)".
  StateBitmap GetCell(int index) const;

  // Buttons holding this clip; they drop it when the clip goes away.
  void AddUser(StateButton* b);
  void RemoveUser(StateButton* b);

 private:
  Bitmap picture_;
  bool is_bitmap_ = true;
  std::vector<StateButton*> users_;
};

class StateButton : public widgets::Component {
 public:
  enum State { kNormal = 0, kDisabled = 1, kPressed = 2 };

  StateButton();
  ~StateButton() override;

  widgets::ColorValue TransparentColor = widgets::clWhite;
  void SetBitmapUp(StateBitmap b);
  void SetBitmapDown(StateBitmap b);
  void SetBitmapOver(StateBitmap b);
  void SetBitmapDisabled(StateBitmap b);
  const StateBitmap& BitmapUp() const { return up_; }
  const StateBitmap& BitmapDown() const { return down_; }
  const StateBitmap& BitmapOver() const { return over_bitmap_; }
  const StateBitmap& BitmapDisabled() const { return disabled_; }
  std::string BitmapEditor;

  // Sets PicSeries from the clip's column count (1 to 4). nullptr clears.
  void SetPicClip(PictureClip* clip);
  PictureClip* PicClip() const { return clip_; }
  const std::string& PicSeries() const { return pic_series_; }
  // Trimmed; every ";"-separated name must be Up, Down, Disabled or Over (any case), else
  // PicSeriesError and the old value stays.
  void SetPicSeries(const std::string& series);

  int State() const { return state_; }
  bool Over() const { return over_; }
  // Whether (x, y) is on the clickable shape: inside the bounds and not transparent.
  bool Hit(int x, int y) const;

  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  bool WantsAutoClick() const override { return false; }
  void Paint(Canvas& canvas) override;
  void MouseDown(const widgets::MouseArgs& args) override;
  void MouseMove(const widgets::MouseArgs& args) override;
  void MouseUp(const widgets::MouseArgs& args) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Timer(int id) override;
  void Loaded() override;

 private:
  friend class PictureClip;
  void BuildHitMask();
  void SetOver(bool over, bool notify);

  StateBitmap up_, down_, over_bitmap_, disabled_;
  PictureClip* clip_ = nullptr;
  std::string pic_series_;
  int state_ = kNormal;
  bool over_ = false;
  // White (true) where the up bitmap is transparent; empty: every point hits.
  std::vector<uint8_t> hit_mask_;
};

}  // namespace lpc
