// StateButton: a button drawn from one bitmap per state (up, pressed, hover, disabled) whose
// clickable area is the part of its up bitmap that is not of the transparent colour.
//
// The transparent colour of a bitmap is its bottom-left pixel, for drawing and hit testing
// alike, unless the bitmap names its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/errors.h"
#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc {

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

  // Which bitmaps a picture clip's cells would feed; kept and checked, nothing reads it.
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
  void BuildHitMask();
  void SetOver(bool over, bool notify);

  StateBitmap up_, down_, over_bitmap_, disabled_;
  std::string pic_series_;
  int state_ = kNormal;
  bool over_ = false;
  // White (true) where the up bitmap is transparent; empty: every point hits.
  std::vector<uint8_t> hit_mask_;
};

// "TJetButton".
void RegisterStateButton(widgets::ClassRegistry& registry);

}  // namespace lpc
