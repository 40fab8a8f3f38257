// Arbitrary bytes as the project record "LPC.res": a package of three ini texts. The project
// loads with defaults where the texts say nothing, or the load fails with an error.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "base/paths.h"
#include "base/byte_range.h"
#include "package/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    lpc::ScreensaverProject project;
    project.Load(lpc::ByteRange::OfMemory(bytes, "LPC.res"));
    if (project.FileList.Names.size() != project.FileList.Flags.size()) __builtin_trap();
    for (const auto& name : project.FileList.Names) {
      if (!lpc::IsSafeFileName(name)) __builtin_trap();
    }
  } catch (const lpc::Error&) {
  }
  // The same bytes as one ini text, read by each part.
  const lpc::IniFile ini = lpc::IniFile::FromText(bytes);
  try {
    lpc::ContentFileList list;
    list.LoadFromIni(ini, "fuzz");
  } catch (const lpc::Error&) {
  }
  lpc::ProjectSettings setting;
  setting.LoadFromIni(ini);
  lpc::UiSettings ui;
  ui.LoadFromIni(ini);
  return 0;
}
