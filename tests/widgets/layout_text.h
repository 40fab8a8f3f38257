// Builds a layout text on a form the way the form builder does: the root's properties go to the
// form, every nested object becomes a component of its class inside its enclosing object, with
// properties applied in text order and component references once every component exists.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/object_text.h"
#include "widgets/form.h"
#include "widgets/properties.h"

namespace lpc::testing {

inline void ApplyLayoutText(widgets::FormWindow& form, const std::string& text) {
  using namespace widgets;
  const ClassRegistry& registry = ClassRegistry::Stock();
  const ObjectNode root = ReadObjectText(text);
  std::vector<std::pair<Component*, std::pair<const PropertyInfo*, const Property*>>> later;
  auto apply = [&](Component& c, const ClassInfo& info, const ObjectNode& node) {
    for (const Property& p : node.properties) {
      const PropertyInfo* prop = info.FindProperty(p.name);
      if (!prop) throw Error(kPropertyDoesNotExist);
      if (prop->kind == PropertyKind::kComponentReference) {
        later.push_back({&c, {prop, &p}});
      } else {
        prop->set(c, p.value);
      }
    }
  };
  std::function<void(const ObjectNode&, Component*)> build = [&](const ObjectNode& node,
                                                                 Component* parent) {
    std::unique_ptr<Component> made = registry.Create(node.class_name);
    Component& c = form.Adopt(std::move(made), parent);
    c.Name = node.name;
    apply(c, *registry.Find(node.class_name), node);
    for (const ObjectNode& child : node.children) build(child, &c);
  };
  apply(form, *registry.Find("TForm"), root);
  for (const ObjectNode& child : root.children) build(child, nullptr);
  for (auto& [c, p] : later) p.first->set(*c, p.second->value);
  form.ForEach([](Component& c) { c.Loaded(); });
}

// A property's value as text, through the registry.
inline std::string PropertyText(const widgets::Component& c, const std::string& name) {
  const widgets::ClassInfo* info = widgets::ClassRegistry::Stock().Find(c.ClassName());
  const widgets::PropertyInfo* p = info ? info->FindProperty(name) : nullptr;
  if (!p || !p->get) return "<no getter: " + name + ">";
  return p->get(c);
}

}  // namespace lpc::testing
