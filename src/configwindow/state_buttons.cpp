#include "configwindow/component_classes.h"

namespace lpc {

void RegisterStateButtons(widgets::ClassRegistry&) {}

}  // namespace lpc
