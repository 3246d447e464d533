#include "platform/local_time.hpp"

#include <chrono>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {
namespace {

// Days between 1601-01-01 (FILETIME epoch) and 1970-01-01.
constexpr std::int64_t kEpochDays1601To1970 = 134774;
constexpr std::uint64_t kTicksPerMillisecond = 10000;
constexpr std::uint64_t kTicksPerDay = 86400ULL * 1000 * kTicksPerMillisecond;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int WeekdayFromDays(std::int64_t days) {
    // 1970-01-01 was a Thursday (4).
    std::int64_t w = (days + 3) % 7;
    if (w < 0) w += 7;
    return static_cast<int>(w) + 1;
}

}  // namespace

LocalDateTime LocalNow() {
    LocalDateTime t{};
#ifdef _WIN32
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    t = {st.wYear, st.wMonth, st.wDay, st.wDayOfWeek == 0 ? 7 : st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond,
         st.wMilliseconds};
#else
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    // Every scan stamps its values: the system's conversion (which looks the
    // time zone up again each time) runs once per second, per thread.
    thread_local std::time_t convertedSecond = -1;
    thread_local std::tm local{};
    if (seconds != convertedSecond) {
        localtime_r(&seconds, &local);
        convertedSecond = seconds;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    t = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday == 0 ? 7 : local.tm_wday,
         local.tm_hour,        local.tm_min,     local.tm_sec,  static_cast<int>(ms)};
#endif
    return t;
}

std::uint64_t LocalFileTimeNow() { return FileTimeFromDateTime(LocalNow()); }

std::uint64_t FileTimeFromDateTime(const LocalDateTime& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day) + kEpochDays1601To1970;
    if (days < 0) return 0;
    const std::uint64_t ms = ((static_cast<std::uint64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 +
                             static_cast<std::uint64_t>(t.milliseconds);
    return static_cast<std::uint64_t>(days) * kTicksPerDay + ms * kTicksPerMillisecond;
}

LocalDateTime DateTimeFromFileTime(std::uint64_t fileTime) {
    LocalDateTime t{};
    const auto days = static_cast<std::int64_t>(fileTime / kTicksPerDay) - kEpochDays1601To1970;
    std::uint64_t ms = (fileTime % kTicksPerDay) / kTicksPerMillisecond;
    CivilFromDays(days, t.year, t.month, t.day);
    t.weekday = WeekdayFromDays(days);
    t.milliseconds = static_cast<int>(ms % 1000);
    ms /= 1000;
    t.second = static_cast<int>(ms % 60);
    ms /= 60;
    t.minute = static_cast<int>(ms % 60);
    t.hour = static_cast<int>(ms / 60);
    return t;
}

int WeekdayOf(int year, int month, int day) {
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return 0;
    return WeekdayFromDays(DaysFromCivil(year, month, day));
}

}  // namespace platform
