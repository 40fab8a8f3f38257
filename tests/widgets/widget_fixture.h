// A headless platform made current, and a form to put controls on.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/headless_platform.h"
#include "widgets/form.h"

namespace lpc::testing {

class WidgetTest : public ::testing::Test {
 protected:
  WidgetTest() : platform_(std::make_unique<platform::HeadlessPlatform>()) {
    platform::SetCurrent(platform_.get());
    form_ = std::make_unique<widgets::FormWindow>();
    form_->SetClientSize(300, 200);
  }
  ~WidgetTest() override {
    form_.reset();
    platform::SetCurrent(nullptr);
  }

  // Events straight into the form, in client coordinates.
  void Move(int x, int y) { Send(platform::EventKind::kMouseMove, x, y); }
  void Down(int x, int y, int clicks = 1) { Send(platform::EventKind::kMouseDown, x, y, clicks); }
  void Up(int x, int y) { Send(platform::EventKind::kMouseUp, x, y); }
  void Click(int x, int y) {
    Move(x, y);
    Down(x, y);
    Up(x, y);
  }
  void Key(int key, unsigned modifiers = 0, char32_t ch = 0) {
    platform::Event e;
    e.kind = platform::EventKind::kKeyDown;
    e.key = key;
    e.modifiers = modifiers;
    form_->HandleEvent(e);
    if (ch) {
      e.kind = platform::EventKind::kKeyChar;
      e.ch = ch;
      form_->HandleEvent(e);
    }
    e.kind = platform::EventKind::kKeyUp;
    form_->HandleEvent(e);
  }
  void Send(platform::EventKind kind, int x, int y, int clicks = 1) {
    platform::Event e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.clicks = clicks;
    form_->HandleEvent(e);
  }

  std::unique_ptr<platform::HeadlessPlatform> platform_;
  std::unique_ptr<widgets::FormWindow> form_;
};

}  // namespace lpc::testing
