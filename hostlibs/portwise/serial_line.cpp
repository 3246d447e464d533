// Portwise stand-in: serial ports for the driver's MS/TP link.
//
// The line's parameters come from the host's settings record (device path,
// baud rate, data bits, parity, stop bits; a rate of 0 means 38400, data bits
// 0 mean 8, stop bits 0 mean 1). Each open port has one receive thread. It
// reads whatever the line delivers (waiting at most 50 ms at a time, so that
// a close is seen promptly) and then calls the callback once per byte; only
// that thread touches the received bytes, so SerialReadByte needs no lock.
// Writes are serialised per port and run on the caller's thread, beside the
// receive thread.
#include <atomic>
#include <cstddef>
#include <mutex>
#include <new>
#include <string>

#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "platform/serial_port.hpp"
#include "platform/utf.hpp"
#include "portwise.h"
#include "vorne/settings_record.hpp"

static_assert(offsetof(PortwisePort, errorWord) == 24, "the error word sits at byte offset 24 of the port record");

namespace {

constexpr std::uint32_t kDefaultBaudRate = 38400;
constexpr std::uint32_t kStopWaitMs = 3000;   // a read returns within 50 ms; a callback may be slower
constexpr std::uint32_t kRetryPauseMs = 100;  // between reads of a line that fails

struct PortState {
    platform::SerialPort line;
    platform::Thread thread;
    std::u16string device;
    std::atomic<bool> stop{false};
    std::atomic<PortwiseReceiveCallback> callback{nullptr};
    std::mutex writeMutex;
    // Receive thread only.
    std::uint8_t received[256] = {};
    std::size_t next = 0;
    std::size_t count = 0;
};

struct PortRecord {
    PortwisePort header;  // first: the handle points here
    PortState* state;
};

PortRecord* Record(void* port) {
    auto* record = static_cast<PortRecord*>(port);
    return record != nullptr && record->header.signature == PORTWISE_SIGNATURE ? record : nullptr;
}

std::u16string Number(long long n) { return platform::Widen(std::to_string(n)); }

void Log(const std::u16string& line) { SerialTrace(line.c_str()); }

std::u16string LineText(const platform::SerialLineSettings& line) {
    static constexpr char16_t kParity[] = u"NOE";
    std::u16string text = Number(line.baudRate) + u" baud, ";
    text += Number(line.dataBits);
    text += kParity[static_cast<std::uint32_t>(line.parity) <= 2 ? static_cast<std::uint32_t>(line.parity) : 0];
    text += Number(line.stopBits);
    return text;
}

void PauseUnlessStopped(const PortState& state) {
    for (std::uint32_t waited = 0; waited < kRetryPauseMs && !state.stop.load(std::memory_order_acquire); waited += 10)
        platform::SleepMs(10);
}

void ReceiveLoop(void* argument) {
    auto* record = static_cast<PortRecord*>(argument);
    PortState& state = *record->state;
    bool failing = false;
    while (!state.stop.load(std::memory_order_acquire)) {
        std::int32_t systemError = 0;
        const std::int32_t n = state.line.Read(state.received, sizeof state.received, systemError);
        if (n < 0) {
            // Logged once per run of failures: an unplugged adapter fails every read.
            if (!failing)
                Log(u"Portwise: reading " + state.device + u" failed (system error " + Number(systemError) + u")");
            failing = true;
            PauseUnlessStopped(state);
            continue;
        }
        failing = false;
        state.next = 0;
        state.count = static_cast<std::size_t>(n);
        const PortwiseReceiveCallback callback = state.callback.load(std::memory_order_acquire);
        while (callback != nullptr && state.next < state.count && !state.stop.load(std::memory_order_acquire)) {
            const std::size_t before = state.next;
            callback(record);
            if (state.next == before) break;  // the callback declined: drop the rest
        }
        state.next = state.count = 0;
    }
}

void SetError(int32_t* error, int32_t code) {
    if (error != nullptr) *error = code;
}

}  // namespace

extern "C" {

PORTWISE_API void* HOSTLIB_CALL SerialOpen(void* /*hostHandle*/, const void* settingsRecord, int32_t* error) {
    SetError(error, PORTWISE_OK);
    if (settingsRecord == nullptr) {
        Log(u"Portwise: no settings record, no serial device to open");
        SetError(error, PORTWISE_NO_DEVICE);
        return nullptr;
    }
    const vorne::DriverSettings settings = vorne::CopySettings(settingsRecord);
    const std::u16string device(settings.serialDevice,
                                platform::BoundedLength(settings.serialDevice, vorne::kSerialDeviceCapacity));
    if (device.find_first_not_of(u' ') == std::u16string::npos) {
        Log(u"Portwise: no serial device in the settings record");
        SetError(error, PORTWISE_NO_DEVICE);
        return nullptr;
    }
    platform::SerialLineSettings line;
    line.baudRate = settings.serialBaudRate != 0 ? settings.serialBaudRate : kDefaultBaudRate;
    line.dataBits = settings.serialDataBits != 0 ? settings.serialDataBits : 8;
    line.parity = static_cast<platform::SerialParity>(settings.serialParity);
    line.stopBits = settings.serialStopBits != 0 ? settings.serialStopBits : 1;
    if (!platform::IsSupportedSerialLine(line)) {
        Log(u"Portwise: " + device + u": unsupported line settings (" + Number(line.baudRate) + u" baud, " +
            Number(line.dataBits) + u" data bits, parity " + Number(settings.serialParity) + u", " +
            Number(line.stopBits) + u" stop bits)");
        SetError(error, PORTWISE_BAD_LINE);
        return nullptr;
    }

    auto* state = new (std::nothrow) PortState;
    auto* record = new (std::nothrow) PortRecord{};
    if (state == nullptr || record == nullptr) {
        delete state;
        delete record;
        Log(u"Portwise: " + device + u": out of memory");
        SetError(error, PORTWISE_NO_THREAD);
        return nullptr;
    }
    record->state = state;
    state->device = device;
    std::int32_t systemError = 0;
    const platform::SerialOpenResult opened = state->line.Open(device, line, systemError);
    if (opened != platform::SerialOpenResult::kOpen) {
        std::u16string why = u"cannot open ";
        int32_t code = PORTWISE_CANNOT_OPEN;
        if (opened == platform::SerialOpenResult::kNotASerialLine) {
            why = u"not a serial line: ";
            code = PORTWISE_NOT_SERIAL;
        } else if (opened == platform::SerialOpenResult::kUnsupportedSettings) {
            why = u"line settings " + LineText(line) + u" refused by ";
            code = PORTWISE_BAD_LINE;
        }
        Log(u"Portwise: " + why + device + u" (system error " + Number(systemError) + u")");
        delete state;
        delete record;
        SetError(error, code);
        return nullptr;
    }
    record->header.signature = PORTWISE_SIGNATURE;
    if (!state->thread.Start(&ReceiveLoop, record)) {
        Log(u"Portwise: " + device + u": the receive thread did not start");
        state->line.Close();
        delete state;
        delete record;
        SetError(error, PORTWISE_NO_THREAD);
        return nullptr;
    }
    Log(u"Portwise: " + device + u" open, " + LineText(line));
    return record;
}

PORTWISE_API void HOSTLIB_CALL SerialSetReceiveCallback(void* port, PortwiseReceiveCallback callback) {
    if (PortRecord* record = Record(port)) record->state->callback.store(callback, std::memory_order_release);
}

PORTWISE_API int32_t HOSTLIB_CALL SerialReadByte(void* port, uint8_t* byte) {
    PortRecord* record = Record(port);
    if (record == nullptr || byte == nullptr) return 0;
    PortState& state = *record->state;
    if (state.next >= state.count) return 0;
    *byte = state.received[state.next++];
    return 1;
}

PORTWISE_API int32_t HOSTLIB_CALL SerialWrite(void* port, const uint8_t* data, int32_t length) {
    PortRecord* record = Record(port);
    if (record == nullptr) return 0;
    PortState& state = *record->state;
    std::lock_guard lock(state.writeMutex);
    if (length < 0 || (data == nullptr && length > 0)) {
        record->header.errorWord = PORTWISE_WRITE_FAILED;
        return 0;
    }
    std::int32_t systemError = 0;
    if (state.line.Write(data, static_cast<std::size_t>(length), systemError)) {
        record->header.errorWord = PORTWISE_OK;
        return 1;
    }
    record->header.errorWord = PORTWISE_WRITE_FAILED;
    Log(u"Portwise: writing to " + state.device + u" failed (system error " + Number(systemError) + u")");
    return 0;
}

PORTWISE_API void HOSTLIB_CALL SerialClose(void* port) {
    PortRecord* record = Record(port);
    if (record == nullptr) return;
    PortState& state = *record->state;
    state.stop.store(true, std::memory_order_release);
    if (!state.thread.Join(kStopWaitMs)) {
        // A callback that never returns: the thread keeps the record, which is let go.
        Log(u"Portwise: the receive thread of " + state.device + u" did not stop");
        state.thread.Terminate();
        return;
    }
    state.thread.Close();
    state.line.Close();
    record->header.signature = 0;
    delete record->state;
    delete record;
}

}  // extern "C"
