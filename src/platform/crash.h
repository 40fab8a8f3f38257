// Crash reporting: what the program tells the user (and leaves in a file) when it fails in a
// way it did not expect.
#pragma once

#include <exception>
#include <string>

namespace lpc::platform {

// On SIGSEGV, SIGABRT, SIGFPE, SIGILL and SIGBUS: writes a report to report_path (the signal,
// version_text and a backtrace), then lets the signal end the process as it would have.
// The handler uses only async-signal-safe calls; the texts are copied now. Calling it again
// replaces the path and version.
void InstallCrashHandler(const std::string& report_path, const std::string& version_text);

// The diagnostic details of a caught exception, for the error box and the report file:
// its message, its type name (demangled), version_text, and the backtrace of the caller.
std::string DescribeException(const std::exception& e, const std::string& version_text);

// The current call stack, one frame a line, innermost first ("" where the host cannot tell).
std::string CurrentBacktrace();

// A C++ symbol or type name as written in source; the name itself when it cannot be read.
std::string Demangle(const char* name);

}  // namespace lpc::platform
