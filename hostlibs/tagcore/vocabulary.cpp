#include "tagcore/vocabulary.hpp"

#include <array>
#include <unordered_map>

namespace tagcore {
namespace {

constexpr std::array<ObjectTypeEntry, kObjectTypePositions> kObjectTypes{{
    {0, "ANALOG-INPUT", "AI"},
    {1, "ANALOG-OUTPUT", "AO"},
    {2, "ANALOG-VALUE", "AV"},
    {3, "BINARY-INPUT", "BI"},
    {4, "BINARY-OUTPUT", "BO"},
    {5, "BINARY-VALUE", "BV"},
    {8, "DEVICE", "DEV"},
    {13, "MULTI-STATE-INPUT", "MSI"},
    {14, "MULTI-STATE-OUTPUT", "MSO"},
    {19, "MULTI-STATE-VALUE", "MSV"},
    {17, "SCHEDULE", "SCH"},
    {21, "LIFE-SAFETY-POINT", "LSP"},
    {22, "LIFE-SAFETY-ZONE", "LSZ"},
    {23, "ACCUMULATOR", "ACC"},
    {18, "AVERAGING", "AVG"},
    {6, "CALENDAR", "CAL"},
    {7, "COMMAND", "CMD"},
    {9, "EVENT-ENROLLMENT", "EE"},
    {12, "LOOP", "LOOP"},
    {15, "NOTIFICATION-CLASS", "NC"},
    {16, "PROGRAM", "PRG"},
    {24, "PULSE-CONVERTER", "PC"},
    {11, "GROUP", "GRP"},
    {10, "FILE", "FILE"},
    {20, "TREND-LOG", "TL"},
}};

// Property identifiers in the order of the driver's property order table.
constexpr std::array<std::int32_t, kPropertyPositions> kPropertyOrder{
    75,  77,  79,  85,  28,  31,  111, 36,  103, 81,  118, 117, 69,  65,  106, 22,  113, 17,  45,  59,  25,
    52,  35,  0,   72,  168, 87,  104, 84,  46,  4,   16,  15,  115, 33,  114, 6,   66,  67,  40,  74,  32,
    123, 174, 38,  88,  112, 121, 120, 70,  44,  12,  58,  76,  155, 98,  139, 97,  96,  130, 110, 7,   39,
    164, 160, 175, 166, 163, 161, 158, 162, 156, 159, 165, 187, 185, 192, 190, 191, 184, 183, 186, 182, 136,
    150, 125, 151, 135, 149, 124, 146, 78,  147, 148, 23,  47,  9,   2,   3,   62,  107, 167, 122, 5,   57,
    56,  119, 24,  10,  11,  73,  55,  116, 64,  63,  30,  154, 157, 153, 152, 172, 170, 169, 171, 37,  83,
    82,  60,  19,  21,  20,  109, 108, 93,  94,  49,  50,  26,  27,  14,  61,  68,  34,  86,  1,   102, 92,
    90,  100, 29,  91,  48,  181, 188, 176, 177, 189, 179, 178, 180, 53,  43,  42,  71,  13,  99,  41,  141,
    133, 142, 143, 132, 134, 128, 127, 144, 126, 131, 145, 137, 140, 173, 54,
};

// ASHRAE 135 property names by identifier (0..192); empty for withdrawn numbers.
constexpr std::array<std::string_view, 193> kPropertyNames{
    "ACKED-TRANSITIONS", "ACK-REQUIRED", "ACTION", "ACTION-TEXT", "ACTIVE-TEXT", "ACTIVE-VT-SESSIONS",
    "ALARM-VALUE", "ALARM-VALUES", "ALL", "ALL-WRITES-SUCCESSFUL", "APDU-SEGMENT-TIMEOUT", "APDU-TIMEOUT",
    "APPLICATION-SOFTWARE-VERSION", "ARCHIVE", "BIAS", "CHANGE-OF-STATE-COUNT", "CHANGE-OF-STATE-TIME",
    "NOTIFICATION-CLASS", "", "CONTROLLED-VARIABLE-REFERENCE", "CONTROLLED-VARIABLE-UNITS",
    "CONTROLLED-VARIABLE-VALUE", "COV-INCREMENT", "DATE-LIST", "DAYLIGHT-SAVINGS-STATUS", "DEADBAND",
    "DERIVATIVE-CONSTANT", "DERIVATIVE-CONSTANT-UNITS", "DESCRIPTION", "DESCRIPTION-OF-HALT",
    "DEVICE-ADDRESS-BINDING", "DEVICE-TYPE", "EFFECTIVE-PERIOD", "ELAPSED-ACTIVE-TIME", "ERROR-LIMIT",
    "EVENT-ENABLE", "EVENT-STATE", "EVENT-TYPE", "EXCEPTION-SCHEDULE", "FAULT-VALUES", "FEEDBACK-VALUE",
    "FILE-ACCESS-METHOD", "FILE-SIZE", "FILE-TYPE", "FIRMWARE-REVISION", "HIGH-LIMIT", "INACTIVE-TEXT",
    "IN-PROCESS", "INSTANCE-OF", "INTEGRAL-CONSTANT", "INTEGRAL-CONSTANT-UNITS", "", "LIMIT-ENABLE",
    "LIST-OF-GROUP-MEMBERS", "LIST-OF-OBJECT-PROPERTY-REFERENCES", "LIST-OF-SESSION-KEYS", "LOCAL-DATE",
    "LOCAL-TIME", "LOCATION", "LOW-LIMIT", "MANIPULATED-VARIABLE-REFERENCE", "MAXIMUM-OUTPUT",
    "MAX-APDU-LENGTH-ACCEPTED", "MAX-INFO-FRAMES", "MAX-MASTER", "MAX-PRES-VALUE", "MINIMUM-OFF-TIME",
    "MINIMUM-ON-TIME", "MINIMUM-OUTPUT", "MIN-PRES-VALUE", "MODEL-NAME", "MODIFICATION-DATE", "NOTIFY-TYPE",
    "NUMBER-OF-APDU-RETRIES", "NUMBER-OF-STATES", "OBJECT-IDENTIFIER", "OBJECT-LIST", "OBJECT-NAME",
    "OBJECT-PROPERTY-REFERENCE", "OBJECT-TYPE", "OPTIONAL", "OUT-OF-SERVICE", "OUTPUT-UNITS",
    "EVENT-PARAMETERS", "POLARITY", "PRESENT-VALUE", "PRIORITY", "PRIORITY-ARRAY", "PRIORITY-FOR-WRITING",
    "PROCESS-IDENTIFIER", "PROGRAM-CHANGE", "PROGRAM-LOCATION", "PROGRAM-STATE", "PROPORTIONAL-CONSTANT",
    "PROPORTIONAL-CONSTANT-UNITS", "", "PROTOCOL-OBJECT-TYPES-SUPPORTED", "PROTOCOL-SERVICES-SUPPORTED",
    "PROTOCOL-VERSION", "READ-ONLY", "REASON-FOR-HALT", "", "RECIPIENT-LIST", "RELIABILITY",
    "RELINQUISH-DEFAULT", "REQUIRED", "RESOLUTION", "SEGMENTATION-SUPPORTED", "SETPOINT", "SETPOINT-REFERENCE",
    "STATE-TEXT", "STATUS-FLAGS", "SYSTEM-STATUS", "TIME-DELAY", "TIME-OF-ACTIVE-TIME-RESET",
    "TIME-OF-STATE-COUNT-RESET", "TIME-SYNCHRONIZATION-RECIPIENTS", "UNITS", "UPDATE-INTERVAL", "UTC-OFFSET",
    "VENDOR-IDENTIFIER", "VENDOR-NAME", "VT-CLASSES-SUPPORTED", "WEEKLY-SCHEDULE", "ATTEMPTED-SAMPLES",
    "AVERAGE-VALUE", "BUFFER-SIZE", "CLIENT-COV-INCREMENT", "COV-RESUBSCRIPTION-INTERVAL", "",
    "EVENT-TIME-STAMPS", "LOG-BUFFER", "LOG-DEVICE-OBJECT-PROPERTY", "ENABLE", "LOG-INTERVAL", "MAXIMUM-VALUE",
    "MINIMUM-VALUE", "NOTIFICATION-THRESHOLD", "", "PROTOCOL-REVISION", "RECORDS-SINCE-NOTIFICATION",
    "RECORD-COUNT", "START-TIME", "STOP-TIME", "STOP-WHEN-FULL", "TOTAL-RECORD-COUNT", "VALID-SAMPLES",
    "WINDOW-INTERVAL", "WINDOW-SAMPLES", "MAXIMUM-VALUE-TIMESTAMP", "MINIMUM-VALUE-TIMESTAMP", "VARIANCE-VALUE",
    "ACTIVE-COV-SUBSCRIPTIONS", "BACKUP-FAILURE-TIMEOUT", "CONFIGURATION-FILES", "DATABASE-REVISION",
    "DIRECT-READING", "LAST-RESTORE-TIME", "MAINTENANCE-REQUIRED", "MEMBER-OF", "MODE", "OPERATION-EXPECTED",
    "SETTING", "SILENCED", "TRACKING-VALUE", "ZONE-MEMBERS", "LIFE-SAFETY-ALARM-VALUES", "MAX-SEGMENTS-ACCEPTED",
    "PROFILE-NAME", "AUTO-SLAVE-DISCOVERY", "MANUAL-SLAVE-ADDRESS-BINDING", "SLAVE-ADDRESS-BINDING",
    "SLAVE-PROXY-ENABLE", "LAST-NOTIFY-RECORD", "SCHEDULE-DEFAULT", "ACCEPTED-MODES", "ADJUST-VALUE", "COUNT",
    "COUNT-BEFORE-CHANGE", "COUNT-CHANGE-TIME", "COV-PERIOD", "INPUT-REFERENCE", "LIMIT-MONITORING-INTERVAL",
    "LOGGING-OBJECT", "LOGGING-RECORD", "PRESCALE", "PULSE-RATE", "SCALE", "SCALE-FACTOR", "UPDATE-TIME",
    "VALUE-BEFORE-CHANGE", "VALUE-SET", "VALUE-CHANGE-TIME",
};

// ASCII only: the names are ASCII, and the C library's locale-aware toupper
// costs a call per character on every address of every scan.
constexpr char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool EqualsIgnoringCase(std::u16string_view text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c > 0x7F) return false;
        if (AsciiUpper(c) != AsciiUpper(static_cast<unsigned char>(ascii[i]))) return false;
    }
    return true;
}

std::optional<int> PositionOfProperty(std::int32_t identifier) {
    for (int i = 0; i < kPropertyPositions; ++i)
        if (kPropertyOrder[static_cast<std::size_t>(i)] == identifier) return i;
    return std::nullopt;
}

// Property names (all capitals already) to their positions: an address is
// parsed on every scan of its group, so its name is looked up, not searched.
const std::unordered_map<std::string_view, int>& PropertyPositionsByName() {
    static const std::unordered_map<std::string_view, int> index = [] {
        std::unordered_map<std::string_view, int> byName;
        for (std::size_t id = 0; id < kPropertyNames.size(); ++id) {
            if (kPropertyNames[id].empty()) continue;
            if (const auto position = PositionOfProperty(static_cast<std::int32_t>(id)))
                byName.emplace(kPropertyNames[id], *position);
            else
                byName.emplace(kPropertyNames[id], -1);
        }
        return byName;
    }();
    return index;
}

}  // namespace

const ObjectTypeEntry& ObjectTypeAt(int position) { return kObjectTypes.at(static_cast<std::size_t>(position)); }

std::optional<int> FindObjectTypePosition(std::u16string_view text) {
    for (int i = 0; i < kObjectTypePositions; ++i) {
        const auto& entry = kObjectTypes[static_cast<std::size_t>(i)];
        if (EqualsIgnoringCase(text, entry.name) || EqualsIgnoringCase(text, entry.alias)) return i;
    }
    return std::nullopt;
}

std::int32_t PropertyAt(int position) { return kPropertyOrder.at(static_cast<std::size_t>(position)); }

std::optional<int> FindPropertyPosition(std::u16string_view text) {
    if (!text.empty() && text.size() <= 6 && text.find_first_not_of(u"0123456789") == std::u16string_view::npos) {
        std::int32_t identifier = 0;
        for (char16_t c : text) identifier = identifier * 10 + (c - u'0');
        return PositionOfProperty(identifier);
    }
    char upper[48];
    if (text.empty() || text.size() > sizeof upper) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0x7F) return std::nullopt;
        upper[i] = static_cast<char>(AsciiUpper(text[i]));
    }
    const auto& index = PropertyPositionsByName();
    const auto found = index.find(std::string_view(upper, text.size()));
    if (found == index.end() || found->second < 0) return std::nullopt;
    return found->second;
}

std::string_view PropertyName(std::int32_t identifier) {
    if (identifier < 0 || identifier >= static_cast<std::int32_t>(kPropertyNames.size())) return {};
    return kPropertyNames[static_cast<std::size_t>(identifier)];
}

}  // namespace tagcore
