#include "profiles/do6533_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace profiles {

namespace {

int32_t I32(const Json::Value& value) {
    return static_cast<int32_t>(json::Int(value));
}

bool IsCustomEq(int index) {
    return index >= 0 && index < kMaxCustomEqualisers;
}

// Reads ten bands from a table row, completing the row with zero bands.
std::vector<int> ReadBands(Json::Value& table, uint32_t row) {
    Json::Value& bands = json::Element(table, row);
    std::vector<int> values(kEqBands, 0);
    for (int i = 0; i < kEqBands; ++i) {
        Json::Value& band = json::AsObject(json::Element(bands, static_cast<uint32_t>(i)));
        if (!band.isMember("value")) {
            band["value"] = 0;
        }
        values[i] = I32(band["value"]);
    }
    return values;
}

void WriteBands(Json::Value& table, uint32_t row, const std::vector<int>& values) {
    Json::Value& bands = json::Element(table, row);
    const int count = std::min<int>(kEqBands, static_cast<int>(values.size()));
    for (int i = 0; i < count; ++i) {
        json::Member(json::Element(bands, static_cast<uint32_t>(i)), "value") = values[i];
    }
}

}  // namespace

int CDo6533Profiledata::EqRow(int type) {
    const auto t = static_cast<unsigned>(type);
    if (t == kCustomEqType) {
        return -1;
    }
    return t == 0 || t > kCustomEqType ? 1 : type;
}

HeadsetSystemRecord CDo6533Profiledata::GetHeadsetSystem() {
    const Json::Value& s = json::Get(WorkingDocument(), "SystemSetStages");
    HeadsetSystemRecord r;
    if (s.isObject()) {
        r.magicEnable = I32(json::Get(s, "MagicEnable"));
        r.magicType = I32(json::Get(s, "MagicType"));
        r.eqType = I32(json::Get(s, "EqType"));
        r.customEqSelectIndex = I32(json::Get(s, "CustomEqSeletIndex"));
        r.micInSelect = I32(json::Get(s, "MicInSelect"));
        r.micInValue = I32(json::Get(s, "MicInValue"));
        r.micMonitorSelect = I32(json::Get(s, "MicMoniterSelect"));
        r.micMonitorValue = I32(json::Get(s, "MicMoniterValue"));
    }
    m_system = r;
    return r;
}

void CDo6533Profiledata::SetHeadsetSystem(const HeadsetSystemRecord& r) {
    m_system = r;
    Json::Value s(Json::objectValue);
    s["MagicEnable"] = r.magicEnable;
    s["MagicType"] = r.magicType;
    s["EqType"] = r.eqType;
    s["CustomEqSeletIndex"] = r.customEqSelectIndex;
    s["MicInSelect"] = r.micInSelect;
    s["MicInValue"] = r.micInValue;
    s["MicMoniterSelect"] = r.micMonitorSelect;
    s["MicMoniterValue"] = r.micMonitorValue;
    json::Member(Document(), "SystemSetStages") = std::move(s);
}

std::vector<int> CDo6533Profiledata::GetEqPreset(int type) {
    const int row = EqRow(type);
    if (row < 0) {
        return {};
    }
    return ReadBands(json::Member(Document(), "EQHzValueInfo"), static_cast<uint32_t>(row));
}

void CDo6533Profiledata::SetEqPreset(int type, const std::vector<int>& bands) {
    const int row = EqRow(type);
    if (row < 0) {
        return;
    }
    WriteBands(json::Member(Document(), "EQHzValueInfo"), static_cast<uint32_t>(row), bands);
}

std::vector<std::string> CDo6533Profiledata::GetCustomEqNames() {
    const Json::Value& names = json::Get(WorkingDocument(), "CustomEQNameInfo");
    const uint32_t count = std::min(json::Size(names), kMaxCustomEqNames);
    std::vector<std::string> list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        list.push_back(json::Text(json::Get(json::At(names, i), "Name")));
    }
    return list;
}

void CDo6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
    Json::Value list;  // stays null for an empty list
    for (const std::string& name : names) {
        Json::Value item(Json::objectValue);
        item["Name"] = name;
        list.append(std::move(item));
    }
    json::Member(Document(), "CustomEQNameInfo") = std::move(list);
}

std::vector<int> CDo6533Profiledata::GetCustomEq(int index) {
    if (!IsCustomEq(index)) {
        return std::vector<int>(kEqBands, 0);
    }
    return ReadBands(json::Member(Document(), "CustomEQHzValueInfo"), static_cast<uint32_t>(index));
}

void CDo6533Profiledata::SetCustomEq(int index, const std::vector<int>& bands) {
    if (!IsCustomEq(index)) {
        return;
    }
    WriteBands(json::Member(Document(), "CustomEQHzValueInfo"), static_cast<uint32_t>(index),
               bands);
}

}  // namespace profiles
