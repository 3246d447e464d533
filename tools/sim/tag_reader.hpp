// Walking the tags of a request body. Every read checks the octets left, so
// a truncated or garbled request fails instead of reading past its end.
// A ReadPropertyMultiple takes a few reads per property, so the usual tags,
// whose first octet gives them whole, are read inline; the other forms
// (tag numbers above 14, extended lengths) go through ReadTag.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoding/tags.hpp"

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
    bool ReadContextUnsigned(std::uint32_t number, std::uint32_t& value) {
        if (AtEnd()) return false;
        const std::uint8_t octet = *Here();
        const int length = octet & 0x07;
        if (IsContextTag(octet & 0xF8, number, 0) && length >= 1 && length <= 4) {
            if (!Holds(1 + length)) return false;
            value = encoding::DecodeUnsigned(Here() + 1, length);
            position_ += 1 + static_cast<std::size_t>(length);
            return true;
        }
        return !IsShortTag(octet) && ReadLongContextUnsigned(number, value);
    }
    bool ReadContextObjectId(std::uint32_t number, std::uint32_t& type, std::uint32_t& instance) {
        if (AtEnd()) return false;
        const std::uint8_t octet = *Here();
        if (IsContextTag(octet, number, 4)) {
            if (!Holds(5)) return false;
            const encoding::ObjectIdentifier id = encoding::DecodeObjectIdentifier(Here() + 1);
            type = id.type;
            instance = id.instance;
            position_ += 5;
            return true;
        }
        return !IsShortTag(octet) && ReadLongContextObjectId(number, type, instance);
    }
    bool ReadOpening(std::uint32_t number) { return ReadBracket(number, encoding::kLvtOpening); }
    bool ReadClosing(std::uint32_t number) { return ReadBracket(number, encoding::kLvtClosing); }
    // The octets between an opening tag and its matching closing tag, both consumed.
    bool ReadEnclosed(std::uint32_t number, const std::uint8_t*& content, std::size_t& length);

private:
    // octet is the one-octet context tag of this number and lvt.
    static bool IsContextTag(std::uint8_t octet, std::uint32_t number, std::uint8_t lvt) {
        return number < 15 && octet == (number << 4 | 0x08 | lvt);
    }
    // The octet gives the whole tag header: a tag number below 15, no extended length.
    static bool IsShortTag(std::uint8_t octet) {
        return octet >> 4 != 15 && (octet & 0x07) != encoding::kLvtExtendedLength;
    }
    bool Holds(int octets) const { return static_cast<std::size_t>(octets) <= size_ - position_; }
    bool ReadBracket(std::uint32_t number, std::uint8_t lvt) {
        if (AtEnd()) return false;
        const std::uint8_t octet = *Here();
        if (IsContextTag(octet, number, lvt)) {
            position_ += 1;
            return true;
        }
        return !IsShortTag(octet) && ReadLongBracket(number, lvt);
    }
    // The same reads for the longer tag forms.
    bool ReadLongContextUnsigned(std::uint32_t number, std::uint32_t& value);
    bool ReadLongContextObjectId(std::uint32_t number, std::uint32_t& type, std::uint32_t& instance);
    bool ReadLongBracket(std::uint32_t number, std::uint8_t lvt);

    bool Peek(Tag& tag) const { return ReadTag(data_ + position_, size_ - position_, tag); }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace sim
