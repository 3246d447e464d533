// Every received service is one short-lived object: the dispatcher creates it
// with the APDU's invoke ID, calls Process once and deletes it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"

namespace APDUServices {

class IService {
public:
    virtual ~IService() = default;
    // data: the bytes behind the service choice. The dispatcher ignores the result.
    virtual std::int32_t Process(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                                 const std::uint8_t* data, std::size_t length) = 0;
};

class ConfirmedRequest {
public:
    explicit ConfirmedRequest(std::uint8_t invokeId) : invokeId_(invokeId) {}
    virtual ~ConfirmedRequest() = default;
    std::uint8_t InvokeId() const { return invokeId_; }

private:
    std::uint8_t invokeId_;
};

class UnconfirmedRequest {
public:
    virtual ~UnconfirmedRequest() = default;
};

class ComplexAck {
public:
    explicit ComplexAck(std::uint8_t invokeId) : invokeId_(invokeId) {}
    virtual ~ComplexAck() = default;
    std::uint8_t InvokeId() const { return invokeId_; }

private:
    std::uint8_t invokeId_;
};

class SimpleAck {
public:
    explicit SimpleAck(std::uint8_t invokeId) : invokeId_(invokeId) {}
    virtual ~SimpleAck() = default;
    std::uint8_t InvokeId() const { return invokeId_; }

private:
    std::uint8_t invokeId_;
};

}  // namespace APDUServices
