#include "services/answer_value.hpp"

#include "coders/property_coder.hpp"
#include "encoding/value_conversions.hpp"
#include "platform/trace.hpp"

namespace APDUServices {

encoding::ValueDecode DecodeAnswerValue(std::int32_t objectType, std::int32_t property, const std::uint8_t* data,
                                        std::size_t length, std::int32_t closingTag, HostValue& value,
                                        std::size_t& consumed) {
    consumed = 0;
    if (coders::IPropertyCoder* coder = coders::GetPropertyCoder(property, objectType)) {
        std::uint32_t used = 0;
        coder->Decode(data, static_cast<std::uint32_t>(length), value, closingTag, used);
        consumed = used;
        return encoding::ValueDecode::kValue;
    }
    return encoding::DecodePrimitiveValue(data, length, value, consumed);
}

void TraceBeyondExactRange(const HostValue& value) {
    platform::TraceWarning(u"Number beyond exact range not delivered: " + encoding::ValueToText(value));
}

}  // namespace APDUServices
