#include "base/byte_range.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"

namespace lpc {

// One open file shared by every range made from it. The show's loader thread and the window's
// thread read at once, so reads take turns.
struct ByteRange::OpenFile {
  std::string path;
  std::mutex mutex;
  std::ifstream in;
  int64_t size = 0;
};

namespace {

// Never destroyed: a picture load the show abandoned may still look a name up on its own
// thread while the process ends.
std::mutex& g_held_mutex = *new std::mutex;
std::map<std::string, ByteRange>& HeldFiles() {
  static auto* held = new std::map<std::string, ByteRange>;
  return *held;
}

// Names in a work folder compare as the system compares file names: without regard to case on
// Windows.
std::string HeldKey(const std::string& path) {
#ifdef _WIN32
  std::string key = path;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '/') c = '\\';
  }
  return key;
#else
  return path;
#endif
}

void Check(const std::string& name, int64_t size, int64_t offset, int64_t n) {
  if (offset < 0 || n < 0 || offset > size || n > size - offset) {
    throw ReadError(name + ": " + kReadBeyondEnd);
  }
}

}  // namespace

ByteRange ByteRange::OfFile(const std::string& path) {
  if (std::optional<ByteRange> held = FileInPlace(path)) return *held;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(FsPath(path), ec)) {
    throw FileNotFoundError(path + ": " + kFileNotFound);
  }
  auto file = std::make_shared<OpenFile>();
  file->path = path;
  file->in.open(FsPath(path), std::ios::binary);
  if (!file->in) throw FileNotFoundError(path + ": " + kFileNotFound);
  file->in.seekg(0, std::ios::end);
  file->size = std::max<int64_t>(0, static_cast<int64_t>(file->in.tellg()));
  ByteRange range;
  range.name_ = path;
  range.size_ = file->size;
  range.file_ = std::move(file);
  return range;
}

ByteRange ByteRange::OfFilePart(const std::string& path, int64_t offset, int64_t size,
                                std::string name) {
  return OfFile(path).Sub(offset, size, std::move(name));
}

ByteRange ByteRange::OfMemory(std::string_view bytes, std::string name) {
  ByteRange range;
  range.name_ = std::move(name);
  range.memory_ = bytes;
  range.size_ = static_cast<int64_t>(bytes.size());
  return range;
}

const std::string& ByteRange::file() const {
  static const std::string none;
  return file_ ? file_->path : none;
}

void ByteRange::Read(int64_t offset, void* out, int64_t n) const {
  Check(name_, size_, offset, n);
  if (n == 0) return;
  if (!file_) {
    std::memcpy(out, memory_.data() + offset, static_cast<size_t>(n));
    return;
  }
  std::lock_guard<std::mutex> guard(file_->mutex);
  file_->in.clear();
  file_->in.seekg(offset_ + offset);
  file_->in.read(static_cast<char*>(out), n);
  // The file may have been cut short since it was opened.
  if (file_->in.gcount() != n) throw ReadError(name_ + ": " + kReadBeyondEnd);
}

std::string ByteRange::ReadString(int64_t offset, int64_t n, int64_t max_bytes) const {
  if (n > max_bytes) {
    throw FormatError(name_, Format("%lld bytes are more than the %lld allowed",
                                    static_cast<long long>(n), static_cast<long long>(max_bytes)));
  }
  Check(name_, size_, offset, n);
  std::string bytes(static_cast<size_t>(n), '\0');
  Read(offset, bytes.data(), n);
  return bytes;
}

std::string ByteRange::ReadAll(int64_t max_bytes) const {
  if (size_ > max_bytes) {
    throw FormatError(name_, "file too large (" + std::to_string(size_) + " bytes)");
  }
  return ReadString(0, size_, max_bytes);
}

ByteRange ByteRange::Sub(int64_t offset, int64_t size, std::string name) const {
  Check(name, size_, offset, size);
  ByteRange part = *this;
  part.name_ = std::move(name);
  part.offset_ = offset_ + offset;
  part.size_ = size;
  if (!file_) part.memory_ = memory_.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
  return part;
}

void HoldFileInPlace(const std::string& path, const ByteRange& range) {
  // The range answers to the name it stands for: errors of its readers name the file.
  ByteRange named = range.Sub(0, range.size(), path);
  std::lock_guard<std::mutex> guard(g_held_mutex);
  HeldFiles().insert_or_assign(HeldKey(path), std::move(named));
}

std::optional<ByteRange> FileInPlace(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_held_mutex);
  auto& held = HeldFiles();
  if (held.empty()) return std::nullopt;
  auto it = held.find(HeldKey(path));
  if (it == held.end()) return std::nullopt;
  return it->second;
}

void ReleaseFileInPlace(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_held_mutex);
  HeldFiles().erase(HeldKey(path));
}

void ReleaseFilesInPlace(const std::string& folder) {
  const std::string prefix = HeldKey(folder);
  std::lock_guard<std::mutex> guard(g_held_mutex);
  auto& held = HeldFiles();
  for (auto it = held.lower_bound(prefix); it != held.end() && it->first.starts_with(prefix);) {
    it = held.erase(it);
  }
}

}  // namespace lpc
