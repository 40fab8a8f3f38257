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
  std::string sound;  // a packed image's sound, the file-name part the show looks for
};

// The content files the command line names: a file as given; a folder stands for its files
// (not its subfolders or hidden files), in name order. Those in `not_content` (the project, the
// UI description, the runtime and the screensaver being written, which sit among the rest in a
// project folder and come along with `pack *`) are no content.
std::vector<std::string> ContentFilesOf(const std::vector<std::string>& given,
                                        const std::vector<std::string>& not_content);

// Leaves out, with a note each, the content files that nothing can use: a file is used when it
// is a picture of the show, the PreviewFile, a piece of MusicFile, the sound of a packed image,
// or named anywhere in the UI description (a document an acOpenDocument button opens, say).
// With `strict` the first unused file is an Error instead.
std::vector<ContentFile> LeaveOutUnused(std::vector<ContentFile> content,
                                        const lpc::ProjectSettings& setting,
                                        const std::string& ui_text, bool strict);

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
