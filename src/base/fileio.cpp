#include "base/fileio.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/byte_range.h"
#include "base/errors.h"
#include "base/text_encoding.h"

namespace fs = std::filesystem;

namespace lpc {

namespace {
std::atomic<bool> g_utf8_paths{false};
}

void UseUtf8Paths() { g_utf8_paths = true; }

bool Utf8Paths() { return g_utf8_paths; }

fs::path FsPath(std::string_view path) {
#ifdef _WIN32
  if (g_utf8_paths) {
    // A name that is not UTF-8 comes from a Windows-1252 text (a package written by the
    // Windows tools): read as that code page rather than refused.
    const std::string utf8 = IsUtf8(path) ? std::string(path) : Cp1252ToUtf8(path);
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
  }
#endif
  return fs::path(path);
}

std::string PathText(const fs::path& path) {
#ifdef _WIN32
  if (g_utf8_paths) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
  }
#endif
  return path.string();
}

bool FileExists(const std::string& path) {
  if (FileInPlace(path)) return true;
  std::error_code ec;
  return fs::is_regular_file(FsPath(path), ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(FsPath(path), ec);
}

int64_t FileSize(const std::string& path) {
  if (std::optional<ByteRange> held = FileInPlace(path)) return held->size();
  std::error_code ec;
  const auto size = fs::file_size(FsPath(path), ec);
  if (ec) return -1;
  return static_cast<int64_t>(size);
}

std::string ReadFileBytes(const std::string& path, uint64_t max_bytes) {
  if (std::optional<ByteRange> held = FileInPlace(path)) {
    return held->ReadAll(static_cast<int64_t>(std::min<uint64_t>(max_bytes, INT64_MAX)));
  }
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw FileNotFoundError(path + ": " + kFileNotFound);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw IOError(path + ": cannot determine the file size");
  if (static_cast<uint64_t>(size) > max_bytes) {
    throw FormatError(path, "file too large (" + std::to_string(size) + " bytes)");
  }
  in.seekg(0, std::ios::beg);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && !in.read(bytes.data(), size)) throw ReadError(path + ": " + kReadBeyondEnd);
  return bytes;
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  if (!out) throw IOError(path + ": cannot create the file");
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) throw IOError(path + ": write failed");
}

std::string TempFileNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return path + ".tmp" + std::to_string(stamp % 1000000) + "-" + std::to_string(counter++);
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  const std::string temp_name = TempFileNameBeside(path);
  const fs::path temp = FsPath(temp_name);
  try {
    WriteFileBytes(temp_name, bytes);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw;
  }
  try {
    ReplaceFile(temp_name, path);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw;
  }
}

void ReplaceFile(const std::string& temp, const std::string& target) {
  std::error_code ec;
  fs::rename(FsPath(temp), FsPath(target), ec);
  if (ec) throw IOError(target + ": cannot replace the file (" + ec.message() + ")");
}

}  // namespace lpc
