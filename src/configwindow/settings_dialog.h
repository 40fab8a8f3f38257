// The settings dialog of the configuration window: picture size and order, speed, interval,
// sound, music and fade, written to section "Setting" of the user settings file on OK.
#pragma once

#include "configwindow/user_choices.h"
#include "platform/platform.h"
#include "widgets/check_box.h"
#include "widgets/combo_box.h"
#include "widgets/form.h"
#include "widgets/spin_edit.h"
#include "widgets/standard_controls.h"
#include "widgets/track_bar.h"

namespace lpc {

class SettingsDialog : public widgets::FormWindow {
 public:
  SettingsDialog();

  // The controls take the values; OK can confirm only when `can_confirm`.
  void LoadSettings(const UserSettings& settings, bool can_confirm);
  UserSettings Settings() const;
  // "Reset": the animation speed back to 100 %.
  void ResetSpeed();

  widgets::ComboBox& image_size;
  widgets::ComboBox& picture_order;
  widgets::SpinEdit& interval;
  widgets::TrackBar& speed;
  widgets::LinkLabel& reset_link;
  widgets::CheckBox& music;
  widgets::CheckBox& sound;
  widgets::CheckBox& transition;
  widgets::Button& ok_button;
  widgets::Button& cancel_button;
};

// The dialog over `owner` with the saved settings (the project's where none are saved). On
// OK the settings are written at once; returns whether it was confirmed. The project is not
// changed. A failed write throws (IOError naming the file) after the dialog has closed.
bool ShowSettingsDialog(const ScreensaverProject& project, const UserChoicesPlace& place,
                        platform::Window* owner);

}  // namespace lpc
