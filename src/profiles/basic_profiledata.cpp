#include "profiles/basic_profiledata.h"

#include <string>
#include <system_error>

#include "platform/paths.h"
#include "platform/trace.h"
#include "profiles/json_access.h"
#include "profiles/profile_paths.h"

namespace profiles {

namespace fs = std::filesystem;

namespace {

uint8_t Flag(const Json::Value& value) {
    return json::Bool(value) ? 1 : 0;
}

std::vector<KeyAssignEntry> ReadKeyList(const Json::Value& entry) {
    const Json::Value& keys = json::Get(entry, "KeyList");
    const uint32_t count = std::min(json::Size(keys), kMaxKeyPositions);
    std::vector<KeyAssignEntry> list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const Json::Value& key = json::At(keys, i);
        const auto position = static_cast<uint16_t>(i);
        list.push_back(KeyAssignEntry{
            .fn = KeyCode::Unpack(json::Int(json::Get(key, "FnAssignment")), position),
            .normal = KeyCode::Unpack(json::Int(json::Get(key, "Assignment")), position),
            .defaultCode =
                KeyCode::Unpack(json::Int(json::Get(key, "DefaultAssignment")), position),
        });
    }
    return list;
}

void WriteKeyList(Json::Value& entry, const std::vector<KeyAssignEntry>& list) {
    Json::Value& keys = json::Member(entry, "KeyList");
    const auto count = static_cast<uint32_t>(std::min<size_t>(list.size(), kMaxKeyPositions));
    for (uint32_t i = 0; i < count; ++i) {
        Json::Value& key = json::AsObject(json::Element(keys, i));
        key["Assignment"] = Json::Int64(list[i].normal.Packed());
        key["FnAssignment"] = Json::Int64(list[i].fn.Packed());
    }
}

}  // namespace

Json::Value DeviceEntry(const Json::Value& document, int deviceIndex) {
    const Json::Value& entry =
        json::At(json::Get(document, "Device"), static_cast<uint64_t>(deviceIndex));
    return entry.isObject() ? entry : Json::Value();
}

bool HoldsUnusableProfile(const JsonFileContent& content, int deviceIndex) {
    switch (content.state) {
        case JsonFileState::kMissing:
        case JsonFileState::kEmpty:
            return false;
        case JsonFileState::kUnreadable:
        case JsonFileState::kMalformed:
            return true;
        case JsonFileState::kParsed:
            break;
    }
    const Json::Value& document = content.value;
    if (!document.isObject()) {
        return true;
    }
    const Json::Value& devices = json::Get(document, "Device");
    if (devices.isNull()) {
        return false;
    }
    if (!devices.isArray()) {
        return true;
    }
    const Json::Value& entry = json::At(devices, static_cast<uint64_t>(deviceIndex));
    return !entry.isNull() && !entry.isObject();
}

platform::Result<fs::path> SetAside(const fs::path& path) {
    std::error_code ec;
    for (int n = 0; n < 1000; ++n) {
        fs::path aside = path;
        aside += n == 0 ? std::string(".corrupt") : ".corrupt." + std::to_string(n);
        if (fs::exists(fs::symlink_status(aside, ec))) {
            continue;
        }
        fs::rename(path, aside, ec);
        if (ec) {
            return platform::Error{"cannot keep " + path.string() + " aside: " + ec.message(),
                                   ec.value()};
        }
        platform::Trace("profiles: unusable " + path.string() + " kept as " + aside.string());
        return aside;
    }
    return platform::Error{"no free name to keep " + path.string() + " aside", EEXIST};
}

// --- files ---------------------------------------------------------------

platform::Status CBasicProfiledata::Save() {
    return WriteDeviceEntry(m_document, m_profilePath);
}

platform::Status CBasicProfiledata::WriteDeviceEntry(const Json::Value& entry,
                                                     const fs::path& path) {
    if (path.empty()) {
        return platform::Error{"no profile file", ENOENT};
    }
    if (IsDefaultProfile(path)) {
        return platform::Error{"the default profile is never written", EPERM};
    }
    const JsonFileContent content = m_jsonFile.ReadContent(path);
    if (HoldsUnusableProfile(content, m_deviceIndex)) {
        const auto aside = SetAside(path);
        if (!aside) {
            return aside.error();
        }
    }
    Json::Value document =
        content.value.isObject() ? content.value : Json::Value(Json::objectValue);
    json::Element(document["Device"], static_cast<uint32_t>(m_deviceIndex)) = entry;
    return m_jsonFile.Write(path, document);
}

platform::Status CBasicProfiledata::SaveAux(const fs::path& path) {
    return WriteDeviceEntry(m_auxDocument, path);
}

platform::Status CBasicProfiledata::WriteDocument(const Json::Value& document,
                                                  const fs::path& path) {
    return m_jsonFile.Write(path, document);
}

void CBasicProfiledata::SetProfilePath(const fs::path& path) {
    if (!path.empty()) {
        m_profilePath = path;
    }
}

void CBasicProfiledata::SetDefaultProfilePath(const fs::path& path) {
    if (!path.empty()) {
        m_defaultProfilePath = path;
    }
}

void CBasicProfiledata::SetDeviceIndex(int index) {
    if (index >= 0 && index <= kMaxDeviceIndex) {
        m_deviceIndex = index;
    }
}

bool CBasicProfiledata::IsDefaultProfile(const fs::path& path) const {
    if (m_defaultProfilePath.empty()) {
        return false;
    }
    std::error_code ec;
    if (fs::equivalent(path, m_defaultProfilePath, ec)) {
        return true;
    }
    return path.lexically_normal() == m_defaultProfilePath.lexically_normal();
}

Json::Value CBasicProfiledata::LoadProfile(const fs::path& path) {
    return LoadInto(path, m_document);
}

Json::Value CBasicProfiledata::LoadAuxProfile(const fs::path& path) {
    return LoadInto(path, m_auxDocument);
}

Json::Value CBasicProfiledata::LoadInto(const fs::path& path, Json::Value& target) {
    target = DeviceEntry(m_jsonFile.Read(path), m_deviceIndex);
    if (target.isNull()) {
        target = DeviceEntry(m_jsonFile.Read(m_defaultProfilePath), m_deviceIndex);
        // The file gets the default entry now, so it holds the device from
        // here on; WriteDeviceEntry keeps anything unusable aside first.
        if (!path.empty() && !IsDefaultProfile(path)) {
            WriteDeviceEntry(target, path);
        }
    }
    return target;
}

// --- lighting --------------------------------------------------------------

LightModeRecord CBasicProfiledata::GetLightInfo() {
    const Json::Value& info = json::Get(m_document, "LightInfo");
    if (!info.isObject()) {
        m_lightInfo = m_fallbackLightInfo;
        return m_lightInfo;
    }
    LightModeRecord r;
    r.selectItem = json::U8(json::Get(info, "SelectItem"));
    r.brightness = json::U8(json::Get(info, "Light"));
    r.speed = json::U8(json::Get(info, "Speed"));
    r.direction = json::U8(json::Get(info, "Fx"));
    r.multiColour = Flag(json::Get(info, "MultiColor"));
    r.red = json::U8(json::Get(info, "Red"));
    r.green = json::U8(json::Get(info, "Green"));
    r.blue = json::U8(json::Get(info, "Blue"));
    r.zzccLedMode = json::U8(json::Get(info, "ZZCCLedMode"));
    r.customGroup = json::U8(json::Get(info, "CustomGroup"));
    r.oldLedMode = json::U8(json::Get(info, "OldLedmode"));
    r.voiceLedModeSwitch = json::U8(json::Get(info, "byVoiceLedmodeSwith"));
    r.voiceLedMode = json::U8(json::Get(info, "byVoiceLedmode"));
    r.voiceSensitivity = json::U8(json::Get(info, "byVoiceSensitivity"));
    m_lightInfo = r;
    return r;
}

void CBasicProfiledata::SetLightInfo(const LightModeRecord& r) {
    Json::Value info(Json::objectValue);
    info["SelectItem"] = r.selectItem;
    info["Light"] = r.brightness;
    info["Speed"] = r.speed;
    info["Fx"] = r.direction;
    info["MultiColor"] = r.multiColour;
    info["Red"] = r.red;
    info["Green"] = r.green;
    info["Blue"] = r.blue;
    info["ZZCCLedMode"] = r.zzccLedMode;
    info["CustomGroup"] = r.customGroup;
    info["OldLedmode"] = r.oldLedMode;
    info["byVoiceLedmodeSwith"] = r.voiceLedModeSwitch;
    info["byVoiceLedmode"] = r.voiceLedMode;
    info["byVoiceSensitivity"] = r.voiceSensitivity;
    json::Member(m_document, "LightInfo") = std::move(info);
    m_lightInfo = r;
}

AudioLightRecord CBasicProfiledata::GetAudioLightInfo() {
    const Json::Value& info = json::Get(m_document, "AudioLightInfo");
    AudioLightRecord r;
    if (info.isObject()) {
        r.audioMode = json::U8(json::Get(info, "AudioMode"));
        r.backgroundRed = json::U8(json::Get(info, "BkColorR"));
        r.backgroundGreen = json::U8(json::Get(info, "BkColorG"));
        r.backgroundBlue = json::U8(json::Get(info, "BkColorB"));
        r.foregroundRed = json::U8(json::Get(info, "FgColorR"));
        r.foregroundGreen = json::U8(json::Get(info, "FgColorG"));
        r.foregroundBlue = json::U8(json::Get(info, "FgColorB"));
        r.sevenColour = Flag(json::Get(info, "7ColorFlags"));
        r.colourType = Flag(json::Get(info, "ColorTypeFlags"));
    }
    m_audioLightInfo = r;
    return r;
}

void CBasicProfiledata::SetAudioLightInfo(const AudioLightRecord& r) {
    Json::Value info(Json::objectValue);
    info["AudioMode"] = r.audioMode;
    info["BkColorR"] = r.backgroundRed;
    info["BkColorG"] = r.backgroundGreen;
    info["BkColorB"] = r.backgroundBlue;
    info["FgColorR"] = r.foregroundRed;
    info["FgColorG"] = r.foregroundGreen;
    info["FgColorB"] = r.foregroundBlue;
    info["7ColorFlags"] = r.sevenColour;
    info["ColorTypeFlags"] = r.colourType;
    json::Member(m_document, "AudioLightInfo") = std::move(info);
    m_audioLightInfo = r;
}

std::vector<LightModeRecord> CBasicProfiledata::GetLightList() {
    const Json::Value& lights = json::Get(m_document, "LightList");
    const uint32_t count = std::min(json::Size(lights), kMaxLightListEntries);
    std::vector<LightModeRecord> list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const Json::Value& light = json::At(lights, i);
        LightModeRecord r;
        if (light.isObject()) {
            r.selectItem = json::U8(json::Get(light, "LEDREGMode"));
            r.brightness = json::U8(json::Get(light, "LEDBrightness"));
            r.speed = json::U8(json::Get(light, "LEDSpeed"));
            r.direction = Flag(json::Get(light, "LEDDirection"));
            r.multiColour = Flag(json::Get(light, "LEDMultiColor"));
            r.red = json::U8(json::Get(light, "red"));
            r.green = json::U8(json::Get(light, "green"));
            r.blue = json::U8(json::Get(light, "blue"));
            r.present = 1;
        }
        list.push_back(r);
    }
    m_lightList = list;
    return list;
}

void CBasicProfiledata::SetLightConfigPath(const fs::path& path) {
    m_lightConfigPath = path;
}

Json::Value CBasicProfiledata::LoadLightConfig(const fs::path& path) {
    m_lightDefinition = m_jsonFile.Read(path);
    m_lightDefinitionFolder = path.parent_path();
    return m_lightDefinition;
}

void CBasicProfiledata::SetLightDefinitionIndex(int index) {
    if (index >= -1 && index <= kMaxDeviceIndex) {
        m_lightDefinitionIndex = index;
    }
}

std::vector<LightEffectStep> CBasicProfiledata::GetLightEffectList() {
    m_lightEffects.clear();
    const int item = static_cast<int>(m_lightInfo.selectItem) - m_builtInLightModes;
    if (m_lightDefinition.isNull() || item < 0) {
        return m_lightEffects;
    }
    const int listIndex = m_lightDefinitionIndex >= 0 ? m_lightDefinitionIndex : m_deviceIndex;
    const Json::Value& modes =
        json::At(json::Get(m_lightDefinition, "LightInfo"), static_cast<uint64_t>(listIndex));
    const std::string guid =
        json::Text(json::Get(json::At(modes, static_cast<uint64_t>(item)), "Guid"));
    const std::string fileName = guid + std::string(kLightEffectExtension);
    // The Guid names a file beside the definition file; anything that is not a
    // plain name could reach files elsewhere.
    if (guid.empty() || !platform::IsSafeFileName(fileName)) {
        return m_lightEffects;
    }
    const Json::Value effect = m_jsonFile.Read(m_lightDefinitionFolder / fileName);
    const Json::Value& steps = json::Get(effect, "LEDEffectList");
    const uint32_t count = std::min(json::Size(steps), kMaxEffectSteps);
    m_lightEffects.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const Json::Value& step = json::At(steps, i);
        LightEffectStep s;
        s.mode = json::U8(json::Get(step, "LEDREGMode"));
        s.direction = json::U8(json::Get(step, "LEDDirection"));
        s.brightness = json::U8(json::Get(step, "LEDBrightness"));
        s.speed = json::U8(json::Get(step, "LEDSpeed"));
        s.multiColour = json::U8(json::Get(step, "LEDMultiColor"));
        s.red = json::U8(json::Get(step, "red"));
        s.green = json::U8(json::Get(step, "green"));
        s.blue = json::U8(json::Get(step, "blue"));
        s.time = static_cast<int32_t>(json::Int(json::Get(step, "Time")));
        s.cycle = static_cast<int32_t>(json::Int(json::Get(step, "Cyle")));
        m_lightEffects.push_back(s);
    }
    return m_lightEffects;
}

// --- keys ------------------------------------------------------------------

std::vector<KeyAssignEntry> CBasicProfiledata::GetKeyList() {
    m_keyList = ReadKeyList(m_document);
    return m_keyList;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyAssignEntry>& list) {
    WriteKeyList(m_document, list);
    m_keyList = list;
}

std::vector<KeyAssignEntry> CBasicProfiledata::GetAuxKeyList() {
    m_auxKeyList = ReadKeyList(m_auxDocument);
    return m_auxKeyList;
}

void CBasicProfiledata::SetAuxKeyList(const std::vector<KeyAssignEntry>& list) {
    WriteKeyList(m_auxDocument, list);
    m_auxKeyList = list;
}

}  // namespace profiles
