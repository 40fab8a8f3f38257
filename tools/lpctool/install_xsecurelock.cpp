// xsecurelock takes its saver by absolute path in XSECURELOCK_SAVER (a bare name is looked for
// in its own helper folder, /usr/libexec/xsecurelock on Debian, which belongs to the system).
// The module is a shell script that hands over to the screensaver by exec, so the process
// xsecurelock signals is the screensaver itself: its SIGTERM removes the unpacked files and ends
// the process by that signal, as a saver is expected to.
#include "install_xsecurelock.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"

namespace lpctool {

namespace fs = std::filesystem;

namespace {

// Single quotes keep every byte but the quote itself, which is closed, escaped and reopened.
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// As a word to paste into a shell: quoted only when it needs to be.
std::string ShellWord(const std::string& text) {
  const bool plain = !text.empty() && text.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789/._-+") == std::string::npos;
  return plain ? text : ShellQuoted(text);
}

}  // namespace

std::string XSecureLockSaverName(const std::string& screensaver_name) {
  std::string stem = screensaver_name.substr(0, screensaver_name.rfind('.'));
  if (stem.empty()) stem = screensaver_name;
  std::string name = "saver_";
  for (const char c : stem) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-';
    if (plain) {
      name += c;
    } else if (c == '_') {
      name += "__";
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      const unsigned char u = static_cast<unsigned char>(c);
      name += '_';
      name += kHex[u >> 4];
      name += kHex[u & 15];
    }
  }
  return name;
}

std::string XSecureLockSaverScript(const std::string& program, const std::string& title) {
  // The title goes into a comment: a line break in it would end the comment.
  std::string one_line = title;
  for (char& c : one_line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string script = "#!/bin/sh\n";
  script +=
      "# xsecurelock saver for \"" + one_line + "\", written by lpctool install --xsecurelock.\n";
  script +=
      "# xsecurelock runs it on each monitor with the monitor's window in XSCREENSAVER_WINDOW\n"
      "# and ends it with SIGTERM; the screensaver draws into that window.\n";
  script += "exec " + ShellQuoted(program) + " /S\n";
  return script;
}

std::string DefaultXSecureLockFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) throw lpc::Error("HOME is not set; cannot find the user's folders");
  return (fs::path(home) / ".local" / "libexec" / "xsecurelock").string();
}

std::string XSecureLockSaverPath(const std::string& program, const std::string& folder) {
  return fs::absolute(fs::path(folder) / XSecureLockSaverName(lpc::ExtractFileName(program)))
      .string();
}

std::string XSecureLockSaverScriptFor(const std::string& program) {
  const std::string name = lpc::ExtractFileName(program);
  return XSecureLockSaverScript(program, name.substr(0, name.rfind('.')));
}

void PrintXSecureLockUse(const std::string& saver, const std::string& program,
                         const std::string& undo) {
  std::cout << "wrote " << saver << ", xsecurelock's saver that runs " << program << " /S\n"
            << "Lock the screen with it:\n"
            << "  XSECURELOCK_SAVER=" << ShellWord(saver) << " xsecurelock\n"
            << "(set XSECURELOCK_SAVER the same way where your session starts xsecurelock, e.g. "
               "for xss-lock)\n"
            << undo << "\n";
}

bool RemoveXSecureLockSaver(const std::string& program, const std::string& folder) {
  const std::string saver = XSecureLockSaverPath(program, folder);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(saver, ec))) return false;
  bool ours = false;
  try {
    ours = fs::is_regular_file(fs::symlink_status(saver, ec)) &&
           lpc::ReadFileBytes(saver) == XSecureLockSaverScriptFor(program);
  } catch (const std::exception&) {
  }
  if (!ours) {
    std::cout << saver << ": left as it is (not the saver module lpctool wrote for " << program
              << ")\n";
    return true;
  }
  if (fs::remove(saver, ec)) std::cout << "removed " << saver << "\n";
  return true;
}

}  // namespace lpctool
