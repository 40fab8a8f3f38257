// Checks of the Win32 platform's system services and audio, run under Wine.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "checks_common.h"
#include "presentation/wallpaper.h"

namespace lpc::wine_checks {

void ErrorTextFormats() {
  LPC_CHECK_EQ(Format("%zu|%lld|%s|%5.2f", static_cast<size_t>(7), -3LL, "x", 2.5),
               std::string("7|-3|x| 2.50"));
  LPC_CHECK_EQ(std::string(ListIndexError(12345678901LL).what()),
               std::string("List index out of bounds (12345678901)"));
}

// --- system services --------------------------------------------------------------------------

void Registry() {
  Platform& p = *g_platform;
  const std::string key = "Software\\LPCSaver Checks";
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  LPC_CHECK(!p.RegistryKeyExists(key));
  LPC_CHECK(!p.ReadRegistryString(key, "Text").has_value());
  LPC_CHECK(p.WriteRegistryString(key, "Text", "Hello"));
  LPC_CHECK(p.RegistryKeyExists(key));
  LPC_CHECK(p.RegistryKeyExists("\\" + key));  // a leading "\" does not matter
  LPC_CHECK_EQ(p.ReadRegistryString("\\" + key, "Text").value_or("?"), std::string("Hello"));
  LPC_CHECK_EQ(p.ReadRegistryString(key, "TEXT").value_or("?"), std::string("Hello"));

  struct Row {
    const char* text;
    std::optional<int32_t> value;
  };
  const Row rows[] = {{"12", 12}, {"0x1F", 31}, {"-7", -7}, {"abc", std::nullopt}, {"", std::nullopt}};
  for (const Row& row : rows) {
    p.WriteRegistryString(key, "Number text", row.text);
    if (p.ReadRegistryInteger(key, "Number text") != row.value) {
      lpc::wine_checks::Fail(std::string("integer read of \"") + row.text + "\"");
    }
  }
  LPC_CHECK(p.WriteRegistryInteger(key, "Number", -5));
  LPC_CHECK_EQ(p.ReadRegistryInteger(key, "Number").value_or(0), -5);
  LPC_CHECK(!p.ReadRegistryString(key, "Number").has_value());  // a DWORD is not a string
  LPC_CHECK(!p.ReadRegistryInteger(key, "Missing").has_value());
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  LPC_CHECK(p.RegistryKeyExists("Control Panel\\Desktop"));
}

void OsFamilyAndServices() {
  Platform& p = *g_platform;
  // Wine presents itself as an NT-family Windows: no 9x password check, no running flag.
  LPC_CHECK(p.GetOsFamily() == OsFamily::kWindowsNT);
  p.SetScreenSaverRunning(true);
  p.SetScreenSaverRunning(false);
  auto player = p.CreateMusicPlayer();
  LPC_CHECK(!player->Open(TempFolder() + "no such track.mid"));
  LPC_CHECK(!player->LastError().empty());
  LPC_CHECK(!player->IsOpen());
  LPC_CHECK_EQ(player->Position(), 0u);
  LPC_CHECK_EQ(player->Length(), 0u);
  LPC_CHECK(!player->Play(nullptr));
  LPC_CHECK(p.Ticks() - p.Ticks() <= 1u);
}

void ShellWallpaperPasswords() {
  Platform& p = *g_platform;
  // The shell refuses a document that does not exist.
  LPC_CHECK(!p.OpenDocument(TempFolder() + "lpc checks\\no such document.lpcx"));

  // The wallpaper is recorded in the user's profile.
  const std::string bmp = TempFolder() + "lpc checks\\Wall Paper.scr.bmp";
  std::string file = "BM";
  const uint32_t header = 14 + 40, pixels = 4 * 2 * 2;
  auto u32 = [&file](uint32_t v) {
    for (int i = 0; i < 4; ++i) file += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  u32(header + pixels);
  u32(0);
  u32(header);
  u32(40);
  u32(2);
  u32(2);
  file += std::string("\x01\x00\x20\x00", 4);  // one plane, 32 bits
  u32(0);
  u32(pixels);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  file.append(pixels, '\x7F');
  WriteFile(bmp, file);
  LPC_CHECK(p.SetDesktopWallpaper(bmp, Bitmap(2, 2, 0x7F7F7F)));
  LPC_CHECK_EQ(Lower(p.ReadRegistryString("Control Panel\\Desktop", "Wallpaper").value_or("")),
               Lower(bmp));

  // Wine has MPR.DLL with its password export, but no PASSWORD.CPL.
  LPC_CHECK(p.HasPasswordProvider());
  LPC_CHECK(p.ChangePassword(0));
  Recorder r;
  r.on_show = [&](Window& w) {
    LPC_CHECK(p.VerifyScreenSavePassword(w) == PasswordCheck::kUnavailable);
    w.Close(kModalOk);
  };
  auto window = p.OpenWindow(Framed(40, 30), &r);
  p.RunModal(*window);
}

// The portable service on the real registry: "\Control Panel\desktop" names the profile's
// desktop key, whose tiling is switched off whatever it was.
void WallpaperService() {
  Platform& p = *g_platform;
  SetCurrent(&p);
  CreateDirectoryA((TempFolder() + "lpc checks").c_str(), nullptr);
  const std::string file = WallpaperFileName(TempFolder() + "lpc checks\\Wall Paper.scr");
  DeleteFileA(file.c_str());
  LPC_CHECK(p.WriteRegistryString("Control Panel\\Desktop", "TileWallpaper", "1"));
  Bitmap picture(4, 2, 0x204080);
  LPC_CHECK(SetDesktopWallpaper(picture, file) == WallpaperResult::kSet);
  LPC_CHECK(GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES);
  LPC_CHECK_EQ(p.ReadRegistryString("Control Panel\\Desktop", "TileWallpaper").value_or("?"),
               std::string("0"));
  LPC_CHECK_EQ(Lower(p.ReadRegistryString("Control Panel\\Desktop", "Wallpaper").value_or("")),
               Lower(file));
  SetCurrent(nullptr);
}

// --- audio ----------------------------------------------------------------------------------

// A mono 16-bit WAV of the given length, silent.
std::string MakeWav(const std::string& name, int ms) {
  const std::string path = TempFolder() + "lpc checks\\" + name;
  CreateDirectoryA((TempFolder() + "lpc checks").c_str(), nullptr);
  const uint32_t rate = 22050;
  const uint32_t data = rate * 2 * static_cast<uint32_t>(ms) / 1000;
  std::string wav = "RIFF....WAVEfmt ";
  auto u32 = [&wav](uint32_t v) {
    for (int i = 0; i < 4; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto u16 = [&wav](uint16_t v) {
    wav += static_cast<char>(v & 0xFF);
    wav += static_cast<char>(v >> 8);
  };
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  wav += "data";
  u32(data);
  wav.append(data, '\0');
  const uint32_t riff = static_cast<uint32_t>(wav.size() - 8);
  for (int i = 0; i < 4; ++i) wav[4 + i] = static_cast<char>((riff >> (8 * i)) & 0xFF);
  WriteFile(path, wav);
  return path;
}

// Needs an audio device: the driver script gives Wine ALSA's null device.
void MusicToTheEnd() {
  Platform& p = *g_platform;
  LPC_CHECK(waveOutGetNumDevs() > 0);
  const std::string track = MakeWav("track.wav", 400);
  auto player = p.CreateMusicPlayer();
  LPC_CHECK(player->Open(track));
  LPC_CHECK(player->IsOpen());
  LPC_CHECK(player->Length() >= 390 && player->Length() <= 410);
  int ends = 0;
  uint32_t position_at_end = 0;
  Recorder r;
  r.on_show = [&](Window& w) {
    // A play superseded by another, and one stopped, report no end.
    LPC_CHECK(player->Play(&w));
    LPC_CHECK(player->Play(&w));
    p.StartTimer(w, 9, 10000);  // a track that never ends fails here
  };
  r.on_event = [&](Window& w, const Event& e) {
    if (e.kind == EventKind::kMusicEnded) {
      ++ends;
      LPC_CHECK(e.player == player.get());
      position_at_end = player->Position();
      w.Close(kModalOk);
    } else if (e.kind == EventKind::kTimer) {
      w.Close(kModalCancel);
    }
  };
  auto window = p.OpenWindow(Framed(40, 30), &r);
  LPC_CHECK_EQ(p.RunModal(*window), kModalOk);
  LPC_CHECK_EQ(ends, 1);
  LPC_CHECK(position_at_end >= player->Length());

  // Stopped before its end: no notification.
  Recorder quiet;
  quiet.on_show = [&](Window& w) {
    player->Play(&w);
    player->Stop();
    p.StartTimer(w, 9, 800);
  };
  quiet.on_event = [&](Window& w, const Event& e) {
    if (e.kind == EventKind::kTimer) w.Close(kModalOk);
  };
  auto window2 = p.OpenWindow(Framed(40, 30), &quiet);
  p.RunModal(*window2);
  LPC_CHECK_EQ(quiet.Count(EventKind::kMusicEnded), 0);
  player->Close();
  LPC_CHECK(!player->IsOpen());
  LPC_CHECK_EQ(player->Length(), 0u);
}

void LoopingSounds() {
  Platform& p = *g_platform;
  const std::string sound = MakeWav("loop.wav", 200);
  LPC_CHECK(p.PlayLoopingSound(sound));
  p.Sleep(300);
  p.StopSound();
  p.StopSound();  // stopping twice is harmless
}

}  // namespace lpc::wine_checks
