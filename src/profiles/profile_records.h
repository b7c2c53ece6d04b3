#pragma once

// The plain records the profile document is read into and written from.
// Field order and widths are the ones devices and panels rely on.

#include <cstdint>
#include <string>

namespace profiles {

#pragma pack(push, 1)

// One light mode's settings ("LightInfo"), also the element type of the
// per-light list ("LightList").
struct LightModeRecord {
    uint8_t selectItem = 0;  // index into the built-in light mode list
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t spare[2] = {0, 0};
    uint8_t present = 0;  // set on light list entries read from a non-null element
    uint8_t zzccLedMode = 0;
    uint8_t customGroup = 0;
    uint8_t oldLedMode = 0;
    uint8_t voiceLedModeSwitch = 0;
    uint8_t voiceLedMode = 0;
    uint8_t voiceSensitivity = 0;

    bool operator==(const LightModeRecord&) const = default;
};
static_assert(sizeof(LightModeRecord) == 17);

// Audio-reactive lighting ("AudioLightInfo").
struct AudioLightRecord {
    uint8_t audioMode = 0;
    uint8_t backgroundRed = 0;
    uint8_t backgroundGreen = 0;
    uint8_t backgroundBlue = 0;
    uint8_t foregroundRed = 0;
    uint8_t foregroundGreen = 0;
    uint8_t foregroundBlue = 0;
    uint8_t sevenColour = 0;  // 0/1
    uint8_t colourType = 0;   // 0/1

    bool operator==(const AudioLightRecord&) const = default;
};
static_assert(sizeof(AudioLightRecord) == 9);

// What one key does: type, two parameters. In files a key code is one
// integer, type × 65536 + parameter 1 × 256 + parameter 2.
struct KeyCode {
    uint16_t position = 0;  // index of the key list element
    uint8_t type = 0;
    uint8_t param1 = 0;
    uint8_t param2 = 0;
    uint8_t spare = 0;

    int64_t Packed() const { return type * 65536 + param1 * 256 + param2; }
    static KeyCode Unpack(int64_t packed, uint16_t position) {
        KeyCode code;
        code.position = position;
        code.type = static_cast<uint8_t>(packed >> 16);
        code.param1 = static_cast<uint8_t>(packed >> 8);
        code.param2 = static_cast<uint8_t>(packed);
        return code;
    }
    bool operator==(const KeyCode&) const = default;
};
static_assert(sizeof(KeyCode) == 6);

// One key list element: the Fn layer, the normal layer and the key's default.
struct KeyAssignEntry {
    KeyCode fn;           // "FnAssignment"
    KeyCode normal;       // "Assignment"
    KeyCode defaultCode;  // "DefaultAssignment"

    bool operator==(const KeyAssignEntry&) const = default;
};
static_assert(sizeof(KeyAssignEntry) == 18);

// One step of a light effect file.
struct LightEffectStep {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t spare[12] = {};
    int32_t time = 0;   // milliseconds the step lasts ("Time")
    int32_t cycle = 0;  // "Cyle"

    bool operator==(const LightEffectStep&) const = default;
};
static_assert(sizeof(LightEffectStep) == 28);

#pragma pack(pop)

// Keyboard system settings ("SystemStages" of a keyboard profile).
struct KeyboardSystemRecord {
    uint16_t repeatRate = 0;   // "Repeat"
    uint16_t repeatDelay = 0;  // "RepeatDelay"
    uint16_t sixKeyFlag = 0;   // "Key6Flag"
    uint16_t pollingRate = 0;  // "PollingRate"
    uint16_t winKeyFlag = 0;   // "WFlag"
    uint16_t winLockFlag = 0;  // "WinFlag"
    uint16_t spare = 0;        // carried, never stored

    bool operator==(const KeyboardSystemRecord&) const = default;
};

// One key's colour in a custom colour group.
struct CustomColourRecord {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    bool operator==(const CustomColourRecord&) const = default;
};

#pragma pack(push, 1)
// One DPI stage of the mouse; the record goes to the device byte for byte.
struct DpiStageRecord {
    uint8_t enabled = 0;     // "StageActive" of the stage
    uint8_t separateXY = 0;  // "StageXY"
    uint16_t dpiX = 0;       // "StageDPIX"
    uint16_t dpiY = 0;       // "StageDPIY"
    uint8_t red = 0;         // "StageColorR"
    uint8_t green = 0;       // "StageColorG"
    uint8_t blue = 0;        // "StageColorB"

    bool operator==(const DpiStageRecord&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(DpiStageRecord) == 9);

// Pointer and wheel settings of the mouse plus its report rate stage.
struct MouseSystemRecord {
    uint16_t doubleClickTime = 0;   // "DoubleClickTime"
    uint16_t pointerSpeed = 0;      // "MouseSpeed"
    uint16_t pointerPrecision = 0;  // "PointerPrecision"
    uint16_t scrollPage = 0;        // "ScorllPage"
    uint16_t wheelLines = 0;        // "WheelScorlllinse"
    uint16_t reportStage = 0;       // "ReportStages"."StageActive"

    bool operator==(const MouseSystemRecord&) const = default;
};

// A sensor correction preset ("CorrectInfo"), shipped with the defaults.
struct CorrectionPreset {
    uint8_t pixelThreshold = 0;  // "CorrectPixThresh"
    uint8_t minSquare = 0;       // "CorrectMinSq"
    uint8_t selected = 0;        // "CorrectSelect"
    std::string name;            // "CorrectName"

    bool operator==(const CorrectionPreset&) const = default;
};

// Headset settings ("SystemSetStages").
struct HeadsetSystemRecord {
    int32_t magicEnable = 0;          // "MagicEnable": voice changer on
    int32_t magicType = 0;            // "MagicType"
    int32_t eqType = 0;               // "EqType": 1..12 presets, 13 custom
    int32_t customEqSelectIndex = 0;  // "CustomEqSeletIndex", -1 for none
    int32_t micInSelect = 0;          // "MicInSelect"
    int32_t micInValue = 0;           // "MicInValue"
    int32_t micMonitorSelect = 0;     // "MicMoniterSelect"
    int32_t micMonitorValue = 0;      // "MicMoniterValue"

    bool operator==(const HeadsetSystemRecord&) const = default;
};

}  // namespace profiles
