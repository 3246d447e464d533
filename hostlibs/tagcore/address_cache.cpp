#include "tagcore/address_cache.hpp"

#include "tagcore.h"

namespace tagcore {
namespace {

// The host's text at `place` equals `stored` (which holds no NUL): compared
// up to the first difference, so a shorter host text is never read past its
// terminator. A character is read only once the one before it has matched a
// stored one, which is never NUL; four at a time, each in turn.
bool SameText(const char16_t* place, const std::u16string& stored) {
    const char16_t* text = stored.data();
    const std::size_t n = stored.size();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4)
        if (place[i] != text[i] || place[i + 1] != text[i + 1] || place[i + 2] != text[i + 2] ||
            place[i + 3] != text[i + 3])
            return false;
    for (; i < n; ++i)
        if (place[i] != text[i]) return false;
    return place[n] == u'\0';
}

}  // namespace

bool AddressCache::Recall(std::size_t index, const char16_t* place, ParsedAddress& parsed) {
    if (place == nullptr) return false;
    const Entry* entry = nullptr;
    if (index < byIndex_.size() && byIndex_[index].place == place) {
        entry = byIndex_[index].entry;
    } else {
        const auto found = entries_.find(place);
        if (found == entries_.end()) return false;
        entry = &found->second;
        Remember(index, place, *entry);
    }
    if (!SameText(place, entry->text)) return false;
    parsed = entry->parsed;
    return true;
}

int AddressCache::Parse(std::size_t index, const char16_t* place, std::u16string_view text, ParsedAddress& parsed) {
    const auto found = entries_.find(place);
    if (found != entries_.end() && found->second.text == text) {
        parsed = found->second.parsed;
        Remember(index, place, found->second);
        return TAGCORE_OK;
    }
    const int status = ParseAddress(text, parsed);
    if (status != TAGCORE_OK) return status;
    if (found != entries_.end()) {
        found->second.text.assign(text);
        found->second.parsed = parsed;
        Remember(index, place, found->second);
        return status;
    }
    if (entries_.size() >= kMaxEntries) {
        entries_.clear();
        byIndex_.clear();
    }
    const auto added = entries_.emplace(place, Entry{std::u16string(text), parsed}).first;
    Remember(index, place, added->second);
    return status;
}

void AddressCache::Remember(std::size_t index, const char16_t* place, const Entry& entry) {
    if (index >= byIndex_.size()) byIndex_.resize(index + 1);
    byIndex_[index] = Placed{place, &entry};
}

}  // namespace tagcore
