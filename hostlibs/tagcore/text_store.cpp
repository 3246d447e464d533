#include "tagcore/text_store.hpp"

#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>

#include "tagcore.h"

namespace tagcore {
namespace {

// Layout of the 160-byte text area at offset 16.
enum TextMode : std::uint32_t { kNoText = 0, kInlineText = 0x54584931, kPooledText = 0x54585031 };
constexpr std::size_t kModeOffset = 0;
constexpr std::size_t kLengthOffset = 4;
constexpr std::size_t kPayloadOffset = 8;
static_assert(kPayloadOffset + (kInlineCharacters + 1) * sizeof(char16_t) <= sizeof(HostValue::text));

class TextPool {
public:
    std::uint64_t Intern(std::u16string_view text) {
        std::lock_guard lock(mutex_);
        auto found = byText_.find(std::u16string(text));
        if (found != byText_.end()) {
            Touch(found->second);
            return found->second;
        }
        const std::uint64_t key = ++lastKey_;
        lru_.push_front(key);
        auto inserted = byText_.emplace(std::u16string(text), key).first;
        byKey_.emplace(key, Entry{&inserted->first, lru_.begin()});
        characters_ += text.size();
        EvictBeyondBudget(key);
        return key;
    }

    bool Lookup(std::uint64_t key, std::u16string& out) {
        std::lock_guard lock(mutex_);
        auto found = byKey_.find(key);
        if (found == byKey_.end()) return false;
        out = *found->second.text;
        Touch(key);
        return true;
    }

    std::size_t Characters() {
        std::lock_guard lock(mutex_);
        return characters_;
    }

private:
    struct Entry {
        const std::u16string* text;
        std::list<std::uint64_t>::iterator age;
    };

    void Touch(std::uint64_t key) {
        auto& entry = byKey_.at(key);
        lru_.splice(lru_.begin(), lru_, entry.age);
    }

    void EvictBeyondBudget(std::uint64_t keep) {
        while (characters_ > kPoolCharacterBudget && lru_.back() != keep) {
            const std::uint64_t oldest = lru_.back();
            lru_.pop_back();
            auto entry = byKey_.find(oldest);
            characters_ -= entry->second.text->size();
            byText_.erase(*entry->second.text);
            byKey_.erase(entry);
        }
    }

    std::mutex mutex_;
    std::unordered_map<std::u16string, std::uint64_t> byText_;
    std::unordered_map<std::uint64_t, Entry> byKey_;
    std::list<std::uint64_t> lru_;  // most recently used first
    std::uint64_t lastKey_ = 0;
    std::size_t characters_ = 0;
};

TextPool& Pool() {
    static TextPool pool;
    return pool;
}

void WriteU32(HostValue& value, std::size_t offset, std::uint32_t v) { std::memcpy(value.text + offset, &v, 4); }
std::uint32_t ReadU32(const HostValue& value, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, value.text + offset, 4);
    return v;
}

}  // namespace

void PutText(HostValue& value, std::u16string_view text, std::uint32_t kind) {
    std::memset(value.text, 0, sizeof value.text);
    value.kind = kind;
    WriteU32(value, kLengthOffset, static_cast<std::uint32_t>(text.size()));
    if (text.size() <= kInlineCharacters) {
        WriteU32(value, kModeOffset, kInlineText);
        std::memcpy(value.text + kPayloadOffset, text.data(), text.size() * sizeof(char16_t));
        return;
    }
    WriteU32(value, kModeOffset, kPooledText);
    const std::uint64_t key = Pool().Intern(text);
    std::memcpy(value.text + kPayloadOffset, &key, sizeof key);
}

bool GetText(const HostValue& value, std::u16string& out) {
    out.clear();
    const std::uint32_t mode = ReadU32(value, kModeOffset);
    const std::uint32_t length = ReadU32(value, kLengthOffset);
    if (mode == kInlineText && length <= kInlineCharacters) {
        out.resize(length);
        std::memcpy(out.data(), value.text + kPayloadOffset, length * sizeof(char16_t));
        return true;
    }
    if (mode == kPooledText) {
        std::uint64_t key;
        std::memcpy(&key, value.text + kPayloadOffset, sizeof key);
        return Pool().Lookup(key, out);
    }
    return false;
}

std::size_t PooledCharacters() { return Pool().Characters(); }

}  // namespace tagcore
