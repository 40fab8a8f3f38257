#include "pack_checks.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "command.h"
#include "content_names.h"
#include "configwindow/forms.h"
#include "base/object_text.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "package_info.h"
#include "photo_import.h"

namespace lpctool {

void Warn(const std::string& text) { std::cerr << "lpctool: warning: " << text << "\n"; }
void Note(const std::string& text) { std::cerr << "lpctool: note: " << text << "\n"; }

namespace {

// Rethrows a decoder's fault with what it means for the screensaver.
[[noreturn]] void CannotShow(const std::exception& e) {
  throw lpc::Error(std::string(e.what()) + " (the screensaver could not show this picture)");
}

ContentFile CheckOne(const std::string& file, const ImportOptions& options) {
  ContentFile f;
  f.source = file;
  f.name = lpc::ExtractFileName(file);
  if (!lpc::IsSafeFileName(f.name)) throw lpc::FormatError(file, "not a usable content file name");
  const std::string ext = lpc::UpperFileExt(f.name);
  if (!lpc::FileExists(file)) throw lpc::FileNotFoundError(file + ": " + lpc::kFileNotFound);
  try {
    if (ext == ".LPP") {
      lpc::PackedImage packed;
      packed.LoadFromFile(file);
      const auto regions = lpc::CountRegions(packed.Mask);
      for (size_t i = 0; i < packed.WaveParams.size(); ++i) {
        if (regions[i + 1] > 0 && packed.WaveParams[i].Period == 0) {
          Warn(file + lpc::Format(": water region %zu has period 0 and will not move", i + 1));
        }
      }
      f.show = true;
      f.width = packed.Picture.width();
      f.height = packed.Picture.height();
      f.sound = lpc::ExtractFileName(packed.SoundFile);
    } else if (IsPictureFile(file)) {
      ImportedPicture picture = ImportPicture(file, options);
      if (!picture.own_bytes) f.converted = std::move(picture.bytes);
      // The screensaver takes every extension but .jpg, .bmp and .gif for a packed image.
      const bool renamed = ext != lpc::UpperCase(picture.ext);
      if (renamed) f.name = lpc::ChangeFileExt(f.name, picture.ext);
      const std::string shown = ToUtf8(StoreName(f.name).name);
      if (!picture.conversion.empty()) {
        Note(file + ": " + picture.conversion + ", stored as \"" + shown + "\"");
      } else if (renamed) {
        Note(file + ": stored as \"" + shown + "\" (the screensaver shows ." +
             lpc::LowerCase(ext.substr(1)) + " files only as " + picture.ext + ")");
      }
      f.show = true;
      f.width = picture.pixels.width();
      f.height = picture.pixels.height();
    }
  } catch (const lpc::FormatError& e) {
    if (e.file() == file && e.fault().find("cannot show") != std::string::npos) throw;
    CannotShow(e);
  } catch (const lpc::FileNotFoundError&) {
    throw;
  } catch (const lpc::Error& e) {
    CannotShow(e);
  }
  f.name = StoreNameWithNote(f.name, file);
  return f;
}

// "C:\music\a.mid" and "/home/me/a.mid" both become "a.mid": the screensaver looks for the
// file in its own unpacked folder.
std::string StoredSettingName(const std::string& given,
                              const std::map<std::string, std::string>& stored) {
  const std::string bare = lpc::ExtractFileName(given);
  const auto it = stored.find(lpc::UpperCase(bare));
  return it == stored.end() ? bare : it->second;
}

// Stretch=1 with Proportional=0 draws every picture at the screen's size, whatever its own
// shape: a portrait photograph on a 16:9 screen comes out 2.7 times too wide. The screens
// are not known when packing, so the common shapes stand for them.
void NoteDistortion(const ContentFile& f) {
  static const struct {
    int w, h;
    const char* name;
  } kShapes[] = {{16, 9, "16:9"}, {16, 10, "16:10"}, {4, 3, "4:3"}};
  if (f.width <= 0 || f.height <= 0) return;
  std::string shapes;
  double first = 0;  // how many times too wide (> 1) or too tall on the first such shape
  const char* first_name = "";
  for (const auto& s : kShapes) {
    // Drawn at the screen's shape, the picture's width grows s.w * height / (s.h * width)
    // times against its height; more than 10 % either way is noted. Exact in 64 bits.
    const int64_t wide = int64_t{s.w} * f.height, tall = int64_t{s.h} * f.width;
    if (10 * wide <= 11 * tall && 10 * tall <= 11 * wide) continue;
    if (shapes.empty()) {
      first = static_cast<double>(wide) / static_cast<double>(tall);
      first_name = s.name;
    }
    shapes += (shapes.empty() ? "" : ", ") + std::string(s.name);
  }
  if (shapes.empty()) return;
  const bool wider = first > 1;
  Note(
      lpc::Format("%s (%d x %d): Stretch=1 with Proportional=0 fills the screen and changes "
                  "its shape by more than 10 %% on %s screens (%.2f times too %s on %s); "
                  "Proportional=1 keeps it",
                  f.source.c_str(), f.width, f.height, shapes.c_str(), wider ? first : 1 / first,
                  wider ? "wide" : "tall", first_name));
}

std::vector<std::string> Pieces(const std::string& text, char separator) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t stop; (stop = text.find(separator, start)) != std::string::npos; start = stop + 1) {
    out.push_back(text.substr(start, stop - start));
  }
  out.push_back(text.substr(start));
  return out;
}

// Bare name given, upper-cased -> the name stored for it, for each content file: settings name
// files as the author's disk spells them.
std::map<std::string, std::string> StoredNames(const std::vector<ContentFile>& content) {
  std::map<std::string, std::string> stored;
  for (const ContentFile& f : content) {
    stored[lpc::UpperCase(StoreName(lpc::ExtractFileName(f.source)).name)] = f.name;
    stored[lpc::UpperCase(f.name)] = f.name;
  }
  return stored;
}

}  // namespace

std::vector<std::string> ContentFilesOf(const std::vector<std::string>& given,
                                        const std::vector<std::string>& not_content) {
  namespace fs = std::filesystem;
  const auto same = [](const fs::path& a, const std::string& b) {
    std::error_code ec;
    return !b.empty() && fs::equivalent(a, lpc::FsPath(b), ec);
  };
  const auto excluded = [&](const fs::path& path) {
    return std::any_of(not_content.begin(), not_content.end(),
                       [&](const std::string& other) { return same(path, other); });
  };
  std::vector<std::string> files;
  for (const std::string& item : given) {
    std::error_code ec;
    if (!fs::is_directory(lpc::FsPath(item), ec)) {
      if (!excluded(lpc::FsPath(item))) files.push_back(item);
      continue;
    }
    std::vector<std::string> inside;
    for (fs::directory_iterator it(lpc::FsPath(item), ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = lpc::PathText(it->path().filename());
      std::error_code kind;
      if (name.empty() || name[0] == '.' || !it->is_regular_file(kind)) continue;
      if (!excluded(it->path())) inside.push_back(lpc::PathText(it->path()));
    }
    if (ec) throw lpc::IOError(item + ": cannot list the folder (" + ec.message() + ")");
    std::sort(inside.begin(), inside.end());
    files.insert(files.end(), inside.begin(), inside.end());
  }
  return files;
}

std::vector<ContentFile> LeaveOutUnused(std::vector<ContentFile> content,
                                        const lpc::ProjectSettings& s, const std::string& ui_text,
                                        bool strict) {
  const std::map<std::string, std::string> stored = StoredNames(content);
  std::set<std::string> named;  // stored names, upper-cased, that something asks for
  const auto name = [&](const std::string& reference) {
    if (!lpc::Trim(reference).empty()) {
      named.insert(lpc::UpperCase(StoredSettingName(lpc::Trim(reference), stored)));
    }
  };
  name(s.PreviewFile);
  for (const std::string& piece : Pieces(s.MusicFile, ';')) name(piece);
  for (const ContentFile& f : content) name(f.sound);
  // Any mention counts: a name in a label's text may be a document the user is pointed to,
  // and leaving out a file that is used is worse than packing one that is not.
  const std::string ui = lpc::UpperCase(ui_text);
  // A whole name, maybe after a folder: "rt" is no mention of a file "rt" in "Start".
  const auto part_of_name = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
  };
  const auto mentioned = [&](const ContentFile& f) {
    for (const std::string& spelling : {f.name, ToUtf8(f.name), lpc::ExtractFileName(f.source)}) {
      const std::string wanted = lpc::UpperCase(spelling);
      for (size_t at = ui.find(wanted); !wanted.empty() && at != std::string::npos;
           at = ui.find(wanted, at + 1)) {
        const size_t end = at + wanted.size();
        if ((at == 0 || !part_of_name(ui[at - 1])) &&
            (end == ui.size() || ui[end] == '.' || !part_of_name(ui[end]))) {
          return true;
        }
      }
    }
    return false;
  };
  std::vector<ContentFile> used;
  for (ContentFile& f : content) {
    if (f.show || named.count(lpc::UpperCase(f.name)) || mentioned(f)) {
      used.push_back(std::move(f));
      continue;
    }
    const std::string why =
        "no part of the show or the configuration window uses it (not a picture, nor named by "
        "PreviewFile, MusicFile, a packed image's sound or the UI description)";
    if (strict) throw lpc::FormatError(f.source, why + "; --strict refuses it");
    Note(f.source + ": left out: " + why);
  }
  return used;
}

std::vector<ContentFile> CheckContentFiles(const std::vector<std::string>& files,
                                           const ImportOptions& options) {
  std::vector<ContentFile> out;
  std::set<std::string> seen;
  Progress progress("checking", files.size());
  for (const std::string& file : files) {
    ContentFile f = CheckOne(file, options);
    for (const char* reserved : kTopLevelRecords) {
      if (lpc::SameText(f.name, reserved)) {
        throw lpc::FormatError(file, "a content file may not be named like a package record");
      }
    }
    // The runtime unpacks by file name on a case-insensitive file system.
    if (!seen.insert(lpc::UpperCase(f.name)).second) {
      throw lpc::FormatError(file,
                             "another content file has the same name \"" + ToUtf8(f.name) + "\"");
    }
    out.push_back(std::move(f));
    progress.Advance(1);
  }
  return out;
}

void CheckUiDescription(const std::string& path) {
  if (!lpc::FileExists(path)) throw lpc::FileNotFoundError(path + ": " + lpc::kFileNotFound);
  lpc::UiDescription forms;
  try {
    forms.LoadFromFile(path);
  } catch (const lpc::Error& e) {
    const std::string what = e.what();
    throw lpc::Error((what.rfind(path, 0) == 0 ? what : path + ": " + what) +
                     " (not a UI description)");
  }
  bool main_window = false;
  for (size_t i = 0; i < forms.Count(); ++i) {
    const lpc::FormDescription& form = forms.Form(i);
    try {
      (void)lpc::ReadFormObjects(form);
    } catch (const lpc::Error& e) {
      throw lpc::Error(path + ": form \"" + form.Name() + "\": " + e.what());
    }
    if (lpc::SameText(form.Name(), "MainWindow")) main_window = true;
  }
  if (!main_window) {
    Warn(path + ": no form \"MainWindow\"; the configuration window (/C) will not open");
  }
}

void CheckSettings(const std::string& ini_path, const std::vector<ContentFile>& content,
                   lpc::ProjectSettings& s) {
  const std::map<std::string, std::string> stored = StoredNames(content);
  const size_t pictures = static_cast<size_t>(
      std::count_if(content.begin(), content.end(), [](const ContentFile& f) { return f.show; }));
  const std::string where = ini_path + ": ";
  if (s.Stretch && !s.Proportional) {
    for (const ContentFile& f : content) {
      if (f.show) NoteDistortion(f);
    }
  }
  if (pictures == 0) {
    Warn(
        "no pictures among the content files: the screensaver will only say \"No image found "
        "in Images List.\"");
  }
  if (!s.Random && pictures > 1) {
    Warn(where + "Random=0: pictures never change, the " +
         std::string(s.ShowImageMode == 1 ? "first" : "first chosen") +
         " picture stays for the whole run. Random switches automatic changes on; the order "
         "is ShowImageMode (0 random, 1 in order)");
  }
  if (s.ShowImageMode < 0 || s.ShowImageMode > 3) {
    Warn(where + lpc::Format("ShowImageMode=%d is not 0 to 3; pictures will show in order",
                             s.ShowImageMode));
  } else if (s.ShowImageMode == 3 && pictures > 1) {
    Warn(where +
         "ShowImageMode=3 shows a single picture (the one the user selects in the "
         "configuration window, the first until then); pictures never change");
  }
  if (s.Random && s.Duration <= 0 && pictures > 1) {
    Warn(where + lpc::Format("Duration=%d: the picture changes on every frame", s.Duration));
  }
  const bool in_table = std::find(std::begin(lpc::kSpeedTable), std::end(lpc::kSpeedTable),
                                  s.Speed) != std::end(lpc::kSpeedTable);
  if (s.Speed <= 0) {
    Warn(where + lpc::Format("Speed=%d: the water and weather stand still", s.Speed));
  } else if (!in_table) {
    Warn(where + lpc::Format("Speed=%d is not a speed table value (10, 20, 30, 45, 50, 60, 70, "
                             "75, 80, 90, 100, 120, 140, 160, 180, 200, 220, 240, 360, 480, "
                             "500); the settings dialog cannot show it",
                             s.Speed));
  }

  if (!s.PreviewFile.empty()) {
    const std::string name = StoredSettingName(s.PreviewFile, stored);
    if (name != s.PreviewFile) Note(where + "PreviewFile stored as \"" + ToUtf8(name) + "\"");
    if (!stored.count(lpc::UpperCase(name))) {
      Warn(where + "PreviewFile \"" + ToUtf8(s.PreviewFile) +
           "\" is not one of the content files; "
           "the preview will stay empty");
    }
    s.PreviewFile = name;
  }
  if (!s.MusicFile.empty()) {
    std::string music;
    for (const std::string& piece : Pieces(s.MusicFile, ';')) {
      if (lpc::Trim(piece).empty()) continue;
      const std::string name = StoredSettingName(lpc::Trim(piece), stored);
      if (!stored.count(lpc::UpperCase(name))) {
        Warn(where + "MusicFile \"" + ToUtf8(piece) +
             "\" is not one of the content files; it will not play");
      }
      music += (music.empty() ? "" : ";") + name;
    }
    if (music != s.MusicFile) Note(where + "MusicFile stored as \"" + ToUtf8(music) + "\"");
    s.MusicFile = music;
  }
}

}  // namespace lpctool
