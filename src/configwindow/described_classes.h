// The classes a UI description may name: one table of the format's class names, each with the
// function that registers it and whether a click on such a component runs its entry of the
// form's click table. A class is added with its own files and one line of that table.
#pragma once

#include <span>
#include <string_view>

#include "widgets/properties.h"

namespace lpc {

struct DescribedClass {
  std::string_view name;  // as descriptions write it
  widgets::RegisterFunction register_class;
  bool click_runs_action;
};

// The table, in the order the classes are registered.
std::span<const DescribedClass> DescribedClassTable();

// The registry built from the table on first use. It also holds the base classes the table's
// classes derive from ("TControl", "TfmLPFormParent", ...), which no description may create.
const widgets::ClassRegistry& DescribedClasses();

// The class of a table row (case ignored); nullptr for any other name.
const widgets::ClassInfo* FindDescribedClass(std::string_view name);

// Whether a click on a component of that class runs its click-table entry (case ignored).
bool ClickRunsAction(std::string_view class_name);

}  // namespace lpc
