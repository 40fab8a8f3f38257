// Which files the thumbnail strip and the preview pane can show. They go by the upper-cased
// extension and know exactly three plain kinds: a ".jpeg" or ".png" file is not shown there,
// although the slideshow's loader would take it.
#pragma once

#include <string_view>

#include "base/paths.h"

namespace lpc {

enum class ShownKind { kNone, kPacked, kPlain };

inline ShownKind ShownKindOf(std::string_view path) {
  const std::string ext = UpperFileExt(path);
  if (ext == ".LPP") return ShownKind::kPacked;
  if (ext == ".JPG" || ext == ".BMP" || ext == ".GIF") return ShownKind::kPlain;
  return ShownKind::kNone;
}

}  // namespace lpc
