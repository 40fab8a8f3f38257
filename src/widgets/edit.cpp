#include "widgets/edit.h"

#include <cctype>

#include "widgets/draw.h"
#include "widgets/form.h"
#include "widgets/geometry.h"

namespace lpc::widgets {

namespace {

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0xC0 ||
         c == '_';
}

// Case conversion in Windows-1252: ASCII, the accented letters of Latin-1 and the few letters
// of 0x80..0x9F that have a partner.
char ToUpper1252(char ch) {
  const auto u = static_cast<unsigned char>(ch);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 0x10);
  if (u == 0xFF) return static_cast<char>(0x9F);
  return u < 0x80 ? static_cast<char>(std::toupper(u)) : ch;
}

char ToLower1252(char ch) {
  const auto u = static_cast<unsigned char>(ch);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 0x20);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return static_cast<char>(u + 0x10);
  if (u == 0x9F) return static_cast<char>(0xFF);
  return u < 0x80 ? static_cast<char>(std::tolower(u)) : ch;
}

int TextWidth(const Component& c, const std::string& text) {
  if (text.empty() || !c.Form()) return 0;
  TextRenderer* renderer = c.Form()->text_renderer();
  return renderer ? renderer->MeasureText(text, c.EffectiveFont().Resolved()).width : 0;
}

}  // namespace

Edit::Edit() {
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
  TabStop = true;
  SetCursor(crIBeam);
}

void Edit::SetText(const std::string& text) {
  caption_ = MaxLength > 0 && static_cast<int>(text.size()) > MaxLength ? text.substr(0, MaxLength)
                                                                       : text;
  if (CharCaseMode != ecNormal) {
    for (char& ch : caption_) ch = CharCaseMode == ecUpperCase ? ToUpper1252(ch) : ToLower1252(ch);
  }
  caret_ = anchor_ = static_cast<int>(caption_.size());
  scroll_ = 0;
  Changed();
}

std::string Edit::SelText() const { return caption_.substr(SelStart(), SelLength()); }

void Edit::SetSelection(int start, int length) {
  const int n = static_cast<int>(caption_.size());
  anchor_ = std::clamp(start, 0, n);
  caret_ = std::clamp(start + std::max(0, length), 0, n);
  ScrollToCaret();
  Invalidate();
}

bool Edit::AcceptsChar(char ch) const { return static_cast<unsigned char>(ch) >= 0x20; }

void Edit::ReplaceSelection(const std::string& text) {
  std::string insert;
  for (char ch : text) {
    // One line only: a pasted text ends at its first line break.
    if (ch == '\r' || ch == '\n') break;
    if (!AcceptsChar(ch)) continue;
    if (CharCaseMode == ecUpperCase) ch = ToUpper1252(ch);
    if (CharCaseMode == ecLowerCase) ch = ToLower1252(ch);
    insert.push_back(ch);
  }
  const int start = SelStart();
  const int removed = SelLength();
  if (MaxLength > 0) {
    const int room = MaxLength - (static_cast<int>(caption_.size()) - removed);
    if (room < static_cast<int>(insert.size())) insert.resize(std::max(0, room));
  }
  if (insert.empty() && removed == 0) return;
  caption_.replace(start, removed, insert);
  caret_ = anchor_ = start + static_cast<int>(insert.size());
  Changed();
}

void Edit::CutToClipboard() {
  if (SelLength() == 0 || PasswordChar) return;
  CopyToClipboard();
  if (!ReadOnly) ReplaceSelection("");
}

void Edit::CopyToClipboard() {
  // Passwords stay in the box.
  if (SelLength() == 0 || PasswordChar) return;
  platform::Current().SetClipboardText(SelText());
}

void Edit::PasteFromClipboard() {
  if (ReadOnly) return;
  ReplaceSelection(platform::Current().ClipboardText());
}

void Edit::Changed() {
  ScrollToCaret();
  Invalidate();
  if (OnChange) OnChange(*this);
}

std::string Edit::Shown() const {
  return PasswordChar ? std::string(caption_.size(), PasswordChar) : caption_;
}

Rect Edit::TextRect() const {
  const int frame = BorderSingle ? (Ctl3D ? 2 : 1) : 0;
  return Rect{frame + 1, frame, std::max(frame + 1, Width() - frame - 1),
              std::max(frame, Height() - frame)};
}

int Edit::XOfPos(int pos) const {
  pos = std::clamp(pos, 0, static_cast<int>(caption_.size()));
  return TextWidth(*this, Shown().substr(0, pos)) - scroll_;
}

int Edit::PosAtX(int x) const {
  // The boundary nearest to x; widths grow with the prefix, so a binary search finds it.
  const std::string shown = Shown();
  const int target = x + scroll_;
  int lo = 0;
  int hi = static_cast<int>(shown.size());
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    if (TextWidth(*this, shown.substr(0, mid)) <= target) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  if (lo < static_cast<int>(shown.size())) {
    const int left = TextWidth(*this, shown.substr(0, lo));
    const int right = TextWidth(*this, shown.substr(0, lo + 1));
    if (target - left > right - target) ++lo;
  }
  return lo;
}

void Edit::ScrollToCaret() {
  const int width = TextRect().Width();
  if (width <= 0) return;
  const int caret = TextWidth(*this, Shown().substr(0, caret_));
  const int total = TextWidth(*this, Shown());
  if (caret - scroll_ > width - 1) scroll_ = caret - width + 1;
  if (caret < scroll_) scroll_ = std::max(0, caret - width / 3);
  // No empty room at the right while text is scrolled out at the left.
  if (scroll_ > 0 && total - scroll_ < width - 1) scroll_ = std::max(0, total - width + 1);
}

void Edit::MoveCaret(int pos, bool extend) {
  caret_ = std::clamp(pos, 0, static_cast<int>(caption_.size()));
  if (!extend) anchor_ = caret_;
  ScrollToCaret();
  Invalidate();
}

void Edit::Paint(Canvas& canvas) {
  const Rect all{0, 0, Width(), Height()};
  Rect inner = all;
  if (BorderSingle) {
    if (Ctl3D) {
      inner = DrawEdge(canvas, all, EdgeKind::kSunken);
    } else {
      Frame3D(canvas, all, 0x000000, 0x000000);
      inner = InsetRect(all, 1);
    }
  }
  const bool enabled = EnabledInTree();
  canvas.FillRect(inner, ToRGB(EffectiveColor()));
  const Rect tr = TextRect();
  if (tr.IsEmpty()) return;
  const std::string shown = Shown();
  const int line = TextLineHeight();
  const int y = tr.top + (tr.Height() - line) / 2;
  canvas.SetClip(tr);
  const lpc::Color text_color = enabled ? canvas.FontColor : ToRGB(clGrayText);
  const int sel_start = SelStart();
  const int sel_end = SelStart() + SelLength();
  const bool show_selection = SelLength() > 0 && (Focused() || !HideSelection) && enabled;
  const int x0 = tr.left - scroll_;
  if (!show_selection) {
    canvas.FontColor = text_color;
    canvas.TextOut(x0, y, shown);
  } else {
    const int xa = tr.left + XOfPos(sel_start);
    const int xb = tr.left + XOfPos(sel_end);
    canvas.FontColor = text_color;
    canvas.TextOut(x0, y, shown.substr(0, sel_start));
    canvas.FillRect(Rect{xa, y, xb, y + line}, ToRGB(clHighlight));
    canvas.FontColor = ToRGB(clHighlightText);
    canvas.TextOut(xa, y, shown.substr(sel_start, sel_end - sel_start));
    canvas.FontColor = text_color;
    canvas.TextOut(xb, y, shown.substr(sel_end));
  }
  if (Focused() && enabled) {
    const int cx = tr.left + XOfPos(caret_);
    canvas.FillRect(Rect{cx, y, cx + 1, y + line}, 0x000000);
  }
  canvas.ClearClip();
}

void Edit::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    const Rect tr = TextRect();
    MoveCaret(PosAtX(args.x - tr.left), (args.modifiers & platform::kModShift) != 0);
    selecting_ = true;
  }
  Component::MouseDown(args);
}

void Edit::MouseMove(const MouseArgs& args) {
  if (selecting_) MoveCaret(PosAtX(args.x - TextRect().left), true);
  Component::MouseMove(args);
}

void Edit::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) selecting_ = false;
  Component::MouseUp(args);
}

void Edit::DblClick() {
  // Selects the word under the caret.
  selecting_ = false;
  const int n = static_cast<int>(caption_.size());
  int start = std::min(caret_, n);
  int end = start;
  if (!PasswordChar) {
    while (start > 0 && IsWordChar(caption_[start - 1])) --start;
    while (end < n && IsWordChar(caption_[end])) ++end;
  } else {
    start = 0;
    end = n;
  }
  SetSelection(start, end - start);
  Component::DblClick();
}

bool Edit::KeyDown(int key, unsigned modifiers) {
  namespace keys = platform::keys;
  const bool shift = (modifiers & platform::kModShift) != 0;
  const bool ctrl = (modifiers & platform::kModCtrl) != 0;
  const int n = static_cast<int>(caption_.size());
  auto word_left = [&](int pos) {
    while (pos > 0 && !IsWordChar(caption_[pos - 1])) --pos;
    while (pos > 0 && IsWordChar(caption_[pos - 1])) --pos;
    return pos;
  };
  auto word_right = [&](int pos) {
    while (pos < n && IsWordChar(caption_[pos])) ++pos;
    while (pos < n && !IsWordChar(caption_[pos])) ++pos;
    return pos;
  };
  switch (key) {
    case keys::kLeft:
      if (SelLength() > 0 && !shift && !ctrl) {
        MoveCaret(SelStart(), false);
      } else {
        MoveCaret(ctrl ? word_left(caret_) : caret_ - 1, shift);
      }
      return true;
    case keys::kRight:
      if (SelLength() > 0 && !shift && !ctrl) {
        MoveCaret(SelStart() + SelLength(), false);
      } else {
        MoveCaret(ctrl ? word_right(caret_) : caret_ + 1, shift);
      }
      return true;
    case keys::kHome:
      MoveCaret(0, shift);
      return true;
    case keys::kEnd:
      MoveCaret(n, shift);
      return true;
    case keys::kBack:
      if (ReadOnly) return true;
      if (SelLength() == 0) {
        if (caret_ == 0) return true;
        anchor_ = ctrl ? word_left(caret_) : caret_ - 1;
      }
      ReplaceSelection("");
      return true;
    case keys::kDelete:
      if (shift) {
        CutToClipboard();
        return true;
      }
      if (ReadOnly) return true;
      if (SelLength() == 0) {
        if (caret_ >= n) return true;
        anchor_ = ctrl ? word_right(caret_) : caret_ + 1;
      }
      ReplaceSelection("");
      return true;
    case keys::kInsert:
      if (ctrl) CopyToClipboard();
      if (shift) PasteFromClipboard();
      return ctrl || shift;
    default:
      break;
  }
  if (ctrl && !(modifiers & platform::kModAlt)) {
    switch (key) {
      case 'A': SelectAll(); return true;
      case 'C': CopyToClipboard(); return true;
      case 'X': CutToClipboard(); return true;
      case 'V': PasteFromClipboard(); return true;
      default: break;
    }
  }
  return false;
}

bool Edit::KeyChar(char32_t ch) {
  // Backspace was handled as a key; control characters and characters outside the 8-bit set
  // do not go into the text.
  if (ch < 0x20 || ch > 0xFF || ch == 0x7F) return ch == '\b';
  if (ReadOnly) return true;
  const char c = static_cast<char>(ch);
  if (!AcceptsChar(c)) return true;
  ReplaceSelection(std::string(1, c));
  return true;
}

void Edit::FocusChanged(bool focused) {
  selecting_ = false;
  // Tabbing into the box selects all of it, ready to be typed over; a click then places the
  // caret where it lands.
  if (focused && AutoSelect) SelectAll();
  Invalidate();
}

void Edit::SetReadOnly(bool read_only) {
  ReadOnly = read_only;
  Invalidate();
}

void Edit::SetBorderSingle(bool single) {
  BorderSingle = single;
  Invalidate();
}

void Edit::SetCtl3D(bool ctl3d) {
  Ctl3D = ctl3d;
  Invalidate();
}

void Edit::SetPasswordChar(char ch) {
  PasswordChar = ch;
  Invalidate();
}

void Edit::SetCharCase(CharCase mode) {
  CharCaseMode = mode;
  SetText(Text());
}

namespace {

// PasswordChar = '*', or #0 for none, or a character code.
char ValueToChar(const PropertyValue& v) {
  if (v.Is<int64_t>()) return static_cast<char>(ValueToInt32(v) & 0xFF);
  const std::string s = ValueToString(v);
  if (s.size() > 1) throw PropertyValueError();
  return s.empty() ? '\0' : s[0];
}

}  // namespace

void RegisterEdit(ClassRegistry& registry) {
  Published<Edit> p(registry.Add("TEdit", "TWinControl", &RegisterWinControl,
                                 [] { return std::make_unique<Edit>(); }));
  p.String("Text", &Edit::SetText, &Edit::Text);
  PublishEditCommon(p);
  p.Bool("Ctl3D", &Edit::SetCtl3D, &Edit::Ctl3D);
  p.Int(
      "MaxLength",
      [](Edit& c, int v) {
        if (v < 0) throw PropertyValueError();
        c.MaxLength = v;
      },
      &Edit::MaxLength);
  p.Raw("PasswordChar", [](Edit& c, const PropertyValue& v) { c.SetPasswordChar(ValueToChar(v)); });
  p.Enum<Edit::CharCase>("CharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}, &Edit::SetCharCase,
                         &Edit::CharCaseMode);
  p.Bool("AutoSelect", [](Edit& c, bool v) { c.AutoSelect = v; });
  p.Bool("HideSelection", [](Edit& c, bool v) { c.HideSelection = v; });
  p.Ignored({"AutoSize", "NumbersOnly", "TextHint", "Alignment"});
}

}  // namespace lpc::widgets
