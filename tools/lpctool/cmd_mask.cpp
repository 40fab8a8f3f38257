// lpctool mask: a water region mask for `lpp --mask`, grown from points in the photograph.
#include <cmath>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "command.h"
#include "imaging/picture.h"
#include "mask_fill.h"
#include "pack_checks.h"
#include "photo_import.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

struct MaskOptions {
  std::string photo;
  std::string output;
  std::string overlay;
  int tolerance = kDefaultTolerance;
  int64_t holes = -1;  // -1: a share of the photograph's pixels
  // Filled by CLI11; the operations themselves are read back in command-line order.
  std::vector<std::string> fills, cuts, belows, regions;
  CLI::Option* fill = nullptr;
  CLI::Option* cut = nullptr;
  CLI::Option* below = nullptr;
  CLI::Option* region = nullptr;
};

// A glint or a fleck of foam is a small patch inside the water; this share of the photograph
// (600 pixels of a 4000 x 3000 one) is smaller than a boat or a buoy seen from the shore.
inline constexpr int64_t kHoleShare = 20000;
inline constexpr const char* kRegionColourNames[5] = {"none", "blue", "magenta", "red", "yellow"};

struct Point {
  int x, y;
};

Point ParsePoint(const std::string& text, const std::string& option, const std::string& photo,
                 int width, int height) {
  const size_t comma = text.find(',');
  const auto x = lpc::TryStrToInt(lpc::Trim(text.substr(0, comma)));
  const auto y = comma == std::string::npos ? std::nullopt
                                            : lpc::TryStrToInt(lpc::Trim(text.substr(comma + 1)));
  if (!x || !y) throw lpc::Error(option + " " + text + ": expected X,Y in pixels, e.g. 120,400");
  if (*x < 0 || *y < 0 || *x >= width || *y >= height) {
    throw lpc::FormatError(
        photo, lpc::Format("%s %s is outside the photograph (%d x %d; X 0 to %d, "
                           "Y 0 to %d)",
                           option.c_str(), text.c_str(), width, height, width - 1, height - 1));
  }
  return {*x, *y};
}

// "--below 420" or "--below 60%": the first row that is water.
int ParseRow(const std::string& text, const std::string& photo, int height) {
  const std::string t = lpc::Trim(text);
  const bool percent = !t.empty() && t.back() == '%';
  const auto v = lpc::TryStrToInt(percent ? t.substr(0, t.size() - 1) : t);
  if (!v || *v < 0 || (percent && *v > 100)) {
    throw lpc::Error("--below " + text + ": expected a row in pixels or a percentage (0% to 100%)");
  }
  const int row = percent ? static_cast<int>(std::lround(*v * height / 100.0)) : *v;
  if (row >= height) {
    throw lpc::FormatError(photo, lpc::Format("--below %s leaves no water: the photograph has rows "
                                              "0 to %d",
                                              text.c_str(), height - 1));
  }
  return row;
}

void Run(const MaskOptions& o, const CLI::App& cmd) {
  for (const std::string* path : {&o.output, &o.overlay}) {
    if (!path->empty() && lpc::FileKindOf(*path) != lpc::FileKind::kPng &&
        lpc::FileKindOf(*path) != lpc::FileKind::kBitmap) {
      throw lpc::FormatError(*path,
                             "write masks and overlays as PNG or BMP (JPEG shifts the "
                             "region colours)");
    }
  }
  // The photograph is never overwritten, and the mask and the overlay are two files.
  for (const std::string* path : {&o.output, &o.overlay}) {
    if (!path->empty() && lpc::SameFile(*path, o.photo)) {
      throw lpc::Error(*path + ": is the photograph itself; name another file to write");
    }
  }
  if (!o.overlay.empty() && lpc::SameFile(o.output, o.overlay)) {
    throw lpc::Error(o.overlay + ": the mask and the overlay must be two different files");
  }
  // Both targets are checked before the work: a folder or another user's link in their place
  // is refused now, not after the photograph has been read.
  lpc::WriteTarget(o.output);
  if (!o.overlay.empty()) lpc::WriteTarget(o.overlay);
  if (o.tolerance < 0 || o.tolerance > 255) {
    throw lpc::Error(lpc::Format("--tolerance %d: must be 0 to 255", o.tolerance));
  }
  if (o.fills.empty() && o.belows.empty()) {
    throw lpc::Error("nothing to mark: give --fill X,Y or --below ROW");
  }
  // Read as lpp reads it, turned upright, so that the mask fits the picture lpp stores.
  const lpc::Bitmap photo = ImportPicture(o.photo, ImportOptions{.jpeg_only = true}).pixels;
  const int64_t pixels = static_cast<int64_t>(photo.width()) * photo.height();
  const size_t operations = cmd.parse_order().size();
  Progress progress("mask", operations + 1);
  WaterMask mask(photo, o.tolerance, o.holes >= 0 ? o.holes : pixels / kHoleShare);
  progress.Advance(1);

  uint8_t region = 1;
  size_t next_fill = 0, next_cut = 0, next_below = 0, next_region = 0;
  for (const CLI::Option* opt : cmd.parse_order()) {
    if (opt == o.region) {
      const std::string& text = o.regions[next_region++];
      const auto v = lpc::TryStrToInt(lpc::Trim(text));
      if (!v || *v < 1 || *v > 4) throw lpc::Error("--region " + text + ": must be 1 to 4");
      region = static_cast<uint8_t>(*v);
    } else if (opt == o.fill) {
      const std::string& text = o.fills[next_fill++];
      const Point p = ParsePoint(text, "--fill", o.photo, photo.width(), photo.height());
      // A fill that stops at once started on an edge, a boat or a speck, not in water.
      const int64_t reached = mask.Fill(p.x, p.y, region);
      if (reached < 16) {
        throw lpc::FormatError(
            o.photo, lpc::Format("--fill %s found no water: only %lld %s there %s alike; pick a "
                                 "point inside the water or raise --tolerance (now %d)",
                                 text.c_str(), static_cast<long long>(reached),
                                 reached == 1 ? "pixel" : "pixels", reached == 1 ? "is" : "are",
                                 o.tolerance));
      }
      if (reached == pixels) {
        Warn(o.photo + lpc::Format(": --fill %s covers the whole photograph; lower --tolerance "
                                   "(now %d) to stop it at the shore",
                                   text.c_str(), o.tolerance));
      }
    } else if (opt == o.cut) {
      const std::string& text = o.cuts[next_cut++];
      const Point p = ParsePoint(text, "--cut", o.photo, photo.width(), photo.height());
      if (mask.Cut(p.x, p.y) == 0) {
        Warn(o.photo + ": --cut " + text +
             " took nothing away: no water is connected to it yet "
             "(a cut applies to the fills and --below before it)");
      }
    } else if (opt == o.below) {
      mask.Below(ParseRow(o.belows[next_below++], o.photo, photo.height()), region);
    }
    progress.Advance(1);
  }
  if (mask.WaterPixels() == 0) {
    throw lpc::FormatError(o.photo, "the mask has no water left: the cuts took away everything");
  }

  // Both pictures are made before either is written, so a failure leaves no file behind.
  const std::string mask_bytes = lpc::FileKindOf(o.output) == lpc::FileKind::kPng
                                     ? lpc::EncodePng(mask.Picture())
                                     : lpc::EncodeBmp(mask.Picture());
  std::string overlay_bytes;
  if (!o.overlay.empty()) {
    const lpc::Bitmap overlay = mask.Overlay(photo);
    overlay_bytes = lpc::FileKindOf(o.overlay) == lpc::FileKind::kPng ? lpc::EncodePng(overlay)
                                                                      : lpc::EncodeBmp(overlay);
  }
  // Both files are written beside their targets first and renamed into place together, so a
  // failure (a full disk, an overlay name that is a folder) leaves the author's earlier mask and
  // overlay as they were.
  std::vector<std::unique_ptr<lpc::AtomicFileWriter>> files;
  files.push_back(std::make_unique<lpc::AtomicFileWriter>(o.output));
  files.back()->Write(mask_bytes);
  if (!o.overlay.empty()) {
    files.push_back(std::make_unique<lpc::AtomicFileWriter>(o.overlay));
    files.back()->Write(overlay_bytes);
  }
  std::vector<lpc::AtomicFileWriter*> together;
  for (const auto& file : files) together.push_back(file.get());
  lpc::CommitTogether(together);
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "mask",
      "Make the water region mask of a photograph for `lpp --mask`, without a paint program. "
      "Operations apply in command-line order: --fill grows water from a point over neighbouring "
      "pixels of similar colour (gradients and soft ripples are followed; boats, posts, buoys and "
      "shores stop it), --below marks every row from a horizon down, --cut takes away what is "
      "connected to a point (a pier, a boat), --region picks the region (1 blue, 2 magenta, 3 "
      "red, 4 yellow) the operations after it write. Check the result with --overlay.\n"
      "Example: lpctool mask sea.jpg -o sea-mask.png --fill 600,700 --region 2 --fill 100,650 "
      "--cut 420,610 --overlay sea-check.png");
  auto o = std::make_shared<MaskOptions>();
  cmd->add_option("photo", o->photo, "The photograph (JPEG, PNG, BMP, GIF, WebP, HEIC), turned upright as its EXIF says")->required();
  cmd->add_option("-o,--output", o->output, "Mask to write (PNG or BMP)")->required();
  o->fill =
      cmd->add_option("--fill", o->fills,
                      "X,Y: the water connected to this pixel, counted from the top left corner "
                      "(repeatable). Each pixel is "
                      "compared with its neighbour, not with the starting point, so a sea "
                      "that darkens towards the horizon is followed to its end");
  o->below = cmd->add_option("--below", o->belows,
                             "ROW or PERCENT%: every row from this one down (e.g. 420 or 60%)");
  o->cut = cmd->add_option("--cut", o->cuts,
                           "X,Y: what is connected to this pixel stops being water (repeatable; "
                           "takes away from the operations before it)");
  o->region = cmd->add_option("--region", o->regions,
                              "N: region 1 to 4 for the operations that follow (default 1)");
  for (CLI::Option* opt : {o->fill, o->below, o->cut, o->region}) {
    opt->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
  cmd->add_option("--tolerance", o->tolerance,
                  lpc::Format("N: how much neighbouring pixels may differ in red, green and blue "
                              "(0 to 255) and still be the same water. The photograph is "
                              "smoothed over 3 x 3 pixels first, so JPEG noise and single "
                              "sparkles do not stop a fill. Raise it when a fill stops short in "
                              "choppy water, lower it when it runs up a beach (default %d)",
                              kDefaultTolerance));
  cmd->add_option("--holes", o->holes,
                  "N: patches of at most N pixels enclosed by a fill (glints of light, foam) "
                  "become water too; larger ones such as boats and buoys stay dry (default: "
                  "1/20000 of the photograph's pixels; 0 keeps every patch)");
  cmd->add_option("--overlay", o->overlay,
                  "Also write the photograph with the regions tinted over it (PNG or BMP), to "
                  "check the mask at a glance");
  cmd->callback([o, cmd] { Run(*o, *cmd); });
}

}  // namespace

LPCTOOL_COMMAND("mask", Setup);

}  // namespace lpctool
