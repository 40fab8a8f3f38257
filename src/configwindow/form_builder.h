// Builds windows from form descriptions and shows them: the configuration mode's entry and the
// nested forms that a click opens.
#pragma once

#include <memory>
#include <string>

#include "configwindow/config_context.h"
#include "configwindow/config_window.h"
#include "configwindow/described_classes.h"
#include "configwindow/forms.h"
#include "package/project.h"
#include "platform/platform.h"
#include "widgets/properties.h"

namespace lpc {

// The configuration mode: shows the form description main_form_name (normally "MainWindow")
// and returns when it closes. Errors in the description propagate.
void RunConfiguration(UiDescription& forms, ScreensaverProject& project,
                      const std::string& main_form_name, const ConfigEnvironment& env);

// Builds the named form of context.forms, gives it the context, shows it modally over owner
// (may be null) and frees it when it closes. Returns the modal result. An unknown name, an
// unknown class or property, or a fault in the object text raises Error; nothing is shown then.
int ShowDescribedForm(ConfigContext& context, const std::string& form_name,
                      platform::Window* owner);

// Reads object text into a new window through the loader (widgets/form_loader.h): the root,
// which must name a class a description may use, becomes a ConfigWindow with its built-in
// defaults, the nested objects components of the described classes. Faults: "Class X not
// found on line N", "Property does not exist on line N", "Invalid property value on line N",
// and the reader's "<message> on line N".
std::unique_ptr<ConfigWindow> CreateFormFromText(const std::string& text);

// The window of one form description, read with the lines the format passes over
// (ReadFormObjects), its placeholders filled in on the tree when values are given, built as
// CreateFormFromText builds whatever class the root names. This is what "/C" and lpctool's
// picture of a window both build. A fault raises Error pointing at the description file's own
// line and naming the form and the file (description_file may be empty).
std::unique_ptr<ConfigWindow> BuildDescribedForm(const FormDescription& form,
                                                 const PlaceholderValues* placeholders,
                                                 const std::string& description_file);

// The placeholder values of a project.
PlaceholderValues PlaceholdersOf(const ScreensaverProject& project);

}  // namespace lpc
