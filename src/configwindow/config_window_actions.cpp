// What the configuration window does when it shows, closes and is clicked.
#include <exception>
#include <string_view>

#include "base/paths.h"
#include "configwindow/config_window.h"
#include "configwindow/form_builder.h"
#include "presentation/screensaver_window.h"

namespace lpc {

namespace {

// Classes whose click runs the action the table gives their name.
constexpr std::string_view kClickableClasses[] = {
    "TLabel", "TMyShape", "TPanel",    "TMyBevel", "TBitBtn",
    "TImage", "TJetButton", "TLPPreview",
};

bool RunsActionOnClick(const widgets::Component& c) {
  for (std::string_view name : kClickableClasses) {
    if (SameText(c.ClassName(), name)) return true;
  }
  return false;
}

}  // namespace

void TfmLPCOnfigWindow::FormShow() {
  for (const auto& owned : Components()) {
    widgets::Component& c = *owned;
    // Bit 0 of Tag says whether a component shows; pages belong to their page control.
    if (!SameText(c.ClassName(), "TTabSheet")) c.SetVisible((c.Tag & 1) != 0);
    if (RunsActionOnClick(c)) c.OnClick = [this](widgets::Component& s) { ExecuteAction(s); };
  }
}

void TfmLPCOnfigWindow::FormClose() {}

void TfmLPCOnfigWindow::ExecuteAction(widgets::Component& sender) {
  TLPForms* forms = CurrentForms();
  TLPCProject* project = CurrentProject();
  if (!forms || !project) return;
  const TAction* action = forms->FindForm(Name).Actions().FindAction(sender.Name);
  if (!action) return;
  const PlaceholderValues values = PlaceholdersOf(*project);
  const std::string param1 = ExpandPlaceholders(action->Param1, values);
  switch (action->Code) {
    case acClose:
      Close();
      break;
    case acShowForm:
      // A description that cannot be built ends this click only; this window stays.
      try {
        ShowDescribedForm(*forms, *project, param1, window());
      } catch (const std::exception& e) {
        platform::Current().ShowMessageBox(window(), e.what(), ApplicationTitle(),
                                           platform::MessageKind::kError);
      }
      break;
    default:
      break;
  }
}

void TfmLPCOnfigWindow::SelectImage(int32_t index) { ImageIndex = index; }

void TfmLPCOnfigWindow::ThumbnailSelectItem(int32_t index) { SelectImage(index); }

void TfmLPCOnfigWindow::RefreshComponents() { Invalidate(); }

}  // namespace lpc
