// lpcsaver: the screensaver runtime. Its content travels in the package appended to this file.
#include <memory>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "package/work_folder.h"
#include "platform/crash.h"
#include "platform/folders.h"
#include "startup/default_platform.h"
#include "startup/startup.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // Pictures and frames are blocks of megabytes that come and go with every picture change,
  // some from the loading thread. A fixed threshold keeps them in blocks of their own that go
  // back to the system when freed; glibc's moving threshold would keep them in the heap.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  lpc::StartupContext startup;
  for (int i = 1; i < argc; ++i) startup.Arguments.emplace_back(argv[i]);
  // Cleans up and ends the process on SIGHUP, SIGTERM, SIGINT and SIGUSR1, also in the middle of
  // unpacking or in a message box. Before anything starts a thread.
  lpc::platform::InstallStopHandler([] { lpc::PrivateWorkFolder::RemoveActive(); });
  startup.ExePath = lpc::platform::ProgramPath(argc > 0 ? argv[0] : "");
  const std::string long_path = lpc::GetLongFileName(startup.ExePath);
  lpc::platform::InstallCrashHandler(
      lpc::ErrorReportFileName(long_path.empty() ? startup.ExePath : long_path),
      lpc::VersionText());

  std::unique_ptr<lpc::platform::Platform> platform;
  startup.MakePlatform = [&platform]() {
    if (!platform) platform = lpc::CreateDefaultPlatform();
    return platform.get();
  };
  const int code = lpc::RunMain(startup);
  lpc::platform::SetCurrent(nullptr);
  platform.reset();
  return code;
}
