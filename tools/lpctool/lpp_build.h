// The packed image of `lpctool lpp`, built in memory from a picture, an optional region mask and
// wave and weather settings. `lpctool show` builds the same one to look at a photograph's water
// before anything is written.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "package/packed_image.h"

namespace lpctool {

struct LppOptions {
  std::string output;
  std::string picture;
  std::string mask;
  std::string thumbnail;
  std::string title;
  std::string artist;
  std::string sound;
  std::vector<std::string> waves;
  std::string weather;
  bool lossless = false;
  // Say on stderr when the picture is converted to JPEG (nothing is stored when showing it).
  bool note_conversion = true;
};

// Adds --mask, --wave and --weather, with the help that lists every key, to cmd.
void AddWaterOptions(CLI::App* cmd, LppOptions& o);

// The packed image of o (o.output is not used). Errors name the file or option and the fault;
// notes and warnings about the mask go to stderr.
lpc::PackedImageData BuildPackedImage(const LppOptions& o);

}  // namespace lpctool
