#include "content_names.h"

#include <cstdint>

#include "base/paths.h"
#include "base/text_encoding.h"
#include "package_info.h"
#include "pack_checks.h"

#ifdef LPCTOOL_HAVE_ICU
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#endif

namespace lpctool {

namespace {

bool FitsWindows1252(const std::string& utf8) {
  std::string out;
  size_t bad = 0;
  return lpc::Utf8ToCp1252(utf8, out, bad);
}

// Characters Windows or Linux do not take in a file name become "_".
std::string SafeForFileNames(std::string text) {
  for (char& c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string::npos) {
      c = '_';
    }
  }
  if (!lpc::IsSafeFileName(text)) text = "_" + text;
  return text;
}

#ifdef LPCTOOL_HAVE_ICU

std::string ToUtf8String(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

// Latin letters for the characters Windows-1252 has no form for: scripts are transliterated
// ("Αθήνα" -> "Athena", "さくら" -> "sakura"), what has no letters (an emoji) is spelt by its
// Unicode name in brackets.
std::string RenderInLatin(const icu::UnicodeString& run) {
  UErrorCode status = U_ZERO_ERROR;
  static const std::unique_ptr<icu::Transliterator> to_latin(
      icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
  icu::UnicodeString latin = run;
  if (to_latin) to_latin->transliterate(latin);
  std::string out;
  for (int32_t i = 0; i < latin.length();) {
    const UChar32 c = latin.char32At(i);
    i += U16_LENGTH(c);
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    char name[128];
    UErrorCode name_status = U_ZERO_ERROR;
    const int32_t n = u_charName(c, U_UNICODE_CHAR_NAME, name, sizeof name, &name_status);
    if (U_FAILURE(name_status) || n <= 0) {
      out += '_';
      continue;
    }
    std::string words(name, static_cast<size_t>(n));
    for (char& ch : words) ch = ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    out += "(" + words + ")";
  }
  return out;
}

std::string Render(const std::string& given, bool& rendered) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(given);
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_SUCCESS(status)) text = nfc->normalize(text, status);
  std::string out;
  icu::UnicodeString run;  // characters Windows-1252 cannot hold, rendered together
  for (int32_t i = 0; i < text.length();) {
    const UChar32 c = text.char32At(i);
    i += U16_LENGTH(c);
    const std::string one = ToUtf8String(icu::UnicodeString(c));
    if (FitsWindows1252(one)) {
      if (!run.isEmpty()) out += RenderInLatin(run);
      rendered = rendered || !run.isEmpty();
      run.remove();
      out += one;
    } else {
      run.append(c);
    }
  }
  if (!run.isEmpty()) out += RenderInLatin(run);
  rendered = rendered || !run.isEmpty();
  return out;
}

#else

// Without ICU: each character Windows-1252 cannot hold becomes "_".
std::string Render(const std::string& given, bool& rendered) {
  std::string out;
  for (size_t i = 0; i < given.size();) {
    size_t n = 1;
    while (i + n < given.size() && (static_cast<unsigned char>(given[i + n]) & 0xC0) == 0x80) ++n;
    const std::string one = given.substr(i, n);
    const bool fits = FitsWindows1252(one);
    out += fits ? one : "_";
    rendered = rendered || !fits;
    i += n;
  }
  return out;
}

#endif

}  // namespace

StoredName StoreText(const std::string& given) {
  if (!lpc::IsUtf8(given)) return {given, false};
  std::string out;
  size_t bad = 0;
  if (lpc::Utf8ToCp1252(given, out, bad)) return {out, false};
  bool rendered = false;
  const std::string latin = Render(given, rendered);
  lpc::Utf8ToCp1252(latin, out, bad);
  return {out, rendered};
}

StoredName StoreName(const std::string& given) {
  StoredName stored = StoreText(given);
  if (stored.rendered) stored.name = SafeForFileNames(stored.name);
  return stored;
}

void NoteRendered(const std::string& what, const char* kind, const std::string& given,
                  const std::string& stored) {
  Note(what + ": stored as " + lpc::QuoteExcerpt(ToUtf8(stored), 200) +
       " (Windows-1252, the code page screensavers keep " + kind + " in, cannot hold " +
       lpc::QuoteExcerpt(given, 200) + ")");
}

std::string StoreNameWithNote(const std::string& given, const std::string& what) {
  const StoredName stored = StoreName(given);
  if (stored.rendered) NoteRendered(what, "names", given, stored.name);
  return stored.name;
}

}  // namespace lpctool
