#include "info_forms.h"

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "configwindow/forms.h"
#include "base/object_text.h"

namespace lpctool {

namespace {

using nlohmann::ordered_json;

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

ordered_json ValueJson(const lpc::PropertyValue& value);

ordered_json PropertiesJson(const std::vector<lpc::Property>& properties) {
  ordered_json out = ordered_json::object();
  for (const lpc::Property& p : properties) out[lpc::Latin1ToUtf8(p.name)] = ValueJson(p.value);
  return out;
}

ordered_json ValueJson(const lpc::PropertyValue& value) {
  if (const auto* i = value.Get<int64_t>()) return *i;
  if (const auto* f = value.Get<lpc::FloatValue>()) return f->value;
  if (const auto* s = value.Get<std::string>()) return lpc::Latin1ToUtf8(*s);
  if (const auto* w = value.Get<std::u16string>()) return lpc::Utf16ToUtf8(*w);
  if (const auto* id = value.Get<lpc::Identifier>()) {
    if (lpc::SameText(id->name, "True")) return true;
    if (lpc::SameText(id->name, "False")) return false;
    return id->name;
  }
  if (const auto* set = value.Get<lpc::SetValue>()) return set->elements;
  if (const auto* list = value.Get<lpc::ListValue>()) {
    ordered_json out = ordered_json::array();
    for (const lpc::PropertyValue& item : list->items) out.push_back(ValueJson(item));
    return out;
  }
  if (const auto* collection = value.Get<lpc::CollectionValue>()) {
    ordered_json out = ordered_json::array();
    for (const lpc::CollectionItem& item : collection->items)
      out.push_back(PropertiesJson(item.properties));
    return out;
  }
  return Hex(value.As<lpc::BinaryValue>().bytes);
}

ordered_json NodeJson(const lpc::ObjectNode& node) {
  ordered_json out;
  out["Name"] = lpc::Latin1ToUtf8(node.name);
  out["Class"] = node.class_name;
  if (node.inherited) out["Inherited"] = true;
  if (node.index) out["Index"] = *node.index;
  out["Properties"] = PropertiesJson(node.properties);
  ordered_json children = ordered_json::array();
  for (const lpc::ObjectNode& child : node.children) children.push_back(NodeJson(child));
  out["Children"] = std::move(children);
  return out;
}

}  // namespace

ordered_json DescribeUiDescription(const std::string& path) {
  lpc::UiDescription forms;
  forms.LoadFromFile(path);
  ordered_json list = ordered_json::array();
  for (size_t i = 0; i < forms.Count(); ++i) {
    const lpc::FormDescription& form = forms.Form(i);
    ordered_json entry;
    entry["Name"] = lpc::Latin1ToUtf8(form.Name());
    entry["Lines"] = form.Lines().size();
    // Read the text the way the builder will, so a broken form shows up here.
    try {
      const lpc::ObjectNode root = lpc::ReadFormObjects(form);
      entry["Components"] = root.CountObjects() - 1;
    } catch (const lpc::ObjectTextError& e) {
      entry["Error"] = lpc::Latin1ToUtf8(e.what());
    }
    ordered_json actions = ordered_json::array();
    const lpc::ClickTable& table = form.Actions();
    for (size_t a = 0; a < table.Count(); ++a) {
      const lpc::ClickAction& action = table.Action(a);
      ordered_json row;
      row["Component"] = lpc::Latin1ToUtf8(table.Name(a));
      row["Code"] = action.Code;
      row["Action"] = lpc::ActionCodeName(action.Code);
      row["Param1"] = lpc::Latin1ToUtf8(action.Param1);
      row["Param2"] = lpc::Latin1ToUtf8(action.Param2);
      row["Param3"] = lpc::Latin1ToUtf8(action.Param3);
      actions.push_back(std::move(row));
    }
    entry["Actions"] = std::move(actions);
    list.push_back(std::move(entry));
  }
  ordered_json out;
  out["File"] = path;
  out["Forms"] = std::move(list);
  return out;
}

ordered_json DescribeObjectText(const std::string& path) {
  const std::string text = lpc::ReadFileBytes(path, lpc::kMaxUiDescriptionSize);
  try {
    return NodeJson(lpc::ReadObjectText(text));
  } catch (const lpc::ObjectTextError& e) {
    throw lpc::FormatError(path, e.what());
  }
}

}  // namespace lpctool
