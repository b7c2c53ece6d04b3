#pragma once

// The interface language the user chose: the list of languages the program
// ships ("Language.config" in the DefaultData folder) and the saved choice
// (settings key "SOFTWARE\Quillon", value "LANGUAGE": the language's id).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace app {

inline constexpr const char* kLanguageKey = "SOFTWARE\\Quillon";
inline constexpr const char* kLanguageValue = "LANGUAGE";
// The id counted when the value cannot be read.
inline constexpr uint32_t kDefaultLanguageId = 0x208;

struct LanguageEntry {
    uint32_t id = 0;
    std::string name;  // handed to the resource manager
    std::string file;  // the language file in the skin folder
    std::string text;  // shown in the settings window's list
};

class LanguageSettings {
public:
    LanguageSettings(std::filesystem::path languageConfig, platform::SettingsStore store);

    // The languages in list order; empty when the file is missing or broken.
    // A broken entry keeps its place (the position is the language index) as
    // nothing.
    std::vector<std::optional<LanguageEntry>> Languages() const;
    std::optional<LanguageEntry> Entry(int index) const;

    // The position of the saved id in the list; 0 when nothing matches.
    int GetSavedLanguageIndex() const;
    platform::Status SaveLanguageId(uint32_t id);

    const platform::SettingsStore& Store() const { return m_store; }

private:
    std::filesystem::path m_config;
    platform::SettingsStore m_store;
};

}  // namespace app
