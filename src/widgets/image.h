// A picture: drawn at its size in the top-left corner, or centred, or stretched to the bounds
// (whole pixels repeated or dropped, never blended), optionally keeping its proportions; with
// Transparent the colour of its bottom-left pixel lets the background through.
#pragma once

#include "base/bitmap.h"
#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TImage".
void RegisterImage(ClassRegistry& registry);

class Image : public Component {
 public:
  Image();
  void SetPicture(Bitmap picture);
  const Bitmap& Picture() const { return picture_; }
  void Paint(Canvas& canvas) override;
  void Loaded() override { AdjustSize(); }
  // With AutoSize, takes the picture's size.
  void AdjustSize();
  // Where the picture lands inside the bounds with the current settings.
  Rect DestRect() const;

  bool Stretch = false;
  bool Center = false;
  bool Transparent = false;
  bool Proportional = false;
  bool AutoSize = false;
  // Each sets its field and repaints; SetAutoSize takes the picture's size.
  void SetStretch(bool stretch);
  void SetCenter(bool center);
  void SetTransparent(bool transparent);
  void SetProportional(bool proportional);
  void SetAutoSize(bool auto_size);

 protected:
  Bitmap picture_;
};

}  // namespace lpc::widgets
