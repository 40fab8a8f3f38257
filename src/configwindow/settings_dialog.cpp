#include "configwindow/settings_dialog.h"

#include "base/numbers.h"

namespace lpc {

namespace {

using widgets::Component;

template <typename T>
T& Make(widgets::FormWindow& form, const char* name, int left, int top, int width, int height) {
  T& c = form.Create<T>();
  c.Name = name;
  c.SetBounds(left, top, width, height);
  return c;
}

widgets::Label& MakeLabel(widgets::FormWindow& form, const char* name, const char* text, int left,
                          int top) {
  auto& label = Make<widgets::Label>(form, name, left, top, 0, 13);
  label.SetCaption(text);
  return label;
}

widgets::CheckBox& Check(widgets::FormWindow& form, const char* name, const char* text, int top) {
  auto& box = Make<widgets::CheckBox>(form, name, 256, top, 116, 17);
  box.SetCaption(text);
  return box;
}

widgets::Button& Button(widgets::FormWindow& form, const char* name, const char* text, int left,
                        int result) {
  auto& button = Make<widgets::Button>(form, name, left, 157, 75, 25);
  button.SetCaption(text);
  button.ModalResult = result;
  return button;
}

}  // namespace

// The lists, the interval and the speed on the left, the three switches below one another on
// the right above OK and Cancel. Tab order is creation order.
SettingsDialog::SettingsDialog()
    : image_size((MakeLabel(*this, "Label1", "Image Size", 8, 8),
                   Make<widgets::ComboBox>(*this, "cbImageSize", 8, 24, 150, 21))),
      picture_order((MakeLabel(*this, "Label2", "Show Image", 8, 54),
                       Make<widgets::ComboBox>(*this, "cbShowImageMode", 8, 70, 282, 21))),
      interval((MakeLabel(*this, "Label4", "Image Interval (sec)", 168, 8),
                   Make<widgets::SpinEdit>(*this, "txtDuration", 168, 24, 80, 21))),
      speed((MakeLabel(*this, "Label5", "Animation Speed", 8, 100),
               Make<widgets::TrackBar>(*this, "tbSpeed", 4, 116, 240, 28))),
      reset_link(Make<widgets::LinkLabel>(*this, "Label3", 206, 100, 0, 13)),
      music(Check(*this, "cbMusic", "Enable Music", 98)),
      sound(Check(*this, "cbSound", "Enable Sound", 117)),
      transition(Check(*this, "cbTransition", "Transition Effect", 136)),
      ok_button(Button(*this, "Button1", "OK", 212, platform::kModalOk)),
      cancel_button(Button(*this, "Button2", "Cancel", 292, platform::kModalCancel)) {
  Name = "fmSettingWindow";
  SetCaption("Settings");
  SetClientSize(375, 188);
  WindowStyle.border = platform::BorderStyle::kDialog;
  WindowStyle.centered = true;
  WindowStyle.minimize_box = false;
  WindowStyle.maximize_box = false;

  image_size.Items = {"Original Size", "Stretch-Full", "Stretch-Proportional"};
  picture_order.Items = {"All images - Random", "All images - Sequential",
                           "User's favorite (checked images) - Random",
                           "Single - Selected Image"};
  interval.MinValue = 5;
  interval.MaxValue = 9999;
  interval.SetValue(60);
  speed.Min = 0;
  speed.Max = kSpeedTableSize - 1;
  speed.LineSize = 1;
  speed.ShowTicks = false;
  speed.SetPosition(10);
  reset_link.SetCaption("Reset");
  reset_link.OnClick = [this](Component&) { ResetSpeed(); };
  transition.SetChecked(true);
  ok_button.Default = true;
  cancel_button.Cancel = true;
  ActiveControl = &image_size;
}

void SettingsDialog::LoadSettings(const UserSettings& s, bool can_confirm) {
  ok_button.SetEnabled(can_confirm);
  image_size.SetItemIndex(s.ImageSize);
  picture_order.SetItemIndex(s.ImageMode);
  speed.SetPosition(s.SpeedIndex);
  sound.SetChecked(s.Sound);
  music.SetChecked(s.Music);
  transition.SetChecked(s.Transition);
  interval.SetValue(s.Duration);
}

UserSettings SettingsDialog::Settings() const {
  UserSettings s;
  s.ImageSize = image_size.ItemIndex();
  s.ImageMode = picture_order.ItemIndex();
  s.SpeedIndex = speed.Position();
  s.Sound = sound.Checked();
  s.Music = music.Checked();
  s.Transition = transition.Checked();
  s.Duration = interval.Value();
  return s;
}

void SettingsDialog::ResetSpeed() { speed.SetPosition(10); }

bool ShowSettingsDialog(const ScreensaverProject& project, const UserChoicesPlace& place,
                        platform::Window* owner) {
  SettingsDialog dialog;
  UserSettings settings;
  const bool available = ReadUserSettings(project, place, settings);
  dialog.LoadSettings(settings, available);
  if (dialog.ShowModal(owner) != platform::kModalOk || !available) return false;
  WriteUserSettings(place, dialog.Settings());
  return true;
}

}  // namespace lpc
