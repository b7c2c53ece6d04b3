#pragma once

// The headset's profile: system settings (voice changer, equaliser choice,
// microphone and monitoring) and the equaliser tables.

#include <string>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace profiles {

inline constexpr int kEqBands = 10;
inline constexpr int kCustomEqType = 13;  // equaliser type of the custom equalisers
inline constexpr int kMaxCustomEqualisers = 20;
inline constexpr uint32_t kMaxCustomEqNames = 1024;

class CDo6533Profiledata : public CBasicProfiledata {
public:
    // "SystemSetStages"
    HeadsetSystemRecord GetHeadsetSystem();
    void SetHeadsetSystem(const HeadsetSystemRecord& record);

    // The ten bands of a built-in preset ("EQHzValueInfo" row). Types 1..12 use
    // their own row; 0 and anything above 13 (negative values too) row 1; the
    // custom type 13 has no row and gives an empty list. Bands the profile does
    // not hold are added to it as 0.
    std::vector<int> GetEqPreset(int type);
    void SetEqPreset(int type, const std::vector<int>& bands);

    // "CustomEQNameInfo". Setting an empty list removes the names (null).
    std::vector<std::string> GetCustomEqNames();
    void SetCustomEqNames(const std::vector<std::string>& names);

    // "CustomEQHzValueInfo"[index], like the presets. An index outside
    // 0..kMaxCustomEqualisers-1 (-1 means none) gives ten zeros and leaves the
    // document alone.
    std::vector<int> GetCustomEq(int index);
    void SetCustomEq(int index, const std::vector<int>& bands);

    // The preset row of an equaliser type, or -1 for the custom type.
    static int EqRow(int type);

private:
    HeadsetSystemRecord m_system;
};

}  // namespace profiles
