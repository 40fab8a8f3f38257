// What `pack` checks before it writes anything: every content file is one the screensaver can
// use, the UI description reads, and the settings make a show that starts and changes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "package/project.h"
#include "photo_import.h"

namespace lpctool {

struct ContentFile {
  std::string source;                    // the path the author gave
  std::string name;                      // the bare name stored in the package
  std::optional<std::string> converted;  // the bytes to store instead of the file's own
  bool show = false;                     // a picture of the show
  int width = 0, height = 0;             // of a picture of the show, as it is shown
};

// Decodes every picture and packed image once. A file the screensaver could not show is an
// Error naming it and why; photographs are turned upright and pictures the runtime cannot show
// converted (photo_import.h), ".jpeg" is stored as ".jpg", each with a note on stderr. Names
// are checked for clashes after the conversion.
std::vector<ContentFile> CheckContentFiles(const std::vector<std::string>& files,
                                           const ImportOptions& options);

// A UI description that does not read, or a form whose object text does not, is an Error
// naming the file.
void CheckUiDescription(const std::string& path);

// Warnings on stderr for settings that make a show that never changes pictures or shows
// nothing; PreviewFile and MusicFile are cut to bare names and follow renamed files. A note
// for each picture that stretching without Proportional distorts on common screen shapes.
void CheckSettings(const std::string& ini_path, const std::vector<ContentFile>& content,
                   lpc::ProjectSettings& setting);

// Prints "lpctool: warning: TEXT" / "lpctool: note: TEXT" on stderr.
void Warn(const std::string& text);
void Note(const std::string& text);

}  // namespace lpctool
