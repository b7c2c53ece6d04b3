#pragma once

// Window message numbers the program shares with the Windows conventions it
// grew up with; peers on the message bus use the same numbers.

#include <cstdint>

namespace platform {

using WindowHandle = uint64_t;  // 0 is no window
inline constexpr WindowHandle kNoWindow = 0;

inline constexpr uint32_t kMsgDestroy = 0x0002;
inline constexpr uint32_t kMsgActivate = 0x0006;
inline constexpr uint32_t kMsgClose = 0x0010;
inline constexpr uint32_t kMsgQuit = 0x0012;
inline constexpr uint32_t kMsgCopyData = 0x004A;
inline constexpr uint32_t kMsgTimer = 0x0113;
inline constexpr uint32_t kMsgUser = 0x0400;
inline constexpr uint32_t kMsgApp = 0x8000;
// Registered messages take numbers from this range.
inline constexpr uint32_t kFirstRegisteredMessage = 0xC000;
inline constexpr uint32_t kLastRegisteredMessage = 0xFFFF;

// A block of bytes handed over with kMsgCopyData; lParam points to it for the
// duration of the handler.
struct CopyDataBlock {
    uint64_t dwData = 0;
    uint32_t cbData = 0;
    const void* lpData = nullptr;
};

class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

}  // namespace platform
