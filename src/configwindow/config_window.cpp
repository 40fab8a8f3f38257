#include "configwindow/config_window.h"

#include "configwindow/component_classes.h"
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

void RegisterConfigWindowClasses(widgets::ClassRegistry& registry) {
  using widgets::Published;
  {
    widgets::ClassInfo& info = registry.Add("TfmLPFormParent", "TForm",
                                            [] { return std::make_unique<DescribedWindow>(); });
    Published<DescribedWindow> p(info);
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
  {
    widgets::ClassInfo& info = registry.Add("TfmLPCOnfigWindow", "TfmLPFormParent",
                                            [] { return std::make_unique<ConfigWindow>(); });
    Published<ConfigWindow> p(info);
    p.Int(
        "ImageIndex", [](ConfigWindow& f, int32_t v) { f.ImageIndex = v; },
        [](const ConfigWindow& f) { return f.ImageIndex; });
  }
}

}  // namespace lpc
