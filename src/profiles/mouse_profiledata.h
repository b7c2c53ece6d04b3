#pragma once

// The mouse's profile: DPI stages, pointer and wheel settings, report rate and
// the shipped sensor correction presets.

#include <vector>

#include "profiles/basic_profiledata.h"

namespace profiles {

// DPI stages a profile can hold; stages beyond are not read.
inline constexpr uint32_t kMaxDpiStages = 32;
inline constexpr uint32_t kMaxCorrectionPresets = 64;

class CMouseProfiledata : public CBasicProfiledata {
public:
    // The stages read are merged into the stage list: a profile with fewer
    // stages than the last one replaces only the first ones, so the list never
    // shrinks. "DPIStages"."StageActive" becomes the active stage when it is a
    // stage index.
    std::vector<DpiStageRecord> GetDpiStages();
    void SetDpiStages(const std::vector<DpiStageRecord>& list);

    int GetActiveStage() const { return m_activeStage; }
    void SetActiveStage(int index);

    // "SystemStages" and "ReportStages"."StageActive".
    MouseSystemRecord GetMouseSystem();
    // Each argument carries two values, low 16 bits first:
    // doubleClickAndSpeed = double-click time + pointer speed × 65536,
    // precisionAndPage = pointer precision + scroll page × 65536,
    // wheelAndReport = wheel lines + report stage × 65536.
    void SetMouseSystem(int32_t doubleClickAndSpeed, int32_t precisionAndPage,
                        int32_t wheelAndReport);

    // "CorrectInfo", read only.
    std::vector<CorrectionPreset> GetCorrectionPresets();

private:
    std::vector<DpiStageRecord> m_dpiStages;
    int m_activeStage = 0;
    MouseSystemRecord m_system;
    std::vector<CorrectionPreset> m_corrections;
};

}  // namespace profiles
