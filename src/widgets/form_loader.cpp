#include "widgets/form_loader.h"

#include <memory>
#include <string>
#include <vector>

#include "base/paths.h"

namespace lpc::widgets {

namespace {

// A component reference waits until every component exists.
struct DeferredProperty {
  Component* component;
  const PropertyInfo* info;
  const Property* property;
};

class Loader {
 public:
  Loader(FormWindow& form, const ClassLookup& find_class) : form_(form), find_class_(find_class) {}

  void Load(const ClassInfo& form_class, const ObjectNode& root) {
    ApplyProperties(form_, form_class, root);
    CreateChildren(form_, root);
    for (const DeferredProperty& d : deferred_) Apply(*d.component, *d.info, *d.property);
    form_.ForEach([](Component& c) { c.Loaded(); });
    form_.Name = root.name;
  }

 private:
  static void Apply(Component& c, const PropertyInfo& info, const Property& p) {
    try {
      info.set(c, p.value);
    } catch (const ObjectTextError&) {
      throw;
    } catch (const Error& e) {
      // Faults of a value carry its line, as the reader's own faults do.
      throw ObjectTextError(e.what(), p.line);
    }
  }

  void ApplyProperties(Component& c, const ClassInfo& cls, const ObjectNode& node) {
    for (const Property& p : node.properties) {
      const PropertyInfo* info = cls.FindProperty(p.name);
      if (!info) throw ObjectTextError(kPropertyDoesNotExist, p.line);
      if (info->kind == PropertyKind::kComponentReference) {
        deferred_.push_back({&c, info, &p});
      } else {
        Apply(c, *info, p);
      }
    }
  }

  void CreateChildren(Component& parent, const ObjectNode& node) {
    for (const ObjectNode& child : node.children) {
      const ClassInfo* cls = find_class_ ? find_class_(child.class_name) : nullptr;
      if (!cls) throw ObjectTextError(Format(kClassNotFound, child.class_name.c_str()), child.line);
      std::unique_ptr<Component> made = cls->create();
      made->Name = child.name;
      Component& c = form_.Adopt(std::move(made), &parent);
      ApplyProperties(c, *cls, child);
      CreateChildren(c, child);
    }
  }

  FormWindow& form_;
  const ClassLookup& find_class_;
  std::vector<DeferredProperty> deferred_;
};

}  // namespace

void LoadForm(FormWindow& form, const ClassInfo& form_class, const ObjectNode& root,
              const ClassLookup& find_class) {
  Loader(form, find_class).Load(form_class, root);
}

}  // namespace lpc::widgets
