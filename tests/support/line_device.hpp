// The devices' end of a serial line for MS/TP tests: a pseudo-terminal whose
// slave side the driver opens by its device path while the test plays the
// devices on the master side. POSIX only.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "links/mstp_frame.hpp"

namespace testing_support {

// With VORNE_MSTP_FRAME_DUMP naming a file, every whole frame on the line is
// appended to it as a line of hex, so that other tools can decode them.
inline void DumpFrame(const std::uint8_t* bytes, std::size_t n) {
    const char* path = std::getenv("VORNE_MSTP_FRAME_DUMP");
    if (path == nullptr || *path == '\0') return;
    std::string line;
    char octet[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(octet, sizeof octet, i + 1 < n ? "%02x " : "%02x\n", bytes[i]);
        line += octet;
    }
    std::ofstream(path, std::ios::app) << line;
}

class LineDevice {
public:
    static constexpr std::uint8_t kDriverStation = 1;
    static constexpr std::uint8_t kDevice = 5;

    LineDevice() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) slavePath_ = ::ptsname(master_);
    }
    ~LineDevice() { Unplug(); }
    LineDevice(const LineDevice&) = delete;
    LineDevice& operator=(const LineDevice&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    void Unplug() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    void Write(const std::vector<std::uint8_t>& bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }
    void Send(std::uint8_t destination, std::uint8_t source, const std::vector<std::uint8_t>& npdu) {
        namespace frame = LinkServices::MstpFrame;
        const auto bytes = frame::Encode(frame::kDataNotExpectingReply, destination, source, npdu.data(),
                                         static_cast<std::uint16_t>(npdu.size()));
        DumpFrame(bytes.data(), bytes.size());
        Write(bytes);
    }

    // The NPDU of the next frame the driver writes, which must be a data
    // frame from the driver's station to the device, with good CRCs.
    std::optional<std::vector<std::uint8_t>> Receive(std::uint8_t device = kDevice, int timeoutMs = 2000) {
        namespace frame = LinkServices::MstpFrame;
        pollfd p{master_, POLLIN, 0};
        while (pending_.size() < 8 || pending_.size() < 10u + (pending_[5] << 8 | pending_[6])) {
            std::uint8_t buffer[600];
            if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) return std::nullopt;
            pending_.insert(pending_.end(), buffer, buffer + n);
        }
        const std::size_t length = pending_[5] << 8 | pending_[6];
        const auto data = pending_.begin() + 8;
        std::vector<std::uint8_t> npdu(data, data + static_cast<std::ptrdiff_t>(length));
        const auto expected = frame::Encode(frame::kDataNotExpectingReply, device, kDriverStation, npdu.data(),
                                            static_cast<std::uint16_t>(length));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), pending_.begin())) << "header or CRCs";
        DumpFrame(pending_.data(), length + 10);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length + 10));
        return npdu;
    }
    bool Silent(int timeoutMs) {
        pollfd p{master_, POLLIN, 0};
        return pending_.empty() && ::poll(&p, 1, timeoutMs) == 0;
    }

private:
    int master_;
    std::string slavePath_;
    std::vector<std::uint8_t> pending_;
};

}  // namespace testing_support
#endif
