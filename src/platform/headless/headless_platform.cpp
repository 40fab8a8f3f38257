#include "platform/headless/headless_platform.h"

#include <algorithm>

#include "base/errors.h"
#include "platform/backend_rows.h"
#include "base/fileio.h"

namespace lpc::platform {

// ---------------------------------------------------------------------------------------------
// Music

class HeadlessMusicPlayer : public MusicPlayer {
 public:
  explicit HeadlessMusicPlayer(HeadlessPlatform& platform) : platform_(platform) {
    platform_.RegisterPlayer(this);
  }
  ~HeadlessMusicPlayer() override {
    Close();
    platform_.UnregisterPlayer(this);
  }

  bool Open(const std::string& file) override {
    Close();
    if (!platform_.audio_available() || !FileExists(file)) {
      error_ = platform_.audio_available() ? file + ": file not found"
                                           : "no audio device is available";
      platform_.LogAudio("music open " + file + " failed");
      return false;
    }
    file_ = file;
    open_ = true;
    length_ = platform_.music_length();
    platform_.LogAudio("music open " + file);
    return true;
  }

  bool Play(Window* notify) override {
    if (!open_) {
      error_ = "no music file is open";
      platform_.LogAudio("music play failed");
      return false;
    }
    notify_ = notify;
    playing_ = true;
    ended_ = false;
    start_ = platform_.Ticks();
    const uint64_t session = ++session_;
    platform_.LogAudio("music play " + file_);
    // The track ends by itself when the virtual clock reaches its length. The player may be
    // gone by then; the platform's player list tells.
    HeadlessPlatform* platform = &platform_;
    HeadlessMusicPlayer* self = this;
    platform_.Schedule(start_ + length_, [platform, self, session] {
      if (platform->HasPlayer(self) && self->session_ == session) self->End();
    });
    return true;
  }

  void Stop() override {
    if (!open_) return;
    if (playing_) position_at_stop_ = Position();
    playing_ = false;
    ++session_;
    platform_.LogAudio("music stop");
  }

  void Close() override {
    if (!open_) return;
    open_ = playing_ = ended_ = false;
    ++session_;
    file_.clear();
    platform_.LogAudio("music close");
  }

  bool IsOpen() const override { return open_; }
  uint32_t Position() const override {
    if (!open_) return 0;
    if (ended_) return length_;
    if (!playing_) return position_at_stop_;
    return std::min(length_, platform_.Ticks() - start_);
  }
  uint32_t Length() const override { return open_ ? length_ : 0; }
  std::string LastError() const override { return error_; }

  // The track reached its end: notify through the loop, as the real players do.
  void End() {
    if (!playing_) return;
    playing_ = false;
    ended_ = true;
    ++session_;
    platform_.LogAudio("music end " + file_);
    platform_.loop().PostMusicEnded(notify_, this);
  }

  bool playing() const { return playing_; }

 private:
  HeadlessPlatform& platform_;
  std::string file_;
  std::string error_;
  bool open_ = false;
  bool playing_ = false;
  bool ended_ = false;
  uint32_t start_ = 0;
  uint32_t length_ = 0;
  uint32_t position_at_stop_ = 0;
  uint64_t session_ = 0;
  Window* notify_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Windows

HeadlessWindow::HeadlessWindow(HeadlessPlatform& platform, const WindowOptions& options,
                               WindowHandler* handler, Size size)
    : BasicWindow(platform.loop(), options, handler),
      platform_(platform),
      screen_(size.width, size.height, options.background),
      handle_(options.kind == WindowKind::kHosted ? options.host : platform.NextHandle()) {}

void HeadlessWindow::ShowNative() { shown_ = true; }

bool HeadlessWindow::IsVisible() const {
  if (options_.kind == WindowKind::kHosted) return platform_.HostVisible(handle_);
  return shown_;
}

void HeadlessWindow::Present(const Bitmap& bitmap, const Rect& src, int x, int y) {
  ++present_count_;
  // Clip the source to the bitmap, then the destination to the client area.
  int sl = std::max(0, src.left), st = std::max(0, src.top);
  int sr = std::min(bitmap.width(), src.right), sb = std::min(bitmap.height(), src.bottom);
  x += sl - src.left;
  y += st - src.top;
  if (x < 0) { sl -= x; x = 0; }
  if (y < 0) { st -= y; y = 0; }
  sr = std::min(sr, sl + screen_.width() - x);
  sb = std::min(sb, st + screen_.height() - y);
  if (sr > sl && sb > st) {
    for (int row = st; row < sb; ++row) {
      std::copy(bitmap.Row(row) + sl, bitmap.Row(row) + sr, screen_.Row(y + row - st) + x);
    }
  }
  platform_.NotifyPresent(*this);
}

void HeadlessWindow::ShowPixels(const Rect& rect) {
  if (rect.IsEmpty()) return;
  ++present_count_;
  platform_.NotifyPresent(*this);
}

void HeadlessWindow::FillRect(const Rect& rect, Color color) {
  const int l = std::max(0, rect.left), t = std::max(0, rect.top);
  const int r = std::min(screen_.width(), rect.right), b = std::min(screen_.height(), rect.bottom);
  for (int y = t; y < b; ++y) std::fill(screen_.Row(y) + l, screen_.Row(y) + std::max(l, r), color);
  platform_.NotifyPresent(*this);
}

void HeadlessWindow::ResizeClient(int width, int height) {
  Bitmap next(width, height, options_.background);
  const int w = std::min(width, screen_.width()), h = std::min(height, screen_.height());
  for (int y = 0; y < h; ++y) std::copy(screen_.Row(y), screen_.Row(y) + w, next.Row(y));
  screen_ = std::move(next);
  Delivery d;
  d.kind = Delivery::Kind::kResize;
  d.window = this;
  d.width = width;
  d.height = height;
  platform_.loop().Post(d);
}

// ---------------------------------------------------------------------------------------------
// Platform

HeadlessPlatform::HeadlessPlatform()
    : loop_(*this), text_(std::make_unique<CellTextRenderer>()), registry_("") {}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::SetTickBudget(uint32_t budget) {
  budget_set_ = true;
  budget_end_ = ticks_ + budget;
}

void HeadlessPlatform::Advance(uint32_t ms) {
  if (budget_set_ && static_cast<int32_t>((ticks_ + ms) - budget_end_) > 0) {
    throw Error("headless: the virtual clock ran past the test's tick budget");
  }
  ticks_ += ms;
}

void HeadlessPlatform::Sleep(uint32_t ms) { Advance(ms); }

bool HeadlessPlatform::RunDueScripts() {
  bool ran = false;
  for (;;) {
    auto due = scripted_.end();
    for (auto it = scripted_.begin(); it != scripted_.end(); ++it) {
      if (static_cast<int32_t>(ticks_ - it->at) < 0) continue;
      if (due == scripted_.end() || static_cast<int32_t>(it->at - due->at) < 0 ||
          (it->at == due->at && it->order < due->order)) {
        due = it;
      }
    }
    if (due == scripted_.end()) return ran;
    const auto action = std::move(due->action);
    scripted_.erase(due);
    action();
    ran = true;
  }
}

bool HeadlessPlatform::NextNativeEvent(int timeout_ms, Delivery&) {
  // Scripted input reaches the loop through Post; this only runs what is due and, when the
  // loop would wait, moves the clock to the next thing that can happen.
  if (RunDueScripts() || timeout_ms == 0) return false;
  uint32_t wait = 0;
  bool have_wait = false;
  for (const Scripted& s : scripted_) {
    const uint32_t d = s.at - ticks_;
    if (!have_wait || d < wait) wait = d;
    have_wait = true;
  }
  if (timeout_ms > 0 && (!have_wait || static_cast<uint32_t>(timeout_ms) < wait)) {
    wait = static_cast<uint32_t>(timeout_ms);
    have_wait = true;
  }
  if (!have_wait) {
    throw Error("headless: a modal loop waits for input, but no more input is scheduled");
  }
  Advance(wait);
  RunDueScripts();
  return false;
}

std::unique_ptr<Window> HeadlessPlatform::OpenWindow(const WindowOptions& options,
                                                     WindowHandler* handler) {
  Size size{options.client_width, options.client_height};
  switch (options.kind) {
    case WindowKind::kFullScreen:
      size = screen_size_;
      break;
    case WindowKind::kHosted: {
      const auto it = hosts_.find(options.host);
      if (it == hosts_.end()) return nullptr;
      size = it->second.first;
      break;
    }
    case WindowKind::kFramed:
      if (options.maximized) size = screen_size_;
      break;
    case WindowKind::kCover:
      break;
  }
  size.width = std::clamp(size.width, 0, kMaxPictureSide);
  size.height = std::clamp(size.height, 0, kMaxPictureSide);
  auto window = std::make_unique<HeadlessWindow>(*this, options, handler, size);
  if (options.kind == WindowKind::kCover) {
    window->SetInputOwner(options.owner);
    window->ShowNative();
  }
  return window;
}

std::vector<DisplayInfo> HeadlessPlatform::Displays() {
  if (!displays_.empty()) return displays_;
  return {DisplayInfo{Rect{0, 0, screen_size_.width, screen_size_.height}, true}};
}

void HeadlessPlatform::SetDisplays(std::vector<DisplayInfo> displays) {
  displays_ = std::move(displays);
  for (const DisplayInfo& d : displays_) {
    if (d.primary) screen_size_ = {d.bounds.Width(), d.bounds.Height()};
  }
}

int HeadlessPlatform::RunModal(Window& window) {
  return loop_.RunModal(static_cast<BasicWindow&>(window));
}

void HeadlessPlatform::ProcessMessages() {
  RunDueScripts();
  loop_.ProcessMessages();
}

void HeadlessPlatform::StartTimer(Window& window, int id, uint32_t interval_ms) {
  loop_.StartTimer(static_cast<BasicWindow&>(window), id, interval_ms);
}

void HeadlessPlatform::StopTimer(Window& window, int id) {
  loop_.StopTimer(static_cast<BasicWindow&>(window), id);
}

int HeadlessPlatform::ShowMessageBox(Window*, const std::string& text, const std::string& caption,
                                     MessageKind kind) {
  int answer = kind == MessageKind::kYesNo ? kModalNo : kModalOk;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.erase(answers_.begin());
  }
  message_boxes_.push_back({text, caption, kind, answer});
  return answer;
}

bool HeadlessPlatform::PlayLoopingSound(const std::string& file) {
  // As the system call with SND_NODEFAULT: a file that is not there plays nothing and fails.
  const bool ok = audio_available_ && FileExists(file);
  audio_log_.push_back("sound play " + file + (ok ? "" : " failed"));
  return ok;
}

void HeadlessPlatform::StopSound() { audio_log_.push_back("sound stop"); }

std::unique_ptr<MusicPlayer> HeadlessPlatform::CreateMusicPlayer() {
  return std::make_unique<HeadlessMusicPlayer>(*this);
}

void HeadlessPlatform::RegisterPlayer(HeadlessMusicPlayer* player) { players_.push_back(player); }
void HeadlessPlatform::UnregisterPlayer(HeadlessMusicPlayer* player) {
  std::erase(players_, player);
}
bool HeadlessPlatform::HasPlayer(const HeadlessMusicPlayer* player) const {
  return std::find(players_.begin(), players_.end(), player) != players_.end();
}

void HeadlessPlatform::FinishMusic() {
  const auto players = players_;
  for (HeadlessMusicPlayer* p : players) {
    if (HasPlayer(p)) p->End();
  }
}

bool HeadlessPlatform::SetDesktopWallpaper(const std::string& bmp_file, const Bitmap& picture) {
  if (wallpaper_supported_) wallpaper_picture_ = picture;
  system_log_.push_back("wallpaper " + bmp_file + (wallpaper_supported_ ? "" : " failed"));
  return wallpaper_supported_;
}

bool HeadlessPlatform::ChangePassword(NativeHandle parent) {
  system_log_.push_back("password change " + std::to_string(parent) +
                        (password_provider_ ? "" : " failed"));
  return password_provider_;
}

PasswordCheck HeadlessPlatform::VerifyScreenSavePassword(Window&) {
  system_log_.push_back("password verify");
  return password_answer_;
}

void HeadlessPlatform::SetScreenSaverRunning(bool running) {
  system_log_.push_back(std::string("screensaver running ") + (running ? "1" : "0"));
}

bool HeadlessPlatform::OpenDocument(const std::string& target) {
  system_log_.push_back("open " + target);
  return true;
}

void HeadlessPlatform::AddHostWindow(NativeHandle handle, Size size, bool visible) {
  hosts_[handle] = {size, visible};
}

void HeadlessPlatform::SetHostVisible(NativeHandle handle, bool visible) {
  const auto it = hosts_.find(handle);
  if (it != hosts_.end()) it->second.second = visible;
}

bool HeadlessPlatform::HostVisible(NativeHandle handle) const {
  const auto it = hosts_.find(handle);
  return it != hosts_.end() && it->second.second;
}

void HeadlessPlatform::Schedule(uint32_t at, std::function<void()> action) {
  scripted_.push_back({at, script_order_++, std::move(action)});
}

void HeadlessPlatform::QueueEvent(uint32_t at, Window& window, const Event& event) {
  auto* w = static_cast<BasicWindow*>(&window);
  Schedule(at, [this, w, event] {
    Delivery d;
    d.window = w;
    d.event = event;
    loop_.Post(d);  // the loop drops it when the window is gone by then
  });
}

void HeadlessPlatform::QueueMouseMove(uint32_t at, Window& window, int x, int y) {
  Event e;
  e.kind = EventKind::kMouseMove;
  e.x = x;
  e.y = y;
  QueueEvent(at, window, e);
}

void HeadlessPlatform::QueueClick(uint32_t at, Window& window, int x, int y,
                                  MouseButton button) {
  Event e;
  e.kind = EventKind::kMouseDown;
  e.x = x;
  e.y = y;
  e.button = button;
  QueueEvent(at, window, e);
  e.kind = EventKind::kMouseUp;
  QueueEvent(at, window, e);
}

void HeadlessPlatform::QueueKey(uint32_t at, Window& window, int key, char32_t ch) {
  Event e;
  e.kind = EventKind::kKeyDown;
  e.key = key;
  QueueEvent(at, window, e);
  if (ch != 0) {
    e.kind = EventKind::kKeyChar;
    e.ch = ch;
    QueueEvent(at, window, e);
  }
  e.kind = EventKind::kKeyUp;
  e.ch = 0;
  QueueEvent(at, window, e);
}

void HeadlessPlatform::QueueCloseRequest(uint32_t at, Window& window) {
  auto* w = static_cast<BasicWindow*>(&window);
  Schedule(at, [this, w] {
    Delivery d;
    d.kind = Delivery::Kind::kCloseRequest;
    d.window = w;
    loop_.Post(d);
  });
}

std::unique_ptr<Platform> CreateHeadlessPlatform(std::unique_ptr<TextRenderer> text) {
  auto platform = std::make_unique<HeadlessPlatform>();
  if (text) platform->SetTextRenderer(std::move(text));
  return platform;
}

// ---------------------------------------------------------------------------------------------
// Text

int CellTextRenderer::CellWidth(const FontSpec& font) {
  const int h = std::clamp(font.height < 0 ? -font.height : font.height, 1, 1000);
  return std::max(1, h / 2) + (font.bold ? 1 : 0);
}

Size CellTextRenderer::MeasureText(const std::string& text, const FontSpec& font) {
  if (text.empty()) return {0, 0};
  const int h = std::clamp(font.height < 0 ? -font.height : font.height, 1, 1000);
  return {CellWidth(font) * static_cast<int>(text.size()), h};
}

void CellTextRenderer::DrawText(Bitmap& target, int x, int y, const std::string& text,
                                const FontSpec& font, Color color) {
  const Size cell{CellWidth(font), MeasureText("x", font).height};
  for (size_t i = 0; i < text.size(); ++i) {
    const int cx = x + static_cast<int>(i) * cell.width;
    if (text[i] == ' ' || cx >= target.width()) continue;
    for (int py = y + 1; py < y + cell.height - 1; ++py) {
      for (int px = cx + 1; px < cx + cell.width - 1; ++px) {
        if (target.Contains(px, py)) target.At(px, py) = color;
      }
    }
  }
}

}  // namespace lpc::platform
