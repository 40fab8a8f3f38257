// The work folder that a screensaver's package is unpacked into, and the path helpers the rest
// of the program names files with.
#pragma once

#include <string>

namespace lpc {

// The long form of an existing file's path; "" for a network path, a path with "*" or "?", or
// one that names nothing.
std::string GetLongFileName(const std::string& path);

// The system temporary folder, with a trailing separator.
std::string GetTempFolder();

// The temporary folder + the long file name of exe_path cut before its first dot + separator,
// created (one level) when missing; a failure to create it is not reported here (the unpacked
// files then cannot be created, which is). An executable whose long name is empty (it does not
// exist) or yields no usable folder name (".scr") is an Error naming it: the temporary folder
// itself must never become the work folder, since its files are removed when the run ends.
std::string GetWorkFolderFor(const std::string& exe_path);
// The work folder of the running program.
std::string GetWorkFolder();

}  // namespace lpc
