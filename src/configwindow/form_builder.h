// Builds windows from form descriptions and shows them: the configuration mode's entry and the
// nested forms that a click opens.
#pragma once

#include <memory>
#include <string>

#include "configwindow/config_window.h"
#include "configwindow/described_classes.h"
#include "configwindow/forms.h"
#include "package/project.h"
#include "platform/platform.h"
#include "widgets/properties.h"

namespace lpc {

// What the described windows need to know about the running program.
struct ConfigEnvironment {
  std::string ExeLongPath;    // the program's own file, long form
  std::string FirstArgument;  // the first command-line argument as given ("" when none)
  std::string SettingsFile;   // the user's settings file
  std::string WorkFolder;     // where the package was unpacked
  std::string ProgramFolder;  // the folder of the program, with a trailing separator
  std::string InstallPath;    // the authoring tool's install folder (its "sounds")
};

// The configuration mode: shows the form description main_form_name (normally "MainWindow")
// and returns when it closes. Errors in the description propagate.
void RunConfiguration(UiDescription& forms, ScreensaverProject& project,
                      const std::string& main_form_name, const ConfigEnvironment& env);

// Builds the named form, sets it up, shows it modally over owner (may be null) and frees it
// when it closes. Returns the modal result. An unknown name, an unknown class or property, or
// a fault in the object text raises Error; nothing is shown then.
int ShowDescribedForm(UiDescription& forms, ScreensaverProject& project,
                      const std::string& form_name, platform::Window* owner);

// Reads object text into a new window: the root becomes a ConfigWindow with its built-in
// defaults, then the root's properties in text order; every nested object becomes a component
// of its class inside the enclosing one; component references (ActiveControl) are resolved
// once all components exist; finally the window's Name is the root's name. Faults: "Class X
// not found", "Property does not exist on line N", "Invalid property value on line N", and the
// reader's "<message> on line N".
std::unique_ptr<ConfigWindow> CreateFormFromText(const std::string& text);

// The window of one form description, its placeholders filled in when values are given. A
// fault raises Error pointing at the description file's own line and naming the form and the
// file (description_file may be empty).
std::unique_ptr<ConfigWindow> BuildDescribedForm(const FormDescription& form,
                                                 const PlaceholderValues* placeholders,
                                                 const std::string& description_file);

// The placeholder values of a project.
PlaceholderValues PlaceholdersOf(const ScreensaverProject& project);

// Set by every build to the collection and project it used; null before the first.
UiDescription* CurrentForms();
ScreensaverProject* CurrentProject();
// The environment RunConfiguration was given (empty fields before).
const ConfigEnvironment& CurrentEnvironment();
void SetCurrentEnvironment(const ConfigEnvironment& env);

}  // namespace lpc
