#include "host/station.hpp"

#include "encoding/text_forms.hpp"
#include "host/device_table.hpp"
#include "host/driver_state.hpp"
#include "platform/trace.hpp"
#include "tagcore.h"

namespace host {
namespace {

bool ReadNumberPart(std::u16string_view part, std::int32_t& out) {
    if (part.empty()) return true;  // an empty part leaves -1
    const auto number = encoding::ReadWholeNumber(part);
    if (!number) return false;
    out = *number;
    return true;
}

}  // namespace

bool ParseStation(std::u16string_view station, StationInfo& info) {
    info = StationInfo{};
    if (station.empty()) return false;
    const auto parts = encoding::SplitText(station, u":");
    if (parts.size() > 4) return false;

    std::u16string_view networkPart, devicePart;
    if (parts.size() == 2) {
        info.form = 2;
        networkPart = parts[0];
        devicePart = parts[1];
    } else {
        info.linkAddressText.assign(parts[0]);
        if (parts.size() >= 3) {
            networkPart = parts[1];
            devicePart = parts[2];
        }
    }

    LinkServices::ILink* link = LinkServices::ActiveLink();
    if (parts.size() != 2 && link != nullptr && !link->IsValidAddress(info.linkAddressText.c_str())) return false;
    if (parts.size() == 4) info.remoteMac.assign(parts[3]);

    if (!ReadNumberPart(networkPart, info.network) || !ReadNumberPart(devicePart, info.deviceInstance)) return false;

    if (!info.linkAddressText.empty() && link != nullptr) link->ParseAddress(info.linkAddress, info.linkAddressText.c_str());
    return true;
}

std::int32_t ResolveStation(std::u16string_view station, LinkServices::LinkAddress& address,
                            network::NpduInfo& npdu, std::uint32_t* deviceMaxApdu) {
    npdu.routedStation = 0;
    if (deviceMaxApdu != nullptr) *deviceMaxApdu = 0;
    StationInfo info;
    if (!ParseStation(station, info)) return kStatusMalformedStation;
    address = info.linkAddress;
    if (info.network == -1 || info.deviceInstance == -1) return 0;

    if (!LookupDevice(info.deviceInstance, static_cast<std::uint16_t>(info.network), address, npdu, deviceMaxApdu))
        return kStatusDeviceNotBound;
    npdu.segmentedResponseAccepted = (info.form == 1 || info.form == 2) ? 1 : 0;
    if (!info.remoteMac.empty()) {
        if (!ParseRemoteMac(info.remoteMac, npdu)) return kStatusMalformedStation;
        // The binding may be the device's own I-Am from this network, which names no network.
        npdu.SetRoutedStation(static_cast<std::uint16_t>(info.network));
    }
    return 0;
}

bool ParseRemoteMac(std::u16string_view mac, network::NpduInfo& npdu) {
    const std::size_t n = mac.size();
    if (n == 0) return false;
    if (n > 12) {
        platform::TraceText(
            u"Invalid Station format, the lenght of the MAC ADDR (Hexa value) must be no longer than 6 bytes");
        return false;
    }
    if (n % 2 != 0) {
        platform::TraceText(
            u"Invalid Station format, the lenght of the MAC ADDR (Hexa value) must be even (check the "
            u"documentation)");
        return false;
    }
    npdu.destinationMacLength = static_cast<std::uint32_t>(n / 2);
    for (std::size_t i = 0; i < n / 2; ++i) {
        const char16_t pair[3] = {mac[2 * i], mac[2 * i + 1], u'\0'};
        npdu.destinationMac[i] = static_cast<std::uint8_t>(HexByte(pair));
    }
    return true;
}

}  // namespace host
