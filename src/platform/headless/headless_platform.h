// The headless backend: no display, no sound card. Windows are offscreen bitmaps, the clock is
// virtual (Sleep moves it; so does waiting for scripted input), input is scripted by tests, and
// every audio and system call is recorded for inspection. lpctool renders through it too.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/registry_ini.h"

namespace lpc::platform {

class HeadlessPlatform;

class HeadlessWindow : public BasicWindow {
 public:
  HeadlessWindow(HeadlessPlatform& platform, const WindowOptions& options,
                 WindowHandler* handler, Size size);

  Size ClientSize() const override { return {screen_.width(), screen_.height()}; }
  void Present(const Bitmap& bitmap, const Rect& src, int x, int y) override;
  void FillRect(const Rect& rect, Color color) override;
  Color* ClientPixels(ptrdiff_t* stride) override {
    *stride = screen_.width();
    return screen_.data();
  }
  void ShowPixels(const Rect& rect) override;
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  bool IsVisible() const override;
  NativeHandle Handle() const override { return handle_; }
  void ShowNative() override;
  void HideNative() override { shown_ = false; }

  // For tests: what the client area shows now and how often something was presented.
  const Bitmap& screen() const { return screen_; }
  int present_count() const { return present_count_; }
  // Changes the client size as a user dragging the frame would (a resize event follows).
  void ResizeClient(int width, int height);

 private:
  HeadlessPlatform& platform_;
  Bitmap screen_;
  NativeHandle handle_;
  bool shown_ = false;
  int present_count_ = 0;
};

struct MessageBoxCall {
  std::string text;
  std::string caption;
  MessageKind kind;
  int answer;
};

class HeadlessPlatform : public Platform, private LoopSource {
 public:
  HeadlessPlatform();
  ~HeadlessPlatform() override;

  // --- Platform
  uint32_t Ticks() override { return ticks_; }
  void Sleep(uint32_t ms) override;
  Size ScreenSize() override { return screen_size_; }
  std::vector<DisplayInfo> Displays() override;
  std::unique_ptr<Window> OpenWindow(const WindowOptions& options,
                                     WindowHandler* handler) override;
  int RunModal(Window& window) override;
  void ProcessMessages() override;
  // Scripted input already handed to the loop; scripts that are due run only in the loop.
  bool InputPending() override { return loop_.InputPosted(); }
  void ShowCursor(bool show) override { cursor_visible_ = show; }
  void SetCursorShape(CursorShape shape) override { cursor_shape_ = shape; }
  void StartTimer(Window& window, int id, uint32_t interval_ms) override;
  void StopTimer(Window& window, int id) override;
  int ShowMessageBox(Window* owner, const std::string& text, const std::string& caption,
                     MessageKind kind) override;
  TextRenderer& Text() override { return *text_; }
  bool PlayLoopingSound(const std::string& file) override;
  void StopSound() override;
  std::unique_ptr<MusicPlayer> CreateMusicPlayer() override;
  bool RegistryKeyExists(const std::string& key) override { return registry_.KeyExists(key); }
  std::optional<std::string> ReadRegistryString(const std::string& key,
                                                const std::string& name) override {
    return registry_.ReadString(key, name);
  }
  std::optional<int32_t> ReadRegistryInteger(const std::string& key,
                                             const std::string& name) override {
    return registry_.ReadInteger(key, name);
  }
  bool WriteRegistryString(const std::string& key, const std::string& name,
                           const std::string& value) override {
    return registry_.WriteString(key, name, value);
  }
  bool WriteRegistryInteger(const std::string& key, const std::string& name,
                            int32_t value) override {
    return registry_.WriteInteger(key, name, value);
  }
  bool SetDesktopWallpaper(const std::string& bmp_file, const Bitmap& picture) override;
  bool HasPasswordProvider() override { return password_provider_; }
  bool ChangePassword(NativeHandle parent) override;
  PasswordCheck VerifyScreenSavePassword(Window& window) override;
  void SetScreenSaverRunning(bool running) override;
  bool OpenDocument(const std::string& target) override;
  OsFamily GetOsFamily() override { return os_family_; }
  // A clipboard of this process alone.
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }

  // --- Test controls
  void SetTicks(uint32_t ticks) { ticks_ = ticks; }
  // Replaces the fixed-cell text (for example with the system fonts, for real renders).
  void SetTextRenderer(std::unique_ptr<TextRenderer> text) { text_ = std::move(text); }
  // The virtual clock may not pass Ticks() + budget: a loop that would run past it throws
  // lpc::Error, so a test whose window never closes fails instead of hanging.
  void SetTickBudget(uint32_t budget);
  // One display of that size (the default: 1024 x 768).
  void SetScreenSize(Size size) {
    screen_size_ = size;
    displays_.clear();
  }
  // Any arrangement of displays; the primary one's size becomes the screen size. Tests may
  // change it while a loop runs, as a monitor plugged in or out would.
  void SetDisplays(std::vector<DisplayInfo> displays);
  void SetOsFamily(OsFamily family) { os_family_ = family; }
  void SetAudioAvailable(bool available) { audio_available_ = available; }
  void SetPasswordProvider(bool present) { password_provider_ = present; }
  void SetPasswordAnswer(PasswordCheck answer) { password_answer_ = answer; }
  void SetWallpaperSupported(bool supported) { wallpaper_supported_ = supported; }
  // Length every music track reports (milliseconds); a playing track ends by itself when the
  // virtual clock gets there.
  void SetMusicLength(uint32_t ms) { music_length_ = ms; }
  // Answers for the next message boxes, in order; afterwards information and error boxes
  // answer kModalOk and yes/no boxes kModalNo.
  void QueueMessageBoxAnswer(int answer) { answers_.push_back(answer); }
  // Called after every Present and FillRect on any window, with the window's screen as it now
  // is: tests that follow a show frame by frame hook in here.
  void SetPresentObserver(std::function<void(HeadlessWindow&)> observer) {
    present_observer_ = std::move(observer);
  }
  void NotifyPresent(HeadlessWindow& window) {
    if (present_observer_) present_observer_(window);
  }
  // Embedder windows that kHosted windows can draw into.
  void AddHostWindow(NativeHandle handle, Size size, bool visible = true);
  void SetHostVisible(NativeHandle handle, bool visible);

  // Scripted input: delivered to the window when the virtual clock reaches `at`. A loop with
  // nothing else to do moves the clock forward to the next scripted tick.
  void Schedule(uint32_t at, std::function<void()> action);
  void QueueEvent(uint32_t at, Window& window, const Event& event);
  void QueueMouseMove(uint32_t at, Window& window, int x, int y);
  void QueueClick(uint32_t at, Window& window, int x, int y,
                  MouseButton button = MouseButton::kLeft);
  // Key down, then the character (when ch is not 0), then key up.
  void QueueKey(uint32_t at, Window& window, int key, char32_t ch = 0);
  // The close box: a close request that the window's handler may refuse.
  void QueueCloseRequest(uint32_t at, Window& window);
  // The process is told to end (SIGTERM): every modal window is asked to close.
  void QueueQuit(uint32_t at) {
    Schedule(at, [this] { loop_.RequestQuit(); });
  }
  // Ends the playing track of every player now, as if it had reached its end.
  void FinishMusic();

  // Recorded calls, one line each: "sound play <file>", "sound stop", "music open <file>",
  // "music play <file>", "music stop", "music close", "music end <file>"; failures end in
  // " failed".
  const std::vector<std::string>& audio_log() const { return audio_log_; }
  // "wallpaper <file>", "password change <handle>", "password verify", "screensaver running
  // 1|0", "open <target>".
  const std::vector<std::string>& system_log() const { return system_log_; }
  const std::vector<MessageBoxCall>& message_boxes() const { return message_boxes_; }
  // The picture the desktop shows since the last wallpaper change that succeeded.
  const Bitmap& wallpaper_picture() const { return wallpaper_picture_; }
  bool cursor_visible() const { return cursor_visible_; }
  CursorShape cursor_shape() const { return cursor_shape_; }
  int modal_depth() const { return loop_.ModalDepth(); }
  IniRegistry& registry() { return registry_; }

  // Used by the backend's own objects.
  EventLoop& loop() { return loop_; }
  void LogAudio(std::string line) { audio_log_.push_back(std::move(line)); }
  bool audio_available() const { return audio_available_; }
  uint32_t music_length() const { return music_length_; }
  NativeHandle NextHandle() { return next_handle_++; }
  bool HostVisible(NativeHandle handle) const;
  void RegisterPlayer(class HeadlessMusicPlayer* player);
  void UnregisterPlayer(class HeadlessMusicPlayer* player);
  bool HasPlayer(const class HeadlessMusicPlayer* player) const;

 private:
  struct Scripted {
    uint32_t at;
    uint64_t order;
    std::function<void()> action;
  };

  uint32_t LoopTicks() override { return ticks_; }
  bool NextNativeEvent(int timeout_ms, Delivery& out) override;
  void Advance(uint32_t ms);
  // Runs every scripted action that is due; true when one ran.
  bool RunDueScripts();

  EventLoop loop_;
  uint32_t ticks_ = 0;
  bool budget_set_ = false;
  uint32_t budget_end_ = 0;
  Size screen_size_{1024, 768};
  std::vector<DisplayInfo> displays_;  // empty: one display of screen_size_
  OsFamily os_family_ = OsFamily::kOther;
  bool audio_available_ = true;
  bool password_provider_ = false;
  PasswordCheck password_answer_ = PasswordCheck::kUnavailable;
  bool wallpaper_supported_ = true;
  uint32_t music_length_ = 60000;
  bool cursor_visible_ = true;
  CursorShape cursor_shape_ = CursorShape::kArrow;
  NativeHandle next_handle_ = 0x1000;
  std::vector<int> answers_;
  std::vector<Scripted> scripted_;
  uint64_t script_order_ = 0;
  std::map<NativeHandle, std::pair<Size, bool>> hosts_;
  std::vector<class HeadlessMusicPlayer*> players_;
  std::vector<std::string> audio_log_;
  std::vector<std::string> system_log_;
  std::vector<MessageBoxCall> message_boxes_;
  Bitmap wallpaper_picture_;
  std::unique_ptr<TextRenderer> text_;
  IniRegistry registry_;
  std::function<void(HeadlessWindow&)> present_observer_;
  std::string clipboard_;
};

// A deterministic text renderer without fonts: every character is a cell (height/2 wide,
// `height` high; bold adds one pixel), drawn as a filled block inset by one pixel, blanks
// empty. Tests can predict its output exactly.
class CellTextRenderer : public TextRenderer {
 public:
  void DrawText(Bitmap& target, int x, int y, const std::string& text, const FontSpec& font,
                Color color) override;
  Size MeasureText(const std::string& text, const FontSpec& font) override;
  static int CellWidth(const FontSpec& font);
};

}  // namespace lpc::platform
