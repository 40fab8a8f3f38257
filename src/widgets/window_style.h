// How a form's window is framed and placed: every rule that turns what a layout says into the
// form's WindowStyle lives here.
//
// A stock form ("TForm") publishes BorderStyle, BorderIcons, Position and WindowState, each
// setting its part of the style as the text gives it; FormStyle is accepted and does nothing.
//
// A described window of the configuration mode takes its style from six flags instead
// (FlaggedWindowStyle): its BorderIcons, BorderStyle and FormStyle lines are never read (the
// description's lines passed over, configwindow/forms.h), and whatever Position and WindowState
// said gives way to the flags once the window is loaded: always framed and centred, the frame
// and buttons as the flags say.
#pragma once

#include "platform/platform.h"
#include "widgets/form.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// BorderStyle, BorderIcons, FormStyle, Position and WindowState of a form class.
void PublishWindowStyle(Published<FormWindow>& p);

// The flags a described window publishes.
struct WindowFlags {
  bool sizeable = false;
  bool no_frame = false;
  bool maximize_button = false;
  bool minimize_button = false;
  bool show_buttons = false;  // the system menu with its close button
  bool maximize_on_show = false;
};

// The whole style of a flagged window: NoFrame wins over Sizeable; without either the frame is
// fixed.
platform::WindowOptions FlaggedWindowStyle(const WindowFlags& flags);

}  // namespace lpc::widgets
