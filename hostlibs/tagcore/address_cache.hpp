// Parsed addresses remembered by where the host keeps their texts. A host
// hands the same address texts, at the same places, to every scan of a group;
// looking the place up and comparing the text is cheaper than parsing it
// again. The text is always compared, so a place that now holds another
// address is parsed afresh. Only well-formed addresses are remembered.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tagcore/address_grammar.hpp"

namespace tagcore {

class AddressCache {
public:
    // The parse of `text`, found at `place`: TAGCORE_OK or the parse's error.
    int Parse(const char16_t* place, std::u16string_view text, ParsedAddress& parsed);

private:
    struct Entry {
        std::u16string text;
        ParsedAddress parsed;
    };
    // Beyond this many places the cache starts afresh, so hosts that build
    // new texts for every scan cannot make it grow without bound.
    static constexpr std::size_t kMaxEntries = 65536;
    std::unordered_map<const char16_t*, Entry> entries_;
};

}  // namespace tagcore
