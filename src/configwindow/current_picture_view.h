// A component that shows the configuration window's current picture (the thumbnail strip, the
// preview pane). The window tells every such component of its form what happens, through this
// interface alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "configwindow/user_choices.h"

namespace lpc {

class CurrentPictureView {
 public:
  virtual ~CurrentPictureView() = default;

  // The window opens over `pictures` (the project's list, which outlives the window) with
  // `current` as the picture it remembered; `place` holds the user's earlier choices, and
  // `choose` is what the view calls when the user picks a picture in it.
  virtual void OpenPictures(const std::vector<std::string>& pictures, int32_t current,
                            const UserChoicesPlace& place, std::function<void(int32_t)> choose) = 0;
  // pictures[index] is the current picture now (the same list; told also while the window
  // opens, before or after OpenPictures).
  virtual void ShowCurrentPicture(const std::vector<std::string>& pictures, int32_t index) = 0;
  // The window closes: what the user chose in the view is kept at `place`.
  virtual void ClosePictures(const UserChoicesPlace& /*place*/) {}
};

}  // namespace lpc
