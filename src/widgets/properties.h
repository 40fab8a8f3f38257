// Published properties and the class registry. Every component class registers itself in its
// own file, through a function declared next to the class (RegisterLabel in
// standard_controls.cpp, RegisterCheckBox in check_box.cpp, ...): its name, its base class, a
// factory and the properties it publishes, each bound to the class's own setter. The form builder
// knows nothing of individual classes: it finds a class by name, makes a component and applies
// properties by name, all matched without regard to case. Sub-properties are registered under
// their dotted name ("Font.Name", "Picture.Data").
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/object_text.h"
#include "widgets/colors.h"

namespace lpc::widgets {

class Component;

inline constexpr const char* kPropertyDoesNotExist = "Property does not exist";
inline constexpr const char* kInvalidPropertyValueText = "Invalid property value";
inline constexpr const char* kClassNotFound = "Class %s not found";

// A value of the wrong kind for its property ("Invalid property value").
class PropertyValueError : public Error {
 public:
  PropertyValueError() : Error(kInvalidPropertyValueText) {}
};

// Value conversions for setters; each raises PropertyValueError for a value of another kind.
int64_t ValueToInt(const PropertyValue& v);
int32_t ValueToInt32(const PropertyValue& v);
bool ValueToBool(const PropertyValue& v);               // True / False
std::string ValueToString(const PropertyValue& v);      // 8-bit; wide characters above 255: '?'
ColorValue ValueToColor(const PropertyValue& v);        // integer or clXxx name
std::string ValueToIdentifier(const PropertyValue& v);  // an identifier, as written
std::vector<std::string> ValueToSet(const PropertyValue& v);
std::vector<std::string> ValueToStrings(const PropertyValue& v);  // ( 'a' 'b' ) or one string
const std::vector<uint8_t>& ValueToBinary(const PropertyValue& v);
double ValueToFloat(const PropertyValue& v);             // float or integer
// The position of an identifier in names (case ignored).
int ValueToEnum(const PropertyValue& v, const std::vector<std::string_view>& names);

// What a property's value is. A reference names another component of the same form
// (ActiveControl, ActivePage); the loader applies references once every component exists.
enum class PropertyKind { kValue, kComponentReference };

struct PropertyInfo {
  std::string name;
  std::function<void(Component&, const PropertyValue&)> set;
  // The value as text, for tools and tests; empty when the property keeps nothing readable.
  std::function<std::string(const Component&)> get;
  PropertyKind kind = PropertyKind::kValue;
};

class ClassInfo {
 public:
  std::string name;
  const ClassInfo* base = nullptr;
  std::function<std::unique_ptr<Component>()> create;
  std::vector<PropertyInfo> properties;

  // This class's property of that name, or its nearest base class's; nullptr when none.
  const PropertyInfo* FindProperty(std::string_view property) const;
  // Whether this class is `other` or derives from it (case ignored).
  bool InheritsFrom(std::string_view other) const;
};

class ClassRegistry;
// Registers one class (and, through Add, its base when missing).
using RegisterFunction = void (*)(ClassRegistry&);

class ClassRegistry {
 public:
  // The stock classes of the toolkit, registered on first use.
  static ClassRegistry& Stock();

  // Adds a class; base_name must be registered already (empty for none). A second class of
  // the same name replaces the first in place, so classes derived from it keep their base.
  ClassInfo& Add(std::string name, std::string_view base_name,
                 std::function<std::unique_ptr<Component>()> create);
  // The same, registering the base first through register_base when it is missing, so that a
  // class's registration works in any order.
  ClassInfo& Add(std::string name, std::string_view base_name, RegisterFunction register_base,
                 std::function<std::unique_ptr<Component>()> create);
  // The class of that name, registered through register_class first when it is missing.
  const ClassInfo& Require(std::string_view name, RegisterFunction register_class);
  const ClassInfo* Find(std::string_view name) const;
  // Makes a component of that class; raises "Class X not found".
  std::unique_ptr<Component> Create(std::string_view name) const;
  std::vector<std::string> Names() const;

 private:
  std::vector<std::unique_ptr<ClassInfo>> classes_;
};

// Typed registration: Published<Label>(info).Bool("WordWrap", &Label::SetWordWrap, ...).
template <typename T>
class Published {
 public:
  explicit Published(ClassInfo& info) : info_(info) {}

  Published& Raw(std::string name, std::function<void(T&, const PropertyValue&)> set,
                 std::function<std::string(const T&)> get = {}) {
    PropertyInfo p;
    p.name = std::move(name);
    p.set = [set](Component& c, const PropertyValue& v) { set(static_cast<T&>(c), v); };
    if (get) p.get = [get](const Component& c) { return get(static_cast<const T&>(c)); };
    info_.properties.push_back(std::move(p));
    return *this;
  }
  // A property naming another component of the form: set gets the named component, which
  // exists by then; a name that matches none is an invalid value.
  Published& Reference(std::string name, std::function<void(T&, Component&)> set,
                       std::function<std::string(const T&)> get = {});
  // Accepted from layouts and kept nowhere (designer bookkeeping such as DesignSize).
  Published& Ignored(std::string name) {
    return Raw(std::move(name), [](T&, const PropertyValue&) {});
  }
  Published& Ignored(std::initializer_list<const char*> names) {
    for (const char* name : names) Ignored(name);
    return *this;
  }
  Published& Int(std::string name, std::function<void(T&, int32_t)> set,
                 std::function<int32_t(const T&)> get = {}) {
    return Raw(std::move(name), [set](T& c, const PropertyValue& v) { set(c, ValueToInt32(v)); },
               get ? std::function<std::string(const T&)>(
                         [get](const T& c) { return std::to_string(get(c)); })
                   : nullptr);
  }
  Published& Bool(std::string name, std::function<void(T&, bool)> set,
                  std::function<bool(const T&)> get = {}) {
    return Raw(std::move(name), [set](T& c, const PropertyValue& v) { set(c, ValueToBool(v)); },
               get ? std::function<std::string(const T&)>(
                         [get](const T& c) { return get(c) ? "True" : "False"; })
                   : nullptr);
  }
  Published& String(std::string name, std::function<void(T&, const std::string&)> set,
                    std::function<std::string(const T&)> get = {}) {
    return Raw(std::move(name),
               [set](T& c, const PropertyValue& v) { set(c, ValueToString(v)); }, get);
  }
  Published& ColorProp(std::string name, std::function<void(T&, ColorValue)> set,
                       std::function<ColorValue(const T&)> get = {}) {
    return Raw(std::move(name),
               [set](T& c, const PropertyValue& v) { set(c, ValueToColor(v)); },
               get ? std::function<std::string(const T&)>(
                         [get](const T& c) { return ColorToString(get(c)); })
                   : nullptr);
  }
  // An enumeration: the format's identifiers in the order of E's values, mapped in this one
  // place; the class keeps an E.
  template <typename E>
  Published& Enum(std::string name, std::vector<std::string_view> names,
                  std::function<void(T&, E)> set, std::function<E(const T&)> get = {}) {
    return Raw(
        std::move(name),
        [set, names](T& c, const PropertyValue& v) {
          set(c, static_cast<E>(ValueToEnum(v, names)));
        },
        get ? std::function<std::string(const T&)>([get, names](const T& c) {
          const int i = static_cast<int>(get(c));
          return i >= 0 && i < static_cast<int>(names.size()) ? std::string(names[i])
                                                              : std::to_string(i);
        })
            : nullptr);
  }
  // An enumeration the class keeps in another form (a flag, a number): set gets the
  // identifier's position.
  Published& Enum(std::string name, std::vector<std::string_view> names,
                  std::function<void(T&, int)> set, std::function<int(const T&)> get = {}) {
    return Enum<int>(std::move(name), std::move(names), std::move(set), std::move(get));
  }

 private:
  ClassInfo& info_;
};

// The component of that name in c's form, or nullptr (defined in component.cpp).
Component* FindInSameForm(Component& c, std::string_view name);

template <typename T>
Published<T>& Published<T>::Reference(std::string name, std::function<void(T&, Component&)> set,
                                      std::function<std::string(const T&)> get) {
  Raw(std::move(name), [set](T& c, const PropertyValue& v) {
    Component* target = FindInSameForm(c, ValueToIdentifier(v));
    if (!target) throw PropertyValueError();
    set(c, *target);
  }, get);
  info_.properties.back().kind = PropertyKind::kComponentReference;
  return *this;
}

}  // namespace lpc::widgets
