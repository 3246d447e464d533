// Wall-clock time for time stamps, the local Device's date and time, and
// weekday computation.
#pragma once

#include <cstdint>

namespace platform {

struct LocalDateTime {
    int year;         // e.g. 2026
    int month;        // 1..12
    int day;          // 1..31
    int weekday;      // 1 Monday .. 7 Sunday
    int hour;         // 0..23
    int minute;       // 0..59
    int second;       // 0..59
    int milliseconds; // 0..999
};

LocalDateTime LocalNow();

// The current local time as a FILETIME value (100 ns units since 1601-01-01).
std::uint64_t LocalFileTimeNow();

// FILETIME of a local calendar time, and back.
std::uint64_t FileTimeFromDateTime(const LocalDateTime& t);
LocalDateTime DateTimeFromFileTime(std::uint64_t fileTime);

// Weekday (1 Monday .. 7 Sunday) of a calendar date, or 0 when the date does
// not exist (31 February, month 13, year before 1601).
int WeekdayOf(int year, int month, int day);

}  // namespace platform
