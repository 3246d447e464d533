#include "services/read_property_multiple.hpp"

#include "encoding/tags.hpp"
#include "network/npdu.hpp"
#include "platform/trace.hpp"
#include "services/apdu_headers.hpp"
#include "services/error_service.hpp"

namespace APDUServices {
namespace {

constexpr std::int32_t kMalformed = 2;
constexpr std::int32_t kEmptyRequestAnswered = 1;
constexpr std::uint32_t kErrorClassServices = 5;
constexpr std::uint32_t kErrorCodeMissingRequiredParameter = 16;
constexpr std::size_t kObjectIdentifierOctets = 4;
// Type and flags, max-segments and max-APDU, invoke ID, service choice.
constexpr std::size_t kRequestHeaderOctets = 4;
// The object identifier with its tag, and the opening and closing tags of its list.
constexpr std::size_t kObjectOctets = 1 + kObjectIdentifierOctets + 2;
// Context tag 0 of four octets, tag 1 opening and closing, and context tag 0
// without its length field, as a request's references carry them.
constexpr std::uint8_t kObjectIdentifierTag = 0x0C;
constexpr std::uint8_t kListOpeningTag = 0x1E;
constexpr std::uint8_t kListClosingTag = 0x1F;
constexpr std::uint8_t kPropertyIdentifierTag = 0x08;

std::size_t ReferenceOctets(std::uint32_t property) {
    return 1 + static_cast<std::size_t>(encoding::UnsignedOctetCount(property));
}

bool IsClosingTagOne(encoding::TagFields tag) { return tag.tagNumber == 1 && tag.lvt == encoding::kLvtClosing; }

// Collects a peer's property references per object. A list counts only once
// its closing tag arrives with an object named before it; a later list for
// the same object replaces the earlier one. False when malformed.
bool ParseRequest(const std::uint8_t* data, std::size_t length, ObjectPropertyMap& request) {
    std::int32_t objectType = -1, instance = -1;
    std::vector<std::uint32_t> properties;
    std::size_t pos = 0;
    while (pos < length) {
        const encoding::TagFields tag = encoding::SplitTagByte(data[pos++]);
        // Only tag 1 is a bare opening or closing tag; every other one has content octets.
        if (tag.tagNumber != 1 && length - pos < tag.lvt) return false;
        if (tag.tagNumber == 0) {
            if (length - pos < kObjectIdentifierOctets) return false;
            const encoding::ObjectIdentifier object = encoding::DecodeObjectIdentifier(data + pos);
            objectType = static_cast<std::int32_t>(object.type);
            instance = static_cast<std::int32_t>(object.instance);
            pos += tag.lvt;
        } else if (tag.tagNumber == 1 && tag.lvt == encoding::kLvtOpening) {
            properties.clear();
            while (pos < length) {
                const encoding::TagFields reference = encoding::SplitTagByte(data[pos]);
                if (IsClosingTagOne(reference)) break;
                ++pos;
                if (reference.tagNumber > 1 || length - pos < reference.lvt) return false;
                // Tag 1 here is an array index: the whole property is answered.
                if (reference.tagNumber == 0) properties.push_back(encoding::DecodeUnsigned(data + pos, reference.lvt));
                pos += reference.lvt;
            }
        } else if (tag.tagNumber == 1) {
            if (objectType != -1 && instance != -1 && !properties.empty())
                request.insert_or_assign({objectType, instance}, properties);
            objectType = instance = -1;
            properties.clear();
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::size_t RequestApduLength(const ObjectPropertyMap& properties) {
    std::size_t length = kRequestHeaderOctets;
    for (const auto& [object, identifiers] : properties) {
        length += kObjectOctets;
        for (std::uint32_t id : identifiers) length += ReferenceOctets(id);
    }
    return length;
}

std::vector<ObjectPropertyMap> SplitRequest(const ObjectPropertyMap& properties, std::size_t maxApdu) {
    std::vector<ObjectPropertyMap> parts(1);
    std::size_t length = kRequestHeaderOctets;
    for (const auto& [object, identifiers] : properties) {
        std::vector<std::uint32_t>* list = nullptr;
        for (std::uint32_t id : identifiers) {
            const std::size_t reference = ReferenceOctets(id);
            const std::size_t needed = reference + (list == nullptr ? kObjectOctets : 0);
            if (length + needed > maxApdu && !parts.back().empty()) {
                parts.emplace_back();
                length = kRequestHeaderOctets;
                list = nullptr;
            }
            if (list == nullptr) {
                list = &parts.back()[object];
                length += kObjectOctets;
            }
            list->push_back(id);
            length += reference;
        }
    }
    return parts;
}

std::int32_t ReadPropertyMultiple::SendReadPropertyMultipleRequest(const LinkServices::LinkAddress& destination,
                                                                   network::NpduInfo& npdu,
                                                                   const ObjectPropertyMap& properties) {
    // Every scan of a group sends this, so the references are written in
    // place, into octets counted beforehand, rather than appended one by one.
    const std::size_t length = RequestApduLength(properties);
    encoding::ByteVector apdu;
    apdu.reserve(length);
    EncodeConfirmedRequestHeader(apdu, InvokeId(), kServiceReadPropertyMultiple, npdu);
    const std::size_t header = apdu.size();
    apdu.resize(header + length - kRequestHeaderOctets);
    std::uint8_t* out = apdu.data() + header;
    for (const auto& [object, identifiers] : properties) {
        const std::uint32_t word = (static_cast<std::uint32_t>(object.first) & 0x3FFu) << 22 |
                                   (static_cast<std::uint32_t>(object.second) & 0x3FFFFFu);
        *out++ = kObjectIdentifierTag;
        for (int shift = 24; shift >= 0; shift -= 8) *out++ = static_cast<std::uint8_t>(word >> shift);
        *out++ = kListOpeningTag;
        for (std::uint32_t id : identifiers) {
            const int octets = encoding::UnsignedOctetCount(id);
            *out++ = static_cast<std::uint8_t>(kPropertyIdentifierTag | octets);
            for (int shift = 8 * (octets - 1); shift >= 0; shift -= 8) *out++ = static_cast<std::uint8_t>(id >> shift);
        }
        *out++ = kListClosingTag;
    }
    return network::EncodeNpdu(destination, npdu, apdu.data(), apdu.size());
}

std::int32_t ReadPropertyMultiple::Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                                           const std::uint8_t* data, std::size_t length) {
    platform::TraceEntry("ReadPropertyMultiple::Process");
    ObjectPropertyMap request;
    if (!ParseRequest(data, length, request)) {
        platform::TraceError(kMalformed);
        return kMalformed;
    }
    network::NpduInfo reply = network::NpduInfo::MakeReply(npdu);
    if (request.empty()) {
        Error(InvokeId()).Send(source, reply, kServiceReadPropertyMultiple, kErrorClassServices,
                               kErrorCodeMissingRequiredParameter);
        return kEmptyRequestAnswered;
    }
    ReadPropertyMultipleAck answer(InvokeId());
    return answer.SendReadPropertyMultipleAck(source, reply, request);
}

}  // namespace APDUServices
