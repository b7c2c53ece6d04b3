#pragma once
// CNotifyPump: a window's notification map. Entries match a notification type
// and, optionally, a sender name; virtual windows ("virtualwnd" of a control
// or one of its parents) have pumps of their own.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/event.h"

namespace ui {

class CNotifyPump {
public:
    using Handler = std::function<void(TNotifyUI&)>;
    virtual ~CNotifyPump() = default;

    // Any sender.
    void OnNotify(std::string_view type, Handler handler);
    // Only the sender with that name.
    void OnNotify(std::string_view type, std::string_view senderName, Handler handler);
    bool AddVirtualWnd(std::string_view name, CNotifyPump* pump);
    bool RemoveVirtualWnd(std::string_view name);
    // Delivers to the virtual window's pump, or to this map; true when an
    // entry handled it.
    bool NotifyPump(TNotifyUI& msg);

private:
    struct Entry {
        std::string type;
        std::string sender;  // empty: any
        Handler handler;
    };
    bool LoopDispatch(TNotifyUI& msg);
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, CNotifyPump*> m_virtualWnds;
};

}  // namespace ui
