#include "platform/user_session.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/fileio.h"
#include "platform/wide_text_win32.h"

namespace lpc::platform {

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const wchar_t* kScreensaverValue = L"SCRNSAVE.EXE";

UINT CodePage() { return Utf8Paths() ? CP_UTF8 : CP_ACP; }

std::string Narrow(const wchar_t* text, int length, UINT code_page) {
  if (length <= 0) return {};
  const int n = WideCharToMultiByte(code_page, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, text, length, narrow.data(), n, nullptr, nullptr);
  return narrow;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CodePage(), 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CodePage(), 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  return Narrow(text.data(), static_cast<int>(text.size()), CodePage());
}

}  // namespace

std::wstring WideText(const std::string& text) { return Wide(text); }

std::string NarrowText(const std::wstring& text) { return Narrow(text); }

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(Narrow(wide[i], static_cast<int>(wcslen(wide[i])), CodePage()));
  }
  LocalFree(wide);
  return arguments;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

std::string OwnProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return Narrow(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string UserDataFolder() {
  wchar_t buffer[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) {
    return {};
  }
  return Narrow(buffer);
}

std::optional<std::string> UserScreensaver() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  std::optional<std::string> value;
  if (RegQueryValueExW(key, kScreensaverValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size < 64 * 1024) {
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, kScreensaverValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
      text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
      value = Narrow(text);
    }
  }
  RegCloseKey(key);
  return value;
}

bool SetUserScreensaver(const std::optional<std::string>& path) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LSTATUS status;
  if (path) {
    const std::wstring text = Wide(*path);
    status = RegSetValueExW(key, kScreensaverValue, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  } else {
    status = RegDeleteValueW(key, kScreensaverValue);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

std::string ShortPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring buffer(n, L'\0');
  const DWORD written = GetShortPathNameW(wide.c_str(), buffer.data(), n);
  if (written == 0 || written >= n) return path;
  buffer.resize(written);
  return Narrow(buffer);
}

bool OpenScreensaverSettings() {
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      nullptr, L"open", L"control.exe", L"desk.cpl,,@screensaver", nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace lpc::platform
