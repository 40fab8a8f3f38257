#include "configwindow/described_classes.h"

#include "base/paths.h"
#include "configwindow/config_window.h"
#include "configwindow/picture_button.h"
#include "configwindow/preview_pane.h"
#include "configwindow/state_buttons.h"
#include "configwindow/thumbnail_strip.h"
#include "widgets/check_box.h"
#include "widgets/edit.h"
#include "widgets/image.h"
#include "widgets/memo.h"
#include "widgets/page_control.h"
#include "widgets/panel.h"
#include "widgets/shape.h"
#include "widgets/standard_controls.h"
#include "widgets/stock_classes.h"

namespace lpc {

namespace {

using namespace widgets;

constexpr bool kRunsAction = true;
constexpr bool kNoAction = false;

constexpr DescribedClass kTable[] = {
    {"TForm", &RegisterForm, kNoAction},
    {"TEdit", &RegisterEdit, kNoAction},
    {"TfmLPCOnfigWindow", &RegisterConfigWindow, kNoAction},
    {"TLabel", &RegisterLabel, kRunsAction},
    {"TMyShape", &RegisterClickableShape, kRunsAction},
    {"TButton", &RegisterButton, kNoAction},
    {"TMyButton", &RegisterPictureButton, kNoAction},
    {"TPanel", &RegisterPanel, kRunsAction},
    {"TShape", &RegisterShape, kNoAction},
    {"TMyBevel", &RegisterBevel, kRunsAction},
    {"TBitBtn", &RegisterBitmapButton, kRunsAction},
    {"TPageControl", &RegisterPageControl, kNoAction},
    {"TImage", &RegisterImage, kRunsAction},
    {"TJetButton", &RegisterStateButton, kRunsAction},
    {"TLPPreview", &RegisterPreviewPane, kRunsAction},
    {"TLPThumbnail2", &RegisterThumbnailStrip, kNoAction},
    {"TMyMemo", &RegisterMemo, kNoAction},
    {"TCheckBox", &RegisterCheckBox, kNoAction},
    {"TTabSheet", &RegisterTabSheet, kNoAction},
};

const DescribedClass* FindRow(std::string_view name) {
  for (const DescribedClass& row : kTable) {
    if (SameText(row.name, name)) return &row;
  }
  return nullptr;
}

}  // namespace

std::span<const DescribedClass> DescribedClassTable() { return kTable; }

const widgets::ClassRegistry& DescribedClasses() {
  static widgets::ClassRegistry* registry = [] {
    auto* r = new widgets::ClassRegistry;
    for (const DescribedClass& row : kTable) r->Require(row.name, row.register_class);
    return r;
  }();
  return *registry;
}

const widgets::ClassInfo* FindDescribedClass(std::string_view name) {
  const DescribedClass* row = FindRow(name);
  return row ? DescribedClasses().Find(row->name) : nullptr;
}

bool ClickRunsAction(std::string_view class_name) {
  const DescribedClass* row = FindRow(class_name);
  return row && row->click_runs_action;
}

}  // namespace lpc
