#include "configwindow/state_buttons.h"

#include <algorithm>

#include "base/paths.h"
#include "widgets/draw.h"
#include "widgets/form.h"
#include "widgets/picture_data.h"
#include "widgets/stock_classes.h"

namespace lpc {

using widgets::MouseArgs;

namespace {

constexpr int kLeaveTimer = 1;
constexpr uint32_t kLeaveTimerMs = 100;

std::vector<std::string> SplitSeries(const std::string& series) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t end = series.find(';', start);
    out.push_back(UpperCase(Trim(series.substr(start, end - start))));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

}  // namespace

Color AutoTransparentColor(const Bitmap& b) { return b.empty() ? 0 : b.At(0, b.height() - 1); }

Color StateBitmap::TransparentColor() const {
  return transparent.value_or(AutoTransparentColor(pixels));
}

void DrawTransparent(Canvas& canvas, int x, int y, const Bitmap& b, Color transparent) {
  for (int j = 0; j < b.height(); ++j) {
    const Color* row = b.Row(j);
    for (int i = 0; i < b.width(); ++i) {
      if (row[i] != transparent) canvas.SetPixel(x + i, y + j, row[i]);
    }
  }
}

// ---------------------------------------------------------------- StateButton

StateButton::StateButton() { SetBounds(0, 0, 50, 50); }

StateButton::~StateButton() = default;

void StateButton::SetBitmapUp(StateBitmap b) {
  up_ = std::move(b);
  BuildHitMask();
}

void StateButton::SetBitmapDown(StateBitmap b) {
  down_ = std::move(b);
  Invalidate();
}

void StateButton::SetBitmapOver(StateBitmap b) {
  over_bitmap_ = std::move(b);
  Invalidate();
}

void StateButton::SetBitmapDisabled(StateBitmap b) {
  disabled_ = std::move(b);
  Invalidate();
}

void StateButton::BuildHitMask() {
  hit_mask_.clear();
  if (!up_.empty()) {
    // The auto-size rule takes the up bitmap's size.
    SetBounds(Left(), Top(), Width(), Height());
    const lpc::Color transparent = up_.TransparentColor();
    TransparentColor = widgets::FromRGB(transparent & 0xFFFFFF);
    const Bitmap& b = up_.pixels;
    hit_mask_.resize(b.pixel_count());
    for (size_t i = 0; i < b.pixel_count(); ++i) hit_mask_[i] = b.data()[i] == transparent;
  }
  Invalidate();
}

void StateButton::SetBounds(int left, int top, int width, int height) {
  if (!up_.empty()) {
    width = up_.pixels.width();
    height = up_.pixels.height();
  }
  Component::SetBounds(left, top, width, height);
}

bool StateButton::Hit(int x, int y) const {
  // Outside the bounds nothing hits, mask or not: a release dragged off the button is no
  // click.
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return false;
  if (hit_mask_.empty()) return true;
  const Bitmap& b = up_.pixels;
  if (x >= b.width() || y >= b.height()) return false;
  return hit_mask_[static_cast<size_t>(y) * b.width() + x] == 0;
}

void StateButton::SetPicSeries(const std::string& series) {
  if (series == pic_series_) return;
  const std::string trimmed = Trim(series);
  if (trimmed.empty()) {
    pic_series_.clear();
    return;
  }
  for (const std::string& name : SplitSeries(trimmed)) {
    if (name != "UP" && name != "DOWN" && name != "DISABLED" && name != "OVER") {
      throw PicSeriesError("\"" + name +
                           "\" is not a valid PicSeries value. Available values: "
                           "Up;Down;Disabled;Over");
    }
  }
  pic_series_ = trimmed;
}

void StateButton::SetEnabled(bool enabled) {
  Component::SetEnabled(enabled);
  state_ = enabled ? kNormal : kDisabled;
  Invalidate();
}

void StateButton::Paint(Canvas& canvas) {
  const StateBitmap* b = &up_;
  if (state_ == kDisabled) {
    if (!disabled_.empty()) b = &disabled_;
  } else if (state_ == kPressed) {
    if (!down_.empty()) b = &down_;
  } else if (over_ && !over_bitmap_.empty()) {
    b = &over_bitmap_;
  }
  if (!b->empty()) DrawTransparent(canvas, 0, 0, b->pixels, b->TransparentColor());
  if (Caption().empty()) return;
  const int shift = state_ == kPressed ? 1 : 0;
  widgets::TextLayout layout{widgets::HAlign::kCenter, widgets::VAlign::kCenter, false, true,
                             false};
  widgets::DrawTextInRect(canvas, Rect{shift, shift, Width() + shift, Height() + shift},
                          Caption(), layout);
}

void StateButton::SetOver(bool over, bool notify) {
  if (over == over_) return;
  over_ = over;
  if (!notify) return;
  if (over ? OnMouseEnter : OnMouseLeave) (over ? OnMouseEnter : OnMouseLeave)(*this);
  Invalidate();
}

void StateButton::MouseMove(const MouseArgs& args) {
  Component::MouseMove(args);
  if (!Enabled() || over_bitmap_.empty()) return;
  const bool over = Hit(args.x, args.y);
  if (over && !over_) StartTimer(kLeaveTimer, kLeaveTimerMs);
  if (!over) StopTimer(kLeaveTimer);
  SetOver(over, state_ != kPressed);
}

void StateButton::Timer(int id) {
  if (id != kLeaveTimer) return;
  // No pointer query here: the form's last known pointer position stands in for it.
  bool hit = false;
  if (Form() && Form()->PointerInside()) {
    const Point origin = FormOrigin();
    const Point p = Form()->CursorPos();
    hit = Hit(p.x - origin.x, p.y - origin.y);
  }
  if (hit) return;
  StopTimer(kLeaveTimer);
  if (over_ && OnMouseLeave) OnMouseLeave(*this);
  over_ = false;
  Invalidate();
}

void StateButton::MouseEnter() {
  // OnMouseEnter belongs to the clickable shape; MouseMove fires it.
}

void StateButton::MouseLeave() {
  if (over_ && Enabled() && OnMouseLeave) OnMouseLeave(*this);
  over_ = false;
  StopTimer(kLeaveTimer);
  if (state_ != kPressed) Invalidate();
}

void StateButton::MouseDown(const MouseArgs& args) {
  Component::MouseDown(args);
  if (args.button == platform::MouseButton::kLeft && Enabled() && Hit(args.x, args.y)) {
    state_ = kPressed;
    Invalidate();
  }
}

void StateButton::MouseUp(const MouseArgs& args) {
  Component::MouseUp(args);
  if (args.button != platform::MouseButton::kLeft || !Enabled()) return;
  if (state_ == kPressed) {
    state_ = kNormal;
    Invalidate();
  }
  if (Hit(args.x, args.y)) {
    over_ = true;
    StartTimer(kLeaveTimer, kLeaveTimerMs);
    Click();
  }
}

void StateButton::Loaded() {
  if (!up_.empty()) {
    BuildHitMask();
  } else if (!over_bitmap_.empty()) {
    Invalidate();
  }
}

void RegisterStateButton(widgets::ClassRegistry& registry) {
  widgets::Published<StateButton> p(registry.Add("TJetButton", "TGraphicControl",
                                                 &widgets::RegisterGraphicControl,
                                                 [] { return std::make_unique<StateButton>(); }));
  p.ColorProp(
      "TransparentColor", [](StateButton& b, widgets::ColorValue v) { b.TransparentColor = v; },
      [](const StateButton& b) { return b.TransparentColor; });
  auto bitmap = [](const PropertyValue& v) {
    return StateBitmap{widgets::DecodeBitmapData(widgets::ValueToBinary(v)), std::nullopt};
  };
  p.Raw("BitmapUp.Data",
        [bitmap](StateButton& b, const PropertyValue& v) { b.SetBitmapUp(bitmap(v)); });
  p.Raw("BitmapDown.Data",
        [bitmap](StateButton& b, const PropertyValue& v) { b.SetBitmapDown(bitmap(v)); });
  p.Raw("BitmapOver.Data",
        [bitmap](StateButton& b, const PropertyValue& v) { b.SetBitmapOver(bitmap(v)); });
  p.Raw("BitmapDisabled.Data",
        [bitmap](StateButton& b, const PropertyValue& v) { b.SetBitmapDisabled(bitmap(v)); });
  p.String("BitmapEditor", [](StateButton& b, const std::string& v) { b.BitmapEditor = v; });
  // A picture clip is no class a layout can make, so a name here finds nothing to point at.
  p.Ignored("PicClip");
  p.String("PicSeries", &StateButton::SetPicSeries, &StateButton::PicSeries);
  p.String("Caption", &StateButton::SetCaption, &StateButton::Caption);
}

}  // namespace lpc
