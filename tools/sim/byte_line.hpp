// The device's end of a serial line: a real adapter ("/dev/ttyUSB0", "COM3")
// or, for tests and trials on one machine, a pseudo-terminal that the
// simulator creates itself ("pty"); the driver then opens its other end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace sim {

class ByteLine {
public:
    virtual ~ByteLine() = default;
    // What has arrived, waiting a short while for a first byte: the count,
    // 0 when nothing came, -1 when the line failed.
    virtual std::int32_t Read(std::uint8_t* buffer, std::size_t capacity) = 0;
    virtual bool Write(const std::uint8_t* data, std::size_t length) = 0;
    // The device name that the other end opens.
    virtual std::string Name() const = 0;
};

inline constexpr const char* kPseudoTerminal = "pty";

// nullptr with a message when the device cannot be opened.
std::unique_ptr<ByteLine> OpenByteLine(const std::string& device, std::uint32_t baudRate, std::string& error);

}  // namespace sim
