// The rules of the show's two kinds of sound: the looping sound a packed picture names and the
// background music play list. Decisions only; the window hands the results to the platform's
// audio service.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lpc {

inline constexpr char kNoSound[] = "<No Sound>";
inline constexpr char kDefaultSound[] = "Default.wav";

// Where a packed picture's sound is looked for, in order: the name as stored, the work folder,
// the authoring tool's sound library (install_path + "sounds"), the program's own "sounds"
// folder. Only the file-name part of the stored name is used after the first candidate.
std::vector<std::string> PictureSoundCandidates(const std::string& stored,
                                                const std::string& work_folder,
                                                const std::string& install_path,
                                                const std::string& program_folder);

// The first candidate that exists; the last one when none does. A picture that names no sound
// ("" or "<No Sound>") gives "": the caller silences the previous picture's loop, just as a
// sound that cannot be found would.
std::string FindPictureSound(const std::string& stored, const std::string& work_folder,
                             const std::string& install_path, const std::string& program_folder,
                             const std::function<bool(const std::string&)>& exists);

// The looping picture sound. It remembers the sound started last, so that consecutive
// pictures with the same sound keep one uninterrupted loop.
class PictureSoundLoop {
 public:
  // play(name) starts name looping in place of whatever plays; stop() silences it.
  PictureSoundLoop(std::function<void(const std::string&)> play, std::function<void()> stop)
      : play_(std::move(play)), stop_(std::move(stop)) {}

  // "<No Sound>" starts nothing; "" means "Default.wav"; a bare name is taken from the sound
  // library (install_path + "sounds"). The same sound as last time goes on undisturbed.
  void PlayImageSound(const std::string& name, const std::string& install_path);
  // Stops the sound and forgets it.
  void StopImageSound();
  const std::string& LastSound() const { return last_sound_; }

 private:
  std::function<void(const std::string&)> play_;
  std::function<void()> stop_;
  std::string last_sound_;
};

// The music play list from the project's MusicFile: the pieces between ";" in order, empty
// pieces skipped, a piece without a folder taken from the work folder.
std::vector<std::string> MusicPlayList(const std::string& music_file,
                                       const std::string& work_folder);

// The next track: mode 0 picks at random, never the same track twice in a row when there are
// two or more; every other mode plays the list in order and repeats it.
int NextMusicIndex(int mode, int count, int current);

}  // namespace lpc
