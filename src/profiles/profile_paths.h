#pragma once

// Where profiles and their companion files live.
//   per-user:  DataFolder()/<device folder>/<profile id>.Json, korva_light.config, <Guid>.light
//   shipped:   ProgramFolder()/DefaultData/<device folder>.Json, default_light.json, ...

#include <filesystem>
#include <optional>
#include <string_view>

namespace profiles {

// Device folder names, one per device kind, and the device type index that
// selects a kind's list in files holding one list per kind.
inline constexpr std::string_view kKeyboardFolder = "keyboard";
inline constexpr std::string_view kMouseFolder = "mouse";
inline constexpr std::string_view kMousePadFolder = "MousePad";
inline constexpr std::string_view kHeadsetFolder = "HD";

enum DeviceTypeIndex : int {
    kKeyboardType = 0,
    kMouseType = 1,
    kMousePadType = 2,
    kHeadsetType = 3
};

inline constexpr std::string_view kProfileExtension = ".Json";
inline constexpr std::string_view kLightConfigName = "korva_light.config";
inline constexpr std::string_view kLightEffectExtension = ".light";
inline constexpr std::string_view kDefaultLightListName = "default_light.json";

// The user's folder for one device kind; it and its parent are created when
// missing (failures show later, when a file cannot be written).
std::filesystem::path ProfileFolder(std::string_view deviceFolder);

// The program's shipped data.
std::filesystem::path DefaultDataFolder();
std::filesystem::path DefaultProfilePath(std::string_view deviceFolder);
std::filesystem::path DefaultLightListPath();

// The profile file of a profile id, or nothing when the id would not stay one
// file name inside the folder (a separator, "..", a NUL). The empty id gives
// ".Json", the file a device writes before any profile is selected.
std::optional<std::filesystem::path> ProfileFilePath(std::string_view deviceFolder,
                                                     std::string_view profileId);

std::filesystem::path LightConfigPath(std::string_view deviceFolder);

}  // namespace profiles
