#include "widgets/memo.h"

#include <algorithm>

#include "widgets/draw.h"
#include "widgets/edit.h"
#include "widgets/form.h"
#include "widgets/geometry.h"

namespace lpc::widgets {

namespace {
constexpr int kBarTimer = 1;

// Splits at CR LF, CR or LF.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line.push_back(c);
    }
  }
  // A text ending in a line break has no empty last line, as a memo's Text reads back.
  if (!line.empty()) out.push_back(line);
  return out;
}
}  // namespace

Memo::Memo() : bar_(std::make_unique<ScrollBar>(*this, true, kBarTimer)) {
  SetBounds(0, 0, 185, 89);
  SetColor(clWindow);
  TabStop = true;
  bar_->OnScroll = [this](int) { Invalidate(); };
}

Memo::~Memo() = default;

void Memo::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  bar_->SetPosition(0);
  Relayout();
  Invalidate();
}

std::string Memo::Text() const {
  std::string out;
  for (const std::string& line : lines_) out += line + "\r\n";
  return out;
}

void Memo::SetText(const std::string& text) { SetLines(SplitLines(text)); }

int Memo::LineHeight() const { return std::max(TextLineHeight(), 1); }

Rect Memo::TextArea() const {
  const int frame = BorderSingle ? 2 : 0;
  Rect r{frame + 2, frame + 1, Width() - frame - 2, Height() - frame - 1};
  if (ScrollBarShown()) r.right = Width() - frame - ScrollBar::kSize - 1;
  return r;
}

std::vector<std::string> Memo::WrappedLines() const {
  TextRenderer* text = Form() ? Form()->text_renderer() : nullptr;
  if (!WordWrap || !text) return lines_;
  Bitmap scratch(1, 1);
  Canvas canvas(scratch);
  canvas.SetTextRenderer(text);
  canvas.Font = EffectiveFont().Resolved();
  // Wrapped at the full width first; when that does not fit, again beside the scroll bar.
  const int frame = BorderSingle ? 2 : 0;
  const int full = Width() - 2 * frame - 4;
  auto wrap = [&](int width) {
    std::vector<std::string> out;
    for (const std::string& line : lines_) {
      for (std::string& part : WrapText(canvas, line, std::max(1, width))) {
        out.push_back(std::move(part));
      }
    }
    return out;
  };
  const bool bar_always = ScrollBarsMode == ssVertical || ScrollBarsMode == ssBoth;
  std::vector<std::string> out = wrap(bar_always ? full - ScrollBar::kSize : full);
  if (!bar_always && static_cast<int>(out.size()) > VisibleLines()) {
    out = wrap(full - ScrollBar::kSize);
  }
  return out;
}

int Memo::VisibleLines() const {
  const int frame = BorderSingle ? 2 : 0;
  return std::max(1, (Height() - 2 * frame - 2) / LineHeight());
}

bool Memo::ScrollBarShown() const {
  if (ScrollBarsMode == ssVertical || ScrollBarsMode == ssBoth) return true;
  return bar_->MaxPosition() > bar_->Min;
}

int Memo::TopLine() const { return bar_->Position(); }

void Memo::SetTopLine(int line) {
  bar_->SetPosition(line);
  Invalidate();
}

void Memo::Relayout() {
  const int count = static_cast<int>(WrappedLines().size());
  bar_->SetRange(0, std::max(0, count - 1), VisibleLines());
  const int frame = BorderSingle ? 2 : 0;
  bar_->SetBounds(
      Rect{Width() - frame - ScrollBar::kSize, frame, Width() - frame, Height() - frame});
  bar_->Enabled = count > VisibleLines();
}

void Memo::Paint(Canvas& canvas) {
  Relayout();
  Rect inner{0, 0, Width(), Height()};
  if (BorderSingle) inner = DrawEdge(canvas, inner, EdgeKind::kSunken);
  canvas.FillRect(inner, ToRGB(EffectiveColor()));
  const Rect area = TextArea();
  const std::vector<std::string> lines = WrappedLines();
  const int h = LineHeight();
  if (!EnabledInTree()) canvas.FontColor = ToRGB(clGrayText);
  int y = area.top;
  for (int i = TopLine(); i < static_cast<int>(lines.size()) && y < area.bottom; ++i, y += h) {
    TextLayout layout;
    layout.halign = Alignment == taRightJustify ? HAlign::kRight
                    : Alignment == taCenter     ? HAlign::kCenter
                                                : HAlign::kLeft;
    layout.prefix = false;
    DrawTextInRect(canvas, Rect{area.left, y, area.right, std::min(y + h, area.bottom)}, lines[i],
                   layout);
  }
  if (ScrollBarShown()) bar_->Paint(canvas);
  if (Focused()) {
    // The memo is for reading: the caret rests at the start of what shows.
    canvas.FillRect(Rect{area.left, area.top, area.left + 1, area.top + h}, 0x000000);
  }
}

void Memo::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft && ScrollBarShown() &&
      bar_->MouseDown(args.x, args.y)) {
    bar_tracking_ = true;
  }
  Component::MouseDown(args);
}

void Memo::MouseMove(const MouseArgs& args) {
  if (bar_tracking_) bar_->MouseMove(args.x, args.y);
  Component::MouseMove(args);
}

void Memo::MouseUp(const MouseArgs& args) {
  if (bar_tracking_ && args.button == platform::MouseButton::kLeft) {
    bar_->MouseUp(args.x, args.y);
    bar_tracking_ = false;
  }
  Component::MouseUp(args);
}

bool Memo::KeyDown(int key, unsigned) {
  namespace keys = platform::keys;
  const int page = std::max(1, VisibleLines() - 1);
  switch (key) {
    case keys::kUp: SetTopLine(TopLine() - 1); return true;
    case keys::kDown: SetTopLine(TopLine() + 1); return true;
    case keys::kPageUp: SetTopLine(TopLine() - page); return true;
    case keys::kPageDown: SetTopLine(TopLine() + page); return true;
    case keys::kHome: SetTopLine(0); return true;
    case keys::kEnd: SetTopLine(bar_->Max); return true;
    default: return false;
  }
}

void Memo::Timer(int id) { bar_->HandleTimer(id); }

void Memo::SetReadOnly(bool read_only) {
  ReadOnly = read_only;
  Invalidate();
}

void Memo::SetBorderSingle(bool single) {
  BorderSingle = single;
  Invalidate();
}

void Memo::SetWordWrap(bool word_wrap) {
  WordWrap = word_wrap;
  Invalidate();
}

void Memo::SetScrollBars(ScrollBars mode) {
  ScrollBarsMode = mode;
  Invalidate();
}

void Memo::SetAlignment(TextAlignment alignment) {
  Alignment = alignment;
  Invalidate();
}

namespace {

void RegisterMemoAs(ClassRegistry& registry, const char* name) {
  Published<Memo> p(registry.Add(name, "TWinControl", &RegisterWinControl,
                                 [] { return std::make_unique<Memo>(); }));
  p.String("Text", &Memo::SetText, &Memo::Text);
  p.Raw("Lines.Strings", [](Memo& c, const PropertyValue& v) { c.SetLines(ValueToStrings(v)); });
  p.Raw("Lines", [](Memo& c, const PropertyValue& v) { c.SetLines(ValueToStrings(v)); });
  PublishEditCommon(p);
  p.Bool("WordWrap", &Memo::SetWordWrap, &Memo::WordWrap);
  p.Enum<Memo::ScrollBars>("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"},
                           &Memo::SetScrollBars);
  p.Enum<TextAlignment>("Alignment", kTextAlignmentNames, &Memo::SetAlignment);
  p.Ignored({"MaxLength", "WantReturns", "WantTabs", "HideSelection", "Ctl3D"});
}

}  // namespace

void RegisterMemo(ClassRegistry& registry) { RegisterMemoAs(registry, "TMyMemo"); }
void RegisterMemoUnderStockName(ClassRegistry& registry) { RegisterMemoAs(registry, "TMemo"); }

}  // namespace lpc::widgets
