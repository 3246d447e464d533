// A received Error PDU's service object, and the sender of the driver's own
// Error answers.
#pragma once

#include <cstdint>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"
#include "services/iservice.hpp"

namespace APDUServices {

inline constexpr std::uint32_t kErrorClassObject = 1;
inline constexpr std::uint32_t kErrorClassProperty = 2;
inline constexpr std::uint32_t kErrorCodeUnknownObject = 31;
inline constexpr std::uint32_t kErrorCodeUnknownProperty = 32;

class Error : public IService {
public:
    explicit Error(std::uint8_t invokeId) : invokeId_(invokeId) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
    // Answers a request with this object's invoke ID: error class and code as enumerations.
    std::int32_t Send(const LinkServices::LinkAddress& destination, network::NpduInfo& npdu, std::uint8_t service,
                      std::uint32_t errorClass, std::uint32_t errorCode);

private:
    std::uint8_t invokeId_;
};

}  // namespace APDUServices
