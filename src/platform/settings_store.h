#pragma once

// The per-user settings that Windows programs keep in the registry, kept in
// $XDG_CONFIG_HOME/Quillon/registry.json: { "<key>": { "<value name>": value } }.
// Key paths and value names are written as the program names them, e.g. key
// "SOFTWARE\Quillon", value "LANGUAGE". The file is created on the first write
// and re-read on every access, so several processes see each other's changes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/result.h"

namespace platform {

class SettingsStore {
public:
    // The store in the per-user config folder.
    SettingsStore();
    explicit SettingsStore(std::filesystem::path file);

    std::optional<std::string> GetString(const std::string& key, const std::string& name) const;
    std::optional<uint32_t> GetDword(const std::string& key, const std::string& name) const;

    // On failure the file keeps its previous content.
    Status SetString(const std::string& key, const std::string& name, const std::string& value);
    Status SetDword(const std::string& key, const std::string& name, uint32_t value);
    Status DeleteValue(const std::string& key, const std::string& name);

    const std::filesystem::path& File() const { return m_file; }

private:
    std::filesystem::path m_file;
};

}  // namespace platform
