// The configuration window's own component classes, registered beside the toolkit's stock
// classes before a described window is built.
#pragma once

#include "widgets/properties.h"

namespace lpc {

// ThumbnailStrip (thumbnail_strip.cpp).
void RegisterThumbnailStrip(widgets::ClassRegistry& registry);
// PreviewPane (preview_pane.cpp).
void RegisterPreviewPane(widgets::ClassRegistry& registry);
// StateButton and PictureButton (state_buttons.cpp, picture_button.cpp).
void RegisterStateButtons(widgets::ClassRegistry& registry);
// DescribedWindow and ConfigWindow (config_window.cpp).
void RegisterConfigWindowClasses(widgets::ClassRegistry& registry);

}  // namespace lpc
