// quillon-probe: lists the HID interfaces this machine shows, marks the ones
// Quillon supports and says what to do when a device is not found.
// Exit status: 0 when a supported device can be used, 1 otherwise, 2 on bad usage.

#include <cstdio>
#include <cstring>
#include <string>

#include "probe.h"

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: quillon-probe [--sys DIR] [--dev DIR] [--vhid DIR] [--no-virtual]\n"
        "  --sys DIR      sysfs root (default /sys)\n"
        "  --dev DIR      device node folder (default /dev)\n"
        "  --vhid DIR     folder of simulated devices (default: the runtime folder's vhid/)\n"
        "  --no-virtual   leave simulated devices out\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    probe::ProbeOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--sys" && hasValue) {
            options.sysRoot = argv[++i];
        } else if (arg == "--dev" && hasValue) {
            options.devFolder = argv[++i];
        } else if (arg == "--vhid" && hasValue) {
            options.virtualFolder = argv[++i];
        } else if (arg == "--no-virtual") {
            options.virtualEndpoints = false;
        } else if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return 0;
        } else {
            Usage(stderr);
            return 2;
        }
    }
    const probe::ProbeReport report = probe::RunProbe(options);
    if (report.lines.empty()) {
        std::puts("No HID interfaces found.");
    }
    for (const std::string& line : report.lines) {
        std::puts(line.c_str());
    }
    if (!report.problems.empty()) {
        std::puts("");
    }
    for (const std::string& problem : report.problems) {
        std::printf("problem: %s\n", problem.c_str());
    }
    std::printf("\n%d supported device interface(s) ready to use.\n", report.usableSupported);
    return report.usableSupported > 0 ? 0 : 1;
}
