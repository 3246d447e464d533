#include "links/shared_receiver.hpp"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>

#include "links/bvll.hpp"
#include "links/ring_reception.hpp"
#include "links/shared_ring.hpp"
#include "netwise.h"
#include "platform/address_wait.hpp"
#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "platform/trace.hpp"
#include "services/foreign_answer.hpp"

namespace LinkServices {
namespace {

constexpr std::uint32_t kMutexWaitMs = 60000;
constexpr std::uint32_t kThreadStopWaitMs = 5000;
constexpr int kThreadStopWaits = 3;
constexpr int kInstanceWaitSeconds = 60;
constexpr std::uint32_t kReceiveTimeoutMs = 500;
// While a reader lags, the writer looks again soon: datagrams wait in the
// socket's own buffer meanwhile, which a long pause would overflow.
constexpr std::uint32_t kNoRoomSleepMs = 1;
constexpr std::uint32_t kIdleReceiveSleepMs = 10;

// While host threads take their own answers from the socket, the receive
// thread stays off it; it takes over once none has wanted to receive for this
// long, and meanwhile looks again at this pace.
constexpr std::uint32_t kHostReceiveGraceMs = 5;
constexpr std::uint32_t kHostsReceivingSleepMs = 2;

// This instance's part of the receiver (module globals: each copy of the
// driver has its own).
struct Instance {
    bool master = false;
    platform::NamedMutex mutex;
    platform::SharedMapping mapping;
    SharedView* view = nullptr;
    std::uint32_t consumerIndex = 0;
    InvokeIdRange invokeIds;
    platform::Event stopEvent;
    std::atomic<bool> running{false};
    platform::Thread thread;
    // The port answers of this instance are taken to come from: the
    // configured one, or for the master the sender's port of the latest datagram.
    std::uint32_t receivePort = 0;
};

bool ForConsumer(const RingSlot& slot, std::uint32_t consumer) {
    const std::uint32_t owner = SlotOwner(slot);
    return owner == APDUServices::kAnyConsumer || owner == consumer;
}

// Looks through the slots that landed since `looked` (this consumer's own
// unread ones): true as soon as one is for it. Answers of other instances are
// left for the next drain.
bool RingHoldsOwnDatagram(const SharedView& view, std::uint32_t consumer, std::uint32_t& looked) {
    const RingSlot* slots = SlotTable(view);
    const std::uint32_t write = LoadShared(view.header.writePosition);
    for (; looked != write; looked = looked + 1 == kRingSlotCount ? 0 : looked + 1)
        if (ForConsumer(slots[looked], consumer)) return true;
    return false;
}

Instance& Self() {
    static Instance instance;
    return instance;
}

void LogBindFailure(std::uint32_t port) {
    const std::string text =
        "The driver failed to bind to port " + std::to_string(port) +
        " for receiving data. This usually happens when there is another client or server already using the port. "
        "The driver will bind to a random port and this should work for most clients, however some clients will not "
        "respond to the random port number and this might prevent the driver from working. You can use the command "
        "'netstat -a -o' to retrieve the Process ID of the process using the port. You can then use the task "
        "manager to identify the process.";
    platform::TraceWarning(std::u16string(text.begin(), text.end()));
}

bool HostsReceiving(const ConsumerTable& consumers, std::uint32_t now) {
    return now - LoadShared(consumers.hostReceiveTick) < kHostReceiveGraceMs;
}

void ReceiveLoop(void*) {
    Instance& self = Self();
    TraceLine(u"Created Receiver Sink");
    SharedView& view = *self.view;
    ConsumerTable& consumers = *Consumers(view);
    while (self.running.load(std::memory_order_acquire)) {
        const std::uint32_t now = platform::TickCount();
        if (!RingHasRoom(view, now)) {
            // A sleeping consumer may be the one behind: others' answers do not wake it.
            if (LoadShared(consumers.waiters) != 0) WakeConsumers(consumers, nullptr);
            platform::SleepMs(kNoRoomSleepMs);
            continue;
        }
        if (HostsReceiving(consumers, now) || !TakeReceiverRole(consumers, kReceiveThreadHolder)) {
            platform::SleepMs(kHostsReceivingSleepMs);
            continue;
        }
        const std::int32_t n = ReceiveIntoRing(view, consumers, kReceiveTimeoutMs);
        ReleaseReceiverRole(consumers, kReceiveThreadHolder);
        if (n <= 0) platform::SleepMs(kIdleReceiveSleepMs);
    }
    self.stopEvent.Signal();
}

bool SetUpMaster(Instance& self, std::uint32_t udpPort) {
    SharedView& view = *self.view;
    std::memset(&view, 0, kSharedViewBytes);
    view.header.instanceCount = 1;
    auto* slots = new RingSlot[kRingSlotCount]();
    auto* consumers = new ConsumerTable();
    SetTables(view, slots, consumers);
    view.header.slotCount = kRingSlotCount;
    consumers->latestSenderPort = udpPort;
    std::int32_t error = 0;
    const std::int32_t socket = UdpOpen(&error);
    view.header.socket = static_cast<std::uint32_t>(socket);
    if (error != 0 || socket == 0) return false;
    UdpConfigure(socket, static_cast<std::int32_t>(kReceiveTimeoutMs));
    consumers->socketTimeoutMs = kReceiveTimeoutMs;
    if (UdpBind(socket, 0, udpPort, &error) != 0) LogBindFailure(udpPort);
    return true;
}

bool JoinConsumers(Instance& self) {
    ConsumerTable* consumers = Consumers(*self.view);
    if (consumers == nullptr) return false;
    const std::uint32_t index = LoadShared(consumers->count);
    if (index >= kMaxConsumers) return false;
    consumers->entries[index] = ConsumerEntry{0, 0};
    StoreShared(consumers->count, index + 1);
    self.consumerIndex = index;
    self.invokeIds.lowest = static_cast<std::uint8_t>(7 * index);
    self.invokeIds.highest = static_cast<std::uint8_t>(7 * index + 6);
    return true;
}

bool Attach(Instance& self, std::uint32_t udpPort) {
    switch (self.mutex.Create(SharedMutexName(platform::CurrentProcessId()))) {
        case platform::NamedMutex::CreateResult::kFailed:
            return false;
        case platform::NamedMutex::CreateResult::kAlreadyExisted:
            if (!self.mutex.Wait(kMutexWaitMs)) return false;
            break;
        case platform::NamedMutex::CreateResult::kCreatedAndOwned:
            self.master = true;
            break;
    }
    if (!self.mapping.CreateOrOpen(SharedMappingName(platform::CurrentProcessId()), kMappingBytes)) return false;
    self.view = static_cast<SharedView*>(self.mapping.MapView(kSharedViewBytes));
    if (self.view == nullptr) return false;

    if (self.master) {
        if (!SetUpMaster(self, udpPort)) return false;
    } else {
        std::atomic_ref<std::uint32_t>(self.view->header.instanceCount).fetch_add(1, std::memory_order_acq_rel);
    }
    if (!JoinConsumers(self)) return false;
    if (self.master) {
        if (!self.stopEvent.Create()) return false;
        self.running.store(true, std::memory_order_release);
        if (!self.thread.Start(&ReceiveLoop, nullptr)) {
            self.running.store(false);
            return false;
        }
    }
    return true;
}

void StopReceiveThread(Instance& self) {
    self.running.store(false, std::memory_order_release);
    if (!self.thread.IsRunning()) return;
    bool stopped = false;
    for (int i = 0; i < kThreadStopWaits && !stopped; ++i) stopped = self.stopEvent.Wait(kThreadStopWaitMs);
    if (stopped) {
        self.thread.Join(kThreadStopWaitMs);
    } else {
        platform::TraceWarning(u"Time out waiting for data thread to finish");
        self.thread.Terminate();
    }
    if (!self.stopEvent.Close())
        platform::TraceWarningValue(u"Error to close thread event: ", platform::LastSystemError());
    if (!self.thread.Close())
        platform::TraceWarningValue(u"Error to close thread handle: ", platform::LastSystemError());
}

void DestroyTables(SharedView& view) {
    const std::int32_t socket = static_cast<std::int32_t>(view.header.socket);
    if (socket != 0) UdpClose(socket);
    StoreShared(view.header.socket, 0);
    delete[] SlotTable(view);
    delete Consumers(view);
    SetTables(view, nullptr, nullptr);
}

void TearDown(Instance& self) {
    if (self.master) StopReceiveThread(self);
    if (self.view != nullptr) {
        SharedHeader& header = self.view->header;
        if (self.master) {
            int waited = 0;
            while (LoadShared(header.instanceCount) >= 2 && waited < kInstanceWaitSeconds) {
                platform::SleepMs(1000);
                ++waited;
            }
            if (LoadShared(header.instanceCount) >= 2)
                platform::TraceWarning(u"Time out waiting for driver instances to finish");
        }
        std::atomic_ref<std::uint32_t>(header.instanceCount).fetch_sub(1, std::memory_order_acq_rel);
        if (self.master) DestroyTables(*self.view);
        self.view = nullptr;
        if (!self.mapping.UnmapView())
            platform::TraceWarningValue(u"Error to close file view: ", platform::LastSystemError());
    }
    if (self.mapping.IsOpen() && !self.mapping.Close())
        platform::TraceWarningValue(u"Error to close memory file ", platform::LastSystemError());
    if (self.mutex.IsOpen() && !self.mutex.Close()) platform::TraceWarning(u"Error to close mutex handle");
    self.master = false;
}

}  // namespace

bool StartSharedReceiver(std::uint32_t udpPort) {
    Instance& self = Self();
    self.master = false;
    self.view = nullptr;
    self.consumerIndex = 0;
    self.receivePort = udpPort;
    const bool attached = Attach(self, udpPort);
    if (self.mutex.IsOpen()) self.mutex.Release();
    if (!attached) TearDown(self);
    return attached;
}

void StopSharedReceiver() {
    Instance& self = Self();
    if (self.view == nullptr && !self.mutex.IsOpen() && !self.mapping.IsOpen()) return;
    TearDown(self);
}

void ConsumeSharedRing(BVLL& receiveSide) {
    Instance& self = Self();
    if (self.view == nullptr) return;
    const SharedView& view = *self.view;
    RingSlot* slots = SlotTable(view);
    ConsumerTable* consumers = Consumers(view);
    if (slots == nullptr || consumers == nullptr) return;  // the master has gone
    ConsumerEntry& entry = consumers->entries[self.consumerIndex];
    std::uint32_t read = LoadShared(entry.readPosition);
    const std::uint32_t port = self.master ? LoadShared(consumers->latestSenderPort) : self.receivePort;
    while (read != LoadShared(view.header.writePosition)) {
        const RingSlot& slot = slots[read];
        LinkAddress source;
        source.SetIp(slot.sender, port);
        receiveSide.ProcessDatagram(slot.data, SlotLength(slot), source);
        read = read + 1 == kRingSlotCount ? 0 : read + 1;
        StoreShared(entry.readPosition, read);
    }
    StoreShared(entry.lastAliveTick, platform::TickCount());
}

namespace {

std::uint64_t NowUs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// Receives from the socket while this host thread holds the receiver role,
// until a datagram of its own lands or the time is up.
bool ReceiveOwnDatagram(SharedView& view, ConsumerTable& consumers, std::uint32_t me, std::uint32_t& looked,
                        std::uint64_t deadline) {
    bool own = false;
    for (std::uint64_t now = NowUs(); !own && now < deadline; now = NowUs()) {
        if (!RingHasRoom(view, platform::TickCount())) break;
        const auto timeoutMs = static_cast<std::uint32_t>((deadline - now + 999) / 1000);
        if (ReceiveIntoRing(view, consumers, timeoutMs) <= 0) break;
        own = RingHoldsOwnDatagram(view, me, looked);
    }
    return own;
}

// Sleeps until woken for a datagram of this consumer's, or to take over the
// receiver role (unless the ring is full, when only draining helps), or until
// the deadline; while another host thread holds the role, for kLookAgainUs at
// most, since it may leave without waking anyone.
void SleepAsFollower(const SharedView& view, ConsumerTable& consumers, std::uint32_t me, std::uint32_t& looked,
                     std::uint64_t deadline, bool ringFull) {
    std::atomic_ref<std::uint32_t> waiters(consumers.waiters);
    std::atomic_ref<std::uint32_t> waiting(consumers.waiting[me]);
    const std::uint32_t word = LoadShared(consumers.wakeWord[me]);
    waiting.store(1, std::memory_order_seq_cst);
    waiters.fetch_add(1, std::memory_order_seq_cst);
    // Pairs with the receiving thread's fences: either these looks find the
    // datagram or a free role, or that thread sees this consumer waiting.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const std::uint64_t now = NowUs();
    const std::uint32_t holder = LoadShared(consumers.receiver);
    if (!RingHoldsOwnDatagram(view, me, looked) && (ringFull || holder != 0) && now < deadline) {
        std::uint64_t sleepUs = deadline - now;
        if (!ringFull && holder != kReceiveThreadHolder && sleepUs > kLookAgainUs) sleepUs = kLookAgainUs;
        platform::WaitWhileEqual(consumers.wakeWord[me], word, static_cast<std::uint32_t>(sleepUs));
    }
    waiters.fetch_sub(1, std::memory_order_seq_cst);
    waiting.store(0, std::memory_order_seq_cst);
}

}  // namespace

void WaitForSharedRing(std::uint32_t timeoutUs) {
    Instance& self = Self();
    if (self.view == nullptr) return;
    SharedView& view = *self.view;
    ConsumerTable* consumers = Consumers(view);
    if (consumers == nullptr) return;
    const std::uint32_t me = self.consumerIndex;
    std::uint32_t looked = LoadShared(consumers->entries[me].readPosition);
    const std::uint64_t deadline = NowUs() + timeoutUs;
    while (!RingHoldsOwnDatagram(view, me, looked) && NowUs() < deadline) {
        StoreShared(consumers->hostReceiveTick, platform::TickCount());
        const bool ringFull = !RingHasRoom(view, platform::TickCount());
        if (!ringFull && TakeReceiverRole(*consumers, me + 1)) {
            ReceiveOwnDatagram(view, *consumers, me, looked, deadline);
            ReleaseReceiverRole(*consumers, me + 1);
            return;
        }
        SleepAsFollower(view, *consumers, me, looked, deadline, ringFull);
    }
}

std::int32_t SharedSocket() {
    const Instance& self = Self();
    return self.view != nullptr ? static_cast<std::int32_t>(LoadShared(self.view->header.socket)) : 0;
}

InvokeIdRange OwnInvokeIdRange() { return Self().invokeIds; }
bool IsSharedReceiverMaster() { return Self().master; }
std::uint32_t OwnConsumerIndex() { return Self().consumerIndex; }

}  // namespace LinkServices
