// Message boxes drawn by ourselves. SDL's own X11 box needs the server's core fonts, which
// modern desktops and a bare Xvfb often lack (it then fails outright); this one uses the same
// FreeType text as every other window and runs as an ordinary nested modal window.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/canvas.h"
#include "platform/sdl/sdl_platform.h"

namespace lpc::platform {

namespace {

constexpr int kPad = 14;
constexpr int kButtonW = 75;
constexpr int kButtonH = 23;
constexpr int kButtonGap = 8;
constexpr Color kFace = 0xF0F0F0;
constexpr Color kText = 0x000000;
constexpr Color kBorder = 0xADADAD;
constexpr Color kDefaultBorder = 0x0078D7;
constexpr Color kHot = 0xE5F1FB;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

// The longest text line a box takes before it wraps; a box never grows wider than this.
constexpr int kMaxTextWidth = 640;

}  // namespace

std::vector<std::string> WrapMessageText(TextRenderer& text, const FontSpec& font,
                                         const std::string& message, int max_width) {
  std::vector<std::string> out;
  const auto fits = [&](const std::string& line) {
    return text.MeasureText(line, font).width <= max_width;
  };
  for (const std::string& line : SplitLines(message)) {
    std::string current;
    size_t i = 0;
    if (line.empty()) out.emplace_back();
    while (i < line.size()) {
      // The next word with the blanks before it.
      size_t end = line.find_first_not_of(' ', i);
      end = end == std::string::npos ? line.size() : line.find(' ', end);
      if (end == std::string::npos) end = line.size();
      const std::string word = line.substr(i, end - i);
      if (fits(current + word)) {
        current += word;
        i = end;
        continue;
      }
      if (!current.empty()) {  // the word starts the next line, without its blanks
        out.push_back(current);
        current.clear();
        i = line.find_first_not_of(' ', i);
        if (i == std::string::npos) i = line.size();
        continue;
      }
      // A word wider than the box on its own (a long path) is cut where the width ends.
      size_t n = 1;
      while (i + n < end && fits(line.substr(i, n + 1))) ++n;
      out.push_back(line.substr(i, n));
      i += n;
    }
    if (!current.empty()) out.push_back(current);
  }
  return out;
}

namespace {

struct Button {
  std::string label;
  int result;
  Rect rect;
};

class MessageBoxHandler : public WindowHandler {
 public:
  MessageBoxHandler(TextRenderer& text, std::vector<std::string> lines,
                    std::vector<Button> buttons, int default_index, int escape_result)
      : text_(text),
        lines_(std::move(lines)),
        buttons_(std::move(buttons)),
        default_(default_index),
        escape_(escape_result) {}

  static FontSpec Font() { return FontSpec{"Tahoma", 14, false, false, false}; }

  // Lays the box out; returns its client size.
  Size Layout() {
    line_h_ = std::max(font_.height, text_.MeasureText("Hg", font_).height);
    int text_w = 0;
    for (const std::string& l : lines_) text_w = std::max(text_w, text_.MeasureText(l, font_).width);
    const int buttons_w = static_cast<int>(buttons_.size()) * (kButtonW + kButtonGap) - kButtonGap;
    const int w = std::clamp(std::max(text_w, buttons_w) + 2 * kPad, 200, 1000);
    const int text_h = static_cast<int>(std::min<size_t>(lines_.size(), 40)) * line_h_;
    const int h = kPad + text_h + kPad + kButtonH + kPad;
    int x = (w - buttons_w) / 2;
    for (Button& b : buttons_) {
      b.rect = MakeRect(x, h - kPad - kButtonH, kButtonW, kButtonH);
      x += kButtonW + kButtonGap;
    }
    size_ = {w, h};
    return size_;
  }

  void OnPaint(Window& w) override { Draw(w); }

  void OnEvent(Window& w, const Event& e) override {
    switch (e.kind) {
      case EventKind::kMouseMove: {
        const int hot = HitTest(e.x, e.y);
        if (hot != hot_) {
          hot_ = hot;
          Draw(w);
        }
        break;
      }
      case EventKind::kMouseUp:
        if (e.button == MouseButton::kLeft) {
          const int hit = HitTest(e.x, e.y);
          if (hit >= 0) w.Close(buttons_[static_cast<size_t>(hit)].result);
        }
        break;
      case EventKind::kKeyDown:
        if (e.key == keys::kReturn || e.key == keys::kSpace) {
          w.Close(buttons_[static_cast<size_t>(default_)].result);
        } else if (e.key == keys::kEscape) {
          w.Close(escape_);
        } else if (e.key == keys::kTab || e.key == keys::kLeft || e.key == keys::kRight) {
          const int n = static_cast<int>(buttons_.size());
          default_ = (default_ + (e.key == keys::kLeft ? n - 1 : 1)) % n;
          Draw(w);
        } else if (e.key == 'Y' || e.key == 'N' || e.key == 'O') {
          for (const Button& b : buttons_) {
            if (b.label[0] == e.key) w.Close(b.result);
          }
        }
        break;
      default:
        break;
    }
  }

 private:
  int HitTest(int x, int y) const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
      const Rect& r = buttons_[i].rect;
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(i);
    }
    return -1;
  }

  void Draw(Window& w) {
    Bitmap b(size_.width, size_.height, kFace);
    Canvas c(b);
    c.SetTextRenderer(&text_);
    c.Font = font_;
    c.FontColor = kText;
    int y = kPad;
    for (size_t i = 0; i < lines_.size() && i < 40; ++i, y += line_h_) c.TextOut(kPad, y, lines_[i]);
    for (size_t i = 0; i < buttons_.size(); ++i) {
      const Button& btn = buttons_[i];
      const bool is_default = static_cast<int>(i) == default_;
      c.PenColor = is_default ? kDefaultBorder : kBorder;
      c.BrushColor = static_cast<int>(i) == hot_ ? kHot : 0xE1E1E1;
      c.BrushClear = false;
      c.Rectangle(btn.rect.left, btn.rect.top, btn.rect.right, btn.rect.bottom);
      const Size ts = text_.MeasureText(btn.label, font_);
      c.TextOut(btn.rect.left + (kButtonW - ts.width) / 2, btn.rect.top + (kButtonH - ts.height) / 2,
                btn.label);
    }
    w.Present(b);
  }

  TextRenderer& text_;
  FontSpec font_ = Font();
  std::vector<std::string> lines_;
  std::vector<Button> buttons_;
  int default_;
  int escape_;
  int hot_ = -1;
  int line_h_ = 14;
  Size size_;
};

}  // namespace

int SdlPlatform::ShowMessageBox(Window* owner, const std::string& text,
                                const std::string& caption, MessageKind kind) {
  const int fallback = kind == MessageKind::kYesNo ? kModalNo : kModalOk;
  std::vector<Button> buttons;
  if (kind == MessageKind::kYesNo) {
    buttons = {{"Yes", kModalYes, {}}, {"No", kModalNo, {}}};
  } else {
    buttons = {{"OK", kModalOk, {}}};
  }
  try {
    NeedVideo();
    const FontSpec font = MessageBoxHandler::Font();
    // Wrapped to three quarters of the screen at most, so that the whole box is on it.
    const Size screen = ScreenSize();
    const int max_width = screen.width > 0
                              ? std::clamp(screen.width * 3 / 4 - 2 * kPad, 200, kMaxTextWidth)
                              : kMaxTextWidth;
    MessageBoxHandler handler(Text(), WrapMessageText(Text(), font, text, max_width),
                              std::move(buttons), 0, fallback);
    const Size size = handler.Layout();
    WindowOptions o;
    o.caption = caption;
    o.client_width = size.width;
    o.client_height = size.height;
    o.centered = true;
    o.border = BorderStyle::kDialog;
    o.minimize_box = o.maximize_box = false;
    o.background = kFace;
    o.owner = owner;
    auto box = OpenWindow(o, &handler);
    // The box's own close button answers as Escape does.
    const int result = RunModal(*box);
    return result == kModalCancel ? fallback : result;
  } catch (const std::exception&) {
    // No display: say it on the terminal, which is where the user is.
    fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return fallback;
  }
}

}  // namespace lpc::platform
