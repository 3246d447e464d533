#include "sim/byte_line.hpp"

#include "platform/serial_port.hpp"
#include "platform/utf.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace sim {
namespace {

constexpr int kReadWaitMs = 20;

class SerialAdapterLine : public ByteLine {
public:
    explicit SerialAdapterLine(std::string name) : name_(std::move(name)) {}
    bool Open(std::uint32_t baudRate, std::string& error) {
        platform::SerialLineSettings line;
        line.baudRate = baudRate;
        std::int32_t code = 0;
        const auto result = port_.Open(platform::Utf8ToUtf16(name_), line, code);
        if (result == platform::SerialOpenResult::kOpen) return true;
        error = "cannot open the serial line " + name_ + " (error " + std::to_string(code) + ")";
        return false;
    }
    std::int32_t Read(std::uint8_t* buffer, std::size_t capacity) override {
        std::int32_t code = 0;
        return port_.Read(buffer, capacity, code);
    }
    bool Write(const std::uint8_t* data, std::size_t length) override {
        std::int32_t code = 0;
        return port_.Write(data, length, code);
    }
    std::string Name() const override { return name_; }

private:
    std::string name_;
    platform::SerialPort port_;
};

#ifndef _WIN32
// The master side of a pseudo-terminal. The simulator also keeps the other
// side open so that the line stays up while no client has it open.
class PseudoTerminalLine : public ByteLine {
public:
    ~PseudoTerminalLine() override {
        if (keeper_ >= 0) ::close(keeper_);
        if (master_ >= 0) ::close(master_);
    }
    bool Open(std::string& error) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return error = "cannot create a pseudo-terminal (errno " + std::to_string(errno) + ")", false;
        name_ = ::ptsname(master_);
        termios raw{};
        if (::tcgetattr(master_, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(master_, TCSANOW, &raw);
        }
        keeper_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY);
        return true;
    }
    std::int32_t Read(std::uint8_t* buffer, std::size_t capacity) override {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, kReadWaitMs) <= 0) return 0;
        const ssize_t n = ::read(master_, buffer, capacity);
        if (n > 0) return static_cast<std::int32_t>(n);
        if (n < 0 && (errno == EAGAIN || errno == EINTR || errno == EIO)) {
            ::poll(nullptr, 0, kReadWaitMs);  // EIO: the other side is closed for now
            return 0;
        }
        return -1;
    }
    bool Write(const std::uint8_t* data, std::size_t length) override {
        while (length > 0) {
            const ssize_t n = ::write(master_, data, length);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            length -= static_cast<std::size_t>(n);
        }
        return true;
    }
    std::string Name() const override { return name_; }

private:
    int master_ = -1;
    int keeper_ = -1;
    std::string name_;
};
#endif

}  // namespace

std::unique_ptr<ByteLine> OpenByteLine(const std::string& device, std::uint32_t baudRate, std::string& error) {
    if (device == kPseudoTerminal) {
#ifdef _WIN32
        error = "pseudo-terminals are not available on Windows; name a COM port";
        return nullptr;
#else
        auto line = std::make_unique<PseudoTerminalLine>();
        return line->Open(error) ? std::move(line) : nullptr;
#endif
    }
    auto line = std::make_unique<SerialAdapterLine>(device);
    return line->Open(baudRate, error) ? std::move(line) : nullptr;
}

}  // namespace sim
