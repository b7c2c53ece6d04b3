// Cost of the command protocol: building one frame, one exchange over a
// virtual endpoint, and one live lighting frame (510 bytes, 10 chunks) on the
// cable against the simulated keyboard.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/simulated_device.h"
#include "transport/command_frame.h"
#include "transport/device_protocol.h"

namespace {

void BM_BuildFrameWithChecksum(benchmark::State& state) {
    std::array<uint8_t, transport::kMaxPayload> payload{};
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(i * 13);
    }
    uint16_t offset = 0;
    for (auto _ : state) {
        transport::CommandFrame frame =
            transport::BuildFrame(transport::Command::StreamLightFrame, 56, offset, payload);
        benchmark::DoNotOptimize(frame);
        offset = static_cast<uint16_t>(offset + 56);
    }
}
BENCHMARK(BM_BuildFrameWithChecksum);

// A simulated keyboard on a virtual endpoint in a private folder, and a
// protocol opened on its cable.
class CableFixture {
public:
    CableFixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillon-bench-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        m_folder = pattern;
        auto device = sim::SimulatedDevice::Serve(sim::KeyboardModel(), m_folder / "kb.sock");
        if (!device) {
            return;
        }
        m_device = std::move(*device);
        std::lock_guard io(m_protocol.IoLock());
        if (m_protocol.Channel1().Open(m_device->CommandPath(), transport::HidAccess::ReadWrite)) {
            m_protocol.SetOpen(true);
            m_protocol.SetConnectionMode(1);
        }
    }
    ~CableFixture() {
        m_protocol.Channel1().Close();
        m_device.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    bool Ready() const { return m_protocol.IsOpen(); }
    transport::CDeviceProtocol& Protocol() { return m_protocol; }

private:
    std::filesystem::path m_folder;
    std::unique_ptr<sim::SimulatedDevice> m_device;
    transport::CDeviceProtocol m_protocol;
};

void BM_ExchangeOverVirtualEndpoint(benchmark::State& state) {
    CableFixture fixture;
    if (!fixture.Ready()) {
        state.SkipWithError("no virtual endpoint");
        return;
    }
    std::array<uint8_t, 6> status{};
    for (auto _ : state) {
        if (fixture.Protocol().ReadStatus(status, 0) != transport::rc::kSuccess) {
            state.SkipWithError("exchange failed");
            return;
        }
    }
}
BENCHMARK(BM_ExchangeOverVirtualEndpoint)->UseRealTime();

void BM_StreamLightFrame510Cable(benchmark::State& state) {
    CableFixture fixture;
    if (!fixture.Ready()) {
        state.SkipWithError("no virtual endpoint");
        return;
    }
    std::vector<uint8_t> frame(510);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i);
    }
    for (auto _ : state) {
        if (fixture.Protocol().StreamLightFrame(frame) != transport::rc::kSuccess) {
            state.SkipWithError("stream failed");
            return;
        }
    }
    state.counters["chunks"] = 10;
}
BENCHMARK(BM_StreamLightFrame510Cable)->UseRealTime();

}  // namespace
