#pragma once
// Events delivered to controls (TEventUI), notifications raised by controls
// (TNotifyUI) and the window messages the library understands.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messages.h"
#include "ui/base.h"

namespace ui {

class CControlUI;

// Window messages beyond those of the platform layer. Numbers follow the
// conventions the rest of the program was written against.
inline constexpr uint32_t kMsgCreate = 0x0001;
inline constexpr uint32_t kMsgSize = 0x0005;
inline constexpr uint32_t kMsgSetFocus = 0x0007;
inline constexpr uint32_t kMsgKillFocus = 0x0008;
inline constexpr uint32_t kMsgPaint = 0x000F;
inline constexpr uint32_t kMsgShowWindow = 0x0018;
inline constexpr uint32_t kMsgKeyDown = 0x0100;
inline constexpr uint32_t kMsgKeyUp = 0x0101;
inline constexpr uint32_t kMsgChar = 0x0102;
inline constexpr uint32_t kMsgSysCommand = 0x0112;
inline constexpr uint32_t kMsgMouseMove = 0x0200;
inline constexpr uint32_t kMsgLButtonDown = 0x0201;
inline constexpr uint32_t kMsgLButtonUp = 0x0202;
inline constexpr uint32_t kMsgLButtonDblClk = 0x0203;
inline constexpr uint32_t kMsgRButtonDown = 0x0204;
inline constexpr uint32_t kMsgRButtonUp = 0x0205;
inline constexpr uint32_t kMsgMouseWheel = 0x020A;
inline constexpr uint32_t kMsgMouseHover = 0x02A1;
inline constexpr uint32_t kMsgMouseLeave = 0x02A3;
inline constexpr uint32_t kMsgDpiChanged = 0x02E0;
// Sent to a menu's owner with lParam pointing to a MenuCommand while the
// message is handled.
inline constexpr uint32_t kMsgMenuClick = 0x0479;

// System commands (kMsgSysCommand wParam).
inline constexpr uintptr_t kScMinimize = 0xF020;
inline constexpr uintptr_t kScMaximize = 0xF030;
inline constexpr uintptr_t kScClose = 0xF060;
inline constexpr uintptr_t kScRestore = 0xF120;

// Key codes (kMsgKeyDown wParam).
inline constexpr uint32_t kKeyBack = 0x08;
inline constexpr uint32_t kKeyTab = 0x09;
inline constexpr uint32_t kKeyReturn = 0x0D;
inline constexpr uint32_t kKeyEscape = 0x1B;
inline constexpr uint32_t kKeyEnd = 0x23;
inline constexpr uint32_t kKeyHome = 0x24;
inline constexpr uint32_t kKeyLeft = 0x25;
inline constexpr uint32_t kKeyUp = 0x26;
inline constexpr uint32_t kKeyRight = 0x27;
inline constexpr uint32_t kKeyDown = 0x28;
inline constexpr uint32_t kKeyDelete = 0x2E;

// Key messages carry the modifier keys in lParam.
inline constexpr intptr_t kModShift = 0x1;
inline constexpr intptr_t kModCtrl = 0x2;
inline constexpr intptr_t kModAlt = 0x4;

// Points travel in lParam as two signed 16-bit halves.
inline intptr_t MakePointParam(UiPoint p) {
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(p.y)) << 16) |
                                 static_cast<uint16_t>(p.x));
}
inline UiPoint PointFromParam(intptr_t l) {
    return {static_cast<int16_t>(l & 0xFFFF), static_cast<int16_t>((l >> 16) & 0xFFFF)};
}

enum class UiEvent {
    MouseMove,
    MouseLeave,
    MouseEnter,
    MouseHover,
    ButtonDown,
    ButtonUp,
    DblClick,
    RButtonDown,
    RButtonUp,
    ContextMenu,
    ScrollWheel,
    KeyDown,
    KeyUp,
    Char,
    SetFocus,
    KillFocus,
    Timer,
};

struct TEventUI {
    UiEvent Type = UiEvent::MouseMove;
    CControlUI* pSender = nullptr;
    int64_t dwTimestamp = 0;  // milliseconds of the UI clock
    UiPoint ptMouse;
    uint32_t chKey = 0;  // key code or code point
    uint32_t wKeyState = 0;
    uintptr_t wParam = 0;  // timer id for Timer; wheel delta for ScrollWheel
    intptr_t lParam = 0;
};

// Notification types, named once.
namespace notify {
inline constexpr std::string_view kWindowInit = "windowinit";
inline constexpr std::string_view kWindowSize = "windowsize";
inline constexpr std::string_view kClick = "click";
inline constexpr std::string_view kDbClick = "dbclick";
inline constexpr std::string_view kMouseEnter = "msenter";
inline constexpr std::string_view kMouseLeave = "msleave";
inline constexpr std::string_view kSetFocus = "setfocus";
inline constexpr std::string_view kKillFocus = "killfocus";
inline constexpr std::string_view kSelectChanged = "selectchanged";
inline constexpr std::string_view kItemSelect = "itemselect";
inline constexpr std::string_view kItemClick = "itemclick";
inline constexpr std::string_view kItemActivate = "itemactivate";
inline constexpr std::string_view kValueChanged = "valuechanged";
inline constexpr std::string_view kMoveValueChanged = "movevaluechanged";
inline constexpr std::string_view kTextChanged = "textchanged";
inline constexpr std::string_view kReturn = "return";
inline constexpr std::string_view kColorChanged = "colorchanged";
inline constexpr std::string_view kDropDown = "dropdown";
inline constexpr std::string_view kTabSelect = "tabselect";
inline constexpr std::string_view kTimer = "timer";
inline constexpr std::string_view kMenu = "menu";
inline constexpr std::string_view kScroll = "scroll";
}  // namespace notify

struct TNotifyUI {
    std::string sType;
    std::string sVirtualWnd;
    CControlUI* pSender = nullptr;  // valid while the notification is delivered
    int64_t dwTimestamp = 0;
    UiPoint ptMouse;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees window messages before the paint manager does.
class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual intptr_t MessageHandler(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                    bool& handled) = 0;
};

}  // namespace ui
