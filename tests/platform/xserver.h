// A private X server for tests that need a display: Xvfb started on a display number it picks
// itself (-displayfd), killed when the test program ends. Nothing is started when DISPLAY is
// already set. -noreset: without it the server resets whenever its last client leaves, and
// a connection made during the reset fails.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace lpc::testing_x {

class XServer {
 public:
  // Returns "" on success, else why there is no display.
  std::string Start() {
    if (const char* d = std::getenv("DISPLAY"); d && *d) return "";
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    pid_ = fork();
    if (pid_ < 0) return "fork failed";
    if (pid_ == 0) {
      // The server must not outlive a test program that crashes or is killed by a timeout.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      close(fds[0]);
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 1);
      dup2(devnull, 2);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number when it is ready; give it ten seconds.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) {
      Stop();
      return "Xvfb did not start";
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return "";
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

  ~XServer() { Stop(); }

 private:
  pid_t pid_ = -1;
};

}  // namespace lpc::testing_x
