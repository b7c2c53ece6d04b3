#include "profiles/light_files.h"

#include <algorithm>

#include "profiles/json_access.h"

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
