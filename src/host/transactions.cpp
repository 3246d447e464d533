// Writes answer "not available" until the WriteProperty service exists: a
// write ends at once with status 17.
#include "host/transactions.hpp"

#include "host/lifecycle.hpp"

namespace host {
namespace {

constexpr std::int32_t kStatusOtherWriteError = 17;

void SetStatus(std::int32_t* status, std::int32_t value) {
    if (status != nullptr) *status = value;
}

}  // namespace

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
