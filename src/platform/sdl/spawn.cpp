#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/sdl/sdl_platform.h"

namespace lpc::platform {

bool SpawnDetached(const std::string& program, const std::string& target) {
  // A pipe closed on exec tells whether the program started: the grandchild writes errno
  // into it only when exec fails.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (child == 0) {
    // The child forks once more and leaves at once, so the program is not our child and
    // never becomes a zombie of ours.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    close(fds[0]);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      if (devnull > 2) close(devnull);
    }
    // The runtime keeps its stop signals blocked for its own waiter; the program opened here
    // must get them as usual.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // No shell: the target is one argument, whatever characters it holds.
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()),
                    nullptr};
    execvp(argv[0], argv);
    const int err = errno;
    ssize_t ignored = write(fds[1], &err, sizeof err);
    (void)ignored;
    _exit(127);
  }
  close(fds[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  while ((n = read(fds[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  close(fds[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace lpc::platform
