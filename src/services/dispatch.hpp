// The APDU dispatcher: every received APDU enters the application layer here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"

namespace services {

void Dispatch(const LinkServices::LinkAddress& source, const network::NpduInfo& info, const std::uint8_t* apdu,
              std::size_t length);

}  // namespace services
