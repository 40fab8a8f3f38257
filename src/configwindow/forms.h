// The UI description ("LPGUI.lui"): named form descriptions, each a window layout in object
// text plus a click table saying what each named component does.
//
// File layout, one item per line (CR LF, CR or LF):
//   F                      number of form records
//   then per record three sections, each a count line n followed by n lines:
//     form text, action table, reserved (skipped unread)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/object_text.h"

namespace lpc {

// UI description files larger than this are refused before they are read.
inline constexpr uint64_t kMaxUiDescriptionSize = 16u << 20;

// Action codes of the click table; any other code does nothing.
enum ActionCode : uint8_t {
  acOpenDocument = 0,
  acShowForm = 1,
  acNextImage = 2,
  acPreviousImage = 3,
  acPreviewImage = 4,
  acSettings = 5,
  acClose = 6,
  acSetWallpaper = 9,
};

// "acShowForm" for 1 and so on; empty for a code without a meaning.
const char* ActionCodeName(uint8_t code);

// Text as a list of lines: CR LF, CR alone and LF alone end a line; a break at the very end
// adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// One entry of a click table.
struct ClickAction {
  std::string Param1;
  std::string Param2;
  std::string Param3;
  uint8_t Code = 0;  // the decimal code line, low 8 bits
};

// Component name -> action, in table order. Lookup ignores case; the first entry of a name wins.
class ClickTable {
 public:
  // Replaces the table with the one in text: a count K, then K groups of five lines (component
  // name, code, three parameters). An empty line reads as " ". A count or code that is not an
  // integer raises ConvertError; a table shorter than its count raises ListIndexError. On error
  // the table is left empty.
  void Parse(std::string_view text);
  // The entry for that component, or nullptr.
  const ClickAction* FindAction(std::string_view component_name) const;
  // The table as Parse reads it: the count, then five lines per entry, CR LF between lines.
  std::string Text() const;

  size_t Count() const { return entries_.size(); }
  const std::string& Name(size_t i) const { return entries_[i].first; }
  const ClickAction& Action(size_t i) const { return entries_[i].second; }

 private:
  std::vector<std::pair<std::string, ClickAction>> entries_;
};

// The name a form text gives its window: line 1 without its first seven characters (the keyword
// "object" and a blank), up to the first ":". "object MainWindow: TfmForm" gives "MainWindow".
std::string FormNameOf(std::string_view first_line);

// One form description.
class FormDescription {
 public:
  // Stores the text and takes Name from its first line.
  void SetText(std::string_view form_text);
  const std::string& Name() const { return name_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The file line (1-based) of the text's first line, so that faults found while building can
  // point into the description file; 0 for a form that did not come from a file.
  int FileLine() const { return file_line_; }
  void SetFileLine(int line) { file_line_ = line; }
  std::string Text() const { return JoinLines(lines_); }
  ClickTable& Actions() { return actions_; }
  const ClickTable& Actions() const { return actions_; }

 private:
  std::string name_;
  std::vector<std::string> lines_;
  ClickTable actions_;
  int file_line_ = 0;
};

// All form descriptions of one UI description, in file order. Lookup ignores case; the first
// form of a name wins.
class UiDescription {
 public:
  // Drops what is held and reads the file. Faults name the file: "<path>: <fault>", the fault
  // being "'x' is not a valid integer value" for a count that is not a number, or "List index
  // out of bounds (n)" when the file ends before its counts are satisfied. On error nothing
  // is held.
  void LoadFromFile(const std::string& path);
  // The same from text already in memory; faults are ConvertError and ListIndexError.
  void LoadFromText(std::string_view text);
  // The form of that name; an unknown name raises Error "Form 'x' not found".
  const FormDescription& FindForm(std::string_view name) const;
  // Parses the action text first, so a bad table adds nothing.
  FormDescription& AddForm(std::string_view form_text, std::string_view action_text);
  void Clear() { forms_.clear(); }
  // The file the held forms make, each reserved section written as the single line "Dummy";
  // LoadFromText reads it back to the same forms.
  std::string SaveToText() const;

  size_t Count() const { return forms_.size(); }
  const FormDescription& Form(size_t i) const { return *forms_[i]; }

 private:
  std::vector<std::unique_ptr<FormDescription>> forms_;
};

// The lines of a form text the format leaves out, at any depth: event lines ("On" + a
// character that upper-casing leaves alone), BorderIcons, BorderStyle and FormStyle lines (a
// described window's frame comes from its flags), and the first Visible line. Line 1, the
// window's own object line, is always read. [i] answers for line i + 1.
std::vector<bool> PassedOverLines(const FormDescription& form);

// The form text read into its object tree, the lines above passed over; nodes and faults keep
// the form text's own line numbers. The root keeps its object line as written: whatever class
// it names, a description's window is the configuration window.
ObjectNode ReadFormObjects(const FormDescription& form);

// The project texts put in place of "<ScreensaverName>", "<CompanyName>" and "<Website>".
struct PlaceholderValues {
  std::string ProductName;
  std::string Publisher;
  std::string Website;
};

// Replaces every "<ScreensaverName>", then "<CompanyName>", then "<Website>" (case respected)
// with the values, verbatim. Line ends are kept as they are. Used on action parameters.
std::string ExpandPlaceholders(std::string_view text, const PlaceholderValues& values);

// The same in every string value of an object tree (lists and collection items included), so
// a value such as "O'Brien" or one with line breaks is taken verbatim.
void ExpandPlaceholders(ObjectNode& root, const PlaceholderValues& values);

}  // namespace lpc
