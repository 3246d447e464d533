// Texts as JSON strings and CSV fields.
#pragma once

#include <string>

namespace vorne_tool {

// The text in double quotes, with quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& utf8);

// The text as it is when it needs no quoting, else in double quotes with inner quotes doubled.
std::string CsvField(const std::string& utf8);

}  // namespace vorne_tool
