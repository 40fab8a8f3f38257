// The black windows over every display but the primary one while the show runs. A screensaver
// that leaves a second monitor's desktop in view hides nothing there, so each other display
// gets a cover whose input counts as the show's own.
#pragma once

#include <memory>
#include <vector>

#include "base/canvas.h"
#include "platform/platform.h"

namespace lpc {

struct MonitorCover {
  std::unique_ptr<platform::Window> Window;
  Rect Bounds;  // the display it covers, in desktop coordinates
};

enum class DisplayChange {
  kNone,     // the displays are as they were
  kCovers,   // displays other than the primary one came, went or moved: the covers followed
  kPrimary,  // the primary display changed, which the show, sized to it, cannot follow; the
             // covers followed all the same
};

class MonitorCovers : public platform::WindowHandler {
 public:
  // show_handler takes the covers' input, with the cover as the event's window.
  MonitorCovers(platform::Platform& platform, platform::WindowHandler& show_handler);
  ~MonitorCovers() override;
  MonitorCovers(const MonitorCovers&) = delete;
  MonitorCovers& operator=(const MonitorCovers&) = delete;

  // Reads the displays and covers each one but the primary, owned by show.
  void Open(platform::Window& show);
  // Reads the displays again; the covers follow every change, around the show's area.
  DisplayChange Follow();
  // The show is closing: every cover closes with it.
  void CloseAll();
  // Destroys the covers (before the show's window goes).
  void Reset();

  // A point of the show's or of a cover's client area on the desktop, counted from the top-left
  // corner of all displays together, so that no position is negative.
  Point ToDesktop(const platform::Window& window, int x, int y) const;

  const std::vector<platform::DisplayInfo>& Displays() const { return displays_; }
  const std::vector<MonitorCover>& Covers() const { return covers_; }

  // Handler of the covers.
  void OnEvent(platform::Window& window, const platform::Event& event) override;
  bool OnCloseQuery(platform::Window& window) override;
  void OnPaint(platform::Window& window) override;

 private:
  void OpenCovers();

  platform::Platform& platform_;
  platform::WindowHandler& show_handler_;
  platform::Window* show_ = nullptr;
  std::vector<platform::DisplayInfo> displays_;
  Rect primary_;  // the primary display when the show opened: the show's area
  Point origin_;
  std::vector<MonitorCover> covers_;
  bool closing_ = false;
};

}  // namespace lpc
