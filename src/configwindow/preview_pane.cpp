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

void PreviewPane::OpenPictures(const std::vector<std::string>& pictures, int32_t current,
                               const UserChoicesPlace& /*place*/,
                               std::function<void(int32_t)> /*choose*/) {
  if (!pictures.empty() && current != 0) ShowFile(pictures.front());
}

void PreviewPane::ShowCurrentPicture(const std::vector<std::string>& pictures, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= pictures.size()) return;
  ShowFile(pictures[static_cast<size_t>(index)]);
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
