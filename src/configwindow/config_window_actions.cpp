// What the configuration window does when it shows, closes and is clicked.
//
// Faults inside an event (a picture that does not load, a settings file that cannot be
// written, a form the description lacks) end that event with an error box; the window stays
// open and usable.
#include <exception>
#include <vector>
#include <string_view>

#include "base/paths.h"
#include "configwindow/config_window.h"
#include "configwindow/current_picture_view.h"
#include "configwindow/described_classes.h"
#include "configwindow/form_builder.h"
#include "configwindow/settings_dialog.h"
#include "configwindow/user_choices.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "presentation/show_window.h"
#include "presentation/wallpaper.h"
#include "widgets/edit.h"

namespace lpc {

namespace {

inline constexpr char kWallpaperQuestion[] =
    "You are about to set selected picture as a wallpaper.\r\nDo you want to proceed?";

bool IsClass(const widgets::Component& c, std::string_view name) {
  return SameText(c.ClassName(), name);
}

bool RunsActionOnClick(const widgets::Component& c) { return ClickRunsAction(c.ClassName()); }

const std::vector<std::string>& NoImages() {
  static const std::vector<std::string> none;
  return none;
}

void ReportError(platform::Window* owner, const std::exception& e) {
  platform::Current().ShowMessageBox(owner, e.what(), ApplicationTitle(),
                                     platform::MessageKind::kError);
}

ShowEnvironment ShowEnvironmentOf(const ConfigEnvironment& env) {
  return ShowEnvironment{env.SettingsFile, env.WorkFolder, env.ProgramFolder, env.InstallPath};
}

// The picture as the wallpaper takes it: a packed image without its ripples, anything else as
// its picture loader gives it.
Bitmap WallpaperPicture(const std::string& file) {
  if (UpperFileExt(file) != ".LPP") return LoadPicture(file);
  PackedImage packed;
  packed.LoadFromFile(file);
  return std::move(packed.Picture);
}

std::vector<ConfigWindow*>& ShownWindows() {
  static std::vector<ConfigWindow*> shown;
  return shown;
}

}  // namespace

void ApplyTagVisibility(widgets::Component& c) {
  if (!IsClass(c, "TTabSheet")) c.SetVisible((c.Tag & 1) != 0);
}

const std::vector<std::string>& ConfigWindow::Images() const {
  return context_ ? context_->project.FileList.Names : NoImages();
}

UserChoicesPlace ConfigWindow::ChoicesPlace() const {
  return ChoicesPlaceOf(context_ ? context_->env : ConfigEnvironment{});
}

ConfigWindow* ActiveConfigWindow() {
  return ShownWindows().empty() ? nullptr : ShownWindows().back();
}

ConfigWindow::~ConfigWindow() { std::erase(ShownWindows(), this); }

void ConfigWindow::FormShow() {
  ShownWindows().push_back(this);
  // A picture that fails here is reported once the window is set up, so that one bad file
  // does not leave the rest of the window without its handlers and visibility.
  std::exception_ptr first_fault;
  const auto attempt = [&first_fault](auto&& step) {
    try {
      step();
    } catch (const std::exception&) {
      if (!first_fault) first_fault = std::current_exception();
    }
  };
  const std::vector<std::string>& images = Images();
  const UserChoicesPlace place = ChoicesPlace();
  attempt([&] { ImageIndex = ReadImageIndex(place, ImageCount()); });
  for (const auto& owned : Components()) {
    widgets::Component& c = *owned;
    if (auto* edit = dynamic_cast<widgets::Edit*>(&c)) edit->ReadOnly = false;
    if (RunsActionOnClick(c)) c.OnClick = [this](widgets::Component& s) { ExecuteAction(s); };
    if (IsClass(c, "TPageControl")) c.Invalidate();
    if (auto* view = dynamic_cast<CurrentPictureView*>(&c)) {
      attempt([&] {
        view->OpenPictures(images, ImageIndex, place,
                           [this](int32_t index) { ThumbnailSelectItem(index); });
      });
    }
    ApplyTagVisibility(c);
  }
  attempt([&] { RefreshComponents(); });
  if (first_fault) {
    try {
      std::rethrow_exception(first_fault);
    } catch (const std::exception& e) {
      ReportError(window(), e);
    }
  }
}

void ConfigWindow::FormClose() {
  std::erase(ShownWindows(), this);
  // The window closes even when its choices cannot be saved; the file on disk stays as it was.
  try {
    const UserChoicesPlace place = ChoicesPlace();
    WriteImageIndex(place, ImageIndex);
    // With two strips, the last one's marks are what the file keeps.
    for (const auto& owned : Components()) {
      if (auto* view = dynamic_cast<CurrentPictureView*>(owned.get())) view->ClosePictures(place);
    }
  } catch (const std::exception& e) {
    ReportError(window(), e);
  }
}

void ConfigWindow::ExecuteAction(widgets::Component& sender) {
  if (!context_) return;
  ScreensaverProject& project = context_->project;
  try {
    const ClickAction* action = context_->forms.FindForm(Name).Actions().FindAction(sender.Name);
    if (!action) return;
    const PlaceholderValues values = PlaceholdersOf(project);
    const std::string param1 = ExpandPlaceholders(action->Param1, values);
    platform::Platform& platform = platform::Current();
    switch (action->Code) {
      case acOpenDocument:
        platform.OpenDocument(param1);
        break;
      case acShowForm:
        ShowDescribedForm(*context_, Trim(param1), window());
        break;
      case acNextImage:
        SelectImage(ImageIndex + 1);
        break;
      case acPreviousImage:
        SelectImage(ImageIndex - 1);
        break;
      case acPreviewImage:
        if (ImageIndex >= 0 && ImageIndex < ImageCount()) {
          PreviewSingleImage(project, Images()[ImageIndex], ShowEnvironmentOf(context_->env));
        }
        break;
      case acSettings:
        // The project keeps the values taken over when the window was built.
        ShowSettingsDialog(project, ChoicesPlace(), window());
        break;
      case acClose:
        Close();
        break;
      case acSetWallpaper: {
        if (ImageIndex < 0 || ImageIndex >= ImageCount()) break;
        if (platform.ShowMessageBox(window(), kWallpaperQuestion, ApplicationTitle(),
                                    platform::MessageKind::kYesNo) != platform::kModalYes) {
          break;
        }
        const std::string file = WallpaperFileName(context_->env.ExeLongPath);
        if (SetDesktopWallpaper(WallpaperPicture(Images()[ImageIndex]), file) ==
            WallpaperResult::kNotSupported) {
          platform.ShowMessageBox(window(), WallpaperNotSetText(file), ApplicationTitle(),
                                  platform::MessageKind::kInformation);
        }
        break;
      }
      default:
        break;
    }
  } catch (const std::exception& e) {
    ReportError(window(), e);
  }
}

void ConfigWindow::SelectImage(int32_t index) {
  const int32_t count = ImageCount();
  if (index >= count) index = count - 1;
  if (index < 0) index = 0;
  ImageIndex = index;
  if (count == 0) return;
  // A pane renders at its present size, so no second pass (Rerender) is needed.
  for (const auto& owned : Components()) {
    if (auto* view = dynamic_cast<CurrentPictureView*>(owned.get())) {
      view->ShowCurrentPicture(Images(), ImageIndex);
    }
  }
}

void ConfigWindow::ThumbnailSelectItem(int32_t index) {
  try {
    SelectImage(index);
  } catch (const std::exception& e) {
    ReportError(window(), e);
  }
}

void ConfigWindow::RefreshComponents() {
  for (const auto& owned : Components()) {
    widgets::Component& c = *owned;
    if (auto* view = dynamic_cast<CurrentPictureView*>(&c))
      view->ShowCurrentPicture(Images(), ImageIndex);
    ApplyTagVisibility(c);
  }
}

}  // namespace lpc
