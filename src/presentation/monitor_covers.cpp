#include "presentation/monitor_covers.h"

#include <algorithm>
#include <exception>

namespace lpc {

namespace {

Rect PrimaryOf(const std::vector<platform::DisplayInfo>& displays) {
  for (const platform::DisplayInfo& d : displays) {
    if (d.primary) return d.bounds;
  }
  return displays.empty() ? Rect{} : displays.front().bounds;
}

// The displays, or none when the host cannot tell: the show then runs on its own.
std::vector<platform::DisplayInfo> ReadDisplays(platform::Platform& platform) {
  try {
    return platform.Displays();
  } catch (const std::exception&) {
    return {};
  }
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

MonitorCovers::MonitorCovers(platform::Platform& platform, platform::WindowHandler& show_handler)
    : platform_(platform), show_handler_(show_handler) {}

MonitorCovers::~MonitorCovers() { Reset(); }

void MonitorCovers::Open(platform::Window& show) {
  Reset();
  show_ = &show;
  closing_ = false;
  displays_ = ReadDisplays(platform_);
  primary_ = PrimaryOf(displays_);
  OpenCovers();
}

void MonitorCovers::OpenCovers() {
  origin_ = Point{primary_.left, primary_.top};
  for (const platform::DisplayInfo& d : displays_) {
    origin_.x = std::min(origin_.x, d.bounds.left);
    origin_.y = std::min(origin_.y, d.bounds.top);
  }
  for (const platform::DisplayInfo& d : displays_) {
    // A display that shows (part of) the show's area, a mirror for instance, must not get a
    // cover: it would hide the show.
    if (d.bounds.IsEmpty() || Overlap(d.bounds, primary_)) continue;
    platform::WindowOptions o;
    o.kind = platform::WindowKind::kCover;
    o.caption = show_ ? show_->Caption() : std::string();
    o.left = d.bounds.left;
    o.top = d.bounds.top;
    o.client_width = d.bounds.Width();
    o.client_height = d.bounds.Height();
    o.border = platform::BorderStyle::kNone;
    o.system_menu = o.minimize_box = o.maximize_box = false;
    o.background = 0;
    o.owner = show_;
    try {
      if (auto window = platform_.OpenWindow(o, this)) {
        covers_.push_back(MonitorCover{std::move(window), d.bounds});
      }
    } catch (const std::exception&) {
      // A display left uncovered is better than no show at all.
    }
  }
}

DisplayChange MonitorCovers::Follow() {
  // Nothing to follow when the host could not tell its displays at the start.
  if (!show_ || closing_ || displays_.empty()) return DisplayChange::kNone;
  std::vector<platform::DisplayInfo> now = ReadDisplays(platform_);
  if (now.empty()) return DisplayChange::kNone;
  if (now == displays_) return DisplayChange::kNone;
  covers_.clear();
  displays_ = std::move(now);
  // Covered as well as can be even when the primary display changed: the show may be kept
  // running (a refused password), and must not be asked to close again every second.
  OpenCovers();
  return PrimaryOf(displays_) == primary_ ? DisplayChange::kCovers : DisplayChange::kPrimary;
}

void MonitorCovers::CloseAll() {
  closing_ = true;
  for (MonitorCover& c : covers_) c.Window->Close();
}

void MonitorCovers::Reset() {
  covers_.clear();
  show_ = nullptr;
}

Point MonitorCovers::ToDesktop(const platform::Window& window, int x, int y) const {
  Point corner{primary_.left, primary_.top};
  for (const MonitorCover& c : covers_) {
    if (c.Window.get() == &window) corner = Point{c.Bounds.left, c.Bounds.top};
  }
  return Point{x + corner.x - origin_.x, y + corner.y - origin_.y};
}

void MonitorCovers::OnEvent(platform::Window& window, const platform::Event& event) {
  if (closing_) return;
  switch (event.kind) {
    case platform::EventKind::kMusicEnded:
    case platform::EventKind::kTimer:
      return;
    default:
      show_handler_.OnEvent(window, event);
  }
}

bool MonitorCovers::OnCloseQuery(platform::Window&) {
  // Closing a cover is closing the show; the show's close then closes every cover.
  if (closing_ || !show_ || show_->IsClosed()) return true;
  return show_->Close();
}

void MonitorCovers::OnPaint(platform::Window& window) {
  const Size size = window.ClientSize();
  window.FillRect(Rect{0, 0, size.width, size.height}, 0);
}

}  // namespace lpc
