// The parts of crash reporting that read the same on every host.
#include <cxxabi.h>

#include <cstdlib>
#include <string>
#include <typeinfo>

#include "platform/crash.h"

namespace lpc::platform {

std::string Demangle(const char* name) {
  int status = 0;
  char* out = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status != 0 || !out) return name;
  std::string result = out;
  free(out);
  return result;
}

std::string DescribeException(const std::exception& e, const std::string& version_text) {
  std::string out;
  out += "Error: ";
  out += e.what();
  out += "\nType: ";
  out += Demangle(typeid(e).name());
  out += "\nVersion: ";
  out += version_text;
  out += "\nBacktrace:\n";
  out += CurrentBacktrace();
  return out;
}

}  // namespace lpc::platform
