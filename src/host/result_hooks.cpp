#include "host/result_hooks.hpp"

#include "host/device_table.hpp"
#include "host/read_cycle.hpp"
#include "host/write_cycle.hpp"
#include "services/transactions.hpp"

namespace host {

void FillResultHooks() {
    auto& hooks = APDUServices::Transactions().hooks;
    hooks = APDUServices::ResultHooks{};
    hooks.onPropertyValue = &OnPropertyValue;
    hooks.onReadError = &OnReadError;
    hooks.onPropertyError = &OnPropertyError;
    hooks.onWriteAck = &OnWriteAck;
    hooks.onWriteError = &OnWriteError;
    hooks.onReadRefused = &OnReadRefused;
    hooks.onWriteRefused = &OnWriteRefused;
    hooks.setTransactionStatus = &SetTransactionStatus;
    hooks.onDeviceBinding = &BindFromIAm;
}

}  // namespace host
