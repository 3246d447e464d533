// The serial line on a pseudo-terminal: the test holds the master side, the
// port under test opens the slave as it would an adapter's device file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/serial_port.hpp"
#include "platform/utf.hpp"
#include "support/hex.hpp"

namespace {

using platform::SerialLineSettings;
using platform::SerialOpenResult;
using platform::SerialParity;

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
        if (master_ >= 0) ::close(master_);
    }

    int master_ = -1;
    std::u16string slave_;
    platform::SerialPort port_;
};

// A pseudo-terminal keeps 8 data bits without parity whatever it is told;
// the rate and the stop bits show.
TEST_F(SerialPortTest, SetsAnyRateAndCarriesEveryByteUntranslated) {
    std::int32_t error = 0;
    ASSERT_EQ(port_.Open(slave_, SerialLineSettings{76800, 8, SerialParity::kNone, 2}, error), SerialOpenResult::kOpen)
        << error;
    termios2 t{};
    ASSERT_EQ(::ioctl(master_, TCGETS2, &t), 0);  // the master reports the slave's settings
    EXPECT_EQ(t.c_ospeed, 76800u);  // a rate without a B-constant
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);

    // Bytes a line discipline would eat or translate: CR, LF, ^C, ^S, ^Q, DEL.
    const auto bytes = testing_support::Hex("55 ff 0d 0a 03 13 11 7f 00 ff");
    ASSERT_TRUE(port_.Write(bytes.data(), bytes.size(), error)) << error;
    std::vector<std::uint8_t> wire(bytes.size());
    ASSERT_EQ(::read(master_, wire.data(), wire.size()), static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(wire, bytes);

    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    std::vector<std::uint8_t> received;
    std::uint8_t buffer[64];
    for (std::int32_t n = 0; received.size() < bytes.size() && (n = port_.Read(buffer, sizeof buffer, error)) >= 0;)
        received.insert(received.end(), buffer, buffer + n);
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(port_.Read(buffer, sizeof buffer, error), 0);  // nothing more: empty after the wait
}

TEST_F(SerialPortTest, RefusesWhatIsNoSerialLineAndFailsOnceTheDeviceIsGone) {
    std::int32_t error = 0;
    EXPECT_EQ(port_.Open(u"/dev/vorne-no-such-adapter", {}, error), SerialOpenResult::kCannotOpen);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(port_.Open(u"/dev/null", {}, error), SerialOpenResult::kNotASerialLine);
    EXPECT_EQ(error, ENOTTY);
    for (const SerialLineSettings line : {SerialLineSettings{0, 8, SerialParity::kNone, 1},
                                          SerialLineSettings{9600, 5, SerialParity::kNone, 1},
                                          SerialLineSettings{9600, 8, static_cast<SerialParity>(3), 1},
                                          SerialLineSettings{9600, 8, SerialParity::kNone, 3}})
        EXPECT_EQ(port_.Open(slave_, line, error), SerialOpenResult::kUnsupportedSettings);
    EXPECT_FALSE(port_.IsOpen());

    ASSERT_EQ(port_.Open(slave_, {}, error), SerialOpenResult::kOpen);
    ::close(master_);  // the adapter is unplugged
    master_ = -1;
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port_.Read(buffer, sizeof buffer, error), -1);
    EXPECT_NE(error, 0);
    EXPECT_FALSE(port_.Write(buffer, sizeof buffer, error));
    EXPECT_NE(error, 0);
}

}  // namespace

#endif
