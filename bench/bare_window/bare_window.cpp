// The start-up baseline for bench/startup_time: a program that opens the same full-screen
// window the show opens and presents one grey frame, nothing else. It writes the wall-clock
// time of that frame (nanoseconds) to LPC_FRAME_STATS as "first_frame_ns N" and closes.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "base/bitmap.h"
#include "platform/backends.h"
#include "platform/platform.h"

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

class Bare : public lpc::platform::WindowHandler {
 public:
  void OnShow(lpc::platform::Window& window) override {
    const lpc::Size size = window.ClientSize();
    lpc::Bitmap frame(size.width, size.height, 0x808080);
    window.Present(frame);
    const long long t = NowNs();
    if (const char* stats = std::getenv("LPC_FRAME_STATS"); stats && *stats) {
      if (FILE* f = std::fopen(stats, "w")) {
        std::fprintf(f, "first_frame_ns %lld\n", t);
        std::fclose(f);
      }
    }
    window.Close();
  }
};

}  // namespace

int main() {
  std::unique_ptr<lpc::platform::Platform> platform = lpc::platform::CreatePlatform("sdl");
  lpc::platform::SetCurrent(platform.get());
  Bare handler;
  lpc::platform::WindowOptions options;
  options.kind = lpc::platform::WindowKind::kFullScreen;
  options.border = lpc::platform::BorderStyle::kNone;
  options.maximized = true;
  auto window = platform->OpenWindow(options, &handler);
  if (!window) return 1;
  platform->RunModal(*window);
  window.reset();
  lpc::platform::SetCurrent(nullptr);
  return 0;
}
