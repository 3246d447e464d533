#include "coders/enumerated_list_coder.hpp"

#include "coders/integer_list_text.hpp"
#include "encoding/tags.hpp"

namespace coders {

void EnumeratedListCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                                 std::uint32_t& consumed) {
    integer_list_text::DecodeIntegerList(data, length, value, consumed);
}

std::uint32_t EnumeratedListCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    integer_list_text::EncodeIntegerList(out, value, encoding::kTagEnumerated);
    return encoding::kStatusOk;
}

}  // namespace coders
