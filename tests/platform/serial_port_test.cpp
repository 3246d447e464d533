// The serial line on a pseudo-terminal: the test holds the master side, the
// port under test opens the slave as it would an adapter's device file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/serial_port.hpp"
#include "platform/utf.hpp"
#include "support/hex.hpp"

namespace {

using platform::SerialLineSettings;
using platform::SerialOpenResult;
using platform::SerialParity;
using platform::SerialPort;
using testing_support::BytesAre;
using testing_support::Hex;

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        slave_ = platform::Utf8ToUtf16(::ptsname(master_));
    }
    void TearDown() override {
        port_.Close();
        if (master_ >= 0) ::close(master_);
    }

    // What the device side receives within the time given.
    std::vector<std::uint8_t> MasterReads(std::size_t wanted, int timeoutMs = 1000) {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < wanted) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) break;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    int master_ = -1;
    std::u16string slave_;
    SerialPort port_;
};

// A pseudo-terminal keeps 8 data bits without parity whatever it is told;
// the rate and the stop bits show.
TEST_F(SerialPortTest, SetsAnyRateAndTheLineRaw) {
    SerialLineSettings line;
    line.baudRate = 76800;  // no B-constant exists for it
    line.stopBits = 2;
    std::int32_t error = 0;
    ASSERT_EQ(port_.Open(slave_, line, error), SerialOpenResult::kOpen) << error;
    termios2 t{};
    ASSERT_EQ(::ioctl(master_, TCGETS2, &t), 0);  // the master reports the slave's settings
    EXPECT_EQ(t.c_ospeed, 76800u);
    EXPECT_EQ(t.c_ispeed, 76800u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | ICRNL), 0u);
}

TEST_F(SerialPortTest, CarriesEveryByteValueBothWays) {
    std::int32_t error = 0;
    ASSERT_EQ(port_.Open(slave_, SerialLineSettings{}, error), SerialOpenResult::kOpen) << error;
    // Bytes a line discipline would eat or translate: CR, LF, ^C, ^S, ^Q, DEL, 0xFF.
    const auto frame = Hex("55 ff 0d 0a 03 13 11 7f 00 ff");
    ASSERT_TRUE(port_.Write(frame.data(), frame.size(), error)) << error;
    EXPECT_EQ(MasterReads(frame.size()), frame);

    ASSERT_EQ(::write(master_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    std::vector<std::uint8_t> received;
    for (int i = 0; i < 40 && received.size() < frame.size(); ++i) {
        std::uint8_t buffer[64];
        const std::int32_t n = port_.Read(buffer, sizeof buffer, error);
        ASSERT_GE(n, 0) << error;
        received.insert(received.end(), buffer, buffer + n);
    }
    EXPECT_EQ(received, frame);
}

TEST_F(SerialPortTest, AReadWithoutDataReturnsEmptyAfterTheWait) {
    std::int32_t error = 0;
    ASSERT_EQ(port_.Open(slave_, SerialLineSettings{}, error), SerialOpenResult::kOpen);
    std::uint8_t buffer[8];
    EXPECT_EQ(port_.Read(buffer, sizeof buffer, error), 0);
    EXPECT_EQ(error, 0);
}

TEST_F(SerialPortTest, AVanishedDeviceFailsReadsAndWrites) {
    std::int32_t error = 0;
    ASSERT_EQ(port_.Open(slave_, SerialLineSettings{}, error), SerialOpenResult::kOpen);
    ::close(master_);
    master_ = -1;
    std::uint8_t buffer[8];
    EXPECT_EQ(port_.Read(buffer, sizeof buffer, error), -1);
    EXPECT_NE(error, 0);
    const auto frame = Hex("55 ff");
    EXPECT_FALSE(port_.Write(frame.data(), frame.size(), error));
    EXPECT_NE(error, 0);
}

TEST_F(SerialPortTest, RefusesWhatIsNoSerialLine) {
    std::int32_t error = 0;
    EXPECT_EQ(port_.Open(u"/dev/vorne-no-such-adapter", SerialLineSettings{}, error), SerialOpenResult::kCannotOpen);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(port_.Open(u"/dev/null", SerialLineSettings{}, error), SerialOpenResult::kNotASerialLine);
    EXPECT_EQ(error, ENOTTY);
    EXPECT_FALSE(port_.IsOpen());

    for (const SerialLineSettings line : {SerialLineSettings{0, 8, SerialParity::kNone, 1},
                                          SerialLineSettings{9600, 5, SerialParity::kNone, 1},
                                          SerialLineSettings{9600, 8, static_cast<SerialParity>(3), 1},
                                          SerialLineSettings{9600, 8, SerialParity::kNone, 3}}) {
        EXPECT_EQ(port_.Open(slave_, line, error), SerialOpenResult::kUnsupportedSettings);
        EXPECT_FALSE(port_.IsOpen());
    }
}

}  // namespace

#endif
