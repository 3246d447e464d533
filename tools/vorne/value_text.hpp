// Host values as `vorne` shows and takes them, and what status codes mean.
#pragma once

#include <cstdint>
#include <string>

#include "tagcore.h"

namespace vorne_tool {

struct TagValue;

TagValue DescribeValue(const HostValue& record);

// Fills a host value from a command-line text, as a host would for a tag of
// the given type (1 integer, 2 real, 3 text). The null value text goes as
// text so that the driver recognises it. False when a number does not parse.
bool EncodeHostValue(const std::u16string& text, std::int32_t tagType, const std::u16string& nullValue,
                     HostValue& record);

// "0 (success)", "-15 (no answer within the time-out)", ...
std::string StatusText(std::int32_t status);

// Local time of a FILETIME as "2026-12-06 10:15:02.123".
std::string TimeStampText(std::uint64_t fileTime);

}  // namespace vorne_tool
