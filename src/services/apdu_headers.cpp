#include "services/apdu_headers.hpp"

#include "links/current_link.hpp"

namespace APDUServices {

void EncodeConfirmedRequestHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service,
                                  const network::NpduInfo& npdu) {
    out.push_back(npdu.segmentedResponseAccepted ? 0x02 : 0x00);
    LinkServices::ILink* link = LinkServices::ActiveLink();
    const bool mstp = link != nullptr && link->GetLinkType() == LinkServices::kLinkMstp;
    out.push_back(mstp ? 0x03 : 0x05);
    out.push_back(invokeId);
    out.push_back(service);
}

void EncodeUnconfirmedRequestHeader(encoding::ByteVector& out, std::uint8_t service) {
    out.push_back(0x10);
    out.push_back(service);
}

void EncodeComplexAckHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service) {
    out.push_back(0x30);
    out.push_back(invokeId);
    out.push_back(service);
}

void EncodeErrorHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service) {
    out.push_back(0x50);
    out.push_back(invokeId);
    out.push_back(service);
}

}  // namespace APDUServices
