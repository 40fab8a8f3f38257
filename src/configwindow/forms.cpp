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

std::string PrepareFormText(const FormDescription& form, std::vector<int>* source_lines) {
  std::vector<std::string> lines = form.Lines();
  if (lines.empty()) lines.emplace_back();
  lines[0] = "object " + FormNameOf(lines[0]) + ": " + kConfigWindowClass;

  std::vector<std::string> kept;
  kept.reserve(lines.size());
  if (source_lines) source_lines->clear();
  bool window_visible_removed = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    const std::string trimmed = Trim(line);
    if (IsEventLine(trimmed)) continue;
    if (StartsWithUpper(trimmed, "BORDERICONS") || StartsWithUpper(trimmed, "BORDERSTYLE"))
      continue;
    if (StartsWithUpper(trimmed, "FORMSTYLE")) continue;
    if (StartsWithUpper(trimmed, "VISIBLE") && !window_visible_removed) {
      window_visible_removed = true;
      continue;
    }
    kept.push_back(std::move(line));
    if (source_lines) source_lines->push_back(static_cast<int>(i + 1));
  }
  return JoinLines(kept);
}

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(from, start);
    if (at == std::string::npos) break;
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  if (start == 0) return;
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

std::string QuotedRunContent(std::string_view value) {
  std::string out;
  for (const char c : value) {
    if (c == '\'') {
      out += "''";
    } else if (c == '\r') {
      out += "'#13'";
    } else if (c == '\n') {
      out += "'#10'";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string ExpandPlaceholders(std::string_view text, const PlaceholderValues& values) {
  std::string out(text);
  ReplaceAll(out, "<ScreensaverName>", values.ProductName);
  ReplaceAll(out, "<CompanyName>", values.Publisher);
  ReplaceAll(out, "<Website>", values.Website);
  return out;
}

std::string ExpandPlaceholdersInObjectText(std::string_view text,
                                           const PlaceholderValues& values) {
  return ExpandPlaceholders(text, PlaceholderValues{QuotedRunContent(values.ProductName),
                                                    QuotedRunContent(values.Publisher),
                                                    QuotedRunContent(values.Website)});
}

}  // namespace lpc
