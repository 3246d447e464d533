#include "sim/services.hpp"

#include "encoding/tags.hpp"
#include "sim/ids.hpp"
#include "sim/tag_reader.hpp"

namespace sim {
namespace {

using encoding::ByteVector;
using encoding::MakeContextTag;

constexpr std::uint8_t kPduComplexAck = 0x30;
constexpr std::uint8_t kPduSimpleAck = 0x20;
constexpr std::uint8_t kPduError = 0x50;
constexpr std::uint8_t kPduReject = 0x60;
constexpr std::uint8_t kPduAbortFromServer = 0x71;
constexpr std::uint8_t kPduUnconfirmed = 0x10;

void EncodeContextUnsigned(ByteVector& out, std::uint32_t number, std::uint32_t value) {
    encoding::EncodeUnsignedWithTag(
        out, value, MakeContextTag(number, static_cast<std::uint32_t>(encoding::UnsignedOctetCount(value))));
}

const Value* FirstValue(const Object& device, std::uint32_t prop) {
    const auto found = device.properties.find(prop);
    return found == device.properties.end() || found->second.values.empty() ? nullptr : &found->second.values[0];
}

}  // namespace

void EncodeErrorPair(ByteVector& out, const AccessError& error) {
    OctetWriter writer(std::move(out));
    EncodeErrorPair(writer, error);
    out = writer.Take();
}

void EncodeErrorPair(OctetWriter& out, const AccessError& error) {
    constexpr std::uint8_t kEnumerated = ApplicationTag(encoding::kTagEnumerated, 0);
    std::uint8_t* at = PutUnsigned(out.Room(10), kEnumerated, error.errorClass);
    out.Commit(PutUnsigned(at, kEnumerated, error.code));
}

ServiceAnswer Rejected(std::uint8_t reason) {
    ServiceAnswer answer;
    answer.type = ServiceAnswer::Type::kReject;
    answer.rejectReason = reason;
    return answer;
}

ServiceAnswer RejectedAt(const std::uint8_t*, std::size_t length, std::size_t position) {
    return Rejected(position >= length ? reject_reason::kMissingRequiredParameter : reject_reason::kInvalidTag);
}

ServiceAnswer ReadPropertyService(const ObjectDatabase& db, const std::uint8_t* body, std::size_t length) {
    TagReader reader(body, length);
    ObjectId id;
    std::uint32_t prop = 0, index = 0;
    if (!reader.ReadContextObjectId(0, id.type, id.instance) || !reader.ReadContextUnsigned(1, prop))
        return RejectedAt(body, length, reader.Position());
    std::optional<std::uint32_t> arrayIndex;
    if (reader.ReadContextUnsigned(2, index)) arrayIndex = index;
    if (!reader.AtEnd()) return Rejected(reject_reason::kTooManyArguments);
    id = ResolveWildcard(db, id);

    ServiceAnswer answer;
    OctetWriter writer;
    AccessError error;
    if (!db.Read(id, prop, arrayIndex, writer, error)) {
        answer.type = ServiceAnswer::Type::kError;
        EncodeErrorPair(answer.body, error);
        return answer;
    }
    const ByteVector value = writer.Take();
    answer.type = ServiceAnswer::Type::kComplexAck;
    ByteVector& out = answer.body;
    encoding::EncodeObjectIdentifierWithTag(out, id.type, id.instance, MakeContextTag(0, 4));
    EncodeContextUnsigned(out, 1, prop);
    if (arrayIndex) EncodeContextUnsigned(out, 2, *arrayIndex);
    out.push_back(MakeContextTag(3, encoding::kLvtOpening));
    out.insert(out.end(), value.begin(), value.end());
    out.push_back(MakeContextTag(3, encoding::kLvtClosing));
    return answer;
}

ServiceAnswer WritePropertyService(ObjectDatabase& db, const std::uint8_t* body, std::size_t length) {
    TagReader reader(body, length);
    ObjectId id;
    std::uint32_t prop = 0, index = 0, priority = 0;
    if (!reader.ReadContextObjectId(0, id.type, id.instance) || !reader.ReadContextUnsigned(1, prop))
        return RejectedAt(body, length, reader.Position());
    std::optional<std::uint32_t> arrayIndex;
    if (reader.ReadContextUnsigned(2, index)) arrayIndex = index;
    const std::uint8_t* value = nullptr;
    std::size_t valueLength = 0;
    if (!reader.ReadEnclosed(3, value, valueLength)) {
        // An opening tag without its closing tag: the value ran off the end.
        if (reader.NextIsOpening(3)) return Rejected(reject_reason::kMissingRequiredParameter);
        return RejectedAt(body, length, reader.Position());
    }
    std::optional<std::uint32_t> writePriority;
    if (reader.ReadContextUnsigned(4, priority)) {
        if (priority < 1 || priority > kPriorityLevels) return Rejected(reject_reason::kParameterOutOfRange);
        writePriority = priority;
    }
    if (!reader.AtEnd()) return Rejected(reject_reason::kTooManyArguments);
    id = ResolveWildcard(db, id);

    ServiceAnswer answer;
    AccessError error;
    if (!db.Write(id, prop, arrayIndex, value, valueLength, writePriority, error)) {
        answer.type = ServiceAnswer::Type::kError;
        EncodeErrorPair(answer.body, error);
        return answer;
    }
    answer.type = ServiceAnswer::Type::kSimpleAck;
    return answer;
}

std::optional<ByteVector> WhoIsService(const ObjectDatabase& db, const std::uint8_t* body, std::size_t length) {
    const ObjectId device = db.DeviceId();
    if (length > 0) {
        TagReader reader(body, length);
        std::uint32_t low = 0, high = 0;
        if (!reader.ReadContextUnsigned(0, low) || !reader.ReadContextUnsigned(1, high) || !reader.AtEnd())
            return std::nullopt;
        if (device.instance < low || device.instance > high) return std::nullopt;
    }
    const Object* object = db.Find(device);
    if (object == nullptr) return std::nullopt;
    const Value* maxApdu = FirstValue(*object, property::kMaxApduLengthAccepted);
    const Value* segmentation = FirstValue(*object, property::kSegmentationSupported);
    const Value* vendor = FirstValue(*object, property::kVendorIdentifier);
    ByteVector apdu{kPduUnconfirmed, service::kIAm};
    encoding::EncodeObjectIdentifier(apdu, device.type, device.instance);
    encoding::EncodeUnsigned(apdu, maxApdu != nullptr ? maxApdu->number : 1476);
    encoding::EncodeEnumerated(apdu, segmentation != nullptr ? segmentation->number : 0);
    encoding::EncodeUnsigned(apdu, vendor != nullptr ? vendor->number : 0);
    return apdu;
}

ByteVector MakeComplexAck(std::uint8_t invokeId, std::uint8_t service, ByteVector body) {
    body.insert(body.begin(), {kPduComplexAck, invokeId, service});
    return body;
}

ByteVector MakeAnswerApdu(const ServiceAnswer& answer, std::uint8_t invokeId, std::uint8_t service) {
    switch (answer.type) {
        case ServiceAnswer::Type::kComplexAck: return MakeComplexAck(invokeId, service, answer.body);
        case ServiceAnswer::Type::kSimpleAck: return {kPduSimpleAck, invokeId, service};
        case ServiceAnswer::Type::kError: {
            ByteVector apdu{kPduError, invokeId, service};
            apdu.insert(apdu.end(), answer.body.begin(), answer.body.end());
            return apdu;
        }
        case ServiceAnswer::Type::kReject: break;
    }
    return MakeReject(invokeId, answer.rejectReason);
}

ByteVector MakeReject(std::uint8_t invokeId, std::uint8_t reason) { return {kPduReject, invokeId, reason}; }

ByteVector MakeAbort(std::uint8_t invokeId, std::uint8_t reason) { return {kPduAbortFromServer, invokeId, reason}; }

}  // namespace sim
