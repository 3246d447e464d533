#include "tables/local_objects.hpp"

#include "tables/device_properties.hpp"

namespace tables {

LocalObjectTable& LocalObjects() {
    static LocalObjectTable table;
    return table;
}

LocalPropertyTable& LocalProperties() {
    static LocalPropertyTable table;
    return table;
}

std::int32_t LookupLocalProperty(std::int32_t objectType, std::int32_t instance, std::int32_t property,
                                 HostValue& value, const HostItemReader& readHostItem) {
    const auto object = LocalObjects().find({objectType, instance});
    const std::int32_t index = object == LocalObjects().end() ? -1 : object->second;

    if (readHostItem) {
        const auto properties = LocalProperties().find({index, instance});
        if (properties != LocalProperties().end()) {
            const auto item = properties->second.find(property);
            if (item != properties->second.end()) {
                readHostItem(index, item->second, value);
                return 0;
            }
        }
    }

    // Whatever the object, the Device object's entries answer. A miss leaves a
    // kCategoryMissing entry behind, which fails the same way next time.
    const DeviceProperty& entry = DeviceProperties()[property];
    if (entry.category == kCategoryMissing) return kErrorUnknownProperty;
    if (entry.category == kCategoryObjectList) return 0;
    value = entry.value;
    return 0;
}

}  // namespace tables
