// Registry-like values kept in an ini file: one section per key path, one line per value.
// Used where the host has no registry (Linux) and, in memory, by the headless backend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ini.h"

namespace lpc::platform {

class IniRegistry {
 public:
  // path "" keeps the values in memory only. `profile_keys` exist from the start, as the keys
  // of a fresh Windows user profile do, without anything being written for them.
  explicit IniRegistry(const std::string& path, std::vector<std::string> profile_keys = {});

  bool KeyExists(const std::string& key) const;
  std::optional<std::string> ReadString(const std::string& key, const std::string& name) const;
  // nullopt when missing or not an integer.
  std::optional<int32_t> ReadInteger(const std::string& key, const std::string& name) const;
  // false when the file cannot be written.
  bool WriteString(const std::string& key, const std::string& name, const std::string& value);
  bool WriteInteger(const std::string& key, const std::string& name, int32_t value);

  // "\Control Panel\desktop" and "Control Panel\Desktop" name the same key; section names
  // compare without regard to case already, so only the separators need tidying.
  static std::string NormalKey(const std::string& key);

 private:
  IniFile ini_;
  std::vector<std::string> profile_keys_;
};

// The keys every Windows user profile has and the runtime relies on: the desktop settings.
// The registry of a desktop session starts with them, so that the wallpaper service, which
// never creates its key, works on a fresh account. (The headless registry starts empty: tests
// make the keys they need.)
std::vector<std::string> StandardProfileKeys();

// $XDG_CONFIG_HOME/lpcsaver/registry.ini, or ~/.config/lpcsaver/registry.ini ("" when neither
// variable is set).
std::string DefaultRegistryPath();

}  // namespace lpc::platform
