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
TfmSettingWindow::TfmSettingWindow()
    : cbImageSize((MakeLabel(*this, "Label1", "Image Size", 8, 8),
                   Make<widgets::ComboBox>(*this, "cbImageSize", 8, 24, 150, 21))),
      cbShowImageMode((MakeLabel(*this, "Label2", "Show Image", 8, 54),
                       Make<widgets::ComboBox>(*this, "cbShowImageMode", 8, 70, 282, 21))),
      txtDuration((MakeLabel(*this, "Label4", "Image Interval (sec)", 168, 8),
                   Make<widgets::SpinEdit>(*this, "txtDuration", 168, 24, 80, 21))),
      tbSpeed((MakeLabel(*this, "Label5", "Animation Speed", 8, 100),
               Make<widgets::TrackBar>(*this, "tbSpeed", 4, 116, 240, 28))),
      Label3(Make<widgets::LinkLabel>(*this, "Label3", 206, 100, 0, 13)),
      cbMusic(Check(*this, "cbMusic", "Enable Music", 98)),
      cbSound(Check(*this, "cbSound", "Enable Sound", 117)),
      cbTransition(Check(*this, "cbTransition", "Transition Effect", 136)),
      Button1(Button(*this, "Button1", "OK", 212, platform::kModalOk)),
      Button2(Button(*this, "Button2", "Cancel", 292, platform::kModalCancel)) {
  Name = "fmSettingWindow";
  SetCaption("Settings");
  SetClientSize(375, 188);
  WindowStyle.border = platform::BorderStyle::kDialog;
  WindowStyle.centered = true;
  WindowStyle.minimize_box = false;
  WindowStyle.maximize_box = false;

  cbImageSize.Items = {"Original Size", "Stretch-Full", "Stretch-Proportional"};
  cbShowImageMode.Items = {"All images - Random", "All images - Sequential",
                           "User's favorite (checked images) - Random",
                           "Single - Selected Image"};
  txtDuration.MinValue = 5;
  txtDuration.MaxValue = 9999;
  txtDuration.SetValue(60);
  tbSpeed.Min = 0;
  tbSpeed.Max = kSpeedTableSize - 1;
  tbSpeed.LineSize = 1;
  tbSpeed.ShowTicks = false;
  tbSpeed.SetPosition(10);
  Label3.SetCaption("Reset");
  Label3.OnClick = [this](Component&) { Label3Click(); };
  cbTransition.SetChecked(true);
  Button1.Default = true;
  Button2.Cancel = true;
  ActiveControl = &cbImageSize;
}

void TfmSettingWindow::LoadSettings(const UserSettings& s, bool can_confirm) {
  Button1.SetEnabled(can_confirm);
  cbImageSize.SetItemIndex(s.ImageSize);
  cbShowImageMode.SetItemIndex(s.ImageMode);
  tbSpeed.SetPosition(s.SpeedIndex);
  cbSound.SetChecked(s.Sound);
  cbMusic.SetChecked(s.Music);
  cbTransition.SetChecked(s.Transition);
  txtDuration.SetValue(s.Duration);
}

UserSettings TfmSettingWindow::Settings() const {
  UserSettings s;
  s.ImageSize = cbImageSize.ItemIndex();
  s.ImageMode = cbShowImageMode.ItemIndex();
  s.SpeedIndex = tbSpeed.Position();
  s.Sound = cbSound.Checked();
  s.Music = cbMusic.Checked();
  s.Transition = cbTransition.Checked();
  s.Duration = txtDuration.Value();
  return s;
}

void TfmSettingWindow::Label3Click() { tbSpeed.SetPosition(10); }

bool ShowSettingsDialog(const ScreensaverProject& project, const UserChoicesPlace& place,
                        platform::Window* owner) {
  TfmSettingWindow dialog;
  UserSettings settings;
  const bool available = ReadUserSettings(project, place, settings);
  dialog.LoadSettings(settings, available);
  if (dialog.ShowModal(owner) != platform::kModalOk || !available) return false;
  WriteUserSettings(place, dialog.Settings());
  return true;
}

}  // namespace lpc
