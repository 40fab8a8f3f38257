#include "configwindow/preview_pane.h"

#include "configwindow/component_classes.h"
#include "configwindow/picture_kind.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "widgets/picture_data.h"

namespace lpc {

TLPPreview::TLPPreview() {
  SetBounds(0, 0, 105, 105);
  // What a blank bitmap shows: the colour around the pane.
  SetParentColor(true);
}

void TLPPreview::SetPicture(Bitmap picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TLPPreview::Paint(Canvas& canvas) {
  if (picture_.empty()) return;
  if (Stretch) {
    canvas.StretchDraw(Rect{0, 0, Width(), Height()}, picture_);
  } else if (Center) {
    canvas.Draw((Width() - picture_.width()) / 2, (Height() - picture_.height()) / 2, picture_);
  } else {
    canvas.Draw(0, 0, picture_);
  }
}

void TLPPreview::ShowFile(const std::string& file_name) {
  file_name_ = file_name;
  Stretch = true;
  Bitmap source;
  switch (ShownKindOf(file_name)) {
    case ShownKind::kPacked: {
      TProject project;
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

void TLPPreview::Rerender() {
  if (file_name_.empty()) return;
  ShowFile(file_name_);
  Invalidate();
}

void RegisterPreviewPane(widgets::ClassRegistry& registry) {
  widgets::Published<TLPPreview> p(registry.Add(
      "TLPPreview", "TGraphicControl", [] { return std::make_unique<TLPPreview>(); }));
  p.Raw("Picture.Data", [](TLPPreview& c, const PropertyValue& v) {
    c.SetPicture(widgets::DecodePictureData(widgets::ValueToBinary(v)));
  });
  p.Bool("Stretch", [](TLPPreview& c, bool v) { c.Stretch = v; c.Invalidate(); },
         [](const TLPPreview& c) { return c.Stretch; });
  p.Bool("Center", [](TLPPreview& c, bool v) { c.Center = v; c.Invalidate(); });
  p.Bool("Transparent", [](TLPPreview& c, bool v) { c.Transparent = v; });
  p.Bool("Proportional", [](TLPPreview& c, bool v) { c.Proportional = v; });
  p.Bool("AutoSize", [](TLPPreview& c, bool v) { c.AutoSize = v; });
  p.Ignored("IncrementalDisplay");
  p.String("UnavailableMsg", [](TLPPreview& c, const std::string& v) { c.UnavailableMsg = v; },
           [](const TLPPreview& c) { return c.UnavailableMsg; });
}

}  // namespace lpc
