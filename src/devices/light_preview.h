#pragma once

// The lighting preview engine every device carries: effect steps fill the LED
// colour list (per light: three colour bytes in the device's order, then an
// intensity), and a frame is built from it for the picture and the device.
//
// The light thread writes the list while the UI thread reads it, so every
// access to the list takes the engine's lock; the step state itself belongs to
// the light thread.

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace devices {

// A packed LED entry: byte 0 first colour, 1 second, 2 third, 3 intensity.
using LedColour = uint32_t;

inline constexpr LedColour PackLed(uint8_t first, uint8_t second, uint8_t third,
                                   uint8_t intensity) {
    return static_cast<LedColour>(first) | static_cast<LedColour>(second) << 8 |
           static_cast<LedColour>(third) << 16 | static_cast<LedColour>(intensity) << 24;
}
inline constexpr uint8_t LedFirst(LedColour c) {
    return static_cast<uint8_t>(c);
}
inline constexpr uint8_t LedSecond(LedColour c) {
    return static_cast<uint8_t>(c >> 8);
}
inline constexpr uint8_t LedThird(LedColour c) {
    return static_cast<uint8_t>(c >> 16);
}
inline constexpr uint8_t LedIntensity(LedColour c) {
    return static_cast<uint8_t>(c >> 24);
}

struct Rgb {
    uint8_t first = 0;
    uint8_t second = 0;
    uint8_t third = 0;
    bool operator==(const Rgb&) const = default;
};

// What the steps need of the device's lighting parameters.
struct PreviewLighting {
    uint8_t brightness = 0;  // level 0..4
    uint8_t speed = 0;       // level 0..4
    uint8_t direction = 0;   // 0 or 1
    uint8_t colourful = 0;   // colour-wheel colours instead of the fixed colour
    Rgb colour;              // the fixed colour
};

inline constexpr size_t kColourWheelSize = 192;
inline constexpr size_t kColourWheelRepeat = 16;  // head repeated after the wheel
inline constexpr size_t kReactiveLights = 170;
inline constexpr size_t kRingSize = 23;

// The hue circle of the effects; index 192 and beyond read its head again.
const std::array<Rgb, kColourWheelSize + kColourWheelRepeat>& ColourWheel();
inline constexpr std::array<Rgb, 4> kFixedColours = {
    {{0, 255, 180}, {0, 255, 0}, {255, 255, 255}, {255, 0, 0}}};
extern const std::array<uint8_t, 128> kBreathingCurve;
inline constexpr std::array<uint8_t, 5> kBrightnessLevels = {0, 80, 135, 195, 255};
// Pass counts per effect step of the shared steps, by speed level; also the
// blink period in units of 200 ms.
inline constexpr std::array<uint8_t, 5> kSpeedPasses = {8, 6, 4, 2, 1};

uint8_t BrightnessValue(uint8_t level);
// The blink period of a speed level in milliseconds.
uint32_t BlinkPeriodMs(uint8_t speedLevel);

// Direction 1 counts up and wraps to 0 at the limit; direction 0 counts down and
// wraps below 0 to limit - step.
int CyclicCounter(int direction, int limit, int value, int step);

class LightPreviewEngine {
public:
    LightPreviewEngine() = default;

    // Resizes the LED colour list (zeroed). Not for the light thread.
    void SetLightCount(size_t count);
    size_t LightCount() const;

    void SetLedColour(size_t index, LedColour colour);  // ignored outside the list
    LedColour GetLedColour(size_t index) const;         // 0 outside the list
    // Copies the list into `out` (as many entries as fit); returns the count.
    size_t Snapshot(std::span<LedColour> out) const;

    // Effect steps. `nowMs` is the tick count.
    void StepBreathing(const PreviewLighting& p);
    void StepBreathing4(const PreviewLighting& p);
    void StepStatic(const PreviewLighting& p);
    void StepSpectrum(const PreviewLighting& p);
    void StepFlash(const PreviewLighting& p, uint32_t nowMs);
    void StepFlash4(const PreviewLighting& p, uint32_t nowMs);
    void StepOff();

    // The device frame: per light below 170, each colour byte scaled by the
    // intensity, three bytes per light. Returns the bytes written.
    size_t BuildFrame(std::span<uint8_t> out) const;
    // The colour a light button shows: first | third << 8 | second << 16, with the
    // intensity as alpha.
    static uint32_t ButtonColour(LedColour led);

    // Reactive effects.
    void DecayLight(size_t index, int kind);
    void MarkPressedLights();
    void RotateRing(int direction);
    void ClearReactive();
    std::array<uint8_t, kReactiveLights>& ReactiveIntensities() { return m_reactive; }
    std::array<uint8_t, kReactiveLights>& ReactiveColours() { return m_reactiveColour; }
    std::array<uint8_t, kRingSize>& Ring() { return m_ring; }

    uint8_t Step() const { return m_step; }
    uint8_t ColourIndex() const { return m_colourIndex; }
    uint8_t BlinkPhase() const { return m_blinkPhase; }
    void ResetAnimation();

private:
    void FillAll(Rgb colour, uint8_t intensity);
    void StepFlashWith(const PreviewLighting& p, uint32_t nowMs, bool fourColours);

    mutable std::mutex m_mutex;  // guards m_leds
    std::vector<LedColour> m_leds;

    uint8_t m_step = 0;
    uint8_t m_colourIndex = 0;
    uint8_t m_blinkPhase = 0;
    uint32_t m_lastBlinkMs = 0;
    std::array<uint8_t, kReactiveLights> m_reactive{};
    std::array<uint8_t, kReactiveLights> m_reactiveColour{};
    std::array<uint8_t, kRingSize> m_ring{};
};

}  // namespace devices
