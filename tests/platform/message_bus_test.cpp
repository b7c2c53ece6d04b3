#include "platform/message_bus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cstring>
#include <thread>

#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "support/child_process.h"
#include "support/temp_env.h"

namespace platform {
namespace {

using testsupport::ChildProcess;

class Inbox : public IMessageTarget {
public:
    intptr_t HandleMessage(uint32_t msg, uintptr_t w, intptr_t l) override {
        if (msg == kMsgCopyData) {
            const auto* block = reinterpret_cast<const CopyDataBlock*>(l);
            const auto* bytes = static_cast<const uint8_t*>(block->lpData);
            copies.emplace_back(block->dwData, std::vector<uint8_t>(bytes, bytes + block->cbData));
            return static_cast<intptr_t>(block->cbData);
        }
        messages.push_back({msg, w, l});
        return l + 100;
    }
    struct Message {
        uint32_t msg;
        uintptr_t w;
        intptr_t l;
    };
    std::vector<Message> messages;
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> copies;
};

class BusTest : public ::testing::Test {
protected:
    void SetUp() override {
        Result<MessageBus> b = MessageBus::ForCurrentUser();
        ASSERT_TRUE(b) << b.error().message;
        bus.emplace(*b);
    }
    std::unique_ptr<BusEndpoint> Serve(const std::string& name, uid_t peer = ::getuid()) {
        auto endpoint = BusEndpoint::Open(*bus, name, loop, handle, peer);
        EXPECT_TRUE(endpoint) << endpoint.error().message;
        return endpoint ? std::move(*endpoint) : nullptr;
    }
    // Sends from a thread while this thread runs the loop, as the UI thread would.
    template <class F>
    auto FromOtherThread(F f) {
        decltype(f()) result{};
        std::atomic<bool> done{false};
        std::thread t([&] {
            result = f();
            done = true;
        });
        loop.PumpUntil([&] { return done.load(); }, Millis(10000));
        t.join();
        return result;
    }
    testsupport::TempEnv env;
    std::optional<MessageBus> bus;
    MessageLoop loop;
    Inbox inbox;
    WindowHandle handle = loop.Register(&inbox);
};

TEST_F(BusTest, SendReturnsTheHandlersResultAndMessagesTravelByName) {
    auto endpoint = Serve("Quillon");
    const uint32_t msg = RegisterWindowMessage("{4695579F-999A-41d4-9FAF-EFFCE93EBF18}");
    EXPECT_TRUE(bus->Exists("Quillon"));
    EXPECT_FALSE(bus->Exists("DaruVivo"));
    auto result = FromOtherThread([&] { return bus->Send("Quillon", msg, 3, 4); });
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, 104);
    ASSERT_EQ(inbox.messages.size(), 1u);
    EXPECT_EQ(inbox.messages[0].msg, msg);
    EXPECT_EQ(inbox.messages[0].w, 3u);
}

TEST_F(BusTest, CopyDataArrivesWhole) {
    auto endpoint = Serve("DaruVivo");
    std::vector<uint8_t> block(1024);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(i * 7);
    }
    auto result = FromOtherThread([&] { return bus->SendCopyData("DaruVivo", 9, 5, block); });
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, 1024);
    ASSERT_EQ(inbox.copies.size(), 1u);
    EXPECT_EQ(inbox.copies[0].first, 5u);
    EXPECT_EQ(inbox.copies[0].second, block);
}

TEST_F(BusTest, OversizedCopyDataIsNotSent) {
    auto endpoint = Serve("DaruVivo");
    std::vector<uint8_t> block(kMaxCopyDataBytes + 1);
    EXPECT_FALSE(bus->SendCopyData("DaruVivo", 0, 1, block, Millis(200)));
    loop.RunPending();
    EXPECT_TRUE(inbox.copies.empty());
}

TEST_F(BusTest, MessagesToNobodyFailQuietly) {
    EXPECT_FALSE(bus->Post("Nobody", kMsgUser, 0, 0));
    EXPECT_FALSE(bus->Send("Nobody", kMsgUser, 0, 0, Millis(100)));
    EXPECT_EQ(bus->Broadcast(kMsgUser, 0, 0), 0u);
}

TEST_F(BusTest, StaleSocketsOfDeadProcessesAreSweptAway) {
    // A socket file whose server is gone, as a crashed process leaves it.
    const std::filesystem::path stale = bus->Folder() / "Quillon@99999-0.sock";
    {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, stale.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    }
    EXPECT_FALSE(bus->Exists("Quillon"));
    EXPECT_FALSE(std::filesystem::exists(stale));
}

TEST_F(BusTest, PeerOfAnotherUserIsRefused) {
    TraceCapture trace;
    auto endpoint = Serve("Quillon", ::getuid() + 1);
    auto result =
        FromOtherThread([&] { return bus->Send("Quillon", kMsgUser, 0, 0, Millis(500)); });
    EXPECT_FALSE(result);
    loop.RunPending();
    EXPECT_TRUE(inbox.messages.empty());
    EXPECT_TRUE(trace.Contains("bus: dropped a message from uid"));
}

// Raw packets straight to the endpoint's socket, as a hostile peer would send them.
TEST_F(BusTest, MalformedAndOversizedPacketsAreDropped) {
    TraceCapture trace;
    auto endpoint = Serve("Quillon");
    auto sendRaw = [&](const std::vector<uint8_t>& bytes) {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, endpoint->SocketPath().c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        char reply[64];
        ::recv(fd, reply, sizeof reply, 0);  // the endpoint closes without answering
        ::close(fd);
    };
    std::vector<uint8_t> header(40, 0);
    const uint32_t magic = 0x31424C51;
    std::memcpy(header.data(), &magic, 4);
    header[4] = 1;
    header[8] = 0x01;
    header[9] = 0x04;  // message 0x0401, unnamed

    std::vector<uint8_t> shortPacket(header.begin(), header.begin() + 20);
    std::vector<uint8_t> lyingLength = header;
    lyingLength[36] = 10;  // claims 10 data bytes it does not carry
    std::vector<uint8_t> badMagic = header;
    badMagic[0] = 'X';
    std::vector<uint8_t> oversized(kMaxCopyDataBytes + 1000, 0);
    std::memcpy(oversized.data(), header.data(), header.size());
    for (const auto& packet : {shortPacket, lyingLength, badMagic, oversized}) {
        sendRaw(packet);
    }
    sendRaw(header);  // a well-formed one still gets through afterwards
    ASSERT_TRUE(loop.PumpUntil([&] { return !inbox.messages.empty(); }, Millis(5000)));
    ASSERT_EQ(inbox.messages.size(), 1u);
    EXPECT_EQ(inbox.messages[0].msg, 0x0401u);
    EXPECT_TRUE(trace.Contains("dropped a malformed packet"));
    EXPECT_TRUE(trace.Contains("dropped an oversized packet"));
}

TEST_F(BusTest, EndpointClosesWhileASendIsBlockedInTheLoop) {
    auto endpoint = Serve("Quillon");
    std::thread sender([&] { bus->Send("Quillon", kMsgUser, 0, 0, Millis(5000)); });
    // Nobody runs the loop: the endpoint's thread is stuck handing the message over.
    std::this_thread::sleep_for(Millis(50));
    endpoint.reset();  // must not hang
    sender.join();
}

TEST_F(BusTest, ReplyComesBackFromAnotherProcess) {
    ChildProcess peer({BUS_PEER_PATH, "serve", "Peer"});
    ASSERT_EQ(peer.ReadLine(), "ready");
    const uint32_t echo = RegisterWindowMessage("Test.Echo");
    EXPECT_EQ(bus->Send("Peer", echo, 1, 41), 42);
    const std::vector<uint8_t> bytes = {1, 2, 3, 4};
    EXPECT_EQ(bus->SendCopyData("Peer", 0, 2, bytes), 10);
    EXPECT_EQ(peer.ReadLine(), "got Test.Echo 1 41");
    EXPECT_EQ(peer.ReadLine(), "copydata 2 4");
    ASSERT_TRUE(bus->Post("Peer", RegisterWindowMessage("Test.Quit"), 0, 0));
    EXPECT_EQ(peer.Wait(), 0);
}

TEST_F(BusTest, BroadcastReachesEveryEndpoint) {
    ChildProcess a({BUS_PEER_PATH, "serve", "A"});
    ChildProcess b({BUS_PEER_PATH, "serve", "B"});
    ASSERT_EQ(a.ReadLine(), "ready");
    ASSERT_EQ(b.ReadLine(), "ready");
    auto local = Serve("Local");
    const uint32_t msg = RegisterWindowMessage("{4695579F-999A-41d4-9FAF-EFFCE93EBF16}");
    EXPECT_EQ(bus->Broadcast(msg, 1, 1), 3u);
    EXPECT_EQ(a.ReadLine(), "got {4695579F-999A-41d4-9FAF-EFFCE93EBF16} 1 1");
    EXPECT_EQ(b.ReadLine(), "got {4695579F-999A-41d4-9FAF-EFFCE93EBF16} 1 1");
    ASSERT_TRUE(loop.PumpUntil([&] { return !inbox.messages.empty(); }, Millis(5000)));
    EXPECT_EQ(inbox.messages[0].msg, msg);
}

TEST_F(BusTest, SecondInstanceActivatesTheFirst) {
    ChildProcess first({BUS_PEER_PATH, "instance"});
    ASSERT_EQ(first.ReadLine(), "first");
    ASSERT_EQ(first.ReadLine(), "ready");
    ChildProcess second({BUS_PEER_PATH, "instance"});
    EXPECT_EQ(second.ReadLine(), "second 1");
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "got Quillon 0 1");
    EXPECT_EQ(first.Wait(), 0);
}

TEST_F(BusTest, AnotherUserCannotEvenReachTheFolder) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    auto endpoint = Serve("Quillon");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, endpoint->SocketPath().c_str());
        ::_exit(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "connect must fail for another user";
}

}  // namespace
}  // namespace platform
