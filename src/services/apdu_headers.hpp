// The APDU headers that the driver's requests and answers start with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoding/byte_vector.hpp"
#include "network/npdu_info.hpp"

namespace APDUServices {

enum PduType : std::uint8_t {
    APDU_TYPE_CONFIRMED_REQ = 0,
    APDU_TYPE_UNCONFIRMED_REQ = 1,
    APDU_TYPE_SIMPLE_ACK = 2,
    APDU_TYPE_COMPLEX_ACK = 3,
    APDU_TYPE_SEGMENT_ACK = 4,
    APDU_TYPE_ERROR = 5,
    APDU_TYPE_REJECT = 6,
    APDU_TYPE_ABORT = 7,
};

enum ServiceChoice : std::uint8_t {
    kServiceIAm = 0,
    kServiceIHave = 1,
    kServiceWhoHas = 7,
    kServiceWhoIs = 8,
    kServiceReadProperty = 12,
    kServiceReadPropertyMultiple = 14,
    kServiceWriteProperty = 15,
    kServiceDeviceCommunicationControl = 17,
    kServiceReinitializeDevice = 20,
};

inline constexpr std::size_t kMaxApduBacnetIp = 1476;
inline constexpr std::size_t kMaxApduMstp = 480;

// The max-segments-accepted code (0 none .. 6 for 64) whose segments of the
// given size all fit the reassembly buffer.
std::uint8_t MaxSegmentsCode(std::size_t maxApdu);

// Never segmented itself. Reads accept segmented answers, with the
// max-segments code that the reassembly buffer holds. Max-APDU code 5 (1476
// octets) on BACnet/IP, 3 (480) on MS/TP.
void EncodeConfirmedRequestHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service,
                                  const network::NpduInfo& npdu);
void EncodeUnconfirmedRequestHeader(encoding::ByteVector& out, std::uint8_t service);
void EncodeComplexAckHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service);
void EncodeErrorHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service);

}  // namespace APDUServices
