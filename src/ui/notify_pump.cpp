#include "ui/notify_pump.h"

#include "ui/control.h"

namespace ui {

void CNotifyPump::OnNotify(std::string_view type, Handler handler) {
    m_entries.push_back({std::string(type), {}, std::move(handler)});
}

void CNotifyPump::OnNotify(std::string_view type, std::string_view senderName, Handler handler) {
    m_entries.push_back({std::string(type), std::string(senderName), std::move(handler)});
}

bool CNotifyPump::AddVirtualWnd(std::string_view name, CNotifyPump* pump) {
    if (pump == nullptr || name.empty())
        return false;
    return m_virtualWnds.emplace(std::string(name), pump).second;
}

bool CNotifyPump::RemoveVirtualWnd(std::string_view name) {
    return m_virtualWnds.erase(std::string(name)) != 0;
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (!msg.sVirtualWnd.empty()) {
        auto it = m_virtualWnds.find(msg.sVirtualWnd);
        if (it != m_virtualWnds.end() && it->second != this) {
            return it->second->LoopDispatch(msg);
        }
    }
    return LoopDispatch(msg);
}

bool CNotifyPump::LoopDispatch(TNotifyUI& msg) {
    bool handled = false;
    // A handler may add entries; index-based so growth is safe.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (e.type != msg.sType)
            continue;
        if (!e.sender.empty() && (msg.pSender == nullptr || msg.pSender->GetName() != e.sender)) {
            continue;
        }
        Handler h = e.handler;
        h(msg);
        handled = true;
    }
    return handled;
}

}  // namespace ui
