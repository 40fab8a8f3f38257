#include "presentation/picture_loader.h"

#include <new>
#include <thread>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "presentation/slideshow_rules.h"

namespace lpc {

bool IsPlainPictureFile(const std::string& file) {
  const std::string ext = UpperFileExt(file);
  return ext == ".JPG" || ext == ".BMP" || ext == ".GIF";
}

namespace {

// Reads and decodes file, then asks fit_when_ready how to fit it.
template <typename FitSource>
LoadedPicture LoadAndFit(const std::string& file, const FitSource& fit_when_ready) {
  LoadedPicture result;
  result.File = file;
  result.Plain = IsPlainPictureFile(file);
  if (result.Plain) {
    Bitmap picture = LoadPicture(file);
    const FitOptions fit = fit_when_ready();
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
  result.Packed = std::make_unique<PackedImage>();
  // The mask is only read once, into the layout below: its runs do for that, without a
  // picture-sized bitmap of it.
  result.Packed->KeepMaskRuns = true;
  result.Packed->LoadFromFile(file);
  const FitOptions fit = fit_when_ready();
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

// As LoadAndFit, but a file that is not there or cannot be read is a result, not an error: the
// show passes over it.
template <typename FitSource>
LoadedPicture LoadUnlessMissing(const std::string& file, const FitSource& fit_when_ready) {
  LoadedPicture failed;
  failed.File = file;
  failed.Plain = IsPlainPictureFile(file);
  try {
    return LoadAndFit(file, fit_when_ready);
  } catch (const FileNotFoundError&) {
    failed.Missing = true;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    failed.Unreadable = true;
    failed.Error = e.what();
  }
  return failed;
}

}  // namespace

LoadedPicture LoadShowPicture(const std::string& file, const FitOptions& fit) {
  return LoadUnlessMissing(file, [&fit] { return fit; });
}

void PictureLoader::Start(const std::string& file, const FitOptions& fit) {
  if (Holds(file, fit)) return;
  std::promise<FitOptions> known;
  known.set_value(fit);
  Start(file, known.get_future().share());
}

void PictureLoader::Start(const std::string& file, std::shared_future<FitOptions> fit) {
  Cancel();
  file_ = file;
  fit_ = fit;
  // The worker gets its own copies: it shares nothing with the frame thread but the futures,
  // and it is detached, so a dropped load costs the frame thread nothing.
  std::promise<LoadedPicture> done;
  result_ = done.get_future();
  std::thread([done = std::move(done), file, fit]() mutable {
    try {
      done.set_value(LoadUnlessMissing(file, [&fit] { return fit.get(); }));
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  }).detach();
}

bool PictureLoader::Holds(const std::string& file, const FitOptions& fit) const {
  return result_.valid() && file_ == file && fit_.valid() && fit_.get() == fit;
}

bool PictureLoader::WaitFor(std::chrono::milliseconds budget) const {
  return result_.valid() && result_.wait_for(budget) == std::future_status::ready;
}

LoadedPicture PictureLoader::Take() {
  file_.clear();
  return result_.get();
}

void PictureLoader::Cancel() {
  result_ = {};
  file_.clear();
}

}  // namespace lpc
