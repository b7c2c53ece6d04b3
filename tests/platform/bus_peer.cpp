// A second process for the message bus tests.
//   bus_peer serve NAME   serves window NAME: "Test.Echo" answers lParam + 1, a
//                         copy-data block answers the sum of its bytes, every
//                         message is reported on stdout, "Test.Quit" ends it.
//   bus_peer instance     behaves as the program's start-up: the first copy takes
//                         the single-instance lock and waits for the activation
//                         message; a second copy broadcasts it with lParam 1.

#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>

#include "platform/message_bus.h"
#include "platform/message_loop.h"
#include "platform/paths.h"
#include "platform/registered_messages.h"
#include "platform/single_instance.h"

using namespace platform;

namespace {

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class Peer : public IMessageTarget {
public:
    explicit Peer(MessageLoop& loop) : m_loop(loop) {}
    intptr_t HandleMessage(uint32_t msg, uintptr_t w, intptr_t l) override {
        if (msg == kMsgCopyData) {
            const auto* block = reinterpret_cast<const CopyDataBlock*>(l);
            const auto* bytes = static_cast<const uint8_t*>(block->lpData);
            const long sum = std::accumulate(bytes, bytes + block->cbData, 0L);
            Say("copydata " + std::to_string(block->dwData) + " " + std::to_string(block->cbData));
            return sum;
        }
        const std::string name = RegisteredMessageName(msg).value_or(std::to_string(msg));
        Say("got " + name + " " + std::to_string(w) + " " + std::to_string(l));
        if (name == "Test.Quit" || name == "Quillon") {
            m_loop.Quit(0);
        }
        return name == "Test.Echo" ? l + 1 : 0;
    }

private:
    MessageLoop& m_loop;
};

int Serve(const std::string& window, bool announce) {
    Result<MessageBus> bus = MessageBus::ForCurrentUser();
    if (!bus) {
        Say("error " + bus.error().message);
        return 2;
    }
    MessageLoop loop;
    Peer peer(loop);
    const WindowHandle handle = loop.Register(&peer);
    auto endpoint = BusEndpoint::Open(*bus, window, loop, handle);
    if (!endpoint) {
        Say("error " + endpoint.error().message);
        return 2;
    }
    if (announce) {
        Say("ready");
    }
    return loop.Run();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0) {
        return Serve(argv[2], true);
    }
    if (argc == 2 && std::strcmp(argv[1], "instance") == 0) {
        const uint32_t activation = RegisterWindowMessage("Quillon");
        Result<std::filesystem::path> runtime = RuntimeFolder();
        if (!runtime) {
            return 2;
        }
        std::optional<SingleInstanceLock> lock = SingleInstanceLock::TryAcquire(*runtime);
        if (!lock) {
            Result<MessageBus> bus = MessageBus::ForCurrentUser();
            const size_t reached = bus ? bus->Broadcast(activation, 0, 1) : 0;
            Say("second " + std::to_string(reached));
            return 0;
        }
        Say("first");
        return Serve("Quillon", true);
    }
    Say("usage: bus_peer serve NAME | instance");
    return 2;
}
