// WriteProperty: the driver's writes, and peers' writes to the driver's own
// objects, which are read-only to them and get no answer.
#pragma once

#include <cstdint>
#include <string_view>

#include "services/iservice.hpp"
#include "tagcore.h"

namespace APDUServices {

inline constexpr std::int32_t kWriteNoDatatype = 1;

class WriteProperty : public ConfirmedRequest, public IService {
public:
    explicit WriteProperty(std::uint8_t invokeId) : ConfirmedRequest(invokeId) {}

    // The send result; 1 when the property has no known datatype, 18 when the
    // value cannot be encoded (nothing is sent then).
    std::int32_t SendWritePropertyRequest(const LinkServices::LinkAddress& destination, network::NpduInfo& npdu,
                                          std::int32_t objectType, std::int32_t instance, std::int32_t property,
                                          const HostValue& value, std::uint8_t priority,
                                          std::u16string_view nullValueText);
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
};

// Whether a host value is the configured null value text, which relinquishes.
bool IsNullValue(std::u16string_view nullValueText, const HostValue& value);

// Peers may send these to the driver's Device object: consumed without effect or answer.
class DeviceCommunicationControl : public ConfirmedRequest, public IService {
public:
    explicit DeviceCommunicationControl(std::uint8_t invokeId) : ConfirmedRequest(invokeId) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
};

class ReinitializeDevice : public ConfirmedRequest, public IService {
public:
    explicit ReinitializeDevice(std::uint8_t invokeId) : ConfirmedRequest(invokeId) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
};

}  // namespace APDUServices
