#include "configwindow/preview_pane.h"

#include "configwindow/picture_kind.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "package/packed_image.h"

namespace lpc {

// A blank bitmap shows the colour around the pane (a picture's ParentColor is on).
PreviewPane::PreviewPane() = default;

void PreviewPane::ShowFile(const std::string& file_name) {
  file_name_ = file_name;
  Stretch = true;
  Bitmap source;
  switch (ShownKindOf(file_name)) {
    case ShownKind::kPacked: {
      PackedImage project;
      project.LoadFromFile(file_name);
      source = std::move(project.Picture);
      break;
    }
    case ShownKind::kPlain:
      source = LoadPicture(file_name);
      break;
    case ShownKind::kNone:
      break;
  }
  Bitmap shown(Width(), Height(), widgets::ToRGB(EffectiveColor()));
  if (!source.empty()) SmoothResizeBitmap(source, shown);
  // Last, so that a file that failed above leaves the old picture in place.
  SetPicture(std::move(shown));
}

void PreviewPane::Rerender() {
  if (file_name_.empty()) return;
  ShowFile(file_name_);
  Invalidate();
}

void RegisterPreviewPane(widgets::ClassRegistry& registry) {
  widgets::Published<PreviewPane> p(registry.Add("TLPPreview", "TImage", &widgets::RegisterImage,
                                                 [] { return std::make_unique<PreviewPane>(); }));
  p.String(
      "UnavailableMsg", [](PreviewPane& c, const std::string& v) { c.UnavailableMsg = v; },
      [](const PreviewPane& c) { return c.UnavailableMsg; });
}

}  // namespace lpc
