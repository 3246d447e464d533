#include "tables/datatype_table.hpp"

namespace tables {
namespace {

struct DatatypeEntry {
    std::int32_t objectType;
    std::int32_t property;
    std::int32_t datatype;
};

// Constructed properties are entered as CharacterString (7): the property
// coders carry them as text, and the host shows them as text tags.
constexpr DatatypeEntry kDatatypes[] = {
    // every object type
    {-1, 75, 12},   // object-identifier: ObjectIdentifier
    {-1, 77, 7},    // object-name: CharacterString
    {-1, 79, 9},    // object-type: Enumerated
    {-1, 85, 4},    // present-value: Real
    {-1, 28, 7},    // description: CharacterString
    {-1, 87, 7},    // priority-array: CharacterString
    {-1, 111, 8},   // status-flags: BitString
    {-1, 36, 8},    // event-state: BitString
    {-1, 103, 8},   // reliability: BitString
    {-1, 117, 9},   // units: Enumerated
    {-1, 22, 4},    // cov-increment: Real
    {-1, 113, 2},   // time-delay: Unsigned
    {-1, 17, 2},    // notification-class: Unsigned
    {-1, 45, 4},    // high-limit: Real
    {-1, 59, 4},    // low-limit: Real
    {-1, 25, 4},    // deadband: Real
    {-1, 52, 2},    // limit-enable: Unsigned
    {-1, 35, 8},    // event-enable: BitString
    {-1, 0, 8},     // acked-transitions: BitString
    {-1, 72, 2},    // notify-type: Unsigned
    {-1, 130, 7},   // event-time-stamps: CharacterString
    {-1, 168, 7},   // profile-name: CharacterString
    {-1, 31, 7},    // device-type: CharacterString
    {-1, 69, 4},    // min-pres-value: Real
    {-1, 65, 4},    // max-pres-value: Real
    {-1, 106, 4},   // resolution: Real
    {-1, 84, 4},    // polarity: Real
    {-1, 46, 7},    // inactive-text: CharacterString
    {-1, 4, 7},     // active-text: CharacterString
    {-1, 16, 7},    // change-of-state-time: CharacterString
    {-1, 15, 2},    // change-of-state-count: Unsigned
    {-1, 115, 7},   // time-of-state-count-reset: CharacterString
    {-1, 33, 2},    // elapsed-active-time: Unsigned
    {-1, 114, 7},   // time-of-active-time-reset: CharacterString
    {-1, 6, 8},     // alarm-value: BitString
    {-1, 66, 2},    // minimum-off-time: Unsigned
    {-1, 67, 2},    // minimum-on-time: Unsigned
    {-1, 110, 7},   // state-text: CharacterString
    {-1, 7, 7},     // alarm-values: CharacterString
    {-1, 39, 7},    // fault-values: CharacterString
    {-1, 8, 7},     // all: CharacterString
    {-1, 11, 7},    // apdu-timeout: CharacterString
    {-1, 62, 7},    // max-apdu-length-accepted: CharacterString
    {-1, 73, 7},    // number-of-apdu-retries: CharacterString
    {-1, 107, 7},   // segmentation-supported: CharacterString

    // analog-input
    {0, 36, 9},     // event-state: Enumerated
    {0, 103, 9},    // reliability: Enumerated
    {0, 81, 1},     // out-of-service: Boolean
    {0, 118, 2},    // update-interval: Unsigned
    {0, 52, 8},     // limit-enable: BitString
    {0, 72, 9},     // notify-type: Enumerated

    // analog-output
    {1, 36, 9},     // event-state: Enumerated
    {1, 103, 9},    // reliability: Enumerated
    {1, 81, 1},     // out-of-service: Boolean
    {1, 104, 4},    // relinquish-default: Real
    {1, 52, 8},     // limit-enable: BitString
    {1, 72, 9},     // notify-type: Enumerated

    // analog-value
    {2, 36, 9},     // event-state: Enumerated
    {2, 103, 9},    // reliability: Enumerated
    {2, 81, 1},     // out-of-service: Boolean
    {2, 104, 4},    // relinquish-default: Real
    {2, 52, 8},     // limit-enable: BitString
    {2, 72, 9},     // notify-type: Enumerated

    // multi-state-input
    {13, 85, 2},    // present-value: Unsigned
    {13, 36, 9},    // event-state: Enumerated
    {13, 103, 9},   // reliability: Enumerated
    {13, 81, 1},    // out-of-service: Boolean
    {13, 74, 2},    // number-of-states: Unsigned
    {13, 72, 9},    // notify-type: Enumerated

    // multi-state-output
    {14, 85, 2},    // present-value: Unsigned
    {14, 36, 9},    // event-state: Enumerated
    {14, 103, 9},   // reliability: Enumerated
    {14, 81, 1},    // out-of-service: Boolean
    {14, 74, 2},    // number-of-states: Unsigned
    {14, 104, 2},   // relinquish-default: Unsigned
    {14, 40, 2},    // feedback-value: Unsigned
    {14, 72, 9},    // notify-type: Enumerated

    // multi-state-value
    {19, 85, 2},    // present-value: Unsigned
    {19, 36, 9},    // event-state: Enumerated
    {19, 103, 9},   // reliability: Enumerated
    {19, 81, 1},    // out-of-service: Boolean
    {19, 74, 2},    // number-of-states: Unsigned
    {19, 104, 2},   // relinquish-default: Unsigned
    {19, 72, 9},    // notify-type: Enumerated

    // binary-input
    {3, 85, 9},     // present-value: Enumerated
    {3, 36, 9},     // event-state: Enumerated
    {3, 103, 9},    // reliability: Enumerated
    {3, 81, 1},     // out-of-service: Boolean
    {3, 84, 9},     // polarity: Enumerated
    {3, 46, 7},     // inactive-text: CharacterString
    {3, 4, 7},      // active-text: CharacterString
    {3, 15, 2},     // change-of-state-count: Unsigned
    {3, 33, 2},     // elapsed-active-time: Unsigned
    {3, 6, 9},      // alarm-value: Enumerated
    {3, 72, 9},     // notify-type: Enumerated

    // binary-output
    {4, 85, 9},     // present-value: Enumerated
    {4, 36, 9},     // event-state: Enumerated
    {4, 103, 9},    // reliability: Enumerated
    {4, 81, 1},     // out-of-service: Boolean
    {4, 84, 9},     // polarity: Enumerated
    {4, 46, 7},     // inactive-text: CharacterString
    {4, 4, 7},      // active-text: CharacterString
    {4, 15, 2},     // change-of-state-count: Unsigned
    {4, 33, 2},     // elapsed-active-time: Unsigned
    {4, 104, 9},    // relinquish-default: Enumerated
    {4, 40, 9},     // feedback-value: Enumerated
    {4, 72, 9},     // notify-type: Enumerated

    // binary-value
    {5, 85, 9},     // present-value: Enumerated
    {5, 36, 9},     // event-state: Enumerated
    {5, 103, 9},    // reliability: Enumerated
    {5, 81, 1},     // out-of-service: Boolean
    {5, 46, 7},     // inactive-text: CharacterString
    {5, 4, 7},      // active-text: CharacterString
    {5, 15, 2},     // change-of-state-count: Unsigned
    {5, 33, 2},     // elapsed-active-time: Unsigned
    {5, 66, 2},     // minimum-off-time: Unsigned
    {5, 67, 2},     // minimum-on-time: Unsigned
    {5, 104, 9},    // relinquish-default: Enumerated
    {5, 6, 9},      // alarm-value: Enumerated
    {5, 72, 9},     // notify-type: Enumerated

    // device
    {8, 112, 9},    // system-status: Enumerated
    {8, 121, 7},    // vendor-name: CharacterString
    {8, 120, 2},    // vendor-identifier: Unsigned
    {8, 70, 7},     // model-name: CharacterString
    {8, 44, 7},     // firmware-revision: CharacterString
    {8, 12, 7},     // application-software-version: CharacterString
    {8, 58, 7},     // location: CharacterString
    {8, 98, 2},     // protocol-version: Unsigned
    {8, 139, 2},    // protocol-revision: Unsigned
    {8, 97, 8},     // protocol-services-supported: BitString
    {8, 96, 8},     // protocol-object-types-supported: BitString
    {8, 76, 7},     // object-list: CharacterString
    {8, 62, 2},     // max-apdu-length-accepted: Unsigned
    {8, 107, 9},    // segmentation-supported: Enumerated
    {8, 167, 2},    // max-segments-accepted: Unsigned
    {8, 122, 7},    // vt-classes-supported: CharacterString
    {8, 5, 7},      // active-vt-sessions: CharacterString
    {8, 57, 11},    // local-time: Time
    {8, 56, 10},    // local-date: Date
    {8, 119, 3},    // utc-offset: Signed
    {8, 24, 1},     // daylight-savings-status: Boolean
    {8, 10, 2},     // apdu-segment-timeout: Unsigned
    {8, 11, 2},     // apdu-timeout: Unsigned
    {8, 73, 2},     // number-of-apdu-retries: Unsigned
    {8, 55, 7},     // list-of-session-keys: CharacterString
    {8, 116, 7},    // time-synchronization-recipients: CharacterString
    {8, 64, 2},     // max-master: Unsigned
    {8, 63, 2},     // max-info-frames: Unsigned
    {8, 30, 7},     // device-address-binding: CharacterString
    {8, 155, 2},    // database-revision: Unsigned
    {8, 154, 7},    // configuration-files: CharacterString
    {8, 157, 7},    // last-restore-time: CharacterString
    {8, 153, 2},    // backup-failure-timeout: Unsigned
    {8, 152, 7},    // active-cov-subscriptions: CharacterString
    {8, 172, 7},    // slave-proxy-enable: CharacterString
    {8, 170, 7},    // manual-slave-address-binding: CharacterString
    {8, 169, 7},    // auto-slave-discovery: CharacterString
    {8, 171, 7},    // slave-address-binding: CharacterString

    // schedule
    {17, 85, 2},    // present-value: Unsigned
    {17, 32, 7},    // effective-period: CharacterString
    {17, 123, 7},   // weekly-schedule: CharacterString
    {17, 38, 7},    // exception-schedule: CharacterString
    {17, 174, 7},   // schedule-default: CharacterString
    {17, 54, 7},    // list-of-object-property-references: CharacterString
    {17, 88, 2},    // priority-for-writing: Unsigned
    {17, 103, 9},   // reliability: Enumerated
    {17, 81, 1},    // out-of-service: Boolean

    // life-safety-point
    {21, 85, 9},    // present-value: Enumerated
    {21, 164, 9},   // tracking-value: Enumerated
    {21, 36, 9},    // event-state: Enumerated
    {21, 103, 9},   // reliability: Enumerated
    {21, 81, 1},    // out-of-service: Boolean
    {21, 160, 9},   // mode: Enumerated
    {21, 175, 7},   // accepted-modes: CharacterString
    {21, 166, 7},   // life-safety-alarm-values: CharacterString
    {21, 7, 7},     // alarm-values: CharacterString
    {21, 39, 7},    // fault-values: CharacterString
    {21, 72, 9},    // notify-type: Enumerated
    {21, 163, 9},   // silenced: Enumerated
    {21, 161, 9},   // operation-expected: Enumerated
    {21, 158, 9},   // maintenance-required: Enumerated
    {21, 162, 2},   // setting: Unsigned
    {21, 156, 4},   // direct-reading: Real
    {21, 117, 9},   // units: Enumerated
    {21, 159, 7},   // member-of: CharacterString

    // life-safety-zone
    {22, 85, 9},    // present-value: Enumerated
    {22, 164, 9},   // tracking-value: Enumerated
    {22, 36, 9},    // event-state: Enumerated
    {22, 103, 9},   // reliability: Enumerated
    {22, 81, 1},    // out-of-service: Boolean
    {22, 160, 9},   // mode: Enumerated
    {22, 175, 7},   // accepted-modes: CharacterString
    {22, 166, 7},   // life-safety-alarm-values: CharacterString
    {22, 7, 7},     // alarm-values: CharacterString
    {22, 39, 7},    // fault-values: CharacterString
    {22, 72, 9},    // notify-type: Enumerated
    {22, 163, 9},   // silenced: Enumerated
    {22, 161, 9},   // operation-expected: Enumerated
    {22, 158, 9},   // maintenance-required: Enumerated
    {22, 165, 7},   // zone-members: CharacterString
    {22, 159, 7},   // member-of: CharacterString

    // accumulator
    {23, 85, 2},    // present-value: Unsigned
    {23, 36, 9},    // event-state: Enumerated
    {23, 103, 9},   // reliability: Enumerated
    {23, 81, 1},    // out-of-service: Boolean
    {23, 187, 7},   // scale: CharacterString
    {23, 185, 7},   // prescale: CharacterString
    {23, 65, 2},    // max-pres-value: Unsigned
    {23, 192, 7},   // value-change-time: CharacterString
    {23, 190, 2},   // value-before-change: Unsigned
    {23, 191, 2},   // value-set: Unsigned
    {23, 184, 7},   // logging-record: CharacterString
    {23, 183, 12},  // logging-object: ObjectIdentifier
    {23, 186, 2},   // pulse-rate: Unsigned
    {23, 45, 2},    // high-limit: Unsigned
    {23, 59, 2},    // low-limit: Unsigned
    {23, 182, 2},   // limit-monitoring-interval: Unsigned
    {23, 52, 8},    // limit-enable: BitString
    {23, 72, 9},    // notify-type: Enumerated

    // averaging
    {18, 136, 4},   // minimum-value: Real
    {18, 150, 7},   // minimum-value-timestamp: CharacterString
    {18, 125, 4},   // average-value: Real
    {18, 151, 4},   // variance-value: Real
    {18, 135, 4},   // maximum-value: Real
    {18, 149, 7},   // maximum-value-timestamp: CharacterString
    {18, 124, 2},   // attempted-samples: Unsigned
    {18, 146, 2},   // valid-samples: Unsigned
    {18, 78, 7},    // object-property-reference: CharacterString
    {18, 147, 2},   // window-interval: Unsigned
    {18, 148, 2},   // window-samples: Unsigned

    // calendar
    {6, 23, 7},     // date-list: CharacterString

    // command
    {7, 85, 2},     // present-value: Unsigned
    {7, 47, 1},     // in-process: Boolean
    {7, 9, 1},      // all-writes-successful: Boolean
    {7, 2, 7},      // action: CharacterString
    {7, 3, 7},      // action-text: CharacterString

    // event-enrollment
    {9, 37, 9},     // event-type: Enumerated
    {9, 72, 9},     // notify-type: Enumerated
    {9, 83, 7},     // event-parameters: CharacterString
    {9, 78, 7},     // object-property-reference: CharacterString
    {9, 36, 9},     // event-state: Enumerated

    // loop
    {12, 36, 9},    // event-state: Enumerated
    {12, 103, 9},   // reliability: Enumerated
    {12, 81, 1},    // out-of-service: Boolean
    {12, 118, 2},   // update-interval: Unsigned
    {12, 82, 9},    // output-units: Enumerated
    {12, 60, 7},    // manipulated-variable-reference: CharacterString
    {12, 19, 7},    // controlled-variable-reference: CharacterString
    {12, 21, 4},    // controlled-variable-value: Real
    {12, 20, 9},    // controlled-variable-units: Enumerated
    {12, 109, 7},   // setpoint-reference: CharacterString
    {12, 108, 4},   // setpoint: Real
    {12, 2, 9},     // action: Enumerated
    {12, 93, 4},    // proportional-constant: Real
    {12, 94, 9},    // proportional-constant-units: Enumerated
    {12, 49, 4},    // integral-constant: Real
    {12, 50, 9},    // integral-constant-units: Enumerated
    {12, 26, 4},    // derivative-constant: Real
    {12, 27, 9},    // derivative-constant-units: Enumerated
    {12, 14, 4},    // bias: Real
    {12, 61, 4},    // maximum-output: Real
    {12, 68, 4},    // minimum-output: Real
    {12, 88, 2},    // priority-for-writing: Unsigned
    {12, 34, 4},    // error-limit: Real
    {12, 72, 9},    // notify-type: Enumerated

    // notification-class
    {15, 86, 7},    // priority: CharacterString
    {15, 1, 8},     // ack-required: BitString
    {15, 102, 7},   // recipient-list: CharacterString

    // program
    {16, 92, 9},    // program-state: Enumerated
    {16, 90, 9},    // program-change: Enumerated
    {16, 100, 9},   // reason-for-halt: Enumerated
    {16, 29, 7},    // description-of-halt: CharacterString
    {16, 91, 7},    // program-location: CharacterString
    {16, 48, 7},    // instance-of: CharacterString
    {16, 103, 9},   // reliability: Enumerated
    {16, 81, 1},    // out-of-service: Boolean

    // pulse-converter
    {24, 181, 7},   // input-reference: CharacterString
    {24, 36, 9},    // event-state: Enumerated
    {24, 103, 9},   // reliability: Enumerated
    {24, 81, 1},    // out-of-service: Boolean
    {24, 188, 4},   // scale-factor: Real
    {24, 176, 4},   // adjust-value: Real
    {24, 177, 2},   // count: Unsigned
    {24, 189, 7},   // update-time: CharacterString
    {24, 179, 7},   // count-change-time: CharacterString
    {24, 178, 2},   // count-before-change: Unsigned
    {24, 180, 2},   // cov-period: Unsigned
    {24, 52, 8},    // limit-enable: BitString

    // group
    {11, 53, 7},    // list-of-group-members: CharacterString
    {11, 85, 7},    // present-value: CharacterString

    // file
    {10, 43, 7},    // file-type: CharacterString
    {10, 42, 2},    // file-size: Unsigned
    {10, 71, 7},    // modification-date: CharacterString
    {10, 13, 1},    // archive: Boolean
    {10, 99, 1},    // read-only: Boolean
    {10, 41, 2},    // file-access-method: Unsigned
    {10, 141, 2},   // record-count: Unsigned

    // trend-log
    {20, 133, 1},   // log-enable: Boolean
    {20, 142, 7},   // start-time: CharacterString
    {20, 143, 7},   // stop-time: CharacterString
    {20, 132, 7},   // log-device-object-property: CharacterString
    {20, 134, 2},   // log-interval: Unsigned
    {20, 128, 2},   // cov-resubscription-interval: Unsigned
    {20, 127, 4},   // client-cov-increment: Real
    {20, 144, 1},   // stop-when-full: Boolean
    {20, 126, 2},   // buffer-size: Unsigned
    {20, 131, 7},   // log-buffer: CharacterString
    {20, 141, 2},   // record-count: Unsigned
    {20, 145, 2},   // total-record-count: Unsigned
    {20, 137, 2},   // notification-threshold: Unsigned
    {20, 140, 2},   // records-since-notification: Unsigned
    {20, 173, 2},   // last-notify-record: Unsigned
    {20, 36, 9},    // event-state: Enumerated
};

struct HostTypeEntry {
    std::int32_t datatype;
    std::int32_t hostType;
};

// Unsigned goes with Real, not with Signed: a 32-bit unsigned value does not
// fit the host's signed integer tag.
constexpr HostTypeEntry kHostTypes[] = {
    {0, kHostTagText},      // Null
    {1, kHostTagInteger},   // Boolean
    {2, kHostTagReal},      // Unsigned
    {3, kHostTagInteger},   // Signed
    {4, kHostTagReal},      // Real
    {5, kHostTagReal},      // Double
    {6, kHostTagText},      // OctetString
    {7, kHostTagText},      // CharacterString
    {8, kHostTagText},      // BitString
    {9, kHostTagInteger},   // Enumerated
    {10, kHostTagText},     // Date
    {11, kHostTagText},     // Time
    {12, kHostTagText},     // ObjectIdentifier
};

DatatypeMap& Datatypes() {
    static DatatypeMap map;
    return map;
}

HostTypeMap& HostTypes() {
    static HostTypeMap map;
    return map;
}

}  // namespace

void BuildDatatypeTable() {
    for (const auto& entry : kDatatypes)
        Datatypes().insert_or_assign(DatatypeKey{entry.objectType, entry.property}, entry.datatype);
}

void BuildHostTypeTable() {
    for (const auto& entry : kHostTypes) HostTypes().insert_or_assign(entry.datatype, entry.hostType);
}

std::int32_t GetDatatype(std::int32_t objectType, std::int32_t property) {
    const auto& map = Datatypes();
    auto found = map.find({objectType, property});
    if (found == map.end()) found = map.find({kAnyObjectType, property});
    return found == map.end() ? 0 : found->second;
}

std::int32_t HostTypeOf(std::int32_t datatype) {
    const auto found = HostTypes().find(datatype);
    return found == HostTypes().end() ? kHostTagInteger : found->second;
}

const DatatypeMap& DatatypeTable() { return Datatypes(); }

const HostTypeMap& HostTypeTable() { return HostTypes(); }

}  // namespace tables
