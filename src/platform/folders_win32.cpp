#include "platform/folders.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "platform/wide_text_win32.h"

namespace lpc::platform {

namespace {

std::string WithTrailingBackslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

// Calls a "fill this buffer" API until the buffer is large enough. The functions used here
// return the length without the terminator on success and the needed size (with it) when the
// buffer is too small; 0 means failure.
template <typename Fill>
std::string FillString(Fill fill) {
  std::string buffer(MAX_PATH + 1, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(static_cast<size_t>(n) + 1, '\0');
  }
  return {};
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The directory part of p without its trailing separator, except that a drive root keeps it
// ("C:\dir" -> "C:\", "C:\dir\file" -> "C:\dir").
std::string ParentOf(const std::string& p) {
  size_t cut = p.size();
  while (cut > 0 && !IsSeparator(p[cut - 1])) --cut;
  if (cut == 0) return {};
  std::string parent = p.substr(0, cut);
  if (parent.size() == 3 && parent[1] == ':') return parent;
  while (parent.size() > 1 && IsSeparator(parent.back())) parent.pop_back();
  return parent;
}

}  // namespace

std::string TempFolder() {
  const std::string dir =
      FillString([](char* buffer, DWORD size) { return GetTempPathA(size, buffer); });
  if (dir.empty()) throw IOError("cannot find the temporary folder");
  return WithTrailingBackslash(dir);
}

std::string WindowsFolder() {
  return WithTrailingBackslash(
      FillString([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); }));
}

std::string SystemFolder() {
  return WithTrailingBackslash(
      FillString([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); }));
}

std::string LongFileName(const std::string& path) {
  if (path.find("\\\\") != std::string::npos || path.find('*') != std::string::npos ||
      path.find('?') != std::string::npos) {
    return {};
  }
  if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};

  // A relative path is made absolute first; otherwise the walk below would end without a
  // drive and give a path rooted at the wrong place.
  std::string p = FillString([&path](char* buffer, DWORD size) {
    return GetFullPathNameA(path.c_str(), size, buffer, nullptr);
  });
  if (p.empty() || p.find("\\\\") != std::string::npos) return {};
  while (p.size() > 3 && IsSeparator(p.back())) p.pop_back();

  // Each search returns the component's name as the file system lists it, which replaces a
  // short 8.3 alias by the long name. The search on a drive root finds nothing and ends it.
  std::vector<std::string> names;  // last component first
  WIN32_FIND_DATAA found;
  for (;;) {
    const HANDLE search = FindFirstFileA(p.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) break;
    FindClose(search);
    names.emplace_back(found.cFileName);
    p = ParentOf(p);
    if (p.size() <= 2) break;
  }
  std::string result = (p.size() >= 2 && p[1] == ':') ? p.substr(0, 2) : std::string();
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    result += '\\';
    result += *name;
  }
  return result;
}

std::string ProgramPath(const std::string&) {
  return FillString([](char* buffer, DWORD size) -> DWORD {
    const DWORD n = GetModuleFileNameA(nullptr, buffer, size);
    // GetModuleFileNameA returns the buffer size when it had to truncate.
    return n >= size ? size + MAX_PATH : n;
  });
}

bool CreateFolder(const std::string& path) {
  const std::wstring wide = WideText(path);
  if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

const char* const kFolderLockName = ".lpcsaver.lock";

namespace {

class Win32FolderLock : public FolderLock {
 public:
  explicit Win32FolderLock(HANDLE handle) : handle_(handle) {}
  ~Win32FolderLock() override { Release(); }
  // The file was opened to be deleted on close, which also happens when the process dies.
  void Release() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

bool IsRealFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

FolderClaim ClaimFolder(const std::string& folder, std::unique_ptr<FolderLock>& lock) {
  lock.reset();
  std::string dir = folder;
  while (dir.size() > 3 && IsSeparator(dir.back())) dir.pop_back();
  if (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return FolderClaim::kUnusable;
  }
  if (!IsRealFolder(dir)) return FolderClaim::kUnusable;
  const std::string lock_path = dir + "\\" + kFolderLockName;
  // No sharing: a second open fails while the holder lives.
  const HANDLE handle = CreateFileA(lock_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE |
                                        FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                   error == ERROR_PATH_NOT_FOUND
               ? FolderClaim::kBusy
               : FolderClaim::kUnusable;
  }
  lock = std::make_unique<Win32FolderLock>(handle);
  return FolderClaim::kClaimed;
}

bool CreateFreshFile(const std::string& path) {
  const std::wstring wide = WideText(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // A link or junction goes itself; what it points at stays.
    const bool folder_link = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder_link && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    if (folder_link ? !RemoveDirectoryW(wide.c_str()) : !DeleteFileW(wide.c_str())) return false;
  }
  const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

namespace {

std::mutex g_stop_mutex;
std::vector<std::function<void()>> g_on_stop;

BOOL WINAPI OnConsoleStop(DWORD) {
  RemoveUnfinishedWrites();
  std::lock_guard<std::mutex> guard(g_stop_mutex);
  for (const auto& on_stop : g_on_stop) on_stop();
  return FALSE;  // the default handler then ends the process
}

}  // namespace

void InstallStopHandler(std::function<void()> on_stop) {
  std::lock_guard<std::mutex> guard(g_stop_mutex);
  if (on_stop) g_on_stop.push_back(std::move(on_stop));
  static const bool installed = SetConsoleCtrlHandler(OnConsoleStop, TRUE) != 0;
  (void)installed;
}

}  // namespace lpc::platform
