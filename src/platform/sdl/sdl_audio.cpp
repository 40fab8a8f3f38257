// Audio through SDL2_mixer: picture sounds loop on a reserved channel; music uses the mixer's
// single music stream. Without an audio device every call fails softly.
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>

#include "platform/sdl/sdl_platform.h"

namespace lpc::platform {

namespace {

constexpr int kSoundChannel = 0;
constexpr const char* kSoundFont = "/usr/share/sounds/sf3/default-GM.sf3";

std::atomic<Uint32> g_music_event{0};

// Runs on the mixer's thread: only post an event, never touch our objects.
void OnMusicFinished() {
  SDL_Event e{};
  e.type = g_music_event.load();
  e.user.data1 = reinterpret_cast<void*>(
      static_cast<uintptr_t>(SdlPlatform::music_session.load()));
  SDL_PushEvent(&e);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool SdlPlatform::NeedAudio() {
  if (audio_state_ != 0) return audio_state_ > 0;
  audio_state_ = -1;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  Mix_Init(MIX_INIT_MID | MIX_INIT_MP3 | MIX_INIT_OGG);
  if (!std::getenv("SDL_SOUNDFONTS") && IsRegularFile(kSoundFont)) Mix_SetSoundFonts(kSoundFont);
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  Mix_AllocateChannels(8);
  Mix_ReserveChannels(1);  // channel 0 belongs to the picture sound
  g_music_event = music_event_;
  Mix_HookMusicFinished(OnMusicFinished);
  audio_state_ = 1;
  return true;
}

bool SdlPlatform::PlayLoopingSound(const std::string& file) {
  StopSound();
  if (!IsRegularFile(file) || !NeedAudio()) return false;
  sound_ = Mix_LoadWAV(file.c_str());
  if (!sound_) return false;
  if (Mix_PlayChannel(kSoundChannel, sound_, -1) < 0) {
    Mix_FreeChunk(sound_);
    sound_ = nullptr;
    return false;
  }
  return true;
}

void SdlPlatform::StopSound() {
  if (!sound_) return;
  Mix_HaltChannel(kSoundChannel);
  Mix_FreeChunk(sound_);
  sound_ = nullptr;
}

// ---------------------------------------------------------------------------------------------

class SdlMusicPlayer : public MusicPlayer {
 public:
  explicit SdlMusicPlayer(SdlPlatform& platform) : platform_(platform) {}
  ~SdlMusicPlayer() override { Close(); }

  bool Open(const std::string& file) override {
    Close();
    if (!IsRegularFile(file)) {
      error_ = file + ": file not found";
      return false;
    }
    if (!platform_.NeedAudio()) {
      error_ = "no audio device is available";
      return false;
    }
    music_ = Mix_LoadMUS(file.c_str());
    if (!music_) {
      error_ = file + ": " + Mix_GetError();
      return false;
    }
    const double seconds = Mix_MusicDuration(music_);
    length_ = seconds > 0 ? static_cast<uint32_t>(std::lround(seconds * 1000.0)) : 0;
    return true;
  }

  bool Play(Window* notify) override {
    if (!music_) {
      error_ = "no music file is open";
      return false;
    }
    Halt();
    notify_ = notify;
    ended_ = false;
    // The session changes before the stream starts, so that the finished hook of an older
    // stream can never carry the new session.
    session_ = ++SdlPlatform::music_session;
    platform_.music_owner = this;
    if (Mix_PlayMusic(music_, 1) != 0) {
      error_ = Mix_GetError();
      platform_.music_owner = nullptr;
      return false;
    }
    playing_ = true;
    start_ = SDL_GetTicks();
    return true;
  }

  void Stop() override {
    if (playing_) stopped_at_ = Position();
    Halt();
  }

  void Close() override {
    Halt();
    if (music_) Mix_FreeMusic(music_);
    music_ = nullptr;
    length_ = 0;
    ended_ = false;
  }

  bool IsOpen() const override { return music_ != nullptr; }

  uint32_t Position() const override {
    if (!music_) return 0;
    if (ended_) return length_;
    if (!playing_) return stopped_at_;
    const double seconds = Mix_GetMusicPosition(music_);
    const uint32_t pos = seconds >= 0 ? static_cast<uint32_t>(std::lround(seconds * 1000.0))
                                      : SDL_GetTicks() - start_;
    // Until the end arrives the position stays short of the length, whatever the decoder says.
    return length_ > 0 && pos >= length_ ? length_ - 1 : pos;
  }

  uint32_t Length() const override { return length_; }
  std::string LastError() const override { return error_; }

  // The finished hook fired for `session`.
  void Finished(uint64_t session) {
    if (!playing_ || session != session_) return;
    playing_ = false;
    ended_ = true;
    platform_.music_owner = nullptr;
    platform_.loop().PostMusicEnded(notify_, this);
  }

 private:
  void Halt() {
    if (platform_.music_owner == this) {
      ++SdlPlatform::music_session;  // whatever the hook posts now belongs to no one
      Mix_HaltMusic();
      platform_.music_owner = nullptr;
    }
    playing_ = false;
  }

  SdlPlatform& platform_;
  Mix_Music* music_ = nullptr;
  std::string error_;
  uint32_t length_ = 0;
  uint32_t start_ = 0;
  uint32_t stopped_at_ = 0;
  uint64_t session_ = 0;
  bool playing_ = false;
  bool ended_ = false;
  Window* notify_ = nullptr;
};

void DeliverMusicEnd(SdlPlatform& platform, uint64_t session) {
  if (platform.music_owner) platform.music_owner->Finished(session);
}

std::unique_ptr<MusicPlayer> SdlPlatform::CreateMusicPlayer() {
  return std::make_unique<SdlMusicPlayer>(*this);
}

void SdlPlatform::CloseAudio() {
  if (audio_state_ <= 0) return;
  StopSound();
  Mix_HookMusicFinished(nullptr);
  Mix_HaltMusic();
  Mix_CloseAudio();
  Mix_Quit();
  audio_state_ = 0;
}

}  // namespace lpc::platform
