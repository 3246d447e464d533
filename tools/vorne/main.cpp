// vorne: a command-line host for the VORNE BACnet driver.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/vorne/commands.hpp"

namespace {

using namespace vorne_tool;

const char* const kUsage =
    "usage: vorne COMMAND [options] ...\n"
    "\n"
    "commands:\n"
    "  read STATION ADDRESS...      read tags once and print value, quality, time stamp and status\n"
    "  write STATION ADDRESS VALUE  write one tag and print the outcome\n"
    "  poll --tags FILE             scan a tag list (CSV: name,station,address) repeatedly\n"
    "  discover                     find the devices on the network (Who-Is) and show their names\n"
    "  browse STATION               read a device's objects and write a tag list for poll\n"
    "  sim                          run a simulated BACnet/IP or MS/TP device\n"
    "  demo                         start a simulated device on loopback, read and write through the driver\n"
    "\n"
    "STATION: 192.168.0.10 | NETWORK:DEVICE | IP:NETWORK:DEVICE[:MAC]    (MS/TP: the station number)\n"
    "ADDRESS: TYPE:INSTANCE:PROPERTY[:PRIORITY], e.g. AV:1:PRESENT-VALUE:8\n"
    "\n"
    "'vorne COMMAND --help' describes each command.\n";

struct Command {
    const char* name;
    const char* help;
};

const Command kCommands[] = {
    {"read",
     "usage: vorne read [options] STATION ADDRESS...\n"
     "Reads the tags once, as a host does: one read group per object type (one ReadProperty, or one\n"
     "ReadPropertyMultiple for several tags of that type), and prints each value in the order given\n"
     "with its quality (192: the value arrived) and time stamp; a tag without a value shows why.\n"
     "Exit status 0 when every tag got a value, 1 when one did not, 2 for a malformed station or address.\n"},
    {"write",
     "usage: vorne write [options] STATION ADDRESS VALUE\n"
     "Writes VALUE as the host would: a number for numeric properties, text for text properties.\n"
     "A priority goes in the address (AV:1:PRESENT-VALUE:8; default 8). With --null-value TEXT, the\n"
     "VALUE TEXT writes Null, which relinquishes that priority. Exit status 0 when the device acknowledged,\n"
     "1 when it did not, 2 for a malformed station, address or value.\n"},
    {"poll",
     "usage: vorne poll [options] --tags FILE [--interval MS] [--count N] [--strict] [--json]\n"
     "Scans the tag list repeatedly, one read group per station and object type (24 tags at most\n"
     "each). A live table on a terminal, plain lines when piped, JSON lines with --json. Ctrl-C stops.\n"
     "FILE: CSV, one tag a row, name,station,address (fields may be quoted); further columns, a header\n"
     "row naming the first three (as `vorne browse` writes) and rows starting with # are ignored.\n"
     "Every row is checked when the list is loaded; a bad row is reported as FILE:LINE and left out.\n"
     "Exit status 0 when every tag had a value in the last scan, 1 when one did not or a row was left\n"
     "out, 2 when the list cannot be used (or, with --strict, holds a bad row).\n"},
    {"discover",
     "usage: vorne discover [--timeout MS] [--range LOW-HIGH] [--broadcast ADDR[,ADDR...]] [--json]\n"
     "Sends Who-Is (for device instances LOW..HIGH with --range) to each broadcast address (default\n"
     "255.255.255.255), collects the I-Ams for --timeout MS (default 3000), then reads each device's\n"
     "object-name, vendor-name and model-name. One row per device: instance, the station text for\n"
     "read, browse and poll, network and MAC, max APDU, segmentation, vendor ID, names.\n"
     "Exit status 0 when at least one device answered.\n"},
    {"browse",
     "usage: vorne browse [options] STATION [--out FILE] [--json]\n"
     "Reads the device's object list through the driver (element by element when the device does not\n"
     "segment and the list is long), then every object's name, present value, units or state texts and\n"
     "priority array, one read group per object type. Writes a tag list (CSV with a header line:\n"
     "name,station,address, then object, object_name, value, units, commandable, which poll ignores)\n"
     "to FILE or standard output; --json prints one JSON object per object instead. Objects that fail\n"
     "are listed with their error and left out. Progress goes to standard error; Ctrl-C writes what\n"
     "was read so far. Exit status 0 when the whole list was browsed.\n"},
    {"sim",
     "usage: vorne sim [--bind ADDR] [--port N] [--device N] [--objects FILE] [--name TEXT]\n"
     "                 [--network N --mac N] [--no-segmentation] [--unreadable TYPE:INSTANCE,...]\n"
     "       vorne sim --mstp DEVICE|pty [--baud N] [--station N] [--device N] [--objects FILE]\n"
     "Runs a simulated BACnet/IP device until Ctrl-C (default 127.0.0.2:47808, device 1234).\n"
     "With --mstp it is MS/TP station N (default 2) on the serial DEVICE instead; \"pty\" makes\n"
     "a pseudo-terminal and prints the name that the driver's --mstp then opens.\n"
     "--objects loads the object set from FILE (see tools/sim/README.md). --network places the device\n"
     "behind a router as station --mac on that network; --no-segmentation makes it a device that never\n"
     "segments; --unreadable objects answer every read with read-access-denied.\n"},
    {"demo",
     "usage: vorne demo [--port N] [--log FILE]\n"
     "Starts a simulated device on 127.0.0.2, runs the driver on 127.0.0.1 and reads, writes and\n"
     "relinquishes a set of tags through the driver's entries. Exit status 0 when every step worked.\n"},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    const std::string command = argv[1];
    const Command* known = nullptr;
    for (const auto& c : kCommands)
        if (command == c.name) known = &c;
    if (known == nullptr) {
        std::fprintf(stderr, "vorne: unknown command '%s'\n%s", command.c_str(), kUsage);
        return kExitUsage;
    }
    CommonOptions options;
    std::string error;
    if (!ParseOptions(command, argc, argv, 2, options, error)) {
        std::fprintf(stderr, "vorne %s: %s\n", command.c_str(), error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::printf("%s\noptions:\n%s", known->help, OptionsHelp(command).c_str());
        return kExitOk;
    }
    ApplyEnvironment(options);
    if (command == "read") return RunRead(options, argv[0]);
    if (command == "write") return RunWrite(options, argv[0]);
    if (command == "poll") return RunPoll(options, argv[0]);
    if (command == "sim") return RunSim(options);
    if (command == "discover") return RunDiscover(options);
    if (command == "browse") return RunBrowse(options, argv[0]);
    return RunDemo(options, argv[0]);
}
