#include "base/ini.h"

#include <cctype>
#include <unordered_set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"

namespace lpc {

namespace {

// Largest ini file we are prepared to read; settings files are a few kilobytes.
constexpr uint64_t kMaxIniBytes = 64ull << 20;

// Trim without a copy: every lookup walks the lines, so this runs for each line of the file.
std::string_view TrimmedView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool IsHeader(const std::string& line, std::string* name) {
  const std::string_view t = TrimmedView(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  if (name) *name = Trim(t.substr(1, close - 1));
  return true;
}

bool IsComment(const std::string& line) {
  const std::string_view t = TrimmedView(line);
  return t.empty() || t.front() == ';';
}

// Splits "key = value" into its parts; a line without "=" is a key without value.
void SplitLine(const std::string& line, std::string* key, std::string* value) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos) {
    *key = Trim(line);
    value->clear();
    return;
  }
  *key = Trim(std::string_view(line).substr(0, eq));
  std::string v = Trim(std::string_view(line).substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  *value = v;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  if (FileExists(path_)) {
    try {
      Parse(ReadFileBytes(path_, kMaxIniBytes));
    } catch (const FileNotFoundError&) {
      lines_.clear();  // gone since it was seen
    } catch (const FormatError&) {
      lines_.clear();
    }
  }
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

void IniFile::Parse(std::string_view text) {
  lines_.clear();
  // Editors on Windows save "UTF-8" with a byte order mark; it is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    lines_.emplace_back(text.substr(pos, end - pos));
    pos = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
  }
}

int IniFile::FindSection(std::string_view section) const {
  const std::string want = Trim(section);
  std::string name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (IsHeader(lines_[i], &name) && SameText(name, want)) return static_cast<int>(i);
  }
  return -1;
}

int IniFile::SectionEnd(int header) const {
  int i = header + 1;
  while (i < static_cast<int>(lines_.size()) && !IsHeader(lines_[i], nullptr)) ++i;
  return i;
}

int IniFile::FindKey(int header, std::string_view key) const {
  const std::string_view want = TrimmedView(key);
  const int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    if (IsComment(lines_[i])) continue;
    const std::string_view line = lines_[i];
    // The key part as SplitLine takes it.
    if (SameText(TrimmedView(line.substr(0, line.find('='))), want)) return i;
  }
  return -1;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def, size_t max_length) const {
  std::string result(def);
  const int header = FindSection(section);
  if (header >= 0) {
    const int line = FindKey(header, key);
    if (line >= 0) {
      std::string k;
      SplitLine(lines_[line], &k, &result);
    }
  }
  if (result.size() > max_length) result.resize(max_length);
  return result;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const int header = FindSection(section);
  const int line = header < 0 ? -1 : FindKey(header, key);
  if (line < 0) return def;
  std::string k, value;
  SplitLine(lines_[line], &k, &value);
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return StrToIntDef(value, def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) >= 0; }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  const int header = FindSection(section);
  return header >= 0 && FindKey(header, key) >= 0;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> values;
  const int header = FindSection(section);
  if (header < 0) return values;
  const int end = SectionEnd(header);
  // Keys compare as SameText does; a set keeps a long section (a thousand photographs) linear.
  std::unordered_set<std::string> seen;
  std::string k, v;
  for (int i = header + 1; i < end; ++i) {
    if (IsComment(lines_[i])) continue;
    SplitLine(lines_[i], &k, &v);
    if (k.empty()) continue;
    std::string folded = k;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!seen.insert(std::move(folded)).second) continue;
    if (v.size() > kMaxValueLength) v.resize(kMaxValueLength);
    values.emplace_back(k, v);
  }
  return values;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  for (auto& [key, value] : ReadSectionValues(section)) keys.push_back(std::move(key));
  return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> names;
  std::string name;
  for (const auto& line : lines_) {
    if (IsHeader(line, &name)) names.push_back(name);
  }
  return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) {
  const std::string line = Trim(key) + "=" + std::string(value);
  int header = FindSection(section);
  if (header < 0) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + Trim(section) + "]");
    lines_.push_back(line);
  } else {
    const int at = FindKey(header, key);
    if (at >= 0) {
      lines_[at] = line;
    } else {
      // After the section's last non-blank line, so blank separators stay between sections.
      int end = SectionEnd(header);
      while (end > header + 1 && Trim(lines_[end - 1]).empty()) --end;
      lines_.insert(lines_.begin() + end, line);
    }
  }
  Save();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  const int header = FindSection(section);
  if (header < 0) return;
  const int at = FindKey(header, key);
  if (at < 0) return;
  lines_.erase(lines_.begin() + at);
  Save();
}

void IniFile::EraseSection(std::string_view section) {
  bool changed = false;
  for (int header = FindSection(section); header >= 0; header = FindSection(section)) {
    lines_.erase(lines_.begin() + header, lines_.begin() + SectionEnd(header));
    changed = true;
  }
  if (changed) Save();
}

std::string IniFile::Text() const {
  std::string text;
  for (const auto& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void IniFile::Save() {
  if (path_.empty()) return;
  WriteFileAtomic(path_, Text());
}

}  // namespace lpc
