#include "presentation/audio_rules.h"

#include "base/paths.h"
#include "base/text_encoding.h"
#include "presentation/slideshow_rules.h"

namespace lpc {

namespace {

std::string SoundsFolder(const std::string& base) {
  return IncludeTrailingSeparator(JoinPath(base, "sounds"));
}

}  // namespace

std::vector<std::string> PictureSoundCandidates(const std::string& stored,
                                                const std::string& work_folder,
                                                const std::string& install_path,
                                                const std::string& program_folder) {
  // The packed image names its sound in Windows-1252.
  const std::string path = FileNameOnDisk(stored);
  const std::string name = ExtractFileName(path);
  return {path, JoinPath(work_folder, name), SoundsFolder(install_path) + name,
          SoundsFolder(program_folder) + name};
}

std::string FindPictureSound(const std::string& stored, const std::string& work_folder,
                             const std::string& install_path, const std::string& program_folder,
                             const std::function<bool(const std::string&)>& exists) {
  if (stored.empty() || stored == kNoSound) return {};
  const std::vector<std::string> candidates =
      PictureSoundCandidates(stored, work_folder, install_path, program_folder);
  for (const std::string& candidate : candidates) {
    // A bare name must not be found relative to whatever the current folder happens to be.
    if (&candidate == &candidates.front() && ExtractFilePath(stored).empty()) continue;
    if (exists(candidate)) return candidate;
  }
  return candidates.back();
}

void PictureSoundLoop::PlayImageSound(const std::string& name, const std::string& install_path) {
  if (name == kNoSound) {
    last_sound_ = name;
    return;
  }
  std::string sound = name.empty() ? std::string(kDefaultSound) : name;
  if (ExtractFilePath(sound).empty()) sound = SoundsFolder(install_path) + sound;
  if (sound != last_sound_) play_(sound);
  last_sound_ = sound;
}

void PictureSoundLoop::StopImageSound() {
  stop_();
  last_sound_.clear();
}

std::vector<std::string> MusicPlayList(const std::string& music_file,
                                       const std::string& work_folder) {
  std::vector<std::string> list;
  const std::string text = music_file + ";";
  size_t start = 0;
  for (size_t semi = text.find(';'); semi != std::string::npos;
       start = semi + 1, semi = text.find(';', start)) {
    const std::string piece = FileNameOnDisk(text.substr(start, semi - start));
    if (piece.empty()) continue;
    list.push_back(ExtractFilePath(piece).empty() ? JoinPath(work_folder, piece) : piece);
  }
  return list;
}

int NextMusicIndex(int mode, int count, int current) { return NextIndex(mode == 0, count, current); }

}  // namespace lpc
