#include "package/work_folder.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/byte_range.h"
#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "package/package.h"
#include "platform/folders.h"

namespace lpc {

namespace fs = std::filesystem;

std::string GetLongFileName(const std::string& path) { return platform::LongFileName(path); }

std::string GetTempFolder() { return IncludeTrailingSeparator(platform::TempFolder()); }

std::string WorkFolderNameFor(const std::string& exe_path) {
  const std::string long_name = GetLongFileName(exe_path);
  if (long_name.empty()) {
    throw Error(exe_path + ": cannot find the program file to name its work folder");
  }
  const std::string name = FileNameBeforeFirstDot(ExtractFileName(long_name));
  if (!IsSafeFileName(name)) {
    throw Error(long_name + ": the program's file name gives no usable work folder name");
  }
  return IncludeTrailingSeparator(GetTempFolder() + name + "-" + ProgramPathTag(long_name));
}

std::string ProgramPathTag(const std::string& long_path) {
  // FNV-1a: stable across runs, builds and systems, which is all a folder name needs.
  uint32_t hash = 2166136261u;
  for (const char c : long_path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hash));
  return text;
}

bool EmptyWorkFolder(const std::string& folder) {
  const std::string temp = GetTempFolder();
  const std::string dir = IncludeTrailingSeparator(folder);
  // The temporary folder itself or anything outside it is never emptied.
  if (dir.size() <= temp.size() || !dir.starts_with(temp)) return false;
  const fs::path path = FsPath(dir.substr(0, dir.size() - 1));
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(path, ec))) return false;
  bool all = true;
  fs::directory_iterator it(path, ec);
  if (ec) return false;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (it->path().filename() == platform::kFolderLockName) continue;  // the holder's own
    std::error_code removed;
    fs::remove_all(it->path(), removed);  // a link goes, never what it points at
    if (removed) all = false;
  }
  return all && !ec;
}

std::string GetWorkFolderFor(const std::string& exe_path) {
  const std::string folder = WorkFolderNameFor(exe_path);
  if (!DirectoryExists(folder)) platform::CreateFolder(folder);
  return folder;
}

std::string GetWorkFolder() { return GetWorkFolderFor(platform::ProgramPath()); }

namespace {

std::string WithoutSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

// Every folder this process holds, the newest last (a reload holds its new folder beside the
// old one for a moment). The lock is held through a whole claim, so a stop that arrives in the
// middle of one waits for it and then finds every folder the claim made or took over.
std::mutex g_held_mutex;
std::vector<PrivateWorkFolder*> g_held;
// Set by RemoveActive: the process is ending, and no new folder may be made behind the stop.
// Read without the lock by Stopping.
std::atomic<bool> g_stopping = false;

// Removes an empty folder; a link of that name is never followed.
void RemoveEmptyFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path p = FsPath(WithoutSeparator(folder));
  if (fs::is_directory(fs::symlink_status(p, ec))) fs::remove(p, ec);  // only when empty
}

}  // namespace

PrivateWorkFolder::PrivateWorkFolder(std::string path, std::unique_ptr<platform::FolderLock> lock)
    : path_(std::move(path)), lock_(std::move(lock)) {}

std::unique_ptr<PrivateWorkFolder> PrivateWorkFolder::Claim(const std::string& base,
                                                            const Cleaner& remove_leftovers) {
  const std::string trimmed = WithoutSeparator(base);
  std::lock_guard<std::mutex> guard(g_held_mutex);
  if (g_stopping) throw IOError(base + ": no work folder is made while the program ends");
  std::unique_ptr<PrivateWorkFolder> chosen;
  for (int n = 1; n <= kMaxInstances; ++n) {
    const std::string folder =
        IncludeTrailingSeparator(n == 1 ? trimmed : trimmed + "." + std::to_string(n));
    std::error_code ec;
    const bool existed = fs::exists(fs::symlink_status(FsPath(WithoutSeparator(folder)), ec));
    if (!existed && chosen) continue;  // nothing to take, nothing to clean
    std::unique_ptr<platform::FolderLock> lock;
    if (platform::ClaimFolder(folder, lock) != platform::FolderClaim::kClaimed) continue;
    if (existed && remove_leftovers) remove_leftovers(folder);
    if (!chosen) {
      chosen.reset(new PrivateWorkFolder(folder, std::move(lock)));
    } else {
      lock->Release();
      RemoveEmptyFolder(folder);
    }
  }
  if (!chosen)
    throw IOError(base + ": no work folder can be made here (every one is in use or not safe)");
  g_held.push_back(chosen.get());
  return chosen;
}

PrivateWorkFolder::~PrivateWorkFolder() {
  // Removed before it leaves the list: a stop in between still finds nothing left behind.
  Remove();
  std::lock_guard<std::mutex> guard(g_held_mutex);
  std::erase(g_held, this);
}

std::ofstream PrivateWorkFolder::CreateOutput(const std::string& path) {
  // Opened under the lock: a Remove on another thread then finds the file it must delete.
  std::lock_guard<std::mutex> guard(mutex_);
  if (removed_) throw IOError(path + ": cannot create the file (the run is ending)");
  created_.push_back(path);
  std::ofstream out;
  if (platform::CreateFreshFile(path)) out.open(FsPath(path), std::ios::binary | std::ios::trunc);
  if (!out.is_open()) throw IOError(path + ": cannot create the file");
  return out;
}

void PrivateWorkFolder::Remove() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (removed_) return;
  removed_ = true;
  for (const std::string& file : created_) {
    std::error_code ec;
    fs::remove(FsPath(file), ec);  // a link that replaced it goes, never its target
  }
  created_.clear();
  if (lock_) lock_->Release();
  RemoveEmptyFolder(path_);
}

void PrivateWorkFolder::RemoveActive() {
  std::lock_guard<std::mutex> guard(g_held_mutex);
  g_stopping = true;
  for (PrivateWorkFolder* folder : g_held) folder->Remove();
}

bool PrivateWorkFolder::Stopping() { return g_stopping; }

bool PrivateWorkFolder::UnlessStopping(const std::function<void()>& action) {
  std::lock_guard<std::mutex> guard(g_held_mutex);
  if (g_stopping) return false;
  action();
  return true;
}

std::string PrivateWorkFolder::FileOnDisk(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_held_mutex);
  const std::optional<ByteRange> held = FileInPlace(path);
  if (!held) return path;
  if (g_held.empty()) throw IOError(path + ": cannot create the file (no work folder)");
  // The folder the name is in; the newest one for a name outside them all.
  PrivateWorkFolder* owner = g_held.back();
  for (PrivateWorkFolder* folder : g_held) {
    if (path.starts_with(folder->Path())) owner = folder;
  }
  WriteRangeToFile(*held, path,
                   [owner](const std::string& file) { return owner->CreateOutput(file); });
  ReleaseFileInPlace(path);
  return path;
}

}  // namespace lpc
