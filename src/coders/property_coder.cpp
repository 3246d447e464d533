#include "coders/property_coder.hpp"

#include <memory>

#include "coders/coder_selection.hpp"
#include "encoding/application_values.hpp"
#include "encoding/local_values.hpp"
#include "encoding/tags.hpp"
#include "tables/local_objects.hpp"

namespace coders {
namespace {

constexpr std::uint8_t kPropertyValueOpen = 0x4E;
constexpr std::uint8_t kPropertyValueClose = 0x4F;
constexpr std::uint8_t kPropertyAccessErrorOpen = 0x5E;
constexpr std::uint8_t kPropertyAccessErrorClose = 0x5F;
constexpr std::uint32_t kErrorClassProperty = 2;

}  // namespace

void AppendPropertyAccessError(encoding::ByteVector& out, std::uint32_t errorCode) {
    out.push_back(kPropertyAccessErrorOpen);
    encoding::EncodeEnumerated(out, kErrorClassProperty);
    encoding::EncodeEnumerated(out, errorCode);
    out.push_back(kPropertyAccessErrorClose);
}

std::uint32_t AppendLocalResultValue(encoding::ByteVector& out, const HostValue& value, std::int32_t objectType,
                                     std::int32_t property) {
    const std::size_t start = out.size();
    out.push_back(kPropertyValueOpen);
    const std::uint32_t status = EncodeLocalProperty(out, value, objectType, property);
    if (status == encoding::kStatusOk) {
        out.push_back(kPropertyValueClose);
        return status;
    }
    out.resize(start);
    AppendPropertyAccessError(out, kErrorCodeOther);
    return status;
}

std::uint32_t EncodeAllProperties(encoding::ByteVector& out, std::int32_t objectType, std::int32_t instance) {
    const auto object = tables::LocalObjects().find({objectType, instance});
    if (object == tables::LocalObjects().end()) return encoding::kStatusOk;
    const auto properties = tables::LocalProperties().find({object->second, instance});
    if (properties == tables::LocalProperties().end()) return encoding::kStatusOk;
    for (const auto& [property, item] : properties->second) {
        const auto id = static_cast<std::uint32_t>(property);
        encoding::EncodeUnsignedWithTag(out, id, encoding::MakeContextTag(2, encoding::UnsignedOctetCount(id)));
        HostValue value{};
        std::int32_t errorCode = 0;
        // A member that cannot be served carries its error; the list goes on.
        if (encoding::GetLocalPropertyValue(objectType, instance, property, value, errorCode))
            AppendLocalResultValue(out, value, objectType, property);
        else
            AppendPropertyAccessError(out, static_cast<std::uint32_t>(errorCode));
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
