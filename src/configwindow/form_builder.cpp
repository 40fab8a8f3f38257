#include "configwindow/form_builder.h"

#include <string_view>
#include <vector>

#include "base/object_text.h"
#include "base/paths.h"
#include "configwindow/user_choices.h"
#include "presentation/show_window.h"
#include "widgets/form_loader.h"
#include "widgets/stock_classes.h"

namespace lpc {

namespace {

// Every described form is a configuration window, whatever class its root names.
std::unique_ptr<ConfigWindow> LoadConfigWindow(const ObjectNode& root) {
  const widgets::ClassInfo* cls = FindDescribedClass("TfmLPCOnfigWindow");
  auto window = std::make_unique<ConfigWindow>();
  window->SetClassName(cls->name);
  widgets::LoadForm(*window, *cls, root, &FindDescribedClass);
  return window;
}

// A fault found while building, told in terms of the description the author wrote: the line
// of the UI description file, the form and the file.
[[noreturn]] void ThrowBuildFault(const std::exception& fault, const FormDescription& form,
                                  const std::string& description_file) {
  std::string text = fault.what();
  if (const auto* at = dynamic_cast<const ObjectTextError*>(&fault)) {
    int line = at->line();
    if (line >= 1 && form.FileLine() > 0) line += form.FileLine() - 1;
    text = Format("%s on line %d", at->message().c_str(), line);
  }
  text += " (form '" + form.Name() + "'";
  if (!description_file.empty()) text += " of " + ExtractFileName(description_file);
  throw Error(text + ")");
}

}  // namespace

std::unique_ptr<ConfigWindow> CreateFormFromText(const std::string& text) {
  const ObjectNode root = ReadObjectText(text);
  if (!FindDescribedClass(root.class_name)) {
    throw ObjectTextError(Format(widgets::kClassNotFound, root.class_name.c_str()), root.line);
  }
  return LoadConfigWindow(root);
}

PlaceholderValues PlaceholdersOf(const ScreensaverProject& project) {
  return PlaceholderValues{project.Setting.ProductName, project.Setting.Publisher,
                           project.Setting.Website};
}

std::unique_ptr<ConfigWindow> BuildDescribedForm(const FormDescription& form,
                                                 const PlaceholderValues* placeholders,
                                                 const std::string& description_file) {
  try {
    ObjectNode root = ReadFormObjects(form);
    if (placeholders) ExpandPlaceholders(root, *placeholders);
    std::unique_ptr<ConfigWindow> window = LoadConfigWindow(root);
    // The window answers to the description's name (the one clicks look forms up by), even
    // where line 1 is written oddly.
    window->Name = form.Name();
    return window;
  } catch (const Error& e) {
    ThrowBuildFault(e, form, description_file);
  }
}

int ShowDescribedForm(ConfigContext& context, const std::string& form_name,
                      platform::Window* owner) {
  const ConfigEnvironment& env = context.env;
  ScreensaverProject& project = context.project;
  if (UpperCase(ExtractFileExt(env.ExeLongPath)) == ".SCR" || env.FirstArgument == "/C") {
    SetApplicationTitle(project.Setting.ProductName);
  }
  const FormDescription& form = context.forms.FindForm(Trim(form_name));
  const PlaceholderValues values = PlaceholdersOf(project);
  std::unique_ptr<ConfigWindow> window =
      BuildDescribedForm(form, &values, project.UISetting.UIFile);
  window->SetContext(&context);
  TakeOverUserSettings(project, ChoicesPlaceOf(env));
  if (!owner) window->WindowStyle.foreign_owner = env.HostWindow;
  return window->ShowModal(owner);
}

void RunConfiguration(UiDescription& forms, ScreensaverProject& project,
                      const std::string& main_form_name, const ConfigEnvironment& env) {
  ConfigContext context{forms, project, env};
  ShowDescribedForm(context, main_form_name, nullptr);
}

}  // namespace lpc
