// Numbers as people read them.
#pragma once

#include <string>

namespace vorne_tool {

// A value that a single-precision REAL holds exactly: the shortest text that
// reads back to that float ("21.3", not "21.2999992"). Any other double: nine
// significant digits, as a host shows it.
std::string NumberText(double value);

}  // namespace vorne_tool
