#include "links/mstp_frame.hpp"

namespace LinkServices::MstpFrame {
namespace {

// Both polynomials in their reflected form: the line sends the least
// significant bit first.
constexpr std::uint8_t kHeaderPolynomial = 0x81;     // X^8 + X^7 + 1
constexpr std::uint16_t kDataPolynomial = 0x8408;    // X^16 + X^12 + X^5 + 1

}  // namespace

std::uint8_t HeaderCrcStep(std::uint8_t octet, std::uint8_t crc) {
    crc ^= octet;
    for (int bit = 0; bit < 8; ++bit)
        crc = static_cast<std::uint8_t>((crc & 1) != 0 ? (crc >> 1) ^ kHeaderPolynomial : crc >> 1);
    return crc;
}

std::uint16_t DataCrcStep(std::uint8_t octet, std::uint16_t crc) {
    crc ^= octet;
    for (int bit = 0; bit < 8; ++bit)
        crc = static_cast<std::uint16_t>((crc & 1) != 0 ? (crc >> 1) ^ kDataPolynomial : crc >> 1);
    return crc;
}

std::uint8_t HeaderCrc(const std::uint8_t* fiveOctets) {
    std::uint8_t crc = 0xFF;
    for (int i = 0; i < 5; ++i) crc = HeaderCrcStep(fiveOctets[i], crc);
    return static_cast<std::uint8_t>(~crc);
}

std::uint16_t DataCrc(const std::uint8_t* data, std::size_t length) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) crc = DataCrcStep(data[i], crc);
    return static_cast<std::uint16_t>(~crc);
}

std::vector<std::uint8_t> Encode(std::uint8_t frameType, std::uint8_t destination, std::uint8_t source,
                                 const std::uint8_t* data, std::uint16_t length) {
    std::vector<std::uint8_t> frame;
    frame.reserve(kHeaderSize + length + 2);
    frame.insert(frame.end(), {kPreamble1, kPreamble2, frameType, destination, source,
                               static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    frame.push_back(HeaderCrc(frame.data() + 2));
    if (length > 0) {
        frame.insert(frame.end(), data, data + length);
        const std::uint16_t crc = DataCrc(data, length);
        frame.push_back(static_cast<std::uint8_t>(crc));
        frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    return frame;
}

std::uint32_t FrameAbortMs(std::uint32_t baudRate) {
    constexpr std::uint32_t kAbortBits = 60;
    const std::uint32_t rate = baudRate != 0 ? baudRate : kDefaultBaudRate;
    const std::uint32_t ms = (kAbortBits * 1000 + rate - 1) / rate;
    return ms > kMinFrameAbortMs ? ms : kMinFrameAbortMs;
}

}  // namespace LinkServices::MstpFrame
