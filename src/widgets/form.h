// FormWindow: the root of a component tree and its window. It owns every component made for it,
// paints them into one back buffer presented through the platform window, and routes input:
// mouse capture while a button is held, enter/leave per control, click on press and release
// inside, keyboard focus with Tab and Shift+Tab in tab order, Enter and Escape for the default
// and cancel buttons, Alt+letter accelerators, hints after a short hover, and one popup (a
// drop-down list) drawn over everything else.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "widgets/component.h"

namespace lpc::widgets {

// How long the pointer rests on a control before its hint shows, and how long it stays.
inline constexpr uint32_t kHintPauseMs = 500;
inline constexpr uint32_t kHintHideMs = 5000;
// The frame a framed window adds around its client area (Width - ClientWidth and
// Height - ClientHeight), as layouts were designed with.
inline constexpr int kFrameWidth = 8;
inline constexpr int kFrameHeight = 38;

class FormWindow : public Component {
 public:
  FormWindow();
  ~FormWindow() override;

  // --- ownership
  // Takes a component into the form, under `parent` (the form itself when null).
  Component& Adopt(std::unique_ptr<Component> component, Component* parent = nullptr);
  template <typename T, typename... Args>
  T& Create(Component* parent = nullptr, Args&&... args) {
    return static_cast<T&>(Adopt(std::make_unique<T>(std::forward<Args>(args)...), parent));
  }
  // Every component of the form in creation order (the form itself not included).
  const std::vector<std::unique_ptr<Component>>& Components() const { return owned_; }
  Component* FindComponent(std::string_view name) const;

  // --- the window
  void SetCaption(const std::string& caption) override;
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }
  void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }
  // Outer size as a form designer counts it: the client area plus the frame.
  void SetOuterWidth(int width) { SetClientSize(width - kFrameWidth, Height()); }
  void SetOuterHeight(int height) { SetClientSize(Width(), height - kFrameHeight); }
  // Frame, icons, position: applied when the window opens.
  platform::WindowOptions WindowStyle;
  Component* ActiveControl = nullptr;
  bool KeyPreview = false;

  std::function<void(FormWindow&)> OnShow;
  std::function<bool(FormWindow&)> OnCloseQuery;
  std::function<void(FormWindow&)> OnClose;

  // Opens the window over `owner` (may be null) and runs it until it closes; returns the
  // modal result.
  int ShowModal(platform::Window* owner = nullptr);
  // Asks the open window to close with that result; true when it did.
  bool Close(int modal_result = platform::kModalCancel);
  platform::Window* window() const { return window_.get(); }
  bool IsOpen() const { return window_ != nullptr; }

  // Lays out and paints the whole form into its back buffer (also without a window, for
  // pictures of a form made offscreen) and returns it.
  const Bitmap& Render();
  void SetTextRenderer(TextRenderer* text) { text_ = text; }
  TextRenderer* text_renderer() const;

  // --- services for components
  void RequestPaint();
  Component* FocusedControl() const { return focused_; }
  void FocusControl(Component* c);
  // The controls Tab visits, in order.
  std::vector<Component*> TabList() const;
  // Selects the next (or previous) control in tab order.
  void SelectNext(bool backwards);
  // The last pointer position over the window, in client coordinates.
  Point CursorPos() const { return cursor_pos_; }
  bool PointerInside() const { return pointer_inside_; }
  // A popup drawn over the form at `rect` (client coordinates). It takes the mouse while open;
  // a press outside it closes it and is consumed. One at a time.
  void ShowPopup(Component* popup, const Rect& rect);
  void ClosePopup();
  Component* Popup() const { return popup_; }
  // Timers of components, delivered through the window.
  void StartComponentTimer(Component& c, int id, uint32_t interval_ms);
  void StopComponentTimer(Component& c, int id);
  // The component is going away: forget every reference to it.
  void Forget(Component& c);
  // The hint showing now (empty when none), for tests.
  const std::string& ShownHint() const { return hint_text_; }

  // --- input, as the window delivers it (public so tests can feed events directly)
  void HandleEvent(const platform::Event& event);
  // The client area changed size (the user dragged the frame, or the window was maximised).
  void ClientResized(int width, int height);

  // The deepest showing, enabled control at a point of the client area, or the form.
  Component* ControlAt(int x, int y) const;

 private:
  class Handler;
  friend class Handler;

  struct TimerEntry {
    Component* component;
    int id;
    uint32_t interval;
  };

  void MouseDownAt(const platform::Event& e);
  void MouseMoveAt(const platform::Event& e);
  void MouseUpAt(const platform::Event& e);
  void PointerLeft();
  void SetHovered(Component* c);
  void KeyDownEvent(const platform::Event& e);
  void UpdateCursor();
  void PaintTree(Component& c, Canvas& canvas, const Rect& clip);
  void PaintControl(Component& c, Canvas& canvas, const Rect& r, const Rect& visible);
  void PaintHint(Canvas& canvas);
  void HideHint();
  MouseArgs ArgsFor(const Component& c, const platform::Event& e) const;
  int TimerIdFor(Component& c, int id);

  std::vector<std::unique_ptr<Component>> owned_;
  std::unique_ptr<Handler> handler_;
  std::unique_ptr<platform::Window> window_;
  Bitmap back_;
  TextRenderer* text_ = nullptr;
  Component* focused_ = nullptr;
  Component* capture_ = nullptr;  // gets every mouse event until the button is released
  Component* pressed_ = nullptr;
  Component* hovered_ = nullptr;
  Component* popup_ = nullptr;
  Rect popup_rect_{};
  Point cursor_pos_{};
  bool pointer_inside_ = false;
  std::map<int, TimerEntry> timers_;  // platform timer id -> component timer
  int next_timer_id_ = 100;
  std::string hint_text_;
  Point hint_pos_{};
  bool destroying_ = false;
};

}  // namespace lpc::widgets
