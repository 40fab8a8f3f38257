// Checks of the Windows folder services and the Win32 platform backend, run under Wine by
// scripts/test-windows. "--crash <report>" and "--abort <report>" are the child modes of the
// crash report checks; "--host <file>" stands in for a preview host window.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "checks_common.h"
#include "platform/crash.h"

using namespace lpc;
using namespace lpc::platform;
using namespace lpc::wine_checks;

namespace {

// --- folders ----------------------------------------------------------------------------------

void SystemFolders() {
  const std::string temp = TempFolder();
  LPC_CHECK(!temp.empty() && temp.back() == '\\');
  LPC_CHECK(IsFolder(temp));
  char buffer[MAX_PATH];
  GetWindowsDirectoryA(buffer, MAX_PATH);
  LPC_CHECK_EQ(WindowsFolder(), std::string(buffer) + "\\");
  GetSystemDirectoryA(buffer, MAX_PATH);
  LPC_CHECK_EQ(SystemFolder(), std::string(buffer) + "\\");
  LPC_CHECK(EndsWith(Lower(ProgramPath()), "\\lpc_wine_checks.exe"));
  LPC_CHECK(ProgramPath().size() > 3 && ProgramPath()[1] == ':');
}

void LongFileNames() {
  const std::string base = TempFolder() + "lpc checks";
  const std::string dir = base + "\\Long Folder Name";
  const std::string file = dir + "\\Sea Waves.scr";
  CreateDirectoryA(base.c_str(), nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  WriteFile(file, "x");
  char short_path[MAX_PATH] = {};
  GetShortPathNameA(file.c_str(), short_path, MAX_PATH);
  LPC_CHECK(std::string(short_path) != file);  // the file system does give short aliases

  std::string slashed = file;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  struct Row {
    std::string input;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {short_path, file},
      {file, file},
      {dir, dir},
      // Names come back as the file system lists them; the drive is kept as given.
      {Lower(file), Lower(file.substr(0, 2)) + file.substr(2)},
      {slashed, file},
      {"\\\\server\\share\\Sea Waves.scr", ""},
      {dir + "\\Sea*.scr", ""},
      {dir + "\\Sea?Waves.scr", ""},
      {dir + "\\Missing.scr", ""},
      {"", ""},
  };
  for (const Row& row : rows) {
    if (LongFileName(row.input) != row.expected) {
      lpc::wine_checks::Fail("LongFileName(" + row.input + ") gave \"" +
                             LongFileName(row.input) + "\", expected \"" + row.expected + "\"");
    }
  }
  // A name relative to the current folder.
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(dir.c_str());
  LPC_CHECK_EQ(LongFileName("Sea Waves.scr"), file);
  SetCurrentDirectoryA(saved);
}

void CreatingFolders() {
  const std::string base = TempFolder() + "lpc checks";
  CreateDirectoryA(base.c_str(), nullptr);
  const std::string fresh = base + "\\fresh " + std::to_string(GetTickCount());
  LPC_CHECK(CreateFolder(fresh));
  LPC_CHECK(IsFolder(fresh));
  LPC_CHECK(CreateFolder(fresh));  // already there
  LPC_CHECK(!CreateFolder(base + "\\missing parent\\child"));
  WriteFile(base + "\\plain file", "x");
  LPC_CHECK(!CreateFolder(base + "\\plain file"));
  RemoveDirectoryA(fresh.c_str());
}

// A claimed folder is busy for every other claim until released; a fresh file replaces what
// was there, never writing through it.
void ClaimingFolders() {
  const std::string base = TempFolder() + "lpc checks";
  CreateDirectoryA(base.c_str(), nullptr);
  const std::string folder = base + "\\claimed " + std::to_string(GetTickCount());
  std::unique_ptr<FolderLock> first, second;
  LPC_CHECK(ClaimFolder(folder, first) == FolderClaim::kClaimed);
  LPC_CHECK(ClaimFolder(folder, second) == FolderClaim::kBusy);
  first->Release();
  LPC_CHECK(ClaimFolder(folder, second) == FolderClaim::kClaimed);
  const std::string file = folder + "\\picture.jpg";
  WriteFile(file, "old");
  LPC_CHECK(CreateFreshFile(file));
  LPC_CHECK(GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES);
  DeleteFileA(file.c_str());
  second->Release();
  LPC_CHECK(RemoveDirectoryA(folder.c_str()));  // the lock file went with the release
  WriteFile(base + "\\plain file", "x");
  LPC_CHECK(ClaimFolder(base + "\\plain file", first) == FolderClaim::kUnusable);
}

// Error texts are built with the C99 formats (%zu, %lld), which the Microsoft runtime lacks.
void TimersAndRefusedClose() {
  Platform& p = *g_platform;
  Recorder r;
  r.refuse_next_close = true;
  r.on_show = [&](Window& w) { p.StartTimer(w, 5, 10); };
  r.on_event = [&](Window& w, const Event& e) {
    if (e.kind != EventKind::kTimer) return;
    const int n = r.Count(EventKind::kTimer);
    if (n == 3) {
      LPC_CHECK(!w.Close(kModalOk));  // refused: the window stays
      LPC_CHECK(!w.IsClosed());
    } else if (n == 4) {
      p.StopTimer(w, 5);
      LPC_CHECK(w.Close(kModalOk));
    }
  };
  auto window = p.OpenWindow(Framed(80, 60), &r);
  LPC_CHECK_EQ(p.RunModal(*window), kModalOk);
  LPC_CHECK_EQ(r.shows, 1);
  LPC_CHECK_EQ(r.queries, 2);
  LPC_CHECK_EQ(r.closes, 1);
  LPC_CHECK(window->IsClosed());
  LPC_CHECK(!window->IsVisible());
  for (const Event& e : r.events) LPC_CHECK_EQ(e.timer_id, 5);
  LPC_CHECK(window->Close());  // closing a closed window does nothing
  LPC_CHECK_EQ(r.closes, 1);
  // The timer waits without idle calls spinning: a handful per timer event at most.
  LPC_CHECK(r.idles < 200);
}

void IdleNeverWaits() {
  Platform& p = *g_platform;
  Recorder r;
  r.idle_limit = 500;
  auto window = p.OpenWindow(Framed(40, 30), &r);
  const uint32_t start = p.Ticks();
  LPC_CHECK_EQ(p.RunModal(*window), kModalYes);
  LPC_CHECK_EQ(r.idles, 500);
  LPC_CHECK(p.Ticks() - start < 5000u);
}

void NestedModalDropsOuterInput() {
  Platform& p = *g_platform;
  Recorder outer, inner;
  std::unique_ptr<Window> inner_window;
  int outer_timers_during_inner = 0;
  bool inner_running = false;
  int inner_result = -1;
  HWND outer_hwnd = nullptr;
  outer.on_show = [&](Window& w) {
    outer_hwnd = Hwnd(w);
    p.StartTimer(w, 1, 10);
    PostMessageA(Hwnd(w), WM_CHAR, 'o', 0);  // before the inner loop: delivered
  };
  outer.on_event = [&](Window& w, const Event& e) {
    if (e.kind != EventKind::kTimer) return;
    if (inner_running) {
      ++outer_timers_during_inner;
      return;
    }
    if (!inner_window) {
      WindowOptions o = Framed(50, 40);
      o.owner = &w;
      o.border = BorderStyle::kDialog;
      inner_window = p.OpenWindow(o, &inner);
      inner_running = true;
      inner_result = p.RunModal(*inner_window);
      inner_running = false;
      PostMessageA(Hwnd(w), WM_CHAR, 'p', 0);  // after it: delivered again
      return;
    }
    if (outer.Count(EventKind::kKeyChar) >= 2) w.Close(kModalOk);
  };
  inner.on_show = [&](Window& w) {
    PostMessageA(outer_hwnd, WM_CHAR, 'x', 0);  // to the outer window while the inner runs: dropped
    PostMessageA(Hwnd(w), WM_CHAR, 'i', 0);
    p.StartTimer(w, 2, 60);
  };
  inner.on_event = [&](Window& w, const Event& e) {
    if (e.kind == EventKind::kTimer) w.Close(kModalNo);
  };
  auto outer_window = p.OpenWindow(Framed(120, 90), &outer);
  LPC_CHECK_EQ(p.RunModal(*outer_window), kModalOk);
  LPC_CHECK_EQ(inner_result, kModalNo);
  std::string outer_chars, inner_chars;
  for (const Event& e : outer.events) {
    if (e.kind == EventKind::kKeyChar) outer_chars += static_cast<char>(e.ch);
  }
  for (const Event& e : inner.events) {
    if (e.kind == EventKind::kKeyChar) inner_chars += static_cast<char>(e.ch);
  }
  LPC_CHECK_EQ(outer_chars, std::string("op"));
  LPC_CHECK_EQ(inner_chars, std::string("i"));
  // Timers of the outer window go on while the inner loop runs.
  LPC_CHECK(outer_timers_during_inner >= 2);
}

// An error from a handler leaves RunModal as it was thrown; the outer windows get their input
// back and the window can run again.
void HandlerErrors() {
  Platform& p = *g_platform;
  Recorder inner;
  inner.on_show = [&](Window& w) { PostMessageA(Hwnd(w), WM_CHAR, 'x', 0); };
  inner.on_event = [](Window&, const Event& e) {
    if (e.kind == EventKind::kKeyChar) throw std::runtime_error("from a handler");
  };
  std::string caught;
  bool outer_enabled_after = false;
  Recorder outer;
  outer.on_show = [&](Window& w) {
    auto window = p.OpenWindow(Framed(40, 30), &inner);
    try {
      p.RunModal(*window);
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    LPC_CHECK(!window->IsClosed());
    outer_enabled_after = IsWindowEnabled(Hwnd(w)) != FALSE;
    inner.on_event = [](Window& iw, const Event& e) {
      if (e.kind == EventKind::kKeyChar) iw.Close(kModalYes);
    };
    LPC_CHECK_EQ(p.RunModal(*window), kModalYes);
    w.Close(kModalOk);
  };
  auto outer_window = p.OpenWindow(Framed(80, 60), &outer);
  LPC_CHECK_EQ(p.RunModal(*outer_window), kModalOk);
  LPC_CHECK_EQ(caught, std::string("from a handler"));
  LPC_CHECK(outer_enabled_after);
}

// A quit message closes every running loop's window, innermost first; a later loop runs on.
void QuitClosesEveryLoop() {
  Platform& p = *g_platform;
  Recorder outer, inner;
  int inner_result = -1;
  outer.on_show = [&](Window&) {
    auto window = p.OpenWindow(Framed(40, 30), &inner);
    inner.on_show = [](Window&) { PostQuitMessage(0); };
    inner_result = p.RunModal(*window);
  };
  auto outer_window = p.OpenWindow(Framed(80, 60), &outer);
  LPC_CHECK_EQ(p.RunModal(*outer_window), kModalCancel);
  LPC_CHECK_EQ(inner_result, kModalCancel);
  LPC_CHECK_EQ(inner.closes, 1);
  LPC_CHECK_EQ(outer.closes, 1);
  Recorder later;
  later.idle_limit = 3;
  auto later_window = p.OpenWindow(Framed(40, 30), &later);
  LPC_CHECK_EQ(p.RunModal(*later_window), kModalYes);
}

void InputTranslation() {
  Platform& p = *g_platform;
  Recorder r;
  r.on_show = [&](Window& w) {
    HWND h = Hwnd(w);
    PostMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(12, 34));
    PostMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-3), 5));
    PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 2));
    PostMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(3, 4));
    PostMessageA(h, WM_MBUTTONDBLCLK, 0, MAKELPARAM(5, 6));
    PostMessageA(h, WM_KEYDOWN, VK_F1, 0);
    PostMessageA(h, WM_KEYUP, VK_SHIFT, 0);
    PostMessageA(h, WM_CHAR, 0x1B, 0);
    PostMessageA(h, WM_CHAR, '\r', 0);
    PostMessageA(h, WM_CHAR, 0xE9, 0);  // e acute in the Western code page
    PostMessageA(h, WM_CLOSE, 0, 0);
  };
  auto window = p.OpenWindow(Framed(64, 48), &r);
  LPC_CHECK_EQ(p.RunModal(*window), kModalCancel);  // the close box's result
  struct Row {
    EventKind kind;
    int x, y;
    MouseButton button;
    int clicks;
    int key;
    char32_t ch;
  };
  const Row expected[] = {
      {EventKind::kMouseMove, 12, 34, MouseButton::kLeft, 1, 0, 0},
      {EventKind::kMouseMove, -3, 5, MouseButton::kLeft, 1, 0, 0},
      {EventKind::kMouseDown, 1, 2, MouseButton::kLeft, 1, 0, 0},
      {EventKind::kMouseUp, 3, 4, MouseButton::kRight, 1, 0, 0},
      {EventKind::kMouseDown, 5, 6, MouseButton::kMiddle, 2, 0, 0},
      {EventKind::kKeyDown, 0, 0, MouseButton::kLeft, 1, keys::kF1, 0},
      {EventKind::kKeyUp, 0, 0, MouseButton::kLeft, 1, keys::kShift, 0},
      {EventKind::kKeyChar, 0, 0, MouseButton::kLeft, 1, 0, 0x1B},
      {EventKind::kKeyChar, 0, 0, MouseButton::kLeft, 1, 0, U'\r'},
      {EventKind::kKeyChar, 0, 0, MouseButton::kLeft, 1, 0, U'\u00E9'},
  };
  LPC_CHECK_EQ(r.events.size(), std::size(expected));
  for (size_t i = 0; i < r.events.size() && i < std::size(expected); ++i) {
    const Event& e = r.events[i];
    const Row& x = expected[i];
    if (e.kind != x.kind || e.x != x.x || e.y != x.y || e.button != x.button ||
        e.clicks != x.clicks || e.key != x.key || e.ch != x.ch) {
      lpc::wine_checks::Fail("event " + std::to_string(i) + " differs (kind " +
                             std::to_string(static_cast<int>(e.kind)) + ")");
    }
  }
}

// Reads the client area back through the window's device context.
Bitmap ReadBack(Window& w) {
  const Size size = w.ClientSize();
  Bitmap out(size.width, size.height);
  HWND h = Hwnd(w);
  HDC window_dc = GetDC(h);
  HDC memory = CreateCompatibleDC(window_dc);
  BITMAPINFO info = win32::TopDownInfo(size.width, size.height);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, size.width, size.height, window_dc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* px = static_cast<const Color*>(bits);
  for (size_t i = 0; i < out.pixel_count(); ++i) out.data()[i] = px[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(h, window_dc);
  return out;
}

void PresentAndFill() {
  Platform& p = *g_platform;
  Bitmap picture(40, 30);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) picture.At(x, y) = MakeColor(x * 6, y * 8, (x + y) & 1 ? 255 : 0);
  }
  struct Row {
    const char* name;
    Rect src;
    int x, y;
  };
  const Row rows[] = {
      {"whole", Rect{0, 0, 40, 30}, 0, 0},
      {"part", Rect{8, 4, 24, 20}, 5, 6},
      {"negative position", Rect{0, 0, 40, 30}, -3, -2},
      {"source beyond the bitmap", Rect{-4, -6, 50, 36}, 10, 10},
      {"past the right edge", Rect{0, 0, 40, 30}, 50, 40},
  };
  Recorder r;
  r.on_show = [&](Window& w) {
    for (const Row& row : rows) {
      w.FillRect(Rect{0, 0, 64, 48}, 0x123456);
      w.Present(picture, row.src, row.x, row.y);
      Bitmap expected(64, 48, 0x123456);
      for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
          const int sx = x - row.x + row.src.left;
          const int sy = y - row.y + row.src.top;
          if (sx >= std::max(row.src.left, 0) && sx < std::min(row.src.right, 40) &&
              sy >= std::max(row.src.top, 0) && sy < std::min(row.src.bottom, 30)) {
            expected.At(x, y) = picture.At(sx, sy);
          }
        }
      }
      if (!(ReadBack(w) == expected)) lpc::wine_checks::Fail(std::string("present ") + row.name);
    }
    w.FillRect(Rect{2, 3, 10, 7}, 0xFF0000);
    const Bitmap shot = ReadBack(w);
    LPC_CHECK_EQ(shot.At(2, 3), 0xFF0000u);
    LPC_CHECK_EQ(shot.At(9, 6), 0xFF0000u);
    LPC_CHECK(shot.At(10, 6) != 0xFF0000u);  // right and bottom edges excluded
    LPC_CHECK(shot.At(9, 7) != 0xFF0000u);
    w.Close(kModalOk);
  };
  WindowOptions o = Framed(64, 48);
  o.border = BorderStyle::kNone;
  auto window = p.OpenWindow(o, &r);
  LPC_CHECK_EQ(window->ClientSize(), (Size{64, 48}));
  LPC_CHECK_EQ(p.RunModal(*window), kModalOk);
}

void HostedWindows() {
  Platform& p = *g_platform;
  WindowOptions hosted;
  hosted.kind = WindowKind::kHosted;
  hosted.host = 0;
  LPC_CHECK(p.OpenWindow(hosted, nullptr) == nullptr);
  hosted.host = 0x7FFF0;  // no such window
  LPC_CHECK(p.OpenWindow(hosted, nullptr) == nullptr);

  Recorder r;
  r.on_show = [&](Window& host) {
    WindowOptions o;
    o.kind = WindowKind::kHosted;
    o.host = host.Handle();
    auto guest = p.OpenWindow(o, nullptr);
    LPC_CHECK(guest != nullptr);
    if (guest) {
      LPC_CHECK_EQ(guest->Handle(), host.Handle());
      LPC_CHECK(guest->IsVisible());
      RECT wr;
      GetWindowRect(Hwnd(host), &wr);
      LPC_CHECK_EQ(guest->ClientSize(), (Size{wr.right - wr.left, wr.bottom - wr.top}));
      Bitmap green(8, 8, 0x00FF00);
      guest->Present(green, 4, 4);
      LPC_CHECK_EQ(ReadBack(host).At(5, 5), 0x00FF00u);
    }
    host.Close(kModalOk);
  };
  WindowOptions o = Framed(32, 24);
  o.border = BorderStyle::kNone;
  auto window = p.OpenWindow(o, &r);
  LPC_CHECK_EQ(p.RunModal(*window), kModalOk);
}

void DisplaysAndCovers() {
  Platform& p = *g_platform;
  int primaries = 0;
  for (const DisplayInfo& d : p.Displays()) {
    if (!d.primary) continue;
    ++primaries;
    const Size s = p.ScreenSize();
    LPC_CHECK(d.bounds == (Rect{0, 0, s.width, s.height}));
  }
  LPC_CHECK_EQ(primaries, 1);

  Recorder owner, covered;
  std::unique_ptr<Window> cover;
  Window* owner_window = nullptr;
  owner.on_show = [&](Window& w) {
    owner_window = &w;
    WindowOptions o;
    o.kind = WindowKind::kCover;
    o.left = 300;
    o.top = 200;
    o.client_width = 120;
    o.client_height = 90;
    o.owner = &w;
    cover = p.OpenWindow(o, &covered);
    LPC_CHECK(cover != nullptr);
    if (!cover) {
      w.Close(kModalOk);
      return;
    }
    HWND h = Hwnd(*cover);
    RECT r{};
    GetWindowRect(h, &r);
    LPC_CHECK_EQ(r.left, 300);
    LPC_CHECK_EQ(r.top, 200);
    LPC_CHECK_EQ(cover->ClientSize(), (Size{120, 90}));
    LPC_CHECK(cover->IsVisible());
    LPC_CHECK((GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    LPC_CHECK(GetActiveWindow() != h);  // the keyboard stays with the show
    LPC_CHECK_EQ(ReadBack(*cover).At(60, 45), 0u);
    // Input on the cover counts while its owner runs modally.
    PostMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(7, 8));
    PostMessageA(h, WM_CHAR, 'q', 0);
  };
  covered.on_event = [&](Window&, const Event& e) {
    if (e.kind == EventKind::kKeyChar && owner_window) owner_window->Close(kModalOk);
  };
  auto window = p.OpenWindow(Framed(64, 48), &owner);
  LPC_CHECK_EQ(p.RunModal(*window), kModalOk);
  LPC_CHECK_EQ(covered.Count(EventKind::kMouseMove), 1);
  LPC_CHECK(!covered.events.empty() && covered.events[0].x == 7 && covered.events[0].y == 8);
  cover.reset();
}

// The show's window ends when the program loses the foreground to another one, not when the
// activation moves to one of its own monitor covers.
void ShowEndsWhenAnotherProgramIsActivated() {
  Platform& p = *g_platform;
  Recorder show, covered;
  std::unique_ptr<Window> cover;
  show.on_show = [&](Window& w) {
    WindowOptions o;
    o.kind = WindowKind::kCover;
    o.client_width = 120;
    o.client_height = 90;
    o.owner = &w;
    cover = p.OpenWindow(o, &covered);
    LPC_CHECK(cover != nullptr);
    if (cover) SetActiveWindow(Hwnd(*cover));
    SetActiveWindow(Hwnd(w));
    p.StartTimer(w, 3, 100);
  };
  show.on_event = [&](Window& w, const Event& e) {
    if (e.kind != EventKind::kTimer) return;
    p.StopTimer(w, 3);
    LPC_CHECK(!w.IsClosed());
    // What the system sends every top-level window of a program that another program has
    // taken the foreground from.
    SendMessageA(Hwnd(w), WM_ACTIVATEAPP, FALSE, 0);
    if (cover) SendMessageA(Hwnd(*cover), WM_ACTIVATEAPP, FALSE, 0);
  };
  WindowOptions o;
  o.kind = WindowKind::kFullScreen;
  auto window = p.OpenWindow(o, &show);
  LPC_CHECK_EQ(p.RunModal(*window), kModalCancel);
  LPC_CHECK_EQ(show.closes, 1);
  LPC_CHECK_EQ(covered.closes, 0);
  cover.reset();
}

// Answers the next message box with the given button, from a thread timer that the box's own
// loop runs.
int g_answer = IDOK;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowA("#32770", "lpc question");
  if (!box) return;
  KillTimer(nullptr, id);
  PostMessageA(box, WM_COMMAND, g_answer, 0);
}

void MessageBoxes() {
  Platform& p = *g_platform;
  struct Row {
    MessageKind kind;
    int button;
    int result;
  };
  const Row rows[] = {
      {MessageKind::kInformation, IDOK, kModalOk},
      {MessageKind::kError, IDOK, kModalOk},
      {MessageKind::kYesNo, IDYES, kModalYes},
      {MessageKind::kYesNo, IDNO, kModalNo},
  };
  for (const Row& row : rows) {
    g_answer = row.button;
    SetTimer(nullptr, 0, 50, AnswerBox);
    const int got = p.ShowMessageBox(nullptr, "Line one\r\nLine two", "lpc question", row.kind);
    if (got != row.result) {
      lpc::wine_checks::Fail("button " + std::to_string(row.button) + " gave " +
                             std::to_string(got));
    }
  }
}

void Text() {
  Platform& p = *g_platform;
  TextRenderer& text = p.Text();
  const FontSpec font{"Tahoma", 16, false, false, false};
  const Size size = text.MeasureText("Hello", font);
  LPC_CHECK(size.width > 10 && size.width < 80);
  LPC_CHECK(size.height >= 14 && size.height <= 24);
  LPC_CHECK(text.MeasureText("Hello, world", font).width > size.width);
  FontSpec bold = font;
  bold.bold = true;
  LPC_CHECK(text.MeasureText("Hello", bold).width >= size.width);
  LPC_CHECK_EQ(text.MeasureText("", font).width, 0);
  // A negative height is the characters' own height, as layouts write Font.Height = -11.
  const FontSpec layout_font{"Tahoma", -11, false, false, false};
  LPC_CHECK(text.MeasureText("Hello", layout_font).height >= 11);

  Bitmap target(100, 40, 0xFFFFFF);
  text.DrawText(target, 10, 5, "Hello", font, 0x0000FF);
  int changed = 0, outside = 0, blue_ish = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      const Color c = target.At(x, y);
      if (c == 0xFFFFFF) continue;
      ++changed;
      if (x < 10 || y < 5 || x >= 10 + size.width + 4 || y >= 5 + size.height) ++outside;
      if (BlueOf(c) > RedOf(c) + 100) ++blue_ish;
      if (c > 0xFFFFFF) ++outside;  // nothing in the unused byte
    }
  }
  LPC_CHECK(changed > 20);
  LPC_CHECK_EQ(outside, 0);
  LPC_CHECK(blue_ish > 10);
  // Clipped at every edge, and wholly outside: no crash, nothing outside the bitmap touched.
  Bitmap small(20, 10, 0xFFFFFF);
  text.DrawText(small, -8, -6, "Clipped text", font, 0);
  text.DrawText(small, 15, 5, "Clipped text", font, 0);
  text.DrawText(small, 40, 40, "Away", font, 0);
  text.DrawText(small, 0, 0, "", font, 0);
  Bitmap empty;
  text.DrawText(empty, 0, 0, "Nothing", font, 0);
  LPC_CHECK(small.width() == 20 && small.height() == 10);
}

// --- crash reports ----------------------------------------------------------------------------

std::string ReadAll(const std::string& path) {
  std::string out;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  fclose(f);
  return out;
}

DWORD RunSelf(const std::string& args) {
  std::string command = "\"" + ProgramPath() + "\" " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return 0xFFFFFFFF;
  }
  WaitForSingleObject(pi.hProcess, 30000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

void CrashReports() {
  const std::string report = TempFolder() + "lpc checks\\crash report.txt";
  CreateDirectoryA((TempFolder() + "lpc checks").c_str(), nullptr);
  DeleteFileA(report.c_str());
  LPC_CHECK_EQ(RunSelf("--crash \"" + report + "\""), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  const std::string text = ReadAll(report);
  LPC_CHECK(text.find("access violation") != std::string::npos);
  LPC_CHECK(text.find("Version: checks 1.0") != std::string::npos);
  LPC_CHECK(text.find("lpc_wine_checks.exe+0x") != std::string::npos);
  LPC_CHECK(text.find("Modules:") != std::string::npos);

  DeleteFileA(report.c_str());
  LPC_CHECK_EQ(RunSelf("--abort \"" + report + "\""), 3u);
  LPC_CHECK(ReadAll(report).find("Abort") != std::string::npos);

  const std::string described = DescribeException(std::out_of_range("index 7"), "checks 1.0");
  LPC_CHECK(described.find("index 7") != std::string::npos);
  LPC_CHECK(described.find("std::out_of_range") != std::string::npos);
}

// The address comes from a volatile so that the compiler cannot see the fault coming.
volatile uintptr_t g_bad_address = 16;
[[gnu::noinline]] void Crash() { *reinterpret_cast<volatile int*>(g_bad_address) = 1; }

// A stand-in for the display settings' preview pane: a black 200x150 window at (100, 100)
// whose handle goes to `handle_file`, open until the process is ended (at most a minute).
int RunHost(const char* handle_file) {
  auto platform = CreatePlatform("win32");
  Recorder r;
  r.on_show = [&](Window& w) {
    FILE* f = fopen(handle_file, "wb");
    if (f) {
      fprintf(f, "%llu", static_cast<unsigned long long>(w.Handle()));
      fclose(f);
    }
    platform->StartTimer(w, 1, 60000);
  };
  r.on_event = [](Window& w, const Event& e) {
    if (e.kind == EventKind::kTimer) w.Close(kModalOk);
  };
  WindowOptions o = Framed(200, 150);
  o.border = BorderStyle::kNone;
  o.left = 100;
  o.top = 100;
  auto window = platform->OpenWindow(o, &r);
  platform->RunModal(*window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--host") == 0) return RunHost(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "--displays") == 0) {
    // One line per display, "left top right bottom primary", for the driver script.
    auto platform = CreatePlatform("win32");
    for (const DisplayInfo& d : platform->Displays()) {
      std::printf("%d %d %d %d %d\n", d.bounds.left, d.bounds.top, d.bounds.right, d.bounds.bottom,
                  d.primary ? 1 : 0);
    }
    return 0;
  }
  if (argc == 3 && (std::strcmp(argv[1], "--crash") == 0 || std::strcmp(argv[1], "--abort") == 0)) {
    InstallCrashHandler(argv[2], "checks 1.0");
    if (std::strcmp(argv[1], "--crash") == 0) Crash();
    std::abort();
  }
  auto platform = CreatePlatform("win32");
  g_platform = platform.get();
  const std::vector<Case> cases = {
      {"folders: system folders", SystemFolders},
      {"folders: long file names", LongFileNames},
      {"folders: creating folders", CreatingFolders},
      {"folders: claiming folders", ClaimingFolders},
      {"error text formats", ErrorTextFormats},
      {"registry under the current user", Registry},
      {"os family, running flag, music player without a track", OsFamilyAndServices},
      {"shell, wallpaper and password providers", ShellWallpaperPasswords},
      {"wallpaper service: untiled, saved beside the program", WallpaperService},
      {"music: a track plays to its end and says so", MusicToTheEnd},
      {"looping picture sounds", LoopingSounds},
      {"loop: timers and a refused close", TimersAndRefusedClose},
      {"loop: idle handler never waits", IdleNeverWaits},
      {"loop: nested modal windows", NestedModalDropsOuterInput},
      {"loop: input messages become events", InputTranslation},
      {"loop: errors from handlers", HandlerErrors},
      {"loop: a quit closes every loop", QuitClosesEveryLoop},
      {"windows: present and fill", PresentAndFill},
      {"windows: hosted", HostedWindows},
      {"windows: displays and covers", DisplaysAndCovers},
      {"windows: the show ends when another program is activated",
       ShowEndsWhenAnotherProgramIsActivated},
      {"message boxes", MessageBoxes},
      {"text through GDI", Text},
      {"crash reports", CrashReports},
  };
  return lpc::wine_checks::RunCases(cases);
}
