#pragma once
// Pop-up menus built from a layout ("menu.xml": a Menu of MenuElement rows)
// and the tray icon.
#include <cstdint>
#include <memory>
#include <string>

#include "ui/list.h"
#include "ui/window.h"

namespace ui {

class CMenuElementUI : public CListContainerElementUI {
public:
    CMenuElementUI();
    std::string_view GetClass() const override { return "MenuElement"; }
    void PaintText(IRenderEngine& render) override { CControlUI::PaintText(render); }
};

class CMenuUI : public CListUI {
public:
    std::string_view GetClass() const override { return "Menu"; }
};

// What the owner receives with kMsgMenuClick (lParam points to it while the
// message is handled).
struct MenuCommand {
    std::string name;
    std::string userData;
    std::string text;
};

// Which side of the point the menu opens on.
enum MenuAlign : uint32_t {
    kMenuAlignLeft = 1,    // the menu's right edge at the point
    kMenuAlignTop = 2,     // the menu's bottom edge at the point
    kMenuAlignRight = 4,   // the menu's left edge at the point (default)
    kMenuAlignBottom = 8,  // the menu's top edge at the point (default)
};

class CMenuWnd : public WindowImplBase {
public:
    // Registers the menu tags with the control factory (once is enough).
    static void RegisterControls();

    std::string GetWindowClassName() const override { return "MenuWnd"; }
    std::string GetSkinFile() override { return m_source; }
    std::string GetSkinXml() override;

    // Opens the menu from a layout at a screen point. The owner receives
    // kMsgMenuClick when an item is chosen; the menu then closes.
    bool Init(CWindowWnd* owner, std::string_view source, UiPoint point,
              uint32_t align = kMenuAlignRight | kMenuAlignBottom);
    // What choosing an item does; false when there is no such enabled item.
    bool ChooseItem(std::string_view name);
    CMenuUI* GetMenu() const;
    bool IsOpen() const { return IsWindow(); }

    void Notify(TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;

private:
    void Place();
    CWindowWnd* m_owner = nullptr;
    std::string m_source;
    UiPoint m_point;
    uint32_t m_align = kMenuAlignRight | kMenuAlignBottom;
};

// Where the tray icon lives; the Qt backend shows a real one.
class ITrayHost {
public:
    virtual ~ITrayHost() = default;
    virtual void Show(int iconId, const std::string& tip) = 0;
    virtual void Hide() = 0;
};

class CTrayIcon {
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Clicks reach the owner as `callbackMsg` with the mouse message in lParam.
    void CreateTrayIcon(platform::WindowHandle owner, int iconId, std::string_view tip,
                        uint32_t callbackMsg = 0x0401);
    void DeleteTrayIcon();
    void SetTooltipText(std::string_view tip);
    const std::string& GetTooltipText() const { return m_tip; }
    bool IsVisible() const { return m_visible; }
    int GetIconId() const { return m_iconId; }
    // The backend calls this for a click on the icon (kMsgLButtonUp, kMsgRButtonUp...).
    void OnIconMessage(uint32_t mouseMsg);

    // The backend's tray; none when headless.
    // The factory is given the icon its clicks go back to (OnIconMessage).
    static void SetTrayHostFactory(std::unique_ptr<ITrayHost> (*factory)(CTrayIcon&));

private:
    std::unique_ptr<ITrayHost> m_host;
    platform::WindowHandle m_owner = platform::kNoWindow;
    uint32_t m_callbackMsg = 0;
    int m_iconId = 0;
    std::string m_tip;
    bool m_visible = false;
};

}  // namespace ui
