#include "platform/serial_port.hpp"

#include <string>

#include "platform/utf.hpp"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
// The kernel's own termios interface (termios2): it sets any rate, such as
// the 76800 baud of MS/TP, which the B-constants of <termios.h> cannot.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform {

bool IsSupportedSerialLine(const SerialLineSettings& line) {
    return line.baudRate > 0 && (line.dataBits == 7 || line.dataBits == 8) &&
           (line.parity == SerialParity::kNone || line.parity == SerialParity::kOdd ||
            line.parity == SerialParity::kEven) &&
           (line.stopBits == 1 || line.stopBits == 2);
}

SerialPort::~SerialPort() { Close(); }

#ifdef _WIN32

namespace {

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// "COM3" needs the device namespace prefix once it has two digits; any name
// without a backslash gets it.
std::wstring DevicePath(std::u16string_view device) {
    std::wstring path(reinterpret_cast<const wchar_t*>(device.data()), device.size());
    if (path.find(L'\\') == std::wstring::npos) path = L"\\\\.\\" + path;
    return path;
}

// Waits for an overlapped call that went pending; the bytes it moved.
bool Complete(HANDLE file, OVERLAPPED& overlapped, BOOL started, DWORD& moved, std::int32_t& systemError) {
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        systemError = static_cast<std::int32_t>(::GetLastError());
        return false;
    }
    if (!::GetOverlappedResult(file, &overlapped, &moved, TRUE)) {
        systemError = static_cast<std::int32_t>(::GetLastError());
        return false;
    }
    return true;
}

}  // namespace

SerialOpenResult SerialPort::Open(std::u16string_view device, const SerialLineSettings& line,
                                  std::int32_t& systemError) {
    Close();
    systemError = 0;
    if (!IsSupportedSerialLine(line)) return SerialOpenResult::kUnsupportedSettings;
    // Overlapped, so that a write need not wait for the receive thread's read.
    HANDLE file = ::CreateFileW(DevicePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        systemError = static_cast<std::int32_t>(::GetLastError());
        return SerialOpenResult::kCannotOpen;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(file, &dcb)) {
        systemError = static_cast<std::int32_t>(::GetLastError());
        ::CloseHandle(file);
        return SerialOpenResult::kNotASerialLine;
    }
    dcb.BaudRate = line.baudRate;
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity != SerialParity::kNone;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // Adapters that switch the RS-485 driver themselves need RTS left alone.
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    dcb.Parity = line.parity == SerialParity::kOdd    ? ODDPARITY
                 : line.parity == SerialParity::kEven ? EVENPARITY
                                                      : NOPARITY;
    dcb.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    if (!::SetCommState(file, &dcb)) {
        const DWORD error = ::GetLastError();
        systemError = static_cast<std::int32_t>(error);
        ::CloseHandle(file);
        return error == ERROR_INVALID_PARAMETER ? SerialOpenResult::kUnsupportedSettings
                                                : SerialOpenResult::kNotASerialLine;
    }
    // A read returns at once with what is buffered, else with the first byte
    // to arrive, else empty after kReadWaitMs. A write may take its time on
    // the wire (a full frame at 9600 baud is about half a second).
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
    timeouts.WriteTotalTimeoutMultiplier = 2;
    timeouts.WriteTotalTimeoutConstant = kWriteWaitMs;
    if (!::SetCommTimeouts(file, &timeouts)) {
        systemError = static_cast<std::int32_t>(::GetLastError());
        ::CloseHandle(file);
        return SerialOpenResult::kNotASerialLine;
    }
    ::PurgeComm(file, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    readEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writeEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    handle_ = reinterpret_cast<std::intptr_t>(file);
    if (readEvent_ == nullptr || writeEvent_ == nullptr) {
        systemError = static_cast<std::int32_t>(::GetLastError());
        Close();
        return SerialOpenResult::kCannotOpen;
    }
    return SerialOpenResult::kOpen;
}

std::int32_t SerialPort::Read(std::uint8_t* buffer, std::size_t capacity, std::int32_t& systemError) {
    systemError = 0;
    if (!IsOpen()) {
        systemError = ERROR_INVALID_HANDLE;
        return -1;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = static_cast<HANDLE>(readEvent_);
    ::ResetEvent(overlapped.hEvent);
    DWORD moved = 0;
    const BOOL started = ::ReadFile(Native(handle_), buffer, static_cast<DWORD>(capacity), &moved, &overlapped);
    if (!Complete(Native(handle_), overlapped, started, moved, systemError)) return -1;
    return static_cast<std::int32_t>(moved);
}

bool SerialPort::Write(const std::uint8_t* data, std::size_t length, std::int32_t& systemError) {
    systemError = 0;
    if (!IsOpen()) {
        systemError = ERROR_INVALID_HANDLE;
        return false;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = static_cast<HANDLE>(writeEvent_);
    ::ResetEvent(overlapped.hEvent);
    DWORD moved = 0;
    const BOOL started = ::WriteFile(Native(handle_), data, static_cast<DWORD>(length), &moved, &overlapped);
    if (!Complete(Native(handle_), overlapped, started, moved, systemError)) return false;
    if (moved != length) {
        systemError = ERROR_TIMEOUT;
        return false;
    }
    return true;
}

void SerialPort::Close() {
    if (handle_ != kClosed) ::CloseHandle(Native(handle_));
    handle_ = kClosed;
    for (void** event : {&readEvent_, &writeEvent_}) {
        if (*event != nullptr) ::CloseHandle(static_cast<HANDLE>(*event));
        *event = nullptr;
    }
}

#else

namespace {

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// Raw 8-bit transfer: no echo, no line editing, no signals, no translation
// of carriage returns, no software or hardware flow control.
void SetLine(termios2& t, const SerialLineSettings& line) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY | INPCK | IGNPAR);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CBAUD);
    t.c_cflag |= CLOCAL | CREAD | (line.dataBits == 7 ? CS7 : CS8);
    if (line.parity != SerialParity::kNone) {
        t.c_cflag |= PARENB;
        if (line.parity == SerialParity::kOdd) t.c_cflag |= PARODD;
        t.c_iflag |= INPCK;  // a byte with a parity error reads as 0; the frame's CRC then fails
    }
    if (line.stopBits == 2) t.c_cflag |= CSTOPB;
    t.c_cflag |= BOTHER;
    t.c_ispeed = line.baudRate;
    t.c_ospeed = line.baudRate;
    t.c_cc[VMIN] = 0;  // reads never block: poll waits instead
    t.c_cc[VTIME] = 0;
}

// Waits for the descriptor: the events that came (0 after the time-out), or
// -1 with the system's code.
int Wait(int fd, short events, int timeoutMs, std::int32_t& systemError) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            systemError = errno;
            return -1;
        }
        return n == 0 ? 0 : p.revents;
    }
}

constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;  // the adapter was unplugged or the line failed

}  // namespace

SerialOpenResult SerialPort::Open(std::u16string_view device, const SerialLineSettings& line,
                                  std::int32_t& systemError) {
    Close();
    systemError = 0;
    if (!IsSupportedSerialLine(line)) return SerialOpenResult::kUnsupportedSettings;
    const std::string path = Utf16ToUtf8(device);
    // Non-blocking, so that opening does not wait for a carrier.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        systemError = errno;
        return SerialOpenResult::kCannotOpen;
    }
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) {
        systemError = errno;
        ::close(fd);
        return SerialOpenResult::kNotASerialLine;
    }
    // A second opener (another driver instance on the same line) is refused.
    if (::ioctl(fd, TIOCEXCL) != 0) {
        systemError = errno;
        ::close(fd);
        return SerialOpenResult::kNotASerialLine;
    }
    SetLine(t, line);
    if (::ioctl(fd, TCSETS2, &t) != 0) {
        systemError = errno;
        ::close(fd);
        return systemError == EINVAL ? SerialOpenResult::kUnsupportedSettings : SerialOpenResult::kNotASerialLine;
    }
    // Some drivers round the rate silently; a line far off its rate is useless.
    termios2 set{};
    if (::ioctl(fd, TCGETS2, &set) == 0 && (set.c_ospeed + set.c_ospeed / 50 < line.baudRate ||
                                            set.c_ospeed > line.baudRate + line.baudRate / 50)) {
        systemError = EINVAL;
        ::close(fd);
        return SerialOpenResult::kUnsupportedSettings;
    }
    ::ioctl(fd, TCFLSH, TCIOFLUSH);
    handle_ = fd;
    return SerialOpenResult::kOpen;
}

std::int32_t SerialPort::Read(std::uint8_t* buffer, std::size_t capacity, std::int32_t& systemError) {
    systemError = 0;
    if (!IsOpen()) {
        systemError = EBADF;
        return -1;
    }
    const int events = Wait(Descriptor(handle_), POLLIN, static_cast<int>(kReadWaitMs), systemError);
    if (events <= 0) return events;
    // Bytes that came before a hang-up are still delivered.
    const ssize_t n = ::read(Descriptor(handle_), buffer, capacity);
    if (n > 0) return static_cast<std::int32_t>(n);
    if ((events & kGone) == 0 && (n == 0 || errno == EAGAIN || errno == EINTR)) return 0;
    systemError = n < 0 ? errno : EIO;
    return -1;
}

bool SerialPort::Write(const std::uint8_t* data, std::size_t length, std::int32_t& systemError) {
    systemError = 0;
    if (!IsOpen()) {
        systemError = EBADF;
        return false;
    }
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(Descriptor(handle_), data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            systemError = errno;
            return false;
        }
        // The output buffer is full: wait for the line to drain.
        const int events = Wait(Descriptor(handle_), POLLOUT, static_cast<int>(kWriteWaitMs), systemError);
        if (events < 0) return false;
        if (events == 0 || (events & kGone) != 0) {
            systemError = events == 0 ? ETIMEDOUT : EIO;
            return false;
        }
    }
    return true;
}

void SerialPort::Close() {
    if (handle_ != kClosed) ::close(Descriptor(handle_));
    handle_ = kClosed;
}

#endif

}  // namespace platform
