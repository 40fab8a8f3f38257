#include "startup/startup.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

#include "base/bitmap.h"
#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "configwindow/form_builder.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "package/package.h"
#include "package/work_folder.h"
#include "platform/crash.h"
#include "platform/folders.h"
#include "presentation/show_window.h"
#include "presentation/user_settings.h"

#ifndef LPC_VERSION
#define LPC_VERSION "0"
#endif

namespace lpc {

namespace {

// How long preview mode waits for its host window to appear.
constexpr uint32_t kPreviewHostWaitMs = 10000;

const char* const kRecordFiles[] = {kProjectRecord, kFileNamesRecord, kFilesRecord, kUIRecord};
// Names no content file may take in the work folder.
const char* const kReservedNames[] = {kProjectRecord, kFileNamesRecord, kFilesRecord, kUIRecord,
                                      platform::kFolderLockName};

void DeleteQuietly(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

// Where the run finds the package's files and the user's settings.
struct RunContext {
  StartupContext& startup;
  std::string exe_long_path;
  std::string work_folder;
  std::string handle_arg;
  platform::Platform* platform = nullptr;
  // Only the configuration window reads the UI description; a broken one must not stop a show.
  bool needs_forms = false;
  std::unique_ptr<PrivateWorkFolder> work;
  // The work-folder names of the files the package carries.
  std::shared_ptr<const std::set<std::string>> package_files = nullptr;

  platform::Platform& Platform() {
    if (!platform) {
      platform = startup.MakePlatform ? startup.MakePlatform() : nullptr;
      if (!platform) throw Error("No display is available");
      platform::SetCurrent(platform);
    }
    return *platform;
  }
};

void PreparePackage(RunContext& run, ScreensaverProject& project, UiDescription& forms) {
  if (run.exe_long_path.empty()) {
    throw FormatError(run.startup.ExePath, "the program's own file cannot be read");
  }
  if (!run.work) {
    const std::string base =
        run.work_folder.empty() ? WorkFolderNameFor(run.exe_long_path) : run.work_folder;
    // A folder left by an instance that was killed holds what it had written (music, sounds),
    // of whichever version of the package it ran: everything in it goes. A folder given from
    // outside the temporary folder loses only what this package and its list name.
    const std::string exe = run.exe_long_path;
    run.work = PrivateWorkFolder::Claim(base, [exe](const std::string& folder) {
      if (EmptyWorkFolder(folder)) return;
      std::vector<std::string> names;
      try {
        names = LocatePackage(exe).ContentNames;
      } catch (const std::exception&) {
      }
      RemovePackageFiles(folder, names);
    });
    run.work_folder = run.work->Path();
  }
  try {
    const std::vector<std::string> held =
        OpenPackageInPlace(project, run.exe_long_path, run.work_folder);
    run.package_files = std::make_shared<const std::set<std::string>>(held.begin(), held.end());
    if (run.needs_forms) forms.LoadFromFile(project.UISetting.UIFile);
  } catch (const std::exception& e) {
    // A fault found in an unpacked record names the screensaver and the record: the copy in
    // the work folder is gone by the time anyone reads the message.
    std::string message = e.what();
    for (const char* record : kRecordFiles) {
      const std::string copy = JoinPath(run.work_folder, record);
      const std::string named = run.exe_long_path + " (" + record + ")";
      for (size_t at = 0; (at = message.find(copy, at)) != std::string::npos; at += named.size()) {
        message.replace(at, copy.size(), named);
      }
    }
    if (message != e.what()) throw Error(message);
    throw;
  }
}

// Deletes what this run wrote, ends the files held in place and gives up its work folder.
void FinishPackage(RunContext& run) {
  if (!run.work) return;
  ReleaseFilesInPlace(run.work_folder);
  run.work->Remove();
  run.work.reset();
}

// Whether a work-folder name is one of the package's files, decided by the package's own list:
// a file of it that is not on disk (a stop removed it) is still in the package.
std::function<bool(const std::string&)> InPackageOf(const RunContext& run) {
  return [files = run.package_files](const std::string& path) {
    return files && files->count(path) > 0;
  };
}

ShowEnvironment ShowEnvironmentFor(const RunContext& run) {
  ShowEnvironment env;
  env.SettingsFile = run.startup.SettingsFile.empty() ? UserSettingsFileName(run.exe_long_path)
                                                      : run.startup.SettingsFile;
  env.WorkFolder = run.work_folder;
  env.InPackage = InPackageOf(run);
  env.ProgramFolder = ExtractFilePath(run.startup.ExePath);
  env.InstallPath = AuthoringToolConfig().GetInstallPath();
  return env;
}

// Runs body with the package unpacked, and removes the unpacked files afterwards also when
// body (or the unpacking itself) fails.
template <typename Body>
int WithPackage(RunContext& run, ScreensaverProject& project, UiDescription& forms, Body body) {
  int code = 0;
  try {
    PreparePackage(run, project, forms);
    code = body();
  } catch (...) {
    FinishPackage(run);
    throw;
  }
  FinishPackage(run);
  return code;
}

int RunPasswordMode(RunContext& run) {
  platform::Platform* platform = nullptr;
  try {
    platform = &run.Platform();
  } catch (const std::exception&) {
    return 0;  // no platform, no password provider
  }
  if (!platform->HasPasswordProvider()) return 0;
  const int32_t parent = StrToInt(run.handle_arg);
  platform->ChangePassword(static_cast<platform::NativeHandle>(static_cast<uint32_t>(parent)));
  return 0;
}

// Unpacks the changed program file into a work folder of its own beside the one in use and
// gives the show its project; the old folder goes once the new one is complete. A package
// that cannot be unpacked leaves the show with what it had.
bool ReloadPackage(RunContext& run, ScreensaverProject& project, ShowEnvironment& env) {
  if (run.startup.Windowed->Reload && !run.startup.Windowed->Reload(project, env)) return false;
  std::unique_ptr<PrivateWorkFolder> old = std::move(run.work);
  const std::string old_folder = run.work_folder;
  run.work_folder = run.startup.WorkFolder;
  ScreensaverProject fresh;
  UiDescription unused;
  try {
    PreparePackage(run, fresh, unused);
  } catch (...) {
    FinishPackage(run);
    run.work = std::move(old);
    run.work_folder = old_folder;
    throw;
  }
  if (old) {
    ReleaseFilesInPlace(old_folder);
    old->Remove();
  }
  env.WorkFolder = run.work_folder;
  env.InPackage = InPackageOf(run);
  PrepareShowProject(fresh, env);
  project = std::move(fresh);
  return true;
}

int RunSaverMode(RunContext& run, ScreensaverProject& project, UiDescription& forms) {
  return WithPackage(run, project, forms, [&] {
    run.Platform();
    ShowEnvironment env = ShowEnvironmentFor(run);
    WindowedShow windowed;
    if (run.startup.Windowed) {
      windowed = *run.startup.Windowed;
      windowed.Reload = [&run](ScreensaverProject& p, ShowEnvironment& e) {
        return ReloadPackage(run, p, e);
      };
      env.Windowed = &windowed;
    }
    RunScreensaver(project, env);
    return 0;
  });
}

int RunConfigMode(RunContext& run, ScreensaverProject& project, UiDescription& forms) {
  return WithPackage(run, project, forms, [&] {
    run.Platform();
    const ShowEnvironment show = ShowEnvironmentFor(run);
    ConfigEnvironment env;
    env.ExeLongPath = run.exe_long_path;
    env.FirstArgument = run.startup.Arguments.empty() ? "" : run.startup.Arguments[0];
    env.SettingsFile = show.SettingsFile;
    env.WorkFolder = show.WorkFolder;
    env.ProgramFolder = show.ProgramFolder;
    env.InstallPath = show.InstallPath;
    // "/c:HWND" (or "/c HWND"): the configuration belongs to that window. Anything that is not
    // a window number is ignored, as "/c" alone has always been.
    if (const std::optional<int32_t> host = TryStrToInt(run.handle_arg); host && *host != 0) {
      env.HostWindow = static_cast<uint32_t>(*host);
    }
    RunConfiguration(forms, project, kMainWindowForm, env);
    return 0;
  });
}

// Keeps the preview picture in the host's window until the host goes away.
int ShowPreview(RunContext& run, int32_t parent, const Bitmap& picture) {
  platform::Platform& platform = run.Platform();
  platform::WindowOptions options;
  options.kind = platform::WindowKind::kHosted;
  options.host = static_cast<platform::NativeHandle>(static_cast<uint32_t>(parent));
  std::unique_ptr<platform::Window> host = platform.OpenWindow(options, nullptr);
  if (!host) return 0;  // the host window is gone: nothing to draw into
  const uint32_t start = platform.Ticks();
  while (!host->IsVisible()) {
    if (static_cast<uint32_t>(platform.Ticks() - start) >= kPreviewHostWaitMs) return 0;
    platform.ProcessMessages();
    platform.Sleep(10);
  }
  platform.KeepStillInHost(*host, [&picture](Size size) {
    Bitmap stretched(size.width, size.height);
    SmoothResizeBitmap(picture, stretched);
    return stretched;
  });
  return 0;
}

int RunPreviewMode(RunContext& run, ScreensaverProject& project, UiDescription& forms) {
  // The picture is loaded and the unpacked files removed before it is shown: a preview stays
  // for as long as the host shows it, with nothing left in the work folder.
  Bitmap picture;
  bool has_picture = false;
  int32_t parent = 0;
  WithPackage(run, project, forms, [&] {
    has_picture = !project.Setting.PreviewFile.empty();
    if (has_picture) {
      parent = StrToInt(run.handle_arg);  // a bad window argument is reported before anything
      picture = LoadPicture(project.Setting.PreviewFile);
    }
    return 0;
  });
  return has_picture ? ShowPreview(run, parent, picture) : 0;
}

// Screensavers packed before every record held names in Windows-1252 carry the show's list in
// UTF-8 beside a names record in Windows-1252; such a list name is taken as the stored name it
// spells, so those screensavers keep showing their pictures.
std::string StoredListName(const std::string& name, const std::set<std::string>& stored) {
  if (stored.count(name)) return name;
  std::string cp1252;
  size_t bad = 0;
  if (Utf8ToCp1252(name, cp1252, bad) && stored.count(cp1252)) return cp1252;
  return name;
}

}  // namespace

std::string ExeBaseNameOf(const std::string& long_path) {
  return FileNameBeforeFirstDot(long_path);
}

std::string ModeSwitchOf(const std::string& first_argument) {
  return UpperCase(first_argument).substr(0, 2);
}

std::string WindowArgumentOf(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return "";
  const std::string& first = arguments[0];
  if (first.size() > 2 && first[2] == ':') return UpperCase(Trim(first.substr(3)));
  return arguments.size() > 1 ? UpperCase(arguments[1]) : "";
}

RunMode ModeOf(const std::string& s) {
  if (s == "/A" || s == "-A" || s == "A") return RunMode::kPassword;
  if (s == "/S" || s == "-S" || s == "S") return RunMode::kRun;
  if (s == "/C" || s == "-C" || s == "C" || s.empty()) return RunMode::kConfigure;
  if (s == "/P" || s == "-P" || s == "P") return RunMode::kPreview;
  return RunMode::kNone;
}

PackageLayout LocatePackage(const std::string& exe_path) {
  PackageLayout layout;
  layout.Program = ByteRange::OfFile(exe_path);
  const PackageExtractResult top = LocatePackageRecords(layout.Program, 0, -1, 4);
  if (!top.CountMatches(4)) {
    throw FormatError(exe_path, Format("the package holds %d records instead of 4",
                                       static_cast<int>(top.RecordCount)));
  }
  layout.Project = top.Records[0];
  layout.Names = top.Records[1];
  layout.Files = top.Records[2];
  layout.UI = top.Records[3];
  const ByteRange names = layout.Program.Sub(layout.Names.Offset, layout.Names.Size,
                                             exe_path + " (" + kFileNamesRecord + ")");
  layout.ContentNames = ContentFileNames(names.ReadAll(kMaxContentNamesBytes), names.name());
  for (size_t i = 0; i < layout.ContentNames.size(); ++i) {
    // A content file of a record's name would stand for the record it is read from.
    for (const char* reserved : kReservedNames) {
      if (UpperCase(layout.ContentNames[i]) == UpperCase(reserved)) {
        throw FormatError(exe_path,
                          Format("content file %d is named \"%s\", a name the package "
                                 "keeps for its own records",
                                 static_cast<int>(i + 1), layout.ContentNames[i].c_str()));
      }
    }
  }
  // An empty record stands for an empty content package; anything else is counted, so that
  // contents without names are refused as much as names without contents.
  if (!layout.ContentNames.empty() || layout.Files.Size > 0) {
    const ByteRange files = layout.Program.Sub(0, layout.Program.size(), exe_path);
    const PackageExtractResult contents =
        LocatePackageRecords(files, layout.Files.Offset, layout.Files.Offset + layout.Files.Size,
                             static_cast<int64_t>(layout.ContentNames.size()));
    if (!contents.CountMatches(layout.ContentNames.size())) {
      throw FormatError(exe_path, Format("the package holds %d content files for %d names",
                                         static_cast<int>(contents.RecordCount),
                                         static_cast<int>(layout.ContentNames.size())));
    }
    layout.Contents = contents.Records;
  }
  return layout;
}

namespace {

// Loads the project from its record and points its names into the work folder.
void LoadProjectOf(const PackageLayout& layout, ScreensaverProject& project,
                   const std::string& work_folder) {
  auto in_work = [&](const std::string& name) { return JoinPath(work_folder, name); };
  project.Load(
      layout.Program.Sub(layout.Project.Offset, layout.Project.Size, in_work(kProjectRecord)));
  const std::set<std::string> stored(layout.ContentNames.begin(), layout.ContentNames.end());
  for (std::string& name : project.FileList.Names) {
    name = in_work(FileNameOnDisk(StoredListName(name, stored)));
  }
  std::string& preview = project.Setting.PreviewFile;
  if (!preview.empty()) {
    const std::string file = ExtractFileName(preview);
    // A preview name that could leave the work folder names nothing to draw.
    preview = IsSafeFileName(file) ? in_work(FileNameOnDisk(file)) : std::string();
  }
  project.UISetting.UIFile = in_work(kUIRecord);
}

ByteRange RecordRange(const PackageLayout& layout, const PackageRecord& record,
                      const std::string& name) {
  return layout.Program.Sub(record.Offset, record.Size, name);
}

}  // namespace

std::vector<std::string> OpenPackageInPlace(ScreensaverProject& project,
                                            const std::string& exe_path,
                                            const std::string& work_folder) {
  const PackageLayout layout = LocatePackage(exe_path);
  LoadProjectOf(layout, project, work_folder);
  // Two content files of one name: the later one stands for it, as the later record would
  // have replaced the earlier file. A fault found reading one names the program file and the
  // content's name, which the user knows: the work-folder name was never a file.
  std::vector<std::string> held;
  for (size_t i = 0; i < layout.Contents.size(); ++i) {
    const std::string name = FileNameOnDisk(layout.ContentNames[i]);
    const std::string path = JoinPath(work_folder, name);
    HoldFileInPlace(path, RecordRange(layout, layout.Contents[i], exe_path + " (" + name + ")"));
    held.push_back(path);
  }
  const std::string ui = JoinPath(work_folder, kUIRecord);
  HoldFileInPlace(ui, RecordRange(layout, layout.UI, exe_path + " (" + kUIRecord + ")"));
  return held;
}

void ExtractPackage(ScreensaverProject& project, const std::string& exe_path,
                    const std::string& work_folder, const OutputCreator& create) {
  const PackageLayout layout = LocatePackage(exe_path);
  auto write = [&](const PackageRecord& record, const std::string& name) {
    const std::string path = JoinPath(work_folder, name);
    WriteRangeToFile(RecordRange(layout, record, path), path, create);
  };
  write(layout.Project, kProjectRecord);
  write(layout.Names, kFileNamesRecord);
  write(layout.UI, kUIRecord);
  for (size_t i = 0; i < layout.Contents.size(); ++i) {
    write(layout.Contents[i], FileNameOnDisk(layout.ContentNames[i]));
  }
  LoadProjectOf(layout, project, work_folder);
}

void RemovePackageFiles(const std::string& work_folder,
                        const std::vector<std::string>& content_names) {
  if (work_folder.empty()) return;
  for (const std::string& name : content_names) {
    DeleteQuietly(JoinPath(work_folder, FileNameOnDisk(name)));
  }
  const std::string list = JoinPath(work_folder, kFileNamesRecord);
  try {
    if (FileExists(list)) {
      for (const std::string& name : ReadContentFileNames(list)) {
        DeleteQuietly(JoinPath(work_folder, FileNameOnDisk(name)));
      }
    }
  } catch (const std::exception&) {
    // A list that cannot be read leaves its files; the folder then stays too.
  }
  for (const char* record : kRecordFiles) DeleteQuietly(JoinPath(work_folder, record));
  std::error_code ec;
  std::filesystem::remove(FsPath(work_folder), ec);  // only when empty
}

int RunProgram(StartupContext& startup) {
  RunContext run{startup, {}, startup.WorkFolder, {}, nullptr, false, nullptr};
  run.exe_long_path = GetLongFileName(startup.ExePath);
  const std::string first = startup.Arguments.size() > 0 ? startup.Arguments[0] : "";
  const std::string mode_switch = ModeSwitchOf(first);
  run.handle_arg = WindowArgumentOf(startup.Arguments);
  const RunMode mode = ModeOf(mode_switch);
  run.needs_forms = mode == RunMode::kConfigure;
  // Asked for at a terminal; any other unknown switch ends silently, as screensaver hosts
  // expect.
  if (first == "--help" || first == "--version") {
    std::fputs((first == "--help" ? UsageText() : VersionText() + "\n").c_str(), stdout);
    std::fflush(stdout);
    return 0;
  }

  ScreensaverProject project;
  UiDescription forms;
  if (mode == RunMode::kPassword) return RunPasswordMode(run);
  SetApplicationTitle(" ");
  switch (mode) {
    case RunMode::kRun:
      return RunSaverMode(run, project, forms);
    case RunMode::kConfigure:
      return RunConfigMode(run, project, forms);
    case RunMode::kPreview:
      return RunPreviewMode(run, project, forms);
    default:
      return 0;
  }
}

std::string ErrorReportFileName(const std::string& exe_path) {
  return ChangeFileExt(exe_path, ".error.txt");
}

std::string UsageText() {
  return VersionText() +
         "\n"
         "Usage: <screensaver> [switch [window]]\n"
         "  /S        run the screensaver\n"
         "  /C        show the configuration window (also with no switch)\n"
         "  /P <id>   draw the preview into window <id>\n"
         "  /A <id>   change the screensaver password (Windows)\n"
         "  --help    show this text\n"
         "  --version show the version\n";
}

std::string VersionText() {
  return std::string("LPCSaver ") + LPC_VERSION + " (built " __DATE__ ")";
}

std::string ReportError(platform::Platform* platform, const std::exception& error,
                        const std::string& report_path) {
  // A fault after a stop has begun comes from the stop taking the files away: the process is
  // about to end by its signal, with nothing to report.
  if (PrivateWorkFolder::Stopping()) return {};
  const std::string details = platform::DescribeException(error, VersionText());
  std::string written;
  // Beside the program first; a program folder that cannot be written (an installed
  // screensaver) leaves the report in the temporary folder instead.
  for (int attempt = 0; attempt < 2 && written.empty(); ++attempt) {
    try {
      const std::string path = attempt == 0
                                   ? report_path
                                   : JoinPath(platform::TempFolder(), ExtractFileName(report_path));
      if (path.empty()) continue;
      if (!PrivateWorkFolder::UnlessStopping(
              [&] { WriteFileAtomic(path, details, LinkRule::kReplace); })) {
        return {};
      }
      written = path;
    } catch (const std::exception&) {
    }
  }
  std::string text = error.what();
  if (!written.empty()) text += "\n\nDetails: " + written;
  std::fprintf(stderr, "%s\n", text.c_str());
  if (platform) {
    try {
      platform->ShowMessageBox(nullptr, text, ApplicationTitle(), platform::MessageKind::kError);
    } catch (const std::exception&) {
    }
  }
  return written;
}

int RunMain(StartupContext& startup) {
  platform::Platform* platform = nullptr;
  auto make = startup.MakePlatform;
  // Remember the platform once made, so the error box can use it.
  startup.MakePlatform = [&platform, make]() -> platform::Platform* {
    if (!platform && make) platform = make();
    return platform;
  };
  const std::string long_path = GetLongFileName(startup.ExePath);
  const std::string report = ErrorReportFileName(long_path.empty() ? startup.ExePath : long_path);
  // The error box needs a display even when the fault came before anything was shown.
  auto reporter = [&]() -> platform::Platform* {
    try {
      return startup.MakePlatform();
    } catch (const std::exception&) {
      return nullptr;
    }
  };
  try {
    return RunProgram(startup);
  } catch (const std::exception& e) {
    ReportError(reporter(), e, report);
  } catch (...) {
    ReportError(reporter(), Error("Unknown error"), report);
  }
  return 1;
}

}  // namespace lpc
