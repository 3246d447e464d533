// `vorne sim` and `vorne demo`.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "tools/sim/simulator.hpp"
#include "tools/vorne/browse_plan.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/schedule_table.hpp"
#include "tools/vorne/user_messages.hpp"
#include "tools/vorne/sim_options.hpp"
#include "tools/vorne/value_text.hpp"

namespace vorne_tool {
namespace {

std::atomic<bool> g_stopSim{false};

struct DemoStep {
    std::string what;
    bool ok;
};

class Demo {
public:
    Demo(DriverHost& driver, std::uint32_t timeoutMs) : driver_(driver), timeoutMs_(timeoutMs) {}

    // Reads the tags; ok when every value arrived (or, with expectStatus, that status came back).
    void Read(const std::string& what, const std::string& station, const std::vector<std::string>& addresses,
              int expectStatus = 0) {
        std::vector<std::u16string> wide;
        for (const auto& a : addresses) wide.push_back(platform::Utf8ToUtf16(a));
        const ScanResult scan = driver_.ReadWhenBound(platform::Utf8ToUtf16(station), wide, timeoutMs_);
        const std::int32_t status = scan.statusWritten ? scan.status : 0;
        bool ok = status == expectStatus;
        std::printf("\n%s  [station %s]\n", what.c_str(), station.c_str());
        for (std::size_t i = 0; i < scan.values.size(); ++i) {
            const TagValue& v = scan.values[i];
            const bool good = v.quality == 192;
            if (expectStatus == 0) ok = ok && good;
            const auto table = good && IsSchedule(addresses[i]) ? WeeklyScheduleTable(v.text) : std::nullopt;
            std::printf("  %-30s %-40s quality %u\n", addresses[i].c_str(),
                        !good ? "(no value)" : table ? v.text.c_str() : Shown(addresses[i], v.text).c_str(), v.quality);
            if (table)
                for (const std::string& line : *table) std::printf("      %s\n", line.c_str());
            last_[addresses[i]] = v.text;
        }
        if (!qualityExplained_ && !scan.values.empty()) {
            std::printf("  (quality 192: the value arrived in this scan; 0: it did not, and the status says why)\n");
            qualityExplained_ = true;
        }
        std::printf("  status %s\n", StatusText(status).c_str());
        steps_.push_back({what, ok});
    }

    void Write(const std::string& what, const std::string& station, const std::string& address,
               const std::string& value) {
        const std::int32_t status = driver_.Write(platform::Utf8ToUtf16(station), platform::Utf8ToUtf16(address),
                                                  platform::Utf8ToUtf16(value));
        std::printf("\n%s\n  write %s = %s: %s\n", what.c_str(), address.c_str(), value.c_str(),
                    StatusText(status).c_str());
        steps_.push_back({what, status == 0});
    }

    void Expect(const std::string& what, const std::string& address, const std::string& value) {
        const bool ok = last_[address] == value;
        std::printf("  check %s is %s: %s\n", address.c_str(), value.c_str(), ok ? "yes" : "NO");
        steps_.push_back({what, ok});
    }

    int Summary() const {
        int failed = 0;
        std::printf("\ndemo summary:\n");
        for (const auto& step : steps_) {
            std::printf("  %-4s %s\n", step.ok ? "ok" : "FAIL", step.what.c_str());
            failed += !step.ok;
        }
        std::printf("%s\n", failed == 0 ? "every step worked" : "some steps failed");
        return failed == 0 ? kExitOk : kExitFailed;
    }

private:
    static bool EndsWith(const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    }
    static bool IsSchedule(const std::string& address) { return EndsWith(address, ":WEEKLY-SCHEDULE"); }
    // Units by name; long texts cut to the column.
    static std::string Shown(const std::string& address, const std::string& text) {
        if (EndsWith(address, ":UNITS")) return UnitsText(text);
        return text.size() <= 60 ? text : text.substr(0, 57) + "...";
    }

    DriverHost& driver_;
    std::uint32_t timeoutMs_;
    bool qualityExplained_ = false;
    std::vector<DemoStep> steps_;
    std::map<std::string, std::string> last_;
};

}  // namespace

int RunSim(const CommonOptions& options) {
    sim::SimOptions simOptions;
    if (!options.bind.empty()) simOptions.bindAddress = options.bind;
    simOptions.port = static_cast<std::uint16_t>(options.host.udpPort);
    simOptions.deviceInstance = options.deviceInstance;
    simOptions.objectsFile = options.objectsFile;
    simOptions.mstpDevice = options.host.mstpDevice;
    simOptions.baudRate = options.host.baudRate;
    if (options.stationGiven) {
        char* end = nullptr;
        const long station = std::strtol(options.host.mstpStation.c_str(), &end, 10);
        if (end == options.host.mstpStation.c_str() || *end != '\0' || station < 0 || station > 127) {
            std::fprintf(stderr, "vorne sim: --station needs an MS/TP station 0..127\n");
            return kExitUsage;
        }
        simOptions.mstpStation = static_cast<std::uint8_t>(station);
    }
    if (simOptions.mstpDevice.empty()) {
        const int exitCode = CheckLocalAddress("sim", simOptions.bindAddress, simOptions.port, "");
        if (exitCode != kExitOk) return exitCode;
    }
    sim::Simulator simulator;
    std::string error;
    if (!ApplySiteOptions(options, simOptions, error)) {
        std::fprintf(stderr, "vorne sim: %s\n", error.c_str());
        return kExitUsage;
    }
    if (!simulator.Start(simOptions, error)) {
        std::fprintf(stderr, "vorne sim: %s\n", error.c_str());
        return kExitFailed;
    }
    std::printf("simulated device %u on %s (Ctrl-C stops)\n", simOptions.deviceInstance, simulator.Where().c_str());
    std::fflush(stdout);
    std::signal(SIGINT, [](int) { g_stopSim = true; });
    std::signal(SIGTERM, [](int) { g_stopSim = true; });
    while (!g_stopSim) platform::SleepMs(100);
    simulator.Stop();
    return kExitOk;
}

int RunDemo(const CommonOptions& options, const char* argv0) {
    const std::uint16_t port = static_cast<std::uint16_t>(options.host.udpPort);
    sim::SimOptions simOptions;
    simOptions.bindAddress = "127.0.0.2";
    simOptions.port = port;
    for (const char* address : {"127.0.0.2", "127.0.0.1"})
        if (const int exitCode = CheckLocalAddress("demo", address, port, ""); exitCode != kExitOk) return exitCode;
    sim::Simulator simulator;
    std::string error;
    if (!simulator.Start(simOptions, error)) {
        std::fprintf(stderr, "vorne demo: the simulated device did not start: %s\n", error.c_str());
        return kExitFailed;
    }
    std::printf("simulated device 1234 on 127.0.0.2:%u; the driver runs on 127.0.0.1:%u\n", port, port);

    CommonOptions driverOptions = options;
    driverOptions.bind = "127.0.0.1";
    driverOptions.broadcast = "127.0.0.2";
    if (driverOptions.host.nullValue.empty()) driverOptions.host.nullValue = u"NULL";
    ApplyEnvironment(driverOptions);
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (const int exitCode = OpenDriver(driver, driverOptions); exitCode != kExitOk) return exitCode;

    Demo demo(driver, driverOptions.host.timeoutMs);
    const std::string ip = "127.0.0.2";
    demo.Read("one analog value (ReadProperty)", ip, {"AV:1:PRESENT-VALUE"});
    demo.Read("a group of analog inputs (ReadPropertyMultiple)", ip,
              {"AI:1:PRESENT-VALUE", "AI:1:UNITS", "AI:1:OBJECT-NAME", "AI:1:STATUS-FLAGS", "AI:2:PRESENT-VALUE"});
    demo.Read("binary and multi-state points", ip, {"BI:1:PRESENT-VALUE", "BI:1:ACTIVE-TEXT"});
    demo.Read("the device object", ip, {"DEV:1234:OBJECT-NAME", "DEV:1234:VENDOR-NAME", "DEV:1234:MODEL-NAME"});
    demo.Write("command an analog value at priority 8", ip, "AV:1:PRESENT-VALUE:8", "42.5");
    demo.Read("read it back", ip, {"AV:1:PRESENT-VALUE"});
    demo.Expect("the commanded value is present", "AV:1:PRESENT-VALUE", "42.5");
    demo.Write("relinquish priority 8 (the null value text NULL writes Null)", ip, "AV:1:PRESENT-VALUE:8", "NULL");
    demo.Read("read it back", ip, {"AV:1:PRESENT-VALUE"});
    demo.Read("find the device by its instance (Who-Is / I-Am)", "0:1234", {"DEV:1234:OBJECT-NAME"});
    demo.Read("the object list, a segmented answer (every read accepts segmented answers)", "0:1234",
              {"DEV:1234:OBJECT-LIST"});
    demo.Read("a weekly schedule: its text, and the same as a table", ip, {"SCH:1:WEEKLY-SCHEDULE"});
    demo.Read("an object the device does not have", ip, {"AV:999:PRESENT-VALUE"}, 14);
    const int exitCode = demo.Summary();
    driver.Close();
    simulator.Stop();
    return exitCode;
}

}  // namespace vorne_tool
