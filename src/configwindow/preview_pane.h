// PreviewPane: the still picture of the selected image in the configuration window. The file is
// decoded and smoothly resampled once per request into a bitmap of exactly the pane's size, so
// painting is a plain copy; a later resize stretches that bitmap until the next request.
#pragma once

#include <string>

#include "base/bitmap.h"
#include "widgets/image.h"

namespace lpc {

// "TLPPreview": Picture, Stretch and the rest come from "TImage".
void RegisterPreviewPane(widgets::ClassRegistry& registry);

class PreviewPane : public widgets::Image {
 public:
  PreviewPane();

  // Remembers the name and shows that file: a packed image's picture, or a ".jpg", ".bmp" or
  // ".gif" file, resampled to the pane's size; any other kind gives a blank bitmap of that
  // size. A file that is missing or does not decode raises the loader's error and leaves the
  // previous bitmap in place (the name is already the new one).
  void ShowFile(const std::string& file_name);
  // Shows the remembered file again and repaints; nothing while no name is remembered.
  void Rerender();
  const std::string& FileName() const { return file_name_; }
  // Accepted from layouts and kept; not shown.
  std::string UnavailableMsg;

 private:
  std::string file_name_;
};

}  // namespace lpc
