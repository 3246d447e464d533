#include "tables/device_properties.hpp"

#include "encoding/host_value.hpp"

namespace tables {
namespace {

// Categories of the built entries. Nothing reads them beyond kCategoryMissing
// and kCategoryObjectList; they are kept as the entries have always had them.
constexpr std::int32_t kCategoryScalar = 2;
constexpr std::int32_t kCategoryComposite = 8;
constexpr std::int32_t kCategoryEnumerated = 9;

// Bits in BACnet order: readProperty, readPropertyMultiple, writeProperty,
// writePropertyMultiple, i-Am, i-Have, who-Has and who-Is.
constexpr char16_t kServicesSupported[] = u"0000000000001011100000000011000001100000";
// analog-input/-output/-value, binary-input/-output/-value and device.
constexpr char16_t kObjectTypesSupported[] = u"1111110010000000000000000000000";
// Three time stamps, all unspecified, in the event time stamps text form.
constexpr char16_t kEventTimeStamps[] =
    u"2|xx-xx-xxxx xx:xx:xx.xx;2|xx-xx-xxxx xx:xx:xx.xx;2|xx-xx-xxxx xx:xx:xx.xx";

void PutInteger(std::int32_t property, std::int32_t category, std::int32_t number) {
    DeviceProperty entry{category, HostValue{}};
    encoding::SetInteger(entry.value, number);
    DeviceProperties().insert_or_assign(property, entry);
}

void PutText(std::int32_t property, std::int32_t category, const char16_t* text) {
    DeviceProperty entry{category, HostValue{}};
    ::StoreText(&entry.value, text);
    DeviceProperties().insert_or_assign(property, entry);
}

void PutNone(std::int32_t property, std::int32_t category) {
    DeviceProperties().insert_or_assign(property, DeviceProperty{category, HostValue{}});
}

}  // namespace

void BuildDevicePropertyTable(std::uint16_t timeoutMs, std::uint32_t retries, std::int32_t maxApduLength) {
    PutText(75, kCategoryScalar, u"0:0");               // object-identifier
    PutText(77, kCategoryScalar, u"SCADA");             // object-name
    PutInteger(79, kCategoryScalar, 1);                 // object-type: 1, deliberately not device (8)
    PutInteger(112, kCategoryScalar, 0);                // system-status
    PutText(121, kCategoryScalar, u"SCADA VENDOR");     // vendor-name
    PutInteger(120, kCategoryScalar, 0);                // vendor-identifier
    PutText(70, kCategoryScalar, u"SCADA MODEL");       // model-name
    PutText(44, kCategoryScalar, u"1.0");               // firmware-revision
    PutText(12, kCategoryScalar, u"1.0");               // application-software-version
    PutText(58, kCategoryScalar, u"NOT DEFINED");       // location
    PutText(28, kCategoryScalar, u"NOT DEFINED");       // description
    PutInteger(98, kCategoryScalar, 1);                 // protocol-version
    PutInteger(139, kCategoryScalar, 1);                // protocol-revision
    PutInteger(98, kCategoryScalar, 1);                 // both written twice with the same value;
    PutInteger(139, kCategoryScalar, 1);                // the second write changes nothing
    PutInteger(167, kCategoryScalar, 512);              // max-segments-accepted
    PutInteger(10, kCategoryScalar, 5000);              // apdu-segment-timeout
    PutInteger(155, kCategoryScalar, 1);                // database-revision
    PutText(168, kCategoryScalar, u"NOT DEFINED");      // profile-name
    PutText(97, kCategoryComposite, kServicesSupported);     // protocol-services-supported
    PutText(96, kCategoryComposite, kObjectTypesSupported);  // protocol-object-types-supported
    PutInteger(62, kCategoryScalar, maxApduLength);          // max-apdu-length-accepted
    PutInteger(107, kCategoryEnumerated, 3);                 // segmentation-supported: no-segmentation
    PutInteger(11, kCategoryScalar, timeoutMs);              // apdu-timeout
    PutInteger(73, kCategoryScalar, static_cast<std::int32_t>(retries & 0x7FFF));  // number-of-apdu-retries
    PutNone(76, kCategoryObjectList);                        // object-list
    PutNone(8, kCategoryComposite);                          // all: answered property by property
    PutText(130, kCategoryComposite, kEventTimeStamps);      // event-time-stamps
}

DevicePropertyMap& DeviceProperties() {
    static DevicePropertyMap map;
    return map;
}

}  // namespace tables
