#pragma once
// Renders a skin layout to a picture without a display: the layout is built
// into a headless window and painted with the Qt render engine. Tags the
// library does not know (the program's own controls) are stood in for by plain
// containers, so every layout of the skin can be looked at.
#include <QImage>
#include <string>
#include <vector>

#include "platform/result.h"
#include "ui/base.h"
#include "ui/window.h"

namespace shot {

struct Options {
    std::string skinDir;   // the skin folder (holds res.xml)
    std::string layout;    // a logical name of res.xml, a skin-relative file, or layout text
    int dpi = 96;          // 48..192 in the library's steps
    std::string language;  // "en", "cn" (lan_<x>.xml) or a language file; empty: none
    ui::UiSize size;       // client size at 96 DPI; empty: the layout's own (or 800 x 572)
    std::string hover;     // a control shown with the mouse over it
    std::string press;     // a control shown pressed
    std::string focus;     // a control given the keyboard focus
};

struct Shot {
    QImage image;
    std::vector<std::string> standIns;  // tags drawn as plain containers
};

// Points the library at a skin folder and loads its res.xml and a language.
platform::Status PrepareSkin(const std::string& skinDir, const std::string& language);

// Needs a QGuiApplication.
platform::Result<Shot> Render(const Options& options);

// Paints a window the caller built (any WindowImplBase, headless or not) as it
// looks now, at its own size and DPI.
QImage RenderWindow(ui::WindowImplBase& window);

}  // namespace shot
