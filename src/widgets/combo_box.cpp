#include "widgets/combo_box.h"

#include <algorithm>

#include "widgets/draw.h"
#include "widgets/form.h"
#include "widgets/geometry.h"
#include "widgets/scroll_bar.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

namespace {
constexpr int kButtonWidth = 16;
constexpr int kListTimer = 1;
}  // namespace

// The open list: drawn by the form over everything else, in form coordinates of its own.
class ComboBox::List : public Component {
 public:
  explicit List(ComboBox& owner) : owner_(owner), bar_(*this, true, kListTimer) {
    bar_.OnScroll = [this](int pos) { owner_.top_ = pos; };
  }

  int Rows() const {
    return std::min(static_cast<int>(owner_.Items.size()), std::max(1, owner_.DropDownCount));
  }
  bool HasBar() const { return static_cast<int>(owner_.Items.size()) > Rows(); }
  Rect ItemArea() const {
    return Rect{1, 1, Width() - 1 - (HasBar() ? ScrollBar::kSize : 0), Height() - 1};
  }
  int ItemAt(int x, int y) const {
    const Rect area = ItemArea();
    if (!PtInRect(area, x, y)) return -1;
    const int i = owner_.top_ + (y - area.top) / owner_.ItemHeight();
    return i < static_cast<int>(owner_.Items.size()) ? i : -1;
  }
  void Sync() {
    bar_.SetBounds(Rect{Width() - 1 - ScrollBar::kSize, 1, Width() - 1, Height() - 1});
    bar_.SetRange(0, static_cast<int>(owner_.Items.size()) - 1, Rows());
    bar_.SetPosition(owner_.top_);
    owner_.top_ = bar_.Position();
  }

  void Paint(Canvas& canvas) override {
    Sync();
    canvas.Font = owner_.EffectiveFont().Resolved();
    const Rect all{0, 0, Width(), Height()};
    canvas.FillRect(all, ToRGB(clWindow));
    Frame3D(canvas, all, 0x000000, 0x000000);
    const Rect area = ItemArea();
    const int h = owner_.ItemHeight();
    canvas.SetClip(area);
    for (int row = 0; row < Rows(); ++row) {
      const int i = owner_.top_ + row;
      if (i >= static_cast<int>(owner_.Items.size())) break;
      const Rect r{area.left, area.top + row * h, area.right, area.top + (row + 1) * h};
      const bool hot = i == owner_.hot_;
      if (hot) canvas.FillRect(r, ToRGB(clHighlight));
      canvas.FontColor = ToRGB(hot ? clHighlightText : owner_.EffectiveFont().Color);
      DrawTextInRect(canvas, Rect{r.left + 2, r.top, r.right, r.bottom}, owner_.Items[i],
                     TextLayout{HAlign::kLeft, VAlign::kCenter, false, false, false});
      canvas.SetClip(area);
    }
    canvas.ClearClip();
    if (HasBar()) bar_.Paint(canvas);
  }

  void MouseDown(const MouseArgs& args) override {
    Sync();
    if (HasBar() && bar_.MouseDown(args.x, args.y)) return;
  }
  void MouseMove(const MouseArgs& args) override {
    if (bar_.Tracking()) {
      bar_.MouseMove(args.x, args.y);
      return;
    }
    const int i = ItemAt(args.x, args.y);
    if (i >= 0 && i != owner_.hot_) {
      owner_.hot_ = i;
      Invalidate();
    }
  }
  void MouseUp(const MouseArgs& args) override {
    if (bar_.Tracking()) {
      bar_.MouseUp(args.x, args.y);
      return;
    }
    const int i = ItemAt(args.x, args.y);
    if (i >= 0) {
      owner_.CloseUp();
      owner_.Choose(i);
    }
  }
  bool WantsAutoClick() const override { return false; }
  void Timer(int id) override { bar_.HandleTimer(id); }

 private:
  ComboBox& owner_;
  ScrollBar bar_;
};

ComboBox::ComboBox() : list_(std::make_unique<List>(*this)) {
  SetBounds(0, 0, 145, 21);
  SetColor(clWindow);
  TabStop = true;
}

ComboBox::~ComboBox() {
  if (Form() && Form()->Popup() == list_.get()) Form()->ClosePopup();
}

int ComboBox::ItemHeight() const { return std::max(TextLineHeight() + 2, 13); }

void ComboBox::SetItemIndex(int index) {
  if (index < -1) return;
  if (index >= static_cast<int>(Items.size())) {
    pending_index_ = index;
    return;
  }
  pending_index_ = -1;
  item_index_ = index;
  Invalidate();
}

void ComboBox::Loaded() {
  if (pending_index_ >= 0) SetItemIndex(pending_index_);
  pending_index_ = -1;
}

std::string ComboBox::Text() const {
  return item_index_ >= 0 && item_index_ < static_cast<int>(Items.size()) ? Items[item_index_] : "";
}

void ComboBox::Choose(int index) {
  index = std::clamp(index, 0, static_cast<int>(Items.size()) - 1);
  if (Items.empty() || index == item_index_) return;
  item_index_ = index;
  Invalidate();
  if (OnChange) OnChange(*this);
}

bool ComboBox::DroppedDown() const { return Form() && Form()->Popup() == list_.get(); }

void ComboBox::DropDown() {
  FormWindow* form = Form();
  if (!form || DroppedDown() || Items.empty()) return;
  hot_ = std::max(item_index_, 0);
  const int rows = list_->Rows();
  top_ = std::clamp(hot_ - rows + 1, 0, static_cast<int>(Items.size()) - rows);
  top_ = std::max(0, std::min(top_, hot_));
  const Rect me = FormRect(*this);
  const int height = rows * ItemHeight() + 2;
  // Below the box, or above it when the form has no room below.
  int top = me.bottom;
  if (top + height > form->Height() && me.top - height >= 0) top = me.top - height;
  form->ShowPopup(list_.get(), MakeRect(me.left, top, Width(), height));
  Invalidate();
}

void ComboBox::CloseUp() {
  if (DroppedDown()) Form()->ClosePopup();
  Invalidate();
}

void ComboBox::Paint(Canvas& canvas) {
  const bool enabled = EnabledInTree();
  const Rect inner = DrawEdge(canvas, Rect{0, 0, Width(), Height()}, EdgeKind::kSunken);
  canvas.FillRect(inner, ToRGB(enabled ? EffectiveColor() : clBtnFace));
  const Rect button{std::max(inner.left, inner.right - kButtonWidth), inner.top, inner.right,
                    inner.bottom};
  DrawArrowButton(canvas, button, ArrowDir::kDown, DroppedDown(), enabled);
  const Rect text{inner.left + 1, inner.top + 1, button.left - 1, inner.bottom - 1};
  const bool selected = Focused() && !DroppedDown() && enabled;
  if (selected) canvas.FillRect(text, ToRGB(clHighlight));
  const lpc::Color color = canvas.FontColor;
  canvas.FontColor = selected ? ToRGB(clHighlightText) : color;
  DrawTextInRect(canvas, Rect{text.left + 2, text.top, text.right, text.bottom}, Text(),
                 TextLayout{HAlign::kLeft, VAlign::kCenter, false, false, !enabled});
  canvas.FontColor = color;
  if (selected) DrawFocusRect(canvas, text);
}

void ComboBox::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    if (DroppedDown()) {
      CloseUp();
    } else {
      DropDown();
    }
  }
  Component::MouseDown(args);
}

bool ComboBox::KeyDown(int key, unsigned modifiers) {
  namespace keys = platform::keys;
  const bool alt = (modifiers & platform::kModAlt) != 0;
  const int n = static_cast<int>(Items.size());
  if (DroppedDown()) {
    auto move_hot = [&](int to) {
      hot_ = std::clamp(to, 0, n - 1);
      const int rows = list_->Rows();
      if (hot_ < top_) top_ = hot_;
      if (hot_ >= top_ + rows) top_ = hot_ - rows + 1;
      Invalidate();
    };
    switch (key) {
      case keys::kUp:
        if (alt) {
          CloseUp();
          Choose(hot_);
        } else {
          move_hot(hot_ - 1);
        }
        return true;
      case keys::kDown: move_hot(hot_ + 1); return true;
      case keys::kHome: move_hot(0); return true;
      case keys::kEnd: move_hot(n - 1); return true;
      case keys::kPageUp: move_hot(hot_ - list_->Rows() + 1); return true;
      case keys::kPageDown: move_hot(hot_ + list_->Rows() - 1); return true;
      case keys::kReturn:
      case keys::kF1 + 3:  // F4
        CloseUp();
        Choose(hot_);
        return true;
      case keys::kEscape:
      case keys::kTab:
        CloseUp();
        return key == keys::kEscape;
      default: return true;  // the open list takes every key
    }
  }
  if ((alt && key == keys::kDown) || key == keys::kF1 + 3) {
    DropDown();
    return true;
  }
  if (n == 0) return false;
  switch (key) {
    case keys::kUp:
    case keys::kLeft: Choose(std::max(item_index_ - 1, 0)); return true;
    case keys::kDown:
    case keys::kRight: Choose(item_index_ + 1); return true;
    case keys::kHome: Choose(0); return true;
    case keys::kEnd: Choose(n - 1); return true;
    case keys::kPageUp: Choose(std::max(item_index_ - DropDownCount + 1, 0)); return true;
    case keys::kPageDown: Choose(item_index_ + DropDownCount - 1); return true;
    default: return false;
  }
}

void ComboBox::FocusChanged(bool focused) {
  if (!focused) CloseUp();
  Invalidate();
}

void RegisterComboBox(ClassRegistry& registry) {
  Published<ComboBox> p(registry.Add("TComboBox", "TWinControl", &RegisterWinControl,
                                     [] { return std::make_unique<ComboBox>(); }));
  p.Raw("Items.Strings", [](ComboBox& c, const PropertyValue& v) { c.Items = ValueToStrings(v); });
  p.Int("ItemIndex", &ComboBox::SetItemIndex, &ComboBox::ItemIndex);
  p.Int("DropDownCount", [](ComboBox& c, int v) { c.DropDownCount = std::clamp(v, 1, 100); });
  // Only the list style exists; the others are taken as it.
  p.Enum("Style",
         {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"},
         [](ComboBox&, int) {});
  p.Ignored({"Text", "Sorted", "ItemHeight", "CharCase", "MaxLength", "AutoComplete",
             "AutoDropDown", "AutoCloseUp", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

}  // namespace lpc::widgets
