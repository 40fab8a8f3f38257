// Builds a layout text on a stock form through the loader: the root's properties go to the
// form, every nested object becomes a component of its stock class. A fault of the layout is
// told without its line (the tests name the faulty object themselves); the reader's own faults
// keep theirs.
#pragma once

#include <string>

#include "base/errors.h"
#include "base/object_text.h"
#include "widgets/form.h"
#include "widgets/form_loader.h"
#include "widgets/properties.h"

namespace lpc::testing {

inline void ApplyLayoutText(widgets::FormWindow& form, const std::string& text) {
  using namespace widgets;
  const ClassRegistry& registry = ClassRegistry::Stock();
  const ObjectNode root = ReadObjectText(text);
  try {
    LoadForm(form, *registry.Find("TForm"), root,
             [&registry](std::string_view name) { return registry.Find(name); });
  } catch (const ObjectTextError& e) {
    throw Error(e.message());
  }
}

// A property's value as text, through the registry.
inline std::string PropertyText(const widgets::Component& c, const std::string& name) {
  const widgets::ClassInfo* info = widgets::ClassRegistry::Stock().Find(c.ClassName());
  const widgets::PropertyInfo* p = info ? info->FindProperty(name) : nullptr;
  if (!p || !p->get) return "<no getter: " + name + ">";
  return p->get(c);
}

}  // namespace lpc::testing
