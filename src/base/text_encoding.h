// Text of packages and ini files is 8-bit Windows-1252, as on the system the format comes
// from; terminals, JSON, file names and the fonts on Linux speak UTF-8. These convert at the
// border between the two, and quote untrusted bytes for messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lpc {

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, as Windows itself does.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to Windows-1252. False when the text is not UTF-8 or holds a character the code page
// has no form for; bad_offset is then the byte offset of the first such character.
bool Utf8ToCp1252(std::string_view text, std::string& out, size_t& bad_offset);

// True when the whole text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// Text for a UTF-8 display (window captions, labels, message boxes on Linux): text that is
// already UTF-8 (a file path on Linux) stays, anything else is Windows-1252 and is converted.
// Windows-1252 text that happens to be valid UTF-8 needs two or more accented capitals and
// symbols in a row ("Ã¶"), which real captions do not hold.
std::string DisplayUtf8(std::string_view text);

// Content files are named in Windows-1252 inside packages and packed images, whatever system
// made them; on disk (the work folder, an unpacked folder) a name takes the encoding the
// program's paths are in: UTF-8 on Linux and in the authoring tool, the ANSI code page in the
// Windows runtime, whose Win32 calls are the narrow ones. Every place that turns a stored name into
// a path goes through here, so a name is written and found under the same bytes.
std::string FileNameOnDisk(std::string_view stored);

// The first max_chars characters of untrusted text for a message, in double quotes, "..."
// after a cut, so a garbage file can neither flood nor drive the terminal or the message box.
// Well-formed UTF-8 of printable characters stays as it is (a Greek title reads as Greek); a
// byte that is no part of a UTF-8 character and a C0 control or DEL show as "\x1B"; a valid
// character that is not printable (a C1 control such as U+009B, a line separator, a direction
// override) shows as "\u009B"; quotes and backslashes are escaped.
std::string QuoteExcerpt(std::string_view text, size_t max_chars = 40);
// The same without the quotes, for messages that bring their own.
std::string EscapeExcerpt(std::string_view text, size_t max_chars = 40);

}  // namespace lpc
