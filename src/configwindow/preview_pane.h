// PreviewPane: the still picture of the selected image in the configuration window. The file is
// decoded and smoothly resampled once per request into a bitmap of exactly the pane's size, so
// painting is a plain copy; a later resize stretches that bitmap until the next request.
#pragma once

#include <string>
#include <vector>

#include "base/bitmap.h"
#include "configwindow/current_picture_view.h"
#include "widgets/image.h"

namespace lpc {

// "TLPPreview": Picture, Stretch and the rest come from "TImage".
void RegisterPreviewPane(widgets::ClassRegistry& registry);

class PreviewPane : public widgets::Image, public CurrentPictureView {
 public:
  PreviewPane();

  // The window's current picture, shown with ShowFile. On opening the pane shows the first
  // picture unless that is the current one: the window's refresh right after shows the current
  // picture in every pane, and loading it here as well would only decode it twice.
  void OpenPictures(const std::vector<std::string>& pictures, int32_t current,
                    const UserChoicesPlace& place, std::function<void(int32_t)> choose) override;
  void ShowCurrentPicture(const std::vector<std::string>& pictures, int32_t index) override;

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
