// Loading the show's next picture away from the frame thread. Reading, decoding and fitting a
// picture depend only on its file and the screen it is fitted to, so they run on a worker while
// the current picture stays on screen; everything that touches the window, the wave generator or
// the process-wide random generator stays with the caller, in the order it always had.
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "effects/wave_generator.h"
#include "package/packed_image.h"

namespace lpc {

// How a picture is fitted to the screen.
struct FitOptions {
  int ScreenWidth = 0;
  int ScreenHeight = 0;
  bool Stretch = true;
  bool Proportional = true;
  int Speed = 100;
  bool operator==(const FitOptions&) const = default;
};

// A picture ready to be shown.
struct LoadedPicture {
  std::string File;
  bool Plain = true;
  // A picture whose file does not exist: the show passes over it to the next one.
  bool Missing = false;
  // A picture that is there but cannot be read or decoded, and why (the reader's message).
  bool Unreadable = false;
  std::string Error;
  Bitmap PlainBitmap;                   // a plain picture, scaled
  Size DisplaySize;                     // of the plain picture after scaling
  std::unique_ptr<PackedImage> Packed;  // a packed picture, loaded, sped and fitted
  // Its water layout, worked out on an engine of its own (see WaveGenerator::AdoptLayout).
  std::unique_ptr<WaveGenerator> Layout;
};

// Only ".JPG", ".BMP" and ".GIF" are plain pictures; everything else, ".JPEG" included, is packed.
bool IsPlainPictureFile(const std::string& file);

// Reads, decodes and fits one picture. A file that is not there comes back Missing, one that
// cannot be read or decoded Unreadable; only a lack of memory passes on.
LoadedPicture LoadShowPicture(const std::string& file, const FitOptions& fit);

// One picture loading in the background at a time. A load that is dropped is never waited for:
// its worker finishes on its own and its result goes with it, so neither a change of plan nor
// the end of the show waits for a decoder.
class PictureLoader {
 public:
  PictureLoader() = default;
  ~PictureLoader() { Cancel(); }
  PictureLoader(const PictureLoader&) = delete;
  PictureLoader& operator=(const PictureLoader&) = delete;

  // Starts loading file unless that very load is already under way; any other load is dropped.
  void Start(const std::string& file, const FitOptions& fit);
  // Starts reading and decoding file at once and fits it once fit is ready: the decoding goes
  // on while the size it is fitted to is still being worked out (a window not made yet).
  void Start(const std::string& file, std::shared_future<FitOptions> fit);
  // A load of file with fit has been started and not taken yet.
  bool Holds(const std::string& file, const FitOptions& fit) const;
  bool Busy() const { return result_.valid(); }
  // Waits at most budget; true once the load has finished (or failed).
  bool WaitFor(std::chrono::milliseconds budget) const;
  // The finished load; its error passes on. The loader is idle afterwards.
  LoadedPicture Take();
  // Drops the load at once; a worker still busy with it finishes alone.
  void Cancel();

 private:
  std::string file_;
  std::shared_future<FitOptions> fit_;
  std::future<LoadedPicture> result_;
};

}  // namespace lpc
