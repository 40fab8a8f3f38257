#include "base/fileio.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

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
  std::error_code folder_ec;
  if (fs::is_directory(FsPath(path), folder_ec)) {
    throw IOError(path + ": cannot read the file (it is a folder)");
  }
  errno = 0;
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) {
    const int error = errno;
    std::error_code ec;
    if (error == ENOENT || !fs::exists(FsPath(path), ec)) {
      throw FileNotFoundError(path + ": " + kFileNotFound);
    }
    throw IOError(path + ": cannot read the file (" + SystemReason(error) + ")");
  }
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
  errno = 0;
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  if (!out) throw IOError(path + ": cannot create the file (" + SystemReason(errno) + ")");
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) throw IOError(path + ": write failed (" + SystemReason(errno) + ")");
}

namespace {

// The temporary files of the writes in progress, for a stop that removes them.
std::mutex g_writes_mutex;
std::set<std::string> g_unfinished;
bool g_writes_stopped = false;

std::string RandomSuffix() {
  static std::mutex mutex;
  static std::random_device device;
  std::lock_guard<std::mutex> guard(mutex);
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string out;
  for (int i = 0; i < 3; ++i) {
    uint32_t bits = device();
    for (int j = 0; j < 4; ++j, bits >>= 8) out += kDigits[(bits & 0xFF) % 36];
  }
  return out;
}

#ifdef _WIN32
int OpenExclusive(const std::string& path) {
  return _wopen(FsPath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const char* data, size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<size_t>(size, 1u << 30)));
}
int SyncFile(int fd) { return _commit(fd); }
int CloseFile(int fd) { return _close(fd); }
#else
int OpenExclusive(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}
ssize_t WriteSome(int fd, const char* data, size_t size) { return write(fd, data, size); }
int SyncFile(int fd) { return fsync(fd); }
int CloseFile(int fd) { return close(fd); }
#endif

}  // namespace

std::string SystemReason(int error) {
  if (error == 0) return "unknown reason";
  return std::generic_category().message(error);
}

std::string WriteTarget(const std::string& path, LinkRule rule) {
  if (rule == LinkRule::kReplace) return path;
  fs::path current = FsPath(path);
  // A chain of links ends after this many; a loop would otherwise never end.
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(current, ec);
    if (ec || !fs::is_symlink(status)) {
      if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        throw IOError(path + ": cannot write the file (it is " +
                      (fs::is_directory(status) ? "a folder" : "not a regular file") + ")");
      }
      return PathText(current);
    }
#ifndef _WIN32
    struct stat st {};
    if (lstat(current.c_str(), &st) == 0 && st.st_uid != geteuid()) {
      throw IOError(path + ": not written, since " + PathText(current) +
                    " is a link that belongs to another user");
    }
#endif
    fs::path next = fs::read_symlink(current, ec);
    if (ec) throw IOError(path + ": cannot follow the link (" + ec.message() + ")");
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  throw IOError(path + ": cannot write the file (too many levels of links)");
}

// A stream buffer over the temporary file's descriptor, so writers that take a stream write
// through the same exclusively created file.
class AtomicFileWriter::Buffer : public std::streambuf {
 public:
  explicit Buffer(AtomicFileWriter& owner) : owner_(owner) { setp(data_, data_ + sizeof data_); }
  bool failed() const { return failed_; }
  int sync() override { return Drain() ? 0 : -1; }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }

 private:
  bool Drain() {
    const size_t n = static_cast<size_t>(pptr() - pbase());
    setp(data_, data_ + sizeof data_);
    if (failed_) return false;
    try {
      owner_.Write(std::string_view(data_, n));
    } catch (const std::exception&) {
      failed_ = true;
    }
    return !failed_;
  }
  AtomicFileWriter& owner_;
  char data_[1 << 16];
  bool failed_ = false;
};

AtomicFileWriter::AtomicFileWriter(const std::string& path, LinkRule rule)
    : path_(path), target_(WriteTarget(path, rule)) {
  std::lock_guard<std::mutex> guard(g_writes_mutex);
  if (g_writes_stopped) throw IOError(path_ + ": not written, since the program is ending");
  int error = 0;
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    temp_ = target_ + ".tmp" + RandomSuffix();
    errno = 0;
    fd_ = OpenExclusive(temp_);
    error = errno;
    if (fd_ < 0 && error != EEXIST) break;
  }
  if (fd_ < 0) {
    throw IOError(path_ + ": cannot write the file (" + SystemReason(error) + ")");
  }
  g_unfinished.insert(temp_);
#ifndef _WIN32
  // The new file takes the place of the old one: same mode, and the same owner and group where
  // the process may give them (root may; a user may keep the group when a member of it).
  struct stat st {};
  if (stat(target_.c_str(), &st) == 0) {
    if (st.st_uid != geteuid() || st.st_gid != getegid()) {
      // Refused for a user who may not give files away: the file then stays the user's own.
      [[maybe_unused]] const bool kept = fchown(fd_, st.st_uid, st.st_gid) == 0 ||
                                         fchown(fd_, static_cast<uid_t>(-1), st.st_gid) == 0;
    }
    fchmod(fd_, st.st_mode & 07777);
  }
#endif
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) CloseFile(fd_);
  if (committed_) return;
  std::lock_guard<std::mutex> guard(g_writes_mutex);
  if (g_unfinished.erase(temp_) > 0) {
    std::error_code ignored;
    fs::remove(FsPath(temp_), ignored);
  }
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) throw IOError(path_ + ": write failed (the file is closed)");
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    errno = 0;
    const auto n = WriteSome(fd_, data, left);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      throw IOError(path_ + ": write failed (" + SystemReason(errno) + ")");
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
}

std::ostream& AtomicFileWriter::Stream() {
  if (!stream_) {
    buffer_ = std::make_unique<Buffer>(*this);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
  }
  return *stream_;
}

void AtomicFileWriter::MakeExecutable() {
#ifndef _WIN32
  struct stat st {};
  if (fstat(fd_, &st) == 0) fchmod(fd_, (st.st_mode & 07777) | 0111);
#endif
}

void AtomicFileWriter::TakeModeOf(const std::string& path) {
#ifndef _WIN32
  struct stat st {};
  if (stat(PathText(FsPath(path)).c_str(), &st) == 0) fchmod(fd_, st.st_mode & 07777);
#else
  (void)path;
#endif
}

void AtomicFileWriter::Commit() {
  if (stream_) {
    stream_->flush();
    if (!*stream_ || buffer_->failed()) {
      // Write already named the reason when it threw inside the buffer; say it again plainly.
      throw IOError(path_ + ": write failed");
    }
  }
  errno = 0;
  if (SyncFile(fd_) != 0) throw IOError(path_ + ": write failed (" + SystemReason(errno) + ")");
  const int closed = CloseFile(fd_);
  fd_ = -1;
  if (closed != 0) throw IOError(path_ + ": write failed (" + SystemReason(errno) + ")");
  std::lock_guard<std::mutex> guard(g_writes_mutex);
  if (g_writes_stopped || g_unfinished.count(temp_) == 0) {
    throw IOError(path_ + ": not written, since the program is ending");
  }
  std::error_code ec;
  fs::rename(FsPath(temp_), FsPath(target_), ec);
  if (ec) throw IOError(path_ + ": cannot replace the file (" + ec.message() + ")");
  g_unfinished.erase(temp_);
  committed_ = true;
}

void CommitTogether(const std::vector<AtomicFileWriter*>& writers) {
  // What each target held before, read before the first rename.
  std::vector<std::optional<std::string>> before;
  for (AtomicFileWriter* w : writers) {
    std::error_code ec;
    if (fs::is_regular_file(FsPath(w->Target()), ec)) {
      before.emplace_back(ReadFileBytes(w->Target()));
    } else {
      before.emplace_back(std::nullopt);
    }
  }
  for (size_t i = 0; i < writers.size(); ++i) {
    try {
      writers[i]->Commit();
    } catch (...) {
      for (size_t j = 0; j < i; ++j) {
        try {
          if (before[j]) {
            WriteFileAtomic(writers[j]->Target(), *before[j], LinkRule::kReplace);
          } else {
            std::error_code ignored;
            fs::remove(FsPath(writers[j]->Target()), ignored);
          }
        } catch (const std::exception&) {
          // The first failure is the one to report; this one leaves the new file in place.
        }
      }
      throw;
    }
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(FsPath(a), FsPath(b), ec)) return true;
  const auto place = [](const std::string& path) {
    std::error_code ignored;
    fs::path p = FsPath(path);
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ignored)); ++hops) {
      const fs::path next = fs::read_symlink(p, ignored);
      p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return fs::weakly_canonical(fs::absolute(p, ignored), ignored).lexically_normal();
  };
  return place(a) == place(b);
}

void RemoveUnfinishedWrites() {
  std::lock_guard<std::mutex> guard(g_writes_mutex);
  g_writes_stopped = true;
  for (const std::string& temp : g_unfinished) {
    std::error_code ignored;
    fs::remove(FsPath(temp), ignored);
  }
  g_unfinished.clear();
}

void WriteFileAtomic(const std::string& path, std::string_view bytes, LinkRule rule) {
  AtomicFileWriter file(path, rule);
  file.Write(bytes);
  file.Commit();
}

}  // namespace lpc
