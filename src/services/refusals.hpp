// Abort and Reject: a station refusing the driver's request, and the
// standard's names of its reasons for the log.
#pragma once

#include <cstdint>
#include <string>

namespace APDUServices {

// "Abort: segmentation-not-supported"; a reason without a standard name
// (a proprietary one) shows its number.
std::u16string AbortLine(std::uint8_t reason);
// "Reject: unrecognized-service", likewise.
std::u16string RejectLine(std::uint8_t reason);

}  // namespace APDUServices
