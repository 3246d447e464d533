// ReadPropertyMultiple both ways: one request per scan of several tags, and
// peers' requests about the driver's own objects.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "services/iservice.hpp"

namespace APDUServices {

// The content of one request: properties per object, objects in (type, instance) order.
using ObjectPropertyMap = std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::uint32_t>>;

class ReadPropertyMultiple : public ConfirmedRequest, public IService {
public:
    explicit ReadPropertyMultiple(std::uint8_t invokeId) : ConfirmedRequest(invokeId) {}

    std::int32_t SendReadPropertyMultipleRequest(const LinkServices::LinkAddress& destination,
                                                 network::NpduInfo& npdu, const ObjectPropertyMap& properties);
    std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                         const std::uint8_t* data, std::size_t length) override;
};

}  // namespace APDUServices
