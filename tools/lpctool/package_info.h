// Shared helpers of the package subcommands (info, unpack, pack, lpp): JSON descriptions of
// screensaver packages and packed images, a readable text form of those descriptions, and a
// scratch folder for records that must be read through files.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <string_view>

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
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

ordered_json WaveParamJson(const lpc::TWaveParam& w);
ordered_json WeatherParamJson(const lpc::TWeatherParam& w);
ordered_json ProjectJson(const lpc::TLPCProject& project);

// A file carrying a package (a screensaver): its records, the project, the content files.
ordered_json DescribePackage(const std::string& path);
// A packed image: texts, picture sizes, wave and weather records, mask and region sizes.
ordered_json DescribePackedImage(const std::string& path);

// Indented "Key: value" lines; arrays of plain values on one line.
void PrintReadable(const ordered_json& value, std::ostream& out, int indent = 0);

// Text of the files (single-byte) as UTF-8, and back; a character beyond U+00FF cannot be
// stored and is an error naming what (the option) it came from.
std::string ToUtf8(std::string_view latin1);
std::string ToLatin1(std::string_view utf8, const std::string& what);

}  // namespace lpctool
