// What the Windows check programs share: the platform under test, a window handler that
// records what happens, and small file helpers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "check.h"
#include "platform/backends.h"
#include "platform/folders.h"
#include "platform/win32/win32_internal.h"

namespace lpc::wine_checks {

using namespace lpc::platform;

inline Platform* g_platform = nullptr;

inline bool IsFolder(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

inline bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

struct Recorder : WindowHandler {
  std::vector<Event> events;
  int shows = 0, idles = 0, queries = 0, closes = 0, paints = 0;
  bool refuse_next_close = false;
  int idle_limit = -1;  // close after this many idle calls (-1: never)
  std::function<void(Window&, const Event&)> on_event;
  std::function<void(Window&)> on_show;

  void OnShow(Window& w) override {
    ++shows;
    if (on_show) on_show(w);
  }
  void OnEvent(Window& w, const Event& e) override {
    events.push_back(e);
    if (on_event) on_event(w, e);
  }
  bool OnIdle(Window& w) override {
    ++idles;
    if (idle_limit >= 0 && idles >= idle_limit) w.Close(kModalYes);
    return idle_limit >= 0;
  }
  bool OnCloseQuery(Window&) override {
    ++queries;
    if (refuse_next_close) {
      refuse_next_close = false;
      return false;
    }
    return true;
  }
  void OnClose(Window&) override { ++closes; }
  void OnPaint(Window&) override { ++paints; }
  int Count(EventKind kind) const {
    int n = 0;
    for (const Event& e : events) n += e.kind == kind;
    return n;
  }
};

inline WindowOptions Framed(int w, int h) {
  WindowOptions o;
  o.kind = WindowKind::kFramed;
  o.caption = "lpc check";
  o.client_width = w;
  o.client_height = h;
  o.left = 20;
  o.top = 20;
  return o;
}

inline HWND Hwnd(Window& w) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(w.Handle())); }

// The cases of services_checks.cpp.
void ErrorTextFormats();
void Registry();
void OsFamilyAndServices();
void ShellWallpaperPasswords();
void WallpaperService();
void MusicToTheEnd();
void LoopingSounds();

}  // namespace lpc::wine_checks
