#include "configwindow/config_window.h"

#include "widgets/stock_classes.h"
#include "widgets/window_style.h"

namespace lpc {

ConfigWindow::ConfigWindow() {
  SetCaption("fmLPCOnfigWindow");
  SetOuterWidth(588);
  SetOuterHeight(478);
  OnShow = [this](widgets::FormWindow&) { FormShow(); };
  OnClose = [this](widgets::FormWindow&) { FormClose(); };
}

void DescribedWindow::Loaded() {
  WindowStyle = widgets::FlaggedWindowStyle(
      {Sizeable, NoFrame, MaximizeButton, MinimizeButton, ShowButtons, MaximizeOnShow});
}

void RegisterDescribedWindow(widgets::ClassRegistry& registry) {
  widgets::Published<DescribedWindow> p(
      registry.Add("TfmLPFormParent", "TForm", &widgets::RegisterForm,
                   [] { return std::make_unique<DescribedWindow>(); }));
  struct Flag {
    const char* name;
    bool DescribedWindow::*field;
  };
  static constexpr Flag kFlags[] = {
      {"Sizeable", &DescribedWindow::Sizeable},
      {"NoFrame", &DescribedWindow::NoFrame},
      {"MaximizeButton", &DescribedWindow::MaximizeButton},
      {"MinimizeButton", &DescribedWindow::MinimizeButton},
      {"ShowButtons", &DescribedWindow::ShowButtons},
      {"MaximizeOnShow", &DescribedWindow::MaximizeOnShow},
      {"Registered", &DescribedWindow::Registered},
  };
  for (const Flag& flag : kFlags) {
    auto field = flag.field;
    p.Bool(
        flag.name, [field](DescribedWindow& f, bool v) { f.*field = v; },
        [field](const DescribedWindow& f) { return f.*field; });
  }
}

void RegisterConfigWindow(widgets::ClassRegistry& registry) {
  widgets::Published<ConfigWindow> p(registry.Add("TfmLPCOnfigWindow", "TfmLPFormParent",
                                                  &RegisterDescribedWindow,
                                                  [] { return std::make_unique<ConfigWindow>(); }));
  p.Int(
      "ImageIndex", [](ConfigWindow& f, int32_t v) { f.ImageIndex = v; },
      [](const ConfigWindow& f) { return f.ImageIndex; });
}

}  // namespace lpc
