#include "encoding/local_values.hpp"

#include <initializer_list>
#include <string>
#include <utility>

#include "encoding/number_text.hpp"
#include "platform/local_time.hpp"

namespace encoding {
namespace {

constexpr std::int32_t kObjectTypeDevice = 8;
constexpr std::int32_t kPropertyAll = 8;
constexpr std::int32_t kPropertyLocalDate = 56;
constexpr std::int32_t kPropertyLocalTime = 57;

tables::HostItemReader& LocalItemReader() {
    static tables::HostItemReader reader;
    return reader;
}

// Numbers joined by separators, each as "%d".
std::u16string Joined(std::initializer_list<std::pair<int, char16_t>> parts) {
    std::u16string text;
    for (const auto& [number, separator] : parts) {
        AppendDecimal(text, number);
        if (separator != 0) text += separator;
    }
    return text;
}

}  // namespace

void SetLocalItemReader(tables::HostItemReader reader) { LocalItemReader() = std::move(reader); }

bool GetLocalPropertyValue(std::int32_t objectType, std::int32_t instance, std::int32_t property,
                           HostValue& value, std::int32_t& errorCode) {
    if (objectType == kObjectTypeDevice && property == kPropertyLocalTime) {
        // Milliseconds, not hundredths, stand behind the point.
        const platform::LocalDateTime now = platform::LocalNow();
        const std::u16string text =
            Joined({{now.hour, u':'}, {now.minute, u':'}, {now.second, u'.'}, {now.milliseconds, 0}});
        ::AssignText(&value, text.c_str());
        return true;
    }
    if (objectType == kObjectTypeDevice && property == kPropertyLocalDate) {
        const platform::LocalDateTime now = platform::LocalNow();
        const std::u16string text = Joined({{now.day, u'-'}, {now.month, u'-'}, {now.year, 0}});
        ::AssignText(&value, text.c_str());
        return true;
    }
    if (property == kPropertyAll) return true;

    const std::int32_t code = tables::LookupLocalProperty(objectType, instance, property, value, LocalItemReader());
    if (code != 0) {
        errorCode = code;
        return false;
    }
    return true;
}

}  // namespace encoding
