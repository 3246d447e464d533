// Object type and property names for object files.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "sim/ids.hpp"

namespace sim {
namespace {

struct Named {
    std::string_view name;
    std::uint32_t number;
};

constexpr Named kObjectTypes[] = {
    {"AI", 0}, {"AO", 1}, {"AV", 2}, {"BI", 3}, {"BO", 4}, {"BV", 5}, {"CAL", 6}, {"DEV", 8},
    {"MSI", 13}, {"MSO", 14}, {"NC", 15}, {"SCH", 17}, {"MSV", 19}, {"BSV", 39}, {"CSV", 40},
    {"DV", 42}, {"IV", 45}, {"LAV", 46}, {"OSV", 47}, {"PIV", 48}, {"TV", 50},
    {"analog-input", 0}, {"analog-output", 1}, {"analog-value", 2}, {"binary-input", 3},
    {"binary-output", 4}, {"binary-value", 5}, {"calendar", 6}, {"device", 8},
    {"multi-state-input", 13}, {"multi-state-output", 14}, {"notification-class", 15},
    {"schedule", 17}, {"multi-state-value", 19}, {"bitstring-value", 39},
    {"characterstring-value", 40}, {"date-value", 42}, {"integer-value", 45},
    {"large-analog-value", 46}, {"octetstring-value", 47}, {"positive-integer-value", 48},
    {"time-value", 50},
};

constexpr Named kProperties[] = {
    {"acked-transitions", 0}, {"ack-required", 1}, {"active-text", 4}, {"all", 8},
    {"apdu-segment-timeout", 10}, {"apdu-timeout", 11}, {"application-software-version", 12},
    {"notification-class", 17}, {"cov-increment", 22}, {"date-list", 23}, {"deadband", 25},
    {"description", 28}, {"effective-period", 32}, {"event-enable", 35}, {"event-state", 36},
    {"exception-schedule", 38}, {"firmware-revision", 44}, {"high-limit", 45}, {"inactive-text", 46},
    {"limit-enable", 52}, {"list-of-object-property-references", 54}, {"local-date", 56},
    {"local-time", 57}, {"location", 58}, {"low-limit", 59}, {"max-apdu-length-accepted", 62},
    {"max-pres-value", 65}, {"min-pres-value", 69}, {"model-name", 70}, {"notify-type", 72},
    {"number-of-apdu-retries", 73}, {"number-of-states", 74}, {"object-identifier", 75},
    {"object-list", 76}, {"object-name", 77}, {"object-type", 79}, {"optional", 80},
    {"out-of-service", 81}, {"polarity", 84}, {"present-value", 85}, {"priority", 86},
    {"priority-array", 87}, {"priority-for-writing", 88}, {"protocol-object-types-supported", 96},
    {"protocol-services-supported", 97}, {"protocol-version", 98}, {"recipient-list", 102},
    {"reliability", 103}, {"relinquish-default", 104}, {"required", 105}, {"resolution", 106},
    {"segmentation-supported", 107}, {"state-text", 110}, {"status-flags", 111},
    {"system-status", 112}, {"time-delay", 113}, {"units", 117}, {"vendor-identifier", 120},
    {"vendor-name", 121}, {"weekly-schedule", 123}, {"protocol-revision", 139},
    {"database-revision", 155}, {"max-segments-accepted", 167}, {"schedule-default", 174},
    {"property-list", 371},
};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

template <std::size_t N>
std::optional<std::uint32_t> Lookup(const Named (&table)[N], std::string_view name, std::uint32_t limit) {
    std::uint32_t number = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (ec == std::errc() && end == name.data() + name.size() && !name.empty())
        return number <= limit ? std::optional<std::uint32_t>(number) : std::nullopt;
    for (const Named& entry : table)
        if (SameName(entry.name, name)) return entry.number;
    return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> ObjectTypeFromName(std::string_view name) { return Lookup(kObjectTypes, name, 1023); }

std::optional<std::uint32_t> PropertyFromName(std::string_view name) { return Lookup(kProperties, name, 4194303); }

std::string_view ObjectTypeAbbreviation(std::uint32_t type) {
    for (const Named& entry : kObjectTypes)
        if (entry.number == type) return entry.name;
    return "OBJ";
}

}  // namespace sim
