// lpctool subcommands. Each cmd_*.cpp registers itself with LPCTOOL_COMMAND; main builds the
// command line from the registry, so adding a subcommand touches no other file.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace lpctool {

// Adds one subcommand (its options and callback) to the application.
using CommandSetup = std::function<void(CLI::App& app)>;

struct CommandRegistrar {
  CommandRegistrar(const char* name, CommandSetup setup);
};

std::vector<std::pair<std::string, CommandSetup>>& Commands();

// CLI11's ExistingFile, but looking at the path as lpctool opens files (UTF-8 on Windows too,
// where CLI11's own check reads the name in the ANSI code page). A missing file ends the run
// as every other missing file does: "PATH: File not found", exit code 1.
const CLI::Validator& ExistingFile();

// A path or word of a command lpctool prints for the author to paste, quoted for the shell of
// this system: POSIX single quotes on Linux ('it'\''s'), double quotes on Windows. Words of
// plain characters (letters, digits, - _ . / : = , + @) stay bare.
std::string ShellWord(const std::string& text);

// Set by a subcommand's callback; main returns it.
void SetExitCode(int code);

// Progress on a terminal for long work: "label [#####     ]  42%" rewritten in place on stderr
// when stderr is a terminal, silent otherwise (logs and pipes stay clean).
class Progress {
 public:
  Progress(std::string label, uint64_t total);
  ~Progress();
  void Advance(uint64_t amount);

 private:
  std::string label_;
  uint64_t total_;
  uint64_t done_ = 0;
  int shown_ = -1;
  bool tty_;
};

}  // namespace lpctool

#define LPCTOOL_CONCAT2(a, b) a##b
#define LPCTOOL_CONCAT(a, b) LPCTOOL_CONCAT2(a, b)
#define LPCTOOL_COMMAND(name, setup) \
  static ::lpctool::CommandRegistrar LPCTOOL_CONCAT(registrar_, __LINE__)(name, setup)
