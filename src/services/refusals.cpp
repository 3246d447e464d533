#include "services/refusals.hpp"

#include <iterator>
#include <string_view>

namespace APDUServices {
namespace {

constexpr std::u16string_view kAbortReasons[] = {
    u"other",
    u"buffer-overflow",
    u"invalid-apdu-in-this-state",
    u"preempted-by-higher-priority-task",
    u"segmentation-not-supported",
    u"security-error",
    u"insufficient-security",
    u"window-size-out-of-range",
    u"application-exceeded-reply-time",
    u"out-of-resources",
    u"tsm-timeout",
    u"apdu-too-long",
};

constexpr std::u16string_view kRejectReasons[] = {
    u"other",
    u"buffer-overflow",
    u"inconsistent-parameters",
    u"invalid-parameter-data-type",
    u"invalid-tag",
    u"missing-required-parameter",
    u"parameter-out-of-range",
    u"too-many-arguments",
    u"undefined-enumeration",
    u"unrecognized-service",
};

template <std::size_t N>
std::u16string Line(std::u16string_view pdu, const std::u16string_view (&names)[N], std::uint8_t reason) {
    std::u16string line(pdu);
    line += u": ";
    if (reason < N) {
        line += names[reason];
    } else {
        const std::string digits = std::to_string(reason);
        line += u"reason ";
        line.append(digits.begin(), digits.end());
    }
    return line;
}

}  // namespace

std::u16string AbortLine(std::uint8_t reason) { return Line(u"Abort", kAbortReasons, reason); }
std::u16string RejectLine(std::uint8_t reason) { return Line(u"Reject", kRejectReasons, reason); }

}  // namespace APDUServices
