// PictureButton: a windowless button drawn from up to four pictures (up, down, over, disabled),
// with an optional caption, an optional toggle mode (Down) and an auto-repeat event while it is
// held: OnMousePressed fires on the press, 500 ms later, then every 50 ms while the pointer
// stays inside; outside, the repeat pauses.
#pragma once

#include <functional>
#include <string>

#include "base/bitmap.h"
#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc {

// "TMyButton".
void RegisterPictureButton(widgets::ClassRegistry& registry);

class PictureButton : public widgets::Component {
 public:
  static constexpr uint32_t kFirstRepeatMs = 500;
  static constexpr uint32_t kRepeatMs = 50;

  PictureButton();

  void SetButtonUp(Bitmap b);
  void SetButtonDown(Bitmap b);
  void SetButtonOver(Bitmap b);
  void SetButtonDisable(Bitmap b);
  const Bitmap& ButtonUp() const { return up_; }
  // Take ButtonUp's size when painting.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool Down() const { return down_; }
  // Only while AllowDown.
  void SetDown(bool v);
  bool AllowDown() const { return allow_down_; }
  // Off clears Down.
  void SetAllowDown(bool v);
  bool MouseInControl() const { return mouse_in_control_; }
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Fired on the press and repeatedly while held (the sender is the button).
  std::function<void(widgets::Component&)> OnMousePressed;

  bool Pressed() const { return pressed_; }
  void Paint(Canvas& canvas) override;
  void MouseDown(const widgets::MouseArgs& args) override;
  void MouseUp(const widgets::MouseArgs& args) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Timer(int id) override;

 private:
  void DrawPicture(Canvas& canvas, const Bitmap& b) const;

  Bitmap up_, down_picture_, over_, disable_;
  bool auto_size_ = true;
  bool down_ = false;
  bool allow_down_ = false;
  bool mouse_in_control_ = false;
  bool show_caption_ = false;
  bool transparent_ = true;
  bool pressed_ = false;
  uint32_t repeat_interval_ = kFirstRepeatMs;
};

}  // namespace lpc
