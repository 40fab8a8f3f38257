// lpctool pack -o OUT.scr --runtime EXE --project PROJECT.ini [--ui FILE.lui] FILE...: a
// screensaver made of the runtime's bytes followed by a package of the project, the content
// file names, the content files and the UI description.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/ini.h"
#include "base/paths.h"
#include "command.h"
#include "package/package.h"
#include "package/project.h"
#include "package_info.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

struct PackOptions {
  std::string output;
  std::string runtime;
  std::string project;
  std::string ui;
  std::vector<std::string> files;
};

// The project record from the author's ini: its settings sections, a file list of the pictures
// among the content files in the order given (all taking part in the show) and the UI file.
// Music and sound files travel in the package too but are not part of the show's list.
bool IsShowPicture(const std::string& name) {
  const lpc::FileKind kind = lpc::FileKindOf(name);
  return kind == lpc::FileKind::kPackedImage || lpc::IsPlainPicture(name);
}

lpc::TLPCProject BuildProject(const PackOptions& o) {
  if (!lpc::FileExists(o.project)) throw lpc::FileNotFoundError(o.project + ": " + lpc::kFileNotFound);
  lpc::TLPCProject project;
  project.Setting.LoadFromIni(lpc::IniFile::FromText(ReadWindows1252File(o.project)));
  std::set<std::string> seen;
  for (const std::string& file : o.files) {
    const std::string name = lpc::ExtractFileName(file);
    if (!lpc::IsSafeFileName(name)) throw lpc::FormatError(file, "not a usable content file name");
    for (const char* reserved : kTopLevelRecords) {
      if (lpc::SameText(name, reserved)) {
        throw lpc::FormatError(file, "a content file may not be named like a package record");
      }
    }
    // The runtime unpacks by file name on a case-insensitive file system.
    if (!seen.insert(lpc::UpperCase(name)).second) {
      throw lpc::FormatError(file, "another content file has the same name \"" + name + "\"");
    }
    if (IsShowPicture(name)) {
      project.FileList.Names.push_back(name);
      project.FileList.Flags.push_back(lpc::kFlagTrue);
    }
  }
  project.UISetting.UIFile = o.ui.empty() ? std::string(kTopLevelRecords[3]) : fs::absolute(o.ui).string();
  const std::string& preview = project.Setting.PreviewFile;
  if (!preview.empty() && !seen.count(lpc::UpperCase(lpc::ExtractFileName(preview)))) {
    std::cerr << "lpctool: warning: " << o.project << ": PreviewFile \"" << preview
              << "\" is not one of the content files\n";
  }
  return project;
}

void Run(const PackOptions& o) {
  int64_t offset = 0;
  int32_t count = 0;
  if (!lpc::FileExists(o.runtime)) throw lpc::FileNotFoundError(o.runtime + ": " + lpc::kFileNotFound);
  if (lpc::FindPackageMarker(o.runtime, offset, count)) {
    // A reader stops at the first marker: a second package after it would never be seen.
    throw lpc::FormatError(o.runtime, "already carries a package; give the bare runtime");
  }
  if (o.files.empty()) std::cerr << "lpctool: warning: no content files; the screensaver will show nothing\n";

  const lpc::TLPCProject project = BuildProject(o);
  std::string names;
  lpc::PackageBuilder files;
  for (const std::string& file : o.files) {
    names += ToWindows1252(fs::absolute(file).string(), file) + "\r\n";
    files.AddFile(file);
  }
  lpc::PackageBuilder package;
  package.AddBytes(project.ToRecordBytes());
  package.AddBytes(names);
  package.AddPackage(std::move(files));
  if (o.ui.empty()) {
    std::cerr << "lpctool: warning: no --ui; the configuration window will have no description\n";
    package.AddBytes("");
  } else {
    package.AddBytes(ReadWindows1252File(o.ui));
  }

  const int64_t runtime_size = lpc::FileSize(o.runtime);
  const std::string temp = lpc::TempFileNameBeside(o.output);
  try {
    std::ofstream out(fs::path(temp), std::ios::binary | std::ios::trunc);
    if (!out) throw lpc::IOError(o.output + ": cannot create the file");
    Progress progress("packing", static_cast<uint64_t>(runtime_size + package.Size()));
    {
      std::ifstream runtime(fs::path(o.runtime), std::ios::binary);
      std::vector<char> buffer(1 << 16);
      int64_t copied = 0;
      while (runtime.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || runtime.gcount() > 0) {
        out.write(buffer.data(), runtime.gcount());
        copied += runtime.gcount();
        progress.Advance(static_cast<uint64_t>(runtime.gcount()));
      }
      if (copied != runtime_size) throw lpc::IOError(o.runtime + ": the file changed while it was read");
    }
    package.Write(out, o.output, [&](uint64_t n) { progress.Advance(n); });
    out.close();
    if (!out) throw lpc::IOError(o.output + ": write failed");
    struct stat st {};
    const mode_t mode = stat(o.runtime.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0644;
    chmod(temp.c_str(), mode | 0111);
    std::error_code ec;
    fs::rename(fs::path(temp), fs::path(o.output), ec);
    if (ec) throw lpc::IOError(o.output + ": cannot replace the file (" + ec.message() + ")");
  } catch (...) {
    std::error_code ignored;
    fs::remove(fs::path(temp), ignored);
    throw;
  }
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "pack",
      "Make a screensaver: the runtime followed by a package of the project (settings from "
      "PROJECT.ini; the pictures among the content files, in the order given, make up the "
      "show), the content files and the UI description");
  auto o = std::make_shared<PackOptions>();
  cmd->add_option("-o,--output", o->output, "Screensaver to write")->required();
  cmd->add_option("--runtime", o->runtime, "The bare runtime executable")->required();
  cmd->add_option("--project", o->project,
                  "Author's project ini: sections [General], [Default], [Advance], [Build]")
      ->required();
  cmd->add_option("--ui", o->ui, "UI description (.lui) of the configuration window");
  cmd->add_option("FILE", o->files, "Content files: pictures (.lpp, .jpg, .bmp, .gif) for the show, music, sounds, preview");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("pack", Setup);

}  // namespace lpctool
