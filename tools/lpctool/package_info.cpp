#include "package_info.h"

#include <stdlib.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/overloaded.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "content_names.h"
#include "info_forms.h"
#include "package/package.h"

namespace lpctool {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
#ifdef _WIN32
  // No mkdtemp: a random name, made only when nothing has it yet (inside the user's own
  // temporary folder, which others cannot write to).
  const fs::path temp = fs::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = temp / ("lpctool-" + std::to_string(random() % 1000000000u));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw lpc::IOError(lpc::PathText(temp) + ": cannot create a scratch folder");
#else
  std::string pattern = (fs::temp_directory_path() / "lpctool-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw lpc::IOError(pattern + ": cannot create a scratch folder");
  path_ = pattern;
#endif
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string ToUtf8(std::string_view cp1252) { return lpc::Cp1252ToUtf8(cp1252); }

std::string ToWindows1252(std::string_view text, const std::string& what) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
  std::string out;
  size_t bad = 0;
  if (lpc::Utf8ToCp1252(text, out, bad)) return out;
  // Not UTF-8 at all: taken as already in the files' code page.
  if (!lpc::IsUtf8(text)) return std::string(text);
  // Line by line, so that each note names the line it is about.
  out.clear();
  const bool one_line = text.find('\n') == std::string_view::npos;
  int line = 0;
  for (size_t from = 0; from <= text.size();) {
    const size_t end = std::min(text.find('\n', from), text.size());
    const bool cr = end > from && text[end - 1] == '\r';
    const std::string given(text.substr(from, end - from - (cr ? 1 : 0)));
    const StoredName stored = StoreText(given);
    ++line;
    if (stored.rendered) {
      NoteRendered(one_line ? what : lpc::Format("%s: line %d", what.c_str(), line), "text",
                   given, stored.name);
    }
    out += stored.name;
    if (cr) out += '\r';
    if (end < text.size()) out += '\n';
    from = end + 1;
  }
  return out;
}

std::string ReadWindows1252File(const std::string& path) {
  return ToWindows1252(lpc::ReadFileBytes(path, uint64_t{1} << 26), path);
}

ordered_json WaveParamJson(const lpc::WaveSettings& w) {
  return {{"Amplitude", w.Amplitude},   {"WaveCount", w.WaveCount},
          {"PhaseStep", w.PhaseStep},   {"Direction", w.Direction},
          {"Horizontal", w.Horizontal}, {"Vertical", w.Vertical},
          {"Perspective", w.Perspective}, {"Period", w.Period},
          {"JitterRange", w.JitterRange}};
}

ordered_json WeatherParamJson(const lpc::WeatherSettings& w) {
  const char* names[] = {"none", "snow", "rain"};
  ordered_json j;
  j["Kind"] = w.Kind;
  j["KindName"] = w.Kind >= 0 && w.Kind <= 2 ? names[w.Kind] : "unknown";
  j["Count"] = w.Count;
  j["SpeedIndex"] = w.SpeedIndex;
  j["SpeedPercent"] = lpc::SpeedPercentForIndex(w.SpeedIndex);
  j["Angle"] = w.Angle;
  j["Length"] = w.Length;
  return j;
}

namespace {

ordered_json StringsJson(const std::vector<std::string>& list) {
  ordered_json out = ordered_json::array();
  for (const auto& s : list) out.push_back(ToUtf8(s));
  return out;
}

// The lines of "LPFilenames.res" as stored (for the original paths).
std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t stop = text.find_first_of("\r\n", start);
    if (stop == std::string_view::npos) stop = text.size();
    lines.emplace_back(text.substr(start, stop - start));
    start = stop + (text.substr(stop, 2) == "\r\n" ? 2 : 1);
  }
  return lines;
}
}  // namespace

ordered_json ProjectJson(const lpc::ScreensaverProject& project) {
  ordered_json j;
  j["FileList"] = {{"Names", StringsJson(project.FileList.Names)},
                   {"Flags", StringsJson(project.FileList.Flags)}};
  ordered_json setting = ordered_json::object();
  for (const lpc::SettingField& f : lpc::SettingFields()) {
    std::visit(lpc::Overloaded{
                   [&](std::string lpc::ProjectSettings::*m) {
                     setting[f.Key] = ToUtf8(project.Setting.*m);
                   },
                   [&](bool lpc::ProjectSettings::*m) { setting[f.Key] = project.Setting.*m; },
                   [&](int32_t lpc::ProjectSettings::*m) { setting[f.Key] = project.Setting.*m; },
               },
               f.Member);
  }
  j["Setting"] = std::move(setting);
  j["UISetting"] = {{"UIFile", ToUtf8(project.UISetting.UIFile)}};
  return j;
}

ordered_json DescribePackage(const std::string& path) {
  const lpc::PackageIndex top = lpc::ReadPackageIndex(path);
  ordered_json j;
  ordered_json warnings = ordered_json::array();
  j["File"] = path;
  j["Kind"] = "package";
  j["PackageOffset"] = top.MarkerOffset;
  j["RecordCount"] = top.Count;
  if (top.Count != 4) warnings.push_back(lpc::Format("the package holds %d records instead of 4", top.Count));
  ordered_json records = ordered_json::array();
  for (size_t i = 0; i < top.Records.size(); ++i) {
    records.push_back({{"Name", i < 4 ? kTopLevelRecords[i] : lpc::Format("record %zu", i + 1)},
                       {"Offset", top.Records[i].Offset},
                       {"Size", top.Records[i].Size}});
  }
  j["Records"] = std::move(records);

  ScratchFolder scratch;
  if (top.Records.size() >= 1) {
    const auto& r = top.Records[0];
    lpc::ScreensaverProject project;
    project.Load(lpc::ByteRange::OfFilePart(path, r.Offset, r.Size, path + " (LPC.res)"));
    j["Project"] = ProjectJson(project);
    for (const auto& w : project.Warnings) warnings.push_back(ToUtf8(w));
  }
  if (top.Records.size() >= 3) {
    const auto& names_record = top.Records[1];
    const std::string text = lpc::ReadFileRange(path, names_record.Offset, names_record.Size, int64_t{1} << 24);
    // Described whatever they hold; a name that could leave the folder it is unpacked into
    // is marked (unpack refuses it).
    const auto lines = Lines(text);
    std::vector<std::string> names;
    for (size_t i = 0; i < lines.size(); ++i) {
      names.push_back(lpc::ExtractFileName(lines[i]));
      if (!lpc::IsSafeFileName(names.back())) {
        warnings.push_back(lpc::Format("LPFilenames.res line %zu (%s) names no file that can be "
                                       "unpacked safely", i + 1,
                                       lpc::QuoteExcerpt(ToUtf8(lines[i])).c_str()));
      }
    }
    const auto& files_record = top.Records[2];
    const lpc::PackageIndex files = lpc::ReadPackageIndex(
        path, files_record.Offset, files_record.Offset + files_record.Size, path + " (LPFiles.res)");
    if (files.Records.size() != names.size()) {
      warnings.push_back(lpc::Format("LPFilenames.res names %zu files but LPFiles.res holds %d",
                                     names.size(), files.Count));
    }
    ordered_json content = ordered_json::array();
    for (size_t i = 0; i < names.size() && i < files.Records.size(); ++i) {
      ordered_json entry = {{"Name", ToUtf8(names[i])},
                            {"Path", ToUtf8(lines[i])},
                            {"Size", files.Records[i].Size}};
      if (!lpc::IsSafeFileName(names[i])) entry["Unsafe"] = true;
      content.push_back(std::move(entry));
    }
    j["ContentFiles"] = std::move(content);
  }
  if (top.Records.size() >= 4) {
    const auto& r = top.Records[3];
    ordered_json ui;
    ui["Name"] = "LPGUI.lui";
    ui["Size"] = r.Size;
    if (r.Size > 0) {
      lpc::CopyFileRange(path, r.Offset, r.Size, scratch / "LPGUI.lui");
      try {
        ui["Description"] = DescribeUiDescription(scratch / "LPGUI.lui");
        // The scratch copy is gone once info ends; name the record where it lives.
        ui["Description"]["File"] = "LPGUI.lui in " + path;
      } catch (const std::exception& e) {
        // Name the record inside the package, not the scratch copy.
        std::string message = e.what();
        const std::string scratch_name = scratch / "LPGUI.lui";
        const std::string record_name = path + " (LPGUI.lui)";
        for (size_t at = message.find(scratch_name); at != std::string::npos;
             at = message.find(scratch_name, at + record_name.size())) {
          message.replace(at, scratch_name.size(), record_name);
        }
        message = lpc::DisplayUtf8(message);
        ui["Error"] = message;
        warnings.push_back(message);
      }
    }
    j["UI"] = std::move(ui);
  }
  j["Warnings"] = std::move(warnings);
  return j;
}

ordered_json DescribePackedImage(const std::string& path) {
  lpc::PackedImageReader loader;
  loader.LoadFromFile(path);
  ordered_json j;
  j["File"] = path;
  j["Kind"] = "packed image";
  j["Title"] = ToUtf8(loader.Title);
  j["Artist"] = ToUtf8(loader.Artist);
  j["Thumbnail"] = {{"Bytes", loader.ThumbnailBytes},
                    {"Width", loader.Thumbnail.width()},
                    {"Height", loader.Thumbnail.height()}};
  j["Picture"] = {{"Bytes", loader.PictureBytes},
                  {"Width", loader.Picture.width()},
                  {"Height", loader.Picture.height()}};
  j["RegionCount"] = loader.RegionCount;
  ordered_json waves = ordered_json::array();
  for (const auto& w : loader.WaveParams) waves.push_back(WaveParamJson(w));
  j["WaveParams"] = std::move(waves);
  // The loader has validated the runs; they are counted without expanding them.
  const auto counts = lpc::CountRegions(loader.MaskRuns);
  j["Mask"] = {{"Width", loader.MaskRuns[0]},
               {"Height", loader.MaskRuns[1]},
               {"Runs", loader.MaskRuns.size() - 2},
               {"RegionPixels", counts}};
  j["SoundFile"] = ToUtf8(loader.SoundFile);
  j["WeatherParam"] = WeatherParamJson(loader.WeatherParam);
  return j;
}

namespace {
bool IsPlain(const ordered_json& v) { return !v.is_object() && !v.is_array(); }

std::string PlainText(const ordered_json& v) {
  if (v.is_string()) return v.get<std::string>();
  return v.dump();
}
}  // namespace

void PrintReadable(const ordered_json& value, std::ostream& out, int indent) {
  const std::string pad(static_cast<size_t>(indent), ' ');
  auto print_entry = [&](const std::string& key, const ordered_json& v) {
    // A heading over nothing reads as if something were missing below it.
    if (key == "Warnings" && v.empty()) return;
    if (IsPlain(v)) {
      out << pad << key << ": " << PlainText(v) << "\n";
    } else if (v.is_array() && std::all_of(v.begin(), v.end(), IsPlain)) {
      out << pad << key << ":";
      const char* sep = " ";
      for (const auto& item : v) {
        out << sep << PlainText(item);
        sep = ", ";
      }
      out << "\n";
    } else {
      out << pad << key << ":\n";
      PrintReadable(v, out, indent + 2);
    }
  };
  if (value.is_object()) {
    for (const auto& [key, v] : value.items()) print_entry(key, v);
  } else if (value.is_array()) {
    for (size_t i = 0; i < value.size(); ++i) print_entry("[" + std::to_string(i + 1) + "]", value[i]);
  } else {
    out << pad << PlainText(value) << "\n";
  }
}

}  // namespace lpctool
