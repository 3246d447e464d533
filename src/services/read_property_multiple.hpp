// ReadPropertyMultiple both ways: the requests of a scan of several tags and
// their acknowledgements, and peers' requests about the driver's own objects.
#pragma once

#include <cstdint>
#include <vector>

#include "services/iservice.hpp"
#include "services/object_property_map.hpp"

namespace APDUServices {

// Octets of the request's APDU for these properties, its header included.
std::size_t RequestApduLength(const ObjectPropertyMap& properties);
// Cuts the properties into consecutive requests whose APDUs each fit
// maxApdu, in wire order; an object whose list does not fit whole goes on in
// the next request. Nothing is cut when the whole request fits.
std::vector<ObjectPropertyMap> SplitRequest(const ObjectPropertyMap& properties, std::size_t maxApdu);

// The request: sent by the read cycle, or received from a peer.
class ReadPropertyMultiple : public ConfirmedRequest, public IService {
public:
    explicit ReadPropertyMultiple(std::uint8_t invokeId) : ConfirmedRequest(invokeId) {}

    std::int32_t SendReadPropertyMultipleRequest(const LinkServices::LinkAddress& destination,
                                                 network::NpduInfo& npdu, const ObjectPropertyMap& properties);
    // A peer's request: answered with an acknowledgement or an Error. 2 when
    // malformed (no answer), 1 after the Error for a request naming no object,
    // else the answer's result.
    std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                         const std::uint8_t* data, std::size_t length) override;
};

// The acknowledgement: received for the driver's request, or sent as an answer.
class ReadPropertyMultipleAck : public ComplexAck, public IService {
public:
    explicit ReadPropertyMultipleAck(std::uint8_t invokeId) : ComplexAck(invokeId) {}

    // Hands each result to the hooks in wire order: 0 after a complete walk,
    // 2 for a malformed acknowledgement, 14 when an unknown object ended it.
    std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                         const std::uint8_t* data, std::size_t length) override;
    // The send result, or 9 when a property that cannot be served turned the
    // whole answer into an Error.
    std::int32_t SendReadPropertyMultipleAck(const LinkServices::LinkAddress& destination, network::NpduInfo& reply,
                                             const ObjectPropertyMap& properties);
};

}  // namespace APDUServices
