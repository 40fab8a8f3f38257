#include "presentation/picture_loader.h"

#include "base/fileio.h"
#include "base/paths.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "presentation/slideshow_rules.h"

namespace lpc {

bool IsPlainPictureFile(const std::string& file) {
  const std::string ext = UpperFileExt(file);
  return ext == ".JPG" || ext == ".BMP" || ext == ".GIF";
}

LoadedPicture LoadShowPicture(const std::string& file, const FitOptions& fit) {
  LoadedPicture result;
  result.File = file;
  result.Plain = IsPlainPictureFile(file);
  if (result.Plain) {
    Bitmap picture = LoadPicture(file);
    result.DisplaySize = ScaledPictureSize(picture.width(), picture.height(), fit.ScreenWidth,
                                           fit.ScreenHeight, fit.Stretch, fit.Proportional);
    if (fit.Stretch) {
      result.PlainBitmap.SetSize(result.DisplaySize.width, result.DisplaySize.height);
      SmoothResizeBitmap(picture, result.PlainBitmap);
    } else {
      result.PlainBitmap = std::move(picture);
    }
    return result;
  }
  if (!FileExists(file)) {
    result.Missing = true;
    return result;
  }
  result.Packed = std::make_unique<PackedImage>();
  // The mask is only read once, into the layout below: its runs do for that, without a
  // picture-sized bitmap of it.
  result.Packed->KeepMaskRuns = true;
  result.Packed->LoadFromFile(file);
  result.Packed->SetSpeed(fit.Speed);
  if (fit.Stretch) {
    // The mask is read stretched by the layout below.
    FitProjectPicture(fit.Proportional, *result.Packed, fit.ScreenWidth, fit.ScreenHeight);
  }
  result.Layout = std::make_unique<WaveGenerator>();
  result.Layout->AttachProject(result.Packed.get());
  result.Layout->PrepareLayout(fit.Stretch);
  // The layout says all the mask did.
  result.Packed->Mask = Bitmap();
  result.Packed->MaskRuns = {};
  return result;
}

void PictureLoader::Start(const std::string& file, const FitOptions& fit) {
  if (Holds(file, fit)) return;
  Cancel();
  file_ = file;
  fit_ = fit;
  // The worker gets its own copies: it shares nothing with the frame thread but the future.
  result_ = std::async(std::launch::async,
                       [file, fit] { return LoadShowPicture(file, fit); });
}

bool PictureLoader::Holds(const std::string& file, const FitOptions& fit) const {
  return result_.valid() && file_ == file && fit_ == fit;
}

bool PictureLoader::WaitFor(std::chrono::milliseconds budget) const {
  return result_.valid() && result_.wait_for(budget) == std::future_status::ready;
}

LoadedPicture PictureLoader::Take() {
  file_.clear();
  return result_.get();
}

void PictureLoader::Cancel() {
  if (result_.valid()) result_.wait();
  result_ = {};
  file_.clear();
}

}  // namespace lpc
