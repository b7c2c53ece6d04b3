// What a profile switch costs on the UI thread: loading the keyboard's profile
// (the largest: 170 keys and five colour groups), reading its sections, and
// saving it after a change.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "profiles/keyboard_profiledata.h"
#include "profiles/profile_paths.h"

namespace {

using namespace profiles;

struct KeyboardProfile {
    KeyboardProfile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillon-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        home = pattern;
        ::setenv("XDG_DATA_HOME", home.c_str(), 1);
        ::setenv("QUILLON_PROGRAM_DIR", QUILLON_BENCH_PROGRAM_DIR, 1);
        data.SetDefaultProfilePath(DefaultProfilePath(kKeyboardFolder));
        path = *ProfileFilePath(kKeyboardFolder, "bench");
        data.SetProfilePath(path);
        data.LoadProfile(path);
    }
    ~KeyboardProfile() { std::filesystem::remove_all(home); }
    std::filesystem::path home;
    CKeyboardProfiledata data;
    std::filesystem::path path;
};

void BM_LoadKeyboardProfile(benchmark::State& state) {
    KeyboardProfile p;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.data.LoadProfile(p.path));
        benchmark::DoNotOptimize(p.data.GetKeyList());
        benchmark::DoNotOptimize(p.data.GetLightInfo());
        benchmark::DoNotOptimize(p.data.GetCustomColours(p.data.GetCustomGroupIndex(), 170));
    }
}
BENCHMARK(BM_LoadKeyboardProfile)->Unit(benchmark::kMillisecond);

void BM_SaveKeyboardProfile(benchmark::State& state) {
    KeyboardProfile p;
    LightModeRecord light = p.data.GetLightInfo();
    for (auto _ : state) {
        light.brightness = static_cast<uint8_t>((light.brightness + 1) % 5);
        p.data.SetLightInfo(light);
        benchmark::DoNotOptimize(p.data.Save());
    }
}
BENCHMARK(BM_SaveKeyboardProfile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
