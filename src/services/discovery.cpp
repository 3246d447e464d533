#include "services/discovery.hpp"

#include <string>

#include "encoding/tags.hpp"
#include "netwise.h"
#include "network/npdu.hpp"
#include "services/apdu_headers.hpp"
#include "services/transactions.hpp"

namespace APDUServices {
namespace {

// The max-APDU-length-accepted behind the I-Am's object identifier, an
// application-tagged Unsigned of one to four octets; 0 when it is missing or
// not plausible (below the 50 octets every device takes).
std::uint32_t AnnouncedMaxApdu(const std::uint8_t* data, std::size_t length) {
    if (length < 2 || (data[0] >> 4) != 2 || (data[0] & 0x08) != 0) return 0;
    const std::size_t octets = data[0] & 0x07;
    if (octets < 1 || octets > 4 || 1 + octets > length) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 1; i <= octets; ++i) value = (value << 8) | data[i];
    return value >= 50 ? value : 0;
}

}  // namespace

std::int32_t WhoIs::SendWhoIs(LinkServices::LinkAddress address, network::NpduInfo& npdu, std::uint32_t low,
                              std::uint32_t high) {
    if (low > high) return 1;
    npdu.SetBroadcastDestination(0xFFFF);
    address.SetIp(LinkServices::kLocalBroadcastText.data(), address.port);
    encoding::ByteVector apdu;
    EncodeUnconfirmedRequestHeader(apdu, kServiceWhoIs);
    if (!(low == 0 && high == 0xFFFFFFFFu)) {
        encoding::EncodeUnsignedWithTag(apdu, low, encoding::MakeContextTag(0, encoding::UnsignedOctetCount(low)));
        encoding::EncodeUnsignedWithTag(apdu, high, encoding::MakeContextTag(1, encoding::UnsignedOctetCount(high)));
    }
    const std::string line = "Sending WhoIS ,Net=" + std::to_string(npdu.destinationNetwork) +
                             ",DevID=0,Low=" + std::to_string(static_cast<std::int32_t>(low)) +
                             ",High=" + std::to_string(static_cast<std::int32_t>(high));
    TraceLine(std::u16string(line.begin(), line.end()).c_str());
    return network::EncodeNpdu(address, npdu, apdu.data(), apdu.size());
}

std::int32_t IAm::Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                          const std::uint8_t* data, std::size_t length) {
    if (length < 5) return 2;
    if ((data[0] >> 4) != 12 || (data[0] & 0x07) != 4) return 2;
    const std::int32_t instance = ((data[2] & 0x3F) << 16) | (data[3] << 8) | data[4];
    const network::NpduInfo reply = network::NpduInfo::MakeReply(npdu);
    if (auto hook = Transactions().hooks.onDeviceBinding) hook(instance, source, reply, AnnouncedMaxApdu(data + 5, length - 5));
    return 0;
}

}  // namespace APDUServices
