// The content of one ReadPropertyMultiple: properties per object, objects in
// (type, instance) order. A scan builds one for every request, from tags that
// nearly always come in object order, so the entries are kept in one sorted
// array: appending an object after the last costs no search, walking the
// request is a walk over an array, and the entries (with their lists' room)
// stay from scan to scan.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace APDUServices {

class ObjectPropertyMap {
public:
    using Key = std::pair<std::int32_t, std::int32_t>;  // (object type, instance)
    using Properties = std::vector<std::uint32_t>;
    using Entry = std::pair<Key, Properties>;
    using iterator = std::vector<Entry>::iterator;
    using const_iterator = std::vector<Entry>::const_iterator;

    ObjectPropertyMap() = default;
    ObjectPropertyMap(std::initializer_list<Entry> entries) {
        for (const Entry& entry : entries) (*this)[entry.first] = entry.second;
    }

    // The object's list, made empty in its place when the object is new.
    Properties& operator[](const Key& key) {
        if (count_ > 0 && entries_[count_ - 1].first < key) return Append(key);
        const auto end = entries_.begin() + static_cast<std::ptrdiff_t>(count_);
        const auto at = std::lower_bound(entries_.begin(), end, key,
                                         [](const Entry& entry, const Key& k) { return entry.first < k; });
        if (at != end && at->first == key) return at->second;
        if (at == end) return Append(key);
        // Out of order: the spare entries after the used ones move up by one.
        const auto inserted = entries_.insert(at, Entry{key, {}});
        ++count_;
        return inserted->second;
    }
    void insert_or_assign(const Key& key, Properties properties) { (*this)[key] = std::move(properties); }

    // Empties the map; the entries keep their lists' room for the next request.
    void clear() { count_ = 0; }
    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.begin() + static_cast<std::ptrdiff_t>(count_); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.begin() + static_cast<std::ptrdiff_t>(count_); }

    friend bool operator==(const ObjectPropertyMap& a, const ObjectPropertyMap& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    // The next entry after the last, reusing a spare one (and its list's room) when there is one.
    Properties& Append(const Key& key) {
        if (count_ == entries_.size()) entries_.emplace_back();
        Entry& entry = entries_[count_++];
        entry.first = key;
        entry.second.clear();
        return entry.second;
    }
    std::vector<Entry> entries_;  // [0, count_) in use, sorted by key; the rest spare
    std::size_t count_ = 0;
};

}  // namespace APDUServices
