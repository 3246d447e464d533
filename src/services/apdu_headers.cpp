#include "services/apdu_headers.hpp"

#include "links/current_link.hpp"
#include "services/segmentation.hpp"

namespace APDUServices {

std::uint8_t MaxSegmentsCode(std::size_t maxApdu) {
    // A segment of a ComplexAck carries a five-octet header; the buffer takes
    // the service choice and the joined segments. Codes 1..6 stand for 2..64 segments.
    const std::size_t payload = maxApdu - 5;
    std::uint8_t code = 0;
    while (code < 6 && 1 + (std::size_t{2} << code) * payload <= kReassemblyBufferBytes) ++code;
    return code;
}

void EncodeConfirmedRequestHeader(encoding::ByteVector& out, std::uint8_t invokeId, std::uint8_t service,
                                  const network::NpduInfo&) {
    // Every read accepts a segmented answer, whatever the station form: the
    // driver reassembles any answer that its announced limits allow.
    const bool read = service == kServiceReadProperty || service == kServiceReadPropertyMultiple;
    out.push_back(read ? 0x02 : 0x00);
    LinkServices::ILink* link = LinkServices::ActiveLink();
    const bool mstp = link != nullptr && link->GetLinkType() == LinkServices::kLinkMstp;
    // Max-segments counts only where segments are accepted.
    const std::uint8_t segments = read ? MaxSegmentsCode(mstp ? kMaxApduMstp : kMaxApduBacnetIp) : 0;
    out.push_back(static_cast<std::uint8_t>(segments << 4 | (mstp ? 0x03 : 0x05)));
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
