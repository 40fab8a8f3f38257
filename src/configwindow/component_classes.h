// The configuration window's own component classes, registered beside the toolkit's stock
// classes before a described window is built.
#pragma once

#include "widgets/properties.h"

namespace lpc {

// TLPThumbnail2 (thumbnail_strip.cpp).
void RegisterThumbnailStrip(widgets::ClassRegistry& registry);
// TLPPreview (preview_pane.cpp).
void RegisterPreviewPane(widgets::ClassRegistry& registry);
// TJetButton and TMyButton (state_buttons.cpp, picture_button.cpp).
void RegisterStateButtons(widgets::ClassRegistry& registry);
// TfmLPFormParent and TfmLPCOnfigWindow (config_window.cpp).
void RegisterConfigWindowClasses(widgets::ClassRegistry& registry);

}  // namespace lpc
