// One enumeration pass, as the discovery thread runs it every 100 ms while a
// device is missing: 30 hidraw nodes in a fake sysfs tree.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "transport/fake_sysfs.h"
#include "transport/hid_channel.h"
#include "transport/hid_enumerator.h"
#include "transport/hid_test_descriptors.h"

namespace {

namespace fs = std::filesystem;
using namespace transport;

struct Tree {
    Tree() {
        std::string pattern = (fs::temp_directory_path() / "quillon-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            root = pattern;
        }
        testdata::FakeSysfs sysfs(root);
        const std::span<const uint8_t> descriptors[] = {
            testdata::kBootKeyboard, testdata::kWheelMouse, testdata::kCompositeInterface,
            testdata::kVendorNoIds};
        for (int n = 0; n < 30; ++n) {
            sysfs.Add(n, 0x320F, static_cast<uint16_t>(0x5000 + n), n % 4, descriptors[n % 4]);
        }
        roots = sysfs.Roots();
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
    HidRoots roots;
};

void BM_EnumerationPass30Nodes(benchmark::State& state) {
    Tree tree;
    HidEnumerator enumerator(tree.roots);
    size_t paths = 0;
    for (auto _ : state) {
        auto found = enumerator.Interfaces();
        paths = found.ok() ? found->size() : 0;
        benchmark::DoNotOptimize(paths);
    }
    state.counters["paths"] = static_cast<double>(paths);
}
BENCHMARK(BM_EnumerationPass30Nodes)->Unit(benchmark::kMicrosecond);

void BM_ChannelEnumeratePaths30Nodes(benchmark::State& state) {
    Tree tree;
    SetHidRoots(tree.roots);
    CHidChannel channel;
    for (auto _ : state) {
        benchmark::DoNotOptimize(channel.EnumeratePaths());
        channel.FreePaths();
    }
    SetHidRoots(HidRoots{});
}
BENCHMARK(BM_ChannelEnumeratePaths30Nodes)->Unit(benchmark::kMicrosecond);

void BM_ParseCompositeDescriptor(benchmark::State& state) {
    for (auto _ : state) {
        auto parsed = ParseReportDescriptor(testdata::kCompositeInterface);
        benchmark::DoNotOptimize(parsed.ok());
    }
}
BENCHMARK(BM_ParseCompositeDescriptor);

}  // namespace
