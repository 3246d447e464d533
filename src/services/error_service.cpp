#include "services/error_service.hpp"

#include "encoding/tags.hpp"
#include "network/npdu.hpp"
#include "services/apdu_headers.hpp"

namespace APDUServices {

std::int32_t Error::Send(const LinkServices::LinkAddress& destination, network::NpduInfo& npdu, std::uint8_t service,
                         std::uint32_t errorClass, std::uint32_t errorCode) {
    encoding::ByteVector apdu;
    EncodeErrorHeader(apdu, invokeId_, service);
    encoding::EncodeEnumerated(apdu, errorClass);
    encoding::EncodeEnumerated(apdu, errorCode);
    return network::EncodeNpdu(destination, npdu, apdu.data(), apdu.size());
}

}  // namespace APDUServices
