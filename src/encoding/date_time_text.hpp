// Dates and times as text: "5-12-2023" (day-month-year) and
// "13:5:0.0" (hour:minute:second.hundredths), "xx"/"xxxx" for an unspecified
// field. Decoded texts are written without leading zeros so that dates parse
// back unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/byte_vector.hpp"

namespace encoding {

// The text of four content octets (year - 1900, month, day, day of week; the
// day of week is not shown) and of four time octets.
std::u16string DateText(const std::uint8_t* content);
std::u16string TimeText(const std::uint8_t* content);

// Each appends an application-tagged value and returns 0, or 18 for a text
// that breaks its grammar, with nothing appended.
//
// Date: exactly three fields split at "-"; "xx" as day or month and "xxxx" as
// year mean unspecified, anything else must be a number in range (day 1..31,
// month 1..12, year 1900..2155). The day of week is computed.
int TextToDate(ByteVector& out, std::u16string_view text);

// TextToDate with the date's tag byte replaced by a context tag.
int TextToContextDate(ByteVector& out, std::u16string_view text, std::uint32_t contextTag, std::uint32_t lvt);

// Time: hour:minute:second.hundredths, all four numbers in range; no
// unspecified fields and no time without hundredths.
int TextToTime(ByteVector& out, std::u16string_view text);

// The same, where any field may also be "xx", unspecified: the form in which
// a date and time of day is read, so that each such text is written back.
int TextToTimeWithWildcards(ByteVector& out, std::u16string_view text);

}  // namespace encoding
