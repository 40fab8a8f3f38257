// lpctool ui FILE [--form NAME] --png OUT.png: builds one form of a UI description (a .lui, or
// the one a screensaver carries) offscreen with the system's fonts and writes its picture, so
// an author sees the window without running the screensaver: for a screensaver with its
// pictures, as "/C" shows it.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "base/errors.h"
#include "base/paths.h"
#include "command.h"
#include "configwindow/config_window.h"
#include "configwindow/form_builder.h"
#include "configwindow/forms.h"
#include "configwindow/user_choices.h"
#include "imaging/picture.h"
#include "package/package.h"
#include "package/project.h"
#include "package_info.h"
#include "platform/backends.h"
#include "startup/startup.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

struct UiOptions {
  std::string file;
  std::string form;
  std::string png;
};

// The forms, and the project whose texts fill the placeholders and whose pictures the window
// shows (none for a bare .lui, whose placeholders then show as written). A screensaver's
// package is unpacked into a private folder for as long as the picture is made, as "/C" does.
struct Description {
  lpc::UiDescription forms;
  std::unique_ptr<lpc::ScreensaverProject> project;
  std::unique_ptr<ScratchFolder> unpacked;
};

// The message of a fault inside the unpacked copy, naming the record in the screensaver.
std::string NamingTheRecord(std::string message, const ScratchFolder& scratch,
                            const std::string& file) {
  const std::string scratch_name = scratch / lpc::kUIRecord;
  if (const size_t at = message.find(scratch_name); at != std::string::npos) {
    message.replace(at, scratch_name.size(), file + " (" + lpc::kUIRecord + ")");
  }
  return message;
}

void Load(const std::string& file, Description& d) {
  int64_t offset = 0;
  int32_t count = 0;
  if (!lpc::FindPackageMarker(file, offset, count)) {
    d.forms.LoadFromFile(file);
    return;
  }
  const lpc::PackageIndex top = lpc::ReadPackageIndex(file);
  if (top.Records.size() < 4 || top.Records[3].Size == 0) {
    throw lpc::FormatError(file, "the package carries no UI description");
  }
  d.unpacked = std::make_unique<ScratchFolder>();
  d.project = std::make_unique<lpc::ScreensaverProject>();
  lpc::ExtractPackage(*d.project, file, *d.unpacked / "");
  try {
    d.forms.LoadFromFile(d.project->UISetting.UIFile);
  } catch (const std::exception& e) {
    throw lpc::Error(NamingTheRecord(e.what(), *d.unpacked, file));
  }
}

void Run(const UiOptions& o) {
  Description d;
  Load(o.file, d);
  if (d.forms.Count() == 0) throw lpc::FormatError(o.file, "the UI description holds no forms");
  std::string name = o.form;
  if (name.empty()) {
    name = d.forms.Form(0).Name();
    for (size_t i = 0; i < d.forms.Count(); ++i) {
      if (lpc::SameText(d.forms.Form(i).Name(), "MainWindow")) name = "MainWindow";
    }
  }
  const lpc::FormDescription* found = nullptr;
  try {
    found = &d.forms.FindForm(lpc::Trim(name));
  } catch (const lpc::Error& e) {
    throw lpc::Error(o.file + ": " + e.what());
  }
  const lpc::FormDescription& form = *found;
  std::optional<lpc::PlaceholderValues> values;
  if (d.project) values = lpc::PlaceholdersOf(*d.project);

  // The fonts the picture is drawn with measure the captions too (labels size themselves to
  // their text while the form is built).
  const std::unique_ptr<lpc::platform::Platform> platform =
      lpc::platform::CreatePlatform("headless", {.system_fonts = true});
  lpc::platform::SetCurrent(platform.get());
  struct Restore {
    ~Restore() { lpc::platform::SetCurrent(nullptr); }
  } restore;
  std::unique_ptr<lpc::ConfigWindow> window;
  try {
    window = lpc::BuildDescribedForm(form, values ? &*values : nullptr, "");
  } catch (const std::exception& e) {
    throw lpc::Error(o.file + ": " + e.what());
  }
  std::optional<lpc::ConfigContext> context;
  if (d.project) {
    // The context "/C" gives the window: the user's settings next to the screensaver (read,
    // never written: the window is not closed) say which picture is current and which are
    // ticked.
    lpc::ConfigEnvironment env;
    env.ExeLongPath = lpc::PathText(fs::absolute(lpc::FsPath(o.file)).lexically_normal());
    env.FirstArgument = "/C";
    env.WorkFolder = *d.unpacked / "";
    env.ProgramFolder = lpc::PathText(lpc::FsPath(env.ExeLongPath).parent_path()) + "/";
    context.emplace(lpc::ConfigContext{d.forms, *d.project, env});
    window->SetContext(&*context);
    lpc::TakeOverUserSettings(*d.project, lpc::ChoicesPlaceOf(env));
    // A picture that does not load is drawn as the window shows it then.
    window->FormShow();
  } else {
    // What the window shows once open.
    for (const auto& c : window->Components()) lpc::ApplyTagVisibility(*c);
  }
  const lpc::Bitmap& picture = window->Render();
  lpc::SavePicture(o.png, picture);
  std::cout << o.png << ": " << form.Name() << ", " << picture.width() << " x "
            << picture.height() << "\n";
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "ui",
      "Picture of a described window: builds one form of a UI description (.lui) or of the one "
      "a screensaver carries, with the system's fonts, and writes it as PNG; a screensaver's "
      "window shows its pictures and the user's saved choices, as \"/C\" opens it");
  auto o = std::make_shared<UiOptions>();
  cmd->add_option("FILE", o->file, "UI description (.lui) or screensaver")->required();
  cmd->add_option("--form", o->form, "Form to build (default MainWindow, else the first)");
  cmd->add_option("--png", o->png, "Picture to write")->required();
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("ui", Setup);

}  // namespace lpctool
