// Who-Is, I-Am, Who-Has and I-Have. The driver asks for devices but is not
// discoverable itself: it answers no Who-Is and sends no I-Am.
#pragma once

#include <cstdint>

#include "services/iservice.hpp"

namespace APDUServices {

class WhoIs : public UnconfirmedRequest, public IService {
public:
    explicit WhoIs(std::uint8_t = 0) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
    // Looks for devices low..high with a local broadcast carrying a global
    // destination; 1 when low > high (nothing sent), else the send result.
    std::int32_t SendWhoIs(LinkServices::LinkAddress address, network::NpduInfo& npdu, std::uint32_t low,
                           std::uint32_t high);
};

class IAm : public UnconfirmedRequest, public IService {
public:
    explicit IAm(std::uint8_t = 0) {}
    // Binds the device to where its I-Am came from; 2 when the data is refused.
    std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                         const std::uint8_t* data, std::size_t length) override;
};

class WhoHas : public UnconfirmedRequest, public IService {
public:
    explicit WhoHas(std::uint8_t = 0) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
};

class IHave : public UnconfirmedRequest, public IService {
public:
    explicit IHave(std::uint8_t = 0) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        return 0;
    }
};

}  // namespace APDUServices
