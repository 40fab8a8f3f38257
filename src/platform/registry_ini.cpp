#include "platform/registry_ini.h"

#include <algorithm>
#include <cstdlib>

#include "base/numbers.h"
#include "base/paths.h"
#include "platform/folders.h"

namespace lpc::platform {

IniRegistry::IniRegistry(const std::string& path, std::vector<std::string> profile_keys)
    : ini_(path.empty() ? IniFile::FromText("") : IniFile(path)),
      profile_keys_(std::move(profile_keys)) {
  for (std::string& key : profile_keys_) key = NormalKey(key);
}

std::vector<std::string> StandardProfileKeys() { return {"Control Panel\\Desktop"}; }

std::string IniRegistry::NormalKey(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '/') c = '\\';
    // Drop leading and doubled separators.
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

bool IniRegistry::KeyExists(const std::string& key) const {
  const std::string section = NormalKey(key);
  if (ini_.SectionExists(section)) return true;
  return std::any_of(profile_keys_.begin(), profile_keys_.end(),
                     [&](const std::string& k) { return SameText(k, section); });
}

std::optional<std::string> IniRegistry::ReadString(const std::string& key,
                                                   const std::string& name) const {
  const std::string section = NormalKey(key);
  if (!ini_.ValueExists(section, name)) return std::nullopt;
  return ini_.ReadString(section, name);
}

std::optional<int32_t> IniRegistry::ReadInteger(const std::string& key,
                                                const std::string& name) const {
  const auto text = ReadString(key, name);
  if (!text) return std::nullopt;
  return TryStrToInt(*text);
}

bool IniRegistry::WriteString(const std::string& key, const std::string& name,
                              const std::string& value) {
  try {
    ini_.WriteString(NormalKey(key), name, value);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool IniRegistry::WriteInteger(const std::string& key, const std::string& name, int32_t value) {
  return WriteString(key, name, std::to_string(value));
}

std::string DefaultRegistryPath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    return {};
  }
  if (base.back() != '/') base += '/';
  CreateFolder(base);
  CreateFolder(base + "lpcsaver");
  return base + "lpcsaver/registry.ini";
}

}  // namespace lpc::platform
