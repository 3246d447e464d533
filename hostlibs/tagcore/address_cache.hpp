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
#include <vector>

#include "tagcore/address_grammar.hpp"

namespace tagcore {

class AddressCache {
public:
    // The parse remembered for `place` when the host's text there is still
    // the text parsed: read once, up to the first difference or its end, with
    // no length taken first. `index` is the address's position in the host's
    // list, where a scan of the same group finds it again without a lookup.
    bool Recall(std::size_t index, const char16_t* place, ParsedAddress& parsed);

    // The parse of `text`, found at `place` (position `index` of the list):
    // TAGCORE_OK or the parse's error.
    int Parse(std::size_t index, const char16_t* place, std::u16string_view text, ParsedAddress& parsed);

private:
    struct Entry {
        std::u16string text;
        ParsedAddress parsed;
    };
    struct Placed {
        const char16_t* place = nullptr;
        const Entry* entry = nullptr;
    };
    void Remember(std::size_t index, const char16_t* place, const Entry& entry);

    // Beyond this many places the cache starts afresh, so hosts that build
    // new texts for every scan cannot make it grow without bound.
    static constexpr std::size_t kMaxEntries = 65536;
    std::unordered_map<const char16_t*, Entry> entries_;
    // The entries of the last list by position; the map's nodes stay where
    // they are until it is cleared, and this is cleared with it.
    std::vector<Placed> byIndex_;
};

}  // namespace tagcore
