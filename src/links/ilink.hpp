// The data-link interface. One link object is active per driver instance;
// the network layer sends through it.
#pragma once

#include <cstdint>

#include "links/link_address.hpp"

namespace LinkServices {

enum LinkType : std::int32_t { kLinkBacnetIp = 1, kLinkMstp = 2 };

class ILink {
public:
    virtual ~ILink() = default;
    virtual void GetBroadcastAddress(LinkAddress& out) = 0;
    virtual std::int32_t GetLinkType() = 0;
    virtual void ParseAddress(LinkAddress& out, const char16_t* text) = 0;
    virtual std::int32_t GetMaxFrameSize() = 0;
    virtual std::int32_t Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) = 0;
    virtual void Close() = 0;
    virtual bool IsValidAddress(const char16_t* text) = 0;
};

// Results of Send besides the library's own.
inline constexpr std::int32_t kSendWrongAddressKind = 3;
inline constexpr std::int32_t kSendNoSocket = -1;

}  // namespace LinkServices
