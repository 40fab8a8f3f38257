// lpctool: writes and inspects screensaver packages and packed images.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "base/errors.h"
#include "base/fileio.h"
#include "command.h"
#include "platform/folders.h"
#include "platform/user_session.h"

namespace lpctool {

namespace {
int g_exit_code = 0;
}

std::vector<std::pair<std::string, CommandSetup>>& Commands() {
  static std::vector<std::pair<std::string, CommandSetup>> commands;
  return commands;
}

CommandRegistrar::CommandRegistrar(const char* name, CommandSetup setup) {
  Commands().emplace_back(name, std::move(setup));
}

void SetExitCode(int code) { g_exit_code = code; }

std::string ShellWord(const std::string& text) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-_./:=,+@").find(c) != std::string_view::npos ||
           static_cast<unsigned char>(c) >= 0x80;
  });
  if (plain) return text;
#ifdef _WIN32
  // Windows file names hold no double quotes, so nothing inside needs escaping.
  return "\"" + text + "\"";
#else
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
#endif
}

const CLI::Validator& ExistingFile() {
  static const CLI::Validator validator(
      [](std::string& path) -> std::string {
        std::error_code ec;
        const auto status = std::filesystem::status(lpc::FsPath(path), ec);
        // The same words and exit code as a file found missing later: thrown past CLI11,
        // which would say it its own way and end with its own code.
        if (!std::filesystem::exists(status)) {
          throw lpc::FileNotFoundError(path + ": " + lpc::kFileNotFound);
        }
        if (std::filesystem::is_directory(status)) return "File is actually a directory: " + path;
        return {};
      },
      "FILE");
  return validator;
}

Progress::Progress(std::string label, uint64_t total)
    : label_(std::move(label)), total_(total), tty_(isatty(STDERR_FILENO) != 0) {}

Progress::~Progress() {
  if (tty_ && shown_ >= 0) std::fprintf(stderr, "\r%s: done%*s\n", label_.c_str(), 40, "");
}

void Progress::Advance(uint64_t amount) {
  done_ += amount;
  if (!tty_ || total_ == 0) return;
  const int percent = static_cast<int>(std::min<uint64_t>(100, done_ * 100 / total_));
  if (percent != shown_) {
    shown_ = percent;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled,
                 "##############################", kWidth - filled, "", percent);
    std::fflush(stderr);
  }
}

}  // namespace lpctool

int main(int argc, char** argv) {
  // Paths, arguments and printed text are UTF-8 on every system (on Windows, converted to and
  // from the wide characters of the system's calls).
  lpc::UseUtf8Paths();
  lpc::platform::UseUtf8Console();
  // Ctrl+C in the middle of a long write (pack, render) leaves no temporary file behind.
  lpc::platform::InstallStopHandler(nullptr);
  const std::vector<std::string> arguments = lpc::platform::CommandLineArguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& a : arguments) pointers.push_back(a.c_str());
  CLI::App app{"lpctool: make and inspect LPCSaver screensavers and packed images"};
  app.require_subcommand(1);
  auto& commands = lpctool::Commands();
  std::sort(commands.begin(), commands.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [name, setup] : commands) setup(app);
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    std::cerr << "lpctool: " << e.what() << "\n";
    return 1;
  }
  return lpctool::g_exit_code;
}
