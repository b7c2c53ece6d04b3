#include "devices/light_preview.h"

#include <algorithm>
#include <cmath>

namespace devices {

namespace {

constexpr std::array<uint8_t, 64> kBreathingRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

constexpr std::array<uint8_t, 128> MakeBreathingCurve() {
    std::array<uint8_t, 128> curve{};
    for (size_t i = 0; i < 64; ++i) {
        curve[i] = kBreathingRise[i];
        curve[127 - i] = kBreathingRise[i];
    }
    return curve;
}

// One rising edge of the wheel: slow at first, as the eye is most sensitive to
// small amounts of a second colour, then faster up to full.
std::array<uint8_t, 32> RisingEdge() {
    std::array<uint8_t, 32> edge{};
    for (int i = 0; i < 32; ++i) {
        double v = 1 + 2 * i;
        if (i > 3) {
            v += std::pow(i - 3, 1.578);
        }
        edge[static_cast<size_t>(i)] = static_cast<uint8_t>(std::min(255.0, std::round(v)));
    }
    edge[31] = 255;
    return edge;
}

std::array<Rgb, kColourWheelSize + kColourWheelRepeat> MakeWheel() {
    const std::array<uint8_t, 32> rise = RisingEdge();
    auto fall = [&](size_t k) -> uint8_t { return k == 31 ? 0 : rise[30 - k]; };
    std::array<Rgb, kColourWheelSize + kColourWheelRepeat> wheel{};
    for (size_t k = 0; k < 32; ++k) {
        wheel[k] = {255, rise[k], 0};        // red, green rising
        wheel[32 + k] = {fall(k), 255, 0};   // green, red falling
        wheel[64 + k] = {0, 255, rise[k]};   // green, blue rising
        wheel[96 + k] = {0, fall(k), 255};   // blue, green falling
        wheel[128 + k] = {rise[k], 0, 255};  // blue, red rising
        wheel[160 + k] = {255, 0, fall(k)};  // red, blue falling
    }
    for (size_t k = 0; k < kColourWheelRepeat; ++k) {
        wheel[kColourWheelSize + k] = wheel[k];
    }
    return wheel;
}

}  // namespace

const std::array<uint8_t, 128> kBreathingCurve = MakeBreathingCurve();

const std::array<Rgb, kColourWheelSize + kColourWheelRepeat>& ColourWheel() {
    static const auto wheel = MakeWheel();
    return wheel;
}

uint8_t BrightnessValue(uint8_t level) {
    return kBrightnessLevels[std::min<size_t>(level, kBrightnessLevels.size() - 1)];
}

uint32_t BlinkPeriodMs(uint8_t speedLevel) {
    return kSpeedPasses[std::min<size_t>(speedLevel, kSpeedPasses.size() - 1)] * 200u;
}

int CyclicCounter(int direction, int limit, int value, int step) {
    if (direction == 1) {
        const int next = value + step;
        return next >= limit ? 0 : next;
    }
    const int next = value - step;
    return next < 0 ? limit - step : next;
}

void LightPreviewEngine::SetLightCount(size_t count) {
    std::lock_guard lock(m_mutex);
    m_leds.assign(count, 0);
}

size_t LightPreviewEngine::LightCount() const {
    std::lock_guard lock(m_mutex);
    return m_leds.size();
}

void LightPreviewEngine::SetLedColour(size_t index, LedColour colour) {
    std::lock_guard lock(m_mutex);
    if (index < m_leds.size()) {
        m_leds[index] = colour;
    }
}

LedColour LightPreviewEngine::GetLedColour(size_t index) const {
    std::lock_guard lock(m_mutex);
    return index < m_leds.size() ? m_leds[index] : 0;
}

size_t LightPreviewEngine::Snapshot(std::span<LedColour> out) const {
    std::lock_guard lock(m_mutex);
    const size_t n = std::min(out.size(), m_leds.size());
    std::copy_n(m_leds.begin(), n, out.begin());
    return n;
}

void LightPreviewEngine::FillAll(Rgb colour, uint8_t intensity) {
    const LedColour packed = PackLed(colour.first, colour.second, colour.third, intensity);
    std::lock_guard lock(m_mutex);
    std::fill(m_leds.begin(), m_leds.end(), packed);
}

void LightPreviewEngine::ResetAnimation() {
    m_step = 0;
    m_colourIndex = 0;
    m_blinkPhase = 0;
    m_lastBlinkMs = 0;
}

void LightPreviewEngine::StepBreathing(const PreviewLighting& p) {
    m_step = static_cast<uint8_t>(CyclicCounter(p.direction, 128, m_step, 1));
    if (m_step == 0) {
        m_colourIndex = static_cast<uint8_t>(m_colourIndex + 16);
        if (m_colourIndex > kColourWheelSize) {
            m_colourIndex = 0;
        }
    }
    const Rgb colour = p.colourful != 0 ? ColourWheel()[m_colourIndex] : p.colour;
    FillAll(colour,
            static_cast<uint8_t>(kBreathingCurve[m_step] * BrightnessValue(p.brightness) / 256));
}

void LightPreviewEngine::StepBreathing4(const PreviewLighting& p) {
    m_step = static_cast<uint8_t>(CyclicCounter(p.direction, 128, m_step, 1));
    if (m_step == 0) {
        ++m_colourIndex;
    }
    if (m_colourIndex > 3) {
        m_colourIndex = 0;
    }
    FillAll(kFixedColours[m_colourIndex],
            static_cast<uint8_t>(kBreathingCurve[m_step] * BrightnessValue(p.brightness) / 256));
}

void LightPreviewEngine::StepStatic(const PreviewLighting& p) {
    FillAll(p.colour, BrightnessValue(p.brightness));
}

void LightPreviewEngine::StepSpectrum(const PreviewLighting& p) {
    m_step = static_cast<uint8_t>(CyclicCounter(p.direction, kColourWheelSize, m_step, 1));
    FillAll(ColourWheel()[m_step], BrightnessValue(p.brightness));
}

void LightPreviewEngine::StepFlashWith(const PreviewLighting& p, uint32_t nowMs, bool fourColours) {
    if (nowMs - m_lastBlinkMs >= BlinkPeriodMs(p.speed)) {
        m_blinkPhase = m_blinkPhase != 0 ? 0 : 1;
        m_lastBlinkMs = nowMs;
        if (fourColours) {
            m_step = static_cast<uint8_t>(m_step + 1 > 3 ? 0 : m_step + 1);
        } else {
            m_step = static_cast<uint8_t>(m_step + 16u >= kColourWheelSize ? 0 : m_step + 16);
        }
    }
    if (m_blinkPhase == 0) {
        FillAll({}, 0);
        return;
    }
    Rgb colour = p.colour;
    if (fourColours) {
        colour = kFixedColours[std::min<size_t>(m_step, 3)];
    } else if (p.colourful != 0) {
        colour = ColourWheel()[m_step];
    }
    FillAll(colour, BrightnessValue(p.brightness));
}

void LightPreviewEngine::StepFlash(const PreviewLighting& p, uint32_t nowMs) {
    StepFlashWith(p, nowMs, false);
}

void LightPreviewEngine::StepFlash4(const PreviewLighting& p, uint32_t nowMs) {
    StepFlashWith(p, nowMs, true);
}

void LightPreviewEngine::StepOff() {
    FillAll({}, 0);
}

size_t LightPreviewEngine::BuildFrame(std::span<uint8_t> out) const {
    std::lock_guard lock(m_mutex);
    const size_t lights = std::min({m_leds.size(), kReactiveLights, out.size() / 3});
    for (size_t i = 0; i < lights; ++i) {
        const LedColour c = m_leds[i];
        const unsigned intensity = LedIntensity(c);
        out[3 * i] = static_cast<uint8_t>(LedFirst(c) * intensity / 256);
        out[3 * i + 1] = static_cast<uint8_t>(LedSecond(c) * intensity / 256);
        out[3 * i + 2] = static_cast<uint8_t>(LedThird(c) * intensity / 256);
    }
    return 3 * lights;
}

uint32_t LightPreviewEngine::ButtonColour(LedColour led) {
    return static_cast<uint32_t>(LedFirst(led)) | static_cast<uint32_t>(LedThird(led)) << 8 |
           static_cast<uint32_t>(LedSecond(led)) << 16 |
           static_cast<uint32_t>(LedIntensity(led)) << 24;
}

void LightPreviewEngine::DecayLight(size_t index, int kind) {
    if (index >= m_reactive.size()) {
        return;
    }
    const uint8_t v = m_reactive[index];
    int minus = 0;
    auto any = [v](unsigned bits) { return (v & bits) != 0; };
    if (kind == 0) {
        minus = any(0x80) ? 40 : any(0x40) ? 30 : any(0x20) ? 15 : v > 16 ? 8 : v > 0 ? 1 : 0;
    } else if (kind == 29) {
        minus = any(0x90)   ? 45
                : any(0x70) ? 35
                : any(0x60) ? 30
                : any(0x50) ? 25
                : any(0x40) ? 20
                : any(0x20) ? 10
                : v > 16    ? 5
                : v > 0     ? 1
                            : 0;
    } else {
        minus = any(0x80) ? 40 : any(0x40) ? 30 : any(0x20) ? 10 : v > 16 ? 8 : v > 0 ? 1 : 0;
    }
    // A step larger than what is left ends at dark instead of wrapping to bright.
    m_reactive[index] = static_cast<uint8_t>(v > minus ? v - minus : 0);
}

void LightPreviewEngine::MarkPressedLights() {
    for (size_t i = 0; i <= 8; ++i) {
        if (m_ring[i] != 0) {
            m_reactive[i] = 255;
        }
    }
}

void LightPreviewEngine::RotateRing(int direction) {
    if (direction != 0) {
        std::rotate(m_ring.rbegin(), m_ring.rbegin() + 1, m_ring.rend());
    } else {
        std::rotate(m_ring.begin(), m_ring.begin() + 1, m_ring.end());
    }
}

void LightPreviewEngine::ClearReactive() {
    m_reactive.fill(0);
    m_ring.fill(0);
}

}  // namespace devices
