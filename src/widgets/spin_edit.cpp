#include "widgets/spin_edit.h"

#include <charconv>
#include <climits>

#include "widgets/geometry.h"
#include "widgets/scroll_bar.h"

namespace lpc::widgets {

namespace {
constexpr int kRepeatTimer = 1;
constexpr int kButtonWidth = 15;
}  // namespace

SpinEdit::SpinEdit() {
  SetBounds(0, 0, 121, 22);
  AutoSelect = true;
  SetText("0");
}

int SpinEdit::Clamp(int v) const {
  if (MaxValue > MinValue) return std::clamp(v, MinValue, MaxValue);
  return v;
}

int SpinEdit::Value() const {
  int v = MinValue;
  const std::string& t = caption_;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  // Empty, a lone "-" or too many digits: the lowest value allowed.
  if (r.ec != std::errc() || t.empty()) v = MinValue;
  return Clamp(v);
}

void SpinEdit::SetValue(int value) {
  const std::string text = std::to_string(Clamp(value));
  if (text != caption_) SetText(text);
}

void SpinEdit::Step(int direction) {
  const int64_t next = static_cast<int64_t>(Value()) + static_cast<int64_t>(direction) * Increment;
  SetValue(static_cast<int>(std::clamp<int64_t>(next, INT_MIN, INT_MAX)));
  SelectAll();
}

Rect SpinEdit::UpButton() const {
  const int frame = BorderSingle ? (Ctl3D ? 2 : 1) : 0;
  const int mid = frame + (Height() - 2 * frame) / 2;
  return Rect{Width() - frame - kButtonWidth, frame, Width() - frame, mid};
}

Rect SpinEdit::DownButton() const {
  const Rect up = UpButton();
  const int frame = BorderSingle ? (Ctl3D ? 2 : 1) : 0;
  return Rect{up.left, up.bottom, up.right, Height() - frame};
}

Rect SpinEdit::TextRect() const {
  Rect r = Edit::TextRect();
  r.right = std::max(r.left, UpButton().left - 1);
  return r;
}

bool SpinEdit::AcceptsChar(char ch) const { return (ch >= '0' && ch <= '9') || ch == '-'; }

void SpinEdit::Paint(Canvas& canvas) {
  Edit::Paint(canvas);
  const bool enabled = EnabledInTree();
  const Rect up = UpButton();
  const Rect down = DownButton();
  DrawArrowButton(canvas, up, ArrowDir::kUp, held_ > 0 && over_held_, enabled, 3);
  DrawArrowButton(canvas, down, ArrowDir::kDown, held_ < 0 && over_held_, enabled, 3);
}

void SpinEdit::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft && !ReadOnly) {
    int direction = 0;
    if (PtInRect(UpButton(), args.x, args.y)) direction = 1;
    if (PtInRect(DownButton(), args.x, args.y)) direction = -1;
    if (direction != 0) {
      held_ = direction;
      over_held_ = true;
      Step(direction);
      StartTimer(kRepeatTimer, kRepeatDelayMs);
      Component::MouseDown(args);
      return;
    }
  }
  Edit::MouseDown(args);
}

void SpinEdit::MouseMove(const MouseArgs& args) {
  if (held_ != 0) {
    const bool over = PtInRect(held_ > 0 ? UpButton() : DownButton(), args.x, args.y);
    if (over != over_held_) {
      over_held_ = over;
      Invalidate();
    }
    Component::MouseMove(args);
    return;
  }
  Edit::MouseMove(args);
}

void SpinEdit::MouseUp(const MouseArgs& args) {
  if (held_ != 0 && args.button == platform::MouseButton::kLeft) {
    held_ = 0;
    StopTimer(kRepeatTimer);
    Invalidate();
  }
  Edit::MouseUp(args);
}

void SpinEdit::Timer(int id) {
  if (id != kRepeatTimer) return;
  if (held_ == 0) {
    StopTimer(kRepeatTimer);
    return;
  }
  StartTimer(kRepeatTimer, kRepeatIntervalMs);
  if (over_held_) Step(held_);
}

bool SpinEdit::KeyDown(int key, unsigned modifiers) {
  if (!ReadOnly && (key == platform::keys::kUp || key == platform::keys::kDown)) {
    Step(key == platform::keys::kUp ? 1 : -1);
    return true;
  }
  return Edit::KeyDown(key, modifiers);
}

void SpinEdit::FocusChanged(bool focused) {
  // What was typed becomes a value within the limits when the box is left.
  if (!focused) SetValue(Value());
  if (!focused && held_ != 0) {
    held_ = 0;
    StopTimer(kRepeatTimer);
  }
  Edit::FocusChanged(focused);
}

void RegisterSpinEdit(ClassRegistry& registry) {
  Published<SpinEdit> p(registry.Add("TSpinEdit", "TEdit", &RegisterEdit,
                                     [] { return std::make_unique<SpinEdit>(); }));
  p.Int("MinValue", [](SpinEdit& c, int v) {
    c.MinValue = v;
    c.SetValue(c.Value());
  });
  p.Int("MaxValue", [](SpinEdit& c, int v) {
    c.MaxValue = v;
    c.SetValue(c.Value());
  });
  p.Int("Value", &SpinEdit::SetValue, &SpinEdit::Value);
  p.Int("Increment", [](SpinEdit& c, int v) { c.Increment = v; });
  p.Ignored("EditorEnabled");
}

}  // namespace lpc::widgets
