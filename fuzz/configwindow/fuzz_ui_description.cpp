// A UI description from anywhere: loading, reading every form and filling its placeholders either
// works or raises the program's own errors, and what loads writes back to a file that loads the
// same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/errors.h"
#include "configwindow/forms.h"
#include "base/object_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  lpc::UiDescription forms;
  try {
    forms.LoadFromText(text);
  } catch (const lpc::Error&) {
    return 0;
  }
  const lpc::PlaceholderValues values{"Show 'A'", "Pub\r\nLine", "http://w.test/"};
  for (size_t i = 0; i < forms.Count(); ++i) {
    const lpc::FormDescription& form = forms.Form(i);
    for (size_t a = 0; a < form.Actions().Count(); ++a) {
      (void)lpc::ExpandPlaceholders(form.Actions().Action(a).Param1, values);
      if (form.Actions().FindAction(form.Actions().Name(a)) == nullptr) std::abort();
    }
    (void)forms.FindForm(form.Name());  // raises if a loaded form cannot be found by its name
    try {
      lpc::ObjectNode root = lpc::ReadFormObjects(form);
      lpc::ExpandPlaceholders(root, values);
    } catch (const lpc::ObjectTextError&) {
    }
  }
  const std::string saved = forms.SaveToText();
  lpc::UiDescription again;
  again.LoadFromText(saved);
  if (again.SaveToText() != saved) std::abort();
  return 0;
}
