#include "links/mstp.hpp"

#include "encoding/text_forms.hpp"
#include "platform/utf.hpp"

namespace LinkServices {

// Serial port error code while the serial line is not available in this build.
constexpr std::int32_t kSerialUnavailable = 201;

std::int32_t MSTP::Open(void* /*hostHandle*/, const void* /*settings*/, std::uint8_t ownStation) {
    ownStation_ = ownStation;
    return kSerialUnavailable;
}

void MSTP::GetBroadcastAddress(LinkAddress& out) {
    out.Initialise();
    out.SetMstpStation(255);
}

void MSTP::ParseAddress(LinkAddress& out, const char16_t* text) {
    out.Initialise();
    if (auto station = encoding::ReadWholeNumber(platform::HostText(text)))
        out.SetMstpStation(static_cast<std::uint8_t>(*station));
}

std::int32_t MSTP::Send(const LinkAddress& destination, const std::uint8_t* /*bytes*/, std::uint32_t /*length*/) {
    if (destination.kind != LinkAddress::kMstpStation) return kSendWrongAddressKind;
    return kSendNoSocket;
}

void MSTP::Close() {}

bool MSTP::IsValidAddress(const char16_t* text) {
    return encoding::ReadWholeNumber(platform::HostText(text)).has_value();
}

}  // namespace LinkServices
