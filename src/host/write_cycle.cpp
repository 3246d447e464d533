#include "host/write_cycle.hpp"

#include <string>

#include "host/device_table.hpp"
#include "host/driver_state.hpp"
#include "host/lifecycle.hpp"
#include "host/parsed_address.hpp"
#include "host/read_cycle.hpp"
#include "host/station.hpp"
#include "platform/clock.hpp"
#include "platform/trace.hpp"
#include "platform/utf.hpp"
#include "services/apdu_headers.hpp"
#include "services/transactions.hpp"
#include "services/write_property.hpp"
#include "tables/vocabulary.hpp"

namespace host {
namespace {

void SetStatus(std::int32_t* status, std::int32_t value) {
    if (status != nullptr) *status = value;
}

std::uint32_t g_writeRequest = 0;  // the serial number of the write's request

void FinishWrite(std::int32_t result) {
    Driver().writeDone = true;
    Driver().writeResult = result;
}

// The write ends: later answers to its request are dropped.
std::int32_t EndWrite() {
    APDUServices::EndRequest(g_writeRequest);
    return 1;
}

}  // namespace

std::int32_t WriteItemStart(const char16_t* header, const char16_t* firstAddressArgument, const char16_t* address,
                            const HostValue* value, std::int32_t* status) {
    OnIdle();
    DiscoveryPass();
    if (value == nullptr || value->kind == 0) return kStatusWriteKindNone;
    const char16_t* addresses[1] = {address};
    std::int32_t result = ParseTagAddresses(header, firstAddressArgument, addresses, 1);
    SetStatus(status, result);
    if (result != 0) return 0;

    LinkServices::LinkAddress linkAddress;
    network::NpduInfo npdu;
    const std::u16string_view station = platform::HostText(header);
    result = ResolveStation(station, linkAddress, npdu);
    SetStatus(status, result);
    if (result != 0) {
        if (result == kStatusDeviceNotBound) {
            DiscoverStation(station);
            platform::TraceWarning(std::u16string(station) + u"->BACNET_ERROR_DEVICE_UNAVAILABLE");
        }
        return 0;
    }

    const ResolvedItem item = ResolveParsedItem(0);
    const std::int32_t priority = item.priority == -1 ? kDefaultWritePriority : item.priority;
    APDUServices::WriteProperty request(APDUServices::AllocateInvokeId());
    Driver().writeDone = false;
    g_writeRequest = APDUServices::BeginRequest(APDUServices::kServiceWriteProperty, linkAddress, npdu);
    result = request.SendWritePropertyRequest(linkAddress, npdu, item.objectType, item.instance, item.property,
                                              *value, static_cast<std::uint8_t>(priority), Driver().nullValueText);
    SetStatus(status, result);
    if (result != 0) {
        APDUServices::EndRequest(g_writeRequest);
        return 0;
    }
    Driver().transactionStartTick = platform::TickCount();
    return 1;
}

std::int32_t WriteItemFinish(std::int32_t* status) {
    OnIdle();
    if (!Driver().writeDone && platform::TickCount() - Driver().transactionStartTick <= Driver().timeout) {
        WaitForReceivedData();
        OnIdle();
    }
    if (Driver().writeDone) {
        SetStatus(status, Driver().writeResult);
        return EndWrite();
    }
    if (platform::TickCount() - Driver().transactionStartTick > Driver().timeout) {
        SetStatus(status, kStatusNoAnswer);
        return EndWrite();
    }
    return 0;
}

void OnWriteAck(std::uint8_t invokeId) {
    if (invokeId != APDUServices::Transactions().pendingInvokeId) return;
    FinishWrite(0);
}

void OnWriteRefused(std::uint8_t invokeId) {
    if (invokeId != APDUServices::Transactions().pendingInvokeId) return;
    FinishWrite(kStatusOtherWriteError);
}

void OnWriteError(std::uint8_t invokeId, std::uint32_t errorClass, std::uint32_t errorCode) {
    if (invokeId != APDUServices::Transactions().pendingInvokeId) return;
    switch (errorCode) {
        case 31:
            return FinishWrite(kStatusUnknownObject);
        case 32:
            return FinishWrite(kStatusUnknownProperty);
        case 40:
            return FinishWrite(kStatusWriteAccessDenied);
        default: {
            using tables::NameOf;
            std::u16string line =
                u"Write error: class <" + NameOf(tables::NameTable::kErrorClass, static_cast<std::int32_t>(errorClass)) +
                u">, code <" + NameOf(tables::NameTable::kErrorCode, static_cast<std::int32_t>(errorCode)) + u">";
            if (line.size() > 149) line.resize(149);
            platform::TraceText(line);
            return FinishWrite(kStatusOtherWriteError);
        }
    }
}

}  // namespace host
