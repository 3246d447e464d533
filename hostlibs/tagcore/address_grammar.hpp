// The VORNE address grammar: TYPE:INSTANCE:PROPERTY[:PRIORITY].
//
// TYPE is an object type by ASHRAE name (ANALOG-VALUE) or alias (AV), any case;
// INSTANCE is 0..4194303; PROPERTY a property by ASHRAE name or by number, and
// it must be one of the driver's property positions; PRIORITY is 1..16.
// Blanks around each part are ignored.
#pragma once

#include <cstdint>
#include <string_view>

namespace tagcore {

struct ParsedAddress {
    int objectTypePosition = 0;
    std::int32_t instance = 0;
    int propertyPosition = 0;
    std::int32_t priority = -1;
};

// Returns TAGCORE_OK or the status that says what is wrong.
int ParseAddress(std::u16string_view text, ParsedAddress& out);

// A decimal number in [low, high], blanks around it ignored.
bool ParseDecimal(std::u16string_view text, std::int64_t low, std::int64_t high, std::int64_t& out);

// The address text of a parsed address, with the type alias and property name.
std::u16string FormatAddress(const ParsedAddress& address);

}  // namespace tagcore
