// The show's sound: the background music play list and the looping sound of a packed picture.
#include <exception>
#include <string>

#include "base/fileio.h"
#include "base/paths.h"
#include "package/work_folder.h"
#include "presentation/audio_rules.h"
#include "presentation/show_window.h"

namespace lpc {

// The players take paths: a sound read in place in the program file gets a file of its own
// first. One that cannot be written is "" and does not play.
std::string PlayableFile(const std::string& path) {
  try {
    return PrivateWorkFolder::FileOnDisk(path);
  } catch (const std::exception&) {
    return {};
  }
}

void ShowWindow::StartMusic() {
  const ProjectSettings& s = project_.Setting;
  music_on_ = s.Music && !s.MusicFile.empty();
  if (!music_on_) return;
  music_files_ = MusicPlayList(s.MusicFile, env_.WorkFolder);
  music_mode_ = s.MusicMode;
  music_index_ = -1;
  music_index_ = NextMusicIndex(music_mode_, static_cast<int>(music_files_.size()), music_index_);
  try {
    media_player_ = platform_.CreateMusicPlayer();
    PlayTrackFrom(music_index_);
  } catch (const std::exception&) {
    // The show runs without music.
  }
}

bool ShowWindow::PlayTrackFrom(int first_index) {
  if (!media_player_ || music_files_.empty()) return false;
  const int count = static_cast<int>(music_files_.size());
  music_index_ = first_index;
  for (int attempt = 0; attempt < count; ++attempt) {
    if (music_index_ >= 0 && music_index_ < count) {
      const std::string& track = music_files_[static_cast<size_t>(music_index_)];
      media_player_->Close();
      const std::string file = PlayableFile(track);
      if (!file.empty() && media_player_->Open(file) && media_player_->Play(window_.get())) {
        return true;
      }
      // A track the package does not carry is the author's to know of; a host without sound
      // is not, nor a track a stop has just removed.
      if (!InPackage(track)) {
        NoteInReport("Music \"" + ExtractFileName(track) +
                     "\" is in the play list but not in the package; the music passes over it.");
      }
    }
    // A track that cannot play is passed over; a list where none plays leaves silence.
    music_index_ = NextMusicIndex(music_mode_, count, music_index_);
  }
  media_player_->Close();
  return false;
}

void ShowWindow::OnMusicEnded() {
  if (!media_player_ || !music_on_ || music_files_.empty()) return;
  if (media_player_->Position() < media_player_->Length()) return;
  PlayTrackFrom(NextMusicIndex(music_mode_, static_cast<int>(music_files_.size()), music_index_));
}

void ShowWindow::PlayPictureSound() {
  if (!Sound) return;
  const std::string sound =
      FindPictureSound(packed_picture_->SoundFile, env_.WorkFolder, env_.InstallPath,
                       env_.ProgramFolder, [](const std::string& f) { return FileExists(f); });
  if (sound.empty()) {
    picture_sound_.StopImageSound();
  } else {
    picture_sound_.PlayImageSound(sound, env_.InstallPath);
  }
}

}  // namespace lpc
