// MS/TP frames (ASHRAE 135 clause 9.3) and their two CRCs (ASHRAE 135
// Annex G): 55 FF, frame type, destination, source, data length (big-endian),
// header CRC, then the data and its CRC low byte first when there is data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace LinkServices::MstpFrame {

inline constexpr std::uint8_t kPreamble1 = 0x55;
inline constexpr std::uint8_t kPreamble2 = 0xFF;
inline constexpr std::uint8_t kDataExpectingReply = 0x05;
inline constexpr std::uint8_t kDataNotExpectingReply = 0x06;
inline constexpr std::size_t kHeaderSize = 8;  // preamble to header CRC
inline constexpr std::uint8_t kBroadcastStation = 255;
inline constexpr std::uint32_t kDefaultBaudRate = 9600;
// USB serial adapters hand bytes over in bursts (every 16 ms by default), and
// the Windows tick count moves in steps of up to 16 ms: a shorter silence
// cannot be told from a frame still arriving.
inline constexpr std::uint32_t kMinFrameAbortMs = 40;

// One octet into the header CRC register (X^8 + X^7 + 1; start with 0xFF).
std::uint8_t HeaderCrcStep(std::uint8_t octet, std::uint8_t crc);
// One octet into the data CRC register (CRC-CCITT, reflected; start with 0xFFFF).
std::uint16_t DataCrcStep(std::uint8_t octet, std::uint16_t crc);

// The header CRC as sent (ones' complement of the register) over frame type,
// destination, source and the two length octets.
std::uint8_t HeaderCrc(const std::uint8_t* fiveOctets);
// The data CRC as sent (ones' complement of the register); the low byte goes first.
std::uint16_t DataCrc(const std::uint8_t* data, std::size_t length);

// The silence within a frame, in ms, after which the frame is dropped as cut
// off: 60 bit times at the baud rate (0: the default rate), never less than
// kMinFrameAbortMs.
std::uint32_t FrameAbortMs(std::uint32_t baudRate);

// The whole frame.
std::vector<std::uint8_t> Encode(std::uint8_t frameType, std::uint8_t destination, std::uint8_t source,
                                 const std::uint8_t* data, std::uint16_t length);

}  // namespace LinkServices::MstpFrame
