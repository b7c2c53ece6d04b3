#include "profiles/mouse_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace profiles {

namespace {

uint16_t Low(int32_t packed) {
    return static_cast<uint16_t>(static_cast<uint32_t>(packed));
}
uint16_t High(int32_t packed) {
    return static_cast<uint16_t>(static_cast<uint32_t>(packed) >> 16);
}

}  // namespace

std::vector<DpiStageRecord> CMouseProfiledata::GetDpiStages() {
    const Json::Value& dpi = json::Get(WorkingDocument(), "DPIStages");
    if (dpi.isObject()) {
        const int64_t active = json::Int(json::Get(dpi, "StageActive"));
        if (active >= 0 && active < kMaxDpiStages) {
            m_activeStage = static_cast<int>(active);
        }
        const Json::Value& stages = json::Get(dpi, "StageDPIs");
        const uint32_t count = std::min(json::Size(stages), kMaxDpiStages);
        for (uint32_t j = 0; j < count; ++j) {
            const Json::Value& stage = json::At(stages, j);
            const DpiStageRecord r{
                .enabled = json::U8(json::Get(stage, "StageActive")),
                .separateXY = json::U8(json::Get(stage, "StageXY")),
                .dpiX = json::U16(json::Get(stage, "StageDPIX")),
                .dpiY = json::U16(json::Get(stage, "StageDPIY")),
                .red = json::U8(json::Get(stage, "StageColorR")),
                .green = json::U8(json::Get(stage, "StageColorG")),
                .blue = json::U8(json::Get(stage, "StageColorB")),
            };
            if (j < m_dpiStages.size()) {
                m_dpiStages[j] = r;
            } else {
                m_dpiStages.push_back(r);
            }
        }
    }
    return m_dpiStages;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStageRecord>& list) {
    m_dpiStages = list;
    Json::Value& stages = json::Member(json::Member(Document(), "DPIStages"), "StageDPIs");
    const auto count = static_cast<uint32_t>(std::min<size_t>(list.size(), kMaxDpiStages));
    for (uint32_t i = 0; i < count; ++i) {
        Json::Value& stage = json::AsObject(json::Element(stages, i));
        const DpiStageRecord& r = list[i];
        stage["StageActive"] = r.enabled;
        stage["StageColorR"] = r.red;
        stage["StageColorG"] = r.green;
        stage["StageColorB"] = r.blue;
        stage["StageXY"] = r.separateXY;
        stage["StageDPIX"] = r.dpiX;
        stage["StageDPIY"] = r.dpiY;
    }
}

void CMouseProfiledata::SetActiveStage(int index) {
    m_activeStage = index;
    json::Member(json::Member(Document(), "DPIStages"), "StageActive") = index;
}

MouseSystemRecord CMouseProfiledata::GetMouseSystem() {
    const Json::Value& system = json::Get(WorkingDocument(), "SystemStages");
    MouseSystemRecord r;
    if (system.isObject()) {
        r.doubleClickTime = json::U16(json::Get(system, "DoubleClickTime"));
        r.pointerSpeed = json::U16(json::Get(system, "MouseSpeed"));
        r.pointerPrecision = json::U16(json::Get(system, "PointerPrecision"));
        r.scrollPage = json::U16(json::Get(system, "ScorllPage"));
        r.wheelLines = json::U16(json::Get(system, "WheelScorlllinse"));
        const Json::Value& report = json::Get(WorkingDocument(), "ReportStages");
        if (report.isObject()) {
            r.reportStage = json::U16(json::Get(report, "StageActive"));
        }
    }
    m_system = r;
    return r;
}

void CMouseProfiledata::SetMouseSystem(int32_t doubleClickAndSpeed, int32_t precisionAndPage,
                                       int32_t wheelAndReport) {
    MouseSystemRecord r;
    r.doubleClickTime = Low(doubleClickAndSpeed);
    r.pointerSpeed = High(doubleClickAndSpeed);
    r.pointerPrecision = Low(precisionAndPage);
    r.scrollPage = High(precisionAndPage);
    r.wheelLines = Low(wheelAndReport);
    r.reportStage = High(wheelAndReport);
    m_system = r;

    Json::Value system(Json::objectValue);
    system["DoubleClickTime"] = r.doubleClickTime;
    system["MouseSpeed"] = r.pointerSpeed;
    system["PointerPrecision"] = r.pointerPrecision;
    system["ScorllPage"] = r.scrollPage;
    system["WheelScorlllinse"] = r.wheelLines;
    json::Member(Document(), "SystemStages") = std::move(system);
    json::Member(json::Member(Document(), "ReportStages"), "StageActive") = r.reportStage;
}

std::vector<CorrectionPreset> CMouseProfiledata::GetCorrectionPresets() {
    const Json::Value& presets = json::Get(WorkingDocument(), "CorrectInfo");
    const uint32_t count = std::min(json::Size(presets), kMaxCorrectionPresets);
    std::vector<CorrectionPreset> list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const Json::Value& p = json::At(presets, i);
        list.push_back(CorrectionPreset{
            .pixelThreshold = json::U8(json::Get(p, "CorrectPixThresh")),
            .minSquare = json::U8(json::Get(p, "CorrectMinSq")),
            .selected = json::U8(json::Get(p, "CorrectSelect")),
            .name = json::Text(json::Get(p, "CorrectName")),
        });
    }
    m_corrections = list;
    return list;
}

}  // namespace profiles
