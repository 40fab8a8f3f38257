#include "configwindow/config_window.h"

#include "configwindow/component_classes.h"
#include "widgets/stock_classes.h"

namespace lpc {

TfmLPCOnfigWindow::TfmLPCOnfigWindow() {
  SetCaption("fmLPCOnfigWindow");
  SetOuterWidth(588);
  SetOuterHeight(478);
  OnShow = [this](widgets::TForm&) { FormShow(); };
  OnClose = [this](widgets::TForm&) { FormClose(); };
}

void RegisterConfigWindowClasses(widgets::ClassRegistry& registry) {
  using widgets::Published;
  {
    widgets::ClassInfo& info = registry.Add("TfmLPFormParent", "TForm",
                                            [] { return std::make_unique<TfmLPFormParent>(); });
    Published<TfmLPFormParent> p(info);
    struct Flag {
      const char* name;
      bool TfmLPFormParent::*field;
    };
    static constexpr Flag kFlags[] = {
        {"Sizeable", &TfmLPFormParent::Sizeable},
        {"NoFrame", &TfmLPFormParent::NoFrame},
        {"MaximizeButton", &TfmLPFormParent::MaximizeButton},
        {"MinimizeButton", &TfmLPFormParent::MinimizeButton},
        {"ShowButtons", &TfmLPFormParent::ShowButtons},
        {"MaximizeOnShow", &TfmLPFormParent::MaximizeOnShow},
        {"Registered", &TfmLPFormParent::Registered},
    };
    for (const Flag& flag : kFlags) {
      auto field = flag.field;
      p.Bool(flag.name, [field](TfmLPFormParent& f, bool v) { f.*field = v; },
             [field](const TfmLPFormParent& f) { return f.*field; });
    }
  }
  {
    widgets::ClassInfo& info = registry.Add(
        "TfmLPCOnfigWindow", "TfmLPFormParent", [] { return std::make_unique<TfmLPCOnfigWindow>(); });
    Published<TfmLPCOnfigWindow> p(info);
    p.Int("ImageIndex", [](TfmLPCOnfigWindow& f, int32_t v) { f.ImageIndex = v; },
          [](const TfmLPCOnfigWindow& f) { return f.ImageIndex; });
  }
}

}  // namespace lpc
