#include "services/write_property.hpp"

#include <cstring>
#include <string>

#include "coders/property_coder.hpp"
#include "encoding/application_values.hpp"
#include "encoding/host_value.hpp"
#include "encoding/local_values.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"
#include "network/npdu.hpp"
#include "services/apdu_headers.hpp"

namespace APDUServices {
namespace {

constexpr std::int32_t kPresentValue = 85;

bool IsBinaryObject(std::int32_t objectType) { return objectType >= 3 && objectType <= 5; }

}  // namespace

bool IsNullValue(std::u16string_view nullValueText, const HostValue& value) {
    switch (value.kind) {
        case encoding::kKindNone:
        case encoding::kKindInteger:
            return encoding::GetInteger(value) == encoding::ReadLeadingInteger(nullValueText);
        case encoding::kKindDouble:
            return encoding::GetDouble(value) == static_cast<double>(encoding::ReadLeadingInteger(nullValueText));
        case encoding::kKindText:
        case encoding::kKindAssignedText: {
            std::u16string text(1024, u'\0');
            FetchText(&value, text.data(), 1024);
            text.resize(std::char_traits<char16_t>::length(text.c_str()));
            return text == nullValueText;
        }
        default:
            return false;
    }
}

std::int32_t WriteProperty::SendWritePropertyRequest(const LinkServices::LinkAddress& destination,
                                                     network::NpduInfo& npdu, std::int32_t objectType,
                                                     std::int32_t instance, std::int32_t property,
                                                     const HostValue& value, std::uint8_t priority,
                                                     std::u16string_view nullValueText) {
    encoding::ByteVector apdu;
    apdu.reserve(16);
    EncodeConfirmedRequestHeader(apdu, InvokeId(), kServiceWriteProperty, npdu);
    encoding::EncodeObjectIdentifierWithTag(apdu, static_cast<std::uint32_t>(objectType),
                                            static_cast<std::uint32_t>(instance), encoding::MakeContextTag(0, 4));
    const auto id = static_cast<std::uint32_t>(property);
    encoding::EncodeUnsignedWithTag(apdu, id, encoding::MakeContextTag(1, encoding::UnsignedOctetCount(id)));
    apdu.push_back(encoding::MakeContextTag(3, encoding::kLvtOpening));

    const std::int32_t datatype = encoding::GetDatatype(objectType, property);
    if (datatype == 0) return kWriteNoDatatype;

    HostValue copy;
    std::memcpy(&copy, &value, sizeof copy);
    // A host writes "on" of a binary point as all bits set; BACnet's active is 1.
    if (IsBinaryObject(objectType) && property == kPresentValue && encoding::GetInteger(copy) == -1) {
        const std::int32_t active = 1;
        std::memcpy(copy.number, &active, sizeof active);
    }
    coders::IPropertyCoder* coder = coders::GetPropertyCoder(property, objectType);
    const bool relinquish = !nullValueText.empty() && IsNullValue(nullValueText, copy);
    std::int32_t status = 0;
    if (coder != nullptr)
        status = static_cast<std::int32_t>(coder->Encode(apdu, copy, -1));
    else
        status = encoding::EncodeApplicationValue(apdu, copy, relinquish ? 0 : datatype);
    if (status != 0) return status;

    apdu.push_back(encoding::MakeContextTag(3, encoding::kLvtClosing));
    apdu.push_back(encoding::MakeContextTag(4, 1));
    apdu.push_back(priority);
    return network::EncodeNpdu(destination, npdu, apdu.data(), apdu.size());
}

}  // namespace APDUServices
