// The start-up baseline for bench/startup_time: a program that opens the same full-screen
// window the show opens and presents one grey frame, nothing else. It writes the wall-clock
// time of that frame (nanoseconds) to LPC_FRAME_STATS as "first_frame_ns N" and closes.
// With --until-key it stays until a key is pressed, then closes: the close-time baseline of
// bench/exit_latency.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

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
  bool until_key = false;

  void OnEvent(lpc::platform::Window& window, const lpc::platform::Event& event) override {
    if (event.kind == lpc::platform::EventKind::kKeyDown) window.Close();
  }
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
    if (!until_key) window.Close();
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<lpc::platform::Platform> platform = lpc::platform::CreatePlatform("sdl");
  lpc::platform::SetCurrent(platform.get());
  Bare handler;
  handler.until_key = argc > 1 && std::string(argv[1]) == "--until-key";
  lpc::platform::WindowOptions options;
  options.caption = "lpc_bare_window";
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
