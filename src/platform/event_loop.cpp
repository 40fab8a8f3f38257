#include "platform/event_loop.h"

#include <algorithm>

namespace lpc::platform {

namespace {

bool IsInput(const Delivery& d) {
  if (d.kind == Delivery::Kind::kCloseRequest) return true;
  if (d.kind != Delivery::Kind::kEvent) return false;
  switch (d.event.kind) {
    case EventKind::kMouseMove:
    case EventKind::kMouseDown:
    case EventKind::kMouseUp:
    case EventKind::kKeyDown:
    case EventKind::kKeyUp:
    case EventKind::kKeyChar:
    case EventKind::kMouseLeave:
      return true;
    case EventKind::kMusicEnded:
    case EventKind::kTimer:
      return false;
  }
  return false;
}

// Tick a is at or after tick b, on a clock that wraps at 2^32.
bool NotBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) >= 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// ClosableWindow

bool ClosableWindow::Close(int result) {
  if (closed_) return true;
  // A handler that closes again from inside its own close query must not recurse.
  if (closing_) return false;
  closing_ = true;
  const bool allowed = handler_ ? handler_->OnCloseQuery(*this) : true;
  if (!allowed) {
    closing_ = false;
    return false;
  }
  modal_result_ = result;
  if (handler_) handler_->OnClose(*this);
  closed_ = true;
  closing_ = false;
  HideAfterClose();
  return true;
}

// ---------------------------------------------------------------------------------------------
// BasicWindow

BasicWindow::BasicWindow(EventLoop& loop, const WindowOptions& options, WindowHandler* handler)
    : ClosableWindow(options, handler), loop_(loop) {
  loop_.Register(*this);
}

BasicWindow::~BasicWindow() { loop_.Forget(*this); }

void BasicWindow::Invalidate() { loop_.RequestPaint(*this); }

// ---------------------------------------------------------------------------------------------
// EventLoop

bool EventLoop::IsLive(const Window* window) const {
  return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

void EventLoop::Forget(BasicWindow& window) {
  std::erase(windows_, &window);
  std::erase(paint_, &window);
  std::erase_if(timers_, [&](const Timer& t) { return t.window == &window; });
  std::erase_if(posted_, [&](const Delivery& d) { return d.window == &window; });
  // A window destroyed while its loop runs ends that loop (RunModal checks liveness).
  std::replace(modal_.begin(), modal_.end(), &window, static_cast<BasicWindow*>(nullptr));
}

void EventLoop::PostMusicEnded(Window* notify, const MusicPlayer* player) {
  if (!notify || !IsLive(notify)) return;
  Delivery d;
  d.window = static_cast<BasicWindow*>(notify);
  d.event.kind = EventKind::kMusicEnded;
  d.event.player = player;
  Post(d);
}

void EventLoop::StartTimer(BasicWindow& window, int id, uint32_t interval_ms) {
  StopTimer(window, id);
  if (interval_ms == 0) interval_ms = 1;
  timers_.push_back(Timer{&window, id, interval_ms, source_.LoopTicks() + interval_ms});
}

void EventLoop::StopTimer(BasicWindow& window, int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.window == &window && t.id == id; });
}

void EventLoop::RequestPaint(BasicWindow& window) {
  if (std::find(paint_.begin(), paint_.end(), &window) == paint_.end()) paint_.push_back(&window);
}

bool EventLoop::AcceptsInput(const BasicWindow* window) const {
  // Only the innermost modal window takes input (and the covers it owns); outside any modal
  // loop every window does.
  if (modal_.empty() || modal_.back() == window) return true;
  return window->input_owner() != nullptr && window->input_owner() == modal_.back();
}

void EventLoop::Dispatch(const Delivery& d) {
  BasicWindow* w = d.window;
  if (!w || !IsLive(w)) return;
  if (IsInput(d) && !AcceptsInput(w)) return;
  if (w->IsClosed() && d.kind != Delivery::Kind::kPaint) return;
  WindowHandler* h = w->handler();
  switch (d.kind) {
    case Delivery::Kind::kEvent:
      if (h) h->OnEvent(*w, d.event);
      break;
    case Delivery::Kind::kPaint:
      if (h && !w->IsClosed()) h->OnPaint(*w);
      break;
    case Delivery::Kind::kResize:
      if (h) h->OnResize(*w, d.width, d.height);
      break;
    case Delivery::Kind::kCloseRequest:
      w->Close(kModalCancel);
      break;
  }
}

bool EventLoop::FireDueTimer() {
  const uint32_t now = source_.LoopTicks();
  for (size_t i = 0; i < timers_.size(); ++i) {
    Timer& t = timers_[i];
    if (!NotBefore(now, t.due)) continue;
    // Like WM_TIMER: a late timer fires once, then counts its interval from now.
    t.due = now + t.interval;
    Delivery d;
    d.window = t.window;
    d.event.kind = EventKind::kTimer;
    d.event.timer_id = t.id;
    // Move it to the back so that timers take turns.
    const Timer copy = t;
    timers_.erase(timers_.begin() + static_cast<long>(i));
    timers_.push_back(copy);
    Dispatch(d);
    return true;
  }
  return false;
}

int EventLoop::TimeToNextTimer() {
  if (timers_.empty()) return -1;
  const uint32_t now = source_.LoopTicks();
  int best = -1;
  for (const Timer& t : timers_) {
    const int wait = NotBefore(now, t.due) ? 0 : static_cast<int>(t.due - now);
    if (best < 0 || wait < best) best = wait;
  }
  return best;
}

bool EventLoop::PaintOne() {
  if (paint_.empty()) return false;
  BasicWindow* w = paint_.front();
  paint_.erase(paint_.begin());
  Delivery d;
  d.kind = Delivery::Kind::kPaint;
  d.window = w;
  Dispatch(d);
  return true;
}

bool EventLoop::Step() {
  if (posted_.empty()) {
    Delivery d;
    if (source_.NextNativeEvent(0, d)) {
      Dispatch(d);
      return true;
    }
  }
  // Posted deliveries (also those the source posted just now) come before timers and paints.
  if (!posted_.empty()) {
    const Delivery d = posted_.front();
    posted_.pop_front();
    Dispatch(d);
    return true;
  }
  if (FireDueTimer()) return true;
  return PaintOne();
}

bool EventLoop::InputPosted() const {
  // The pointer leaving a window is no one's touch.
  return std::any_of(posted_.begin(), posted_.end(), [](const Delivery& d) {
    return IsInput(d) &&
           !(d.kind == Delivery::Kind::kEvent && d.event.kind == EventKind::kMouseLeave);
  });
}

void EventLoop::ProcessMessages() {
  // Bounded: events that keep arriving while we work wait for the next call.
  for (int i = 0; i < 10000 && Step(); ++i) {
  }
}

int EventLoop::RunModal(BasicWindow& window) {
  window.Reopen();
  modal_.push_back(&window);
  const size_t depth = modal_.size();
  window.ShowNative();
  if (window.handler()) window.handler()->OnShow(window);
  if (IsLive(&window)) RequestPaint(window);

  auto running = [&] { return modal_[depth - 1] == &window && !window.IsClosed(); };
  int quits_seen = quit_requests_;
  while (running()) {
    // Only the innermost loop runs; outer ones see the request when they get control again.
    if (quits_seen != quit_requests_) {
      quits_seen = quit_requests_;
      window.Close(kModalCancel);
      continue;
    }
    if (Step()) continue;
    WindowHandler* h = window.handler();
    if (h && h->OnIdle(window)) continue;
    if (!running()) break;
    Delivery d;
    if (posted_.empty() && source_.NextNativeEvent(TimeToNextTimer(), d)) Dispatch(d);
  }
  const bool live = modal_[depth - 1] != nullptr;
  modal_.resize(depth - 1);
  return live ? window.modal_result() : kModalCancel;
}

}  // namespace lpc::platform
