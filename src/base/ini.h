// Ini files with the rules of the Windows private-profile functions:
// - a missing file, section or key is never an error: the reader's default comes back;
// - section and key names compare without regard to case, blanks around them are ignored;
// - blanks around a value are dropped, and one pair of matching quotes around it is removed;
// - the first of duplicate sections or keys wins;
// - integers read as decimal, as hexadecimal after "$", "0x" or "0X"; anything else is the
//   default; booleans are integers (0 false, anything else true), written "1" and "0";
// - a write changes only its own line (or adds the key or section) and keeps the rest of the
//   file as it was. Each write saves the whole file through a temporary file and a rename.
// The file is read once when the object is made; reads see that state plus this object's writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lpc {

class IniFile {
 public:
  // Reads path when it exists. A file that exists but cannot be read is an IOError naming it
  // with the system's reason (shown defaults would hide it, and a save would replace it); one
  // too large to be a settings file counts as empty.
  explicit IniFile(std::string path);
  // An ini held in memory only (Save() is then a no-op unless a path is set).
  static IniFile FromText(std::string_view text);

  const std::string& path() const { return path_; }

  // Value strings are cut to max_length characters, as a fixed reading buffer would.
  static constexpr size_t kMaxValueLength = 2047;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def = {},
                         size_t max_length = kMaxValueLength) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Key names of a section in file order (keys without "=" included), duplicates once.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // The same keys with their values as ReadString gives them (default max_length).
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(
      std::string_view section) const;
  // Section names in file order.
  std::vector<std::string> ReadSections() const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

  // The file's text as it would be saved (CR LF line ends).
  std::string Text() const;

 private:
  IniFile() = default;
  void Parse(std::string_view text);
  void Save();
  // Line index of the section header, or -1.
  int FindSection(std::string_view section) const;
  // Line index of the key inside the section starting at header, or -1.
  int FindKey(int header, std::string_view key) const;
  // One past the last line that belongs to the section starting at header.
  int SectionEnd(int header) const;

  std::string path_;
  std::vector<std::string> lines_;
};

}  // namespace lpc
