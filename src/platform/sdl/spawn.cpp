#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

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

namespace {

// Keeps what a program writes to its standard output, up to a bound: the tools we ask print
// a few lines, and a misbehaving one must not fill our memory.
constexpr size_t kMaxProgramOutput = 256 * 1024;

// Reads what the pipe holds now; false once every writer has closed it.
bool Drain(int fd, std::string* output) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      const size_t room = kMaxProgramOutput - std::min(output->size(), kMaxProgramOutput);
      output->append(buffer, std::min(static_cast<size_t>(n), room));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0;  // EAGAIN: still open; 0: end of file
  }
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, uint32_t timeout_ms, std::string* output) {
  if (output) output->clear();
  if (args.empty() || args[0].empty()) return -1;
  int fds[2] = {-1, -1};
  if (output) {
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    // Only our end waits for nothing: the program's output must block as any pipe's does.
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (output) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // The program starts with every signal unblocked and at its default, whatever SDL's threads
  // and handlers did to ours.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  // No shell: every argument reaches the program as it is.
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (output) close(fds[1]);
  if (rc != 0) {
    if (output) close(fds[0]);
    return -1;
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  bool pipe_open = output != nullptr;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      // Reaped elsewhere: its status is lost, so it counts as failed.
      if (output) close(fds[0]);
      return -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      if (output) close(fds[0]);
      return -1;
    }
    if (pipe_open) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 10) > 0) pipe_open = Drain(fds[0], output);
    } else {
      usleep(5000);
    }
  }
  if (output) {
    // What is left in the pipe; a helper the program left running may keep it open, so this
    // takes only what is there now.
    Drain(fds[0], output);
    close(fds[0]);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lpc::platform
