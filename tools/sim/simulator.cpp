#include "sim/simulator.hpp"

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/clock.hpp"
#include "sim/default_objects.hpp"
#include "sim/device_core.hpp"
#include "sim/ids.hpp"
#include "sim/mstp_transport.hpp"
#include "sim/object_file.hpp"
#include "sim/standard_objects.hpp"
#include "sim/udp_transport.hpp"

namespace sim {
namespace {

constexpr std::uint32_t kNoSegmentation = 3;

}  // namespace

struct Simulator::Impl {
    SimOptions options;
    mutable std::mutex mutex;  // guards db and core
    ObjectDatabase db;
    std::unique_ptr<DeviceCore> core;
    std::unique_ptr<Transport> transport;
    std::uint16_t port = 0;
    std::string lineName;
    std::atomic<bool> running{false};
    std::atomic<std::uint64_t> requests{0};
    std::atomic<std::size_t> largestRequest{0};
    std::thread thread;
    std::mutex lifecycle;

    void Run() {
        while (running) {
            Incoming incoming;
            const bool received = transport->Receive(incoming);
            std::lock_guard<std::mutex> lock(mutex);
            const std::uint32_t now = platform::TickCount();
            if (received) {
                if ((incoming.apdu[0] >> 4) == 0) {
                    ++requests;
                    if (incoming.apduLength > largestRequest) largestRequest = incoming.apduLength;
                }
                core->OnApdu(incoming.peer, incoming.apdu, incoming.apduLength, now);
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
    if (options.deviceInstance > 4194302) return error = "device instance out of range (0..4194302)", false;
    const bool mstp = !options.mstpDevice.empty();
    if (mstp && options.mstpStation > 127) return error = "MS/TP station out of range (0..127)", false;
    ObjectDatabase db;
    if (options.objectsFile.empty())
        AddDefaultObjects(db, options.deviceInstance, options.name);
    else if (!LoadObjectFile(options.objectsFile, options.deviceInstance, options.name, db, error))
        return false;

    if (!options.segmentation)
        if (Object* device = db.Find(db.DeviceId()))
            device->properties[property::kSegmentationSupported] = Property{{Value::Enumerated(kNoSegmentation)}, false};
    for (const ObjectId& id : options.unreadableObjects) {
        Object* object = db.Find(id);
        if (object == nullptr) return error = "no such object to make unreadable", false;
        object->unreadable = true;
    }

    const Placement placement{options.network, {options.mac}};
    std::unique_ptr<Transport> transport;
    SegmentSettings settings{options.segmentTimeoutMs, options.segmentRetries, options.proposedWindow};
    settings.segmentsAnswers = options.segmentation;
    impl.port = 0;
    impl.lineName.clear();
    if (mstp) {
        auto line = OpenByteLine(options.mstpDevice, options.baudRate, error);
        if (!line) return false;
        impl.lineName = line->Name();
        transport = std::make_unique<MstpTransport>(std::move(line), options.mstpStation, placement, options.log);
        settings.deviceMaxApdu = kMstpMaxApdu;
        if (Object* device = db.Find(db.DeviceId()))
            Set(*device, property::kMaxApduLengthAccepted, Value::Unsigned(kMstpMaxApdu));
    } else {
        auto udp = UdpTransport::Open(options.bindAddress, options.port, placement, options.log, error);
        if (!udp) return false;
        impl.port = udp->Port();
        transport = std::move(udp);
    }
    if (options.maxApdu != 0 && options.maxApdu < settings.deviceMaxApdu) {
        settings.deviceMaxApdu = options.maxApdu;
        if (Object* device = db.Find(db.DeviceId()))
            Set(*device, property::kMaxApduLengthAccepted, Value::Unsigned(static_cast<std::uint32_t>(options.maxApdu)));
    }

    impl.options = options;
    impl.db = std::move(db);
    impl.transport = std::move(transport);
    impl.requests = 0;
    impl.largestRequest = 0;
    impl.core = std::make_unique<DeviceCore>(
        impl.db, [&impl](const Peer& to, const encoding::ByteVector& apdu) { impl.transport->Send(to, apdu); },
        settings);
    impl.running = true;
    impl.thread = std::thread([&impl] { impl.Run(); });
    return true;
}

void Simulator::Stop() {
    std::lock_guard<std::mutex> lifecycle(impl_->lifecycle);
    if (!impl_->running) return;
    impl_->running = false;
    if (impl_->thread.joinable()) impl_->thread.join();
    impl_->transport.reset();
}

bool Simulator::Running() const { return impl_->running; }

std::uint16_t Simulator::Port() const { return impl_->port; }

std::string Simulator::Where() const {
    std::lock_guard<std::mutex> lifecycle(impl_->lifecycle);
    return impl_->transport ? impl_->transport->Describe() : std::string();
}

std::string Simulator::LineName() const { return impl_->lineName; }

std::optional<std::array<std::optional<Value>, kPriorityLevels>> Simulator::PriorityArray(
    std::uint32_t type, std::uint32_t instance) const {
    return impl_->WithObject(type, instance, [](const Object& object) {
        return object.commandable ? std::optional(object.priorityArray.slots()) : std::nullopt;
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

std::size_t Simulator::LargestRequest() const { return impl_->largestRequest; }

}  // namespace sim
