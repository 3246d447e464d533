#include "tagcore/vocabulary.hpp"

#include <array>
#include <string>
#include <vector>

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

std::optional<int> PositionOfProperty(std::int32_t identifier) {
    for (int i = 0; i < kPropertyPositions; ++i)
        if (kPropertyOrder[static_cast<std::size_t>(i)] == identifier) return i;
    return std::nullopt;
}

// Names (ASCII, any case) to positions, looked up on every scan of every
// address: an open-addressed table over the names in capitals.
class NameIndex {
public:
    void Add(std::string_view name, int position) {
        std::string upper(name);
        for (char& c : upper) c = static_cast<char>(AsciiUpper(static_cast<unsigned char>(c)));
        entries_.push_back({std::move(upper), position});
    }
    // Call once after the last Add. The first entry of a name wins.
    void Build() {
        std::size_t size = 16;
        while (size < entries_.size() * 4) size *= 2;
        slots_.assign(size, -1);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            std::size_t slot = Hash(entries_[i].upper) & (size - 1);
            while (slots_[slot] >= 0 && entries_[static_cast<std::size_t>(slots_[slot])].upper != entries_[i].upper)
                slot = (slot + 1) & (size - 1);
            if (slots_[slot] < 0) slots_[slot] = static_cast<int>(i);
        }
    }
    static constexpr int kAbsent = -2;
    // kAbsent when the text names nothing; non-ASCII or overlong texts never match.
    int Find(std::u16string_view text) const {
        char upper[kMaxName];
        if (text.empty() || text.size() > kMaxName) return kAbsent;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] > 0x7F) return kAbsent;
            upper[i] = static_cast<char>(AsciiUpper(text[i]));
        }
        return Find(std::string_view(upper, text.size()));
    }

private:
    static constexpr std::size_t kMaxName = 48;
    struct Entry {
        std::string upper;
        int position;
    };
    // A few characters and the length tell the names apart well enough; the
    // probe compares whole names.
    static std::size_t Hash(std::string_view upper) {
        const std::size_t n = upper.size();
        const auto at = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(upper[i])); };
        std::size_t h = n;
        h = h * 31 + at(0);
        h = h * 31 + at(n / 2);
        h = h * 31 + at(n - 1);
        if (n > 2) h = h * 31 + at(1) + (at(n - 2) << 7);
        return h ^ (h >> 7);
    }
    int Find(std::string_view upper) const {
        for (std::size_t slot = Hash(upper) & (slots_.size() - 1);; slot = (slot + 1) & (slots_.size() - 1)) {
            const int at = slots_[slot];
            if (at < 0) return kAbsent;
            if (entries_[static_cast<std::size_t>(at)].upper == upper) return entries_[static_cast<std::size_t>(at)].position;
        }
    }
    std::vector<Entry> entries_;
    std::vector<int> slots_;
};

// Property names to positions; -1 for a name the driver has no position for.
const NameIndex& PropertyPositionsByName() {
    static const NameIndex index = [] {
        NameIndex byName;
        for (std::size_t id = 0; id < kPropertyNames.size(); ++id) {
            if (kPropertyNames[id].empty()) continue;
            byName.Add(kPropertyNames[id], PositionOfProperty(static_cast<std::int32_t>(id)).value_or(-1));
        }
        byName.Build();
        return byName;
    }();
    return index;
}

// Object type names and aliases to positions; a name comes before an alias.
const NameIndex& ObjectTypePositionsByName() {
    static const NameIndex index = [] {
        NameIndex byName;
        for (int i = 0; i < kObjectTypePositions; ++i) {
            const auto& entry = kObjectTypes[static_cast<std::size_t>(i)];
            byName.Add(entry.name, i);
            byName.Add(entry.alias, i);
        }
        byName.Build();
        return byName;
    }();
    return index;
}

}  // namespace

const ObjectTypeEntry& ObjectTypeAt(int position) { return kObjectTypes.at(static_cast<std::size_t>(position)); }

std::optional<int> FindObjectTypePosition(std::u16string_view text) {
    const int position = ObjectTypePositionsByName().Find(text);
    if (position < 0) return std::nullopt;
    return position;
}

std::int32_t PropertyAt(int position) { return kPropertyOrder.at(static_cast<std::size_t>(position)); }

std::optional<int> FindPropertyPosition(std::u16string_view text) {
    if (!text.empty() && text.size() <= 6 && text.find_first_not_of(u"0123456789") == std::u16string_view::npos) {
        std::int32_t identifier = 0;
        for (char16_t c : text) identifier = identifier * 10 + (c - u'0');
        return PositionOfProperty(identifier);
    }
    const int position = PropertyPositionsByName().Find(text);
    if (position < 0) return std::nullopt;
    return position;
}

std::string_view PropertyName(std::int32_t identifier) {
    if (identifier < 0 || identifier >= static_cast<std::int32_t>(kPropertyNames.size())) return {};
    return kPropertyNames[static_cast<std::size_t>(identifier)];
}

}  // namespace tagcore
