// Reading the host's settings record at open.
#include "encoding/text_forms.hpp"
#include "host/driver_state.hpp"
#include "host/lifecycle.hpp"
#include "links/shared_receiver.hpp"
#include "platform/trace.hpp"
#include "platform/utf.hpp"
#include "services/transactions.hpp"

namespace host {
namespace {

template <std::size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
    return std::u16string_view(field, platform::BoundedLength(field, N));
}

}  // namespace

NullValueSpec ParseNullValueSpec(std::u16string_view setting) {
    NullValueSpec result;
    const std::size_t colon = setting.find(u':');
    if (colon == std::u16string_view::npos) {
        result.text.assign(setting);
        return result;
    }
    result.text.assign(setting.substr(0, colon));
    if (setting.size() - 1 > colon) result.repeatLimit = encoding::ReadLeadingInteger(setting.substr(colon + 1));
    return result;
}

std::int32_t ApplySettings(void* hostHandle, const vorne::DriverSettings& settings, const void* settingsRecord) {
    auto& state = Driver();
    const NullValueSpec nullValue = ParseNullValueSpec(FieldText(settings.nullValueSpec));
    state.nullValueText = nullValue.text;
    state.repeatLimit = nullValue.repeatLimit;

    if (settings.useMstp != 0) {
        const auto station = encoding::ReadWholeNumber(FieldText(settings.mstpStation));
        if (!station || *station >= 255) return kOpenErrorBadMstpStation;
        state.mstpStation = static_cast<std::uint8_t>(*station);
        const std::int32_t result = state.mstp.Open(hostHandle, settingsRecord, state.mstpStation);
        APDUServices::SetInvokeIdRange(0, 0);  // outside the shared receiver: every request carries ID 0
        LinkServices::ActiveLink() = &state.mstp;
        return result;
    }

    state.udpPort = settings.udpPort;
    if (state.udpPort == 0) return kOpenErrorUdpPortZero;
    state.bvll.SetConfiguredPort(state.udpPort);
    state.receiveBvll.SetConfiguredPort(state.udpPort);
    std::int32_t result = 0;
    if (LinkServices::StartSharedReceiver(state.udpPort)) {
        const auto range = LinkServices::OwnInvokeIdRange();
        APDUServices::SetInvokeIdRange(range.lowest, range.highest);
    } else {
        platform::TraceWarning(u"Unable to start the master thread");
        result = kOpenErrorReceiverNotStarted;
    }
    LinkServices::ActiveLink() = &state.bvll;
    return result;
}

}  // namespace host
