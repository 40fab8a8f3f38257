#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/crash.h"

namespace lpc::platform {

namespace {

// Fixed buffers: the signal handler may not allocate.
char g_report_path[4096];
char g_version[512];
constexpr int kSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS};

void WriteText(int fd, const char* text) {
  size_t left = strlen(text);
  while (left > 0) {
    const ssize_t n = write(fd, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

// Decimal without printf, which is not async-signal-safe.
void WriteNumber(int fd, int value) {
  char buf[16];
  int i = sizeof buf;
  buf[--i] = '\0';
  unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    buf[--i] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0 && i > 1);
  if (value < 0 && i > 0) buf[--i] = '-';
  WriteText(fd, buf + i);
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGABRT: return "SIGABRT (abort)";
    case SIGFPE: return "SIGFPE (arithmetic fault)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGBUS: return "SIGBUS (bus error)";
  }
  return "signal";
}

void OnCrash(int sig) {
  // A fresh file, never through a link planted under the report's name: whatever stands there
  // goes (a link, not its target), and a new link in between makes the open fail.
  unlink(g_report_path);
  const int fd = open(g_report_path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) {
    WriteText(fd, "The program stopped after a fatal error.\n");
    WriteText(fd, "Signal: ");
    WriteNumber(fd, sig);
    WriteText(fd, " ");
    WriteText(fd, SignalName(sig));
    WriteText(fd, "\nVersion: ");
    WriteText(fd, g_version);
    WriteText(fd, "\nBacktrace:\n");
    void* frames[64];
    const int n = backtrace(frames, 64);
    backtrace_symbols_fd(frames, n, fd);
    close(fd);
  }
  // Back to the default action, then raise again so the process ends as the signal says
  // (core dump, exit status) rather than as a normal exit.
  signal(sig, SIG_DFL);
  raise(sig);
}

void CopyText(char* dst, size_t size, const std::string& src) {
  const size_t n = src.size() < size - 1 ? src.size() : size - 1;
  memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

}  // namespace

void InstallCrashHandler(const std::string& report_path, const std::string& version_text) {
  CopyText(g_report_path, sizeof g_report_path, report_path);
  CopyText(g_version, sizeof g_version, version_text);
  // backtrace() loads libgcc on first use, which allocates: do that now, not in the handler.
  void* warm[1];
  backtrace(warm, 1);
  struct sigaction sa {};
  sa.sa_handler = OnCrash;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  for (int sig : kSignals) sigaction(sig, &sa, nullptr);
}

std::string CurrentBacktrace() {
  void* frames[64];
  const int n = backtrace(frames, 64);
  char** symbols = backtrace_symbols(frames, n);
  if (!symbols) return {};
  std::string out;
  // Frame 0 is this function itself.
  for (int i = 1; i < n; ++i) {
    std::string line = symbols[i];
    // "module(mangled+0x12) [0x...]": show the demangled name where there is one.
    const size_t open = line.find('(');
    const size_t plus = line.find('+', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && plus != std::string::npos && plus > open + 1) {
      const std::string mangled = line.substr(open + 1, plus - open - 1);
      line = line.substr(0, open + 1) + Demangle(mangled.c_str()) + line.substr(plus);
    }
    out += line;
    out += '\n';
  }
  free(symbols);
  return out;
}

}  // namespace lpc::platform
