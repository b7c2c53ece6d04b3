#include "profiles/keyboard_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace profiles {

namespace {

bool IsGroup(int group) {
    return group >= 0 && group < kMaxCustomColourGroups;
}

void SetColour(Json::Value& key, const CustomColourRecord& c) {
    json::AsObject(key);
    key["Red"] = c.red;
    key["Green"] = c.green;
    key["Blue"] = c.blue;
    key["Alpha"] = c.alpha;
}

}  // namespace

KeyboardSystemRecord CKeyboardProfiledata::GetKeyboardSystem() {
    const Json::Value& stages = json::Get(Document(), "SystemStages");
    KeyboardSystemRecord r;
    if (stages.isObject()) {
        r.repeatRate = json::U16(json::Get(stages, "Repeat"));
        r.repeatDelay = json::U16(json::Get(stages, "RepeatDelay"));
        r.sixKeyFlag = json::U16(json::Get(stages, "Key6Flag"));
        r.pollingRate = json::U16(json::Get(stages, "PollingRate"));
        r.winKeyFlag = json::U16(json::Get(stages, "WFlag"));
        r.winLockFlag = json::U16(json::Get(stages, "WinFlag"));
    }
    m_system = r;
    return r;
}

void CKeyboardProfiledata::SetKeyboardSystem(const KeyboardSystemRecord& r) {
    m_system = r;
    Json::Value stages(Json::objectValue);
    stages["Repeat"] = r.repeatRate;
    stages["RepeatDelay"] = r.repeatDelay;
    stages["Key6Flag"] = r.sixKeyFlag;
    stages["PollingRate"] = r.pollingRate;
    stages["WFlag"] = r.winKeyFlag;
    stages["WinFlag"] = r.winLockFlag;
    json::Member(Document(), "SystemStages") = std::move(stages);
}

bool CKeyboardProfiledata::GetFnKeysetFlag() const {
    return json::Bool(json::Get(WorkingDocument(), "FnKeysetFlag"));
}

void CKeyboardProfiledata::SetFnKeysetFlag(bool flag) {
    json::Member(Document(), "FnKeysetFlag") = flag;
}

std::vector<CustomColourRecord> CKeyboardProfiledata::GetCustomColours(int group, int count) {
    count = std::clamp(count, 0, kMaxCustomColourKeys);
    std::vector<CustomColourRecord> list(static_cast<size_t>(count));
    if (IsGroup(group)) {
        Json::Value& keys = json::Element(
            json::Member(json::Member(Document(), "CustomLightMode"), "LightColorInfo"),
            static_cast<uint32_t>(group));
        for (int j = 0; j < count; ++j) {
            Json::Value& key = json::Element(keys, static_cast<uint32_t>(j));
            if (!key.isObject()) {
                SetColour(key, CustomColourRecord{});
                continue;
            }
            list[j] = CustomColourRecord{
                json::U8(json::Get(key, "Red")), json::U8(json::Get(key, "Green")),
                json::U8(json::Get(key, "Blue")), json::U8(json::Get(key, "Alpha"))};
        }
    }
    m_customColours = list;
    return list;
}

void CKeyboardProfiledata::SetCustomColours(const std::vector<CustomColourRecord>& list,
                                            int group) {
    m_customColours = list;
    if (!IsGroup(group)) {
        return;
    }
    Json::Value& keys =
        json::Element(json::Member(json::Member(Document(), "CustomLightMode"), "LightColorInfo"),
                      static_cast<uint32_t>(group));
    const auto count = std::min<size_t>(list.size(), kMaxCustomColourKeys);
    for (size_t i = 0; i < count; ++i) {
        SetColour(json::Element(keys, static_cast<uint32_t>(i)), list[i]);
    }
}

int CKeyboardProfiledata::GetCustomGroupIndex() {
    const int64_t index =
        json::Int(json::Get(json::Get(Document(), "CustomLightMode"), "CustomLightModeGroupIndex"));
    m_customGroupIndex = index >= 0 && index < kMaxCustomColourGroups ? static_cast<int>(index) : 0;
    return m_customGroupIndex;
}

void CKeyboardProfiledata::SetCustomGroupIndex(int index) {
    m_customGroupIndex = index;
    json::Member(json::Member(Document(), "CustomLightMode"), "CustomLightModeGroupIndex") = index;
}

}  // namespace profiles
