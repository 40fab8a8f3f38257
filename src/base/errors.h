// Error types. Every error carries the text a person reads; the fixed texts below are the
// ones the runtime shows, so callers and tests compare against these constants.
#pragma once

#include <stdexcept>
#include <string>

namespace lpc {

inline constexpr const char* kReadBeyondEnd = "Read beyond end of file";
inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kIncorrectProjectFile = "Incorrect Project File!";
inline constexpr const char* kNotValidInteger = "'%s' is not a valid integer value";
inline constexpr const char* kListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr const char* kDivisionByZero = "Floating point division by zero";

// Base of every error the program raises itself.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input/output failure: short read, missing file, failed write.
class IOError : public Error {
 public:
  using Error::Error;
};

// A short read. Text: "Read beyond end of file".
class ReadError : public IOError {
 public:
  ReadError() : IOError(kReadBeyondEnd) {}
  explicit ReadError(const std::string& text) : IOError(text) {}
};

// A file that cannot be opened. Text: "File not found" unless a more precise one is given.
class FileNotFoundError : public IOError {
 public:
  FileNotFoundError() : IOError(kFileNotFound) {}
  explicit FileNotFoundError(const std::string& text) : IOError(text) {}
};

// A string that is not an integer: "'<text>' is not a valid integer value".
class ConvertError : public Error {
 public:
  explicit ConvertError(const std::string& text);
};

// The project record is unusable: "Incorrect Project File!".
class ProjectFileError : public Error {
 public:
  ProjectFileError() : Error(kIncorrectProjectFile) {}
  // "<file>: Incorrect Project File!"
  explicit ProjectFileError(const std::string& file)
      : Error(file + ": " + kIncorrectProjectFile) {}
};

// "List index out of bounds (<n>)".
class ListIndexError : public Error {
 public:
  explicit ListIndexError(long long index);
};

// Floating-point division by zero is an error here, never an infinity.
class DivisionByZeroError : public Error {
 public:
  DivisionByZeroError() : Error(kDivisionByZero) {}
};

// A file whose content is malformed: the message names the file and the fault,
// "<file>: <fault>".
class FormatError : public Error {
 public:
  FormatError(const std::string& file, const std::string& fault);
  const std::string& file() const { return file_; }
  const std::string& fault() const { return fault_; }

 private:
  std::string file_;
  std::string fault_;
};

// printf-style formatting into a std::string, for building error texts.
#ifdef __MINGW32__
// On MinGW "printf" names the Microsoft runtime's dialect; Format uses the C99 one there too.
std::string Format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
#endif

}  // namespace lpc
