#include "tools/vorne/value_text.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "encoding/host_value.hpp"
#include "encoding/text_forms.hpp"
#include "platform/local_time.hpp"
#include "platform/utf.hpp"
#include "tools/vorne/driver_host.hpp"
#include "tools/vorne/number_text.hpp"

namespace vorne_tool {

TagValue DescribeValue(const HostValue& record) {
    TagValue value;
    value.kind = static_cast<std::int32_t>(record.kind);
    value.quality = record.quality;
    value.timeStamp = encoding::GetTimeStamp(record);
    if (encoding::IsTextKind(record.kind)) {
        std::u16string text(65536, u'\0');
        FetchText(&record, text.data(), static_cast<std::int32_t>(text.size()));
        text.resize(std::char_traits<char16_t>::length(text.c_str()));
        value.text = platform::Utf16ToUtf8(text);
    } else if (record.kind == encoding::kKindDouble) {
        value.text = NumberText(encoding::GetDouble(record));
    } else {
        value.text = std::to_string(encoding::GetInteger(record));
    }
    return value;
}

bool EncodeHostValue(const std::u16string& text, std::int32_t tagType, const std::u16string& nullValue,
                     HostValue& record) {
    record = HostValue{};
    if (tagType == 3 || (!nullValue.empty() && text == nullValue)) {
        StoreText(&record, text.c_str());
        return true;
    }
    const auto number = encoding::ReadWholeDouble(text);
    if (!number) return false;
    if (tagType == 2) {
        encoding::SetDouble(record, *number);
    } else {
        if (*number < -2147483648.0 || *number > 4294967295.0) return false;
        encoding::SetInteger(record, static_cast<std::int32_t>(static_cast<std::int64_t>(std::trunc(*number))));
    }
    return true;
}

std::string StatusText(std::int32_t status) {
    static const std::map<std::int32_t, const char*> kMeanings = {
        {0, "success"},
        {-15, "no answer within the time-out"},
        {-38, "malformed station"},
        {-1, "no socket to send through"},
        {1, "no datatype known for the property"},
        {2, "malformed ReadPropertyMultiple answer"},
        {3, "address of the wrong kind for the link"},
        {4, "shared receiver did not start"},
        {9, "object not found in a ReadPropertyMultiple answer"},
        {11, "bad MS/TP station"},
        {12, "UDP port 0"},
        {13, "device not bound yet (Who-Is sent)"},
        {14, "unknown object"},
        {15, "unknown property"},
        {16, "write access denied"},
        {17, "write refused"},
        {18, "value does not fit the property's datatype"},
        {19, "read error"},
        {20, "value of kind 0"},
        {101, "driver name not VORNE"},
        {102, "driver not open"},
        {103, "bad station text"},
        {104, "address not TYPE:INSTANCE:PROPERTY[:PRIORITY]"},
        {105, "unknown object type"},
        {106, "instance not 0..4194303"},
        {107, "unknown property"},
        {108, "priority not 1..16"},
        {109, "addresses of one group name different object types"},
        {110, "bad item count"},
        {111, "bad instance offset"},
    };
    const auto found = kMeanings.find(status);
    return std::to_string(status) + " (" + (found != kMeanings.end() ? found->second : "host library or system code") +
           ")";
}

std::string TimeStampText(std::uint64_t fileTime) {
    if (fileTime == 0) return "-";
    const auto t = platform::DateTimeFromFileTime(fileTime);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.milliseconds);
    return buffer;
}

}  // namespace vorne_tool
