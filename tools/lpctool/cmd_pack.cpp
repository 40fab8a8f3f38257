// lpctool pack -o OUT.scr --runtime EXE --project PROJECT.ini [--ui FILE.lui] FILE...: a
// screensaver made of the runtime's bytes followed by a package of the project, the content
// file names, the content files and the UI description.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/ini.h"
#include "base/paths.h"
#include "command.h"
#include "pack_checks.h"
#include "package/package.h"
#include "package/project.h"
#include "default_ui.h"
#include "package_info.h"
#include "photo_import.h"
#include "platform/user_session.h"

namespace lpctool {

namespace {

namespace fs = std::filesystem;

struct PackOptions {
  std::string output;
  std::string runtime;
  std::string project;
  std::string ui;
  std::vector<std::string> files;
  ImportOptions pictures;
  bool strict = false;
};

// The UI description to pack: --ui, else the project's [UI] UIFile (relative to the ini's
// folder), else the built-in default.
struct UiSource {
  std::string path;   // a file, or empty for the built-in text
  std::string bytes;  // the built-in text
  std::string name;   // what the project's [UI] UIFile records
};

UiSource ChooseUi(const PackOptions& o, const lpc::ScreensaverProject& project) {
  UiSource ui;
  ui.path = o.ui;
  if (ui.path.empty() && !project.UISetting.UIFile.empty()) {
    ui.path =
        lpc::PathText(lpc::FsPath(o.project).parent_path() / lpc::FsPath(project.UISetting.UIFile));
  }
  if (!ui.path.empty()) {
    CheckUiDescription(ui.path);
    ui.name = lpc::ExtractFileName(ui.path);
    return ui;
  }
  // The built-in MainWindow and ViewThumbnails.
  ui.bytes = DefaultUiText();
  ui.name = kTopLevelRecords[3];
  return ui;
}

// The runtime the build puts beside the tool (build/bin, the Windows kit's folder).
std::string RuntimeBesideTool() {
#ifdef _WIN32
  constexpr const char* kRuntimeName = "lpcsaver.exe";
#else
  constexpr const char* kRuntimeName = "lpcsaver";
#endif
  const std::string tool = lpc::platform::OwnProgramPath();
  const std::string runtime =
      lpc::PathText(lpc::FsPath(tool).parent_path() / lpc::FsPath(kRuntimeName));
  if (tool.empty() || !lpc::FileExists(runtime)) {
    throw lpc::FileNotFoundError(runtime + ": " + lpc::kFileNotFound +
                                 " (no runtime beside lpctool; name one with --runtime)");
  }
  return runtime;
}

void Run(PackOptions o) {
  int64_t offset = 0;
  int32_t count = 0;
  if (o.runtime.empty()) o.runtime = RuntimeBesideTool();
  if (!lpc::FileExists(o.runtime)) throw lpc::FileNotFoundError(o.runtime + ": " + lpc::kFileNotFound);
  if (lpc::FindPackageMarker(o.runtime, offset, count)) {
    // A reader stops at the first marker: a second package after it would never be seen.
    throw lpc::FormatError(o.runtime, "already carries a package; give the bare runtime");
  }
  if (!lpc::FileExists(o.project)) throw lpc::FileNotFoundError(o.project + ": " + lpc::kFileNotFound);

  lpc::ScreensaverProject project;
  // The author writes UTF-8 or Windows-1252; the screensaver reads Windows-1252.
  const lpc::IniFile ini = lpc::IniFile::FromText(ReadWindows1252File(o.project));
  project.Setting.LoadFromIni(ini);
  project.UISetting.LoadFromIni(ini);
  const UiSource ui = ChooseUi(o, project);
  project.UISetting.UIFile = ui.name;
  const std::string ui_text = ui.path.empty() ? ui.bytes : ReadWindows1252File(ui.path);
  const std::vector<ContentFile> content = LeaveOutUnused(
      CheckContentFiles(ContentFilesOf(o.files, {o.project, ui.path, o.output, o.runtime}),
                        o.pictures),
      project.Setting, ui_text, o.strict);
  for (const ContentFile& f : content) {
    if (f.show) {
      project.FileList.Names.push_back(f.name);
      project.FileList.Flags.push_back(lpc::kFlagTrue);
    }
  }
  CheckSettings(o.project, content, project.Setting);

  std::string names;
  lpc::PackageBuilder files;
  for (const ContentFile& f : content) {
    // Bare names: the runtime uses only the file name part, and the folders of the author's
    // machine ("/home/me/...") are nobody else's business.
    names += ToWindows1252(f.name, f.source) + "\r\n";
    if (f.converted) files.AddBytes(*f.converted);
    else files.AddFile(f.source);
  }
  lpc::PackageBuilder package;
  package.AddBytes(project.ToRecordBytes());
  package.AddBytes(names);
  package.AddPackage(std::move(files));
  package.AddBytes(ui_text);

  const int64_t runtime_size = lpc::FileSize(o.runtime);
  lpc::AtomicFileWriter out(o.output);
  Progress progress("packing", static_cast<uint64_t>(runtime_size + package.Size()));
  {
    std::ifstream runtime(lpc::FsPath(o.runtime), std::ios::binary);
    std::vector<char> buffer(1 << 16);
    int64_t copied = 0;
    while (runtime.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
           runtime.gcount() > 0) {
      out.Write(std::string_view(buffer.data(), static_cast<size_t>(runtime.gcount())));
      copied += runtime.gcount();
      progress.Advance(static_cast<uint64_t>(runtime.gcount()));
    }
    if (copied != runtime_size)
      throw lpc::IOError(o.runtime + ": the file changed while it was read");
  }
  package.Write(out.Stream(), o.output, [&](uint64_t n) { progress.Advance(n); });
  out.MakeExecutable();
  out.Commit();
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "pack",
      "Make a screensaver: the runtime followed by a package of the project (settings from "
      "PROJECT.ini, see `lpctool new`; the pictures among the content files, in the order "
      "given, make up the show), the content files and the UI description. Every picture is "
      "decoded once first: a file the screensaver could not show is an error. Photographs are "
      "turned upright by their EXIF orientation; PNG, WebP and HEIC/HEIF pictures are stored "
      "as JPEG at quality 95 (see --lossless), .jpeg as .jpg" +
          std::string(kHeifNote));
  auto o = std::make_shared<PackOptions>();
  cmd->add_option("-o,--output", o->output, "Screensaver to write")->required();
  cmd->add_option("--runtime", o->runtime,
                  "The bare runtime executable (default: lpcsaver, on Windows lpcsaver.exe, "
                  "beside lpctool)");
  cmd->add_option("--project", o->project,
                  "Author's project ini: sections [General], [Default], [Advance], [UI] "
                  "(`lpctool new DIR` writes one with every key explained)")
      ->required();
  cmd->add_option("--ui", o->ui,
                  "UI description (.lui) of the configuration window (default: [UI] UIFile of "
                  "the project ini, else the built-in MainWindow and ViewThumbnails)");
  cmd->add_option("FILE", o->files,
                  "Content files: pictures (.lpp, .jpg, .bmp, .gif; .jpeg, .png, .webp, .heic "
                  "and .heif are converted) for the show, in show order; music, sounds, "
                  "preview. A folder gives its files in name order. A file nothing uses (not a "
                  "picture, nor named by PreviewFile, MusicFile, a packed image's sound or the "
                  "UI description) is left out with a note");
  cmd->add_flag("--strict", o->strict,
                "Refuse content files nothing uses instead of leaving them out");
  cmd->add_flag("--lossless", o->pictures.lossless,
                "Store PNG, WebP and HEIC/HEIF pictures as lossless bitmaps (.bmp, several "
                "times larger) instead of JPEG at quality 95");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("pack", Setup);

}  // namespace lpctool
