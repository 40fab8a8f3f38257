#include "configwindow/forms.h"

#include <cctype>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"

namespace lpc {

const char* ActionCodeName(uint8_t code) {
  switch (code) {
    case acOpenDocument: return "acOpenDocument";
    case acShowForm: return "acShowForm";
    case acNextImage: return "acNextImage";
    case acPreviousImage: return "acPreviousImage";
    case acPreviewImage: return "acPreviewImage";
    case acSettings: return "acSettings";
    case acClose: return "acClose";
    case acSetWallpaper: return "acSetWallpaper";
    default: return "";
  }
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      ++i;
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

namespace {

// Bounds-checked access: a line past the end is the list index error of a short file.
const std::string& LineAt(const std::vector<std::string>& lines, int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(lines.size())) throw ListIndexError(index);
  return lines[static_cast<size_t>(index)];
}

}  // namespace

void ClickTable::Parse(std::string_view text) {
  entries_.clear();
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) return;
  for (std::string& line : lines) {
    if (line.empty()) line = " ";
  }
  const int32_t count = StrToInt(lines[0]);
  std::vector<std::pair<std::string, ClickAction>> entries;
  // Each entry needs five lines, so a count the text cannot hold fails at its first missing
  // line instead of reserving room for it.
  for (int64_t i = 0; i < count; ++i) {
    const int64_t base = 1 + 5 * i;
    std::string name = LineAt(lines, base);
    ClickAction action;
    action.Code = static_cast<uint8_t>(StrToInt(LineAt(lines, base + 1)) & 0xFF);
    action.Param1 = LineAt(lines, base + 2);
    action.Param2 = LineAt(lines, base + 3);
    action.Param3 = LineAt(lines, base + 4);
    entries.emplace_back(std::move(name), std::move(action));
  }
  entries_ = std::move(entries);
}

const ClickAction* ClickTable::FindAction(std::string_view component_name) const {
  for (const auto& [name, action] : entries_) {
    if (SameText(name, component_name)) return &action;
  }
  return nullptr;
}

std::string ClickTable::Text() const {
  std::string out = std::to_string(entries_.size());
  for (const auto& [name, action] : entries_) {
    out += "\r\n" + name;
    out += "\r\n" + std::to_string(action.Code);
    out += "\r\n" + action.Param1;
    out += "\r\n" + action.Param2;
    out += "\r\n" + action.Param3;
  }
  return out;
}

std::string FormNameOf(std::string_view first_line) {
  if (first_line.size() <= 7) return std::string();
  const std::string_view rest = first_line.substr(7);
  return std::string(rest.substr(0, rest.find(':')));
}

void FormDescription::SetText(std::string_view form_text) {
  lines_ = SplitLines(form_text);
  name_ = lines_.empty() ? std::string() : FormNameOf(lines_[0]);
}

void UiDescription::LoadFromFile(const std::string& path) {
  Clear();
  const std::string bytes = ReadFileBytes(path, kMaxUiDescriptionSize);
  try {
    LoadFromText(bytes);
  } catch (const ConvertError& e) {
    throw FormatError(path, e.what());
  } catch (const ListIndexError& e) {
    throw FormatError(path, e.what());
  }
}

void UiDescription::LoadFromText(std::string_view text) {
  Clear();
  const std::vector<std::string> lines = SplitLines(text);
  const int32_t form_count = StrToInt(LineAt(lines, 0));
  // Every record has three count lines, so a count larger than the file runs out of lines
  // after at most a third of them.
  int64_t p = 1;
  try {
    for (int32_t record = 0; record < form_count; ++record) {
      const int64_t text_lines = StrToInt(LineAt(lines, p));
      const int64_t form_start = p + 1;  // 0-based index of the form text's first line
      std::string form_text;
      for (int64_t i = 1; i <= text_lines; ++i) {
        form_text += LineAt(lines, p + i);
        form_text += "\r\n";
      }
      p += 1 + std::max<int64_t>(text_lines, 0);

      const int64_t action_lines = StrToInt(LineAt(lines, p));
      std::string action_text;
      for (int64_t i = 1; i <= action_lines; ++i) {
        const std::string& line = LineAt(lines, p + i);
        if (i > 1) action_text += "\r\n";
        action_text += line.empty() ? std::string(" ") : line;
      }
      p += 1 + std::max<int64_t>(action_lines, 0);

      AddForm(form_text, action_text).SetFileLine(static_cast<int>(form_start + 1));

      // The reserved section is skipped unread, whatever it holds.
      const int64_t reserved_lines = StrToInt(LineAt(lines, p));
      p += 1 + std::max<int64_t>(reserved_lines, 0);
    }
  } catch (...) {
    Clear();
    throw;
  }
}

const FormDescription& UiDescription::FindForm(std::string_view name) const {
  for (const auto& form : forms_) {
    if (SameText(form->Name(), name)) return *form;
  }
  throw Error(Format("Form '%.*s' not found", static_cast<int>(name.size()), name.data()));
}

FormDescription& UiDescription::AddForm(std::string_view form_text, std::string_view action_text) {
  auto form = std::make_unique<FormDescription>();
  form->Actions().Parse(action_text);
  form->SetText(form_text);
  forms_.push_back(std::move(form));
  return *forms_.back();
}

std::string UiDescription::SaveToText() const {
  std::string out = std::to_string(forms_.size()) + "\r\n";
  for (const auto& form : forms_) {
    out += std::to_string(form->Lines().size()) + "\r\n" + form->Text();
    const std::vector<std::string> action_lines = SplitLines(form->Actions().Text());
    out += std::to_string(action_lines.size()) + "\r\n" + JoinLines(action_lines);
    out += "1\r\nDummy\r\n";
  }
  return out;
}

namespace {

bool StartsWithUpper(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(line[i])) != word[i]) return false;
  }
  return true;
}

bool IsEventLine(std::string_view line) {
  if (line.size() < 2 || line[0] != 'O' || line[1] != 'n') return false;
  if (line.size() == 2) return true;
  const unsigned char third = static_cast<unsigned char>(line[2]);
  return std::toupper(third) == third;
}

}  // namespace

std::vector<bool> PassedOverLines(const FormDescription& form) {
  const std::vector<std::string>& lines = form.Lines();
  std::vector<bool> passed(lines.size(), false);
  bool window_visible_passed = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string trimmed = Trim(lines[i]);
    if (IsEventLine(trimmed) || StartsWithUpper(trimmed, "BORDERICONS") ||
        StartsWithUpper(trimmed, "BORDERSTYLE") || StartsWithUpper(trimmed, "FORMSTYLE")) {
      passed[i] = true;
    } else if (StartsWithUpper(trimmed, "VISIBLE") && !window_visible_passed) {
      window_visible_passed = true;
      passed[i] = true;
    }
  }
  return passed;
}

ObjectNode ReadFormObjects(const FormDescription& form) {
  const std::vector<bool> passed = PassedOverLines(form);
  return ReadObjectText(form.Text(), [&passed](int line) {
    return line >= 1 && static_cast<size_t>(line) <= passed.size() && passed[line - 1];
  });
}

namespace {

template <typename Text>
void ReplaceAll(Text& text, const Text& from, const Text& to) {
  Text out;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(from, start);
    if (at == Text::npos) break;
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  if (start == 0) return;
  out.append(text, start, Text::npos);
  text = std::move(out);
}

// Replaces the placeholders in that order, so a value may hold a later placeholder but is not
// searched again for its own.
template <typename Text>
void ReplacePlaceholders(Text& text, const PlaceholderValues& values,
                         Text (*convert)(std::string_view)) {
  ReplaceAll(text, convert("<ScreensaverName>"), convert(values.ProductName));
  ReplaceAll(text, convert("<CompanyName>"), convert(values.Publisher));
  ReplaceAll(text, convert("<Website>"), convert(values.Website));
}

std::string Narrow(std::string_view text) { return std::string(text); }

// A wide string holds 8-bit characters as their codes.
std::u16string Widen(std::string_view text) {
  std::u16string out;
  for (const char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

void ExpandInValue(PropertyValue& v, const PlaceholderValues& values);

void ExpandInProperties(std::vector<Property>& properties, const PlaceholderValues& values) {
  for (Property& p : properties) ExpandInValue(p.value, values);
}

void ExpandInValue(PropertyValue& v, const PlaceholderValues& values) {
  if (auto* narrow = std::get_if<std::string>(&v.value)) {
    ReplacePlaceholders(*narrow, values, &Narrow);
  } else if (auto* wide = std::get_if<std::u16string>(&v.value)) {
    ReplacePlaceholders(*wide, values, &Widen);
  } else if (auto* list = std::get_if<ListValue>(&v.value)) {
    for (PropertyValue& item : list->items) ExpandInValue(item, values);
  } else if (auto* collection = std::get_if<CollectionValue>(&v.value)) {
    for (CollectionItem& item : collection->items) ExpandInProperties(item.properties, values);
  }
}

void ExpandInNode(ObjectNode& node, const PlaceholderValues& values) {
  ExpandInProperties(node.properties, values);
  for (ObjectNode& child : node.children) ExpandInNode(child, values);
}

}  // namespace

std::string ExpandPlaceholders(std::string_view text, const PlaceholderValues& values) {
  std::string out(text);
  ReplacePlaceholders(out, values, &Narrow);
  return out;
}

void ExpandPlaceholders(ObjectNode& root, const PlaceholderValues& values) {
  ExpandInNode(root, values);
}

}  // namespace lpc
