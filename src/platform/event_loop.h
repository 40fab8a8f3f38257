// The event-loop core shared by the portable backends (SDL and headless): the modal stack,
// close requests, timers, repaint requests and posted notifications. A backend supplies its
// native events through LoopSource and its windows derive from BasicWindow.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lpc::platform {

class EventLoop;

// What the loop delivers to one window.
struct Delivery {
  enum class Kind { kEvent, kPaint, kResize, kCloseRequest };
  Kind kind = Kind::kEvent;
  class BasicWindow* window = nullptr;
  Event event;
  int width = 0;   // kResize
  int height = 0;  // kResize
};

// Window state every backend shares (the Win32 windows too): the options the window was opened
// with, its caption, the handler, the close protocol, the modal result.
class ClosableWindow : public Window {
 public:
  ClosableWindow(const WindowOptions& options, WindowHandler* handler)
      : options_(options), caption_(options.caption), handler_(handler) {}

  const WindowOptions& options() const { return options_; }
  void SetHandler(WindowHandler* handler) override { handler_ = handler; }
  WindowHandler* handler() const { return handler_; }
  // Asks the handler (OnCloseQuery), records result, tells the handler (OnClose), then hides
  // the window. true when the window is closed, now or before.
  bool Close(int result = kModalCancel) override;
  bool IsClosed() const override { return closed_; }

  int modal_result() const { return modal_result_; }
  // A cover window's owner: while the owner runs modally, this window's input counts as the
  // owner's. The owner must outlive it.
  Window* input_owner() const { return input_owner_; }
  void SetInputOwner(Window* owner) { input_owner_ = owner; }
  // RunModal opens the window again for its own loop.
  void Reopen() {
    closed_ = false;
    modal_result_ = kModalNone;
  }

 protected:
  // Runs once a close has gone through: take the window off the screen.
  virtual void HideAfterClose() = 0;

  const WindowOptions options_;
  // The caption as last given, for a backend whose native window keeps none of its own.
  std::string caption_;
  WindowHandler* handler_;
  bool closed_ = false;

 private:
  bool closing_ = false;
  int modal_result_ = kModalNone;
  Window* input_owner_ = nullptr;
};

// A window of a portable backend, driven by an EventLoop.
class BasicWindow : public ClosableWindow {
 public:
  BasicWindow(EventLoop& loop, const WindowOptions& options, WindowHandler* handler);
  ~BasicWindow() override;

  void Invalidate() override;

  // Backend hooks: make the window visible or hide it.
  virtual void ShowNative() = 0;
  virtual void HideNative() = 0;

 protected:
  void HideAfterClose() override { HideNative(); }

  EventLoop& loop_;
};

// Where native events come from.
class LoopSource {
 public:
  virtual ~LoopSource() = default;
  virtual uint32_t LoopTicks() = 0;
  // Takes one native event, waiting up to timeout_ms for it (0: do not wait; negative: wait
  // until something arrives). false when none came.
  virtual bool NextNativeEvent(int timeout_ms, Delivery& out) = 0;
};

class EventLoop {
 public:
  explicit EventLoop(LoopSource& source) : source_(source) {}

  int RunModal(BasicWindow& window);
  void ProcessMessages();

  // The process is told to end (SIGTERM): every running modal loop asks its window to close,
  // innermost first, once per request.
  void RequestQuit() { ++quit_requests_; }

  // Queues a delivery made on the user-interface thread (music notifications, scripted input).
  void Post(const Delivery& d) { posted_.push_back(d); }
  // A posted delivery is input or a close request (scripted input, a backend's own posts).
  bool InputPosted() const;
  // Tells notify (when set and still open) that player's track has ended.
  void PostMusicEnded(Window* notify, const MusicPlayer* player);

  void StartTimer(BasicWindow& window, int id, uint32_t interval_ms);
  void StopTimer(BasicWindow& window, int id);
  void RequestPaint(BasicWindow& window);

  // The window is going away: drop everything that refers to it.
  void Forget(BasicWindow& window);
  void Register(BasicWindow& window) { windows_.push_back(&window); }
  bool IsLive(const Window* window) const;

  // The window whose loop runs innermost, or null.
  BasicWindow* TopModal() const { return modal_.empty() ? nullptr : modal_.back(); }
  int ModalDepth() const { return static_cast<int>(modal_.size()); }

 private:
  struct Timer {
    BasicWindow* window;
    int id;
    uint32_t interval;
    uint32_t due;
  };

  // One step without waiting: a posted or native event, else a due timer, else a repaint.
  // false when there was nothing to do.
  bool Step();
  void Dispatch(const Delivery& d);
  bool FireDueTimer();
  bool PaintOne();
  // Milliseconds until the next timer is due (0 when one is due), or -1 with no timers.
  int TimeToNextTimer();
  bool AcceptsInput(const BasicWindow* window) const;

  LoopSource& source_;
  std::deque<Delivery> posted_;
  std::vector<BasicWindow*> modal_;
  std::vector<BasicWindow*> windows_;
  std::vector<Timer> timers_;
  std::vector<BasicWindow*> paint_;
  int quit_requests_ = 0;
};

}  // namespace lpc::platform
