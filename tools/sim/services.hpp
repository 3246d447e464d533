// The services the simulated device answers, from request body to answer.
// Nothing here knows about addresses, segmentation or sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "encoding/byte_vector.hpp"
#include "sim/ids.hpp"
#include "sim/object_model.hpp"

namespace sim {

struct ServiceAnswer {
    enum class Type { kComplexAck, kSimpleAck, kError, kReject };
    Type type = Type::kReject;
    encoding::ByteVector body;  // ComplexAck: the service data; Error: class and code
    std::uint8_t rejectReason = 0;
};

ServiceAnswer ReadPropertyService(const ObjectDatabase& db, const std::uint8_t* body, std::size_t length);
ServiceAnswer ReadPropertyMultipleService(const ObjectDatabase& db, const std::uint8_t* body, std::size_t length);
ServiceAnswer WritePropertyService(ObjectDatabase& db, const std::uint8_t* body, std::size_t length);

// The I-Am APDU when the Who-Is body (empty or a range) covers the device.
std::optional<encoding::ByteVector> WhoIsService(const ObjectDatabase& db, const std::uint8_t* body,
                                                  std::size_t length);

// The complete APDUs of the other answers.
// The header goes in front of the body in place: a body with room to spare is not copied.
encoding::ByteVector MakeComplexAck(std::uint8_t invokeId, std::uint8_t service, encoding::ByteVector body);
inline constexpr std::size_t kComplexAckHeader = 3;
encoding::ByteVector MakeAnswerApdu(const ServiceAnswer& answer, std::uint8_t invokeId, std::uint8_t service);
encoding::ByteVector MakeReject(std::uint8_t invokeId, std::uint8_t reason);
encoding::ByteVector MakeAbort(std::uint8_t invokeId, std::uint8_t reason);

// Shared by the read services.
inline constexpr std::uint32_t kWildcardInstance = 4194303;
inline ObjectId ResolveWildcard(const ObjectDatabase& db, ObjectId id) {
    return id.type == object_type::kDevice && id.instance == kWildcardInstance ? db.DeviceId() : id;
}
void EncodeErrorPair(encoding::ByteVector& out, const AccessError& error);
void EncodeErrorPair(OctetWriter& out, const AccessError& error);
ServiceAnswer Rejected(std::uint8_t reason);
// missing-required-parameter when the body ended, invalid-tag otherwise.
ServiceAnswer RejectedAt(const std::uint8_t* body, std::size_t length, std::size_t position);

}  // namespace sim
