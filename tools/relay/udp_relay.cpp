#include "relay/udp_relay.hpp"

#include <atomic>
#include <list>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "platform/clock.hpp"
#include "platform/udp_socket.hpp"

namespace relay {
namespace {

constexpr std::uint32_t kReceivePollMs = 5;
constexpr std::size_t kLargestDatagram = 65536;

struct Held {
    std::uint32_t due = 0;
    bool untilNext = false;  // a reordered datagram: goes right after the next one
    std::vector<std::uint8_t> bytes;
};

bool Due(std::uint32_t due, std::uint32_t now) { return static_cast<std::int32_t>(now - due) >= 0; }

}  // namespace

struct UdpRelay::Impl {
    struct Lane {
        std::thread thread;
        std::mt19937 random;
        std::list<Held> held;  // only the lane's thread touches it
        Faults faults;         // guarded by Impl::mutex
    };

    RelayOptions options;
    platform::SocketHandle front = platform::kNoSocket;
    platform::SocketHandle back = platform::kNoSocket;
    std::uint32_t deviceAddress = 0;
    std::atomic<std::uint64_t> driverEndpoint{0};  // address << 16 | port; 0 until the driver has sent
    std::atomic<bool> running{false};
    std::atomic<bool> blackout{false};
    mutable std::mutex mutex;  // guards the lanes' faults and the counts
    RelayCounts counts;
    Lane lanes[2];

    Lane& LaneOf(Direction direction) { return lanes[direction == Direction::kToDevice ? 0 : 1]; }

    void Count(std::uint64_t RelayCounts::*field) {
        std::lock_guard<std::mutex> lock(mutex);
        ++(counts.*field);
    }

    void Send(Direction direction, const std::vector<std::uint8_t>& bytes) {
        if (direction == Direction::kToDevice) {
            platform::UdpSocketSendTo(back, deviceAddress, options.devicePort, bytes.data(), bytes.size());
        } else {
            const std::uint64_t endpoint = driverEndpoint;
            if (endpoint == 0) return;
            platform::UdpSocketSendTo(front, static_cast<std::uint32_t>(endpoint >> 16),
                                      static_cast<std::uint16_t>(endpoint & 0xFFFF), bytes.data(), bytes.size());
        }
        Count(&RelayCounts::sent);
    }

    // Sends a datagram that goes out now, then whatever waited for it to pass.
    void SendNow(Direction direction, const std::vector<std::uint8_t>& bytes) {
        Send(direction, bytes);
        Lane& lane = LaneOf(direction);
        for (auto it = lane.held.begin(); it != lane.held.end();) {
            if (!it->untilNext) {
                ++it;
                continue;
            }
            Send(direction, it->bytes);
            it = lane.held.erase(it);
        }
    }

    void SendDue(Direction direction) {
        Lane& lane = LaneOf(direction);
        const std::uint32_t now = platform::TickCount();
        for (auto it = lane.held.begin(); it != lane.held.end();) {
            if (!Due(it->due, now)) {
                ++it;
                continue;
            }
            Send(direction, it->bytes);
            it = lane.held.erase(it);
        }
    }

    void Relay(Direction direction, std::vector<std::uint8_t> bytes) {
        if (options.watch) options.watch(direction, bytes);
        Lane& lane = LaneOf(direction);
        Faults faults;
        {
            std::lock_guard<std::mutex> lock(mutex);
            faults = lane.faults;
            ++counts.received;
        }
        if (blackout) return Count(&RelayCounts::dropped);
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        const double roll = chance(lane.random);
        const std::uint32_t maxDelay = faults.maxDelayMs == 0 ? 1 : faults.maxDelayMs;
        const std::uint32_t delay = 1 + static_cast<std::uint32_t>(lane.random() % maxDelay);
        const std::uint32_t now = platform::TickCount();
        double limit = faults.drop;
        if (roll < limit) return Count(&RelayCounts::dropped);
        if (roll < (limit += faults.duplicate)) {
            Count(&RelayCounts::duplicated);
            lane.held.push_back({now + delay, false, bytes});
            return SendNow(direction, bytes);
        }
        if (roll < (limit += faults.delay)) {
            Count(&RelayCounts::delayed);
            lane.held.push_back({now + delay, false, std::move(bytes)});
            return;
        }
        if (roll < (limit += faults.reorder)) {
            Count(&RelayCounts::reordered);
            lane.held.push_back({now + maxDelay, true, std::move(bytes)});
            return;
        }
        if (roll < (limit += faults.truncate) && !bytes.empty()) {
            Count(&RelayCounts::truncated);
            bytes.resize(lane.random() % bytes.size());
        }
        SendNow(direction, bytes);
    }

    void Run(Direction direction) {
        const platform::SocketHandle from = direction == Direction::kToDevice ? front : back;
        std::vector<std::uint8_t> buffer(kLargestDatagram);
        while (running) {
            std::uint32_t address = 0;
            std::uint16_t port = 0;
            std::int32_t error = 0;
            const std::int32_t n = platform::UdpSocketReceive(from, buffer.data(), buffer.size(), address, port, error);
            if (n > 0) {
                if (direction == Direction::kToDevice)
                    driverEndpoint = static_cast<std::uint64_t>(address) << 16 | port;
                else if (address != deviceAddress || port != options.devicePort)
                    continue;  // only the device's answers go back to the driver
                Relay(direction, std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + n));
            }
            SendDue(direction);
        }
    }
};

UdpRelay::UdpRelay() : impl_(std::make_unique<Impl>()) {}

UdpRelay::~UdpRelay() { Stop(); }

bool UdpRelay::Start(const RelayOptions& options, std::string& error) {
    if (impl_->running) return error = "the relay is already running", false;
    const auto front = platform::ParseIpv4(options.frontAddress);
    const auto device = platform::ParseIpv4(options.deviceAddress);
    if (!front || !device) return error = "not an IPv4 address", false;
    Impl& impl = *impl_;
    std::int32_t code = 0;
    impl.front = platform::UdpSocketOpen(code);
    impl.back = platform::UdpSocketOpen(code);
    const bool bound = impl.front != platform::kNoSocket && impl.back != platform::kNoSocket &&
                       platform::UdpSocketBind(impl.front, *front, options.frontPort, code) &&
                       platform::UdpSocketBind(impl.back, *front, 0, code);
    if (!bound) {
        platform::UdpSocketClose(impl.front);
        platform::UdpSocketClose(impl.back);
        impl.front = impl.back = platform::kNoSocket;
        error = "cannot bind " + options.frontAddress + ":" + std::to_string(options.frontPort) + " (error " +
                std::to_string(code) + ")";
        return false;
    }
    platform::UdpSocketSetReceiveTimeout(impl.front, kReceivePollMs);
    platform::UdpSocketSetReceiveTimeout(impl.back, kReceivePollMs);
    impl.options = options;
    impl.deviceAddress = *device;
    impl.driverEndpoint = 0;
    impl.counts = {};
    impl.lanes[0].random.seed(options.seed * 2 + 1);
    impl.lanes[1].random.seed(options.seed * 2 + 2);
    impl.lanes[0].faults = options.toDevice;
    impl.lanes[1].faults = options.toDriver;
    impl.running = true;
    impl.lanes[0].thread = std::thread([&impl] { impl.Run(Direction::kToDevice); });
    impl.lanes[1].thread = std::thread([&impl] { impl.Run(Direction::kToDriver); });
    return true;
}

void UdpRelay::Stop() {
    if (!impl_->running) return;
    impl_->running = false;
    for (auto& lane : impl_->lanes) {
        if (lane.thread.joinable()) lane.thread.join();
        lane.held.clear();
    }
    platform::UdpSocketClose(impl_->front);
    platform::UdpSocketClose(impl_->back);
    impl_->front = impl_->back = platform::kNoSocket;
}

std::uint16_t UdpRelay::FrontPort() const { return platform::UdpSocketLocalPort(impl_->front); }

void UdpRelay::SetFaults(Direction direction, const Faults& faults) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->LaneOf(direction).faults = faults;
}

void UdpRelay::SetBlackout(bool on) { impl_->blackout = on; }

RelayCounts UdpRelay::Counts() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->counts;
}

}  // namespace relay
