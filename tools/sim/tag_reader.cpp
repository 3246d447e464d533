#include "sim/tag_reader.hpp"

#include "encoding/tags.hpp"

namespace sim {
namespace {

constexpr std::uint8_t kExtendedTagNumber = 15;

}  // namespace

bool ReadTag(const std::uint8_t* data, std::size_t available, Tag& tag) {
    if (available == 0) return false;
    Tag t;
    const std::uint8_t first = data[0];
    t.context = (first & 0x08) != 0;
    t.lvt = first & 0x07;
    t.number = first >> 4;
    std::size_t position = 1;
    if (t.number == kExtendedTagNumber) {
        if (available < 2 || data[1] == 0xFF) return false;
        t.number = data[1];
        position = 2;
    }
    if (t.context && t.lvt == encoding::kLvtOpening) {
        t.opening = true;
    } else if (t.context && t.lvt == encoding::kLvtClosing) {
        t.closing = true;
    } else if (!t.context && t.number == encoding::kTagBoolean) {
        t.length = 0;  // the value sits in the tag byte
    } else if (t.lvt == encoding::kLvtExtendedLength) {
        if (position >= available) return false;
        const std::uint8_t marker = data[position];
        if (marker < 254) {
            t.length = marker;
            position += 1;
        } else {
            const std::size_t octets = marker == 254 ? 2 : 4;
            if (position + 1 + octets > available) return false;
            t.length = encoding::DecodeUnsigned(data + position + 1, static_cast<int>(octets));
            position += 1 + octets;
        }
    } else {
        t.length = t.lvt;
    }
    t.headerSize = position;
    if (t.length > available - position) return false;
    tag = t;
    return true;
}

bool TagReader::NextIsContext(std::uint32_t number) const {
    Tag tag;
    return Peek(tag) && tag.context && !tag.opening && !tag.closing && tag.number == number;
}

bool TagReader::NextIsOpening(std::uint32_t number) const {
    Tag tag;
    return Peek(tag) && tag.opening && tag.number == number;
}

bool TagReader::NextIsClosing(std::uint32_t number) const {
    Tag tag;
    return Peek(tag) && tag.closing && tag.number == number;
}

bool TagReader::ReadLongContextUnsigned(std::uint32_t number, std::uint32_t& value) {
    Tag tag;
    if (!Peek(tag) || !tag.context || tag.opening || tag.closing || tag.number != number) return false;
    if (tag.length < 1 || tag.length > 4) return false;
    value = encoding::DecodeUnsigned(Here() + tag.headerSize, static_cast<int>(tag.length));
    position_ += tag.headerSize + tag.length;
    return true;
}

bool TagReader::ReadLongContextObjectId(std::uint32_t number, std::uint32_t& type, std::uint32_t& instance) {
    Tag tag;
    if (!Peek(tag) || !tag.context || tag.opening || tag.closing || tag.number != number || tag.length != 4)
        return false;
    const encoding::ObjectIdentifier id = encoding::DecodeObjectIdentifier(Here() + tag.headerSize);
    type = id.type;
    instance = id.instance;
    position_ += tag.headerSize + tag.length;
    return true;
}

bool TagReader::ReadLongBracket(std::uint32_t number, std::uint8_t lvt) {
    Tag tag;
    if (!Peek(tag) || !(lvt == encoding::kLvtOpening ? tag.opening : tag.closing) || tag.number != number)
        return false;
    position_ += tag.headerSize;
    return true;
}

bool TagReader::ReadEnclosed(std::uint32_t number, const std::uint8_t*& content, std::size_t& length) {
    const std::size_t start = position_;
    if (!ReadOpening(number)) return false;
    const std::size_t contentStart = position_;
    int depth = 1;
    while (position_ < size_) {
        Tag tag;
        if (!Peek(tag)) break;
        if (tag.opening) ++depth;
        if (tag.closing && --depth == 0) {
            if (tag.number != number) break;
            content = data_ + contentStart;
            length = position_ - contentStart;
            position_ += tag.headerSize;
            return true;
        }
        position_ += tag.headerSize + tag.length;
    }
    position_ = start;
    return false;
}

}  // namespace sim
