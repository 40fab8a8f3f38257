// Audio through SDL2_mixer: picture sounds loop on a reserved channel; music uses the mixer's
// single music stream. Without an audio device every call fails softly.
//
// The mixer is loaded on first use: it pulls in some forty codec, synthesizer and sound-server
// libraries, several megabytes of memory and milliseconds of start-up that a show without
// sound or music never needs.
#include <SDL_loadso.h>
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

// The mixer's entry points, resolved when the library is loaded.
struct MixerApi {
#define LPC_MIXER_FUNCTIONS(X)                                                               \
  X(Mix_Init) X(Mix_Quit) X(Mix_SetSoundFonts) X(Mix_OpenAudio) X(Mix_CloseAudio)            \
  X(Mix_AllocateChannels) X(Mix_ReserveChannels) X(Mix_HookMusicFinished) X(Mix_LoadWAV_RW)  \
  X(Mix_PlayChannelTimed) X(Mix_HaltChannel) X(Mix_FreeChunk) X(Mix_LoadMUS) X(Mix_FreeMusic) \
  X(Mix_MusicDuration) X(Mix_PlayMusic) X(Mix_HaltMusic) X(Mix_GetMusicPosition)
#define LPC_MIXER_POINTER(name) decltype(&::name) name = nullptr;
  LPC_MIXER_FUNCTIONS(LPC_MIXER_POINTER)
#undef LPC_MIXER_POINTER
  void* library = nullptr;
};

MixerApi g_mix;

// Loads SDL2_mixer once; false (and the reason in SDL_GetError) when it or one of its entry
// points is missing.
bool LoadMixer() {
  if (g_mix.library) return true;
  void* library = nullptr;
  for (const char* name : {"libSDL2_mixer-2.0.so.0", "libSDL2_mixer.so"}) {
    if ((library = SDL_LoadObject(name))) break;
  }
  if (!library) return false;
  MixerApi api;
  bool complete = true;
#define LPC_MIXER_RESOLVE(name)                                                        \
  api.name = reinterpret_cast<decltype(api.name)>(SDL_LoadFunction(library, #name)); \
  complete = complete && api.name != nullptr;
  LPC_MIXER_FUNCTIONS(LPC_MIXER_RESOLVE)
#undef LPC_MIXER_RESOLVE
  if (!complete) {
    SDL_UnloadObject(library);
    return false;
  }
  api.library = library;
  g_mix = api;
  return true;
}

}  // namespace

bool SdlPlatform::NeedAudio() {
  if (audio_state_ != 0) return audio_state_ > 0;
  audio_state_ = -1;
  if (!LoadMixer()) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  g_mix.Mix_Init(MIX_INIT_MID | MIX_INIT_MP3 | MIX_INIT_OGG);
  if (!std::getenv("SDL_SOUNDFONTS") && IsRegularFile(kSoundFont)) g_mix.Mix_SetSoundFonts(kSoundFont);
  if (g_mix.Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
    g_mix.Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  g_mix.Mix_AllocateChannels(8);
  g_mix.Mix_ReserveChannels(1);  // channel 0 belongs to the picture sound
  g_music_event = music_event_;
  g_mix.Mix_HookMusicFinished(OnMusicFinished);
  audio_state_ = 1;
  return true;
}

bool SdlPlatform::PlayLoopingSound(const std::string& file) {
  StopSound();
  if (!IsRegularFile(file) || !NeedAudio()) return false;
  sound_ = g_mix.Mix_LoadWAV_RW(SDL_RWFromFile(file.c_str(), "rb"), 1);
  if (!sound_) return false;
  if (g_mix.Mix_PlayChannelTimed(kSoundChannel, sound_, -1, -1) < 0) {
    g_mix.Mix_FreeChunk(sound_);
    sound_ = nullptr;
    return false;
  }
  return true;
}

void SdlPlatform::StopSound() {
  if (!sound_) return;
  g_mix.Mix_HaltChannel(kSoundChannel);
  g_mix.Mix_FreeChunk(sound_);
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
    music_ = g_mix.Mix_LoadMUS(file.c_str());
    if (!music_) {
      error_ = file + ": " + SDL_GetError();
      return false;
    }
    const double seconds = g_mix.Mix_MusicDuration(music_);
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
    if (g_mix.Mix_PlayMusic(music_, 1) != 0) {
      error_ = SDL_GetError();
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
    if (music_) g_mix.Mix_FreeMusic(music_);
    music_ = nullptr;
    length_ = 0;
    ended_ = false;
  }

  bool IsOpen() const override { return music_ != nullptr; }

  uint32_t Position() const override {
    if (!music_) return 0;
    if (ended_) return length_;
    if (!playing_) return stopped_at_;
    const double seconds = g_mix.Mix_GetMusicPosition(music_);
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
      g_mix.Mix_HaltMusic();
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
  g_mix.Mix_HookMusicFinished(nullptr);
  g_mix.Mix_HaltMusic();
  g_mix.Mix_CloseAudio();
  g_mix.Mix_Quit();
  audio_state_ = 0;
}

}  // namespace lpc::platform
