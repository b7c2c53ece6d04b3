#include "profiles/profile_paths.h"

#include <string>

#include "platform/paths.h"

namespace profiles {

namespace fs = std::filesystem;

fs::path ProfileFolder(std::string_view deviceFolder) {
    fs::path folder = platform::DataFolder() / fs::path(std::string(deviceFolder));
    platform::EnsureFolder(folder);
    return folder;
}

fs::path DefaultDataFolder() {
    return platform::ProgramFolder() / "DefaultData";
}

fs::path DefaultProfilePath(std::string_view deviceFolder) {
    return DefaultDataFolder() / (std::string(deviceFolder) + std::string(kProfileExtension));
}

fs::path DefaultLightListPath() {
    return DefaultDataFolder() / std::string(kDefaultLightListName);
}

std::optional<fs::path> ProfileFilePath(std::string_view deviceFolder, std::string_view profileId) {
    const std::string name = std::string(profileId) + std::string(kProfileExtension);
    if (!platform::IsSafeFileName(name)) {
        return std::nullopt;
    }
    return ProfileFolder(deviceFolder) / name;
}

fs::path LightConfigPath(std::string_view deviceFolder) {
    return ProfileFolder(deviceFolder) / std::string(kLightConfigName);
}

}  // namespace profiles
