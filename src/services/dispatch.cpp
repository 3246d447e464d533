#include "services/dispatch.hpp"

#include <memory>
#include <string>

#include "encoding/application_values.hpp"
#include "encoding/value_conversions.hpp"
#include "platform/trace.hpp"
#include "services/apdu_headers.hpp"
#include "services/discovery.hpp"
#include "services/error_service.hpp"
#include "services/not_yet_served.hpp"
#include "services/read_property.hpp"
#include "services/read_property_multiple.hpp"
#include "services/refusals.hpp"
#include "services/segmentation.hpp"
#include "services/transactions.hpp"
#include "services/write_property.hpp"

namespace services {
namespace {

using namespace APDUServices;

constexpr int kErrorMalformed = 2;
constexpr int kErrorSegmentAckOrSegmentedRequest = 7;
constexpr int kErrorUnknownApduType = 8;

using Factory = std::unique_ptr<IService> (*)(std::uint8_t invokeId);

template <typename Service>
std::unique_ptr<IService> Make(std::uint8_t invokeId) {
    return std::make_unique<Service>(invokeId);
}

template <std::uint8_t Service>
std::unique_ptr<IService> NotYet(std::uint8_t) {
    return std::make_unique<NotYetServed>(Service);
}

struct ServiceEntry {
    std::uint8_t pduType;
    std::uint8_t service;
    Factory factory;
};

// Which service object handles which (PDU type, service choice).
constexpr ServiceEntry kServices[] = {
    {APDU_TYPE_CONFIRMED_REQ, kServiceReadProperty, &Make<ReadProperty>},
    {APDU_TYPE_CONFIRMED_REQ, kServiceReadPropertyMultiple, &Make<ReadPropertyMultiple>},
    {APDU_TYPE_CONFIRMED_REQ, kServiceWriteProperty, &Make<WriteProperty>},
    {APDU_TYPE_CONFIRMED_REQ, kServiceDeviceCommunicationControl, &Make<DeviceCommunicationControl>},
    {APDU_TYPE_CONFIRMED_REQ, kServiceReinitializeDevice, &Make<ReinitializeDevice>},
    {APDU_TYPE_UNCONFIRMED_REQ, kServiceIAm, &Make<IAm>},
    {APDU_TYPE_UNCONFIRMED_REQ, kServiceIHave, &Make<IHave>},
    {APDU_TYPE_UNCONFIRMED_REQ, kServiceWhoHas, &Make<WhoHas>},
    {APDU_TYPE_UNCONFIRMED_REQ, kServiceWhoIs, &Make<WhoIs>},
    {APDU_TYPE_COMPLEX_ACK, kServiceReadProperty, &Make<ReadPropertyAck>},
    {APDU_TYPE_COMPLEX_ACK, kServiceReadPropertyMultiple, &Make<ReadPropertyMultipleAck>},
};

Factory FindService(std::uint8_t pduType, std::uint8_t service) {
    for (const auto& entry : kServices)
        if (entry.pduType == pduType && entry.service == service) return entry.factory;
    return nullptr;
}

void RunService(Factory factory, std::uint8_t invokeId, const LinkServices::LinkAddress& source,
                const network::NpduInfo& npdu, const std::uint8_t* data, std::size_t length) {
    std::unique_ptr<IService> service = factory(invokeId);
    service->Process(source, npdu, data, length);
}

void WarnNumber(const char16_t* text, int value) {
    std::u16string line(text);
    const std::string digits = std::to_string(value);
    line.append(digits.begin(), digits.end());
    platform::TraceWarning(line);
}

bool Ours(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu, std::uint8_t invokeId,
          std::uint8_t service) {
    return CheckAnswer(source, npdu, invokeId, service) == AnswerCheck::kOurs;
}

void DispatchConfirmedRequest(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                              const std::uint8_t* apdu, std::size_t length) {
    platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_CONFIRMED_REQ");
    if (length < 4) return platform::TraceError(kErrorMalformed);
    if (apdu[0] & 0x08) return platform::TraceError(kErrorSegmentAckOrSegmentedRequest);
    const std::uint8_t invokeId = apdu[2];
    WarnNumber(u"Received InvokeID=", invokeId);
    const std::uint8_t service = apdu[3];
    if (Factory factory = FindService(APDU_TYPE_CONFIRMED_REQ, service))
        return RunService(factory, invokeId, source, npdu, apdu + 4, length - 4);
    WarnNumber(u"Unsupported Confirmed Service (ConfirmedRequest): ", service);
}

void DispatchUnconfirmedRequest(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                                const std::uint8_t* apdu, std::size_t length) {
    platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_UNCONFIRMED_REQ");
    if (length < 2) return platform::TraceError(kErrorMalformed);
    const std::uint8_t service = apdu[1];
    if (Factory factory = FindService(APDU_TYPE_UNCONFIRMED_REQ, service))
        return RunService(factory, 0, source, npdu, apdu + 2, length - 2);
    WarnNumber(u"Unsupported Unconfirmed Service (UnconfirmedRequest): ", service);
}

void DispatchSimpleAck(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                       const std::uint8_t* apdu, std::size_t length) {
    platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_SIMPLE_ACK");
    if (length < 3) return platform::TraceError(kErrorMalformed);
    const std::uint8_t invokeId = apdu[1];
    const std::uint8_t service = apdu[2];
    if (service != kServiceWriteProperty) return WarnNumber(u"Unsupported Confirmed Service (SimpleAck): ", service);
    if (!Ours(source, npdu, invokeId, service)) return;
    if (auto hook = Transactions().hooks.onWriteAck) hook(invokeId);
    MarkAnswered();
}

void DispatchComplexAck(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                        const std::uint8_t* apdu, std::size_t length) {
    platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_COMPLEX_ACK");
    platform::TraceEntry("ComplexAck::Dispatch");
    if (length < 3) return platform::TraceError(kErrorMalformed);
    const std::uint8_t invokeId = apdu[1];
    WarnNumber(u"Received InvokeID=", invokeId);
    if (Transactions().deviceTimedOut) return;
    const bool segmented = (apdu[0] & 0x08) != 0;
    // A segment's own service choice is byte 4, its data behind it.
    if (segmented && length < 5) return platform::TraceError(kErrorMalformed);
    const std::uint8_t service = segmented ? apdu[4] : apdu[2];
    if (!Ours(source, npdu, invokeId, service)) return;
    const std::uint8_t* message = apdu + 2;
    std::size_t messageLength = length - 2;
    if (segmented) {
        SegmentReceived(source, npdu, invokeId, apdu[2], apdu[3], (apdu[0] & 0x04) != 0, apdu + 5, length - 5);
        if (!MessageComplete(invokeId, service, message, messageLength)) return;
    }
    Factory factory = FindService(APDU_TYPE_COMPLEX_ACK, message[0]);
    if (factory == nullptr) return WarnNumber(u"Unsupported Confirmed Service (ComplexAck): ", message[0]);
    const std::uint32_t accepted = Transactions().request.accepted;
    RunService(factory, invokeId, source, npdu, message + 1, messageLength - 1);
    // The whole answer is in; it answers the request when it held anything for it.
    if (Transactions().request.accepted != accepted) MarkAnswered();
}

void DispatchError(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu, const std::uint8_t* apdu,
                   std::size_t length) {
    platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_ERROR");
    if (length < 3) return platform::TraceError(kErrorMalformed);
    const std::uint8_t invokeId = apdu[1];
    const std::uint8_t service = apdu[2];
    if (!Ours(source, npdu, invokeId, service)) return;
    std::size_t pos = 3, used = 0;
    HostValue classValue{}, codeValue{};
    std::uint32_t errorClass = 0, errorCode = 0;
    if (!encoding::DecodeApplicationValue(apdu + pos, length - pos, classValue, used)) return;
    pos += used;
    if (pos > length || !encoding::DecodeApplicationValue(apdu + pos, length - pos, codeValue, used)) return;
    if (encoding::ValueToUnsigned(classValue, errorClass) != 0 || encoding::ValueToUnsigned(codeValue, errorCode) != 0)
        return;
    auto& hooks = Transactions().hooks;
    if (service == kServiceReadProperty || service == kServiceReadPropertyMultiple) {
        if (hooks.onReadError) hooks.onReadError(invokeId, errorClass, errorCode);
    } else if (service == kServiceWriteProperty) {
        if (hooks.onWriteError) hooks.onWriteError(invokeId, errorClass, errorCode);
    }
    MarkAnswered();
}

// Abort (from the server: bit 0 set) and Reject end the pending request at once.
void DispatchRefusal(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                     const std::uint8_t* apdu, std::size_t length) {
    const bool abort = (apdu[0] >> 4) == APDU_TYPE_ABORT;
    if (length < 3) return platform::TraceError(kErrorMalformed);
    if (abort && (apdu[0] & 0x01) == 0) return;  // a client's abort of its own request
    const std::uint8_t invokeId = apdu[1];
    if (!Ours(source, npdu, invokeId, kAnyService)) return;
    platform::TraceText(abort ? AbortLine(apdu[2]) : RejectLine(apdu[2]));
    const auto& hooks = Transactions().hooks;
    if (Transactions().request.service == kServiceWriteProperty) {
        if (hooks.onWriteRefused) hooks.onWriteRefused(invokeId);
    } else if (hooks.onReadRefused) {
        hooks.onReadRefused(invokeId);
    }
    MarkAnswered();
}

}  // namespace

void Dispatch(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu, const std::uint8_t* apdu,
              std::size_t length) {
    platform::TraceEntry("APDU::Dispatch");
    if (length == 0) return platform::TraceError(kErrorMalformed);
    switch (apdu[0] >> 4) {
        case APDU_TYPE_CONFIRMED_REQ:
            return DispatchConfirmedRequest(source, npdu, apdu, length);
        case APDU_TYPE_UNCONFIRMED_REQ:
            return DispatchUnconfirmedRequest(source, npdu, apdu, length);
        case APDU_TYPE_SIMPLE_ACK:
            return DispatchSimpleAck(source, npdu, apdu, length);
        case APDU_TYPE_COMPLEX_ACK:
            return DispatchComplexAck(source, npdu, apdu, length);
        case APDU_TYPE_SEGMENT_ACK:
            return platform::TraceError(kErrorSegmentAckOrSegmentedRequest);
        case APDU_TYPE_ERROR:
            return DispatchError(source, npdu, apdu, length);
        case APDU_TYPE_REJECT:
            platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_REJECT");
            return DispatchRefusal(source, npdu, apdu, length);
        case APDU_TYPE_ABORT:
            platform::TraceEntry("APDU::Dispatch switch APDU_TYPE_ABORT");
            return DispatchRefusal(source, npdu, apdu, length);
        default:
            platform::TraceEntry("APDU::Dispatch switch BACNET_ERROR_UNKNOWN_APDU_TYPE");
            return platform::TraceError(kErrorUnknownApduType);
    }
}

}  // namespace services
