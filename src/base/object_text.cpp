#include "base/object_text.h"

#include <charconv>
#include <cstring>

#include "base/paths.h"

namespace lpc {

ObjectTextError::ObjectTextError(std::string message, int line)
    : Error(Format("%s on line %d", message.c_str(), line)), message_(std::move(message)),
      line_(line) {}

bool ListValue::operator==(const ListValue& other) const { return items == other.items; }

bool CollectionItem::operator==(const CollectionItem& other) const {
  return index == other.index && properties == other.properties && line == other.line;
}

bool CollectionValue::operator==(const CollectionValue& other) const {
  return items == other.items;
}

std::vector<std::string> Property::Path() const {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t dot = name.find('.', start);
    parts.push_back(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

const Property* ObjectNode::FindProperty(std::string_view property_name) const {
  for (const Property& p : properties) {
    if (SameText(p.name, property_name)) return &p;
  }
  return nullptr;
}

size_t ObjectNode::CountObjects() const {
  size_t n = 1;
  for (const ObjectNode& child : children) n += child.CountObjects();
  return n;
}

namespace {

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

enum class TokenKind { kEnd, kSymbol, kInteger, kFloat, kString, kChar };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  int line = 1;
  std::string text;       // symbol
  int64_t integer = 0;
  FloatValue real;
  std::u16string units;   // string
  bool wide = false;
  char ch = 0;
};

// Rejects any physical line longer than the limit before the text is tokenised; lines passed
// over are not read, so their length does not matter.
void CheckLineLengths(std::string_view text, const LinePassedOver* passed_over) {
  int line = 1;
  size_t length = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      length = 0;
    } else if (++length > kMaxObjectTextLine && !(passed_over && (*passed_over)(line))) {
      throw ObjectTextError(kLineTooLong, line);
    }
  }
}

class Reader {
 public:
  Reader(std::string_view text, const LinePassedOver* passed_over)
      : text_(text), passed_over_(passed_over) {}

  ObjectNode ReadRoot() {
    CheckLineLengths(text_, passed_over_);
    PassOverLines();
    Next();
    return ReadObject();
  }

 private:
  [[noreturn]] void Fail(const char* message) const { throw ObjectTextError(message, tok_.line); }
  [[noreturn]] void FailHere(const char* message) const {
    throw ObjectTextError(message, line_);
  }
  [[noreturn]] void Expected(const char* what) const {
    throw ObjectTextError(Format(kCharExpected, what), tok_.line);
  }

  bool IsChar(char c) const { return tok_.kind == TokenKind::kChar && tok_.ch == c; }
  bool IsKeyword(std::string_view word) const {
    return tok_.kind == TokenKind::kSymbol && SameText(tok_.text, word);
  }
  bool IsObjectKeyword() const { return IsKeyword("object") || IsKeyword("inherited"); }

  // Consumes one line break at pos_ if there is one, and the lines passed over after it.
  bool LineBreak() {
    const char c = text_[pos_];
    if (c == '\n' || c == '\r') {
      ++pos_;
      if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
      ++line_;
      PassOverLines();
      return true;
    }
    return false;
  }

  // At the start of a line: skips it, and any passed over after it, up to the next line read.
  void PassOverLines() {
    if (!passed_over_) return;
    const int first = line_;
    while (pos_ < text_.size() && (*passed_over_)(line_)) {
      while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
      if (pos_ >= text_.size()) break;
      if (text_[pos_++] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
      ++line_;
    }
    if (pos_ >= text_.size()) line_ = first;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) {
      if (!LineBreak()) ++pos_;
    }
  }

  void Next() {
    SkipBlanks();
    tok_ = Token();
    tok_.line = line_;
    if (pos_ >= text_.size()) return;
    const char c = text_[pos_];
    if (IsIdentStart(c)) {
      ReadSymbol();
    } else if (c == '\'' || c == '#') {
      ReadString();
    } else if (c == '$') {
      ReadHexInteger();
    } else if (IsDigit(c) || (c == '-' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
      ReadNumber();
    } else {
      tok_.kind = TokenKind::kChar;
      tok_.ch = c;
      ++pos_;
    }
  }

  void ReadSymbol() {
    const size_t start = pos_;
    while (true) {
      while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
      if (pos_ >= text_.size() || text_[pos_] != '.') break;
      ++pos_;
      if (pos_ >= text_.size() || !IsIdentStart(text_[pos_])) FailHere(kIdentifierExpected);
    }
    tok_.kind = TokenKind::kSymbol;
    tok_.text.assign(text_.substr(start, pos_ - start));
  }

  void ReadString() {
    tok_.kind = TokenKind::kString;
    while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
      if (text_[pos_] == '\'') {
        ++pos_;
        while (true) {
          if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n')
            FailHere(kInvalidString);
          const char c = text_[pos_++];
          if (c == '\'') {
            if (pos_ < text_.size() && text_[pos_] == '\'') {
              ++pos_;
            } else {
              break;
            }
          }
          tok_.units.push_back(static_cast<unsigned char>(c));
        }
      } else {
        ++pos_;
        if (pos_ >= text_.size() || !IsDigit(text_[pos_])) FailHere(kInvalidString);
        uint32_t code = 0;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
          code = code * 10 + static_cast<uint32_t>(text_[pos_++] - '0');
          if (code > 0xFFFF) FailHere(kInvalidString);
        }
        if (code > 255) tok_.wide = true;
        tok_.units.push_back(static_cast<char16_t>(code));
      }
    }
  }

  void ReadHexInteger() {
    ++pos_;
    const size_t start = pos_;
    uint64_t value = 0;
    while (pos_ < text_.size() && HexDigit(text_[pos_]) >= 0) {
      if (pos_ - start >= 16) FailHere(kNumberExpected);
      value = value << 4 | static_cast<uint64_t>(HexDigit(text_[pos_++]));
    }
    if (pos_ == start) FailHere(kNumberExpected);
    tok_.kind = TokenKind::kInteger;
    tok_.integer = static_cast<int64_t>(value);
  }

  void ReadNumber() {
    const size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    bool is_float = false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (IsDigit(c)) {
        ++pos_;
      } else if (c == '.' || c == 'E' || c == 'e' || c == '+' || c == '-') {
        is_float = true;
        ++pos_;
      } else {
        break;
      }
    }
    const std::string_view digits = text_.substr(start, pos_ - start);
    char suffix = 0;
    if (pos_ < text_.size()) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_])));
      if (c == 'C' || c == 'D' || c == 'S') {
        suffix = c;
        is_float = true;
        ++pos_;
      }
    }
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    if (is_float) {
      double value = 0;
      const auto [end, ec] = std::from_chars(first, last, value);
      if (ec != std::errc() || end != last) FailHere(kNumberExpected);
      tok_.kind = TokenKind::kFloat;
      tok_.real = FloatValue{value, suffix};
    } else {
      int64_t value = 0;
      const auto [end, ec] = std::from_chars(first, last, value);
      if (ec != std::errc() || end != last) FailHere(kNumberExpected);
      tok_.kind = TokenKind::kInteger;
      tok_.integer = value;
    }
  }

  // Guards the recursion of objects, lists and collections.
  class DepthGuard {
   public:
    explicit DepthGuard(Reader& r) : r_(r) {
      if (++r_.depth_ > kMaxObjectTextDepth) r_.Fail(kNestingTooDeep);
    }
    ~DepthGuard() { --r_.depth_; }

   private:
    Reader& r_;
  };

  std::string PlainIdentifier() {
    if (tok_.kind != TokenKind::kSymbol || tok_.text.find('.') != std::string::npos)
      Fail(kIdentifierExpected);
    std::string name = tok_.text;
    Next();
    return name;
  }

  // "[" integer "]" after an object line or the keyword item.
  std::optional<int64_t> OptionalIndex() {
    if (!IsChar('[')) return std::nullopt;
    Next();
    if (tok_.kind != TokenKind::kInteger) Fail(kNumberExpected);
    const int64_t index = tok_.integer;
    Next();
    if (!IsChar(']')) Expected("]");
    Next();
    return index;
  }

  // Reads up to and including the object's "end", leaving that "end" as the current token, so
  // nothing after the root object is ever tokenised.
  ObjectNode ReadObject() {
    DepthGuard guard(*this);
    ObjectNode node;
    if (!IsObjectKeyword()) Expected("object");
    node.line = tok_.line;
    node.inherited = IsKeyword("inherited");
    Next();
    std::string first = PlainIdentifier();
    if (IsChar(':')) {
      Next();
      node.name = std::move(first);
      node.class_name = PlainIdentifier();
    } else {
      node.class_name = std::move(first);
    }
    node.index = OptionalIndex();
    while (tok_.kind == TokenKind::kSymbol && !IsObjectKeyword() && !IsKeyword("end"))
      node.properties.push_back(ReadProperty());
    while (IsObjectKeyword()) {
      node.children.push_back(ReadObject());
      Next();
    }
    if (!IsKeyword("end")) Expected("end");
    return node;
  }

  Property ReadProperty() {
    Property p;
    p.line = tok_.line;
    p.name = tok_.text;
    Next();
    if (!IsChar('=')) Expected("=");
    Next();
    p.value = ReadValue();
    return p;
  }

  PropertyValue ReadValue() {
    PropertyValue v;
    switch (tok_.kind) {
      case TokenKind::kInteger:
        v.value = tok_.integer;
        Next();
        return v;
      case TokenKind::kFloat:
        v.value = tok_.real;
        Next();
        return v;
      case TokenKind::kString:
        return ReadJoinedString();
      case TokenKind::kSymbol:
        v.value = Identifier{tok_.text};
        Next();
        return v;
      case TokenKind::kEnd:
        Fail(kInvalidPropertyValue);
      case TokenKind::kChar:
        break;
    }
    switch (tok_.ch) {
      case '[':
        v.value = ReadSet();
        return v;
      case '(':
        v.value = ReadList();
        return v;
      case '<':
        v.value = ReadCollection();
        return v;
      case '{':
        v.value = ReadBinary();
        return v;
      default:
        Fail(kInvalidPropertyValue);
    }
  }

  PropertyValue ReadJoinedString() {
    std::u16string units = std::move(tok_.units);
    bool wide = tok_.wide;
    Next();
    while (IsChar('+')) {
      Next();
      if (tok_.kind != TokenKind::kString) Fail(kStringExpected);
      units += tok_.units;
      wide = wide || tok_.wide;
      Next();
    }
    PropertyValue v;
    if (wide) {
      v.value = std::move(units);
    } else {
      std::string narrow(units.size(), '\0');
      for (size_t i = 0; i < units.size(); ++i) narrow[i] = static_cast<char>(units[i]);
      v.value = std::move(narrow);
    }
    return v;
  }

  SetValue ReadSet() {
    SetValue set;
    Next();
    if (IsChar(']')) {
      Next();
      return set;
    }
    while (true) {
      set.elements.push_back(PlainIdentifier());
      if (IsChar(',')) {
        Next();
      } else if (IsChar(']')) {
        Next();
        return set;
      } else {
        Expected("]");
      }
    }
  }

  ListValue ReadList() {
    DepthGuard guard(*this);
    ListValue list;
    Next();
    while (!IsChar(')')) {
      if (tok_.kind == TokenKind::kEnd) Expected(")");
      list.items.push_back(ReadValue());
    }
    Next();
    return list;
  }

  CollectionValue ReadCollection() {
    DepthGuard guard(*this);
    CollectionValue collection;
    Next();
    while (!IsChar('>')) {
      if (!IsKeyword("item")) Expected("item");
      CollectionItem item;
      item.line = tok_.line;
      Next();
      item.index = OptionalIndex();
      while (tok_.kind == TokenKind::kSymbol && !IsKeyword("end"))
        item.properties.push_back(ReadProperty());
      if (!IsKeyword("end")) Expected("end");
      Next();
      collection.items.push_back(std::move(item));
    }
    Next();
    return collection;
  }

  // The current token is "{"; the digits are read character by character from just after it,
  // since hexadecimal runs do not tokenise as numbers.
  BinaryValue ReadBinary() {
    BinaryValue binary;
    int high = -1;
    while (true) {
      SkipBlanks();
      if (pos_ >= text_.size()) FailHere(Format(kCharExpected, "}").c_str());
      const char c = text_[pos_];
      if (c == '}') break;
      const int digit = HexDigit(c);
      if (digit < 0) FailHere(kInvalidBinary);
      ++pos_;
      if (high < 0) {
        high = digit;
      } else {
        binary.bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
        high = -1;
      }
    }
    if (high >= 0) FailHere(kInvalidBinary);
    ++pos_;
    Next();
    return binary;
  }

  std::string_view text_;
  const LinePassedOver* passed_over_;
  size_t pos_ = 0;
  int line_ = 1;
  int depth_ = 0;
  Token tok_;
};

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | code >> 6));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | code >> 12));
    out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | code >> 18));
    out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

ObjectNode ReadObjectText(std::string_view text) { return Reader(text, nullptr).ReadRoot(); }

ObjectNode ReadObjectText(std::string_view text, const LinePassedOver& passed_over) {
  return Reader(text, passed_over ? &passed_over : nullptr).ReadRoot();
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

}  // namespace lpc
