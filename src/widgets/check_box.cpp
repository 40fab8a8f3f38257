#include "widgets/check_box.h"

#include "widgets/draw.h"
#include "widgets/form.h"
#include "widgets/geometry.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

namespace {

constexpr int kBox = 13;
// The check mark, 7 x 7, drawn one pixel inside the white well.
constexpr const char* kMark[] = {
    "......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#....",
};

}  // namespace

void DrawCheckBox(Canvas& canvas, int x, int y, int state, bool pressed, bool enabled) {
  const Rect box = MakeRect(x, y, kBox, kBox);
  const Rect well = DrawEdge(canvas, box, EdgeKind::kSunken);
  // The well turns grey while pressed or disabled, and is checkered when grayed.
  const bool grey_well = pressed || !enabled;
  canvas.FillRect(well, ToRGB(grey_well ? clBtnFace : clWindow));
  if (state == CheckBox::cbUnchecked) return;
  Color mark = ToRGB(enabled && state == CheckBox::cbChecked ? clWindowText : clBtnShadow);
  if (state == CheckBox::cbGrayed && enabled) {
    for (int yy = well.top; yy < well.bottom; ++yy) {
      for (int xx = well.left; xx < well.right; ++xx) {
        if ((xx + yy) % 2 == 0) canvas.SetPixel(xx, yy, ToRGB(clBtnFace));
      }
    }
  }
  for (int row = 0; row < 7; ++row) {
    for (int col = 0; col < 7; ++col) {
      if (kMark[row][col] == '#') canvas.SetPixel(well.left + 1 + col, well.top + 1 + row, mark);
    }
  }
}

CheckBox::CheckBox() {
  SetBounds(0, 0, 97, 17);
  SetParentColor(true);
  TabStop = true;
}

void CheckBox::SetState(CheckState state) {
  if (state == state_) return;
  state_ = state;
  Invalidate();
  if (OnChange) OnChange(*this);
}

void CheckBox::SetAlignment(TextAlignment alignment) {
  Alignment = alignment;
  Invalidate();
}

void CheckBox::SetWordWrap(bool word_wrap) {
  WordWrap = word_wrap;
  Invalidate();
}

void CheckBox::Click() {
  // Unchecked -> checked -> grayed (when allowed) -> unchecked.
  if (state_ == cbUnchecked) {
    SetState(cbChecked);
  } else if (state_ == cbChecked && AllowGrayed) {
    SetState(cbGrayed);
  } else {
    SetState(cbUnchecked);
  }
  Component::Click();
}

void CheckBox::Paint(Canvas& canvas) {
  // With a colour of its own the check box fills its background; else the parent shows.
  if (!ParentColor()) canvas.FillRect(Rect{0, 0, Width(), Height()}, ToRGB(Color()));
  const bool enabled = EnabledInTree();
  const bool box_left = Alignment == taRightJustify;
  const int box_x = box_left ? 0 : Width() - kBox;
  DrawCheckBox(canvas, box_x, (Height() - kBox) / 2, state_, pressed_, enabled);
  const Rect text_area = box_left ? Rect{kBox + 4, 0, Width(), Height()}
                                  : Rect{0, 0, Width() - kBox - 4, Height()};
  TextLayout layout{HAlign::kLeft, VAlign::kCenter, WordWrap, true, !enabled};
  DrawTextInRect(canvas, text_area, Caption(), layout);
  if (Focused() && !Caption().empty()) {
    // The focus rectangle hugs the caption, one pixel outside it.
    const Size ts = MeasureTextBlock(canvas, StripAccelerator(Caption()), text_area.Width(), WordWrap);
    const int top = (Height() - ts.height) / 2;
    const Rect focus{text_area.left - 1, top - 1,
                     std::min(text_area.left + ts.width + 1, Width()), top + ts.height + 1};
    DrawFocusRect(canvas, IntersectRect(focus, Rect{0, 0, Width(), Height()}));
  }
}

void CheckBox::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    tracking_ = pressed_ = true;
    Invalidate();
  }
  Component::MouseDown(args);
}

void CheckBox::MouseMove(const MouseArgs& args) {
  if (tracking_) {
    const bool inside = PtInRect(Rect{0, 0, Width(), Height()}, args.x, args.y);
    if (inside != pressed_) {
      pressed_ = inside;
      Invalidate();
    }
  }
  Component::MouseMove(args);
}

void CheckBox::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    tracking_ = pressed_ = false;
    Invalidate();
  }
  Component::MouseUp(args);
}

bool CheckBox::KeyDown(int key, unsigned) {
  if (key != platform::keys::kSpace) return false;
  space_down_ = pressed_ = true;
  Invalidate();
  return true;
}

bool CheckBox::KeyUp(int key, unsigned) {
  if (key != platform::keys::kSpace || !space_down_) return false;
  space_down_ = pressed_ = false;
  Click();
  return true;
}

bool CheckBox::AcceleratorPressed() {
  if (!EnabledInTree() || !Showing()) return false;
  SetFocus();
  Click();
  return true;
}

void RegisterCheckBox(ClassRegistry& registry) {
  Published<CheckBox> p(registry.Add("TCheckBox", "TWinControl", &RegisterWinControl,
                                     [] { return std::make_unique<CheckBox>(); }));
  PublishCaption(p);
  p.Bool("Checked", &CheckBox::SetChecked, &CheckBox::Checked);
  p.Enum<CheckBox::CheckState>("State", {"cbUnchecked", "cbChecked", "cbGrayed"},
                               &CheckBox::SetState, &CheckBox::State);
  p.Bool("AllowGrayed", [](CheckBox& c, bool v) { c.AllowGrayed = v; });
  // Only these two: the caption is on one side of the box or the other.
  p.Enum<TextAlignment>("Alignment", {"taLeftJustify", "taRightJustify"}, &CheckBox::SetAlignment,
                        &CheckBox::Alignment);
  p.Bool("WordWrap", &CheckBox::SetWordWrap);
  p.Ignored({"Action", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

}  // namespace lpc::widgets
