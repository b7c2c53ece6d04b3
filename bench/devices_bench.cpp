// Host cost of the device base's lighting: one frame shown on a keyboard-sized
// picture, and the CPU the light thread takes while it animates on real time.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "controls/device_picture.h"
#include "devices/norvalis_usb_device.h"

namespace {

constexpr int kKeyboardLights = 170;

std::unique_ptr<devices::CNorvalisUSBDevice> KeyboardSizedDevice() {
    auto device = std::make_unique<devices::CNorvalisUSBDevice>();
    auto* panel = device->AddNew<ui::CSelectPanelUI>();
    for (int i = 0; i < kKeyboardLights; ++i) {
        auto* key = panel->AddNew<ui::CDeviceKeyButtonUI>();
        key->SetName("key_" + std::to_string(i));
        key->SetUserData("light_" + std::to_string(i));
    }
    device->SetLayoutFileName("XML\\DeviceXml\\keyboarddevice.xml");
    device->SetKeyCount(kKeyboardLights);
    device->SetLightCount(kKeyboardLights);
    device->InitDevicePage();
    profiles::LightModeRecord r;
    r.brightness = 4;
    r.speed = 4;
    r.multiColour = 1;
    device->SetLightParams(r);
    return device;
}

// The selector's 50 ms frame timer: the LED list onto 170 light buttons.
void BM_PresentFrame(benchmark::State& state) {
    auto device = KeyboardSizedDevice();
    for (auto _ : state) {
        device->StepSpectrum();
        device->PresentFrame();
    }
}
BENCHMARK(BM_PresentFrame);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The light thread animating the fastest effect for two seconds, window
// hidden: the share of one core it takes (design budget: idle under 0.5 %).
void BM_LightThreadCpu(benchmark::State& state) {
    auto device = KeyboardSizedDevice();
    device->CommandProtocol().SetOpen(true);
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        device->StartLightThread();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        device->StopLightThread();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
        state.counters["passes_per_s"] = static_cast<double>(device->LightPasses()) / wall;
    }
}
BENCHMARK(BM_LightThreadCpu)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
