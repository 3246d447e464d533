// Numbers as people read them.
#pragma once

#include <string>

namespace vorne_tool {

// The shortest text that reads back to the same value: for a value that a
// single-precision REAL holds exactly, the shortest that reads back to that
// float ("21.3", not "21.2999992"); otherwise the shortest for the double.
std::string ShortestNumberText(double value);

}  // namespace vorne_tool
