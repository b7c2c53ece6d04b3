// The main window's connections to work that is not in the program yet: the
// device pages' settings, the commands, the hook, the audio recorder
// and the child windows. Each handler is reached by its routing row or window
// message already; it does nothing until its part of the program arrives.

#include "app/app_messages.h"
#include "app/main_wnd.h"
#include "platform/trace.h"

namespace app {

// Title bar.
void CMainWnd::OnSkinButton(ui::TNotifyUI&, int) {}
void CMainWnd::OnSetButton(ui::TNotifyUI&, int) {}

// Device pages and their panels.
void CMainWnd::OnMouseSettings(ui::TNotifyUI&, int) {}
void CMainWnd::OnMouseDpiDrag(ui::TNotifyUI&, int) {}
void CMainWnd::OnKeyboardSettings(ui::TNotifyUI&, int) {}
void CMainWnd::OnShootingEditor(ui::TNotifyUI&, int) {}
void CMainWnd::OnHeadsetPanels(ui::TNotifyUI&, int) {}
void CMainWnd::OnKeyAssignment(ui::TNotifyUI&, int) {}
void CMainWnd::OnPageTab(ui::TNotifyUI&, int) {}
void CMainWnd::OnLightingChange(ui::TNotifyUI&, int) {}
void CMainWnd::OnAudioLighting(ui::TNotifyUI&, int) {}
void CMainWnd::OnCustomLighting(ui::TNotifyUI&, int) {}
void CMainWnd::OnMacroEditor(ui::TNotifyUI&, int) {}
void CMainWnd::OnEqualiserPresets(ui::TNotifyUI&, int) {}
void CMainWnd::OnMacroStepMenu(ui::TNotifyUI&, int) {}
// The end of a selection over the mouse picture has no effect.
void CMainWnd::OnMouseSelectionEnd(ui::TNotifyUI&, int) {}

// Commands.
void CMainWnd::OnKeyClick(ui::TNotifyUI&, int) {}
void CMainWnd::OnColourOption(ui::TNotifyUI&, int) {}
void CMainWnd::OnAudioColourOption(ui::TNotifyUI&, int) {}
void CMainWnd::OnDpiColourOption(ui::TNotifyUI&, int) {}
void CMainWnd::OnDefaultButton(ui::TNotifyUI&, int) {}
void CMainWnd::OnResetRepeat(ui::TNotifyUI&, int) {}
void CMainWnd::OnProfileCommand(ui::TNotifyUI&, int) {}
void CMainWnd::OnKeyCommand(ui::TNotifyUI&, int) {}
void CMainWnd::OnMacroCommand(ui::TNotifyUI&, int) {}
void CMainWnd::OnShootingCommand(ui::TNotifyUI&, int) {}
void CMainWnd::OnLightingCommand(ui::TNotifyUI&, int) {}
void CMainWnd::OnEqualiserCommand(ui::TNotifyUI&, int) {}
void CMainWnd::OnProfileSpread(ui::TNotifyUI&, int) {}
void CMainWnd::OnMacroMoveInsert(ui::TNotifyUI&, int) {}
void CMainWnd::OnAudioBackgroundOff(ui::TNotifyUI&, int) {}
void CMainWnd::OnMusicSetting(ui::TNotifyUI&, int) {}
void CMainWnd::SwitchToChosenProfile() {}
void CMainWnd::RestoreGameLighting() {}

// Device texts after a language switch.
void CMainWnd::RefreshDeviceTexts() {}

// Synchronised lighting.
void CMainWnd::StartSyncLighting() {}

// Audio recorder and audio lighting.
void CMainWnd::StartRecorderWatchdog() {}
void CMainWnd::PrepareAudioFiles() {}
void CMainWnd::ConnectAudioRecorder() {}
void CMainWnd::DropAudioQueues() {}
void CMainWnd::ProcessSpectrum() {}
void CMainWnd::HandBandsToKeyboard() {}

// Hook bridge: for now the flag says whether key capture was asked for.
void CMainWnd::SetKeyCaptureHook(bool install) {
    m_keyCaptureHook = install;
}

// Skin and language: the background chooser's notices.
void CMainWnd::RegisterForSkinChanges() {}

// Child windows: settings, about, the macro editor's menu items.
void CMainWnd::ForwardToSettingsWindow(uint32_t, uintptr_t, intptr_t) {}
void CMainWnd::OpenSettingsWindow(bool) {}
void CMainWnd::OpenAboutWindow() {}
void CMainWnd::OnMacroMenuItem(const ui::MenuCommand&) {}

}  // namespace app
