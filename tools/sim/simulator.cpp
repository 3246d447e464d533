#include "sim/simulator.hpp"

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/clock.hpp"
#include "platform/udp_socket.hpp"
#include "sim/default_objects.hpp"
#include "sim/device_core.hpp"
#include "sim/frames.hpp"
#include "sim/ids.hpp"
#include "sim/object_file.hpp"

namespace sim {
namespace {

constexpr std::uint32_t kReceivePollMs = 20;
constexpr std::size_t kLargestDatagram = 2048;

std::string HexOf(const std::uint8_t* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0) text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

}  // namespace

struct Simulator::Impl {
    SimOptions options;
    Placement placement;
    mutable std::mutex mutex;  // guards db and core
    ObjectDatabase db;
    std::unique_ptr<DeviceCore> core;
    platform::SocketHandle socket = platform::kNoSocket;
    std::uint16_t port = 0;
    std::atomic<bool> running{false};
    std::atomic<std::uint64_t> requests{0};
    std::thread thread;
    std::mutex lifecycle;

    void Send(const Peer& to, const encoding::ByteVector& apdu) {
        const encoding::ByteVector frame = BuildFrame(to, placement, apdu);
        platform::UdpSocketSendTo(socket, to.address, to.port, frame.data(), frame.size());
        if (options.log)
            options.log("-> " + platform::FormatIpv4(to.address) + ":" + std::to_string(to.port) + " " +
                        HexOf(frame.data(), frame.size()));
    }

    void Run() {
        std::vector<std::uint8_t> buffer(kLargestDatagram);
        while (running) {
            std::uint32_t address = 0;
            std::uint16_t fromPort = 0;
            std::int32_t error = 0;
            const std::int32_t n =
                platform::UdpSocketReceive(socket, buffer.data(), buffer.size(), address, fromPort, error);
            std::lock_guard<std::mutex> lock(mutex);
            const std::uint32_t now = platform::TickCount();
            if (n > 0 && static_cast<std::size_t>(n) <= buffer.size()) {
                const auto length = static_cast<std::size_t>(n);
                if (options.log)
                    options.log("<- " + platform::FormatIpv4(address) + ":" + std::to_string(fromPort) + " " +
                                HexOf(buffer.data(), length));
                Incoming incoming;
                if (ParseFrame(buffer.data(), length, address, fromPort, placement, incoming)) {
                    if ((incoming.apdu[0] >> 4) == 0) ++requests;
                    core->OnApdu(incoming.peer, incoming.apdu, incoming.apduLength, now);
                }
            }
            core->Tick(now);
        }
    }

    template <typename F>
    auto WithObject(std::uint32_t type, std::uint32_t instance, F f) const -> decltype(f(*db.Find({}))) {
        std::lock_guard<std::mutex> lock(mutex);
        const Object* object = db.Find({type, instance});
        if (object == nullptr) return std::nullopt;
        return f(*object);
    }
};

Simulator::Simulator() : impl_(std::make_unique<Impl>()) {}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(const SimOptions& options, std::string& error) {
    std::lock_guard<std::mutex> lifecycle(impl_->lifecycle);
    if (impl_->running) return error = "the simulator is already running", false;
    Impl& impl = *impl_;
    const auto address = platform::ParseIpv4(options.bindAddress);
    if (!address) return error = "not an IPv4 address: " + options.bindAddress, false;
    if (options.deviceInstance > 4194302) return error = "device instance out of range (0..4194302)", false;
    ObjectDatabase db;
    if (options.objectsFile.empty())
        AddDefaultObjects(db, options.deviceInstance, options.name);
    else if (!LoadObjectFile(options.objectsFile, options.deviceInstance, options.name, db, error))
        return false;

    std::int32_t code = 0;
    const platform::SocketHandle socket = platform::UdpSocketOpen(code);
    if (socket == platform::kNoSocket) return error = "cannot open a UDP socket (error " + std::to_string(code) + ")", false;
    if (!platform::UdpSocketBind(socket, *address, options.port, code)) {
        platform::UdpSocketClose(socket);
        error = "cannot bind " + options.bindAddress + ":" + std::to_string(options.port) + " (error " +
                std::to_string(code) + ")";
        return false;
    }
    platform::UdpSocketSetReceiveTimeout(socket, kReceivePollMs);

    impl.options = options;
    impl.placement = Placement{options.network, {options.mac}};
    impl.db = std::move(db);
    impl.socket = socket;
    impl.port = platform::UdpSocketLocalPort(socket);
    impl.requests = 0;
    SegmentSettings settings{options.segmentTimeoutMs, options.segmentRetries, options.proposedWindow};
    impl.core = std::make_unique<DeviceCore>(
        impl.db, [&impl](const Peer& to, const encoding::ByteVector& apdu) { impl.Send(to, apdu); }, settings);
    impl.running = true;
    impl.thread = std::thread([&impl] { impl.Run(); });
    return true;
}

void Simulator::Stop() {
    std::lock_guard<std::mutex> lifecycle(impl_->lifecycle);
    if (!impl_->running) return;
    impl_->running = false;
    if (impl_->thread.joinable()) impl_->thread.join();
    platform::UdpSocketClose(impl_->socket);
    impl_->socket = platform::kNoSocket;
}

bool Simulator::Running() const { return impl_->running; }

std::uint16_t Simulator::Port() const { return impl_->port; }

std::optional<std::array<std::optional<Value>, kPriorityLevels>> Simulator::PriorityArray(
    std::uint32_t type, std::uint32_t instance) const {
    return impl_->WithObject(type, instance, [](const Object& object) {
        return object.commandable ? std::optional(object.priorityArray) : std::nullopt;
    });
}

std::optional<Value> Simulator::RelinquishDefault(std::uint32_t type, std::uint32_t instance) const {
    const auto values = PropertyValues(type, instance, property::kRelinquishDefault);
    return values && values->size() == 1 ? std::optional((*values)[0]) : std::nullopt;
}

std::optional<Value> Simulator::PresentValue(std::uint32_t type, std::uint32_t instance) const {
    const auto values = PropertyValues(type, instance, property::kPresentValue);
    return values && values->size() == 1 ? std::optional((*values)[0]) : std::nullopt;
}

std::optional<std::vector<Value>> Simulator::PropertyValues(std::uint32_t type, std::uint32_t instance,
                                                            std::uint32_t prop) const {
    return impl_->WithObject(type, instance, [this, prop](const Object& object) -> std::optional<std::vector<Value>> {
        const auto resolved = impl_->db.Resolve(object, prop);
        return resolved ? std::optional(resolved->values) : std::nullopt;
    });
}

std::size_t Simulator::ObjectCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->db.Objects().size();
}

std::uint64_t Simulator::RequestCount() const { return impl_->requests; }

}  // namespace sim
