// Reads and writes answer "not available" until the application layer's
// services exist: a read ends at once with status 19 and a write with 17.
#include "host/transactions.hpp"

#include "host/lifecycle.hpp"

namespace host {
namespace {

constexpr std::int32_t kStatusOtherReadError = 19;
constexpr std::int32_t kStatusOtherWriteError = 17;

void SetStatus(std::int32_t* status, std::int32_t value) {
    if (status != nullptr) *status = value;
}

}  // namespace

std::int32_t AddGroup(void* /*group*/, const char16_t* /*station*/) { return 1; }

void RemoveGroup(void* /*group*/) {}

std::int32_t ReadGroupStart(const char16_t*, const char16_t*, const char16_t* const*, std::int32_t,
                            std::int32_t* status) {
    OnIdle();
    SetStatus(status, kStatusOtherReadError);
    return 0;
}

std::int32_t ReadGroupFinish(HostValue*, std::int32_t, std::int32_t* status) {
    OnIdle();
    SetStatus(status, kStatusOtherReadError);
    return 1;
}

std::int32_t WriteItemStart(const char16_t*, const char16_t*, const char16_t*, const HostValue*,
                            std::int32_t* status) {
    OnIdle();
    SetStatus(status, kStatusOtherWriteError);
    return 0;
}

std::int32_t WriteItemFinish(std::int32_t* status) {
    OnIdle();
    SetStatus(status, kStatusOtherWriteError);
    return 1;
}

}  // namespace host
