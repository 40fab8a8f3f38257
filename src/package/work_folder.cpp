#include "package/work_folder.h"

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "platform/folders.h"

namespace lpc {

std::string GetLongFileName(const std::string& path) { return platform::LongFileName(path); }

std::string GetTempFolder() { return IncludeTrailingSeparator(platform::TempFolder()); }

std::string GetWorkFolderFor(const std::string& exe_path) {
  const std::string long_name = GetLongFileName(exe_path);
  if (long_name.empty()) {
    throw Error(exe_path + ": cannot find the program file to name its work folder");
  }
  const std::string name = FileNameBeforeFirstDot(ExtractFileName(long_name));
  if (!IsSafeFileName(name)) {
    throw Error(long_name + ": the program's file name gives no usable work folder name");
  }
  const std::string folder = IncludeTrailingSeparator(GetTempFolder() + name);
  if (!DirectoryExists(folder)) platform::CreateFolder(folder);
  return folder;
}

std::string GetWorkFolder() { return GetWorkFolderFor(platform::ProgramPath()); }

}  // namespace lpc
