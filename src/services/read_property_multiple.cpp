#include "services/read_property_multiple.hpp"

#include "encoding/tags.hpp"
#include "network/npdu.hpp"
#include "platform/trace.hpp"
#include "services/apdu_headers.hpp"

namespace APDUServices {

std::int32_t ReadPropertyMultiple::SendReadPropertyMultipleRequest(const LinkServices::LinkAddress& destination,
                                                                   network::NpduInfo& npdu,
                                                                   const ObjectPropertyMap& properties) {
    encoding::ByteVector apdu;
    EncodeConfirmedRequestHeader(apdu, InvokeId(), kServiceReadPropertyMultiple, npdu);
    for (const auto& [object, identifiers] : properties) {
        encoding::EncodeObjectIdentifierWithTag(apdu, static_cast<std::uint32_t>(object.first),
                                                static_cast<std::uint32_t>(object.second),
                                                encoding::MakeContextTag(0, 4));
        apdu.push_back(encoding::MakeContextTag(1, encoding::kLvtOpening));
        for (std::uint32_t id : identifiers)
            encoding::EncodeUnsignedWithTag(apdu, id, encoding::MakeContextTag(0, encoding::UnsignedOctetCount(id)));
        apdu.push_back(encoding::MakeContextTag(1, encoding::kLvtClosing));
    }
    return network::EncodeNpdu(destination, npdu, apdu.data(), apdu.size());
}

// Answering peers' ReadPropertyMultiple requests arrives with the answer encoder.
std::int32_t ReadPropertyMultiple::Process(const LinkServices::LinkAddress&, const network::NpduInfo&,
                                           const std::uint8_t*, std::size_t) {
    platform::TraceWarningValue(u"Service not served yet:", kServiceReadPropertyMultiple);
    return 0;
}

}  // namespace APDUServices
