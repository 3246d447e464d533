// Answers that belong to another driver instance on the shared port, sorted
// out by their invoke ID before anything of them is decoded.
#pragma once

#include <cstddef>
#include <cstdint>

namespace APDUServices {

// True when the APDU is a ComplexAck or an Error whose invoke ID is not the
// pending one: it has then been dropped with exactly the lines that Dispatch
// writes for it. False for anything else, which Dispatch must then take.
bool DropAnswerOfAnotherInstance(const std::uint8_t* apdu, std::size_t length);

// The consumer of the shared port that owns the invoke ID of an answer PDU
// (ComplexAck, SimpleAck, Error, Reject, Abort), each owning seven IDs;
// kAnyConsumer for other PDUs, which every instance must see.
inline constexpr std::uint32_t kAnyConsumer = 0xFFFFFFFF;
std::uint32_t AnswerOwner(const std::uint8_t* apdu, std::size_t length);

}  // namespace APDUServices
