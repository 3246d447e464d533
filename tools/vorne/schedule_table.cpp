#include "tools/vorne/schedule_table.hpp"

#include <cstdio>
#include <cstdlib>

namespace vorne_tool {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator) parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

// "7:0:0.0" -> "07:00", "7:0:30.0" -> "07:00:30"; unspecified fields stay as they are.
std::optional<std::string> ClockText(const std::string& time) {
    const std::vector<std::string> hms = Split(time, ':');
    if (hms.size() != 3) return std::nullopt;
    auto two = [](const std::string& field) { return field.size() == 1 ? "0" + field : field; };
    std::string text = two(hms[0]) + ":" + two(hms[1]);
    const std::string seconds = hms[2].substr(0, hms[2].find('.'));
    if (seconds != "0" && seconds != "00") text += ":" + two(seconds);
    return text;
}

}  // namespace

std::optional<std::vector<std::string>> WeeklyScheduleTable(const std::string& text) {
    static const char* const kDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    const std::vector<std::string> days = Split(text, '|');
    if (days.size() != 7) return std::nullopt;
    std::vector<std::string> lines;
    for (std::size_t d = 0; d < days.size(); ++d) {
        char day[16];
        std::snprintf(day, sizeof day, "%-10s", kDays[d]);
        std::string line = day;
        if (days[d].empty()) {
            lines.push_back(line + " (no entries)");
            continue;
        }
        for (const std::string& entry : Split(days[d], ';')) {
            const std::vector<std::string> fields = Split(entry, ',');
            if (fields.size() < 3) return std::nullopt;
            const auto clock = ClockText(fields[0]);
            if (!clock) return std::nullopt;
            std::string value = fields[2];
            for (std::size_t k = 3; k < fields.size(); ++k) value += "," + fields[k];
            char cell[48];
            std::snprintf(cell, sizeof cell, " %s %-8s", clock->c_str(), value.c_str());
            line += cell;
        }
        lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
    }
    return lines;
}

}  // namespace vorne_tool
