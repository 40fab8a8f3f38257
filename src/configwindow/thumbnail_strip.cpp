#include "configwindow/component_classes.h"

namespace lpc {

void RegisterThumbnailStrip(widgets::ClassRegistry&) {}

}  // namespace lpc
