// The UI description packed when the author gives none: "MainWindow" and "ViewThumbnails",
// the window every screensaver made with this tool opens for "/C" (default_ui.lui, embedded
// byte for byte when the tool is built).
#pragma once

#include <string>

namespace lpctool {

const std::string& DefaultUiText();

}  // namespace lpctool
