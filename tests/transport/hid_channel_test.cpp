#include "transport/hid_channel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "support/temp_env.h"
#include "transport/fake_sysfs.h"
#include "transport/hid_test_descriptors.h"
#include "transport/virtual_hid.h"

namespace transport {
namespace {

using namespace std::chrono_literals;

constexpr VirtualHidIdentity kKeyboard{0x320F, 0x5055, 1};

// A virtual keyboard interface in a temporary folder; it answers every output
// report with the same bytes as an input report, and records what it got.
class VirtualHidTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = m_dir.Path() / "vhid";
        std::filesystem::create_directories(m_folder);
        HidRoots roots;
        roots.hidraw = false;
        roots.virtualFolder = m_folder;
        SetHidRoots(roots);
    }
    void TearDown() override {
        m_endpoint.reset();
        SetHidRoots(HidRoots{});
    }

    VirtualHidEndpoint& Serve(std::span<const uint8_t> descriptor,
                              VirtualHidIdentity identity = kKeyboard) {
        auto made = VirtualHidEndpoint::Create(
            identity, testdata::Bytes(descriptor), m_folder / "kb.sock",
            [this](std::span<const uint8_t> report) {
                {
                    std::lock_guard lock(m_mutex);
                    m_received.emplace_back(report.begin(), report.end());
                }
                if (m_echo) {
                    (void)m_endpoint->SendInputReport(report);
                }
            });
        EXPECT_TRUE(made.ok()) << (made.ok() ? "" : made.error().message);
        m_endpoint = std::move(*made);
        return *m_endpoint;
    }

    std::vector<std::vector<uint8_t>> Received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

    testsupport::TempDir m_dir;
    std::filesystem::path m_folder;
    std::unique_ptr<VirtualHidEndpoint> m_endpoint;
    std::atomic<bool> m_echo{true};
    std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_received;
};

std::vector<uint8_t> Frame(uint8_t id, uint8_t first, size_t size = 64) {
    std::vector<uint8_t> f(size, 0);
    f[0] = id;
    f[1] = first;
    return f;
}

TEST_F(VirtualHidTest, EnumeratedLikeHidraw) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    CHidChannel channel;
    ASSERT_TRUE(channel.EnumeratePaths());
    std::vector<std::string> paths;
    while (const std::string* p = channel.NextPath()) {
        paths.push_back(*p);
    }
    const std::string base = "vhid:" + (m_folder / "kb.sock").string();
    EXPECT_EQ(paths, (std::vector<std::string>{base + "#vid_320f&pid_5055&mi_01&col01",
                                               base + "#vid_320f&pid_5055&mi_01&col02",
                                               base + "#vid_320f&pid_5055&mi_01&col03",
                                               base + "#vid_320f&pid_5055&mi_01&col04"}));
    EXPECT_EQ(ep.InterfacePath(4), paths[3]);
    EXPECT_TRUE(CHidChannel::PathPresent(paths[3]));
    ep.Unplug();
    EXPECT_FALSE(CHidChannel::PathPresent(paths[3]));
    ASSERT_TRUE(channel.EnumeratePaths());
    EXPECT_EQ(channel.NextPath(), nullptr);
}

// A server made by hand: it answers exactly one connection with a handshake,
// and can then die with or without removing its socket file.
class OneHandshakeServer {
public:
    explicit OneHandshakeServer(const std::filesystem::path& path) : m_path(path) {
        m_listen.Reset(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(::bind(m_listen.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(m_listen.Get(), 8), 0);
        m_thread = std::thread([this] {
            m_host.Reset(::accept4(m_listen.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            const std::vector<uint8_t> hello =
                EncodeVirtualHidHandshake(kKeyboard, testdata::Bytes(testdata::kVendorNoIds));
            (void)::send(m_host.Get(), hello.data(), hello.size(), MSG_NOSIGNAL);
        });
    }
    ~OneHandshakeServer() { Join(); }
    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    // The far end of the one connection goes; the socket file stays.
    void DropHost() { m_host.Reset(); }
    void StopListening() { m_listen.Reset(); }

private:
    std::filesystem::path m_path;
    platform::UniqueFd m_listen;
    platform::UniqueFd m_host;
    std::thread m_thread;
};

TEST_F(VirtualHidTest, EnumerationKeepsTheHandshakeUntilTheServerGoes) {
    const std::filesystem::path sock = m_folder / "kb.sock";
    OneHandshakeServer server(sock);
    const std::string path = "vhid:" + sock.string() + "#vid_320f&pid_5055&mi_01";
    auto listed = [] {
        CHidChannel channel;
        EXPECT_TRUE(channel.EnumeratePaths());
        return channel.Paths();
    };
    ASSERT_EQ(listed(), std::vector<std::string>{path});
    server.Join();
    // Later passes learn from the kept connection: this server would never
    // answer a second one.
    EXPECT_EQ(listed(), std::vector<std::string>{path});
    EXPECT_TRUE(CHidChannel::PathPresent(path));
    // A server that dies leaves its socket file behind: the endpoint is gone all the same.
    server.DropHost();
    EXPECT_FALSE(CHidChannel::PathPresent(path));
    server.StopListening();
    EXPECT_TRUE(listed().empty());
    EXPECT_FALSE(CHidChannel::PathPresent(path));
    std::filesystem::remove(sock);

    // A new server on the same path is asked again.
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    EXPECT_EQ(listed().size(), 4u);
    EXPECT_TRUE(CHidChannel::PathPresent(ep.InterfacePath(1)));
    ep.Unplug();
    EXPECT_TRUE(listed().empty());
    EXPECT_FALSE(CHidChannel::PathPresent(ep.InterfacePath(1)));
}

TEST_F(VirtualHidTest, OpenDescribesTheCollection) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    CHidChannel channel;
    ASSERT_TRUE(channel.Open(ep.InterfacePath(4), HidAccess::ReadWrite))
        << channel.OpenError().message;
    EXPECT_TRUE(channel.IsOpen());
    EXPECT_EQ(channel.VendorId(), 0x320F);
    EXPECT_EQ(channel.ProductId(), 0x5055);
    EXPECT_EQ(channel.UsagePage(), 0xFF1C);
    EXPECT_EQ(channel.Usage(), 0x92);
    EXPECT_EQ(channel.InputReportLength(), 64);
    EXPECT_EQ(channel.OutputReportLength(), 64);
    EXPECT_EQ(channel.InterfaceNumber(), 1);
    EXPECT_EQ(channel.CollectionNumber(), 4);
    EXPECT_EQ(channel.InputReportBuffer().size(), 64u);
    EXPECT_EQ(channel.ReportBuffer(HidReportKind::Feature).size(), 0u);
    channel.Close();
    EXPECT_FALSE(channel.IsOpen());
    channel.Close();  // harmless twice
}

TEST_F(VirtualHidTest, OpenFailures) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    const std::string sock = "vhid:" + ep.SocketPath().string();
    struct Case {
        std::string path;
        const char* error;
    };
    const Case cases[] = {
        {sock + "#vid_320f&pid_5055&mi_01&col05", "no collection 5"},
        {sock + "#vid_320f&pid_5055&mi_01", "names no collection"},
        {sock + "#vid_320f&pid_5088&mi_01&col04", "not the one the path names"},
        {"vhid:" + (m_folder / "none.sock").string() + "#vid_320f&pid_5055&col04", "connect"},
    };
    for (const Case& c : cases) {
        CHidChannel channel;
        EXPECT_FALSE(channel.Open(c.path, HidAccess::ReadWrite)) << c.path;
        EXPECT_FALSE(channel.IsOpen());
        EXPECT_NE(channel.OpenError().message.find(c.error), std::string::npos)
            << c.path << ": " << channel.OpenError().message;
    }
}

TEST_F(VirtualHidTest, RoundTripDeliversOnlyTheCollectionsReports) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    CHidChannel command;
    CHidChannel events;
    ASSERT_TRUE(command.Open(ep.InterfacePath(4), HidAccess::ReadWrite));
    ASSERT_TRUE(events.Open(ep.InterfacePath(3), HidAccess::Read));

    // An event report first: the command channel must skip it.
    const uint8_t event[] = {0x03, 0x01, 0x04};
    ASSERT_TRUE(ep.SendInputReport(event).ok());
    size_t n = 0;
    const std::vector<uint8_t> request = Frame(0x04, 0x5A);
    ASSERT_TRUE(command.Write(request, n, 1000ms)) << command.WriteError().message;
    EXPECT_EQ(n, 64u);

    std::vector<uint8_t> answer(64);
    ASSERT_TRUE(command.Read(answer, n, 1000ms)) << command.ReadError().message;
    EXPECT_EQ(n, 64u);
    EXPECT_EQ(answer, request);

    std::vector<uint8_t> got(64);
    ASSERT_TRUE(events.Read(got, n, 1000ms)) << events.ReadError().message;
    ASSERT_EQ(n, 3u);
    ASSERT_TRUE(events.UnpackInputReport(std::span(got.data(), n)));
    ASSERT_FALSE(events.FirstInputUsageList().empty());
    EXPECT_EQ(events.FirstInputUsageList()[0], 0x0401);
    // The command echo is not the event channel's: nothing more arrives.
    EXPECT_FALSE(events.Read(got, n, 20ms));
    EXPECT_EQ(events.ReadError().code, ETIMEDOUT);
}

TEST_F(VirtualHidTest, WriteChecksAndPadsTheReport) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    m_echo = false;
    CHidChannel command;
    ASSERT_TRUE(command.Open(ep.InterfacePath(4), HidAccess::ReadWrite));
    size_t n = 0;
    EXPECT_FALSE(command.Write(Frame(0x03, 0x01), n, 100ms));  // not this collection's id
    EXPECT_NE(command.WriteError().message.find("report id 3"), std::string::npos);
    EXPECT_FALSE(command.Write(Frame(0x04, 0x01, 65), n, 100ms));  // too long
    EXPECT_FALSE(command.Write({}, n, 100ms));

    const uint8_t shortFrame[] = {0x04, 0x11, 0x22};
    ASSERT_TRUE(command.Write(shortFrame, n, 1000ms));
    EXPECT_EQ(n, 64u);
    // The endpoint's thread hands the report over: wait until it has.
    for (int i = 0; i < 200 && Received().empty(); ++i) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(Received().size(), 1u);
    std::vector<uint8_t> expect(64, 0);
    expect[0] = 0x04;
    expect[1] = 0x11;
    expect[2] = 0x22;
    EXPECT_EQ(Received()[0], expect);

    CHidChannel readOnly;
    ASSERT_TRUE(readOnly.Open(ep.InterfacePath(4), HidAccess::Read));
    EXPECT_FALSE(readOnly.Write(Frame(0x04, 0), n, 100ms));
    EXPECT_NE(readOnly.WriteError().message.find("not opened for writing"), std::string::npos);
}

TEST_F(VirtualHidTest, ReportsWithoutIdsCarryZero) {
    VirtualHidEndpoint& ep = Serve(testdata::kVendorNoIds, {0x320F, 0x1004, 1});
    CHidChannel channel;
    ASSERT_TRUE(channel.Open(ep.InterfacePath(0), HidAccess::ReadWrite))
        << channel.OpenError().message;
    EXPECT_EQ(channel.InputReportLength(), 9);
    size_t n = 0;
    const std::vector<uint8_t> request = Frame(0x00, 0x42, 9);
    ASSERT_TRUE(channel.Write(request, n, 1000ms));
    std::vector<uint8_t> answer(9);
    ASSERT_TRUE(channel.Read(answer, n, 1000ms));
    EXPECT_EQ(answer, request);
}

TEST_F(VirtualHidTest, CloseReleasesABlockedReadAtOnce) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    CHidChannel channel;
    ASSERT_TRUE(channel.Open(ep.InterfacePath(3), HidAccess::Read));
    std::atomic<int> result{-1};
    std::thread reader([&] {
        std::vector<uint8_t> buf(64);
        size_t n = 0;
        result = channel.Read(buf, n, kInfinite) ? 1 : 0;
    });
    std::this_thread::sleep_for(20ms);  // let the read start waiting
    channel.Close();
    reader.join();  // would hang if the read were not released
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(channel.IsOpen());
    // A channel closed while idle, or closed before the read starts, fails at once.
    std::vector<uint8_t> buf(64);
    size_t n = 0;
    EXPECT_FALSE(channel.Read(buf, n, kInfinite));
    // The channel can be opened again afterwards.
    EXPECT_TRUE(channel.Open(ep.InterfacePath(3), HidAccess::Read));
}

TEST_F(VirtualHidTest, UnplugEndsReadsAndWrites) {
    VirtualHidEndpoint& ep = Serve(testdata::kCompositeInterface);
    CHidChannel channel;
    ASSERT_TRUE(channel.Open(ep.InterfacePath(4), HidAccess::ReadWrite));
    std::atomic<int> result{-1};
    std::thread reader([&] {
        std::vector<uint8_t> buf(64);
        size_t n = 0;
        result = channel.Read(buf, n, kInfinite) ? 1 : 0;
    });
    std::this_thread::sleep_for(20ms);
    ep.Unplug();
    reader.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(channel.ReadError().code, ENODEV);
    size_t n = 0;
    EXPECT_FALSE(channel.Write(Frame(0x04, 1), n, 200ms));
    EXPECT_FALSE(ep.SendInputReport(Frame(0x04, 1)).ok());

    CHidChannel again;
    EXPECT_FALSE(again.Open(ep.InterfacePath(4), HidAccess::ReadWrite));
    ASSERT_TRUE(ep.Replug().ok());
    ASSERT_TRUE(again.Open(ep.InterfacePath(4), HidAccess::ReadWrite)) << again.OpenError().message;
    ASSERT_TRUE(again.Write(Frame(0x04, 7), n, 1000ms));
    std::vector<uint8_t> answer(64);
    ASSERT_TRUE(again.Read(answer, n, 1000ms));
    EXPECT_EQ(answer[1], 7);
}

TEST_F(VirtualHidTest, UnplugFromTheHandlerInTheMiddleOfATransfer) {
    // The device drops off as the frame arrives, from the endpoint's own thread.
    std::atomic<VirtualHidEndpoint*> self{nullptr};
    auto made = VirtualHidEndpoint::Create(
        kKeyboard, testdata::Bytes(testdata::kCompositeInterface), m_folder / "drop.sock",
        [&](std::span<const uint8_t>) { self.load()->Unplug(); });
    ASSERT_TRUE(made.ok());
    std::unique_ptr<VirtualHidEndpoint> ep = std::move(*made);
    self = ep.get();
    CHidChannel channel;
    ASSERT_TRUE(channel.Open(ep->InterfacePath(4), HidAccess::ReadWrite));
    size_t n = 0;
    ASSERT_TRUE(channel.Write(Frame(0x04, 1), n, 1000ms));
    std::vector<uint8_t> answer(64);
    EXPECT_FALSE(channel.Read(answer, n, 5000ms));
    EXPECT_EQ(channel.ReadError().code, ENODEV);
    EXPECT_FALSE(ep->IsPlugged());
    EXPECT_FALSE(std::filesystem::exists(m_folder / "drop.sock"));
}

TEST_F(VirtualHidTest, StaleSocketIsReplacedAndForeignFilesKept) {
    {
        VirtualHidEndpoint& ep = Serve(testdata::kBootKeyboard);
        (void)ep;
    }
    // A socket file left behind by a server that died is taken over.
    auto second = VirtualHidEndpoint::Create(kKeyboard, testdata::Bytes(testdata::kBootKeyboard),
                                             m_folder / "kb.sock", nullptr);
    EXPECT_FALSE(second.ok());  // still served by the first endpoint
    m_endpoint.reset();
    auto third = VirtualHidEndpoint::Create(kKeyboard, testdata::Bytes(testdata::kBootKeyboard),
                                            m_folder / "kb.sock", nullptr);
    EXPECT_TRUE(third.ok());
    // A file that is not a socket is never removed.
    std::ofstream(m_folder / "notes.txt") << "mine";
    auto fourth = VirtualHidEndpoint::Create(kKeyboard, testdata::Bytes(testdata::kBootKeyboard),
                                             m_folder / "notes.txt", nullptr);
    EXPECT_FALSE(fourth.ok());
    EXPECT_TRUE(std::filesystem::exists(m_folder / "notes.txt"));
}

// The hidraw side against the fake sysfs: plain files stand in for the nodes.
TEST(HidrawChannel, OpensThroughSysfsAndHonoursExclusiveSharing) {
    testsupport::TempDir dir;
    testdata::FakeSysfs sysfs(dir.Path());
    sysfs.Add(5, 0x320F, 0x5055, 1, testdata::kCompositeInterface);
    SetHidRoots(sysfs.Roots());
    const std::string path =
        (dir.Path() / "dev/hidraw5").string() + "#vid_320f&pid_5055&mi_01&col04";
    EXPECT_TRUE(CHidChannel::PathPresent(path));
    EXPECT_FALSE(CHidChannel::PathPresent((dir.Path() / "dev/hidraw5").string() +
                                          "#vid_320f&pid_5088&mi_01&col04"));
    CHidChannel first;
    ASSERT_TRUE(first.Open(path, HidAccess::ReadWrite, HidSharing::Exclusive))
        << first.OpenError().message;
    EXPECT_EQ(first.UsagePage(), 0xFF1C);
    EXPECT_EQ(first.Attributes().versionNumber, 0x0105);
    CHidChannel second;
    EXPECT_FALSE(second.Open(path, HidAccess::Read));
    EXPECT_EQ(second.OpenError().code, EBUSY);
    first.Close();
    EXPECT_TRUE(second.Open(path, HidAccess::Read));
    SetHidRoots(HidRoots{});
}

}  // namespace
}  // namespace transport
