#include "base/text_encoding.h"

#include "base/fileio.h"

#include <cstdint>
#include <cstdio>

namespace lpc {

namespace {

// 0x80-0x9F of Windows-1252; the rest of the upper half is Latin-1, the same numbers as
// Unicode. Undefined slots keep their own value.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePoint(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 character at text[i]; 0 length when malformed (overlong, surrogate, cut).
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& c) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = b(0);
  size_t n = lead < 0x80                   ? 1
             : lead >= 0xC2 && lead < 0xE0 ? 2
             : lead >= 0xE0 && lead < 0xF0 ? 3
             : lead >= 0xF0 && lead < 0xF5 ? 4
                                           : 0;
  if (n == 0 || i + n > text.size()) return 0;
  c = n == 1 ? lead : lead & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(k) & 0x3F);
  }
  const char32_t min[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < min[n] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
  return n;
}

// False for characters that would move the cursor, reorder or hide the text around them, or
// start a terminal command (C1 controls such as CSI, U+009B), rather than show as themselves.
bool Printable(char32_t c) {
  return !(c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB) || (c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF));
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) AppendUtf8(out, CodePoint(static_cast<unsigned char>(ch)));
  return out;
}

bool Utf8ToCp1252(std::string_view text, std::string& out, size_t& bad_offset) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t n = DecodeUtf8(text, i, c);
    int byte = -1;
    if (n != 0) {
      if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) byte = static_cast<int>(c);
      for (int k = 0; k < 32 && byte < 0; ++k) {
        if (kHigh[k] == c) byte = 0x80 + k;
      }
    }
    if (byte < 0) {
      bad_offset = i;
      return false;
    }
    out += static_cast<char>(byte);
    i += n;
  }
  return true;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t n = DecodeUtf8(text, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string DisplayUtf8(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
}

std::string FileNameOnDisk(std::string_view stored) {
#ifdef _WIN32
  // The runtime's paths are in the ANSI code page; the tool's are UTF-8 (UseUtf8Paths).
  return Utf8Paths() ? Cp1252ToUtf8(stored) : std::string(stored);
#else
  return Cp1252ToUtf8(stored);
#endif
}

std::string QuoteExcerpt(std::string_view text, size_t max_chars) {
  return "\"" + EscapeExcerpt(text, max_chars) + "\"";
}

std::string EscapeExcerpt(std::string_view text, size_t max_chars) {
  std::string out;
  size_t i = 0;
  for (size_t count = 0; i < text.size() && count < max_chars; ++count) {
    char32_t c = 0;
    const size_t n = DecodeUtf8(text, i, c);
    char escaped[12];
    if (n == 0 || c < 0x20 || c == 0x7F) {
      // A stray byte of another encoding or a control byte: shown by value, one at a time.
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
      out += escaped;
      ++i;
      continue;
    }
    if (!Printable(c)) {
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  if (i < text.size()) out += "...";
  return out;
}

}  // namespace lpc
