#include "base/errors.h"
#include "platform/platform.h"

namespace lpc::platform {

namespace {
Platform* g_current = nullptr;
}

Platform& Current() {
  if (!g_current) throw Error("No platform has been set up");
  return *g_current;
}

void SetCurrent(Platform* platform) { g_current = platform; }

void Platform::KeepStillInHost(Window& hosted, const std::function<Bitmap(Size)>& picture_for) {
  hosted.Present(picture_for(hosted.ClientSize()));
}

}  // namespace lpc::platform
