#include "profiles/light_files.h"

#include <algorithm>

#include "platform/file_io.h"
#include "platform/paths.h"
#include "profiles/json_access.h"
#include "profiles/json_file.h"
#include "profiles/profile_paths.h"

namespace profiles {

namespace {

constexpr uint32_t kMaxListEntries = 256;

// The list of one type, or null when it is absent or not a list.
const Json::Value& TypeList(const Json::Value& document, const char* key, int typeIndex) {
    if (typeIndex < 0) {
        static const Json::Value kNull;
        return kNull;
    }
    return json::At(json::Get(document, key), static_cast<uint64_t>(typeIndex));
}

std::optional<std::vector<std::string>> Names(const Json::Value& list) {
    if (!list.isArray()) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    const uint32_t count = std::min(json::Size(list), kMaxListEntries);
    for (uint32_t i = 0; i < count; ++i) {
        names.push_back(json::Text(json::Get(json::At(list, i), "LightName")));
    }
    return names;
}

}  // namespace

std::optional<std::vector<DefaultLightMode>> DefaultLightModes(const Json::Value& document,
                                                               int typeIndex) {
    const Json::Value& list = TypeList(document, "DefaultLightName", typeIndex);
    if (!list.isArray()) {
        return std::nullopt;
    }
    std::vector<DefaultLightMode> modes;
    const uint32_t count = std::min(json::Size(list), kMaxListEntries);
    for (uint32_t i = 0; i < count; ++i) {
        const Json::Value& mode = json::At(list, i);
        modes.push_back(DefaultLightMode{
            .name = json::Text(json::Get(mode, "LightName")),
            .visible = json::Bool(json::Get(mode, "visible")),
            .value = static_cast<int32_t>(json::Int(json::Get(mode, "value"))),
        });
    }
    return modes;
}

std::optional<std::vector<std::string>> LightAreaNames(const Json::Value& document, int typeIndex) {
    return Names(TypeList(document, "AreaLightName", typeIndex));
}

std::optional<std::vector<std::string>> LightDefinitionNames(const Json::Value& definition,
                                                             int typeIndex) {
    return Names(TypeList(definition, "LightInfo", typeIndex));
}

}  // namespace profiles

namespace profiles {

bool EnsureLightConfig(const std::filesystem::path& profileFolder,
                       const std::filesystem::path& defaultDataFolder) {
    const std::filesystem::path target = profileFolder / std::string(kLightConfigName);
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) {
        return true;
    }
    const std::filesystem::path source = defaultDataFolder / std::string(kLightConfigName);
    const std::optional<std::string> text = platform::ReadFile(source);
    if (!text) {
        return false;
    }
    const Json::Value definition = CJsonFile::Parse(*text).value;
    const Json::Value& lists = json::Get(definition, "LightInfo");
    for (uint32_t type = 0; type < std::min(json::Size(lists), kMaxListEntries); ++type) {
        const Json::Value& modes = json::At(lists, type);
        for (uint32_t i = 0; i < std::min(json::Size(modes), kMaxListEntries); ++i) {
            const std::string guid = json::Text(json::Get(json::At(modes, i), "Guid"));
            const std::string name = guid + std::string(kLightEffectExtension);
            if (guid.empty() || !platform::IsSafeFileName(name) ||
                std::filesystem::exists(profileFolder / name, ec)) {
                continue;
            }
            if (const std::optional<std::string> effect =
                    platform::ReadFile(defaultDataFolder / name)) {
                platform::WriteFileAtomic(profileFolder / name, *effect);
            }
        }
    }
    // The definition goes last: while it is missing, the next start tries again.
    return platform::WriteFileAtomic(target, *text).ok();
}

}  // namespace profiles
