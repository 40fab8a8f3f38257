// The configuration window's classes as a UI description instantiates them.
//
// DescribedWindow is the window base of every described form: a FormWindow with seven published
// booleans, six of which become its window style once it is loaded (widgets/window_style.h).
// ConfigWindow is the class every described form is built as; its behaviour (show and close
// work, the click actions, the current image) lives in config_window_actions.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "configwindow/config_context.h"
#include "configwindow/user_choices.h"
#include "widgets/form.h"
#include "widgets/properties.h"

namespace lpc {

// "TfmLPFormParent" (the base, which no description creates) and "TfmLPCOnfigWindow".
void RegisterDescribedWindow(widgets::ClassRegistry& registry);
void RegisterConfigWindow(widgets::ClassRegistry& registry);

class DescribedWindow : public widgets::FormWindow {
 public:
  // Published in this order.
  bool Sizeable = false;
  bool NoFrame = false;
  bool MaximizeButton = false;
  bool MinimizeButton = false;
  bool ShowButtons = false;
  bool MaximizeOnShow = false;
  bool Registered = false;  // accepted from descriptions; no effect

  // The flags become the window's style.
  void Loaded() override;
};

class ConfigWindow : public DescribedWindow {
 public:
  // Caption "fmLPCOnfigWindow", outer size 588 x 478, OnShow -> FormShow, OnClose -> FormClose.
  ConfigWindow();
  // A window dropped without closing (one only drawn) stops being the active one.
  ~ConfigWindow() override;

  // What the window works on, given before it shows; without it the window has no pictures,
  // its choices go nowhere and clicks do nothing.
  void SetContext(ConfigContext* context) { context_ = context; }
  ConfigContext* Context() const { return context_; }

  // The index of the current image.
  int32_t ImageIndex = 0;

  void FormShow();
  void FormClose();
  // A click on a component whose class runs its action: looks the sender's name up in the
  // action table of the form description named like this window.
  void ExecuteAction(widgets::Component& sender);
  void SelectImage(int32_t index);
  void ThumbnailSelectItem(int32_t index);
  void RefreshComponents();

 private:
  const std::vector<std::string>& Images() const;
  int32_t ImageCount() const { return static_cast<int32_t>(Images().size()); }
  UserChoicesPlace ChoicesPlace() const;

  ConfigContext* context_ = nullptr;
};

// What a described window shows once open: bit 0 of Tag says whether a component is visible.
// Pages are left alone: their page control shows one at a time.
void ApplyTagVisibility(widgets::Component& c);

// The innermost configuration window between its FormShow and FormClose, or null: what
// scripted input and nested dialogs act on.
ConfigWindow* ActiveConfigWindow();

}  // namespace lpc
