#pragma once

// The keyboard's profile: system settings, the Fn-layer edit flag and the
// per-key colours of the custom colour groups.

#include <vector>

#include "profiles/basic_profiledata.h"

namespace profiles {

// Custom colour groups a profile can hold, and keys per group; a group index
// or key count beyond them (a hand-edited file) is not looked up.
inline constexpr int kMaxCustomColourGroups = 16;
inline constexpr int kMaxCustomColourKeys = 512;

class CKeyboardProfiledata : public CBasicProfiledata {
public:
    // "SystemStages"
    KeyboardSystemRecord GetKeyboardSystem();
    void SetKeyboardSystem(const KeyboardSystemRecord& record);

    // "FnKeysetFlag"
    bool GetFnKeysetFlag() const;
    void SetFnKeysetFlag(bool flag);

    // The colours of keys 0..count-1 of a custom group. Keys the profile does
    // not hold yet are added to it as black with alpha 0, so the document
    // always holds count keys afterwards. A group outside
    // 0..kMaxCustomColourGroups-1 gives black keys and leaves the document alone.
    std::vector<CustomColourRecord> GetCustomColours(int group, int count);
    void SetCustomColours(const std::vector<CustomColourRecord>& list, int group);

    // "CustomLightMode"."CustomLightModeGroupIndex": 0 when absent or outside
    // the groups a profile can hold.
    int GetCustomGroupIndex();
    void SetCustomGroupIndex(int index);

private:
    KeyboardSystemRecord m_system;
    std::vector<CustomColourRecord> m_customColours;
    int m_customGroupIndex = 0;
};

}  // namespace profiles
