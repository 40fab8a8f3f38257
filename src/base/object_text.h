// The declarative object text of window layouts, read into a plain tree.
//
//   object MainWindow: TfmLPConfigWindow
//     Caption = 'Settings'
//     Font.Name = 'Tahoma'
//     object BitBtn1: TBitBtn
//       Left = 8
//     end
//   end
//
// The reader knows nothing of components: it keeps class and property names as written, so the
// form builder can resolve them against its class registry afterwards (names there are matched
// without regard to case; dotted property names such as Font.Name address sub-objects).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/errors.h"

namespace lpc {

struct Property;
struct PropertyValue;

// The fixed messages of the reader; the error text is "<message> on line <n>".
inline constexpr const char* kIdentifierExpected = "Identifier expected";
inline constexpr const char* kStringExpected = "String expected";
inline constexpr const char* kNumberExpected = "Number expected";
inline constexpr const char* kCharExpected = "''%s'' expected";
inline constexpr const char* kInvalidString = "Invalid string constant";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";
inline constexpr const char* kInvalidBinary = "Invalid binary value";
inline constexpr const char* kLineTooLong = "Line too long";
inline constexpr const char* kNestingTooDeep = "Nesting too deep";

// Limits that keep hostile text from exhausting the stack or memory.
inline constexpr size_t kMaxObjectTextLine = 65535;       // characters per line
inline constexpr int kMaxObjectTextDepth = 64;            // objects, lists and collections

// A text the reader rejects: what() is "<message> on line <line>".
class ObjectTextError : public Error {
 public:
  ObjectTextError(std::string message, int line);
  const std::string& message() const { return message_; }
  int line() const { return line_; }

 private:
  std::string message_;
  int line_;
};

// An enumeration value, a boolean (True/False) or a reference to another component, as written
// (dotted names keep their dots).
struct Identifier {
  std::string name;
  bool operator==(const Identifier&) const = default;
};

// A floating-point number. suffix is 0 for a plain value, or 'C' (currency), 'D' (date),
// 'S' (single precision), upper-cased.
struct FloatValue {
  double value = 0;
  char suffix = 0;
  bool operator==(const FloatValue&) const = default;
};

// [a, b, c]
struct SetValue {
  std::vector<std::string> elements;
  bool operator==(const SetValue&) const = default;
};

// ( value value ... )
struct ListValue {
  std::vector<PropertyValue> items;
  bool operator==(const ListValue&) const;
};

// item [index] properties end
struct CollectionItem {
  std::optional<int64_t> index;
  std::vector<Property> properties;
  int line = 0;
  bool operator==(const CollectionItem&) const;
};

// < item ... end item ... end >
struct CollectionValue {
  std::vector<CollectionItem> items;
  bool operator==(const CollectionValue&) const;
};

// { hex digits }
struct BinaryValue {
  std::vector<uint8_t> bytes;
  bool operator==(const BinaryValue&) const = default;
};

// One property value. Strings are kept as read: std::string holds 8-bit text (the bytes of
// quoted runs and #codes up to 255); a string with any #code above 255 becomes std::u16string.
struct PropertyValue {
  using Variant = std::variant<int64_t, FloatValue, std::string, std::u16string, Identifier,
                               SetValue, ListValue, CollectionValue, BinaryValue>;
  Variant value;

  bool operator==(const PropertyValue&) const = default;

  template <typename T>
  bool Is() const { return std::holds_alternative<T>(value); }
  template <typename T>
  const T& As() const { return std::get<T>(value); }
  template <typename T>
  const T* Get() const { return std::get_if<T>(&value); }
};

// Name = value. name keeps its dots ("Font.Name"); line is where the name stands.
struct Property {
  std::string name;
  PropertyValue value;
  int line = 0;
  bool operator==(const Property&) const = default;

  // The dotted name split at its dots: "Font.Name" gives {"Font", "Name"}.
  std::vector<std::string> Path() const;
};

// One object: "object Name: TClass [index]" (or "inherited ..."), its properties in text order,
// then its nested objects in text order.
struct ObjectNode {
  std::string name;        // empty when the object line gives a class alone
  std::string class_name;
  bool inherited = false;  // written with the keyword "inherited"
  std::optional<int64_t> index;
  std::vector<Property> properties;
  std::vector<ObjectNode> children;
  int line = 0;            // line of the keyword

  bool operator==(const ObjectNode&) const = default;

  // First property of that name, case ignored, or nullptr.
  const Property* FindProperty(std::string_view property_name) const;
  // Number of objects in this subtree, this one included.
  size_t CountObjects() const;
};

// Reads one object (with everything nested in it) from the text. Text after the root object's
// "end" is ignored. Raises ObjectTextError on malformed text.
ObjectNode ReadObjectText(std::string_view text);

// Lines (1-based) a format leaves out of its object text: the reader takes them as blank, so
// nodes and faults keep the text's own line numbers. A text that ends inside such lines ends,
// as far as its faults tell, where they begin: the line after the last one read.
using LinePassedOver = std::function<bool(int line)>;
ObjectNode ReadObjectText(std::string_view text, const LinePassedOver& passed_over);

// Text conversions for showing what the reader kept: 8-bit text as Latin-1, wide strings as
// UTF-16. Unpaired surrogates become U+FFFD.
std::string Latin1ToUtf8(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace lpc
