#include "links/shared_receiver.hpp"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>

#include "links/bvll.hpp"
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

// A host polling for an answer first watches the ring for a short while:
// on loopback and a fast LAN the answer lands within tens of microseconds,
// and sleeping would add the cost of waking. Spinning stops paying when the
// answers come later (a slow device, a host that polls seldom, a loaded
// machine), so after a few waits in a row that the spin did not end it is
// left out for a while and then tried again.
constexpr std::uint32_t kSpinUs = 50;
constexpr std::uint32_t kSpinMissesBeforePause = 4;
constexpr std::uint32_t kWaitsWithoutSpin = 64;

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
    // The receive thread overwrites the port with each sender's; the host thread reads it.
    std::atomic<std::uint32_t> receivePort{0};
    char16_t senderText[kSenderTextCharacters] = {};
    std::uint8_t data[kSlotDataBytes] = {};
    // Host thread only: the spin policy of WaitForSharedRing.
    std::uint32_t spinMisses = 0;
    std::uint32_t waitsWithoutSpin = 0;
};

std::uint64_t NowUs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

std::size_t SlotLength(const RingSlot& slot) {
    const std::size_t length = slot.length > 0 ? static_cast<std::size_t>(slot.length) : 0;
    return length < kSlotDataBytes ? length : kSlotDataBytes;
}

bool ForConsumer(const RingSlot& slot, std::uint32_t consumer) {
    const std::uint32_t owner = DatagramOwner(slot.data, SlotLength(slot));
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

// True when a datagram for this instance landed while the host thread watched the ring.
bool SpinForRing(Instance& self, const SharedView& view, std::uint32_t& looked) {
    if (self.waitsWithoutSpin > 0) {
        --self.waitsWithoutSpin;
        return false;
    }
    const auto deadline = NowUs() + kSpinUs;
    for (std::uint64_t now = NowUs(); now < deadline; now = NowUs()) {
        if (!platform::SpinWhileEqual(view.header.writePosition, looked, static_cast<std::uint32_t>(deadline - now)))
            break;
        if (RingHoldsOwnDatagram(view, self.consumerIndex, looked)) {
            self.spinMisses = 0;
            return true;
        }
    }
    if (++self.spinMisses >= kSpinMissesBeforePause) {
        self.spinMisses = 0;
        self.waitsWithoutSpin = kWaitsWithoutSpin;
    }
    return false;
}

// Wakes the sleeping consumers the datagram is for (every sleeping one when
// `slot` is null: the ring is full and they must drain it).
void WakeConsumers(ConsumerTable& consumers, const RingSlot* slot) {
    const std::uint32_t owner = slot != nullptr ? DatagramOwner(slot->data, SlotLength(*slot)) : APDUServices::kAnyConsumer;
    const std::uint32_t count = LoadShared(consumers.count);
    for (std::uint32_t i = 0; i < count && i < kMaxConsumers; ++i) {
        if (owner != APDUServices::kAnyConsumer && owner != i) continue;
        if (LoadShared(consumers.waiting[i]) == 0) continue;
        std::atomic_ref<std::uint32_t>(consumers.wakeWord[i]).fetch_add(1, std::memory_order_seq_cst);
        platform::WakeWaiters(consumers.wakeWord[i]);
    }
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

void ReceiveLoop(void*) {
    Instance& self = Self();
    TraceLine(u"Created Receiver Sink");
    SharedView& view = *self.view;
    RingSlot* slots = SlotTable(view);
    ConsumerTable* consumers = Consumers(view);
    const auto socket = static_cast<std::int32_t>(view.header.socket);
    while (self.running.load(std::memory_order_acquire)) {
        if (!RingHasRoom(view, platform::TickCount())) {
            // A sleeping consumer may be the one behind: others' answers do not wake it.
            if (consumers != nullptr && LoadShared(consumers->waiters) != 0) WakeConsumers(*consumers, nullptr);
            platform::SleepMs(kNoRoomSleepMs);
            continue;
        }
        std::uint32_t port = 0;
        std::int32_t error = 0;
        const std::int32_t n = UdpReceiveFrom(socket, self.senderText, &port, self.data,
                                              static_cast<std::int32_t>(kSlotDataBytes), &error);
        if (n <= 0) {
            platform::SleepMs(kIdleReceiveSleepMs);
            continue;
        }
        self.receivePort.store(port, std::memory_order_relaxed);
        const std::uint32_t write = LoadShared(view.header.writePosition);
        RingSlot& slot = slots[write];
        if (static_cast<std::size_t>(n) > kSlotDataBytes)
            std::memset(slot.data, 0, kSlotDataBytes);
        else
            std::memcpy(slot.data, self.data, static_cast<std::size_t>(n));
        std::memcpy(slot.sender, self.senderText, sizeof slot.sender);
        slot.sender[kSenderTextCharacters - 1] = u'\0';
        slot.length = n;
        StoreShared(view.header.writePosition, write + 1 == kRingSlotCount ? 0 : write + 1);
        // Pairs with the waiter's registration: either it sees the new
        // position or this thread sees it waiting.
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (consumers != nullptr && LoadShared(consumers->waiters) != 0) WakeConsumers(*consumers, &slot);
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
    std::int32_t error = 0;
    const std::int32_t socket = UdpOpen(&error);
    view.header.socket = static_cast<std::uint32_t>(socket);
    if (error != 0 || socket == 0) return false;
    UdpConfigure(socket, static_cast<std::int32_t>(kReceiveTimeoutMs));
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
    self.receivePort.store(udpPort);
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
    while (read != LoadShared(view.header.writePosition)) {
        const RingSlot& slot = slots[read];
        LinkAddress source;
        source.SetIp(slot.sender, self.receivePort.load(std::memory_order_relaxed));
        receiveSide.ProcessDatagram(slot.data, SlotLength(slot), source);
        read = read + 1 == kRingSlotCount ? 0 : read + 1;
        StoreShared(entry.readPosition, read);
    }
    StoreShared(entry.lastAliveTick, platform::TickCount());
}

void WaitForSharedRing(std::uint32_t timeoutUs) {
    Instance& self = Self();
    if (self.view == nullptr) return;
    const SharedView& view = *self.view;
    ConsumerTable* consumers = Consumers(view);
    if (consumers == nullptr) return;
    const std::uint32_t me = self.consumerIndex;
    std::uint32_t looked = LoadShared(consumers->entries[me].readPosition);
    if (RingHoldsOwnDatagram(view, me, looked)) return;
    if (SpinForRing(self, view, looked)) return;
    std::atomic_ref<std::uint32_t> waiters(consumers->waiters);
    std::atomic_ref<std::uint32_t> waiting(consumers->waiting[me]);
    const std::uint32_t word = LoadShared(consumers->wakeWord[me]);
    waiting.store(1, std::memory_order_seq_cst);
    waiters.fetch_add(1, std::memory_order_seq_cst);
    // Pairs with the receive thread's fence: either this look finds the
    // datagram, or the receive thread sees this consumer waiting.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!RingHoldsOwnDatagram(view, me, looked)) platform::WaitWhileEqual(consumers->wakeWord[me], word, timeoutUs);
    waiters.fetch_sub(1, std::memory_order_seq_cst);
    waiting.store(0, std::memory_order_seq_cst);
}

std::int32_t SharedSocket() {
    const Instance& self = Self();
    return self.view != nullptr ? static_cast<std::int32_t>(LoadShared(self.view->header.socket)) : 0;
}

InvokeIdRange OwnInvokeIdRange() { return Self().invokeIds; }
bool IsSharedReceiverMaster() { return Self().master; }
std::uint32_t OwnConsumerIndex() { return Self().consumerIndex; }

}  // namespace LinkServices
