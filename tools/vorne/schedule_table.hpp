// A weekly schedule's text ("7:0:0.0,4,21;18:0:0.0,4,17|...", seven days
// from Monday, entries TIME,TAG,VALUE) as a table people read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorne_tool {

// One line per day, "Monday     07:00 21    18:00 17"; nullopt when the
// text is not seven days of such entries.
std::optional<std::vector<std::string>> WeeklyScheduleTable(const std::string& text);

}  // namespace vorne_tool
