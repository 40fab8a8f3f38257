// Requests to stop arrive as signals at any moment: in the middle of unpacking, in a message
// box's loop, in a library call. A handler may do next to nothing, so the signals are blocked
// everywhere and taken by one thread that is free to run the clean-up and end the process.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <mutex>
#include <vector>
#include <thread>
#include <utility>

#include "base/fileio.h"
#include "platform/folders.h"

namespace lpc::platform {

namespace {

std::mutex g_stop_mutex;
std::vector<std::function<void()>> g_on_stop;
bool g_waiting = false;

}  // namespace

void InstallStopHandler(std::function<void()> on_stop) {
  std::lock_guard<std::mutex> guard(g_stop_mutex);
  if (on_stop) g_on_stop.push_back(std::move(on_stop));
  if (g_waiting) return;
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  // xsecurelock resets its saver with SIGUSR1, which may simply end it; by default the signal
  // would end the process without the clean-up.
  sigaddset(&set, SIGUSR1);
  // Threads started later (SDL's, the audio driver's) inherit the mask, so only the waiter
  // below ever sees these signals.
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return;
  g_waiting = true;
  std::thread([set] {
    int sig = 0;
    while (sigwait(&set, &sig) != 0) {
    }
    RemoveUnfinishedWrites();
    {
      std::lock_guard<std::mutex> guard(g_stop_mutex);
      for (const auto& on_stop : g_on_stop) on_stop();
    }
    // Ended by the signal itself, as hosts expect of a program they stop: XScreenSaver logs an
    // exit status of 128 + n as a failure, death by SIGTERM as a stop. The default action ends
    // the whole process once this thread lets the signal through.
    std::signal(sig, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(sig);
    _exit(128 + sig);
  }).detach();
}

}  // namespace lpc::platform
