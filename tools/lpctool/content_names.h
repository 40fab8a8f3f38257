// The one rule for content file names: a package and a packed image hold every name in
// Windows-1252, the code page the screensaver reads them in on every system. A name is given
// to the tool as the platform spells it (UTF-8 here); a name Windows-1252 cannot hold (Greek,
// Japanese, an emoji) is stored under a faithful rendering in Latin letters, with a note
// naming both, never refused and never left for the screensaver to miss. Titles and other
// text the screensaver shows follow the same rule.
#pragma once

#include <string>

namespace lpctool {

struct StoredName {
  std::string name;       // Windows-1252, safe as a bare file name on Windows and Linux
  bool rendered = false;  // the given name had to be spelt differently
};

// A bare file name as given (UTF-8; bytes that are not UTF-8 are taken as Windows-1252
// already) to the name stored for it. Decomposed accents ("e" + U+0301, as some systems and
// archives write names) are composed first, so "é" stays "é".
StoredName StoreName(const std::string& given);

// Text (a title, a line of a project or UI description) to Windows-1252 under the same rule,
// without the file-name checks.
StoredName StoreText(const std::string& given);

// The note "WHAT: stored as "X" (Windows-1252, the code page screensavers keep KIND in, cannot
// hold "GIVEN")" on stderr; given is UTF-8, stored Windows-1252.
void NoteRendered(const std::string& what, const char* kind, const std::string& given,
                  const std::string& stored);

// The name stored for `given`, with the note "WHAT: stored as "X" ..." on stderr when it had to
// be spelt differently.
std::string StoreNameWithNote(const std::string& given, const std::string& what);

}  // namespace lpctool
