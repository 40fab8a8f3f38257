// `lpctool info` for UI descriptions (.lui) and bare object texts (form files in text form).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace lpctool {

// The forms of a UI description with their action tables.
nlohmann::ordered_json DescribeUiDescription(const std::string& path);
// The object tree of an object text: {"Name", "Class", "Properties", "Children"}.
// A text the reader rejects raises lpc::Error with the reader's message ("... on line N").
nlohmann::ordered_json DescribeObjectText(const std::string& path);

}  // namespace lpctool
