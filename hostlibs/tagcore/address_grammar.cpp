#include "tagcore/address_grammar.hpp"

#include <array>
#include <string>

#include "tagcore.h"
#include "tagcore/vocabulary.hpp"

namespace tagcore {
namespace {

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
    return text;
}

// The parts between colons, trimmed; only the first four are kept (an
// address has three or four), but all are counted. No allocation: addresses
// are parsed on every scan.
struct AddressParts {
    std::array<std::u16string_view, 4> part;
    std::size_t count = 0;
    std::size_t size() const { return count; }
    std::u16string_view operator[](std::size_t i) const { return part[i]; }
};

AddressParts SplitAtColons(std::u16string_view text) {
    AddressParts parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(u':', start);
        const auto piece = Trim(text.substr(start, colon == std::u16string_view::npos ? colon : colon - start));
        if (parts.count < parts.part.size()) parts.part[parts.count] = piece;
        ++parts.count;
        if (colon == std::u16string_view::npos) return parts;
        start = colon + 1;
    }
}

}  // namespace

bool ParseDecimal(std::u16string_view text, std::int64_t low, std::int64_t high, std::int64_t& out) {
    text = Trim(text);
    if (text.empty() || text.size() > 10) return false;
    std::int64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
    }
    if (value < low || value > high) return false;
    out = value;
    return true;
}

int ParseAddress(std::u16string_view text, ParsedAddress& out) {
    const auto parts = SplitAtColons(text);
    if (parts.size() != 3 && parts.size() != 4) return TAGCORE_BAD_ADDRESS_FORM;
    const auto type = FindObjectTypePosition(parts[0]);
    if (!type) return TAGCORE_UNKNOWN_OBJECT_TYPE;
    std::int64_t instance = 0;
    if (!ParseDecimal(parts[1], 0, 4194303, instance)) return TAGCORE_BAD_INSTANCE;
    const auto property = FindPropertyPosition(parts[2]);
    if (!property) return TAGCORE_UNKNOWN_PROPERTY;
    std::int64_t priority = -1;
    if (parts.size() == 4 && !ParseDecimal(parts[3], 1, 16, priority)) return TAGCORE_BAD_PRIORITY;
    out.objectTypePosition = *type;
    out.instance = static_cast<std::int32_t>(instance);
    out.propertyPosition = *property;
    out.priority = static_cast<std::int32_t>(priority);
    return TAGCORE_OK;
}

std::u16string FormatAddress(const ParsedAddress& address) {
    const auto& type = ObjectTypeAt(address.objectTypePosition);
    const auto name = PropertyName(PropertyAt(address.propertyPosition));
    std::u16string text(type.alias.begin(), type.alias.end());
    text += u':';
    for (char c : std::to_string(address.instance)) text += static_cast<char16_t>(c);
    text += u':';
    text.append(name.begin(), name.end());
    if (address.priority > 0) {
        text += u':';
        for (char c : std::to_string(address.priority)) text += static_cast<char16_t>(c);
    }
    return text;
}

}  // namespace tagcore
