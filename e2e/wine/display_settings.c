/* A host that plays the display settings' Screen Saver page, for scripts/test-windows under Wine:
 * a window with a preview area that paints itself blue, the screensaver started into it the
 * way the page starts it, and what the page relies on checked from its side.
 *
 *   display_settings preview SCR FORM   FORM "/p" passes the area's handle as the next argument,
 *                                       "/p:" joined to the switch
 *   display_settings config SCR         "/c:HWND": the settings window is owned by the page,
 *                                       which takes no input while it is open
 *   display_settings foreground SCR     "/S", then another program takes the foreground
 *
 * Prints one "ok <what>" or "FAIL <what>: <why>" line per check; the exit status is the number
 * of failures. Plain C and Win32 only: the host knows nothing of the screensaver's code. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#define AREA_W 200
#define AREA_H 150
#define BLUE RGB(0, 0, 255)

static int failures = 0;

static void report(int ok, const char* what, const char* why) {
  if (ok) {
    printf("ok %s\n", what);
  } else {
    printf("FAIL %s: %s\n", what, why);
    ++failures;
  }
  fflush(stdout);
}

static LRESULT CALLBACK AreaProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    HBRUSH blue = CreateSolidBrush(BLUE);
    RECT r;
    GetClientRect(w, &r);
    FillRect(dc, &r, blue);
    DeleteObject(blue);
    EndPaint(w, &ps);
    return 0;
  }
  return DefWindowProcA(w, message, wparam, lparam);
}

/* Runs the message loop for `ms` milliseconds, or until `process` ends when given. */
static int Pump(DWORD ms, HANDLE process) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return 0;
    DWORD n = process ? 1 : 0;
    DWORD got =
        MsgWaitForMultipleObjects(n, process ? &process : NULL, FALSE, ms - spent, QS_ALLINPUT);
    if (process && got == WAIT_OBJECT_0) return 1;
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

static HANDLE Start(const char* scr, const char* args) {
  char line[2 * MAX_PATH];
  STARTUPINFOA si;
  PROCESS_INFORMATION pi;
  snprintf(line, sizeof line, "\"%s\" %s", scr, args);
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return NULL;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

static HWND Page(void) {
  WNDCLASSA area;
  memset(&area, 0, sizeof area);
  area.lpfnWndProc = AreaProc;
  area.hInstance = GetModuleHandleA(NULL);
  area.lpszClassName = "PreviewArea";
  RegisterClassA(&area);
  HWND page = CreateWindowExA(0, "STATIC", "Screen Saver", WS_POPUP | WS_VISIBLE, 50, 50, 400, 300,
                              NULL, NULL, area.hInstance, NULL);
  Pump(300, NULL);
  return page;
}

/* The colour of the area's pixel (x, y), read three ways; which of them sees another process's
 * child window differs between systems (Wine draws it to the screen only sometimes). */
static void Sample(HWND area, int x, int y, COLORREF seen[3]) {
  POINT p = {x, y};
  HDC dc = GetDC(area);
  seen[0] = GetPixel(dc, x, y);
  ReleaseDC(area, dc);
  ClientToScreen(area, &p);
  HDC screen = GetDC(NULL);
  seen[1] = GetPixel(screen, p.x, p.y);
  ReleaseDC(NULL, screen);
  HDC memory = CreateCompatibleDC(NULL);
  HDC any = GetDC(area);
  HBITMAP bitmap = CreateCompatibleBitmap(any, AREA_W, AREA_H);
  ReleaseDC(area, any);
  HGDIOBJ old = SelectObject(memory, bitmap);
  seen[2] = PrintWindow(area, memory, 0) ? GetPixel(memory, x, y) : CLR_INVALID;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

/* The demo's preview picture: sky at the top, grass at the bottom; never the area's blue. */
static int IsPicture(COLORREF top, COLORREF bottom) {
  return top != CLR_INVALID && bottom != CLR_INVALID && top != BLUE && bottom != BLUE &&
         GetGValue(bottom) > GetRValue(bottom) && GetGValue(bottom) > GetBValue(bottom);
}

static int Preview(const char* scr, const char* form) {
  static const char* const ways[3] = {"the area's DC", "the screen's DC", "PrintWindow"};
  HWND page = Page();
  HWND area = CreateWindowExA(0, "PreviewArea", "", WS_CHILD | WS_VISIBLE, 100, 80, AREA_W, AREA_H,
                              page, NULL, GetModuleHandleA(NULL), NULL);
  char args[64], what[160], why[160];
  const unsigned long long id = (unsigned long long)(UINT_PTR)area;
  const int joined = strcmp(form, "/p:") == 0;
  const char* label = joined ? "/p:HWND" : "/p HWND";
  snprintf(args, sizeof args, joined ? "/p:%llu" : "/p %llu", id);
  HANDLE preview = Start(scr, args); /* the handle in decimal, as the system passes it */
  snprintf(what, sizeof what, "%s starts", label);
  report(preview != NULL, what, "CreateProcess failed");
  if (!preview) return failures;
  snprintf(what, sizeof what, "%s stays while its area lives", label);
  report(!Pump(4000, preview), what, "it ended");

  HWND preview_window = GetWindow(area, GW_CHILD);
  DWORD owner_pid = 0;
  RECT r = {0, 0, 0, 0};
  if (preview_window) {
    GetWindowThreadProcessId(preview_window, &owner_pid);
    GetClientRect(preview_window, &r);
  }
  snprintf(what, sizeof what, "%s: the preview is a child window of the area, covering it", label);
  snprintf(why, sizeof why, "child %p of process %lu, %ldx%ld", (void*)preview_window,
           (unsigned long)owner_pid, r.right, r.bottom);
  report(preview_window && owner_pid == GetProcessId(preview) && r.right == AREA_W &&
             r.bottom == AREA_H && IsWindowVisible(preview_window),
         what, why);

  /* The page repaints its area, as after another window was over it: the area has no
   * WS_CLIPCHILDREN, so its blue goes over the preview, which is asked to paint again. */
  printf("%s: repainting the area\n", label);
  fflush(stdout);
  InvalidateRect(area, NULL, TRUE);
  UpdateWindow(area);
  Pump(500, NULL);
  printf("%s: repainted\n", label);
  fflush(stdout);
  COLORREF top[3], bottom[3];
  Sample(area, AREA_W / 2, 5, top);
  Sample(area, AREA_W / 2, AREA_H - 5, bottom);
  int seen = -1;
  for (int i = 0; i < 3; ++i) {
    printf("%s read through %s: top %06lx, bottom %06lx\n", label, ways[i], (unsigned long)top[i],
           (unsigned long)bottom[i]);
    if (seen < 0 && IsPicture(top[i], bottom[i])) seen = i;
  }
  if (seen >= 0) {
    snprintf(what, sizeof what,
             "%s: the picture is there after the area repaints (read through %s)", label,
             ways[seen]);
    report(1, what, "");
  } else {
    /* Wine shows another process's child window neither on the screen nor in any DC: every
     * way reads the area's blue. What the preview does between the two lines above (its
     * calls, in Wine's trace) tells instead. */
    printf("%s: no way of reading pixels sees another process's child window here\n", label);
  }
  fflush(stdout);

  DestroyWindow(area);
  snprintf(what, sizeof what, "%s: the preview ends within a second of its area", label);
  snprintf(why, sizeof why, "still running a second after the area was destroyed");
  const int ended = Pump(1000, preview);
  report(ended, what, why);
  if (!ended) TerminateProcess(preview, 1);
  CloseHandle(preview);
  DestroyWindow(page);
  return failures;
}

struct Search {
  DWORD pid;
  HWND found;
};

static BOOL CALLBACK FindShown(HWND w, LPARAM data) {
  struct Search* s = (struct Search*)data;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

/* The first visible top-level window of `process`, waiting up to `ms` for it. */
static HWND WindowOf(HANDLE process, DWORD ms) {
  struct Search s = {GetProcessId(process), NULL};
  for (DWORD waited = 0; waited < ms && !s.found; waited += 100) {
    if (Pump(100, process)) break;
    EnumWindows(FindShown, (LPARAM)&s);
  }
  return s.found;
}

static int Config(const char* scr) {
  HWND page = Page();
  char args[64], why[160];
  snprintf(args, sizeof args, "/c:%llu", (unsigned long long)(UINT_PTR)page);
  HANDLE config = Start(scr, args);
  report(config != NULL, "/c:HWND starts", "CreateProcess failed");
  if (!config) return failures;
  HWND window = WindowOf(config, 30000);
  report(window != NULL, "/c:HWND opens its window", "no window within 30 s");
  if (window) {
    Pump(500, NULL);
    HWND owner = GetWindow(window, GW_OWNER);
    snprintf(why, sizeof why, "owner %p, page %p", (void*)owner, (void*)page);
    report(owner == page, "/c:HWND: the settings window is owned by the page", why);
    report(!IsWindowEnabled(page), "/c:HWND: the page takes no input while it is open",
           "the page is enabled");
    PostMessageA(window, WM_CLOSE, 0, 0);
    const int ended = Pump(20000, config);
    report(ended, "/c:HWND ends when its window is closed", "still running after 20 s");
    Pump(200, NULL);
    report(IsWindowEnabled(page), "/c:HWND gives the page its input back", "the page is disabled");
  }
  TerminateProcess(config, 1);
  CloseHandle(config);
  DestroyWindow(page);
  return failures;
}

static int Foreground(const char* scr) {
  HANDLE show = Start(scr, "/S");
  report(show != NULL, "/S starts", "CreateProcess failed");
  if (!show) return failures;
  HWND window = WindowOf(show, 30000);
  report(window != NULL, "/S opens its window", "no window within 30 s");
  if (window) {
    report(!Pump(3000, show), "/S runs while it has the foreground", "it ended by itself");
    /* Another program's window takes the foreground, as Alt+Tab or a window that pops up. */
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "Another program", WS_POPUP | WS_VISIBLE,
                                 10, 10, 100, 80, NULL, NULL, GetModuleHandleA(NULL), NULL);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    const int ended = Pump(5000, show);
    report(ended, "/S ends when another program takes the foreground", "still running after 5 s");
    DestroyWindow(other);
  }
  TerminateProcess(show, 1);
  CloseHandle(show);
  return failures;
}

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "preview") == 0) return Preview(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "config") == 0) return Config(argv[2]);
  if (argc == 3 && strcmp(argv[1], "foreground") == 0) return Foreground(argv[2]);
  fprintf(stderr, "usage: display_settings preview SCR /p|/p: | config SCR | foreground SCR\n");
  return 2;
}
