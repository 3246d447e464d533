#include "coders/property_coder.hpp"

#include <memory>

#include "coders/coder_selection.hpp"
#include "encoding/application_values.hpp"
#include "encoding/local_values.hpp"
#include "encoding/tags.hpp"
#include "tables/local_objects.hpp"

namespace coders {
namespace {

// Each member of the answer: propertyIdentifier [2] in one octet, then the
// value between opening and closing tag 4.
constexpr std::uint8_t kPropertyIdentifierTag = 0x29;
constexpr std::uint8_t kPropertyValueOpen = 0x4E;
constexpr std::uint8_t kPropertyValueClose = 0x4F;

}  // namespace

std::uint32_t EncodeAllProperties(encoding::ByteVector& out, std::int32_t objectType, std::int32_t instance) {
    const auto object = tables::LocalObjects().find({objectType, instance});
    if (object == tables::LocalObjects().end()) return encoding::kStatusOk;
    const auto properties = tables::LocalProperties().find({object->second, instance});
    if (properties == tables::LocalProperties().end()) return encoding::kStatusOk;
    for (const auto& [property, item] : properties->second) {
        out.push_back(kPropertyIdentifierTag);
        out.push_back(static_cast<std::uint8_t>(property));
        out.push_back(kPropertyValueOpen);
        HostValue value{};
        std::int32_t errorCode = 0;
        // A member that does not encode leaves what it appended; the list goes on.
        if (encoding::GetLocalPropertyValue(objectType, instance, property, value, errorCode))
            EncodeLocalProperty(out, value, objectType, property);
        out.push_back(kPropertyValueClose);
    }
    return encoding::kStatusOk;
}

std::uint32_t EncodeLocalProperty(encoding::ByteVector& out, const HostValue& value, std::int32_t objectType,
                                  std::int32_t property) {
    if (const std::unique_ptr<IPropertyCoder> coder = MakeLocalCoder(property, objectType))
        return coder->Encode(out, value, -1);
    return static_cast<std::uint32_t>(
        encoding::EncodeApplicationValue(out, value, encoding::GetDatatype(objectType, property)));
}

}  // namespace coders
