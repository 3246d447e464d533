// A look at a received NPDU's header without decoding it, for the receive
// path that must sort out the answers of other driver instances cheaply.
#pragma once

#include <cstddef>
#include <cstdint>

namespace network {

// Where the APDU starts when the header is well-formed and ProcessNpdu would
// hand the APDU up without a line of its own; 0 for anything else (a network
// message, a header it warns about or finds malformed, no APDU byte), which
// then takes the full path.
std::size_t QuietApduOffset(const std::uint8_t* npdu, std::size_t length);

// True when the NPDU carries an answer of another instance, which has then
// been dropped with the lines its full processing writes.
bool DropAnswerOfAnotherInstance(const std::uint8_t* npdu, std::size_t length);

// The consumer of the shared port whose invoke IDs the NPDU's answer carries;
// APDUServices::kAnyConsumer for anything every instance must see.
std::uint32_t AnswerOwner(const std::uint8_t* npdu, std::size_t length);

}  // namespace network
