// The service object for services whose handling has not landed yet: it
// logs the service and drops it.
#pragma once

#include "platform/trace.hpp"
#include "services/iservice.hpp"

namespace APDUServices {

class NotYetServed : public IService {
public:
    explicit NotYetServed(std::uint8_t service) : service_(service) {}
    std::int32_t Process(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*,
                         std::size_t) override {
        platform::TraceWarningValue(u"Service not served yet:", service_);
        return 0;
    }

private:
    std::uint8_t service_;
};

}  // namespace APDUServices
