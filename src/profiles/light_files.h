#pragma once

// The lists the device pages take from the light files: the built-in light
// modes and light areas of "default_light.json" and the names of the light
// definition file ("korva_light.config"). Each file holds one list per device
// type index.

#include <json/value.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace profiles {

struct DefaultLightMode {
    std::string name;      // "LightName"
    bool visible = false;  // "visible"
    int32_t value = 0;     // "value": the mode number the device stores
};

// The built-in light modes of one device type, in display order, or nothing
// when the document has no list for the type.
std::optional<std::vector<DefaultLightMode>> DefaultLightModes(const Json::Value& document,
                                                               int typeIndex);
// The names of the light areas of one device type ("AreaLightName").
std::optional<std::vector<std::string>> LightAreaNames(const Json::Value& document, int typeIndex);
// The names of the light definitions of one device type ("LightInfo").
std::optional<std::vector<std::string>> LightDefinitionNames(const Json::Value& definition,
                                                             int typeIndex);

}  // namespace profiles

namespace profiles {

// Gives a device folder the shipped light definition file and the effect files
// it names, when the folder has no definition file yet; an existing one (the
// user's) is never replaced. Effect names that are not plain file names are
// skipped. Returns true when the folder holds a definition file afterwards.
bool EnsureLightConfig(const std::filesystem::path& profileFolder,
                       const std::filesystem::path& defaultDataFolder);

}  // namespace profiles
