// Walking the tags of a request body. Every read checks the octets left, so
// a truncated or garbled request fails instead of reading past its end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

struct Tag {
    std::uint32_t number = 0;
    bool context = false;
    bool opening = false;
    bool closing = false;
    std::uint8_t lvt = 0;
    std::uint32_t length = 0;  // content octets; 0 for booleans, opening and closing tags
    std::size_t headerSize = 0;
};

// The tag at data; false unless its header and content are all available.
bool ReadTag(const std::uint8_t* data, std::size_t available, Tag& tag);

class TagReader {
public:
    TagReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return position_ >= size_; }
    std::size_t Position() const { return position_; }
    const std::uint8_t* Here() const { return data_ + position_; }

    // Peeks: the next tag is of this form.
    bool NextIsContext(std::uint32_t number) const;
    bool NextIsOpening(std::uint32_t number) const;
    bool NextIsClosing(std::uint32_t number) const;

    // Reads: false (and nothing consumed) when the next tag is not of this form.
    bool ReadContextUnsigned(std::uint32_t number, std::uint32_t& value);
    bool ReadContextObjectId(std::uint32_t number, std::uint32_t& type, std::uint32_t& instance);
    bool ReadOpening(std::uint32_t number);
    bool ReadClosing(std::uint32_t number);
    // The octets between an opening tag and its matching closing tag, both consumed.
    bool ReadEnclosed(std::uint32_t number, const std::uint8_t*& content, std::size_t& length);

private:
    bool Peek(Tag& tag) const { return ReadTag(data_ + position_, size_ - position_, tag); }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace sim
