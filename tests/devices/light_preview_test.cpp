#include "devices/light_preview.h"

#include <gtest/gtest.h>

#include <thread>

namespace devices {
namespace {

TEST(ColourWheel, HasTheHueAnchorsAndRepeatsItsHead) {
    const auto& wheel = ColourWheel();
    const Rgb head[] = {{255, 1, 0}, {255, 3, 0}, {255, 5, 0}, {255, 7, 0}, {255, 10, 0}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(wheel[i], head[i]) << i;
    }
    EXPECT_EQ(wheel[63], (Rgb{0, 255, 0}));
    EXPECT_EQ(wheel[127], (Rgb{0, 0, 255}));
    EXPECT_EQ(wheel[191], (Rgb{255, 0, 0}));
    EXPECT_EQ(wheel[192], wheel[0]);
    // Neighbours never jump: the cycle looks smooth on the keys.
    for (size_t i = 1; i < kColourWheelSize; ++i) {
        auto jump = [](uint8_t a, uint8_t b) { return std::abs(int(a) - int(b)); };
        EXPECT_LE(jump(wheel[i].first, wheel[i - 1].first) +
                      jump(wheel[i].second, wheel[i - 1].second) +
                      jump(wheel[i].third, wheel[i - 1].third),
                  16)
            << i;
    }
}

TEST(BreathingCurve, RisesToFullAndFallsBack) {
    EXPECT_EQ(kBreathingCurve[0], 0);
    EXPECT_EQ(kBreathingCurve[63], 255);
    EXPECT_EQ(kBreathingCurve[64], 255);
    EXPECT_EQ(kBreathingCurve[127], 0);
    EXPECT_EQ(kBreathingCurve[18], 27);
}

TEST(CyclicCounter, WrapsInBothDirections) {
    struct Case {
        int direction, limit, value, step, expected;
    };
    const Case cases[] = {{0, 128, 0, 1, 127}, {1, 128, 127, 1, 0},  {1, 128, 5, 1, 6},
                          {0, 192, 0, 1, 191}, {1, 192, 176, 16, 0}, {0, 192, 10, 16, 176}};
    for (const Case& c : cases) {
        EXPECT_EQ(CyclicCounter(c.direction, c.limit, c.value, c.step), c.expected)
            << c.direction << " " << c.limit << " " << c.value << " " << c.step;
    }
}

TEST(LevelTables, OutOfRangeLevelsFromFilesStayInTheTables) {
    EXPECT_EQ(BrightnessValue(4), 255);
    EXPECT_EQ(BrightnessValue(200), 255);
    EXPECT_EQ(BlinkPeriodMs(0), 1600u);
    EXPECT_EQ(BlinkPeriodMs(4), 200u);
    EXPECT_EQ(BlinkPeriodMs(9), 200u);
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { engine.SetLightCount(4); }
    LightPreviewEngine engine;
    PreviewLighting lighting{4, 0, 1, 0, {10, 20, 30}};
};

TEST_F(EngineTest, BreathingReachesFullIntensityAtStep63) {
    for (int i = 0; i < 63; ++i) {
        engine.StepBreathing(lighting);
    }
    EXPECT_EQ(engine.Step(), 63);
    EXPECT_EQ(engine.GetLedColour(2), PackLed(10, 20, 30, 254));  // 255 * 255 / 256
}

TEST_F(EngineTest, BreathingMovesAlongTheWheelEachCycle) {
    lighting.colourful = 1;
    for (int i = 0; i < 128; ++i) {
        engine.StepBreathing(lighting);
    }
    EXPECT_EQ(engine.Step(), 0);
    EXPECT_EQ(engine.ColourIndex(), 16);
    for (int i = 0; i < 128 * 11; ++i) {
        engine.StepBreathing(lighting);
    }
    EXPECT_EQ(engine.ColourIndex(), 192) << "192 is still shown, as the wheel's head";
    for (int i = 0; i < 128; ++i) {
        engine.StepBreathing(lighting);
    }
    EXPECT_EQ(engine.ColourIndex(), 0);
}

TEST_F(EngineTest, BreathingFourCyclesTheFixedColours) {
    for (int cycle = 1; cycle <= 4; ++cycle) {
        for (int i = 0; i < 128; ++i) {
            engine.StepBreathing4(lighting);
        }
        EXPECT_EQ(engine.ColourIndex(), cycle % 4);
    }
    const Rgb c = kFixedColours[0];
    engine.StepBreathing4(lighting);
    EXPECT_EQ(engine.GetLedColour(0), PackLed(c.first, c.second, c.third, 0));
}

TEST_F(EngineTest, StaticAndSpectrumUseTheBrightnessLevel) {
    lighting.brightness = 2;
    engine.StepStatic(lighting);
    EXPECT_EQ(engine.GetLedColour(3), PackLed(10, 20, 30, 135));
    lighting.direction = 0;
    engine.StepSpectrum(lighting);
    EXPECT_EQ(engine.Step(), 191);
    const Rgb c = ColourWheel()[191];
    EXPECT_EQ(engine.GetLedColour(0), PackLed(c.first, c.second, c.third, 135));
}

TEST_F(EngineTest, FlashChangesPhaseOncePerBlinkPeriod) {
    struct Case {
        uint8_t speed;
        uint32_t period;
    };
    for (const Case& c : {Case{0, 1600}, Case{4, 200}}) {
        LightPreviewEngine e;
        e.SetLightCount(1);
        PreviewLighting p = lighting;
        p.speed = c.speed;
        e.StepFlash(p, c.period);  // first change
        const uint8_t phase = e.BlinkPhase();
        e.StepFlash(p, 2 * c.period - 1);
        EXPECT_EQ(e.BlinkPhase(), phase) << "speed " << int(c.speed);
        e.StepFlash(p, 2 * c.period);
        EXPECT_NE(e.BlinkPhase(), phase) << "speed " << int(c.speed);
    }
}

TEST_F(EngineTest, FlashOffPhaseIsDarkAndSurvivesTickWrap) {
    lighting.speed = 4;  // 200 ms
    engine.StepFlash(lighting, 0xFFFFFF00u);
    ASSERT_EQ(engine.BlinkPhase(), 1);
    EXPECT_EQ(engine.GetLedColour(0), PackLed(10, 20, 30, 255));
    engine.StepFlash(lighting, 0x00000100u);  // the counter wrapped; 512 ms passed
    EXPECT_EQ(engine.BlinkPhase(), 0);
    EXPECT_EQ(engine.GetLedColour(0), 0u);
}

TEST_F(EngineTest, OutOfRangeLedIndicesAreIgnored) {
    engine.SetLedColour(4, 0x12345678);
    EXPECT_EQ(engine.GetLedColour(4), 0u);
    engine.SetLedColour(3, 0x12345678);
    EXPECT_EQ(engine.GetLedColour(3), 0x12345678u);
}

TEST(Frame, ScalesByIntensityAndStopsAtLight170) {
    LightPreviewEngine engine;
    engine.SetLightCount(171);
    engine.SetLedColour(0, PackLed(255, 128, 2, 255));
    engine.SetLedColour(170, PackLed(255, 255, 255, 255));
    std::vector<uint8_t> frame(171 * 3, 0xEE);
    EXPECT_EQ(engine.BuildFrame(frame), 170u * 3);
    EXPECT_EQ(frame[0], 254);
    EXPECT_EQ(frame[1], 127);
    EXPECT_EQ(frame[2], 1);
    EXPECT_EQ(frame[170 * 3], 0xEE) << "light 170 is not sent";
    EXPECT_EQ(LightPreviewEngine::ButtonColour(PackLed(1, 2, 3, 4)), 0x04020301u);
}

TEST(Reactive, DecaySubtractsByKindAndNeverWrapsToBright) {
    struct Case {
        int kind;
        uint8_t before, after;
    };
    const Case cases[] = {
        {0, 0x80, 0x80 - 40},
        {0, 0x40, 0x40 - 30},
        {0, 0x20, 0x20 - 15},
        {0, 17, 9},
        {0, 16, 15},
        {0, 0, 0},
        {29, 0x90, 0x90 - 45},
        {29, 0x10, 0},
        {29, 0x20, 0},
        {29, 0x40, 0x40 - 35},
        {29, 0x80, 0x80 - 45},
        {29, 15, 14},
        {3, 0xFF, 0xFF - 40},
        {3, 0x20, 0x20 - 10},
        {3, 5, 4},
    };
    for (const Case& c : cases) {
        LightPreviewEngine engine;
        engine.ReactiveIntensities()[7] = c.before;
        engine.DecayLight(7, c.kind);
        EXPECT_EQ(engine.ReactiveIntensities()[7], c.after)
            << "kind " << c.kind << " from " << int(c.before);
    }
    LightPreviewEngine engine;
    engine.DecayLight(kReactiveLights, 0);  // outside: ignored
}

TEST(Reactive, RingRotatesBothWaysAndMarksPressedLights) {
    LightPreviewEngine engine;
    for (size_t i = 0; i < kRingSize; ++i) {
        engine.Ring()[i] = static_cast<uint8_t>(i + 1);
    }
    engine.RotateRing(1);
    EXPECT_EQ(engine.Ring()[0], kRingSize);
    EXPECT_EQ(engine.Ring()[1], 1);
    engine.RotateRing(0);
    engine.RotateRing(0);
    EXPECT_EQ(engine.Ring()[0], 2);
    EXPECT_EQ(engine.Ring()[kRingSize - 1], 1);

    engine.ClearReactive();
    engine.Ring()[3] = 1;
    engine.Ring()[9] = 1;  // beyond the pressed range
    engine.MarkPressedLights();
    EXPECT_EQ(engine.ReactiveIntensities()[3], 255);
    EXPECT_EQ(engine.ReactiveIntensities()[9], 0);
}

TEST(Engine, UiThreadReadsWhileTheLightThreadSteps) {
    LightPreviewEngine engine;
    engine.SetLightCount(170);
    PreviewLighting p{4, 0, 1, 1, {}};
    std::atomic<bool> done{false};
    std::thread lightThread([&] {
        for (int i = 0; i < 20000; ++i) {
            engine.StepSpectrum(p);
        }
        done = true;
    });
    std::array<LedColour, 170> snapshot{};
    while (!done) {
        engine.Snapshot(snapshot);
        // Every light of one step carries the same colour: never half a frame.
        EXPECT_EQ(snapshot.front(), snapshot.back());
    }
    lightThread.join();
}

}  // namespace
}  // namespace devices
