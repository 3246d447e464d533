#include "host/lifecycle.hpp"

#include <algorithm>
#include <cstring>

#include "encoding/local_values.hpp"
#include "host/device_table.hpp"
#include "host/driver_state.hpp"
#include "host/parsed_address.hpp"
#include "host/result_hooks.hpp"
#include "links/shared_receiver.hpp"
#include "netwise.h"
#include "platform/trace.hpp"
#include "tables/vocabulary.hpp"
#include "tagcore.h"
#include "vorne/vorne.h"

namespace host {

std::int32_t OpenDriver(void* hostHandle, const void* settingsRecord, char16_t* versionOut, std::int32_t* errorOut) {
    // Lines of this instance go to the host's communication log.
    platform::SetTraceSink([](const char16_t* line) { TraceLine(line); });
    std::int32_t error = 0;
    if (versionOut != nullptr) std::copy(std::begin(kVersionText), std::end(kVersionText), versionOut);

    auto& state = Driver();
    error = ::RegisterDriver(kDriverName, &state.parsedAddress);
    if (error == 0) {
        tables::BuildTypeTables();
        const vorne::DriverSettings settings = vorne::CopySettings(settingsRecord);
        error = ApplySettings(hostHandle, settings, settingsRecord);
        if (error == 0) {
            state.timeout = settings.timeout;
            const std::int32_t maxApdu = LinkServices::ActiveLink() != nullptr ? LinkServices::ActiveLink()->GetMaxFrameSize() : 512;
            tables::BuildNameTables();
            tables::BuildDevicePropertyTable(settings.timeout, settings.retries, maxApdu);
            FillResultHooks();
        }
    }
    if (errorOut != nullptr) *errorOut = error;
    return error == 0 ? 1 : 0;
}

void CloseLink() {
    if (LinkServices::ActiveLink() != nullptr) LinkServices::ActiveLink()->Close();
    ClearDeviceTable();
}

std::int32_t CloseDriver(void* hostHandle) {
    CloseLink();
    return ::CloseDriver(hostHandle);
}

void OnIdle() {
    if (!BacnetIpActive()) return;
    LinkServices::ConsumeSharedRing(Driver().receiveBvll);
}

void WaitForReceivedData() {
    constexpr std::uint32_t kFinishWaitUs = 1000;
    if (!BacnetIpActive()) return;
    LinkServices::WaitForSharedRing(kFinishWaitUs);
}

void* SetDriverTaskInterface(void* taskInterface) {
    Driver().taskInterface = taskInterface;
    // Local objects served by the host read their values through its first operation.
    auto* host = static_cast<VorneTaskInterface*>(taskInterface);
    if (host == nullptr || host->operations == nullptr || host->operations->fetchValue == nullptr) {
        encoding::SetLocalItemReader({});
    } else {
        encoding::SetLocalItemReader([host](std::int32_t index, tables::HostItemHandle item, HostValue& value) {
            host->operations->fetchValue(host, index, item, &value);
        });
    }
    return taskInterface;
}

std::int32_t GetType(const char16_t* firstAddressArgument, const char16_t* address) {
    const char16_t* addresses[1] = {address};
    if (ParseTagAddresses(nullptr, firstAddressArgument, addresses, 1) != 0) return 1;
    const ResolvedItem item = ResolveParsedItem(0);
    const std::int32_t datatype = tables::GetDatatype(item.objectType, item.property);
    if (datatype == 0) return 1;
    return tables::HostTypeOf(datatype);
}

}  // namespace host
