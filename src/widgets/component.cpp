#include "widgets/component.h"

#include <algorithm>
#include <cctype>

#include "base/numbers.h"
#include "widgets/form.h"

namespace lpc::widgets {

int FontSettings::Size() const {
  if (Height < 0) return static_cast<int>(Round(-Height * 72.0 / 96.0));
  return static_cast<int>(Round(Height * 72.0 / 96.0));
}

void FontSettings::SetSize(int points) { Height = -static_cast<int>(Round(points * 96.0 / 72.0)); }

FontSpec FontSettings::Resolved() const {
  FontSpec spec;
  spec.name = Name;
  spec.height = Height == 0 ? -11 : Height;
  spec.bold = Bold;
  spec.italic = Italic;
  spec.underline = Underline;
  return spec;
}

Component::Component() = default;

Component::~Component() {
  if (form_ && form_ != this) form_->Forget(*this);
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (Component* child : children_) child->parent_ = nullptr;
}

void Component::SetParent(Component* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  if (parent_) parent_->children_.push_back(this);
  Invalidate();
}

void Component::ForEach(const std::function<void(Component&)>& fn) {
  fn(*this);
  // A copy: the callback may add or remove children.
  const std::vector<Component*> children = children_;
  for (Component* child : children) child->ForEach(fn);
}

void Component::SetBounds(int left, int top, int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  const bool resized = width != width_ || height != height_;
  if (!resized && left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (resized) {
    Realign();
    Resized();
  }
  if (parent_) parent_->Realign();
  Invalidate();
}

Point Component::FormOrigin() const {
  Point p{0, 0};
  for (const Component* c = this; c && c->parent_; c = c->parent_) {
    const Rect client = c->parent_->ClientRect();
    p.x += c->left_ + client.left;
    p.y += c->top_ + client.top;
  }
  return p;
}

Rect FormRect(const Component& c) {
  const Point o = c.FormOrigin();
  return MakeRect(o.x, o.y, c.Width(), c.Height());
}

void Component::SetAlign(Alignment align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->Realign();
  Invalidate();
}

void Component::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (parent_) parent_->Realign();
  if (!visible && form_) {
    // A hidden control cannot keep the focus or the mouse.
    for (Component* c = form_->FocusedControl(); c; c = c->parent_) {
      if (c == this) {
        form_->FocusControl(nullptr);
        break;
      }
    }
  }
  if (parent_) parent_->Invalidate();
  Invalidate();
}

bool Component::Showing() const {
  for (const Component* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void Component::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
}

bool Component::EnabledInTree() const {
  for (const Component* c = this; c; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void Component::SetColor(ColorValue color) {
  color_ = color;
  parent_color_ = false;
  Invalidate();
}

void Component::SetParentColor(bool v) {
  parent_color_ = v;
  Invalidate();
}

ColorValue Component::EffectiveColor() const {
  return parent_color_ && parent_ ? parent_->EffectiveColor() : color_;
}

FontSettings& Component::MutableFont() {
  if (parent_font_) {
    font_ = EffectiveFont();
    parent_font_ = false;
  }
  Invalidate();
  return font_;
}

void Component::SetFont(const FontSettings& font) {
  font_ = font;
  parent_font_ = false;
  Invalidate();
}

void Component::SetParentFont(bool v) {
  parent_font_ = v;
  Invalidate();
}

const FontSettings& Component::EffectiveFont() const {
  return parent_font_ && parent_ ? parent_->EffectiveFont() : font_;
}

int Component::TextLineHeight() const {
  TextRenderer* text = form_ ? form_->text_renderer() : nullptr;
  return text ? text->MeasureText("Wg", EffectiveFont().Resolved()).height : 13;
}

void Component::SetCursor(int cursor) { cursor_ = cursor; }

bool Component::EffectiveShowHint() const {
  return ParentShowHint && parent_ ? parent_->EffectiveShowHint() : ShowHint;
}

void Component::SetCaption(const std::string& caption) {
  caption_ = caption;
  Invalidate();
}

char Component::Accelerator() const {
  for (size_t i = 0; i + 1 < caption_.size(); ++i) {
    if (caption_[i] != '&') continue;
    if (caption_[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(caption_[i + 1])));
  }
  return 0;
}

bool Component::CanFocus() const { return IsWindowed() && Showing() && EnabledInTree(); }

bool Component::Focused() const { return form_ && form_->FocusedControl() == this; }

void Component::SetFocus() {
  if (form_ && CanFocus()) form_->FocusControl(this);
}

void Component::Invalidate() {
  if (form_) form_->RequestPaint();
}

void Component::Paint(Canvas&) {}

void Component::Click() {
  if (OnClick) OnClick(*this);
}

void Component::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void Component::MouseDown(const MouseArgs& args) {
  if (OnMouseDown) OnMouseDown(*this, args);
}

void Component::MouseMove(const MouseArgs& args) {
  if (OnMouseMove) OnMouseMove(*this, args);
}

void Component::MouseUp(const MouseArgs& args) {
  if (OnMouseUp) OnMouseUp(*this, args);
}

void Component::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void Component::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

bool Component::KeyDown(int, unsigned) { return false; }
bool Component::KeyUp(int, unsigned) { return false; }
bool Component::KeyChar(char32_t) { return false; }

bool Component::AcceleratorPressed() {
  if (!EnabledInTree() || !Showing()) return false;
  Click();
  return true;
}

void Component::Realign() {
  // Children's bounds count from the client area's top-left corner.
  const Rect client = ClientRect();
  Rect r{0, 0, client.Width(), client.Height()};
  auto place = [&](Alignment kind) {
    for (Component* c : children_) {
      if (!c->visible_ || c->align_ != kind) continue;
      switch (kind) {
        case Alignment::alTop:
          c->SetBoundsQuiet(r.left, r.top, r.Width(), c->height_);
          r.top += c->height_;
          break;
        case Alignment::alBottom:
          c->SetBoundsQuiet(r.left, r.bottom - c->height_, r.Width(), c->height_);
          r.bottom -= c->height_;
          break;
        case Alignment::alLeft:
          c->SetBoundsQuiet(r.left, r.top, c->width_, r.Height());
          r.left += c->width_;
          break;
        case Alignment::alRight:
          c->SetBoundsQuiet(r.right - c->width_, r.top, c->width_, r.Height());
          r.right -= c->width_;
          break;
        case Alignment::alClient:
          c->SetBoundsQuiet(r.left, r.top, r.Width(), r.Height());
          break;
        case Alignment::alNone:
          break;
      }
    }
  };
  for (Alignment kind : {Alignment::alTop, Alignment::alBottom, Alignment::alLeft,
                         Alignment::alRight, Alignment::alClient}) {
    place(kind);
  }
}

void Component::SetBoundsQuiet(int left, int top, int width, int height) {
  // Positions made by alignment do not ask the parent to align again.
  width = std::max(0, width);
  height = std::max(0, height);
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (resized) {
    Realign();
    Resized();
  }
}

void Component::StartTimer(int id, uint32_t interval_ms) {
  if (form_) form_->StartComponentTimer(*this, id, interval_ms);
}

void Component::StopTimer(int id) {
  if (form_) form_->StopComponentTimer(*this, id);
}

Component* FindInSameForm(Component& c, std::string_view name) {
  if (auto* form = dynamic_cast<FormWindow*>(&c)) return form->FindComponent(name);
  return c.Form() ? c.Form()->FindComponent(name) : nullptr;
}

}  // namespace lpc::widgets
