#include "tagcore/address_cache.hpp"

#include "tagcore.h"

namespace tagcore {

int AddressCache::Parse(const char16_t* place, std::u16string_view text, ParsedAddress& parsed) {
    const auto found = entries_.find(place);
    if (found != entries_.end() && found->second.text == text) {
        parsed = found->second.parsed;
        return TAGCORE_OK;
    }
    const int status = ParseAddress(text, parsed);
    if (status != TAGCORE_OK) return status;
    if (found != entries_.end()) {
        found->second.text.assign(text);
        found->second.parsed = parsed;
        return status;
    }
    if (entries_.size() >= kMaxEntries) entries_.clear();
    entries_.emplace(place, Entry{std::u16string(text), parsed});
    return status;
}

}  // namespace tagcore
