#include "configwindow/picture_button.h"

#include "configwindow/state_buttons.h"
#include "widgets/draw.h"
#include "widgets/picture_data.h"
#include "widgets/stock_classes.h"

namespace lpc {

using widgets::MouseArgs;

namespace {
constexpr int kRepeatTimer = 1;
}

PictureButton::PictureButton() { SetBounds(0, 0, 75, 25); }

void PictureButton::SetButtonUp(Bitmap b) {
  up_ = std::move(b);
  Invalidate();
}

void PictureButton::SetButtonDown(Bitmap b) {
  down_picture_ = std::move(b);
  Invalidate();
}

void PictureButton::SetButtonOver(Bitmap b) {
  over_ = std::move(b);
  Invalidate();
}

void PictureButton::SetButtonDisable(Bitmap b) {
  disable_ = std::move(b);
  Invalidate();
}

void PictureButton::SetAutoSize(bool v) {
  auto_size_ = v;
  Invalidate();
}

void PictureButton::SetDown(bool v) {
  if (!allow_down_) return;
  down_ = v;
  Invalidate();
}

void PictureButton::SetAllowDown(bool v) {
  allow_down_ = v;
  if (!v) {
    down_ = false;
    Invalidate();
  }
}

void PictureButton::SetShowCaption(bool v) {
  show_caption_ = v;
  Invalidate();
}

void PictureButton::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void PictureButton::DrawPicture(Canvas& canvas, const Bitmap& b) const {
  if (transparent_) {
    DrawTransparent(canvas, 0, 0, b, AutoTransparentColor(b));
  } else {
    canvas.Draw(0, 0, b);
  }
}

void PictureButton::Paint(Canvas& canvas) {
  // The size follows the up picture from the next paint on; this one fills what it has.
  if (auto_size_ && !up_.empty() && (Width() != up_.width() || Height() != up_.height())) {
    SetBounds(Left(), Top(), up_.width(), up_.height());
  }
  const Rect all{0, 0, canvas.bitmap().width(), canvas.bitmap().height()};
  if (!EnabledInTree()) {
    if (!disable_.empty()) {
      DrawPicture(canvas, disable_);
    } else {
      widgets::DrawButtonFace(canvas, all, false, false);
    }
    return;
  }
  const bool down = (pressed_ && mouse_in_control_) || down_;
  if (down) {
    if (!down_picture_.empty()) DrawPicture(canvas, down_picture_);
    else if (!up_.empty()) DrawPicture(canvas, up_);
    else widgets::DrawEdge(canvas, all, widgets::EdgeKind::kSunken);
  } else if (mouse_in_control_ && !pressed_) {
    if (!over_.empty()) DrawPicture(canvas, over_);
    else if (!up_.empty()) DrawPicture(canvas, up_);
    else widgets::DrawButtonFace(canvas, all, false, false);
  } else {
    if (!up_.empty()) DrawPicture(canvas, up_);
    else widgets::DrawButtonFace(canvas, all, false, false);
  }
  if (show_caption_) {
    const Size s = canvas.TextExtent(Caption());
    canvas.TextOut((all.Width() - s.width) / 2, (all.Height() - s.height) / 2, Caption());
  }
}

void PictureButton::MouseDown(const MouseArgs& args) {
  mouse_in_control_ = true;
  if (args.button == platform::MouseButton::kLeft && !pressed_) {
    repeat_interval_ = kFirstRepeatMs;
    StartTimer(kRepeatTimer, repeat_interval_);
    if (OnMousePressed) OnMousePressed(*this);
    pressed_ = true;
    Invalidate();
  }
  Component::MouseDown(args);
}

void PictureButton::Timer(int id) {
  if (id != kRepeatTimer) return;
  if (repeat_interval_ != kRepeatMs) {
    repeat_interval_ = kRepeatMs;
    StartTimer(kRepeatTimer, repeat_interval_);
  }
  if (OnMousePressed) OnMousePressed(*this);
}

void PictureButton::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft && pressed_) {
    StopTimer(kRepeatTimer);
    if (allow_down_) down_ = !down_;
    pressed_ = false;
    Invalidate();
  }
  Component::MouseUp(args);
}

void PictureButton::MouseEnter() {
  if (!mouse_in_control_) {
    if (pressed_) StartTimer(kRepeatTimer, repeat_interval_);
    mouse_in_control_ = true;
    Invalidate();
  }
  Component::MouseEnter();
}

void PictureButton::MouseLeave() {
  if (mouse_in_control_) {
    StopTimer(kRepeatTimer);
    mouse_in_control_ = false;
    Invalidate();
  }
  Component::MouseLeave();
}

void RegisterPictureButton(widgets::ClassRegistry& registry) {
  widgets::Published<PictureButton> p(
      registry.Add("TMyButton", "TGraphicControl", &widgets::RegisterGraphicControl,
                   [] { return std::make_unique<PictureButton>(); }));
  p.String("Caption", &PictureButton::SetCaption, &PictureButton::Caption);
  auto picture = [](const PropertyValue& v) {
    return widgets::DecodePictureData(widgets::ValueToBinary(v));
  };
  p.Raw("ButtonUp.Data",
        [picture](PictureButton& b, const PropertyValue& v) { b.SetButtonUp(picture(v)); });
  p.Raw("ButtonDown.Data",
        [picture](PictureButton& b, const PropertyValue& v) { b.SetButtonDown(picture(v)); });
  p.Raw("ButtonOver.Data",
        [picture](PictureButton& b, const PropertyValue& v) { b.SetButtonOver(picture(v)); });
  p.Raw("ButtonDisable.Data",
        [picture](PictureButton& b, const PropertyValue& v) { b.SetButtonDisable(picture(v)); });
  p.Bool("AutoSize", &PictureButton::SetAutoSize, &PictureButton::AutoSize);
  p.Bool("Down", &PictureButton::SetDown, &PictureButton::Down);
  p.Bool("AllowDown", &PictureButton::SetAllowDown, &PictureButton::AllowDown);
  p.Bool(
      "MouseInControl", [](PictureButton&, bool) {},
      [](const PictureButton& b) { return b.MouseInControl(); });
  p.Bool("ShowCaption", &PictureButton::SetShowCaption, &PictureButton::ShowCaption);
  p.Bool("Transparent", &PictureButton::SetTransparent, &PictureButton::Transparent);
}

}  // namespace lpc
