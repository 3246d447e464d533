#include "tables/order_tables.hpp"

#include <cstddef>

namespace tables {
namespace {

// Object types in the order of the host's type list; position and number part
// ways from position 6 (device) on.
constexpr std::int32_t kObjectTypeOrder[] = {
    0,   // 0 analog-input
    1,   // 1 analog-output
    2,   // 2 analog-value
    3,   // 3 binary-input
    4,   // 4 binary-output
    5,   // 5 binary-value
    8,   // 6 device
    13,  // 7 multi-state-input
    14,  // 8 multi-state-output
    19,  // 9 multi-state-value
    17,  // 10 schedule
    21,  // 11 life-safety-point
    22,  // 12 life-safety-zone
    23,  // 13 accumulator
    18,  // 14 averaging
    6,   // 15 calendar
    7,   // 16 command
    9,   // 17 event-enrollment
    12,  // 18 loop
    15,  // 19 notification-class
    16,  // 20 program
    24,  // 21 pulse-converter
    11,  // 22 group
    10,  // 23 file
    20,  // 24 trend-log
};

// Property identifiers in the order of the host's property list; each occurs
// once.
constexpr std::int32_t kPropertyOrder[] = {
    75,   // 0 object-identifier
    77,   // 1 object-name
    79,   // 2 object-type
    85,   // 3 present-value
    28,   // 4 description
    31,   // 5 device-type
    111,  // 6 status-flags
    36,   // 7 event-state
    103,  // 8 reliability
    81,   // 9 out-of-service
    118,  // 10 update-interval
    117,  // 11 units
    69,   // 12 min-pres-value
    65,   // 13 max-pres-value
    106,  // 14 resolution
    22,   // 15 cov-increment
    113,  // 16 time-delay
    17,   // 17 notification-class
    45,   // 18 high-limit
    59,   // 19 low-limit
    25,   // 20 deadband
    52,   // 21 limit-enable
    35,   // 22 event-enable
    0,    // 23 acked-transitions
    72,   // 24 notify-type
    168,  // 25 profile-name
    87,   // 26 priority-array
    104,  // 27 relinquish-default
    84,   // 28 polarity
    46,   // 29 inactive-text
    4,    // 30 active-text
    16,   // 31 change-of-state-time
    15,   // 32 change-of-state-count
    115,  // 33 time-of-state-count-reset
    33,   // 34 elapsed-active-time
    114,  // 35 time-of-active-time-reset
    6,    // 36 alarm-value
    66,   // 37 minimum-off-time
    67,   // 38 minimum-on-time
    40,   // 39 feedback-value
    74,   // 40 number-of-states
    32,   // 41 effective-period
    123,  // 42 weekly-schedule
    174,  // 43 schedule-default
    38,   // 44 exception-schedule
    88,   // 45 priority-for-writing
    112,  // 46 system-status
    121,  // 47 vendor-name
    120,  // 48 vendor-identifier
    70,   // 49 model-name
    44,   // 50 firmware-revision
    12,   // 51 application-software-version
    58,   // 52 location
    76,   // 53 object-list
    155,  // 54 database-revision
    98,   // 55 protocol-version
    139,  // 56 protocol-revision
    97,   // 57 protocol-services-supported
    96,   // 58 protocol-object-types-supported
    130,  // 59 event-time-stamps
    110,  // 60 state-text
    7,    // 61 alarm-values
    39,   // 62 fault-values
    164,  // 63 tracking-value
    160,  // 64 mode
    175,  // 65 accepted-modes
    166,  // 66 life-safety-alarm-values
    163,  // 67 silenced
    161,  // 68 operation-expected
    158,  // 69 maintenance-required
    162,  // 70 setting
    156,  // 71 direct-reading
    159,  // 72 member-of
    165,  // 73 zone-members
    187,  // 74 scale
    185,  // 75 prescale
    192,  // 76 value-change-time
    190,  // 77 value-before-change
    191,  // 78 value-set
    184,  // 79 logging-record
    183,  // 80 logging-object
    186,  // 81 pulse-rate
    182,  // 82 limit-monitoring-interval
    136,  // 83 minimum-value
    150,  // 84 minimum-value-timestamp
    125,  // 85 average-value
    151,  // 86 variance-value
    135,  // 87 maximum-value
    149,  // 88 maximum-value-timestamp
    124,  // 89 attempted-samples
    146,  // 90 valid-samples
    78,   // 91 object-property-reference
    147,  // 92 window-interval
    148,  // 93 window-samples
    23,   // 94 date-list
    47,   // 95 in-process
    9,    // 96 all-writes-successful
    2,    // 97 action
    3,    // 98 action-text
    62,   // 99 max-apdu-length-accepted
    107,  // 100 segmentation-supported
    167,  // 101 max-segments-accepted
    122,  // 102 vt-classes-supported
    5,    // 103 active-vt-sessions
    57,   // 104 local-time
    56,   // 105 local-date
    119,  // 106 utc-offset
    24,   // 107 daylight-savings-status
    10,   // 108 apdu-segment-timeout
    11,   // 109 apdu-timeout
    73,   // 110 number-of-apdu-retries
    55,   // 111 list-of-session-keys
    116,  // 112 time-synchronization-recipients
    64,   // 113 max-master
    63,   // 114 max-info-frames
    30,   // 115 device-address-binding
    154,  // 116 configuration-files
    157,  // 117 last-restore-time
    153,  // 118 backup-failure-timeout
    152,  // 119 active-cov-subscriptions
    172,  // 120 slave-proxy-enable
    170,  // 121 manual-slave-address-binding
    169,  // 122 auto-slave-discovery
    171,  // 123 slave-address-binding
    37,   // 124 event-type
    83,   // 125 event-parameters
    82,   // 126 output-units
    60,   // 127 manipulated-variable-reference
    19,   // 128 controlled-variable-reference
    21,   // 129 controlled-variable-value
    20,   // 130 controlled-variable-units
    109,  // 131 setpoint-reference
    108,  // 132 setpoint
    93,   // 133 proportional-constant
    94,   // 134 proportional-constant-units
    49,   // 135 integral-constant
    50,   // 136 integral-constant-units
    26,   // 137 derivative-constant
    27,   // 138 derivative-constant-units
    14,   // 139 bias
    61,   // 140 maximum-output
    68,   // 141 minimum-output
    34,   // 142 error-limit
    86,   // 143 priority
    1,    // 144 ack-required
    102,  // 145 recipient-list
    92,   // 146 program-state
    90,   // 147 program-change
    100,  // 148 reason-for-halt
    29,   // 149 description-of-halt
    91,   // 150 program-location
    48,   // 151 instance-of
    181,  // 152 input-reference
    188,  // 153 scale-factor
    176,  // 154 adjust-value
    177,  // 155 count
    189,  // 156 update-time
    179,  // 157 count-change-time
    178,  // 158 count-before-change
    180,  // 159 cov-period
    53,   // 160 list-of-group-members
    43,   // 161 file-type
    42,   // 162 file-size
    71,   // 163 modification-date
    13,   // 164 archive
    99,   // 165 read-only
    41,   // 166 file-access-method
    141,  // 167 record-count
    133,  // 168 log-enable
    142,  // 169 start-time
    143,  // 170 stop-time
    132,  // 171 log-device-object-property
    134,  // 172 log-interval
    128,  // 173 cov-resubscription-interval
    127,  // 174 client-cov-increment
    144,  // 175 stop-when-full
    126,  // 176 buffer-size
    131,  // 177 log-buffer
    145,  // 178 total-record-count
    137,  // 179 notification-threshold
    140,  // 180 records-since-notification
    173,  // 181 last-notify-record
    54,   // 182 list-of-object-property-references
};

OrderMap& ObjectTypes() {
    static OrderMap map;
    return map;
}

OrderMap& Properties() {
    static OrderMap map;
    return map;
}

template <std::size_t N>
void Load(OrderMap& map, const std::int32_t (&numbers)[N]) {
    for (std::size_t position = 0; position < N; ++position)
        map.insert_or_assign(static_cast<std::int32_t>(position), numbers[position]);
}

std::optional<std::int32_t> Find(const OrderMap& map, std::int32_t position) {
    const auto found = map.find(position);
    if (found == map.end()) return std::nullopt;
    return found->second;
}

}  // namespace

void BuildOrderTables() {
    Load(ObjectTypes(), kObjectTypeOrder);
    Load(Properties(), kPropertyOrder);
}

namespace {

// Every tag of every scan is mapped through these: once the map has been
// loaded it holds exactly the array, so the array answers without a search.
template <std::size_t N>
std::optional<std::int32_t> AtPosition(const OrderMap& map, const std::int32_t (&numbers)[N], std::int32_t position) {
    if (map.size() == N && position >= 0 && static_cast<std::size_t>(position) < N)
        return numbers[static_cast<std::size_t>(position)];
    return Find(map, position);
}

}  // namespace

std::optional<std::int32_t> ObjectTypeAtPosition(std::int32_t position) {
    return AtPosition(ObjectTypes(), kObjectTypeOrder, position);
}

std::optional<std::int32_t> PropertyAtPosition(std::int32_t position) {
    return AtPosition(Properties(), kPropertyOrder, position);
}

std::span<const std::int32_t> LoadedPropertyNumbers() {
    if (Properties().size() != std::size(kPropertyOrder)) return {};
    return kPropertyOrder;
}

const OrderMap& ObjectTypeOrder() { return ObjectTypes(); }

const OrderMap& PropertyOrder() { return Properties(); }

}  // namespace tables
