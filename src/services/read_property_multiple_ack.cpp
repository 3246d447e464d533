// The ReadPropertyMultiple acknowledgement: decoding a device's answer
// result by result, and building the driver's own answers to peers.
#include <iterator>
#include <string>

#include "coders/property_coder.hpp"
#include "encoding/application_values.hpp"
#include "encoding/common_numbers.hpp"
#include "encoding/host_value.hpp"
#include "encoding/local_values.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "network/npdu.hpp"
#include "platform/trace.hpp"
#include "services/answer_value.hpp"
#include "services/apdu_headers.hpp"
#include "services/error_service.hpp"
#include "services/read_property_multiple.hpp"
#include "services/transactions.hpp"
#include "tables/vocabulary.hpp"

namespace APDUServices {
namespace {

using encoding::TagFields;

constexpr std::int32_t kMalformed = 2;
constexpr std::int32_t kObjectNotFound = 9;
constexpr std::int32_t kUnknownObjectResult = 14;
constexpr std::int32_t kErrorSent = 9;
constexpr std::int32_t kPropertyAll = 8;
constexpr std::size_t kObjectIdentifierOctets = 4;
constexpr std::uint8_t kTagPropertyValue = 4;
constexpr std::uint8_t kTagPropertyAccessError = 5;
constexpr std::uint8_t kContextClassBit = 0x08;
constexpr std::uint8_t kClosingPropertyValue = (kTagPropertyValue << 4) | kContextClassBit | encoding::kLvtClosing;
constexpr std::uint8_t kOpeningPropertyValue = (kTagPropertyValue << 4) | kContextClassBit | encoding::kLvtOpening;
constexpr std::uint8_t kOneOctetPropertyIdentifier = (2 << 4) | kContextClassBit | 1;
constexpr std::uint8_t kOneOctetEnumerated = (encoding::kTagEnumerated << 4) | 1;

// The bytes of one acknowledgement and a position in them; no read reaches
// the end.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}

    bool AtEnd() const { return pos_ >= length_; }
    std::size_t Remaining() const { return AtEnd() ? 0 : length_ - pos_; }
    const std::uint8_t* Here() const { return data_ + pos_; }

    bool PeekTag(TagFields& tag) const {
        if (AtEnd()) return false;
        tag = encoding::SplitTagByte(data_[pos_]);
        return true;
    }
    bool NextTag(TagFields& tag) {
        if (!PeekTag(tag)) return false;
        ++pos_;
        return true;
    }
    bool Skip(std::size_t n) {
        if (n > Remaining()) return false;
        pos_ += n;
        return true;
    }
    bool Unsigned(std::uint8_t octets, std::uint32_t& out) {
        if (octets > Remaining()) return false;
        out = encoding::DecodeUnsigned(Here(), octets);
        pos_ += octets;
        return true;
    }
    // The four identifier octets are read whatever the length field says; the
    // length field says how far to step.
    bool ObjectIdentifier(std::uint8_t octets, encoding::ObjectIdentifier& out) {
        if (Remaining() < kObjectIdentifierOctets) return false;
        out = encoding::DecodeObjectIdentifier(Here());
        return Skip(octets);
    }
    // An application-tagged number, as an error class or code is sent.
    bool Integer(std::int32_t& out) {
        HostValue value{};
        std::size_t used = 0;
        if (!encoding::DecodeApplicationValue(Here(), Remaining(), value, used)) return false;
        if (value.kind != encoding::kKindInteger) return false;
        out = encoding::GetInteger(value);
        pos_ += used;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t pos_ = 0;
};

enum class Outcome { kNext, kMalformed, kUnknownObject };

// One walk over an acknowledgement, reporting through the result hooks.
class AckWalk {
public:
    AckWalk(std::uint8_t invokeId, const std::uint8_t* data, std::size_t length)
        : invokeId_(invokeId), cursor_(data, length), onValue_(Transactions().hooks.onPropertyValue) {}

    std::int32_t Run() {
        TagFields tag{};
        do {
            cursor_.NextTag(tag);
            // Not an acknowledgement at all: nothing to tell the read cycle.
            if (tag.tagNumber != 0) {
                platform::TraceError(kMalformed);
                return kMalformed;
            }
            encoding::ObjectIdentifier object{};
            if (!cursor_.ObjectIdentifier(tag.lvt, object)) return Fail();
            if (!cursor_.NextTag(tag) || tag.tagNumber != 1 || tag.lvt != encoding::kLvtOpening) return Fail();
            if (!cursor_.PeekTag(tag) || tag.lvt == encoding::kLvtClosing) return Fail();
            do {
                const Outcome outcome =
                    Result(static_cast<std::int32_t>(object.type), static_cast<std::int32_t>(object.instance));
                if (outcome == Outcome::kMalformed) return Fail();
                if (outcome == Outcome::kUnknownObject) return kUnknownObjectResult;
            } while (cursor_.PeekTag(tag) && tag.tagNumber == 2);
            if (!cursor_.NextTag(tag) || tag.tagNumber != 1 || tag.lvt != encoding::kLvtClosing) return Fail();
        } while (cursor_.PeekTag(tag) && tag.tagNumber == 0);
        return 0;
    }

private:
    std::int32_t Fail() {
        platform::TraceError(kMalformed);
        SetStatus(kMalformed);
        return kMalformed;
    }

    void SetStatus(std::int32_t status) {
        if (auto hook = Transactions().hooks.setTransactionStatus) hook(invokeId_, status);
    }

    void ReportPropertyError(std::int32_t objectType, std::int32_t instance, std::int32_t property,
                             std::int32_t code) {
        if (auto hook = Transactions().hooks.onPropertyError)
            hook(invokeId_, objectType, instance, property, static_cast<std::uint32_t>(code));
    }

    static void TraceObjectNotFound(std::int32_t objectType, std::int32_t instance, std::int32_t property) {
        std::u16string line = u"BACNET_ERROR_OBJECT_NOT_FOUND: ";
        line += tables::NameOf(tables::NameTable::kObjectType, objectType);
        line += u"Instance:";
        encoding::AppendDecimal(line, instance);
        line += u" Property:";
        line += tables::NameOf(tables::NameTable::kProperty, property);
        platform::TraceText(line);
    }

    // An Enumerated 31 (unknown-object) where a value or an error code stands.
    bool UnknownObjectFollows() const {
        if (cursor_.Remaining() < 2) return false;
        const TagFields tag = encoding::SplitTagByte(cursor_.Here()[0]);
        return tag.tagNumber == encoding::kTagEnumerated && tag.lvt == 1 &&
               cursor_.Here()[1] == kErrorCodeUnknownObject;
    }

    // One propertyIdentifier with its propertyValue or propertyAccessError.
    // Hooks fire only once the result's closing tag has been seen, except
    // for the object-not-found status, which stands for the rest of the walk.
    Outcome Result(std::int32_t objectType, std::int32_t instance) {
        if (UsualResult(objectType, instance)) return Outcome::kNext;
        TagFields tag{};
        std::uint32_t identifier = 0;
        if (!cursor_.NextTag(tag) || !cursor_.Unsigned(tag.lvt, identifier)) return Outcome::kMalformed;
        const auto property = static_cast<std::int32_t>(identifier);
        // An array index here is no opening tag, and refused.
        if (!cursor_.NextTag(tag) || tag.lvt != encoding::kLvtOpening) return Outcome::kMalformed;
        if (tag.tagNumber != kTagPropertyValue && tag.tagNumber != kTagPropertyAccessError) return Outcome::kMalformed;
        const bool accessError = tag.tagNumber == kTagPropertyAccessError;

        std::int32_t errorClass = 0, errorCode = 0;
        bool haveCode = false;
        if (accessError) {
            if (!cursor_.Integer(errorClass)) return Outcome::kMalformed;
            if (errorClass == static_cast<std::int32_t>(kErrorClassProperty)) {
                if (!cursor_.Integer(errorCode)) return Outcome::kMalformed;
                haveCode = true;
                if (errorCode == static_cast<std::int32_t>(kErrorCodeUnknownObject)) {
                    SetStatus(kObjectNotFound);
                    TraceObjectNotFound(objectType, instance, property);
                    objectNotFound_ = true;
                    haveCode = false;  // reported by the status, not per property
                }
            }
        }
        if (UnknownObjectFollows()) {
            ReportPropertyError(objectType, instance, property, static_cast<std::int32_t>(kErrorCodeUnknownObject));
            return Outcome::kUnknownObject;
        }
        if (!accessError && !objectNotFound_ && CommonNumber(objectType, instance, property)) return Outcome::kNext;
        if (accessError && errorClass != static_cast<std::int32_t>(kErrorClassProperty)) {
            if (!cursor_.Integer(errorCode)) return Outcome::kMalformed;
            haveCode = true;
        }

        HostValue value{};
        // After an object-not-found result nothing more is decoded, so a
        // following value stands where a closing tag is expected.
        bool haveValue = !accessError && !objectNotFound_;
        if (haveValue && !DecodeValue(objectType, property, value, haveValue)) return Outcome::kMalformed;

        if (!cursor_.NextTag(tag) || tag.lvt != encoding::kLvtClosing ||
            (tag.tagNumber != kTagPropertyValue && tag.tagNumber != kTagPropertyAccessError))
            return Outcome::kMalformed;
        if (haveCode) ReportPropertyError(objectType, instance, property, errorCode);
        if (haveValue) {
            if (auto hook = Transactions().hooks.onPropertyValue) hook(invokeId_, objectType, instance, property, value);
        }
        return Outcome::kNext;
    }

    // The result nearly every answer is made of: a property identifier of one
    // octet, then a common number as its value (CommonNumber). Read in one
    // go; false, with nothing consumed, for anything else, which the steps
    // of Result then take one by one with the same outcome for these bytes.
    bool UsualResult(std::int32_t objectType, std::int32_t instance) {
        const std::uint8_t* here = cursor_.Here();
        const std::size_t remaining = cursor_.Remaining();
        constexpr std::size_t kHead = 3;  // identifier tag, identifier, opening tag
        if (objectNotFound_ || remaining <= kHead + 1 || here[0] != kOneOctetPropertyIdentifier ||
            here[2] != kOpeningPropertyValue)
            return false;
        // An Enumerated unknown-object where the value stands has a path of its own.
        if (here[3] == kOneOctetEnumerated && here[4] == kErrorCodeUnknownObject) return false;
        const std::size_t used = encoding::DecodeCommonNumber(here + kHead, remaining - kHead, number_);
        if (used == 0 || kHead + used >= remaining || here[kHead + used] != kClosingPropertyValue) return false;
        const std::int32_t property = here[1];
        if (!WithoutCoder(objectType, property)) return false;
        cursor_.Skip(kHead + used + 1);
        if (onValue_ != nullptr) onValue_(invokeId_, objectType, instance, property, number_);
        return true;
    }

    // The shape nearly every result has: a number of a property without a
    // coder, then the closing tag. Delivered from a record that stays zero
    // but for the kind and number each value overwrites, so the host sees the
    // bytes of a fresh record. False, with nothing consumed, for any other
    // shape, which the general decoding then takes.
    bool CommonNumber(std::int32_t objectType, std::int32_t instance, std::int32_t property) {
        const std::uint8_t* here = cursor_.Here();
        const std::size_t remaining = cursor_.Remaining();
        const std::size_t used = encoding::DecodeCommonNumber(here, remaining, number_);
        if (used == 0 || used >= remaining || here[used] != kClosingPropertyValue) return false;
        if (!WithoutCoder(objectType, property)) return false;
        cursor_.Skip(used + 1);
        if (onValue_ != nullptr) onValue_(invokeId_, objectType, instance, property, number_);
        return true;
    }

    // Results repeat a few properties of one object type, so the properties
    // found without a coder are kept, by their lowest bits.
    bool WithoutCoder(std::int32_t objectType, std::int32_t property) {
        Plain& plain = plain_[static_cast<std::uint32_t>(property) % std::size(plain_)];
        if (property == plain.property && objectType == plain.objectType) return true;
        if (coders::GetPropertyCoder(property, objectType) != nullptr) return false;
        plain = Plain{property, objectType};
        return true;
    }

    // A malformed value fails the walk; a number beyond the exact range is
    // stepped over, logged and recorded, and its line gets no value.
    bool DecodeValue(std::int32_t objectType, std::int32_t property, HostValue& value, bool& deliver) {
        std::size_t consumed = 0;
        const encoding::ValueDecode decoded = DecodeAnswerValue(objectType, property, cursor_.Here(),
                                                                cursor_.Remaining(), kTagPropertyValue, value, consumed);
        if (decoded == encoding::ValueDecode::kMalformed) return false;
        if (decoded == encoding::ValueDecode::kBeyondExactRange) {
            TraceBeyondExactRange(value);
            SetStatus(kStatusBeyondExactRange);
            deliver = false;
        }
        return cursor_.Skip(consumed);
    }

    std::uint8_t invokeId_;
    Cursor cursor_;
    // Looked up once: no hook changes the hooks during a walk.
    decltype(ResultHooks::onPropertyValue) onValue_;
    bool objectNotFound_ = false;
    HostValue number_{};
    struct Plain {
        std::int32_t property = -1;
        std::int32_t objectType = -1;
    };
    Plain plain_[8];
};

}  // namespace

std::int32_t ReadPropertyMultipleAck::Process(const LinkServices::LinkAddress&, const network::NpduInfo&,
                                              const std::uint8_t* data, std::size_t length) {
    platform::TraceEntry("ReadPropertyMultipleAck::Process");
    if (length == 0) {
        platform::TraceError(kMalformed);
        return kMalformed;
    }
    return AckWalk(InvokeId(), data, length).Run();
}

std::int32_t ReadPropertyMultipleAck::SendReadPropertyMultipleAck(const LinkServices::LinkAddress& destination,
                                                                  network::NpduInfo& reply,
                                                                  const ObjectPropertyMap& properties) {
    encoding::ByteVector apdu;
    EncodeComplexAckHeader(apdu, InvokeId(), kServiceReadPropertyMultiple);
    for (const auto& [object, identifiers] : properties) {
        const auto [objectType, instance] = object;
        encoding::EncodeObjectIdentifierWithTag(apdu, static_cast<std::uint32_t>(objectType),
                                                static_cast<std::uint32_t>(instance), encoding::MakeContextTag(0, 4));
        apdu.push_back(encoding::MakeContextTag(1, encoding::kLvtOpening));
        for (std::uint32_t id : identifiers) {
            const auto property = static_cast<std::int32_t>(id);
            // Property all brings its own identifiers and value tags for every member.
            const bool single = property != kPropertyAll;
            if (single)
                encoding::EncodeUnsignedWithTag(apdu, id, encoding::MakeContextTag(2, encoding::UnsignedOctetCount(id)));
            HostValue value{};
            std::int32_t errorCode = 0;
            if (!encoding::GetLocalPropertyValue(objectType, instance, property, value, errorCode)) {
                Error(InvokeId()).Send(destination, reply, kServiceReadPropertyMultiple, kErrorClassProperty,
                                       static_cast<std::uint32_t>(errorCode));
                return kErrorSent;
            }
            if (encoding::GetDatatype(objectType, property) == 0) {
                Error(InvokeId()).Send(destination, reply, kServiceReadPropertyMultiple, kErrorClassProperty,
                                       kErrorCodeUnknownProperty);
                return kErrorSent;
            }
            // A value that does not encode is answered with its error; the answer goes on.
            if (single)
                coders::AppendLocalResultValue(apdu, value, objectType, property);
            else
                coders::EncodeAllProperties(apdu, objectType, instance);
        }
        apdu.push_back(encoding::MakeContextTag(1, encoding::kLvtClosing));
    }
    return network::EncodeNpdu(destination, reply, apdu.data(), apdu.size());
}

}  // namespace APDUServices
