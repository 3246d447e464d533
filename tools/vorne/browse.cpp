// `vorne browse`: a device's object list and, for every object, its name,
// present value, units or state texts and whether it is commandable, read
// through the driver as a host reads (one read group per object type,
// several properties per request), written as a tag list for `vorne poll`.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "tools/vorne/bacnet_client.hpp"
#include "tools/vorne/browse_plan.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/station_text.hpp"
#include "tools/vorne/user_messages.hpp"
#include "tools/vorne/text_escape.hpp"
#include "tools/vorne/value_text.hpp"

#ifdef _WIN32
#include <io.h>
#define VORNE_ISATTY _isatty
#define VORNE_FILENO _fileno
#else
#include <unistd.h>
#define VORNE_ISATTY isatty
#define VORNE_FILENO fileno
#endif

namespace vorne_tool {
namespace {

std::atomic<bool> g_interrupted{false};

constexpr std::int32_t kStatusNoAnswer = -15;
constexpr std::uint32_t kWildcardDevice = 4194303;
constexpr std::uint32_t kObjectListProperty = 76;
constexpr std::uint32_t kObjectIdentifier = 75;
constexpr std::uint32_t kDeviceType = 8;
// Longest object-list text the driver hands over; a text this long may have been cut.
constexpr std::size_t kObjectListTextLimit = 9999 - 24;
// Answer octets one object takes at most, as we read it.
constexpr std::uint32_t kOctetsPerObject = 200;
constexpr std::size_t kMostObjectsPerRequest = 16;
const char* const kNoAnswer = "no answer to ReadProperty or Who-Is";

std::vector<std::uint8_t> MacOctets(const std::string& hex) {
    std::vector<std::uint8_t> octets;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        octets.push_back(static_cast<std::uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return octets;
}

class Browser {
public:
    Browser(DriverHost& driver, const CommonOptions& options, std::string station)
        : driver_(driver), options_(options), station_(std::move(station)), parts_(SplitStation(station_)) {
        progressOnTerminal_ = VORNE_ISATTY(VORNE_FILENO(stderr)) != 0;
    }

    int Run();

private:
    // Reads through the driver, giving the driver time to bind a station found by Who-Is.
    ScanResult Read(const std::string& station, const std::vector<std::string>& addresses);
    bool ReadDevice();
    bool ReadObjectList();
    bool ReadObjectListByIndex();
    bool OpenClient(std::string& why);
    bool FindInstance(std::string& why);
    // False when the device stopped answering.
    bool ReadGroup(std::uint32_t type, const std::vector<std::size_t>& members);
    bool ReadChunk(std::uint32_t type, const std::vector<std::size_t>& chunk, std::set<std::string>& dropped);
    bool ReadAlone(BrowsedObject& object);
    std::string ExactError(const BrowsedObject& object, const std::string& property);
    bool DeviceAnswers();
    void Progress(bool final);
    int Finish(int exitCode, const std::string& message);

    DriverHost& driver_;
    const CommonOptions& options_;
    std::string station_;
    StationParts parts_;
    std::uint32_t device_ = 0;
    std::string deviceName_;
    std::uint32_t segmentation_ = 3;
    std::uint32_t maxApdu_ = 480;
    std::vector<ObjectRef> list_;
    std::vector<BrowsedObject> objects_;  // the taggable ones, in list order
    std::vector<ObjectRef> skipped_;
    std::size_t done_ = 0;
    std::size_t failedRequests_ = 0;
    bool progressOnTerminal_ = false;
    std::string howListed_;
    std::unique_ptr<BacnetClient> client_;  // for array indexes and exact errors, on BACnet/IP
    std::optional<DeviceAddress> clientTarget_;
    bool clientTried_ = false;
};

ScanResult Browser::Read(const std::string& station, const std::vector<std::string>& addresses) {
    std::vector<std::u16string> wide;
    for (const auto& a : addresses) wide.push_back(platform::Utf8ToUtf16(a));
    return driver_.ReadWhenBound(platform::Utf8ToUtf16(station), wide, options_.host.timeoutMs, &g_interrupted);
}

bool Good(const ScanResult& scan, std::size_t index) {
    return scan.sent && index < scan.values.size() && scan.values[index].quality == 192;
}

std::int32_t StatusOf(const ScanResult& scan) { return scan.statusWritten ? scan.status : 0; }

bool Browser::ReadDevice() {
    if (parts_.device < 0) {
        // A bare address: the device tells its own instance (the driver matches
        // answers by instance, so this goes through our own socket).
        std::string why;
        if (!OpenClient(why) || !FindInstance(why)) {
            if (g_interrupted) return false;
            if (why == kNoAnswer)
                std::fprintf(stderr, "vorne browse: station %s is silent: no answer to ReadProperty or Who-Is within "
                                     "%u ms; check the address, the port (--port) and that the device is on\n",
                             station_.c_str(), options_.host.timeoutMs);
            else
                std::fprintf(stderr, "vorne browse: the device instance at %s is unknown (%s); name the station as "
                                     "ADDRESS:0:DEVICE\n", station_.c_str(), why.c_str());
            return false;
        }
    } else {
        device_ = static_cast<std::uint32_t>(parts_.device);
    }
    const std::string dev = "DEV:" + std::to_string(device_) + ":";
    const ScanResult info = Read(station_, {dev + "OBJECT-NAME", dev + "SEGMENTATION-SUPPORTED", dev + "MAX-APDU-LENGTH-ACCEPTED"});
    if (!Good(info, 0)) {
        if (g_interrupted) return false;
        const std::string advice = StationStatusAdvice(station_, StatusOf(info), options_.host.timeoutMs);
        std::fprintf(stderr, "vorne browse: device %u at %s does not answer (%s)%s%s\n", device_, station_.c_str(),
                     StatusText(StatusOf(info)).c_str(), advice.empty() ? "" : ": ", advice.c_str());
        return false;
    }
    deviceName_ = info.values[0].text;
    if (Good(info, 1)) segmentation_ = static_cast<std::uint32_t>(std::strtoul(info.values[1].text.c_str(), nullptr, 10));
    if (Good(info, 2)) maxApdu_ = static_cast<std::uint32_t>(std::strtoul(info.values[2].text.c_str(), nullptr, 10));
    std::fprintf(stderr, "device %u \"%s\" at %s: max APDU %u, segmentation %s\n", device_, deviceName_.c_str(),
                 station_.c_str(), maxApdu_,
                 segmentation_ == 0 ? "both" : segmentation_ == 1 ? "transmit" : segmentation_ == 2 ? "receive" : "none");
    return true;
}

bool Browser::FindInstance(std::string& why) {
    const ReadOutcome id = client_->ReadProperty(*clientTarget_, kDeviceType, kWildcardDevice, kObjectIdentifier,
                                                 std::nullopt, options_.host.timeoutMs);
    if (id.Ok() && !id.values.empty() && id.values[0].kind == sim::Kind::kObjectIdentifier) {
        device_ = id.values[0].instance;
        return true;
    }
    // Devices that do not take the wildcard instance still answer Who-Is.
    client_->SendWhoIs(clientTarget_->ip, clientTarget_->port, std::nullopt);
    bool found = false;
    client_->CollectIAms(options_.host.timeoutMs, [&](const IAm& iAm) {
        if (!found && iAm.from.ip == clientTarget_->ip) device_ = iAm.deviceInstance, found = true;
    });
    if (!found) why = kNoAnswer;
    return found;
}

bool Browser::OpenClient(std::string& why) {
    if (clientTarget_) return true;
    if (clientTried_) return why = "no address for it", false;
    clientTried_ = true;
    if (!options_.host.mstpDevice.empty()) return why = "the driver runs MS/TP", false;
    client_ = std::make_unique<BacnetClient>();
    if (!client_->Open(options_.bind, 0, true, why)) return false;
    DeviceAddress target;
    target.port = static_cast<std::uint16_t>(options_.host.udpPort);
    if (!parts_.link.empty()) {
        const auto ip = platform::ParseIpv4(parts_.link);
        if (!ip) return why = "the station is not an IP address", false;
        target.ip = *ip;
        if (parts_.network > 0 && !parts_.mac.empty()) {
            target.network = static_cast<std::uint16_t>(parts_.network);
            target.mac = MacOctets(parts_.mac);
        }
        clientTarget_ = target;
        return true;
    }
    // NETWORK:DEVICE: ask where the device is.
    const auto broadcast = platform::ParseIpv4(options_.broadcast.empty() ? "255.255.255.255" : options_.broadcast);
    if (!broadcast) return why = "the broadcast address is not an IPv4 address", false;
    client_->SendWhoIs(*broadcast, target.port, std::make_pair(device_, device_));
    client_->CollectIAms(options_.host.timeoutMs, [&](const IAm& iAm) {
        if (iAm.deviceInstance == device_ && !clientTarget_) clientTarget_ = iAm.from;
    });
    if (!clientTarget_) return why = "the device did not answer Who-Is", false;
    return true;
}

bool Browser::ReadObjectListByIndex() {
    std::string why;
    if (!OpenClient(why)) {
        std::fprintf(stderr, "vorne browse: cannot read the object list element by element: %s\n", why.c_str());
        return false;
    }
    const std::uint32_t timeout = options_.host.timeoutMs;
    const ReadOutcome length = client_->ReadProperty(*clientTarget_, kDeviceType, device_, kObjectListProperty, 0u, timeout);
    if (!length.Ok() || length.values.empty() || length.values[0].kind != sim::Kind::kUnsigned) {
        std::fprintf(stderr, "vorne browse: the object list length could not be read: %s\n", length.Describe().c_str());
        return false;
    }
    const std::uint32_t count = length.values[0].number;
    list_.clear();
    for (std::uint32_t index = 1; index <= count && !g_interrupted; ++index) {
        const ReadOutcome element = client_->ReadProperty(*clientTarget_, kDeviceType, device_, kObjectListProperty, index, timeout);
        if (!element.Ok() || element.values.empty() || element.values[0].kind != sim::Kind::kObjectIdentifier) {
            std::fprintf(stderr, "vorne browse: object list element %u of %u: %s\n", index, count, element.Describe().c_str());
            if (element.kind == ReadOutcome::Kind::kNoAnswer) return false;
            ++failedRequests_;
            continue;
        }
        list_.push_back({element.values[0].number, element.values[0].instance});
        if (progressOnTerminal_ && index % 10 == 0) std::fprintf(stderr, "\robject list %u/%u", index, count);
    }
    if (progressOnTerminal_) std::fprintf(stderr, "\r");
    howListed_ = "read element by element (" + std::to_string(count) + " reads)";
    return !g_interrupted;
}

bool Browser::ReadObjectList() {
    const std::string address = "DEV:" + std::to_string(device_) + ":OBJECT-LIST";
    auto attempt = [&](const std::string& station, const char* how) {
        const ScanResult scan = Read(station, {address});
        if (!Good(scan, 0)) return false;
        const auto parsed = ParseObjectList(scan.values[0].text);
        if (!parsed || scan.values[0].text.size() >= kObjectListTextLimit) return false;  // none, or cut short
        list_ = *parsed;
        howListed_ = how;
        return true;
    };
    // A device that segments its answers may send the whole list in one read.
    const bool segments = segmentation_ == 0 || segmentation_ == 1;
    const bool namedByNetwork = parts_.link.empty();
    if (segments && options_.host.mstpDevice.empty() && !namedByNetwork) {
        const std::string byNetwork = std::to_string(parts_.network < 0 ? 0 : parts_.network) + ":" + std::to_string(device_);
        if (attempt(byNetwork, "segmented answer")) return true;
    }
    if (attempt(station_, namedByNetwork && segments ? "segmented answer" : "one answer")) return true;
    std::fprintf(stderr, "the object list did not come whole through the driver; reading it element by element\n");
    return ReadObjectListByIndex();
}

std::string Browser::ExactError(const BrowsedObject& object, const std::string& property) {
    std::string why;
    if (!OpenClient(why)) return {};
    const std::uint32_t number = property == "OBJECT-NAME" ? 77 : 85;
    const ReadOutcome outcome = client_->ReadProperty(*clientTarget_, object.ref.type, object.ref.instance, number,
                                                      std::nullopt, options_.host.timeoutMs, 1);
    return outcome.Ok() ? std::string() : outcome.Describe();
}

// One ReadProperty for each required property: which one fails, and why.
bool Browser::ReadAlone(BrowsedObject& object) {
    const std::string prefix = ObjectText(object.ref) + ":";
    for (const char* property : {"OBJECT-NAME", "PRESENT-VALUE"}) {
        const ScanResult scan = Read(station_, {prefix + property});
        if (!scan.sent || !Good(scan, 0)) {
            if (StatusOf(scan) == kStatusNoAnswer && !DeviceAnswers()) return false;
            const std::string exact = ExactError(object, property);
            object.error = std::string(property) + ": " + StatusText(StatusOf(scan)) + (exact.empty() ? "" : ", " + exact);
            return true;
        }
        (property[0] == 'O' ? object.objectName : object.value) = scan.values[0].text;
    }
    return true;
}

bool Browser::DeviceAnswers() {
    const ScanResult scan = Read(station_, {"DEV:" + std::to_string(device_) + ":OBJECT-NAME"});
    return Good(scan, 0);
}

bool Browser::ReadChunk(std::uint32_t type, const std::vector<std::size_t>& chunk, std::set<std::string>& dropped) {
    std::vector<std::string> properties;
    for (const auto& p : PropertiesToRead(type))
        if (dropped.count(p) == 0) properties.push_back(p);
    std::vector<std::string> addresses;
    for (std::size_t index : chunk)
        for (const auto& p : properties) addresses.push_back(ObjectText(objects_[index].ref) + ":" + p);
    ScanResult scan = Read(station_, addresses);
    if (StatusOf(scan) == kStatusNoAnswer && !Good(scan, 0)) {
        ++failedRequests_;
        scan = Read(station_, addresses);
    }
    bool anyMissing = false;
    std::map<std::string, std::size_t> missingOptional;
    for (std::size_t k = 0; k < chunk.size(); ++k) {
        BrowsedObject& object = objects_[chunk[k]];
        const std::size_t base = k * properties.size();
        if (!Good(scan, base) || !Good(scan, base + 1)) {
            anyMissing = true;
            if (!ReadAlone(object)) return false;
            continue;
        }
        object.objectName = scan.values[base].text;
        object.value = scan.values[base + 1].text;
        std::string inactive;
        for (std::size_t p = kRequiredProperties; p < properties.size(); ++p) {
            const std::string& name = properties[p];
            if (!Good(scan, base + p)) {
                ++missingOptional[name];
                continue;
            }
            const std::string& text = scan.values[base + p].text;
            if (name == "UNITS") object.units = UnitsText(text);
            else if (name == "INACTIVE-TEXT") inactive = text;
            else if (name == "ACTIVE-TEXT") object.units = inactive + "|" + text;
            else if (name == "STATE-TEXT") object.units = text;
            else if (name == "PRIORITY-ARRAY") object.commandable = true;
        }
    }
    done_ += chunk.size();
    if (anyMissing) ++failedRequests_;
    // A property that none of these objects has is not asked for again in this group:
    // each missing one costs the request its time-out.
    for (const auto& [name, count] : missingOptional)
        if (count == chunk.size()) dropped.insert(name);
    return true;
}

bool Browser::ReadGroup(std::uint32_t type, const std::vector<std::size_t>& members) {
    const std::size_t perRequest = std::max<std::size_t>(1, std::min<std::size_t>(kMostObjectsPerRequest, std::min(maxApdu_, 1476u) / kOctetsPerObject));
    std::set<std::string> dropped;
    for (std::size_t first = 0; first < members.size() && !g_interrupted; first += perRequest) {
        const std::vector<std::size_t> chunk(members.begin() + static_cast<std::ptrdiff_t>(first),
                                             members.begin() + static_cast<std::ptrdiff_t>(std::min(members.size(), first + perRequest)));
        if (!ReadChunk(type, chunk, dropped)) return false;
        Progress(false);
    }
    if (!progressOnTerminal_)
        std::fprintf(stderr, "%s: %zu objects read (%zu/%zu), failed requests %zu\n", TypeAlias(type).c_str(),
                     members.size(), done_, objects_.size(), failedRequests_);
    return true;
}

void Browser::Progress(bool final) {
    if (!progressOnTerminal_) return;
    std::fprintf(stderr, "\rbrowsing %s: %zu/%zu objects, failed requests %zu%s", station_.c_str(), done_,
                 objects_.size(), failedRequests_, final ? "\n" : "");
    std::fflush(stderr);
}

int Browser::Run() {
    const char* const kInterrupted = "interrupted; the tag list holds what was read so far";
    if (!ReadDevice()) return g_interrupted ? Finish(kExitFailed, kInterrupted) : kExitFailed;
    if (!ReadObjectList()) {
        if (g_interrupted) return Finish(kExitFailed, kInterrupted);
        std::fprintf(stderr, "vorne browse: the object list of device %u could not be read\n", device_);
        return kExitFailed;
    }
    std::fprintf(stderr, "object list: %zu objects (%s)\n", list_.size(), howListed_.c_str());
    std::map<std::uint32_t, std::vector<std::size_t>> groups;  // object type -> indexes into objects_
    for (const ObjectRef& ref : list_) {
        if (!IsTaggable(ref.type)) {
            skipped_.push_back(ref);
            continue;
        }
        groups[ref.type].push_back(objects_.size());
        objects_.push_back(BrowsedObject{ref, {}, {}, {}, false, {}, {}});
    }
    std::intptr_t handle = 0;
    for (const auto& group : groups) {
        (void)group;
        driver_.AddGroup(++handle, platform::Utf8ToUtf16(station_));
    }
    bool answering = true;
    for (const auto& [type, members] : groups) {
        if (g_interrupted) break;
        if (!ReadGroup(type, members)) {
            answering = false;
            break;
        }
    }
    for (std::intptr_t h = 1; h <= handle; ++h) driver_.RemoveGroup(h);
    Progress(true);
    // Ctrl-C while the device was silent is still the user's interruption.
    if (g_interrupted) return Finish(kExitFailed, kInterrupted);
    if (!answering) return Finish(kExitFailed, "the device stopped answering; the tag list holds what was read before");
    return Finish(kExitOk, "");
}

int Browser::Finish(int exitCode, const std::string& message) {
    // Objects not reached (interrupted, or the device went away) are left out.
    std::vector<BrowsedObject> read;
    std::size_t failed = 0;
    for (const auto& object : objects_) {
        if (!object.error.empty()) {
            ++failed;
            std::fprintf(stderr, "failed: %s %s\n", ObjectText(object.ref).c_str(), object.error.c_str());
        }
        if (!object.objectName.empty() || !object.error.empty()) read.push_back(object);
    }
    if (!skipped_.empty()) {
        std::string names;
        for (std::size_t i = 0; i < skipped_.size() && i < 12; ++i) names += (i ? " " : "") + ObjectText(skipped_[i]);
        std::fprintf(stderr, "not tagged (no present value, or a type addresses cannot name): %zu object%s: %s%s\n",
                     skipped_.size(), skipped_.size() == 1 ? "" : "s", names.c_str(), skipped_.size() > 12 ? " ..." : "");
    }
    NameTags(read);
    std::FILE* out = stdout;
    if (!options_.outFile.empty()) {
        out = std::fopen(options_.outFile.c_str(), "w");
        if (out == nullptr) {
            std::fprintf(stderr, "vorne browse: cannot write %s\n", options_.outFile.c_str());
            return kExitFailed;
        }
    }
    if (!options_.outFile.empty() || !options_.json) WriteTagList(out, station_, read);
    if (out != stdout) std::fclose(out);
    if (options_.json)
        for (const auto& object : read)
            std::printf("{\"object\":%s,\"name\":%s,\"tag\":%s,\"value\":%s,\"units\":%s,\"commandable\":%s%s%s}\n",
                        JsonString(ObjectText(object.ref)).c_str(), JsonString(object.objectName).c_str(),
                        JsonString(object.tag).c_str(), JsonString(object.value).c_str(),
                        JsonString(object.units).c_str(), object.commandable ? "true" : "false",
                        object.error.empty() ? "" : ",\"error\":", object.error.empty() ? "" : JsonString(object.error).c_str());
    const std::size_t tags = read.size() - failed;
    std::fprintf(stderr, "%zu of %zu objects read, %zu tags written%s%s, %zu failed, %zu not tagged, %zu failed requests\n",
                 read.size(), list_.size() - skipped_.size(), tags, options_.outFile.empty() ? "" : " to ",
                 options_.outFile.c_str(), failed, skipped_.size(), failedRequests_);
    if (!message.empty()) std::fprintf(stderr, "vorne browse: %s\n", message.c_str());
    return exitCode;
}

}  // namespace

int RunBrowse(const CommonOptions& options, const char* argv0) {
    if (options.positional.size() != 1) {
        std::fprintf(stderr, "vorne browse: needs one STATION (see vorne browse --help)\n");
        return kExitUsage;
    }
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (driver.Loaded() && !CheckStationAndAddresses(driver, options, options.positional[0], {})) return kExitUsage;
    if (const int exitCode = OpenDriver(driver, options); exitCode != kExitOk) return exitCode;
    std::signal(SIGINT, [](int) { g_interrupted = true; });
    Browser browser(driver, options, options.positional[0]);
    const int exitCode = browser.Run();
    driver.Close();
    return exitCode;
}

}  // namespace vorne_tool
