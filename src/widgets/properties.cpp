#include "widgets/properties.h"

#include "base/paths.h"
#include "widgets/component.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

int64_t ValueToInt(const PropertyValue& v) {
  if (const auto* i = v.Get<int64_t>()) return *i;
  throw PropertyValueError();
}

int32_t ValueToInt32(const PropertyValue& v) {
  const int64_t i = ValueToInt(v);
  if (i < INT32_MIN || i > UINT32_MAX) throw PropertyValueError();
  // $FFFFFFFF and the like are written as unsigned hexadecimal.
  return static_cast<int32_t>(static_cast<uint32_t>(i));
}

bool ValueToBool(const PropertyValue& v) {
  if (const auto* id = v.Get<Identifier>()) {
    if (SameText(id->name, "True")) return true;
    if (SameText(id->name, "False")) return false;
  }
  throw PropertyValueError();
}

std::string ValueToString(const PropertyValue& v) {
  if (const auto* s = v.Get<std::string>()) return *s;
  if (const auto* w = v.Get<std::u16string>()) {
    std::string out;
    out.reserve(w->size());
    for (char16_t c : *w) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    return out;
  }
  throw PropertyValueError();
}

ColorValue ValueToColor(const PropertyValue& v) {
  if (v.Is<int64_t>()) return ValueToInt32(v);
  if (const auto* id = v.Get<Identifier>()) {
    if (auto c = ColorFromName(id->name)) return *c;
  }
  throw PropertyValueError();
}

std::string ValueToIdentifier(const PropertyValue& v) {
  if (const auto* id = v.Get<Identifier>()) return id->name;
  throw PropertyValueError();
}

std::vector<std::string> ValueToSet(const PropertyValue& v) {
  if (const auto* s = v.Get<SetValue>()) return s->elements;
  throw PropertyValueError();
}

std::vector<std::string> ValueToStrings(const PropertyValue& v) {
  if (const auto* list = v.Get<ListValue>()) {
    std::vector<std::string> lines;
    for (const PropertyValue& item : list->items) lines.push_back(ValueToString(item));
    return lines;
  }
  return {ValueToString(v)};
}

const std::vector<uint8_t>& ValueToBinary(const PropertyValue& v) {
  if (const auto* b = v.Get<BinaryValue>()) return b->bytes;
  throw PropertyValueError();
}

double ValueToFloat(const PropertyValue& v) {
  if (const auto* f = v.Get<FloatValue>()) return f->value;
  if (const auto* i = v.Get<int64_t>()) return static_cast<double>(*i);
  throw PropertyValueError();
}

int ValueToEnum(const PropertyValue& v, const std::vector<std::string_view>& names) {
  const std::string id = ValueToIdentifier(v);
  for (size_t i = 0; i < names.size(); ++i) {
    if (SameText(id, names[i])) return static_cast<int>(i);
  }
  throw PropertyValueError();
}

const PropertyInfo* ClassInfo::FindProperty(std::string_view property) const {
  for (const ClassInfo* c = this; c; c = c->base) {
    for (const PropertyInfo& p : c->properties) {
      if (SameText(p.name, property)) return &p;
    }
  }
  return nullptr;
}

bool ClassInfo::InheritsFrom(std::string_view other) const {
  for (const ClassInfo* c = this; c; c = c->base) {
    if (SameText(c->name, other)) return true;
  }
  return false;
}

ClassRegistry& ClassRegistry::Stock() {
  static ClassRegistry* registry = [] {
    auto* r = new ClassRegistry;
    RegisterStockClasses(*r);
    return r;
  }();
  return *registry;
}

ClassInfo& ClassRegistry::Add(std::string name, std::string_view base_name,
                              std::function<std::unique_ptr<Component>()> create) {
  auto info = std::make_unique<ClassInfo>();
  info->name = name;
  info->base = base_name.empty() ? nullptr : Find(base_name);
  if (!base_name.empty() && !info->base) throw Error(Format(kClassNotFound, base_name.data()));
  const std::string class_name = info->name;
  info->create = [create, class_name] {
    std::unique_ptr<Component> c = create();
    c->SetClassName(class_name);
    return c;
  };
  for (auto& existing : classes_) {
    if (SameText(existing->name, name)) {
      // In place: classes registered on top of the old one keep pointing at their base.
      *existing = std::move(*info);
      return *existing;
    }
  }
  classes_.push_back(std::move(info));
  return *classes_.back();
}

ClassInfo& ClassRegistry::Add(std::string name, std::string_view base_name,
                              RegisterFunction register_base,
                              std::function<std::unique_ptr<Component>()> create) {
  Require(base_name, register_base);
  return Add(std::move(name), base_name, std::move(create));
}

const ClassInfo& ClassRegistry::Require(std::string_view name, RegisterFunction register_class) {
  if (!Find(name)) register_class(*this);
  const ClassInfo* info = Find(name);
  if (!info) throw Error(Format(kClassNotFound, std::string(name).c_str()));
  return *info;
}

const ClassInfo* ClassRegistry::Find(std::string_view name) const {
  for (const auto& c : classes_) {
    if (SameText(c->name, name)) return c.get();
  }
  return nullptr;
}

std::unique_ptr<Component> ClassRegistry::Create(std::string_view name) const {
  const ClassInfo* info = Find(name);
  if (!info) throw Error(Format(kClassNotFound, std::string(name).c_str()));
  return info->create();
}

std::vector<std::string> ClassRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& c : classes_) names.push_back(c->name);
  return names;
}

}  // namespace lpc::widgets
