#include "widgets/form.h"

#include <algorithm>
#include <cctype>

#include "base/paths.h"
#include "widgets/draw.h"

namespace lpc::widgets {

namespace {

constexpr int kHintTimer = -1;      // ids below 0 are the form's own
constexpr int kHintHideTimer = -2;

bool Contains(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

}  // namespace

// Passes the window's calls on to the form.
class FormWindow::Handler : public platform::WindowHandler {
 public:
  explicit Handler(FormWindow& form) : form_(form) {}
  void OnShow(platform::Window&) override {
    if (form_.ActiveControl && form_.ActiveControl->CanFocus()) {
      form_.FocusControl(form_.ActiveControl);
    } else if (!form_.focused_) {
      const std::vector<Component*> tabs = form_.TabList();
      if (!tabs.empty()) form_.FocusControl(tabs.front());
    }
    if (form_.OnShow) form_.OnShow(form_);
    form_.RequestPaint();
  }
  void OnEvent(platform::Window&, const platform::Event& e) override { form_.HandleEvent(e); }
  bool OnCloseQuery(platform::Window&) override {
    return !form_.OnCloseQuery || form_.OnCloseQuery(form_);
  }
  void OnClose(platform::Window&) override {
    if (form_.OnClose) form_.OnClose(form_);
  }
  void OnPaint(platform::Window& w) override { w.Present(form_.Render()); }
  void OnResize(platform::Window&, int width, int height) override {
    form_.ClientResized(width, height);
  }

 private:
  FormWindow& form_;
};

FormWindow::FormWindow() : handler_(std::make_unique<Handler>(*this)) {
  SetForm(this);
  SetBounds(0, 0, 635 - kFrameWidth, 450 - kFrameHeight);
  SetColor(clBtnFace);
  WindowStyle.kind = platform::WindowKind::kFramed;
}

FormWindow::~FormWindow() {
  destroying_ = true;
  window_.reset();
  // Children go before their parents: reverse creation order.
  while (!owned_.empty()) owned_.pop_back();
}

Component& FormWindow::Adopt(std::unique_ptr<Component> component, Component* parent) {
  Component& c = *component;
  c.ForEach([this](Component& each) { each.SetForm(this); });
  owned_.push_back(std::move(component));
  c.SetParent(parent ? parent : this);
  return c;
}

Component* FormWindow::FindComponent(std::string_view name) const {
  for (const auto& c : owned_) {
    if (SameText(c->Name, name)) return c.get();
  }
  return nullptr;
}

void FormWindow::SetCaption(const std::string& caption) {
  Component::SetCaption(caption);
  if (window_) window_->SetCaption(caption);
}

TextRenderer* FormWindow::text_renderer() const {
  if (text_) return text_;
  try {
    return &platform::Current().Text();
  } catch (const std::exception&) {
    return nullptr;
  }
}

int FormWindow::ShowModal(platform::Window* owner) {
  platform::Platform& platform = platform::Current();
  platform::WindowOptions options = WindowStyle;
  options.caption = Caption();
  // A described size larger than the screen (a layout typo) opens at the screen's size.
  const Size screen = platform.ScreenSize();
  if (screen.width > 0 && screen.height > 0 && (Width() > screen.width || Height() > screen.height)) {
    SetBounds(Left(), Top(), std::min(Width(), screen.width), std::min(Height(), screen.height));
  }
  options.client_width = Width();
  options.client_height = Height();
  options.left = Left();
  options.top = Top();
  options.owner = owner;
  options.background = ToRGB(EffectiveColor());
  window_ = platform.OpenWindow(options, handler_.get());
  for (auto& [platform_id, entry] : timers_) platform.StartTimer(*window_, platform_id, entry.interval);
  const Size size = window_->ClientSize();
  if (size.width != Width() || size.height != Height()) ClientResized(size.width, size.height);
  int result = platform::kModalCancel;
  try {
    result = platform.RunModal(*window_);
  } catch (...) {
    window_.reset();
    throw;
  }
  HideHint();
  ClosePopup();
  window_.reset();
  return result;
}

bool FormWindow::Close(int modal_result) { return window_ ? window_->Close(modal_result) : true; }

void FormWindow::ClientResized(int width, int height) {
  SetBounds(Left(), Top(), width, height);
  RequestPaint();
}

void FormWindow::RequestPaint() {
  if (window_ && !destroying_) window_->Invalidate();
}

const Bitmap& FormWindow::Render() {
  Realign();
  // No screen is wider than this; a bigger described size is a typo, not a reason for a
  // back buffer of gigabytes.
  constexpr int kMaxSide = 8192;
  if (Width() > kMaxSide || Height() > kMaxSide) {
    SetBounds(Left(), Top(), std::min(Width(), kMaxSide), std::min(Height(), kMaxSide));
  }
  if (back_.width() != Width() || back_.height() != Height()) back_.SetSize(Width(), Height());
  Canvas canvas(back_);
  canvas.SetTextRenderer(text_renderer());
  canvas.FillRect(Rect{0, 0, Width(), Height()}, ToRGB(EffectiveColor()));
  const Rect all{0, 0, Width(), Height()};
  Paint(canvas);
  for (Component* child : Children()) PaintTree(*child, canvas, all);
  if (popup_ && popup_->Visible()) {
    Bitmap local(popup_rect_.Width(), popup_rect_.Height());
    Canvas pc(local);
    pc.SetTextRenderer(text_renderer());
    popup_->Paint(pc);
    canvas.Draw(popup_rect_.left, popup_rect_.top, local);
  }
  PaintHint(canvas);
  return back_;
}

void FormWindow::PaintTree(Component& c, Canvas& canvas, const Rect& clip) {
  if (!c.Visible() || c.Width() <= 0 || c.Height() <= 0) return;
  const Rect r = FormRect(c);
  const Rect visible = Intersect(r, clip);
  if (visible.IsEmpty()) return;
  // A control many times the window's size (a layout typo such as Width = 90000) would need a
  // picture of gigabytes: it shows its colour only, and its children paint as usual.
  const int64_t area = static_cast<int64_t>(c.Width()) * c.Height();
  const int64_t window_area = static_cast<int64_t>(back_.width()) * back_.height();
  if (area > std::max<int64_t>(4 * window_area, int64_t{1} << 22)) {
    canvas.FillRect(visible, ToRGB(c.EffectiveColor()));
  } else {
    PaintControl(c, canvas, r, visible);
  }
  const Rect client = c.ClientRect();
  const Rect child_clip =
      Intersect(visible, Rect{r.left + client.left, r.top + client.top, r.left + client.right,
                              r.top + client.bottom});
  for (Component* child : c.Children()) PaintTree(*child, canvas, child_clip);
}

void FormWindow::PaintControl(Component& c, Canvas& canvas, const Rect& r, const Rect& visible) {
  // The control paints onto a bitmap of its own size that starts as what lies beneath it.
  Bitmap local(c.Width(), c.Height());
  for (int y = visible.top; y < visible.bottom; ++y) {
    std::copy(back_.Row(y) + visible.left, back_.Row(y) + visible.right,
              local.Row(y - r.top) + (visible.left - r.left));
  }
  Canvas lc(local);
  lc.SetTextRenderer(canvas.text_renderer());
  lc.Font = c.EffectiveFont().Resolved();
  lc.FontColor = ToRGB(c.EffectiveFont().Color);
  c.Paint(lc);
  for (int y = visible.top; y < visible.bottom; ++y) {
    const lpc::Color* src = local.Row(y - r.top) + (visible.left - r.left);
    std::copy(src, src + visible.Width(), back_.Row(y) + visible.left);
  }
}

void FormWindow::PaintHint(Canvas& canvas) {
  if (hint_text_.empty()) return;
  canvas.Font = FontSpec{};
  canvas.Font.name = "MS Sans Serif";
  canvas.Font.height = -11;
  const Size text = MeasureTextBlock(canvas, hint_text_, 300, true);
  Rect r = MakeRect(hint_pos_.x, hint_pos_.y, text.width + 8, text.height + 4);
  // Keep the tip inside the client area.
  if (r.right > Width()) r = MakeRect(std::max(0, Width() - r.Width()), r.top, r.Width(), r.Height());
  if (r.bottom > Height()) {
    r = MakeRect(r.left, std::max(0, hint_pos_.y - 24 - r.Height()), r.Width(), r.Height());
  }
  canvas.FillRect(r, ToRGB(clInfoBk));
  Frame3D(canvas, r, 0x000000, 0x000000);
  canvas.FontColor = ToRGB(clInfoText);
  DrawTextInRect(canvas, Rect{r.left + 4, r.top + 2, r.right - 2, r.bottom - 2}, hint_text_,
                 TextLayout{HAlign::kLeft, VAlign::kTop, true, false, false});
}

void FormWindow::HideHint() {
  StopComponentTimer(*this, kHintTimer);
  StopComponentTimer(*this, kHintHideTimer);
  if (!hint_text_.empty()) {
    hint_text_.clear();
    RequestPaint();
  }
}

void FormWindow::FocusControl(Component* c) {
  if (c == focused_) return;
  Component* old = focused_;
  focused_ = c;
  if (old) old->FocusChanged(false);
  if (c) c->FocusChanged(true);
  RequestPaint();
}

std::vector<Component*> FormWindow::TabList() const {
  std::vector<Component*> out;
  std::function<void(const Component&)> walk = [&](const Component& parent) {
    std::vector<Component*> kids;
    for (Component* c : parent.Children()) {
      if (c->Visible()) kids.push_back(c);
    }
    std::stable_sort(kids.begin(), kids.end(), [](const Component* a, const Component* b) {
      return a->TabOrder < b->TabOrder;
    });
    for (Component* c : kids) {
      if (c->IsWindowed() && c->TabStop && c->CanFocus()) out.push_back(c);
      walk(*c);
    }
  };
  walk(*this);
  return out;
}

void FormWindow::SelectNext(bool backwards) {
  const std::vector<Component*> tabs = TabList();
  if (tabs.empty()) return;
  const auto it = std::find(tabs.begin(), tabs.end(), focused_);
  int index = it == tabs.end() ? -1 : static_cast<int>(it - tabs.begin());
  const int n = static_cast<int>(tabs.size());
  if (index < 0) {
    index = backwards ? n - 1 : 0;
  } else {
    index = (index + (backwards ? n - 1 : 1)) % n;
  }
  FocusControl(tabs[index]);
}

void FormWindow::ShowPopup(Component* popup, const Rect& rect) {
  ClosePopup();
  popup_ = popup;
  popup_rect_ = rect;
  if (popup_) {
    popup_->SetForm(this);
    popup_->SetBounds(0, 0, rect.Width(), rect.Height());
  }
  RequestPaint();
}

void FormWindow::ClosePopup() {
  if (!popup_) return;
  popup_ = nullptr;
  if (capture_ && !capture_->Parent() && capture_ != this) capture_ = nullptr;
  RequestPaint();
}

int FormWindow::TimerIdFor(Component& c, int id) {
  for (auto& [platform_id, entry] : timers_) {
    if (entry.component == &c && entry.id == id) return platform_id;
  }
  return 0;
}

void FormWindow::StartComponentTimer(Component& c, int id, uint32_t interval_ms) {
  int platform_id = TimerIdFor(c, id);
  if (platform_id == 0) platform_id = next_timer_id_++;
  timers_[platform_id] = TimerEntry{&c, id, interval_ms};
  if (window_) platform::Current().StartTimer(*window_, platform_id, interval_ms);
}

void FormWindow::StopComponentTimer(Component& c, int id) {
  const int platform_id = TimerIdFor(c, id);
  if (platform_id == 0) return;
  timers_.erase(platform_id);
  if (window_) platform::Current().StopTimer(*window_, platform_id);
}

void FormWindow::Forget(Component& c) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.component == &c) {
      if (window_ && !destroying_) platform::Current().StopTimer(*window_, it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  if (focused_ == &c) focused_ = nullptr;
  if (capture_ == &c) capture_ = nullptr;
  if (pressed_ == &c) pressed_ = nullptr;
  if (hovered_ == &c) hovered_ = nullptr;
  if (popup_ == &c) popup_ = nullptr;
  if (ActiveControl == &c) ActiveControl = nullptr;
}

Component* FormWindow::ControlAt(int x, int y) const {
  const Component* current = this;
  int lx = x;
  int ly = y;
  for (;;) {
    const Rect client = current->ClientRect();
    const Component* hit = nullptr;
    const auto& kids = current->Children();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
      const Component* c = *it;
      if (!c->Visible()) continue;
      if (Contains(c->BoundsRect(), lx - client.left, ly - client.top)) {
        hit = c;
        break;
      }
    }
    if (!hit) return const_cast<Component*>(current);
    lx -= client.left + hit->Left();
    ly -= client.top + hit->Top();
    current = hit;
  }
}

MouseArgs FormWindow::ArgsFor(const Component& c, const platform::Event& e) const {
  MouseArgs a;
  a.button = e.button;
  a.modifiers = e.modifiers;
  a.clicks = e.clicks;
  if (&c == popup_) {
    a.x = e.x - popup_rect_.left;
    a.y = e.y - popup_rect_.top;
  } else {
    const Point o = c.FormOrigin();
    a.x = e.x - o.x;
    a.y = e.y - o.y;
  }
  return a;
}

void FormWindow::HandleEvent(const platform::Event& e) {
  using platform::EventKind;
  switch (e.kind) {
    case EventKind::kMouseMove:
      MouseMoveAt(e);
      break;
    case EventKind::kMouseDown:
      MouseDownAt(e);
      break;
    case EventKind::kMouseUp:
      MouseUpAt(e);
      break;
    case EventKind::kKeyDown:
      KeyDownEvent(e);
      break;
    case EventKind::kKeyUp:
      if (focused_) focused_->KeyUp(e.key, e.modifiers);
      break;
    case EventKind::kKeyChar:
      if (popup_ && focused_) {
        focused_->KeyChar(e.ch);
      } else if (focused_ && e.ch >= 0x20) {
        focused_->KeyChar(e.ch);
      } else if (focused_ && (e.ch == '\b' || (e.ch == '\r' && focused_->WantsReturn()))) {
        focused_->KeyChar(e.ch);
      }
      break;
    case EventKind::kTimer: {
      const auto it = timers_.find(e.timer_id);
      if (it == timers_.end()) break;
      const TimerEntry entry = it->second;
      if (entry.component == this && entry.id == kHintTimer) {
        StopComponentTimer(*this, kHintTimer);
        if (hovered_ && pointer_inside_ && hovered_->EffectiveShowHint() &&
            !hovered_->Hint.empty()) {
          hint_text_ = hovered_->Hint;
          hint_pos_ = Point{cursor_pos_.x, cursor_pos_.y + 20};
          StartComponentTimer(*this, kHintHideTimer, kHintHideMs);
          RequestPaint();
        }
      } else if (entry.component == this && entry.id == kHintHideTimer) {
        HideHint();
      } else {
        entry.component->Timer(entry.id);
      }
      break;
    }
    case EventKind::kMouseLeave:
      PointerLeft();
      break;
    default:
      break;
  }
}

void FormWindow::SetHovered(Component* c) {
  if (c == hovered_) return;
  Component* old = hovered_;
  hovered_ = c;
  HideHint();
  if (old && old->EnabledInTree()) old->MouseLeave();
  if (c && c->EnabledInTree()) c->MouseEnter();
  if (c && c->EffectiveShowHint() && !c->Hint.empty()) StartComponentTimer(*this, kHintTimer, kHintPauseMs);
}

void FormWindow::PointerLeft() {
  pointer_inside_ = false;
  SetHovered(nullptr);
}

void FormWindow::UpdateCursor() {
  int cursor = crDefault;
  const Component* c = capture_ ? capture_ : hovered_;
  for (; c; c = c->Parent()) {
    if (c->Cursor() != crDefault) {
      cursor = c->Cursor();
      break;
    }
  }
  try {
    platform::Current().SetCursorShape(cursor == crHandPoint ? platform::CursorShape::kHand
                                                             : platform::CursorShape::kArrow);
  } catch (const std::exception&) {
  }
}

void FormWindow::MouseMoveAt(const platform::Event& e) {
  const Point old = cursor_pos_;
  cursor_pos_ = Point{e.x, e.y};
  pointer_inside_ = Contains(Rect{0, 0, Width(), Height()}, e.x, e.y);
  Component* over = nullptr;
  if (popup_ && Contains(popup_rect_, e.x, e.y)) {
    over = popup_;
  } else if (pointer_inside_) {
    over = ControlAt(e.x, e.y);
  }
  SetHovered(over);
  if (!(old == cursor_pos_) && !hint_text_.empty()) HideHint();
  Component* target = capture_ ? capture_ : over;
  if (target && target->EnabledInTree()) target->MouseMove(ArgsFor(*target, e));
  UpdateCursor();
}

void FormWindow::MouseDownAt(const platform::Event& e) {
  HideHint();
  cursor_pos_ = Point{e.x, e.y};
  if (popup_ && !Contains(popup_rect_, e.x, e.y) && !capture_) {
    Component* owner = popup_;
    ClosePopup();
    (void)owner;
    return;  // the press that closes a popup does nothing else
  }
  Component* target = capture_;
  if (!target) target = popup_ && Contains(popup_rect_, e.x, e.y) ? popup_ : ControlAt(e.x, e.y);
  if (!target || !target->EnabledInTree()) return;
  if (target != popup_) {
    // A press focuses the windowed control under it (or the nearest windowed parent).
    for (Component* c = target; c && c != this; c = c->Parent()) {
      if (c->IsWindowed()) {
        if (c->CanFocus()) FocusControl(c);
        break;
      }
    }
  }
  if (e.button == platform::MouseButton::kLeft) {
    capture_ = target;
    pressed_ = target;
  }
  target->MouseDown(ArgsFor(*target, e));
  if (e.clicks == 2 && e.button == platform::MouseButton::kLeft && Form() == this) {
    // The handler above may have freed or hidden the target; check before the double click.
    if (pressed_ == target) target->DblClick();
  }
  UpdateCursor();
}

void FormWindow::MouseUpAt(const platform::Event& e) {
  cursor_pos_ = Point{e.x, e.y};
  Component* target = capture_;
  if (!target) target = popup_ && Contains(popup_rect_, e.x, e.y) ? popup_ : ControlAt(e.x, e.y);
  if (e.button == platform::MouseButton::kLeft) capture_ = nullptr;
  if (!target || !target->EnabledInTree()) return;
  const MouseArgs args = ArgsFor(*target, e);
  const bool inside = args.x >= 0 && args.y >= 0 && args.x < target->Width() &&
                      args.y < target->Height();
  const bool was_pressed = pressed_ == target;
  if (e.button == platform::MouseButton::kLeft) pressed_ = nullptr;
  target->MouseUp(args);
  if (e.button == platform::MouseButton::kLeft && was_pressed && inside &&
      target->WantsAutoClick()) {
    target->Click();
  }
  // Where the pointer is now decides what it hovers.
  if (window_ || pointer_inside_) {
    Component* over = popup_ && Contains(popup_rect_, e.x, e.y) ? popup_ : ControlAt(e.x, e.y);
    SetHovered(over);
  }
  UpdateCursor();
}

void FormWindow::KeyDownEvent(const platform::Event& e) {
  namespace keys = platform::keys;
  HideHint();
  if (focused_ && focused_->KeyDown(e.key, e.modifiers)) return;
  if (popup_) return;
  const bool alt = (e.modifiers & platform::kModAlt) != 0;
  const bool ctrl = (e.modifiers & platform::kModCtrl) != 0;
  if (e.key == keys::kTab && !alt && !ctrl) {
    SelectNext((e.modifiers & platform::kModShift) != 0);
    return;
  }
  auto click_button = [&](bool want_default) {
    Component* chosen = nullptr;
    for (const auto& c : owned_) {
      if (!c->Showing() || !c->EnabledInTree()) continue;
      if (want_default ? c->IsDefaultButton() : c->IsCancelButton()) {
        chosen = c.get();
        break;
      }
    }
    if (chosen) chosen->Click();
    return chosen != nullptr;
  };
  if (e.key == keys::kReturn) {
    if (focused_ && focused_->IsButton()) {
      focused_->Click();
      return;
    }
    click_button(true);
    return;
  }
  if (e.key == keys::kEscape) {
    click_button(false);
    return;
  }
  if (alt && e.key >= 'A' && e.key <= 'Z') {
    for (const auto& c : owned_) {
      if (c->Accelerator() == static_cast<char>(e.key) && c->Showing() && c->EnabledInTree()) {
        if (c->AcceleratorPressed()) return;
      }
    }
  }
}

}  // namespace lpc::widgets
