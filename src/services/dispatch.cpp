#include "services/dispatch.hpp"

#include "platform/trace.hpp"

namespace services {

// The service classes arrive with the application layer; until then every
// APDU is logged as not served and dropped.
void Dispatch(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t* apdu,
              std::size_t length) {
    platform::TraceEntry("APDU::Dispatch");
    if (length == 0) {
        platform::TraceError(2);
        return;
    }
    platform::TraceWarningValue(u"APDU not served, type", apdu[0] >> 4);
}

}  // namespace services
