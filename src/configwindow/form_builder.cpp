#include "configwindow/form_builder.h"

#include <string_view>
#include <vector>

#include "base/object_text.h"
#include "base/paths.h"
#include "configwindow/user_choices.h"
#include "presentation/show_window.h"
#include "widgets/stock_classes.h"

namespace lpc {

namespace {

UiDescription* g_forms = nullptr;
ScreensaverProject* g_project = nullptr;

ConfigEnvironment& Environment() {
  static ConfigEnvironment env;
  return env;
}

// line > 0: the object line naming the class, for the fault.
const widgets::ClassInfo& DescribedClassOrFault(const std::string& name, int line = 0) {
  if (const widgets::ClassInfo* info = FindDescribedClass(name)) return *info;
  const std::string fault = Format(widgets::kClassNotFound, name.c_str());
  if (line > 0) throw ObjectTextError(fault, line);
  throw Error(fault);
}

// A component reference waits until every component exists.
struct DeferredProperty {
  widgets::Component* component;
  const widgets::PropertyInfo* info;
  const Property* property;
};

void ApplyProperty(widgets::Component& c, const widgets::PropertyInfo& info, const Property& p) {
  try {
    info.set(c, p.value);
  } catch (const ObjectTextError&) {
    throw;
  } catch (const Error& e) {
    // Faults of a value carry its line, as the reader's own faults do.
    throw ObjectTextError(e.what(), p.line);
  }
}

void ApplyProperties(widgets::Component& c, const widgets::ClassInfo& cls, const ObjectNode& node,
                     std::vector<DeferredProperty>& deferred) {
  for (const Property& p : node.properties) {
    const widgets::PropertyInfo* info = cls.FindProperty(p.name);
    if (!info) throw ObjectTextError(widgets::kPropertyDoesNotExist, p.line);
    if (info->kind == widgets::PropertyKind::kComponentReference) {
      deferred.push_back({&c, info, &p});
    } else {
      ApplyProperty(c, *info, p);
    }
  }
}

void CreateChildren(widgets::FormWindow& form, widgets::Component& parent, const ObjectNode& node,
                    std::vector<DeferredProperty>& deferred) {
  for (const ObjectNode& child : node.children) {
    const widgets::ClassInfo& cls = DescribedClassOrFault(child.class_name, child.line);
    std::unique_ptr<widgets::Component> made = cls.create();
    made->Name = child.name;
    widgets::Component& c = form.Adopt(std::move(made), &parent);
    ApplyProperties(c, cls, child, deferred);
    CreateChildren(form, c, child, deferred);
  }
}

void ApplyWindowStyle(ConfigWindow& window) {
  platform::WindowOptions& style = window.WindowStyle;
  style.kind = platform::WindowKind::kFramed;
  style.border = window.NoFrame    ? platform::BorderStyle::kNone
                 : window.Sizeable ? platform::BorderStyle::kSizeable
                                   : platform::BorderStyle::kFixed;
  style.system_menu = window.ShowButtons;
  style.maximize_box = window.MaximizeButton;
  style.minimize_box = window.MinimizeButton;
  style.maximized = window.MaximizeOnShow;
  style.centered = true;
}

// A fault found while building, told in terms of the description the author wrote: the line
// of the UI description file (the prepared text lacks the lines the builder dropped), the form
// and the file.
[[noreturn]] void ThrowBuildFault(const std::exception& fault, const FormDescription& form,
                                  const std::vector<int>& source_lines,
                                  const std::string& description_file) {
  std::string text = fault.what();
  if (const auto* at = dynamic_cast<const ObjectTextError*>(&fault)) {
    int line = at->line();
    if (line >= 1 && !source_lines.empty()) {
      // A text that ends too early is reported on the line after its last one.
      const size_t i = static_cast<size_t>(line) - 1;
      line = i < source_lines.size()
                 ? source_lines[i]
                 : source_lines.back() + static_cast<int>(i - source_lines.size() + 1);
      if (form.FileLine() > 0) line += form.FileLine() - 1;
    }
    text = Format("%s on line %d", at->message().c_str(), line);
  }
  text += " (form '" + form.Name() + "'";
  if (!description_file.empty()) text += " of " + ExtractFileName(description_file);
  throw Error(text + ")");
}

}  // namespace

std::unique_ptr<ConfigWindow> CreateFormFromText(const std::string& text) {
  const ObjectNode root = ReadObjectText(text);
  // The root's class must be one a description may name; whatever it is, the window is built
  // as the configuration window class.
  DescribedClassOrFault(root.class_name, root.line);
  const widgets::ClassInfo& cls = DescribedClassOrFault("TfmLPCOnfigWindow");
  auto window = std::make_unique<ConfigWindow>();
  window->SetClassName(cls.name);
  std::vector<DeferredProperty> deferred;
  ApplyProperties(*window, cls, root, deferred);
  CreateChildren(*window, *window, root, deferred);
  for (const DeferredProperty& d : deferred) ApplyProperty(*d.component, *d.info, *d.property);
  window->ForEach([](widgets::Component& c) { c.Loaded(); });
  window->Name = root.name;
  return window;
}

PlaceholderValues PlaceholdersOf(const ScreensaverProject& project) {
  return PlaceholderValues{project.Setting.ProductName, project.Setting.Publisher,
                           project.Setting.Website};
}

std::unique_ptr<ConfigWindow> BuildDescribedForm(const FormDescription& form,
                                                 const PlaceholderValues* placeholders,
                                                 const std::string& description_file) {
  std::vector<int> source_lines;
  std::string text = PrepareFormText(form, &source_lines);
  DescribedClasses();
  if (placeholders) text = ExpandPlaceholdersInObjectText(text, *placeholders);
  try {
    return CreateFormFromText(text);
  } catch (const Error& e) {
    ThrowBuildFault(e, form, source_lines, description_file);
  }
}

int ShowDescribedForm(UiDescription& forms, ScreensaverProject& project,
                      const std::string& form_name, platform::Window* owner) {
  const ConfigEnvironment& env = CurrentEnvironment();
  if (UpperCase(ExtractFileExt(env.ExeLongPath)) == ".SCR" || env.FirstArgument == "/C") {
    SetApplicationTitle(project.Setting.ProductName);
  }
  const FormDescription& form = forms.FindForm(Trim(form_name));
  const PlaceholderValues values = PlaceholdersOf(project);
  std::unique_ptr<ConfigWindow> window =
      BuildDescribedForm(form, &values, project.UISetting.UIFile);
  g_forms = &forms;
  g_project = &project;
  ApplyWindowStyle(*window);
  TakeOverUserSettings(project);
  return window->ShowModal(owner);
}

void RunConfiguration(UiDescription& forms, ScreensaverProject& project,
                      const std::string& main_form_name, const ConfigEnvironment& env) {
  SetCurrentEnvironment(env);
  ShowDescribedForm(forms, project, main_form_name, nullptr);
}

UiDescription* CurrentForms() { return g_forms; }
ScreensaverProject* CurrentProject() { return g_project; }
const ConfigEnvironment& CurrentEnvironment() { return Environment(); }
void SetCurrentEnvironment(const ConfigEnvironment& env) { Environment() = env; }

}  // namespace lpc
