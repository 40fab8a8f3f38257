#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace lpc {
namespace {

TEST(TextEncoding, Windows1252AndUtf8BothWays) {
  const struct {
    const char* cp1252;
    const char* utf8;
  } cases[] = {
      {"Sj\xF6"
       "ar",
       "Sj\xC3\xB6"
       "ar"},
      {"\x80 \x8A \x9F", "\xE2\x82\xAC \xC5\xA0 \xC5\xB8"},  // the 0x80-0x9F block
      {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},                      // Latin-1 above it
      {"\x81\x9D", "\xC2\x81\xC2\x9D"},                      // the undefined slots
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    std::string back;
    size_t bad = 99;
    EXPECT_TRUE(Utf8ToCp1252(c.utf8, back, bad));
    EXPECT_EQ(back, c.cp1252);
    EXPECT_EQ(DisplayUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(DisplayUtf8(c.utf8), c.utf8) << "already UTF-8";
  }
}

TEST(TextEncoding, TextWithoutAWindows1252FormIsRefusedWhereItStands) {
  const struct {
    const char* utf8;
    size_t offset;
  } cases[] = {
      {"ab\xCE\xA9", 2},         // Greek Omega
      {"x\xF0\x9F\x98\x80", 1},  // outside the BMP
      {"ok\xC3", 2},             // cut short
      {"\xC0\xAF", 0},           // overlong "/"
      {"a\xED\xA0\x80", 1},      // a surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::string out;
    size_t bad = 99;
    EXPECT_FALSE(Utf8ToCp1252(c.utf8, out, bad));
    EXPECT_EQ(bad, c.offset);
  }
}

TEST(TextEncoding, ExcerptsAreShortAndEscaped) {
  const struct {
    std::string text;
    size_t max_chars;
    const char* quoted;
  } cases[] = {
      {"plain", 40, R"("plain")"},
      {"\x1B[2J\r\n\"\\\x7F", 40, R"("\x1B[2J\x0D\x0A\"\\\x7F")"},
      // Greek stays Greek: its second bytes (0x9B in "\xCE\x9B") are no controls.
      {"\xCE\x9B\xCE\xAF\xCE\xBC\xCE\xBD\xCE\xB7", 40,
       "\"\xCE\x9B\xCE\xAF\xCE\xBC\xCE\xBD\xCE\xB7\""},
      {"\xE2\x82\xAC \xF0\x9F\x98\x80", 40, "\"\xE2\x82\xAC \xF0\x9F\x98\x80\""},
      // Stray bytes one at a time; a cut sequence is stray bytes.
      {"Sj\xF6\x9B\xCE", 40, R"("Sj\xF6\x9B\xCE")"},
      {"\xC0\xAF", 40, R"("\xC0\xAF")"},  // overlong "/"
      // Characters that are well formed but not printable, as a whole.
      {"a\xC2\x9B[2J", 40, R"("a\u009B[2J")"},              // CSI
      {"x\xE2\x80\xAEtxt.exe", 40, R"("x\u202Etxt.exe")"},  // right-to-left override
      {"\xE2\x80\xA8\xEF\xBB\xBF", 40, R"("\u2028\uFEFF")"},
      // Cuts count characters and never split one.
      {std::string(300, 'z'), 5, R"("zzzzz...")"},
      {"\xCE\x9B\xCE\xAF\xCE\xBC", 2, "\"\xCE\x9B\xCE\xAF...\""},
      {"\x01\x02\x03", 2, R"("\x01\x02...")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quoted);
    EXPECT_EQ(QuoteExcerpt(c.text, c.max_chars), c.quoted);
  }
  // A garbage number in a file: its message quotes a short excerpt, not the whole file.
  const std::string garbage = "\x1B]0;title\x07" + std::string(300, 'x');
  const std::string message = ConvertError(garbage).what();
  EXPECT_LT(message.size(), 100u);
  EXPECT_EQ(message.find('\x1B'), std::string::npos);
  EXPECT_EQ(message.rfind("'\\x1B]0;title\\x07xxx", 0), 0u) << message;
}

}  // namespace
}  // namespace lpc
