#!/usr/bin/env python3
"""Writes the shipped default data files into DefaultData/.

The default profiles are data, but parts of them are long regular tables (the
keyboard's 170 key positions, its custom colour groups); this script is where
they come from. Run it from anywhere; it rewrites the files in place:

    tools/defaultdata/make_default_data.py
"""

import colorsys
import json
import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
OUT = ROOT / "DefaultData"

# Default key code of every key position of the keyboard picture:
# (type, parameter 1, parameter 2). Positions 126..169 and 104 hold no key.
KEY_POSITIONS = [
    (0x20, 0x00, 0x29), (0x20, 0x00, 0x3A), (0x20, 0x00, 0x3B), (0x20, 0x00, 0x3C),
    (0x20, 0x00, 0x3D), (0x20, 0x00, 0x3E), (0x20, 0x00, 0x3F), (0x20, 0x00, 0x40),
    (0x20, 0x00, 0x41), (0x20, 0x00, 0x42), (0x20, 0x00, 0x43), (0x20, 0x00, 0x44),
    (0x20, 0x00, 0x45), (0x20, 0x00, 0x46), (0x20, 0x00, 0x47), (0x20, 0x00, 0x48),
    (0xA0, 0x1B, 0x00), (0x30, 0x92, 0x01), (0x30, 0xE2, 0x00), (0x30, 0xEA, 0x00),
    (0x30, 0xE9, 0x00), (0x20, 0x00, 0x35), (0x20, 0x00, 0x1E), (0x20, 0x00, 0x1F),
    (0x20, 0x00, 0x20), (0x20, 0x00, 0x21), (0x20, 0x00, 0x22), (0x20, 0x00, 0x23),
    (0x20, 0x00, 0x24), (0x20, 0x00, 0x25), (0x20, 0x00, 0x26), (0x20, 0x00, 0x27),
    (0x20, 0x00, 0x2D), (0x20, 0x00, 0x2E), (0x20, 0x00, 0x2A), (0x20, 0x00, 0x49),
    (0x20, 0x00, 0x4A), (0x20, 0x00, 0x4B), (0x20, 0x00, 0x53), (0x20, 0x00, 0x54),
    (0x20, 0x00, 0x55), (0x20, 0x00, 0x56), (0x20, 0x00, 0x2B), (0x20, 0x00, 0x14),
    (0x20, 0x00, 0x1A), (0x20, 0x00, 0x08), (0x20, 0x00, 0x15), (0x20, 0x00, 0x17),
    (0x20, 0x00, 0x1C), (0x20, 0x00, 0x18), (0x20, 0x00, 0x0C), (0x20, 0x00, 0x12),
    (0x20, 0x00, 0x13), (0x20, 0x00, 0x2F), (0x20, 0x00, 0x30), (0x20, 0x00, 0x31),
    (0x20, 0x00, 0x4C), (0x20, 0x00, 0x4D), (0x20, 0x00, 0x4E), (0x20, 0x00, 0x5F),
    (0x20, 0x00, 0x60), (0x20, 0x00, 0x61), (0x20, 0x00, 0x32), (0x20, 0x00, 0x39),
    (0x20, 0x00, 0x04), (0x20, 0x00, 0x16), (0x20, 0x00, 0x07), (0x20, 0x00, 0x09),
    (0x20, 0x00, 0x0A), (0x20, 0x00, 0x0B), (0x20, 0x00, 0x0D), (0x20, 0x00, 0x0E),
    (0x20, 0x00, 0x0F), (0x20, 0x00, 0x33), (0x20, 0x00, 0x34), (0x20, 0x00, 0x28),
    (0x20, 0x00, 0x5C), (0x20, 0x00, 0x5D), (0x20, 0x00, 0x5E), (0x20, 0x00, 0x8A),
    (0x20, 0x00, 0x8B), (0x20, 0x00, 0x90), (0x20, 0x00, 0x91), (0x20, 0x00, 0x88),
    (0x20, 0x02, 0x00), (0x20, 0x00, 0x1D), (0x20, 0x00, 0x1B), (0x20, 0x00, 0x06),
    (0x20, 0x00, 0x19), (0x20, 0x00, 0x05), (0x20, 0x00, 0x11), (0x20, 0x00, 0x10),
    (0x20, 0x00, 0x36), (0x20, 0x00, 0x37), (0x20, 0x00, 0x38), (0x20, 0x20, 0x00),
    (0x20, 0x00, 0x52), (0x20, 0x00, 0x59), (0x20, 0x00, 0x5A), (0x20, 0x00, 0x5B),
    (0x20, 0x00, 0x87), (0x20, 0x00, 0x89), (0x20, 0x00, 0x64), (0x20, 0x00, 0x85),
    (0x20, 0x00, 0x00), (0x20, 0x01, 0x00), (0x20, 0x08, 0x00), (0x20, 0x04, 0x00),
    (0x20, 0x00, 0x2C), (0x20, 0x40, 0x00), (0xA0, 0x01, 0x00), (0x20, 0x00, 0x65),
    (0x20, 0x10, 0x00), (0x20, 0x00, 0x50), (0x20, 0x00, 0x51), (0x20, 0x00, 0x4F),
    (0x20, 0x00, 0x62), (0x20, 0x00, 0x63), (0x20, 0x00, 0x58), (0x20, 0x00, 0x57),
    (0xD0, 0xA2, 0x01), (0xD0, 0xA2, 0x02), (0xD0, 0xA2, 0x03), (0xD0, 0xA2, 0x04),
    (0xD0, 0xA2, 0x05), (0x20, 0x80, 0x00),
] + [(0x20, 0x00, 0x00)] * 44
assert len(KEY_POSITIONS) == 170

KEYBOARD_LIGHTS = 170
MOUSE_LIGHTS = 15
MOUSEPAD_LIGHTS = 15
HEADSET_LIGHTS = 13

# The mouse's eleven buttons: left, right, middle, back, forward, DPI up,
# DPI down, DPI cycle, fire key (interval 10, three shots), two unassigned.
MOUSE_KEYS = [
    (0x10, 0x01, 0x00), (0x10, 0x02, 0x00), (0x10, 0x04, 0x00), (0x10, 0x08, 0x00),
    (0x10, 0x10, 0x00), (0x13, 0x01, 0x00), (0x13, 0x02, 0x00), (0x13, 0x03, 0x00),
    (0x14, 0x0A, 0x03), (0x00, 0x00, 0x00), (0x00, 0x00, 0x00),
]

# Built-in equaliser presets, rows 1..12; row 0 is flat and never selected.
EQ_PRESETS = [
    [0, 0, 0, 0, 0, 0, 0, 0, 0, 0],
    [7, 11, 2, -3, -1, 4, 9, 12, 9, 5],
    [7, 11, 6, -3, -11, -1, 6, 13, 6, 13],
    [10, 4, 0, -3, -4, -3, -2, -1, 0, 0],
    [2, 1, -2, -3, -5, -7, 0, 4, 9, 8],
    [0, 0, 0, 0, 0, 0, 0, 0, 0, 0],
    [7, 14, -13, -6, -1, 8, 13, 7, 2, 6],
    [14, 10, 4, 0, -4, -3, -1, 1, 2, 3],
    [2, 1, -2, -3, -5, -1, 7, 11, 15, 13],
    [8, 2, -4, -8, 1, 3, 8, 11, 14, 16],
    [-3, 4, 10, 0, -11, 3, 9, 13, 6, 0],
    [18, 14, 8, 2, -3, -6, -1, 2, 5, 6],
    [2, 1, -2, -4, -8, 4, 12, 16, 18, 15],
]

# Built-in light modes per device type: (text id, visible). The device stores
# the mode under the same number as its index. Modes marked EFFECT play the
# steps of the light effect file the light definition names for that index.
EFFECT = "effect"
KEYBOARD_MODES = [
    ("light_mode_effect_aurora", True, EFFECT),   # 0
    ("light_mode_column_wave", True, None),       # 1
    ("light_mode_column_flow", True, None),       # 2
    ("light_mode_wave", True, None),              # 3
    ("light_mode_spectrum", True, None),          # 4
    ("light_mode_breathing", True, None),         # 5
    ("light_mode_static", True, None),            # 6
    ("light_mode_reactive", True, None),          # 7
    ("light_mode_ripple", True, None),            # 8
    ("light_mode_ripple_solid", True, None),      # 9
    ("light_mode_sparkle", True, None),           # 10
    ("light_mode_rainbow", True, None),           # 11
    ("light_mode_row_wave", True, None),          # 12
    ("light_mode_centre_ripple", True, None),     # 13
    ("light_mode_sequence", True, None),          # 14
    ("light_mode_twinkle", True, None),           # 15
    ("light_mode_bounce", True, None),            # 16
    ("light_mode_zone_colour", True, None),       # 17
    ("light_mode_spiral", True, None),            # 18
    ("light_mode_custom", True, None),            # 19
    ("light_mode_off", True, None),               # 20
    ("light_mode_sweep", True, None),             # 21
    ("light_mode_effect_ember", True, EFFECT),    # 22
    ("light_mode_effect_tide", True, EFFECT),     # 23
    ("light_mode_effect_alarm", True, EFFECT),    # 24
    ("light_mode_reactive_fade", True, None),     # 25
    ("light_mode_four_colour_breathing", True, None),  # 26
    ("light_mode_four_colour_blink", True, None),  # 27
    ("light_mode_effect_pulse", False, EFFECT),   # 28
    ("light_mode_audio", True, None),             # 29
    ("light_mode_screen_colour", False, None),    # 30: host colour, set by the program
    ("light_mode_effect_police", False, EFFECT),  # 31
    ("light_mode_rain", True, None),              # 32
    ("light_mode_starlight", True, None),         # 33
    ("light_mode_blink", True, None),             # 34
]
MOUSE_MODES = [
    ("light_mode_colour_wave", True, None),       # 0
    ("light_mode_spectrum", True, None),          # 1
    ("light_mode_breathing", True, None),         # 2
    ("light_mode_static", True, None),            # 3
    ("light_mode_flash", True, None),             # 4
    ("light_mode_chase", True, None),             # 5
    ("light_mode_reactive", True, None),          # 6
    ("light_mode_four_colour_breathing", True, None),  # 7
    ("light_mode_four_colour_blink", True, None),  # 8
    ("light_mode_effect_aurora", True, EFFECT),   # 9
    ("light_mode_off", True, None),               # 10
    ("light_mode_effect_ember", True, EFFECT),    # 11
]
PAD_MODES = [
    ("light_mode_colour_wave", True, None),       # 0
    ("light_mode_spectrum", True, None),          # 1
    ("light_mode_breathing", True, None),         # 2
    ("light_mode_static", True, None),            # 3
    ("light_mode_flash", True, None),             # 4
    ("light_mode_effect_aurora", True, EFFECT),   # 5
    ("light_mode_reactive_wave", True, None),     # 6
    ("light_mode_pair_ripple", True, None),       # 7
    ("light_mode_off", True, None),               # 8
    ("light_mode_effect_tide", True, EFFECT),     # 9
]
MODES = [KEYBOARD_MODES, MOUSE_MODES, PAD_MODES, PAD_MODES]

AREAS = [
    ["light_area_keys", "light_area_side_left", "light_area_side_right"],
    ["light_area_logo", "light_area_wheel", "light_area_left_strip", "light_area_right_strip"],
    ["light_area_edge", "light_area_logo"],
    ["light_area_left_cup", "light_area_right_cup", "light_area_microphone"],
]

# Light effect files: name -> (Guid, steps). A step is
# (mode, brightness, speed, direction, multi-colour, (r, g, b), time ms, cycle);
# the players render step modes 0 (wave), 1 (colour wheel), 2 (breathing),
# 4 (flash) and 5, and show nothing for any other.
EFFECTS = {
    "light_mode_effect_aurora": ("6F1C2B5E-3A4D-4E8B-9C71-2D5A8F0B3E14", [
        (2, 4, 2, 1, 0, (0, 255, 160), 3000, 1),
        (2, 4, 2, 1, 0, (0, 160, 255), 3000, 1),
        (2, 4, 2, 1, 0, (120, 0, 255), 3000, 1),
        (1, 4, 3, 1, 1, (0, 0, 0), 4000, 1),
    ]),
    "light_mode_effect_ember": ("A3E0F7C2-81B4-4D6A-B5E9-7C2F1D8A4B60", [
        (4, 4, 2, 0, 0, (255, 60, 0), 800, 1),
        (2, 3, 3, 0, 0, (255, 30, 0), 1600, 1),
        (4, 2, 1, 0, 0, (180, 20, 0), 600, 1),
        (2, 4, 1, 0, 0, (255, 110, 0), 2000, 1),
    ]),
    "light_mode_effect_tide": ("4B9D2E61-C07A-4F35-8E12-B6A3D5F9C028", [
        (0, 4, 1, 1, 0, (0, 90, 255), 5000, 1),
        (0, 4, 1, 0, 0, (0, 200, 255), 5000, 1),
    ]),
    "light_mode_effect_alarm": ("D58F3A07-6E2B-4C91-A4D8-0F7B3E6C1A95", [
        (4, 4, 4, 0, 0, (255, 0, 0), 1500, 1),
        (2, 4, 4, 0, 0, (255, 80, 0), 1500, 1),
    ]),
    "light_mode_effect_pulse": ("0E7A4C93-B25F-4186-9D3E-5A1C8F2B7D40", [
        (2, 4, 4, 0, 0, (255, 255, 255), 1000, 2),
        (2, 2, 2, 0, 0, (255, 255, 255), 2000, 1),
    ]),
    "light_mode_effect_police": ("92C6E1B8-4F03-4A7D-8B5C-E3D09A1F6274", [
        (4, 4, 4, 0, 0, (255, 0, 0), 600, 1),
        (4, 4, 4, 0, 0, (0, 0, 255), 600, 1),
    ]),
}


def pack(code):
    t, p1, p2 = code
    return t * 65536 + p1 * 256 + p2


def colour(r, g, b, a=255):
    return {"Red": r, "Green": g, "Blue": b, "Alpha": a}


def hsv(h, s=1.0, v=1.0):
    r, g, b = colorsys.hsv_to_rgb(h % 1.0, s, v)
    return round(r * 255), round(g * 255), round(b * 255)


def light_info(select, brightness, speed, direction, multi, rgb, group=0):
    return {
        "SelectItem": select, "Light": brightness, "Speed": speed, "Fx": direction,
        "MultiColor": multi, "Red": rgb[0], "Green": rgb[1], "Blue": rgb[2],
        "ZZCCLedMode": 0, "CustomGroup": group, "OldLedmode": select,
        "byVoiceLedmodeSwith": 0, "byVoiceLedmode": 0, "byVoiceSensitivity": 2,
    }


def keyboard_row(position):
    # Rows of the picture: F-row 0..20, numbers 21..41, Q row 42..62,
    # A row 63..83, Z row 84..104, bottom row 105..125, extra lights beyond.
    if position >= 126:
        return 6, (position - 126) / 44
    return position // 21, (position % 21) / 21


def custom_groups():
    gaming = []
    rainbow = []
    sunset = []
    white = []
    ice = []
    highlight = {44, 64, 65, 66, 96, 113, 114, 115, 108, 84, 105}  # WASD, arrows, space, shift, ctrl
    for p in range(KEYBOARD_LIGHTS):
        row, x = keyboard_row(p)
        none = KEY_POSITIONS[p] == (0x20, 0x00, 0x00) and p < 126
        alpha = 0 if none else 255
        gaming.append(colour(255, 0, 0, alpha) if p in highlight else colour(0, 40, 160, alpha))
        rainbow.append(colour(*hsv(x), alpha))
        sunset.append(colour(*hsv(0.02 + 0.1 * row / 6, 1.0, 1.0), alpha))
        white.append(colour(255, 255, 255, alpha))
        ice.append(colour(*hsv(0.5 + 0.12 * x, 0.6, 1.0), alpha))
    return [gaming, rainbow, sunset, white, ice]


def lights_off(count):
    return [None] * count


def keyboard_profile():
    keys = [{"FnAssignment": 0, "Assignment": pack(c), "DefaultAssignment": pack(c)}
            for c in KEY_POSITIONS]
    return {"Device": [{
        "LightInfo": light_info(4, 4, 2, 1, 1, (255, 0, 0)),
        "AudioLightInfo": {
            "AudioMode": 0, "BkColorR": 0, "BkColorG": 0, "BkColorB": 40,
            "FgColorR": 255, "FgColorG": 0, "FgColorB": 0,
            "7ColorFlags": 1, "ColorTypeFlags": 0,
        },
        "SystemStages": {"Repeat": 2, "RepeatDelay": 1, "Key6Flag": 0, "PollingRate": 3,
                          "WFlag": 0, "WinFlag": 0},
        "FnKeysetFlag": False,
        "CustomLightMode": {"CustomLightModeGroupIndex": 0, "LightColorInfo": custom_groups()},
        "KeyList": keys,
        "LightList": lights_off(KEYBOARD_LIGHTS),
    }]}


def mouse_profile():
    stages = [(400, (255, 0, 0)), (800, (0, 255, 0)), (1600, (0, 0, 255)),
              (3200, (255, 255, 0)), (6400, (255, 0, 255))]
    keys = [{"FnAssignment": 0, "Assignment": pack(c), "DefaultAssignment": pack(c)}
            for c in MOUSE_KEYS]
    return {"Device": [{
        "LightInfo": light_info(1, 4, 2, 1, 1, (0, 160, 255)),
        "DPIStages": {
            "StageActive": 1,
            "StageDPIs": [{"StageActive": 1, "StageXY": 0, "StageDPIX": dpi, "StageDPIY": dpi,
                           "StageColorR": c[0], "StageColorG": c[1], "StageColorB": c[2]}
                          for dpi, c in stages],
        },
        "SystemStages": {"DoubleClickTime": 500, "MouseSpeed": 10, "PointerPrecision": 1,
                          "ScorllPage": 0, "WheelScorlllinse": 3},
        "ReportStages": {"StageActive": 3},
        "CorrectInfo": [
            {"CorrectPixThresh": 0, "CorrectMinSq": 0, "CorrectSelect": 1, "CorrectName": "Off"},
            {"CorrectPixThresh": 4, "CorrectMinSq": 2, "CorrectSelect": 0, "CorrectName": "Light"},
            {"CorrectPixThresh": 8, "CorrectMinSq": 4, "CorrectSelect": 0, "CorrectName": "Strong"},
        ],
        "KeyList": keys,
        "LightList": lights_off(MOUSE_LIGHTS),
    }]}


def mousepad_profile():
    return {"Device": [{
        "LightInfo": light_info(0, 4, 2, 1, 1, (255, 0, 0)),
        "LightList": lights_off(MOUSEPAD_LIGHTS),
    }]}


def headset_profile():
    return {"Device": [{
        "LightInfo": light_info(2, 4, 2, 1, 0, (0, 160, 255)),
        "SystemSetStages": {
            "MagicEnable": 0, "MagicType": 1, "EqType": 1, "CustomEqSeletIndex": -1,
            "MicInSelect": 1, "MicInValue": 80, "MicMoniterSelect": 0, "MicMoniterValue": 50,
        },
        "EQHzValueInfo": [[{"value": v} for v in row] for row in EQ_PRESETS],
        "LightList": lights_off(HEADSET_LIGHTS),
    }]}


def default_light():
    return {
        "DefaultLightName": [[{"LightName": name, "visible": visible, "value": i}
                              for i, (name, visible, _) in enumerate(modes)] for modes in MODES],
        "AreaLightName": [[{"LightName": name} for name in areas] for areas in AREAS],
    }


def light_config():
    lists = []
    for modes in MODES:
        entries = []
        for name, _, kind in modes:
            guid = EFFECTS[name][0] if kind == EFFECT else ""
            entries.append({"LightName": name, "Guid": guid})
        lists.append(entries)
    return {"LightInfo": lists}


def effect_file(steps):
    return {"LEDEffectList": [
        {"LEDREGMode": m, "LEDBrightness": b, "LEDSpeed": s, "LEDDirection": d,
         "LEDMultiColor": mc, "red": rgb[0], "green": rgb[1], "blue": rgb[2],
         "Time": t, "Cyle": c}
        for m, b, s, d, mc, rgb, t, c in steps]}


def write(name, document):
    text = json.dumps(document, indent=3, separators=(",", " : "), ensure_ascii=False,
                      sort_keys=True)
    (OUT / name).write_text(text + "\n", encoding="utf-8")


def main():
    OUT.mkdir(exist_ok=True)
    write("keyboard.Json", keyboard_profile())
    write("mouse.Json", mouse_profile())
    write("MousePad.Json", mousepad_profile())
    write("HD.Json", headset_profile())
    write("default_light.json", default_light())
    write("korva_light.config", light_config())
    for guid, steps in EFFECTS.values():
        write(guid + ".light", effect_file(steps))


if __name__ == "__main__":
    main()
