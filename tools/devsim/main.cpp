// quillon-devsim: serves simulated devices as virtual HID endpoints, so that
// the program (or quillon-probe) finds them exactly as it finds real hardware.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"
#include "sim/device_model.h"
#include "sim/simulated_device.h"
#include "transport/virtual_hid.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: quillon-devsim [--folder DIR] KIND...\n"
    "\n"
    "Serves each KIND as a simulated device on a virtual HID endpoint until\n"
    "stopped with Ctrl+C (SIGINT) or SIGTERM. Kinds:\n"
    "  keyboard            320f:5055, the keyboard on its cable\n"
    "  keyboard-receiver   320f:5088, the keyboard's 2.4 GHz receiver\n"
    "  mouse               320f:50ef, the mouse on its cable\n"
    "  mouse-receiver      320f:221d, the mouse's 2.4 GHz receiver\n"
    "  mousepad            320f:1004\n"
    "\n"
    "Options:\n"
    "  --folder DIR   put the endpoint sockets in DIR instead of\n"
    "                 $XDG_RUNTIME_DIR/Quillon/vhid\n"
    "  --help         show this text\n"
    "\n"
    "While it runs, SIGUSR1 unplugs every plugged device and plugs back every\n"
    "unplugged one. Commands on standard input (N is a device number from\n"
    "'list', or a kind):\n"
    "  list                  devices, their state and interface paths\n"
    "  unplug N | plug N     take a device away or bring it back\n"
    "  toggle N              unplug or plug, whichever applies\n"
    "  reach N on|off        a receiver's wireless device in reach or not\n"
    "  fault N NAME [CMD [COUNT]]\n"
    "                        make the next COUNT frames (default 1) of\n"
    "                        command CMD (hex, default any) misbehave; NAME is\n"
    "                        one of: no-answer rejected status-error\n"
    "                        second-error out-of-reach wrong-echo short long\n"
    "                        garbage foreign unplug\n"
    "  frames N              number of frames the device received, and the last one\n"
    "  key N USAGE           press and release a media key (consumer usage in hex,\n"
    "                        e.g. e9 volume up) on the event collection\n"
    "  quit                  stop, as SIGINT does\n";

struct Served {
    std::string name;
    std::unique_ptr<sim::SimulatedDevice> device;
};

std::optional<sim::Fault> FaultByName(std::string_view name) {
    struct Entry {
        std::string_view name;
        sim::Fault fault;
    };
    static constexpr Entry kFaults[] = {
        {"no-answer", sim::Fault::NoAnswer},
        {"rejected", sim::Fault::Rejected},
        {"status-error", sim::Fault::StatusError},
        {"second-error", sim::Fault::SecondError},
        {"out-of-reach", sim::Fault::OutOfReach},
        {"wrong-echo", sim::Fault::WrongEcho},
        {"short", sim::Fault::ShortReport},
        {"long", sim::Fault::LongReport},
        {"garbage", sim::Fault::GarbageReport},
        {"foreign", sim::Fault::ForeignReport},
        {"unplug", sim::Fault::Unplug},
    };
    for (const Entry& e : kFaults) {
        if (e.name == name) {
            return e.fault;
        }
    }
    return std::nullopt;
}

class DevSim {
public:
    explicit DevSim(std::vector<Served> devices) : m_devices(std::move(devices)) {}

    void List() const {
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            const Served& s = m_devices[i];
            std::printf("%zu %s %04x:%04x %s %s\n", i, s.name.c_str(), s.device->Model().vendorId,
                        s.device->Model().productId,
                        s.device->IsPlugged() ? "plugged" : "unplugged",
                        s.device->CommandPath().c_str());
        }
        std::fflush(stdout);
    }

    void ToggleAll() {
        for (Served& s : m_devices) {
            Toggle(s);
        }
    }

    // One control line; false when it asks to quit.
    bool Command(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        if (verb.empty()) {
            return true;
        }
        if (verb == "quit" || verb == "exit") {
            return false;
        }
        if (verb == "list") {
            List();
            return true;
        }
        if (verb == "help") {
            std::fputs(kUsage, stdout);
            std::fflush(stdout);
            return true;
        }
        static constexpr std::string_view kDeviceVerbs[] = {"unplug", "plug",   "toggle", "reach",
                                                            "fault",  "frames", "key"};
        if (std::find(std::begin(kDeviceVerbs), std::end(kDeviceVerbs), verb) ==
            std::end(kDeviceVerbs)) {
            Reply("error: unknown command '%s' (see 'help')", verb.c_str());
            return true;
        }
        std::string which;
        in >> which;
        Served* s = Find(which);
        if (s == nullptr) {
            Reply("error: unknown device '%s' (see 'list')", which.c_str());
            return true;
        }
        if (verb == "unplug") {
            s->device->Unplug();
            Reply("%s unplugged", s->name.c_str());
        } else if (verb == "plug") {
            Plug(*s);
        } else if (verb == "toggle") {
            Toggle(*s);
        } else if (verb == "reach") {
            std::string state;
            in >> state;
            if (state != "on" && state != "off") {
                Reply("error: reach takes on or off");
                return true;
            }
            s->device->Core().SetInReach(state == "on");
            Reply("%s wireless device %s", s->name.c_str(),
                  state == "on" ? "in reach" : "out of reach");
        } else if (verb == "fault") {
            SetFault(*s, in);
        } else if (verb == "key") {
            std::string usage;
            in >> usage;
            char* end = nullptr;
            const unsigned long code = std::strtoul(usage.c_str(), &end, 16);
            if (usage.empty() || end == nullptr || *end != '\0' || code > 0xFFFF) {
                Reply("error: key takes a consumer usage in hexadecimal, e.g. e9");
                return true;
            }
            if (const platform::Status st = s->device->SendConsumerKey(static_cast<uint16_t>(code));
                !st) {
                Reply("error: %s", st.error().message.c_str());
            } else {
                Reply("%s sent key %04lx", s->name.c_str(), code);
            }
        } else if (verb == "frames") {
            const auto frames = s->device->Core().ReceivedFrames();
            if (frames.empty()) {
                Reply("%s received no frames", s->name.c_str());
            } else {
                const sim::LoggedFrame& last = frames.back();
                Reply("%s received %zu frames; last: command %02x length %u offset %u%s",
                      s->name.c_str(), frames.size(), last.Command(), last.Length(), last.Offset(),
                      last.checksumOk ? "" : " (bad checksum)");
            }
        }
        return true;
    }

private:
    Served* Find(const std::string& which) {
        char* end = nullptr;
        const unsigned long index = std::strtoul(which.c_str(), &end, 10);
        if (!which.empty() && end != nullptr && *end == '\0') {
            return index < m_devices.size() ? &m_devices[index] : nullptr;
        }
        for (Served& s : m_devices) {
            if (s.name == which) {
                return &s;
            }
        }
        return nullptr;
    }

    void Plug(Served& s) {
        if (const platform::Status st = s.device->Replug(); !st) {
            Reply("error: %s cannot be plugged back: %s", s.name.c_str(),
                  st.error().message.c_str());
        } else {
            Reply("%s plugged", s.name.c_str());
        }
    }

    void Toggle(Served& s) {
        if (s.device->IsPlugged()) {
            s.device->Unplug();
            Reply("%s unplugged", s.name.c_str());
        } else {
            Plug(s);
        }
    }

    void SetFault(Served& s, std::istringstream& in) {
        std::string name;
        std::string command;
        int count = 1;
        in >> name >> command >> count;
        const std::optional<sim::Fault> fault = FaultByName(name);
        if (!fault || count < 1) {
            Reply("error: fault NAME [CMD [COUNT]] (see 'help')");
            return;
        }
        sim::FaultRule rule{.fault = *fault, .count = count};
        if (!command.empty() && command != "any") {
            char* end = nullptr;
            const unsigned long code = std::strtoul(command.c_str(), &end, 16);
            if (end == nullptr || *end != '\0' || code > 0xFF) {
                Reply("error: CMD is a command code in hexadecimal, e.g. 06");
                return;
            }
            rule.command = static_cast<uint8_t>(code);
        }
        s.device->Core().InjectFault(rule);
        Reply("%s: fault %s armed", s.name.c_str(), name.c_str());
    }

    static void Reply(const char* format, ...) __attribute__((format(printf, 1, 2))) {
        va_list args;
        va_start(args, format);
        std::vprintf(format, args);
        va_end(args);
        std::putchar('\n');
        std::fflush(stdout);
    }

    std::vector<Served> m_devices;
};

int Run(int argc, char** argv) {
    std::optional<fs::path> folder;
    std::vector<std::string> kinds;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--folder") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quillon-devsim: --folder needs a folder\n");
                return 2;
            }
            folder = argv[++i];
            continue;
        }
        if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "quillon-devsim: unknown option %s (see --help)\n", argv[i]);
            return 2;
        }
        if (!sim::ModelByKind(arg)) {
            std::fprintf(stderr, "quillon-devsim: unknown kind '%s' (see --help)\n", argv[i]);
            return 2;
        }
        kinds.emplace_back(arg);
    }
    if (kinds.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!folder) {
        auto def = transport::VirtualHidEndpoint::DefaultFolder();
        if (!def) {
            std::fprintf(stderr, "quillon-devsim: no folder for the endpoints: %s\n",
                         def.error().message.c_str());
            return 1;
        }
        folder = *def;
    }

    // The signals are taken through a signalfd; block them before any endpoint
    // thread starts so that no thread receives them instead.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
        std::fprintf(stderr, "quillon-devsim: cannot block signals\n");
        return 1;
    }
    platform::UniqueFd sigFd(signalfd(-1, &signals, SFD_CLOEXEC));
    if (!sigFd) {
        std::fprintf(stderr, "quillon-devsim: signalfd: %s\n", std::strerror(errno));
        return 1;
    }

    std::vector<Served> devices;
    for (const std::string& kind : kinds) {
        std::string name = kind;
        int same = 1;
        for (const Served& s : devices) {
            same += s.device->Model().kind == kind ? 1 : 0;
        }
        if (same > 1) {
            name += "-" + std::to_string(same);
        }
        auto device =
            sim::SimulatedDevice::Serve(*sim::ModelByKind(kind), *folder / (name + ".sock"));
        if (!device) {
            std::fprintf(stderr, "quillon-devsim: cannot serve %s: %s\n", name.c_str(),
                         device.error().message.c_str());
            return 1;
        }
        devices.push_back({name, std::move(*device)});
    }
    DevSim sim(std::move(devices));
    sim.List();

    bool stdinOpen = true;
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{sigFd.Get(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int n = ::poll(fds, stdinOpen ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "quillon-devsim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (::read(sigFd.Get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo == SIGUSR1) {
                    sim.ToggleAll();
                } else {
                    break;  // SIGINT or SIGTERM
                }
            }
        }
        if (stdinOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buf[512];
            const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
            if (got <= 0) {
                stdinOpen = false;  // keep serving until a signal
                continue;
            }
            pending.append(buf, static_cast<std::size_t>(got));
            bool quit = false;
            for (std::size_t nl; !quit && (nl = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                quit = !sim.Command(line);
            }
            if (quit) {
                break;
            }
            if (pending.size() > 4096) {
                pending.clear();  // no line is that long
            }
        }
    }
    return 0;  // the devices unplug and their sockets go as they are destroyed
}

}  // namespace

int main(int argc, char** argv) {
    return Run(argc, argv);
}
