#pragma once

// A font from the program's "Font" folder, registered for this process only
// for as long as the object holds it.

#include <filesystem>
#include <optional>
#include <string_view>

#include "app/ui_backend.h"

namespace app {

// The fonts the program brings, in loading order.
inline constexpr std::string_view kPrivateFontFiles[] = {
    "Font/Simplified_Chinese.ttf",
    "Font/Galvanic-Regular.otf",
    "Font/NotoSansThai-Regular.ttf",
    "Font/NotoSansCJKtc-Regular.otf",
};

class CPrivateFont {
public:
    // `registry` may be null: every load then fails and the font is skipped.
    CPrivateFont(const std::filesystem::path& programFolder, IFontRegistry* registry);
    ~CPrivateFont();
    CPrivateFont(const CPrivateFont&) = delete;
    CPrivateFont& operator=(const CPrivateFont&) = delete;

    // Reads the file (relative to the program folder) and registers it; false
    // when it is missing, unreadable, too large or not a font.
    bool Load(std::string_view relativePath);
    void Unload();
    bool IsLoaded() const { return m_handle.has_value(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_path;
    IFontRegistry* m_registry;
    std::optional<int> m_handle;
};

}  // namespace app
