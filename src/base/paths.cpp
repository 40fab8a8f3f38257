#include "base/paths.h"

#include <algorithm>
#include <cctype>

namespace lpc {

namespace {

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

size_t FileNameStart(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (IsPathSeparator(c) || c == ':') return i;
  }
  return 0;
}

}  // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(FileNameStart(path)));
}

std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, FileNameStart(path)));
}

std::string ExtractFileExt(std::string_view path) {
  const size_t start = FileNameStart(path);
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) return {};
  return std::string(path.substr(dot));
}

std::string UpperFileExt(std::string_view path) { return UpperCase(ExtractFileExt(path)); }

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const size_t start = FileNameStart(path);
  const size_t dot = path.rfind('.');
  std::string out(path);
  if (dot != std::string_view::npos && dot >= start) out.resize(dot);
  out += ext;
  return out;
}

std::string FileNameStem(std::string_view path) {
  const std::string name = ExtractFileName(path);
  if (name.size() < 2) return {};
  // The last character never counts as the dot.
  const size_t dot = name.rfind('.', name.size() - 2);
  if (dot == std::string::npos) return {};
  return name.substr(0, dot + 1);
}

std::string FileNameBeforeFirstDot(std::string_view path) {
  std::string name = ExtractFileName(path);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

std::string IncludeTrailingSeparator(std::string_view path) {
  std::string out(path);
  if (out.empty() || !IsPathSeparator(out.back())) out += kNativeSeparator;
  return out;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  size_t skip = 0;
  while (skip < name.size() && IsPathSeparator(name[skip])) ++skip;
  return IncludeTrailingSeparator(folder) + std::string(name.substr(skip));
}

bool IsSafeFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (IsPathSeparator(c) || c == ':' || u < 0x20 || u == 0x7f) return false;
  }
  // Windows drops trailing dots and blanks, which could turn "..." into "..".
  if (Trim(name).find_first_not_of('.') == std::string::npos) return false;
  return true;
}

FileKind FileKindOf(std::string_view path) {
  const std::string ext = UpperFileExt(path);
  if (ext == ".SCR") return FileKind::kScreensaver;
  if (ext == ".LPP") return FileKind::kPackedImage;
  if (ext == ".JPG" || ext == ".JPEG") return FileKind::kJpeg;
  if (ext == ".BMP") return FileKind::kBitmap;
  if (ext == ".GIF") return FileKind::kGif;
  if (ext == ".PNG") return FileKind::kPng;
  return FileKind::kOther;
}

bool IsPlainPicture(std::string_view path) {
  const FileKind k = FileKindOf(path);
  return k == FileKind::kJpeg || k == FileKind::kBitmap || k == FileKind::kGif;
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace lpc
