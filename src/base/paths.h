// Path helpers. Paths from packages and project files come from Windows machines, so both
// "\" and "/" count as separators everywhere.
#pragma once

#include <string>
#include <string_view>

namespace lpc {

bool IsPathSeparator(char c);

// The part after the last separator (or after a drive "C:").
std::string ExtractFileName(std::string_view path);
// Everything before the file-name part, including the trailing separator.
std::string ExtractFilePath(std::string_view path);
// The extension from the last dot of the file-name part, dot included; empty when none.
std::string ExtractFileExt(std::string_view path);
// The extension upper-cased (".JPG").
std::string UpperFileExt(std::string_view path);
// path with everything from the last dot of its file-name part replaced by ext; ext is
// appended when the name has no dot.
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// The file-name part up to and including its last dot ("LPC.res" -> "LPC."). The name's last
// character is never taken as the dot; a name without a dot gives "".
std::string FileNameStem(std::string_view path);
// The file-name part cut before its first dot ("My Saver.scr" -> "My Saver").
std::string FileNameBeforeFirstDot(std::string_view path);
// Appends the native separator when path does not end in one.
std::string IncludeTrailingSeparator(std::string_view path);
// Joins a folder and a name with exactly one separator.
std::string JoinPath(std::string_view folder, std::string_view name);

// True for a plain file name that stays inside whatever folder it is joined to: not empty,
// not "." or "..", no separators, no drive, no control characters.
bool IsSafeFileName(std::string_view name);

// What a file holds, decided by its upper-cased extension.
enum class FileKind { kOther, kScreensaver, kPackedImage, kJpeg, kBitmap, kGif, kPng };
FileKind FileKindOf(std::string_view path);
// Plain pictures the show can display: JPEG, bitmap and GIF.
bool IsPlainPicture(std::string_view path);

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
std::string Trim(std::string_view s);

}  // namespace lpc
