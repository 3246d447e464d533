#include "bench/support/bare_client.hpp"

namespace bench {
namespace {

void AppendObjectId(Bytes& out, std::uint16_t type, std::uint32_t instance) {
    const std::uint32_t id = (std::uint32_t{type} << 22) | (instance & 0x3FFFFF);
    out.insert(out.end(), {0x0C, static_cast<std::uint8_t>(id >> 24), static_cast<std::uint8_t>(id >> 16),
                           static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)});
}

void SetBvllLength(Bytes& frame) {
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
}

}  // namespace

std::uint32_t Ip(const char* text) { return *platform::ParseIpv4(text); }

Bytes ReadPropertyFrame(std::uint16_t type, std::uint32_t instance, std::uint8_t property) {
    Bytes frame{0x81, 0x0A, 0x00, 0x00, 0x01, 0x04, 0x00, 0x05, 0x00, 0x0C};
    AppendObjectId(frame, type, instance);
    frame.insert(frame.end(), {0x19, property});
    SetBvllLength(frame);
    return frame;
}

Bytes ReadPropertyMultipleFrame(std::uint16_t type,
                                const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& objects,
                                bool segmentedAccepted) {
    const std::uint8_t pduFlags = segmentedAccepted ? 0x02 : 0x00;
    Bytes frame{0x81, 0x0A, 0x00, 0x00, 0x01, 0x04, pduFlags, 0x05, 0x00, 0x0E};
    for (const auto& [instance, properties] : objects) {
        AppendObjectId(frame, type, instance);
        frame.push_back(0x1E);
        for (std::uint8_t property : properties) frame.insert(frame.end(), {0x09, property});
        frame.push_back(0x1F);
    }
    SetBvllLength(frame);
    return frame;
}

BareClient::BareClient(const char* ip, std::uint32_t timeoutMs) {
    std::int32_t error = 0;
    handle_ = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(handle_, Ip(ip), 0, error);
    platform::UdpSocketSetReceiveTimeout(handle_, timeoutMs);
}

BareClient::~BareClient() { platform::UdpSocketClose(handle_); }

std::int32_t BareClient::RoundTrip(std::uint32_t toIp, std::uint16_t toPort, Bytes& request) {
    request[kRequestInvokeIdAt] = invokeId_++;
    platform::UdpSocketSendTo(handle_, toIp, toPort, request.data(), request.size());
    std::uint32_t address = 0;
    std::uint16_t from = 0;
    std::int32_t error = 0;
    const std::int32_t n = platform::UdpSocketReceive(handle_, answer_, sizeof answer_, address, from, error);
    return n > 0 ? n : 0;
}

}  // namespace bench
