// Values written as text in object files: "REAL:21.5", "STR:\"Zone\"",
// "DATE:2026-03-14", "[STR:Off, STR:On]"... (see README.md).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/value.hpp"

namespace sim {

// One value. like, when given, is the property's current value: a literal
// without a type prefix takes its kind. False with a message otherwise.
bool ParseValueText(std::string_view text, const Value* like, Value& value, std::string& error);

// A whole property: one value, or "[a, b, ...]" for an array. isArray tells
// which form was used.
bool ParsePropertyText(std::string_view text, const Value* like, std::vector<Value>& values, bool& isArray,
                       std::string& error);

}  // namespace sim
