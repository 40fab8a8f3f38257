#include "configwindow/component_classes.h"

namespace lpc {

void RegisterPreviewPane(widgets::ClassRegistry&) {}

}  // namespace lpc
