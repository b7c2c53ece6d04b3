#pragma once

// The program's registered messages and its own window message numbers.
//
// The activation message and the five GUID messages are registered once at
// start-up and then read from every thread, so they live in atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

namespace app {

// The product word: window title, lock, bus endpoint and settings key.
inline constexpr std::string_view kProductWord = "Quillon";

// Registered under these names, in this order. The fifth really ends in
// "E19": peers register it under exactly this name.
inline constexpr std::array<std::string_view, 5> kGuidMessageNames = {
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}", "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}", "{4695579F-999A-41d4-9FAF-EFFCE93EBF18}",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}",
};

// Numbers of the registered messages; 0 until registered.
struct RegisteredMessages {
    std::atomic<uint32_t> activation{0};
    std::array<std::atomic<uint32_t>, 5> guid{};
};
RegisteredMessages& Messages();

// Registers the activation message; false when the number is outside the
// registered range.
bool RegisterActivationMessage();
// Registers the five GUID messages in table order; false when one fails.
bool RegisterGuidMessages();
inline bool IsRegisteredNumber(uint32_t msg) {
    return msg >= 0xC000 && msg <= 0xFFFF;
}

// Messages the program's own threads and windows send the main window.
inline constexpr uint32_t kMsgShowSettingProgress = 0x0C00;
inline constexpr uint32_t kMsgSwitchLanguage = 0x0C11;
inline constexpr uint32_t kMsgDeviceAttach = 0x0C12;
inline constexpr uint32_t kMsgDeviceDetach = 0x0C13;
inline constexpr uint32_t kMsgOpenSettingsCentred = 0x0C15;
inline constexpr uint32_t kMsgClearSetButtonImage = 0x0C16;
inline constexpr uint32_t kMsgDeviceDataChanged = 0x0D00;
inline constexpr uint32_t kMsgDeviceStateChanged = 0x0D01;
inline constexpr uint32_t kMsgShowSelectorItem = 0x0D03;
inline constexpr uint32_t kMsgTrayIcon = 0x0401;
inline constexpr uint32_t kMsgKeyCaptureHook = 0x041E;

// Window messages of the desktop the main window answers.
inline constexpr uint32_t kMsgMouseHover = 0x02A1;
inline constexpr uint32_t kMsgMouseLeave = 0x02A3;
inline constexpr uint32_t kMsgPowerBroadcast = 0x0218;
inline constexpr uint32_t kMsgDisplayChange = 0x007E;
inline constexpr uintptr_t kPowerSuspend = 0x0004;
inline constexpr uintptr_t kPowerResumeAutomatic = 0x0012;

// dwData of the copy-data blocks the main window takes.
inline constexpr uint64_t kCopyDataSpectrum = 1;
inline constexpr uint64_t kCopyDataBands = 2;

}  // namespace app
