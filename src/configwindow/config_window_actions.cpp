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
#include "configwindow/described_classes.h"
#include "configwindow/form_builder.h"
#include "configwindow/preview_pane.h"
#include "configwindow/settings_dialog.h"
#include "configwindow/thumbnail_strip.h"
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

const std::vector<std::string>& Images() {
  const ScreensaverProject* project = CurrentProject();
  return project ? project->FileList.Names : NoImages();
}

int32_t ImageCount() { return static_cast<int32_t>(Images().size()); }

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

void ReadChecks(ThumbnailStrip& strip) {
  const auto checks = ReadChecks(CurrentChoicesPlace(), strip.ImageCount());
  if (!checks) return;
  for (size_t i = 0; i < checks->size(); ++i) strip.SetChecked(static_cast<int>(i), (*checks)[i]);
}

void WriteChecks(const ThumbnailStrip& strip) {
  std::vector<bool> checks(static_cast<size_t>(strip.ImageCount()));
  for (size_t i = 0; i < checks.size(); ++i) checks[i] = strip.GetChecked(static_cast<int>(i));
  WriteChecks(CurrentChoicesPlace(), checks);
}

std::vector<ConfigWindow*>& ShownWindows() {
  static std::vector<ConfigWindow*> shown;
  return shown;
}

void ApplyTagVisibility(widgets::Component& c) {
  // Pages belong to their page control, which shows one at a time.
  if (!IsClass(c, "TTabSheet")) c.SetVisible((c.Tag & 1) != 0);
}

}  // namespace

ConfigWindow* ActiveConfigWindow() {
  return ShownWindows().empty() ? nullptr : ShownWindows().back();
}

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
  attempt([&] { ImageIndex = ReadImageIndex(CurrentChoicesPlace(), ImageCount()); });
  for (const auto& owned : Components()) {
    widgets::Component& c = *owned;
    if (auto* edit = dynamic_cast<widgets::Edit*>(&c)) edit->ReadOnly = false;
    if (RunsActionOnClick(c)) c.OnClick = [this](widgets::Component& s) { ExecuteAction(s); };
    if (IsClass(c, "TPageControl")) c.Invalidate();
    if (auto* strip = dynamic_cast<ThumbnailStrip*>(&c)) {
      attempt([&] {
        strip->SetFileList(&images);
        ReadChecks(*strip);
        strip->OnSelectItem = [this](int32_t index) { ThumbnailSelectItem(index); };
        strip->Invalidate();
        strip->SelectIndex(ImageIndex);
      });
    } else if (auto* preview = dynamic_cast<PreviewPane*>(&c); preview && !images.empty()) {
      // RefreshComponents below shows the current picture in every pane; when that is the
      // first one, loading it here as well would only decode it twice.
      if (ImageIndex != 0) attempt([&] { preview->ShowFile(images.front()); });
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
    WriteImageIndex(CurrentChoicesPlace(), ImageIndex);
    // With two strips, the last one's marks are what the file keeps.
    for (const auto& owned : Components()) {
      if (auto* strip = dynamic_cast<ThumbnailStrip*>(owned.get())) WriteChecks(*strip);
    }
  } catch (const std::exception& e) {
    ReportError(window(), e);
  }
}

void ConfigWindow::ExecuteAction(widgets::Component& sender) {
  UiDescription* forms = CurrentForms();
  ScreensaverProject* project = CurrentProject();
  if (!forms || !project) return;
  try {
    const ClickAction* action = forms->FindForm(Name).Actions().FindAction(sender.Name);
    if (!action) return;
    const PlaceholderValues values = PlaceholdersOf(*project);
    const std::string param1 = ExpandPlaceholders(action->Param1, values);
    platform::Platform& platform = platform::Current();
    switch (action->Code) {
      case acOpenDocument:
        platform.OpenDocument(param1);
        break;
      case acShowForm:
        ShowDescribedForm(*forms, *project, Trim(param1), window());
        break;
      case acNextImage:
        SelectImage(ImageIndex + 1);
        break;
      case acPreviousImage:
        SelectImage(ImageIndex - 1);
        break;
      case acPreviewImage:
        if (ImageIndex >= 0 && ImageIndex < ImageCount()) {
          PreviewSingleImage(*project, Images()[ImageIndex],
                             ShowEnvironmentOf(CurrentEnvironment()));
        }
        break;
      case acSettings:
        // The project keeps the values taken over when the window was built.
        ShowSettingsDialog(*project, CurrentChoicesPlace(), window());
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
        const std::string file = WallpaperFileName(CurrentEnvironment().ExeLongPath);
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
  // The strips keep their own selection: a click there is what moved it. ShowFile already
  // renders at the pane's present size, so no second pass (Rerender) is needed.
  for (const auto& owned : Components()) {
    if (auto* preview = dynamic_cast<PreviewPane*>(owned.get())) {
      preview->ShowFile(Images()[ImageIndex]);
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
  const std::vector<std::string>& images = Images();
  for (const auto& owned : Components()) {
    widgets::Component& c = *owned;
    if (dynamic_cast<ThumbnailStrip*>(&c)) c.Invalidate();
    if (auto* preview = dynamic_cast<PreviewPane*>(&c); preview && !images.empty()) {
      preview->ShowFile(images[ImageIndex]);
    }
    ApplyTagVisibility(c);
  }
}

}  // namespace lpc
