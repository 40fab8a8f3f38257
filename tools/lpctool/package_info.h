// Shared helpers of the package subcommands (info, unpack, pack, lpp): JSON descriptions of
// screensaver packages and packed images, a readable text form of those descriptions, and a
// scratch folder for records that must be read through files.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <string_view>

#include "base/fileio.h"
#include "package/packed_image.h"
#include "package/project.h"

namespace lpctool {

using nlohmann::ordered_json;

// The top-level records of a screensaver package, in package order.
inline constexpr const char* kTopLevelRecords[] = {"LPC.res", "LPFilenames.res", "LPFiles.res",
                                                   "LPGUI.lui"};

// A private folder removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string operator/(std::string_view name) const {
    return lpc::PathText(path_ / lpc::FsPath(name));
  }
  std::string Path() const { return lpc::PathText(path_); }

 private:
  std::filesystem::path path_;
};

ordered_json WaveParamJson(const lpc::WaveSettings& w);
ordered_json WeatherParamJson(const lpc::WeatherSettings& w);
ordered_json ProjectJson(const lpc::ScreensaverProject& project);

// A file carrying a package (a screensaver): its records, the project, the content files.
ordered_json DescribePackage(const std::string& path);
// A packed image: texts, picture sizes, wave and weather records, mask and region sizes.
ordered_json DescribePackedImage(const std::string& path);

// Indented "Key: value" lines; arrays of plain values on one line.
void PrintReadable(const ordered_json& value, std::ostream& out, int indent = 0);

// Text of the files (Windows-1252) as UTF-8, and back. UTF-8 text with a character the code
// page has no form for is spelt in Latin letters as file names are (StoreText), with a note
// naming what (a file or option) and the line; text that is not UTF-8 is taken as
// Windows-1252 already.
std::string ToUtf8(std::string_view cp1252);
std::string ToWindows1252(std::string_view text, const std::string& what);
inline std::string ToLatin1(std::string_view utf8, const std::string& what) {
  return ToWindows1252(utf8, what);
}
// A text file read whole and converted by ToWindows1252.
std::string ReadWindows1252File(const std::string& path);

}  // namespace lpctool
