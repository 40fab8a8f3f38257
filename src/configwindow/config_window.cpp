#include "configwindow/component_classes.h"

namespace lpc {

void RegisterConfigWindowClasses(widgets::ClassRegistry&) {}

}  // namespace lpc
