// Windows only: the program's strings (UTF-8 in lpctool, the ANSI code page in the runtime: see
// lpc::UseUtf8Paths) to and from the wide characters of the W calls.
#pragma once

#include <string>

namespace lpc::platform {

std::wstring WideText(const std::string& text);
std::string NarrowText(const std::wstring& text);

}  // namespace lpc::platform
