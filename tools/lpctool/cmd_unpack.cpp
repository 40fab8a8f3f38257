// lpctool unpack FILE DIR: the records of a screensaver's package and its content files, written
// into DIR and nowhere else.
#include <filesystem>
#include <iostream>
#include <memory>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "command.h"
#include "package/package.h"
#include "package_info.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

struct UnpackOptions {
  std::string file;
  std::string dir;
};

// Writes one record as DIR/name. An existing entry of that name (even a link) is removed
// first, so the write cannot be redirected out of DIR.
void WriteRecord(const std::string& file, const lpc::PackageRecord& r, const fs::path& dir,
                 const std::string& name, Progress& progress, std::vector<fs::path>& written) {
  if (!lpc::IsSafeFileName(name)) {
    throw lpc::FormatError(file, "refusing to unpack " + lpc::QuoteExcerpt(name));
  }
  const fs::path target = dir / lpc::FsPath(lpc::FileNameOnDisk(name));
  std::error_code ignored;
  fs::remove(target, ignored);
  written.push_back(target);
  lpc::CopyFileRange(file, r.Offset, r.Size, lpc::PathText(target),
                     [&](uint64_t n) { progress.Advance(n); });
}

void Unpack(const UnpackOptions& o, const lpc::PackageIndex& top,
            const std::vector<std::string>& content_names, const lpc::PackageIndex& files,
            const fs::path& dir, std::vector<fs::path>& written);

void Run(const UnpackOptions& o) {
  const lpc::PackageIndex top = lpc::ReadPackageIndex(o.file);

  std::vector<std::string> content_names;
  lpc::PackageIndex files;
  if (top.Records.size() >= 3) {
    const auto& names_record = top.Records[1];
    content_names = lpc::ContentFileNames(
        lpc::ReadFileRange(o.file, names_record.Offset, names_record.Size, int64_t{1} << 24),
        o.file + " (LPFilenames.res)");
    const auto& files_record = top.Records[2];
    files = lpc::ReadPackageIndex(o.file, files_record.Offset,
                                  files_record.Offset + files_record.Size, o.file + " (LPFiles.res)");
  }

  // Everything is checked before the folder is made.
  const fs::path dir = lpc::FsPath(o.dir);
  std::error_code ec;
  const bool dir_existed = fs::exists(dir, ec);
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) throw lpc::IOError(o.dir + ": cannot create the folder");
  // A failed unpack (a full disk, a bad record) takes back what it wrote: a truncated file
  // must not pass for a content file.
  std::vector<fs::path> written;
  try {
    Unpack(o, top, content_names, files, dir, written);
  } catch (...) {
    for (const fs::path& p : written) fs::remove(p, ec);
    if (!dir_existed) fs::remove(dir, ec);  // only when empty
    throw;
  }
}

void Unpack(const UnpackOptions& o, const lpc::PackageIndex& top,
            const std::vector<std::string>& content_names, const lpc::PackageIndex& files,
            const fs::path& dir, std::vector<fs::path>& written) {
  uint64_t total = 0;
  for (const auto& r : top.Records) total += static_cast<uint64_t>(r.Size);
  for (const auto& r : files.Records) total += static_cast<uint64_t>(r.Size);
  Progress progress("unpacking", total);

  if (top.Count != 4) {
    std::cerr << "lpctool: warning: " << o.file << ": the package holds " << top.Count
              << " records instead of 4\n";
  }
  for (size_t i = 0; i < top.Records.size() && i < 4; ++i) {
    WriteRecord(o.file, top.Records[i], dir, kTopLevelRecords[i], progress, written);
  }
  if (content_names.size() != files.Records.size()) {
    std::cerr << "lpctool: warning: " << o.file << ": LPFilenames.res names " << content_names.size()
              << " files but LPFiles.res holds " << files.Records.size() << "; unpacking "
              << std::min(content_names.size(), files.Records.size()) << "\n";
  }
  for (size_t i = 0; i < content_names.size() && i < files.Records.size(); ++i) {
    WriteRecord(o.file, files.Records[i], dir, content_names[i], progress, written);
  }
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "unpack",
      "Write the records of a screensaver's package (LPC.res, LPFilenames.res, LPFiles.res, "
      "LPGUI.lui) and its content files into DIR");
  auto o = std::make_shared<UnpackOptions>();
  cmd->add_option("FILE", o->file, "Screensaver or other file carrying a package")
      ->required()
      ->check(ExistingFile());
  cmd->add_option("DIR", o->dir, "Folder to write into (created when missing)")->required();
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("unpack", Setup);

}  // namespace lpctool
