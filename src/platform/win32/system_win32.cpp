// System services of the Win32 platform: the registry under HKEY_CURRENT_USER, the desktop
// wallpaper, the screensaver password providers, the shell and the OS family.
#include <cstring>

#include "base/numbers.h"
#include "platform/folders.h"
#include "platform/win32/win32_internal.h"

namespace lpc::platform::win32 {

namespace {

// Registry values the runtime reads are short; anything larger is not ours.
constexpr DWORD kMaxRegistryValue = 64 * 1024;

std::string KeyPath(const std::string& key) {
  size_t start = 0;
  while (start < key.size() && (key[start] == '\\' || key[start] == '/')) ++start;
  return key.substr(start);
}

class RegKey {
 public:
  RegKey(const std::string& key, bool create) {
    const std::string path = KeyPath(key);
    LONG rc;
    if (create) {
      rc = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    } else {
      rc = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key_);
    }
    if (rc != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The value's type and bytes; nullopt when it is missing or too large.
std::optional<std::pair<DWORD, std::string>> QueryValue(const std::string& key,
                                                        const std::string& name) {
  RegKey k(key, false);
  if (!k) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      size > kMaxRegistryValue) {
    return std::nullopt;
  }
  std::string data(size, '\0');
  if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(std::min<size_t>(size, data.size()));
  return std::make_pair(type, data);
}

std::string WithoutTerminator(std::string s) {
  const size_t zero = s.find('\0');
  if (zero != std::string::npos) s.resize(zero);
  return s;
}

// A library of the system folder, by full path: a provider DLL of the same name in the
// program's folder or the current folder must never be picked up instead.
HMODULE LoadSystemLibrary(const char* name) {
  const std::string path = SystemFolder() + name;
  return LoadLibraryA(path.c_str());
}

using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND);

}  // namespace

bool Win32Platform::RegistryKeyExists(const std::string& key) {
  return static_cast<bool>(RegKey(key, false));
}

std::optional<std::string> Win32Platform::ReadRegistryString(const std::string& key,
                                                             const std::string& name) {
  auto value = QueryValue(key, name);
  if (!value) return std::nullopt;
  if (value->first != REG_SZ && value->first != REG_EXPAND_SZ) return std::nullopt;
  return WithoutTerminator(value->second);
}

std::optional<int32_t> Win32Platform::ReadRegistryInteger(const std::string& key,
                                                          const std::string& name) {
  auto value = QueryValue(key, name);
  if (!value) return std::nullopt;
  const auto& [type, data] = *value;
  if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
    DWORD v = 0;
    memcpy(&v, data.data(), sizeof v);
    return static_cast<int32_t>(v);
  }
  // Some tools store numbers as text ("1"); read those the way ini values are read.
  if (type == REG_SZ) return TryStrToInt(WithoutTerminator(data));
  return std::nullopt;
}

bool Win32Platform::WriteRegistryString(const std::string& key, const std::string& name,
                                        const std::string& value) {
  RegKey k(key, true);
  if (!k) return false;
  return RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool Win32Platform::WriteRegistryInteger(const std::string& key, const std::string& name,
                                         int32_t value) {
  RegKey k(key, true);
  if (!k) return false;
  const DWORD v = static_cast<DWORD>(value);
  return RegSetValueExA(k.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                        sizeof v) == ERROR_SUCCESS;
}

bool Win32Platform::SetDesktopWallpaper(const std::string& bmp_file, const Bitmap&) {
  // The system reads the file itself. Saved to the user profile only; the change is not
  // broadcast to other programs.
  return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(bmp_file.c_str()),
                               SPIF_UPDATEINIFILE) != FALSE;
}

bool Win32Platform::HasPasswordProvider() {
  HMODULE mpr = LoadSystemLibrary("MPR.DLL");
  if (!mpr) return false;
  const bool found = GetProcAddress(mpr, "PwdChangePasswordA") != nullptr;
  FreeLibrary(mpr);
  return found;
}

bool Win32Platform::ChangePassword(NativeHandle parent) {
  HMODULE mpr = LoadSystemLibrary("MPR.DLL");
  if (!mpr) return false;
  auto change = reinterpret_cast<PwdChangePasswordFn>(
      reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
  if (change) {
    // The provider's own result is not looked at: it has shown whatever the user needs.
    change("SCRSAVE", reinterpret_cast<HWND>(static_cast<uintptr_t>(parent)), 0, 0);
  }
  FreeLibrary(mpr);
  return change != nullptr;
}

PasswordCheck Win32Platform::VerifyScreenSavePassword(Window& window) {
  HMODULE cpl = LoadSystemLibrary("PASSWORD.CPL");
  if (!cpl) return PasswordCheck::kUnavailable;
  auto verify = reinterpret_cast<VerifyScreenSavePwdFn>(
      reinterpret_cast<void*>(GetProcAddress(cpl, "VerifyScreenSavePwd")));
  PasswordCheck result = PasswordCheck::kUnavailable;
  if (verify) {
    HWND owner = IsLive(&window) ? static_cast<Win32Window&>(window).hwnd() : nullptr;
    ++message_box_depth_;  // the provider's dialog runs its own loop over our window
    result = verify(owner) ? PasswordCheck::kAccepted : PasswordCheck::kRefused;
    --message_box_depth_;
  }
  FreeLibrary(cpl);
  return result;
}

void Win32Platform::SetScreenSaverRunning(bool running) {
  // Only Windows 95/98/Me use the flag (it blocks Ctrl+Alt+Del and task switching there).
  if (GetOsFamily() != OsFamily::kWindows9x) return;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, nullptr, 0);
}

bool Win32Platform::OpenDocument(const std::string& target) {
  const HINSTANCE rc = ShellExecuteA(nullptr, "Open", target.c_str(), "", "", SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(rc) > 32;
}

OsFamily Win32Platform::GetOsFamily() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return OsFamily::kWindowsNT;
  return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? OsFamily::kWindows9x
                                                         : OsFamily::kWindowsNT;
}

// CF_TEXT is text in the ANSI code page, which is the program's own encoding.
std::string Win32Platform::ClipboardText() {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(nullptr)) return "";
  std::string out;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* text = static_cast<const char*>(GlobalLock(data))) {
      out.assign(text, strnlen(text, GlobalSize(data)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return out;
}

void Win32Platform::SetClipboardText(const std::string& text) {
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!data) return;
  if (char* dest = static_cast<char*>(GlobalLock(data))) {
    memcpy(dest, text.c_str(), text.size() + 1);
    GlobalUnlock(data);
  }
  if (!OpenClipboard(nullptr)) {
    GlobalFree(data);
    return;
  }
  EmptyClipboard();
  // The clipboard owns the memory once it took it.
  if (!SetClipboardData(CF_TEXT, data)) GlobalFree(data);
  CloseClipboard();
}

}  // namespace lpc::platform::win32
