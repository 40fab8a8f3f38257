#include "widgets/image.h"

#include <algorithm>

#include "widgets/picture_data.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

Image::Image() {
  SetBounds(0, 0, 105, 105);
  SetParentColor(true);
}

void Image::SetPicture(Bitmap picture) {
  picture_ = std::move(picture);
  AdjustSize();
  Invalidate();
}

void Image::AdjustSize() {
  if (AutoSize && !picture_.empty()) {
    SetBounds(Left(), Top(), picture_.width(), picture_.height());
  }
}

void Image::SetStretch(bool stretch) {
  Stretch = stretch;
  Invalidate();
}

void Image::SetCenter(bool center) {
  Center = center;
  Invalidate();
}

void Image::SetTransparent(bool transparent) {
  Transparent = transparent;
  Invalidate();
}

void Image::SetProportional(bool proportional) {
  Proportional = proportional;
  Invalidate();
}

void Image::SetAutoSize(bool auto_size) {
  AutoSize = auto_size;
  AdjustSize();
}

Rect Image::DestRect() const {
  if (picture_.empty()) return Rect{};
  int w = picture_.width();
  int h = picture_.height();
  if (Stretch || (Proportional && (w > Width() || h > Height()))) {
    if (Proportional) {
      // The largest size of the picture's proportions that fits (64-bit: huge pictures).
      const int64_t by_width = static_cast<int64_t>(h) * Width() / w;
      if (by_width <= Height()) {
        h = static_cast<int>(by_width);
        w = Width();
      } else {
        w = static_cast<int>(static_cast<int64_t>(w) * Height() / h);
        h = Height();
      }
    } else {
      w = Width();
      h = Height();
    }
  }
  if (Center) return MakeRect((Width() - w) / 2, (Height() - h) / 2, w, h);
  return MakeRect(0, 0, w, h);
}

void Image::Paint(Canvas& canvas) {
  const Rect dest = DestRect();
  if (dest.IsEmpty()) return;
  if (!Transparent) {
    canvas.StretchDraw(dest, picture_);
    return;
  }
  // Whole-pixel stretch into a scratch bitmap, then every pixel but the key colour.
  const lpc::Color key = picture_.At(0, picture_.height() - 1);
  Bitmap scaled(dest.Width(), dest.Height());
  Canvas sc(scaled);
  sc.StretchDraw(Rect{0, 0, dest.Width(), dest.Height()}, picture_);
  for (int y = 0; y < scaled.height(); ++y) {
    for (int x = 0; x < scaled.width(); ++x) {
      const lpc::Color c = scaled.At(x, y);
      if (c != key) canvas.SetPixel(dest.left + x, dest.top + y, c);
    }
  }
}

void RegisterImage(ClassRegistry& registry) {
  Published<Image> p(registry.Add("TImage", "TGraphicControl", &RegisterGraphicControl,
                                  [] { return std::make_unique<Image>(); }));
  p.Raw("Picture.Data", [](Image& c, const PropertyValue& v) {
    c.SetPicture(DecodePictureData(ValueToBinary(v)));
  });
  p.Bool("Stretch", &Image::SetStretch, &Image::Stretch);
  p.Bool("Center", &Image::SetCenter, &Image::Center);
  p.Bool("Transparent", &Image::SetTransparent, &Image::Transparent);
  p.Bool("Proportional", &Image::SetProportional, &Image::Proportional);
  p.Bool("AutoSize", &Image::SetAutoSize, &Image::AutoSize);
  p.Ignored("IncrementalDisplay");
}

}  // namespace lpc::widgets
