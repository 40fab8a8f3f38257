// Whole-file helpers. Errors name the file: "<path>: <fault>".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lpc {

// Paths are strings in the program's own encoding. On Windows the runtime's strings are in the
// ANSI code page, as its Win32 calls give them; lpctool's are UTF-8 on every system, so it
// calls UseUtf8Paths() first. Elsewhere a path is the bytes the system names it by, unchanged.
// Every file opened here and in the packages goes through FsPath, and names the system gives
// come back through PathText.
void UseUtf8Paths();
bool Utf8Paths();
std::filesystem::path FsPath(std::string_view path);
std::string PathText(const std::filesystem::path& path);

// These three also find the files held in place (base/byte_range.h).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);

// Reads the whole file (or what a name held in place stands for). Missing file: FileNotFoundError
// "<path>: File not found"; a file larger than max_bytes: FormatError, before anything is
// allocated.
std::string ReadFileBytes(const std::string& path, uint64_t max_bytes = UINT64_C(1) << 32);

// A fresh name for a temporary file in path's folder: path + ".tmp<stamp>-<n>". Each call in
// the process gives another name; the global random generator is left alone so that seeded runs
// stay repeatable.
std::string TempFileNameBeside(const std::string& path);

// Writes bytes to a temporary file beside path and renames it into place, so readers see either
// the old or the new file, never half of one. Failure: IOError naming the path.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// Renames temp, a file written beside target, over target. Failure: IOError
// "<target>: cannot replace the file (<reason>)"; temp is then the caller's to remove.
void ReplaceFile(const std::string& temp, const std::string& target);

// Plain write (create or truncate). Failure: IOError naming the path.
void WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace lpc
