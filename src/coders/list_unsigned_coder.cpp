#include "coders/list_unsigned_coder.hpp"

#include "coders/integer_list_text.hpp"
#include "encoding/tags.hpp"

namespace coders {

void ListUnsignedCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                               std::uint32_t& consumed) {
    integer_list_text::DecodeIntegerList(data, length, value, consumed);
}

std::uint32_t ListUnsignedCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    integer_list_text::EncodeIntegerList(out, value, encoding::kTagUnsigned);
    return encoding::kStatusOk;
}

}  // namespace coders
