#include "tagcore/driver_registry.hpp"

#include <atomic>
#include <map>
#include <memory>

#include "platform/dynamic_library.hpp"

namespace tagcore {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<const void*, std::unique_ptr<DriverRecord>> byModule;
    // Raised by every registration: a module loaded where an unloaded one
    // was registers before it parses, so no thread keeps a stale answer.
    std::atomic<std::uint64_t> generation{1};
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Finding a module from an address walks the loaded modules; every call from
// one call site gives the same return address, so each thread keeps its last
// answer until the next registration.
struct LastAnswer {
    const void* callerAddress = nullptr;
    std::uint64_t generation = 0;
    DriverRecord* record = nullptr;
};
thread_local LastAnswer lastAnswer;

}  // namespace

DriverRecord& RegisterCaller(const void* callerAddress) {
    auto& registry = TheRegistry();
    const void* module = platform::ModuleContaining(callerAddress);
    std::lock_guard lock(registry.mutex);
    auto& slot = registry.byModule[module];
    if (slot == nullptr) slot = std::make_unique<DriverRecord>();
    registry.generation.fetch_add(1, std::memory_order_acq_rel);
    return *slot;
}

DriverRecord* RecordOfCaller(const void* callerAddress) {
    auto& registry = TheRegistry();
    const std::uint64_t generation = registry.generation.load(std::memory_order_acquire);
    if (lastAnswer.callerAddress == callerAddress && lastAnswer.generation == generation) return lastAnswer.record;
    const void* module = platform::ModuleContaining(callerAddress);
    DriverRecord* record = nullptr;
    {
        std::lock_guard lock(registry.mutex);
        const auto found = registry.byModule.find(module);
        if (found != registry.byModule.end()) record = found->second.get();
    }
    if (record != nullptr) lastAnswer = {callerAddress, generation, record};
    return record;
}

}  // namespace tagcore
