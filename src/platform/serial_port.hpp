// A serial line (an RS-485 or RS-232 adapter) over Linux termios or the Win32
// communications API, opened raw: no flow control, no character processing.
//
// One thread may read while another writes; opening and closing must not
// overlap either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

enum class SerialParity : std::uint32_t { kNone = 0, kOdd = 1, kEven = 2 };

struct SerialLineSettings {
    std::uint32_t baudRate = 38400;  // any rate the adapter takes, 76800 included
    std::uint32_t dataBits = 8;      // 7 or 8
    SerialParity parity = SerialParity::kNone;
    std::uint32_t stopBits = 1;  // 1 or 2
};

// True for data bits, parity and stop bits that the class can set and a
// nonzero rate; whether the adapter takes the rate shows when it is opened.
bool IsSupportedSerialLine(const SerialLineSettings& line);

enum class SerialOpenResult {
    kOpen,
    kCannotOpen,          // no such device, in use, or no permission
    kNotASerialLine,      // the device took no serial-line settings
    kUnsupportedSettings  // the line settings, or the adapter refused them
};

class SerialPort {
public:
    // The longest that Read waits for a first byte.
    static constexpr std::uint32_t kReadWaitMs = 50;
    // The longest that Write waits for the adapter to take a frame.
    static constexpr std::uint32_t kWriteWaitMs = 2000;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device ("/dev/ttyUSB0", "COM3", "\\.\COM12") for this process
    // alone, sets the line and drops whatever was waiting in its buffers. On
    // failure systemError holds the system's code (errno or GetLastError).
    SerialOpenResult Open(std::u16string_view device, const SerialLineSettings& line, std::int32_t& systemError);
    // Stores what has arrived, waiting at most kReadWaitMs for a first byte:
    // the count, 0 when nothing came, -1 when the line failed.
    std::int32_t Read(std::uint8_t* buffer, std::size_t capacity, std::int32_t& systemError);
    // Writes all bytes; false when the line failed or did not take them in time.
    bool Write(const std::uint8_t* data, std::size_t length, std::int32_t& systemError);
    void Close();
    bool IsOpen() const { return handle_ != kClosed; }

private:
    static constexpr std::intptr_t kClosed = -1;  // no descriptor, INVALID_HANDLE_VALUE

    std::intptr_t handle_ = kClosed;
    void* readEvent_ = nullptr;   // Win32: completion events of the overlapped calls
    void* writeEvent_ = nullptr;
};

}  // namespace platform
