// The main window's routing tables: which handler each control's notification
// reaches, by notification type and sender name.

#include <array>

#include "app/main_wnd.h"
#include "platform/launch.h"
#include "platform/trace.h"

namespace app {

namespace {

using M = SenderMatch;
using W = CMainWnd;

#define ROUTE(type, sender, match, handler)        \
    NotifyRoute {                                  \
        type, sender, match, &W::handler, #handler \
    }

constexpr std::string_view kSel = "selectchanged";
constexpr std::string_view kVal = "valuechanged";
constexpr std::string_view kMove = "movevaluechanged";
constexpr std::string_view kItem = "itemselect";
constexpr std::string_view kKill = "killfocus";
constexpr std::string_view kColour = "colorchanged";
constexpr std::string_view kClk = "click";

const NotifyRoute kNotifyRoutes[] = {
    // Mouse settings; the report rate options serve the keyboard too.
    ROUTE(kSel, "DPI_enable_check_", M::Numbered, OnMouseSettings),
    ROUTE(kSel, "DPI_select_check_", M::Numbered, OnMouseSettings),
    ROUTE(kSel, "polling_rate_option_", M::Numbered, OnMouseSettings),
    ROUTE(kSel, "pointer_precision_check", M::Exact, OnMouseSettings),
    ROUTE(kSel, "scrolls_page_check", M::Exact, OnMouseSettings),
    ROUTE(kSel, "mouse_device_seting_option_", M::Numbered, OnMouseSettings),
    // Keyboard settings.
    ROUTE(kSel, "repeat_delay_check_", M::Numbered, OnKeyboardSettings),
    ROUTE(kSel, "winlockflag_option", M::Exact, OnKeyboardSettings),
    ROUTE(kSel, "wflag_option", M::Exact, OnKeyboardSettings),
    ROUTE(kSel, "6flag_option", M::Exact, OnKeyboardSettings),
    ROUTE(kSel, "keyset_fn", M::Exact, OnKeyboardSettings),
    // Shooting editor.
    ROUTE(kSel, "shoot_gun_op_", M::Numbered, OnShootingEditor),
    ROUTE(kSel, "bullet_op_", M::Numbered, OnShootingEditor),
    ROUTE(kSel, "bullet_x_check", M::Exact, OnShootingEditor),
    ROUTE(kSel, "bullet_y_check", M::Exact, OnShootingEditor),
    // Headset panels.
    ROUTE(kSel, "magic_option_", M::Numbered, OnHeadsetPanels),
    ROUTE(kSel, "magic_enable_option", M::Exact, OnHeadsetPanels),
    ROUTE(kSel, "6533_eq_option_", M::Numbered, OnHeadsetPanels),
    ROUTE(kSel, "6533_MicIn_option", M::Exact, OnHeadsetPanels),
    ROUTE(kSel, "6533_MicMoniter_option", M::Exact, OnHeadsetPanels),
    // Key assignment.
    ROUTE(kSel, "key_ComBox_check_", M::Numbered, OnKeyAssignment),
    ROUTE(kSel, "keyboard_key_", M::Numbered, OnKeyAssignment),
    ROUTE(kSel, "synchro_device_select", M::Exact, OnNothing),
    ROUTE(kSel, "device_select", M::Exact, OnDeviceSelect),
    // Page tabs, pages 1 to 8 in this order.
    ROUTE(kSel, "deng_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "key_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "macro_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "system_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "cursor_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "6533_voice_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "magic_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "Virtual7.1_Op_tab", M::Exact, OnPageTab),
    ROUTE(kSel, "deng_FXL_check", M::Exact, OnLightingChange),
    ROUTE(kSel, "deng_FXR_check", M::Exact, OnLightingChange),
    ROUTE(kSel, "deng_7color_check", M::Exact, OnLightingChange),
    ROUTE(kSel, "deng_7audiocolor_check", M::Exact, OnAudioLighting),
    ROUTE(kSel, "audio_BkColor_check", M::Exact, OnAudioLighting),
    ROUTE(kSel, "audio_FgColor_check", M::Exact, OnAudioLighting),

    ROUTE(kVal, "DPI_slider_", M::Numbered, OnMouseSettings),
    ROUTE(kVal, "pointer_speed_slider", M::Exact, OnMouseSettings),
    ROUTE(kVal, "scroll_speed_slider", M::Exact, OnMouseSettings),
    ROUTE(kVal, "double_click_slider", M::Exact, OnMouseSettings),
    ROUTE(kVal, "repeat_rate_slider", M::Exact, OnKeyboardSettings),
    ROUTE(kVal, "voice_sensitivity", M::Exact, OnKeyboardSettings),
    ROUTE(kVal, "6533_eq_hz_slider_", M::Numbered, OnHeadsetPanels),
    ROUTE(kVal, "6533_MicIn_slider", M::Exact, OnHeadsetPanels),
    ROUTE(kVal, "6533_MicMoniter_slider", M::Exact, OnHeadsetPanels),
    ROUTE(kVal, "deng_light_slider", M::Exact, OnLightingChange),
    ROUTE(kVal, "deng_speed_slider", M::Exact, OnLightingChange),
    ROUTE(kVal, "R_light_slider", M::Exact, OnColourLabelSlider),
    ROUTE(kVal, "G_light_slider", M::Exact, OnColourLabelSlider),
    ROUTE(kVal, "B_light_slider", M::Exact, OnColourLabelSlider),

    ROUTE(kMove, "korva_DPI_slider_", M::Numbered, OnMouseDpiDrag),
    ROUTE(kMove, "korva_DPI_edit_", M::Numbered, OnMouseDpiDrag),
    ROUTE(kMove, "DPI_slider_", M::Numbered, OnMouseDpiDrag),

    ROUTE(kItem, "device_profile_combo", M::Exact, OnProfileComboItem),
    ROUTE(kItem, "light_combo_modeSelect", M::Exact, OnLightingChange),
    ROUTE(kItem, "light_combo_ZZCCmodeSelect", M::Exact, OnLightingChange),
    ROUTE(kItem, "light_combo_custommodeSelect", M::Exact, OnCustomLighting),
    ROUTE(kItem, "light_combo_audiomodeSelect", M::Exact, OnAudioLighting),
    ROUTE(kItem, "macro_name_list", M::Exact, OnMacroEditor),
    ROUTE(kItem, "custom_eq_name_combo", M::Exact, OnEqualiserPresets),
    ROUTE(kItem, "keyset_function_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_macro_over_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_mousekey_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_mouseswing_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_mousewheel_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_mousedpi_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_media_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_system_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_macro_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_gunkey_combo", M::Exact, OnKeyAssignment),
    ROUTE(kItem, "keyset_combokey_combo", M::Exact, OnKeyAssignment),

    ROUTE(kKill, "korva_DPI_edit_", M::Numbered, OnMouseSettings),
    ROUTE(kKill, "DPI_edit_", M::Numbered, OnMouseSettings),
    ROUTE(kKill, "deng_edit_R", M::Exact, OnLightingChange),
    ROUTE(kKill, "deng_edit_G", M::Exact, OnLightingChange),
    ROUTE(kKill, "deng_edit_B", M::Exact, OnLightingChange),
    ROUTE(kKill, "deng_audioedit_R", M::Exact, OnAudioLighting),
    ROUTE(kKill, "deng_audioedit_G", M::Exact, OnAudioLighting),
    ROUTE(kKill, "deng_audioedit_B", M::Exact, OnAudioLighting),
    ROUTE(kKill, "keyset_keyboard_text_edit", M::Exact, OnKeyCaptureEditLeft),
    ROUTE(kKill, "keyset_mouseswing_num_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mouseswing_delay_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mouseswing_speed_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mousewheel_num_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mousewheel_delay_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mousewheel_speed_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mousefire_interval_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_mousefire_num_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "keyset_macro_cycle_edit", M::Exact, OnKeyAssignment),
    ROUTE(kKill, "bullet_x_eidt", M::Exact, OnShootingEditor),
    ROUTE(kKill, "bullet_y_eidt", M::Exact, OnShootingEditor),
    ROUTE(kKill, "bullet_delay_eidt", M::Exact, OnShootingEditor),
    ROUTE(kKill, "macro_delay", M::Exact, OnMacroEditor),

    ROUTE(kColour, "deng_Color_Pallet", M::Exact, OnLightingChange),
    ROUTE(kColour, "deng_audioColor_Pallet", M::Exact, OnAudioLighting),
};

// Clicks: the close button and the title bar first, then numbered names, then
// the other names.
const NotifyRoute kClickRoutes[] = {
    ROUTE(kClk, "closebtn", M::Exact, OnCloseButton),
    ROUTE(kClk, "minbtn", M::TitleBar, OnMinimizeButton),
    ROUTE(kClk, "maxbtn", M::TitleBar, OnMaximizeButton),
    ROUTE(kClk, "restorebtn", M::TitleBar, OnRestoreButton),
    ROUTE(kClk, "skinbtn", M::TitleBar, OnSkinButton),
    ROUTE(kClk, "setbtn", M::TitleBar, OnSetButton),

    ROUTE(kClk, "key_", M::Numbered, OnKeyClick),
    ROUTE(kClk, "color_option_", M::Numbered, OnColourOption),
    ROUTE(kClk, "audiocolor_option_", M::Numbered, OnAudioColourOption),
    ROUTE(kClk, "windowdeviceset_", M::Numbered, OnSystemDeviceSettings),
    ROUTE(kClk, "DPI_color_option_", M::Numbered, OnDpiColourOption),

    ROUTE(kClk, "nodevice_ok_btn", M::Exact, OnNoDeviceOk),
    ROUTE(kClk, "control_light_status", M::Exact, OnControlLightStatus),
    ROUTE(kClk, "default_btn", M::Exact, OnDefaultButton),
    ROUTE(kClk, "reset_repeat_btn", M::Exact, OnResetRepeat),
    ROUTE(kClk, "device_add_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "device_sub_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "device_copy_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "device_import_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "device_export_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "device_reset_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "device_profile_edit_save_btn", M::Exact, OnProfileCommand),
    ROUTE(kClk, "key_butt_keysave", M::Exact, OnKeyCommand),
    ROUTE(kClk, "key_butt_keydefalut", M::Exact, OnKeyCommand),
    ROUTE(kClk, "key_butt_keycancel", M::Exact, OnKeyCommand),
    ROUTE(kClk, "key_butt_prosave", M::Exact, OnKeyCommand),
    ROUTE(kClk, "macro_btn_starredio", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_stopredio", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_name_add", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_name_sub", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_name_edit", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_save", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_cancel", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_export", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_import", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_up", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_down", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_uptop", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_downbottom", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_delete", M::Exact, OnMacroCommand),
    ROUTE(kClk, "macro_btn_deleteall", M::Exact, OnMacroCommand),
    ROUTE(kClk, "shootdate_save_btn", M::Exact, OnShootingCommand),
    ROUTE(kClk, "shootdate_reset_btn", M::Exact, OnShootingCommand),
    ROUTE(kClk, "shootdate_import_btn", M::Exact, OnShootingCommand),
    ROUTE(kClk, "shootdate_export_btn", M::Exact, OnShootingCommand),
    ROUTE(kClk, "bullet_selected_prev", M::Exact, OnShootingCommand),
    ROUTE(kClk, "bullet_selected_next", M::Exact, OnShootingCommand),
    ROUTE(kClk, "custom_bright_color_btn", M::Exact, OnLightingCommand),
    ROUTE(kClk, "custom_off_color_btn", M::Exact, OnLightingCommand),
    ROUTE(kClk, "deng_same_mode", M::Exact, OnLightingCommand),
    ROUTE(kClk, "hs_EQ_btn_save", M::Exact, OnEqualiserCommand),
    ROUTE(kClk, "hs_EQ_btn_delete", M::Exact, OnEqualiserCommand),
    ROUTE(kClk, "profile_fun_spread_btn", M::Exact, OnProfileSpread),
    ROUTE(kClk, "macro_inset_moveleftkey_btn", M::Exact, OnMacroMoveInsert),
    ROUTE(kClk, "macro_inset_moverightkey_btn", M::Exact, OnMacroMoveInsert),
    ROUTE(kClk, "macro_inset_moveupkey_btn", M::Exact, OnMacroMoveInsert),
    ROUTE(kClk, "macro_inset_movedownkey_btn", M::Exact, OnMacroMoveInsert),
    ROUTE(kClk, "device_select_prev", M::Exact, OnDeviceStep),
    ROUTE(kClk, "device_select_next", M::Exact, OnDeviceStep),
    ROUTE(kClk, "Close_bkColor_btn", M::Exact, OnAudioBackgroundOff),
    ROUTE(kClk, "music_setting_btn", M::Exact, OnMusicSetting),
};

#undef ROUTE

}  // namespace

std::span<const NotifyRoute> CMainWnd::NotifyRoutes() {
    return kNotifyRoutes;
}

std::span<const NotifyRoute> CMainWnd::ClickRoutes() {
    return kClickRoutes;
}

void CMainWnd::OnSystemDeviceSettings(ui::TNotifyUI&, int number) {
    // The desktop's own keyboard (0) or mouse (1) settings, where one is installed.
    static const std::vector<std::vector<std::string>> kKeyboard = {
        {"gnome-control-center", "keyboard"},
        {"systemsettings", "kcm_keyboard"},
        {"xfce4-keyboard-settings"},
    };
    static const std::vector<std::vector<std::string>> kMouse = {
        {"gnome-control-center", "mouse"},
        {"systemsettings", "kcm_mouse"},
        {"xfce4-mouse-settings"},
    };
    if (number != 0 && number != 1)
        return;
    for (const auto& argv : number == 0 ? kKeyboard : kMouse) {
        if (!platform::FindProgram(argv[0]))
            continue;
        if (platform::Status started = platform::LaunchDetached(argv); !started)
            platform::Trace("MAIN_WND cannot start " + argv[0] + ": " + started.error().message);
        return;
    }
    platform::Trace("MAIN_WND no desktop settings program found");
}

}  // namespace app
