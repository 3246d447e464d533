// Building answers without push_back's checks on every octet: the writer
// makes room for a few octets at a time at the end of its buffer, and the
// Put functions store into that room through a plain pointer. An answer to
// a ReadPropertyMultiple is written a dozen octets per property this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "encoding/byte_vector.hpp"
#include "encoding/tags.hpp"

namespace sim {

class OctetWriter {
public:
    OctetWriter() = default;
    // Continues after the octets already in start.
    explicit OctetWriter(encoding::ByteVector start) : buffer_(std::move(start)) { Point(buffer_.size()); }
    // The pointers would point into the other writer's buffer.
    OctetWriter(const OctetWriter&) = delete;
    OctetWriter& operator=(const OctetWriter&) = delete;

    std::size_t Size() const { return static_cast<std::size_t>(at_ - buffer_.data()); }
    // Forgets the octets written after the first size.
    void Truncate(std::size_t size) {
        if (size < Size()) at_ = buffer_.data() + size;
    }
    // Room for this many octets in all, made at once rather than step by step.
    void Reserve(std::size_t total) {
        if (buffer_.size() < total) Resize(total);
    }

    // Room for count more octets: store them from the pointer returned (valid
    // until the next Room), then Commit the pointer past the last one stored.
    std::uint8_t* Room(std::size_t count) {
        if (static_cast<std::size_t>(end_ - at_) < count) Grow(count);
        return at_;
    }
    void Commit(std::uint8_t* end) { at_ = end; }

    void Put(std::uint8_t octet) {
        std::uint8_t* at = Room(1);
        *at = octet;
        Commit(at + 1);
    }
    void Put(const std::uint8_t* octets, std::size_t count) {
        std::uint8_t* at = Room(count);
        if (count != 0) std::memcpy(at, octets, count);
        Commit(at + count);
    }

    // The octets written; the writer is empty afterwards.
    encoding::ByteVector Take() {
        buffer_.resize(Size());
        encoding::ByteVector octets = std::move(buffer_);
        buffer_.clear();
        Point(0);
        return octets;
    }

private:
    // Out of line: the inline Room stays small.
    void Grow(std::size_t count);
    void Resize(std::size_t size);
    void Point(std::size_t used) {
        at_ = buffer_.data() + used;
        end_ = buffer_.data() + buffer_.size();
    }

    encoding::ByteVector buffer_;  // the octets written, then room
    std::uint8_t* at_ = nullptr;   // the next octet goes here
    std::uint8_t* end_ = nullptr;  // the end of the room
};

// One-octet tags: the tag numbers here are below 15.
constexpr std::uint8_t ContextTag(std::uint32_t number, std::uint8_t lvt) {
    return static_cast<std::uint8_t>(number << 4 | 0x08 | lvt);
}
constexpr std::uint8_t ApplicationTag(std::uint32_t number, std::uint8_t lvt) {
    return static_cast<std::uint8_t>(number << 4 | lvt);
}

// The Put functions store at `at`, where the caller has made room, and return
// the position after what they stored.

// The low count (1..4) octets of value, most significant first.
inline std::uint8_t* PutBigEndian(std::uint8_t* at, std::uint32_t value, int count) {
    switch (count) {
        case 4: *at++ = static_cast<std::uint8_t>(value >> 24); [[fallthrough]];
        case 3: *at++ = static_cast<std::uint8_t>(value >> 16); [[fallthrough]];
        case 2: *at++ = static_cast<std::uint8_t>(value >> 8); [[fallthrough]];
        case 1: *at++ = static_cast<std::uint8_t>(value); break;
        default: break;
    }
    return at;
}

// tag (number and class, without the length) and value in the fewest octets: up to 5 octets.
inline std::uint8_t* PutUnsigned(std::uint8_t* at, std::uint8_t tag, std::uint32_t value) {
    const int count = encoding::UnsignedOctetCount(value);
    *at++ = static_cast<std::uint8_t>(tag | count);
    return PutBigEndian(at, value, count);
}

// 5 octets.
inline std::uint8_t* PutObjectIdentifier(std::uint8_t* at, std::uint8_t tag, std::uint32_t type,
                                         std::uint32_t instance) {
    *at++ = tag;
    return PutBigEndian(at, (type & 0x3FFu) << 22 | (instance & 0x3FFFFFu), 4);
}

}  // namespace sim
