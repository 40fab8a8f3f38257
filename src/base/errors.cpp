#include "base/errors.h"

#include "base/text_encoding.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace lpc {

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), fmt, args);
    out.assign(buffer.data(), static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

// The text comes from files: a short excerpt with its control bytes escaped.
ConvertError::ConvertError(const std::string& text)
    : Error(Format(kNotValidInteger, EscapeExcerpt(text).c_str())) {}

ListIndexError::ListIndexError(long long index)
    : Error(Format("List index out of bounds (%lld)", index)) {}

FormatError::FormatError(const std::string& file, const std::string& fault)
    : Error(file + ": " + fault), file_(file), fault_(fault) {}

}  // namespace lpc
