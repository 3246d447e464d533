// MS/TP on a serial line.
#pragma once

#include <cstdint>

#include "links/ilink.hpp"

namespace LinkServices {

class MSTP : public ILink {
public:
    static constexpr std::int32_t kMaxFrameSize = 512;

    // Opens the serial port with the host handle and the settings record; 0 or
    // the serial library's error code.
    std::int32_t Open(void* hostHandle, const void* settings, std::uint8_t ownStation);

    void GetBroadcastAddress(LinkAddress& out) override;
    std::int32_t GetLinkType() override { return kLinkMstp; }
    void ParseAddress(LinkAddress& out, const char16_t* text) override;
    std::int32_t GetMaxFrameSize() override { return kMaxFrameSize; }
    std::int32_t Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) override;
    void Close() override;
    bool IsValidAddress(const char16_t* text) override;

private:
    std::uint8_t ownStation_ = 0;
};

}  // namespace LinkServices
