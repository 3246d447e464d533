// The process-wide state of one driver instance. The host calls the entries
// one at a time, so nothing here is locked.
#pragma once

#include <cstdint>
#include <string>

#include "links/bvll.hpp"
#include "links/current_link.hpp"
#include "links/mstp.hpp"
#include "tagcore.h"

namespace host {

struct DriverState {
    LinkServices::BVLL bvll;
    LinkServices::MSTP mstp;
    LinkServices::BVLL receiveBvll;  // parses the frames taken out of the shared ring

    ParsedAddressRecord* parsedAddress = nullptr;
    void* taskInterface = nullptr;

    std::uint32_t timeout = 0;
    std::uint32_t transactionStartTick = 0;
    bool writeDone = false;
    std::int32_t writeResult = 0;

    std::u16string nullValueText;
    std::int32_t repeatLimit = 30;
    std::uint32_t repeatCounter = 0;

    std::uint32_t udpPort = 0;
    std::uint8_t mstpStation = 0;

};

DriverState& Driver();

inline bool BacnetIpActive() { return LinkServices::ActiveLink() == &Driver().bvll; }

inline constexpr char16_t kDriverName[] = u"VORNE";

}  // namespace host
