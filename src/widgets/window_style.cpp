#include "widgets/window_style.h"

#include <string>
#include <vector>

#include "base/paths.h"

namespace lpc::widgets {

void PublishWindowStyle(Published<FormWindow>& p) {
  p.Enum("Position",
         {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
          "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
         [](FormWindow& f, int v) { f.WindowStyle.centered = v >= 4; });
  p.Enum("WindowState", {"wsNormal", "wsMinimized", "wsMaximized"},
         [](FormWindow& f, int v) { f.WindowStyle.maximized = v == 2; });
  p.Raw("BorderIcons", [](FormWindow& f, const PropertyValue& v) {
    const std::vector<std::string> icons = ValueToSet(v);
    auto has = [&](const char* name) {
      for (const std::string& s : icons) {
        if (SameText(s, name)) return true;
      }
      return false;
    };
    f.WindowStyle.system_menu = has("biSystemMenu");
    f.WindowStyle.minimize_box = has("biMinimize");
    f.WindowStyle.maximize_box = has("biMaximize");
  });
  p.Enum("BorderStyle",
         {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
         [](FormWindow& f, int v) {
           using platform::BorderStyle;
           static const BorderStyle kStyles[] = {BorderStyle::kNone,     BorderStyle::kFixed,
                                                 BorderStyle::kSizeable, BorderStyle::kDialog,
                                                 BorderStyle::kFixed,    BorderStyle::kSizeable};
           f.WindowStyle.border = kStyles[v];
         });
  p.Ignored("FormStyle");
}

platform::WindowOptions FlaggedWindowStyle(const WindowFlags& flags) {
  platform::WindowOptions style;
  style.kind = platform::WindowKind::kFramed;
  style.border = flags.no_frame   ? platform::BorderStyle::kNone
                 : flags.sizeable ? platform::BorderStyle::kSizeable
                                  : platform::BorderStyle::kFixed;
  style.system_menu = flags.show_buttons;
  style.maximize_box = flags.maximize_button;
  style.minimize_box = flags.minimize_button;
  style.maximized = flags.maximize_on_show;
  style.centered = true;
  return style;
}

}  // namespace lpc::widgets
