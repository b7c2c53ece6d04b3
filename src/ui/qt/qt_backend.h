#pragma once
// The desktop backend of the UI library. Creating a QtBackend makes every new
// window a real one (QtWindowHostFactory), runs the program's message loop
// inside Qt's event loop, and installs the Qt drop-downs of combos, the tray
// icon and the file dialogs. A program that creates none stays headless.
#include <memory>
#include <string>
#include <vector>

#include "platform/message_loop.h"

class QApplication;

namespace ui::qt {

class QtBackend {
public:
    // Uses the running QApplication, or creates one from the arguments.
    QtBackend(int& argc, char** argv);
    ~QtBackend();
    QtBackend(const QtBackend&) = delete;
    QtBackend& operator=(const QtBackend&) = delete;

    // The UI thread's loop (also given to CPaintManagerUI).
    platform::MessageLoop& Loop();
    // Runs until the loop is told to quit; returns its code.
    int Run();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The screen's DPI rounded to a value the UI library accepts (96 without a screen).
int ScreenDpi();

// A font file registered for this process only, as long as the object lives
// (or until Unload).
class PrivateFont {
public:
    PrivateFont() = default;
    ~PrivateFont() { Unload(); }
    PrivateFont(const PrivateFont&) = delete;
    PrivateFont& operator=(const PrivateFont&) = delete;
    // False when the file is missing or not a font.
    bool Load(const std::string& path);
    void Unload();
    bool IsLoaded() const { return m_id >= 0; }
    // The families the file brought.
    const std::vector<std::string>& Families() const { return m_families; }

private:
    int m_id = -1;
    std::vector<std::string> m_families;
};

}  // namespace ui::qt
