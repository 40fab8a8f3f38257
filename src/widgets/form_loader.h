// The loader: an object tree (base/object_text.h) made into a form's components. It knows no
// class of its own: a lookup given by the caller names the classes the text may use, so each
// kind of layout (a test's stock form, a configuration window's description) decides what it
// allows.
#pragma once

#include <functional>
#include <string_view>

#include "base/object_text.h"
#include "widgets/form.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// The class an object line names, or nullptr when the text may not use it.
using ClassLookup = std::function<const ClassInfo*(std::string_view class_name)>;

// Builds what `root` describes into `form`, a component of `form_class` made by the caller:
//   - the root's properties go to the form, in text order; the root's class is the caller's
//     business;
//   - every nested object becomes a component of the class `find_class` gives, named as
//     written, adopted by the form inside its enclosing object, its properties in text order;
//   - component references (PropertyKind::kComponentReference) are applied once every
//     component exists, in text order;
//   - every component, the form first, then gets Loaded(); last the form takes the root's name.
// Faults are ObjectTextError at the text's line: "Class X not found", "Property does not
// exist", "Invalid property value" or a setter's own message.
void LoadForm(FormWindow& form, const ClassInfo& form_class, const ObjectNode& root,
              const ClassLookup& find_class);

}  // namespace lpc::widgets
