#include "services/read_property.hpp"

#include "coders/property_coder.hpp"
#include "encoding/application_values.hpp"
#include "encoding/local_values.hpp"
#include "encoding/tags.hpp"
#include "network/npdu.hpp"
#include "platform/trace.hpp"
#include "services/answer_value.hpp"
#include "services/apdu_headers.hpp"
#include "services/error_service.hpp"
#include "services/transactions.hpp"
#include "tables/vocabulary.hpp"
#include "netwise.h"

namespace APDUServices {
namespace {

constexpr int kMalformed = 2;
constexpr std::int32_t kErrorSent = 9;
constexpr std::int32_t kPropertyAll = 8;

// Traces a peer's request and the local objects it may name.
void TraceRequest(std::int32_t objectType, std::int32_t instance, std::int32_t property) {
    TraceLine(u"ReadProperty");
    platform::TraceWarningValue(u"nObjectType", objectType);
    platform::TraceWarningValue(u"nInstanceNumber", instance);
    platform::TraceWarningValue(u"nPropertyIdentifier", property);
    for (const auto& [key, index] : tables::LocalObjects()) {
        TraceLine(u"Object");
        platform::TraceWarningValue(u"Object Ident ", key.first);
        platform::TraceWarningValue(u"Object Inst ", key.second);
        const auto properties = tables::LocalProperties().find({index, key.second});
        if (properties == tables::LocalProperties().end()) continue;
        for (const auto& entry : properties->second) platform::TraceWarningValue(u"Property", entry.first);
    }
}

}  // namespace

std::int32_t ReadProperty::SendReadPropertyRequest(const LinkServices::LinkAddress& destination,
                                                   network::NpduInfo& npdu, std::int32_t objectType,
                                                   std::int32_t instance, std::int32_t property) {
    encoding::ByteVector apdu;
    apdu.reserve(16);
    EncodeConfirmedRequestHeader(apdu, InvokeId(), kServiceReadProperty, npdu);
    encoding::EncodeObjectIdentifierWithTag(apdu, static_cast<std::uint32_t>(objectType),
                                            static_cast<std::uint32_t>(instance), encoding::MakeContextTag(0, 4));
    const auto id = static_cast<std::uint32_t>(property);
    encoding::EncodeUnsignedWithTag(apdu, id, encoding::MakeContextTag(1, encoding::UnsignedOctetCount(id)));
    return network::EncodeNpdu(destination, npdu, apdu.data(), apdu.size());
}

std::int32_t ReadProperty::Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                                   const std::uint8_t* data, std::size_t length) {
    if (length < 5) {
        platform::TraceError(kMalformed);
        return kMalformed;
    }
    const auto objectTag = encoding::SplitTagByte(data[0]);
    if (objectTag.tagNumber != 0 || objectTag.lvt != 4) return kMalformed;
    const auto object = encoding::DecodeObjectIdentifier(data + 1);
    if (length < 7) {
        platform::TraceError(kMalformed);
        return kMalformed;
    }
    const auto propertyTag = encoding::SplitTagByte(data[5]);
    if (propertyTag.tagNumber != 1) return kMalformed;
    // The identifier's octets must lie inside the request.
    if (propertyTag.lvt > 4 || 6 + static_cast<std::size_t>(propertyTag.lvt) > length) return kMalformed;
    const auto property = static_cast<std::int32_t>(encoding::DecodeUnsigned(data + 6, propertyTag.lvt));
    const auto objectType = static_cast<std::int32_t>(object.type);
    const auto instance = static_cast<std::int32_t>(object.instance);
    TraceRequest(objectType, instance, property);

    network::NpduInfo reply = network::NpduInfo::MakeReply(npdu);
    std::int32_t arrayIndex = -1;
    std::size_t pos = 6 + propertyTag.lvt;
    if (pos < length) {
        const auto indexTag = encoding::SplitTagByte(data[pos]);
        if (indexTag.tagNumber == 2 && indexTag.lvt > 0 && indexTag.lvt <= 4 && pos + 1 + indexTag.lvt <= length)
            arrayIndex = static_cast<std::int32_t>(encoding::DecodeUnsigned(data + pos + 1, indexTag.lvt));
    }
    ReadPropertyAck answer(InvokeId());
    return answer.SendReadPropertyAck(source, reply, objectType, instance, property, arrayIndex);
}

std::int32_t ReadPropertyAck::Process(const LinkServices::LinkAddress&, const network::NpduInfo&,
                                      const std::uint8_t* data, std::size_t length) {
    platform::TraceEntry("ReadPropertyAck::Process");
    // A malformed answer ends the scan at once with its status, and gives no value.
    auto fail = [this] {
        platform::TraceError(kMalformed);
        SetStatus(kMalformed);
        return kMalformed;
    };
    if (length == 0) return fail();
    const auto objectTag = encoding::SplitTagByte(data[0]);
    if (objectTag.tagNumber != 0 || length < 5) return fail();
    const auto object = encoding::DecodeObjectIdentifier(data + 1);

    std::size_t pos = 1 + objectTag.lvt;
    if (pos >= length) return fail();
    const std::uint8_t propertyLength = encoding::SplitTagByte(data[pos]).lvt;
    if (pos + 1 + propertyLength >= length) return fail();
    const auto property = static_cast<std::int32_t>(encoding::DecodeUnsigned(data + pos + 1, propertyLength));
    pos += 1 + propertyLength;
    if (encoding::SplitTagByte(data[pos]).lvt != encoding::kLvtOpening) return fail();
    ++pos;

    const auto objectType = static_cast<std::int32_t>(object.type);
    const auto instance = static_cast<std::int32_t>(object.instance);
    HostValue value{};
    std::size_t consumed = 0;
    const std::size_t remaining = length - pos;
    const encoding::ValueDecode decoded =
        DecodeAnswerValue(objectType, property, data + pos, remaining, 3, value, consumed);
    if (decoded == encoding::ValueDecode::kMalformed || consumed >= remaining ||
        encoding::SplitTagByte(data[pos + consumed]).lvt != encoding::kLvtClosing)
        return fail();
    if (decoded == encoding::ValueDecode::kBeyondExactRange) {
        TraceBeyondExactRange(value);
        SetStatus(kStatusBeyondExactRange);
        return kStatusBeyondExactRange;
    }

    if (auto hook = Transactions().hooks.onPropertyValue) hook(InvokeId(), objectType, instance, property, value);
    return 0;
}

void ReadPropertyAck::SetStatus(std::int32_t status) const {
    if (auto hook = Transactions().hooks.setTransactionStatus) hook(InvokeId(), status);
}

std::int32_t ReadPropertyAck::SendReadPropertyAck(const LinkServices::LinkAddress& destination,
                                                  network::NpduInfo& reply, std::int32_t objectType,
                                                  std::int32_t instance, std::int32_t property,
                                                  std::int32_t arrayIndex) {
    encoding::ByteVector apdu;
    EncodeComplexAckHeader(apdu, InvokeId(), kServiceReadProperty);
    encoding::EncodeObjectIdentifierWithTag(apdu, static_cast<std::uint32_t>(objectType),
                                            static_cast<std::uint32_t>(instance), encoding::MakeContextTag(0, 4));
    const auto id = static_cast<std::uint32_t>(property);
    encoding::EncodeUnsignedWithTag(apdu, id, encoding::MakeContextTag(1, encoding::UnsignedOctetCount(id)));
    if (arrayIndex != -1) {
        const auto index = static_cast<std::uint32_t>(arrayIndex);
        encoding::EncodeUnsignedWithTag(apdu, index, encoding::MakeContextTag(2, encoding::UnsignedOctetCount(index)));
    }
    apdu.push_back(encoding::MakeContextTag(3, encoding::kLvtOpening));

    HostValue value{};
    std::int32_t errorCode = 0;
    Error error(InvokeId());
    if (!encoding::GetLocalPropertyValue(objectType, instance, property, value, errorCode)) {
        error.Send(destination, reply, kServiceReadProperty, kErrorClassProperty, static_cast<std::uint32_t>(errorCode));
        return kErrorSent;
    }
    const std::int32_t datatype = encoding::GetDatatype(objectType, property);
    if (datatype == 0) {
        error.Send(destination, reply, kServiceReadProperty, kErrorClassProperty, kErrorCodeUnknownProperty);
        return kErrorSent;
    }
    std::uint32_t status = 0;
    if (coders::IPropertyCoder* coder = coders::GetPropertyCoder(property, objectType))
        status = coder->Encode(apdu, value, arrayIndex);
    else if (property != kPropertyAll)
        status = static_cast<std::uint32_t>(encoding::EncodeApplicationValue(apdu, value, datatype));
    else
        status = coders::EncodeAllProperties(apdu, objectType, instance);
    // A value that does not encode is answered with the property's error, never left unanswered.
    if (status != 0) {
        error.Send(destination, reply, kServiceReadProperty, kErrorClassProperty, coders::kErrorCodeOther);
        return kErrorSent;
    }
    apdu.push_back(encoding::MakeContextTag(3, encoding::kLvtClosing));
    return network::EncodeNpdu(destination, reply, apdu.data(), apdu.size());
}

}  // namespace APDUServices
