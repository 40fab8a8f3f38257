// Sound of the Win32 platform: looping picture sounds through sndPlaySoundA, music through the
// MCI command interface with completion notices to the platform's message window.
#include "platform/win32/win32_internal.h"

namespace lpc::platform::win32 {

bool Win32Platform::PlayLoopingSound(const std::string& file) {
  // No default beep for a missing file: a picture without its sound is simply silent.
  return sndPlaySoundA(file.c_str(), SND_ASYNC | SND_LOOP | SND_NODEFAULT) != FALSE;
}

void Win32Platform::StopSound() { sndPlaySoundA(nullptr, SND_ASYNC | SND_NODEFAULT); }

std::unique_ptr<MusicPlayer> Win32Platform::CreateMusicPlayer() {
  return std::make_unique<MciMusicPlayer>(*this);
}

MciMusicPlayer::MciMusicPlayer(Win32Platform& platform) : platform_(platform) {
  platform_.AddPlayer(this);
}

MciMusicPlayer::~MciMusicPlayer() {
  Close();
  platform_.RemovePlayer(this);
}

bool MciMusicPlayer::Fail(MCIERROR error, const std::string& what) {
  char text[256] = {};
  if (!mciGetErrorStringA(error, text, sizeof text) || !text[0]) {
    snprintf(text, sizeof text, "MCI error %lu", static_cast<unsigned long>(error));
  }
  last_error_ = what + ": " + text;
  return false;
}

bool MciMusicPlayer::Open(const std::string& file) {
  Close();
  last_error_.clear();
  // No device type: the system picks the device from the file's extension.
  MCI_OPEN_PARMSA open{};
  open.lpstrElementName = file.c_str();
  const MCIERROR rc =
      mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open));
  if (rc != 0) return Fail(rc, file);
  device_ = open.wDeviceID;
  MCI_SET_PARMS set{};
  set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  mciSendCommandA(device_, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT,
                  reinterpret_cast<DWORD_PTR>(&set));
  return true;
}

bool MciMusicPlayer::Play(Window* notify) {
  if (!device_) {
    last_error_ = "no track is open";
    return false;
  }
  playing_ = false;
  MCI_GENERIC_PARMS seek{};
  mciSendCommandA(device_, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT,
                  reinterpret_cast<DWORD_PTR>(&seek));
  MCI_PLAY_PARMS play{};
  DWORD flags = 0;
  notify_ = notify;
  if (notify) {
    flags |= MCI_NOTIFY;
    play.dwCallback = reinterpret_cast<DWORD_PTR>(platform_.message_window());
  }
  const MCIERROR rc = mciSendCommandA(device_, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play));
  if (rc != 0) return Fail(rc, "play");
  playing_ = true;
  return true;
}

void MciMusicPlayer::OnNotify(WPARAM flags) {
  // Superseded and aborted plays (a replay, a stop, a close) are not the end of the track.
  if (flags != MCI_NOTIFY_SUCCESSFUL || !playing_) return;
  playing_ = false;
  Window* target = notify_;
  if (!target || !platform_.IsLive(target)) return;
  Event e;
  e.kind = EventKind::kMusicEnded;
  e.player = this;
  // The handler may destroy this player: nothing of it is touched after this call.
  static_cast<Win32Window*>(target)->Deliver(e);
}

void MciMusicPlayer::Stop() {
  playing_ = false;
  if (!device_) return;
  MCI_GENERIC_PARMS stop{};
  mciSendCommandA(device_, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop));
}

void MciMusicPlayer::Close() {
  playing_ = false;
  notify_ = nullptr;
  if (!device_) return;
  MCI_GENERIC_PARMS close{};
  mciSendCommandA(device_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
  device_ = 0;
}

uint32_t MciMusicPlayer::Status(DWORD item) const {
  if (!device_) return 0;
  MCI_STATUS_PARMS status{};
  status.dwItem = item;
  if (mciSendCommandA(device_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                      reinterpret_cast<DWORD_PTR>(&status)) != 0) {
    return 0;
  }
  return static_cast<uint32_t>(status.dwReturn);
}

uint32_t MciMusicPlayer::Position() const { return Status(MCI_STATUS_POSITION); }

uint32_t MciMusicPlayer::Length() const { return Status(MCI_STATUS_LENGTH); }

}  // namespace lpc::platform::win32
