// ReadProperty both ways: the driver's requests and their acknowledgements,
// and peers' requests about the driver's own objects.
#pragma once

#include <cstdint>

#include "encoding/byte_vector.hpp"
#include "services/iservice.hpp"

namespace APDUServices {

// The request: sent by the read cycle, or received from a peer.
class ReadProperty : public ConfirmedRequest, public IService {
public:
    explicit ReadProperty(std::uint8_t invokeId) : ConfirmedRequest(invokeId) {}

    std::int32_t SendReadPropertyRequest(const LinkServices::LinkAddress& destination, network::NpduInfo& npdu,
                                         std::int32_t objectType, std::int32_t instance, std::int32_t property);
    // A peer's request: answered with a ReadProperty-ACK or an Error; 2 when malformed.
    std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                         const std::uint8_t* data, std::size_t length) override;
};

// The acknowledgement: received for the driver's request, or sent as an answer.
class ReadPropertyAck : public ComplexAck, public IService {
public:
    explicit ReadPropertyAck(std::uint8_t invokeId) : ComplexAck(invokeId) {}

    // Delivers the value through OnPropertyValue: 0. Otherwise records a status
    // for the invoke ID: 2 for a malformed acknowledgement, 19 for a number
    // beyond the exact range of a host number; returns that status.
    std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                         const std::uint8_t* data, std::size_t length) override;
    // arrayIndex -1: none. The send result, or 9 when an Error went out instead
    // (also for a value that does not encode).
    std::int32_t SendReadPropertyAck(const LinkServices::LinkAddress& destination, network::NpduInfo& reply,
                                     std::int32_t objectType, std::int32_t instance, std::int32_t property,
                                     std::int32_t arrayIndex);

private:
    void SetStatus(std::int32_t status) const;
};

}  // namespace APDUServices
