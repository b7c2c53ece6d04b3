#!/usr/bin/env python3
"""Draws the device selector icons and the power item's status pictures.

The program names these pictures with fixed ".png" file names, so the
script keeps their SVG sources here and renders them to PNG at twice their
96-dpi size (sharp on high-density screens too) with rsvg-convert (Debian
package librsvg2-bin; needed only to run this script).

Run from the repository root: python3 tools/skin/make_icons.py
"""
import os
import subprocess
import sys
import tempfile

MUTED = "#9AA3B2"
TEXT = "#E9ECF2"
ACCENT = "#E8364F"
INFO = "#2BC4F0"
SURFACE = "#1C2029"
LINE = "#2E3440"

# Device glyphs on a 48 x 48 grid, drawn with stroke="currentColor".
GLYPHS = {
    "kb": """<rect x="7" y="15" width="34" height="19" rx="3.5"/>
<path d="M12 20.5h2 M17 20.5h2 M22 20.5h2 M27 20.5h2 M32 20.5h4 M12 25h4 M19 25h2 M24 25h2 M29 25h2 M34 25h2 M16 29.5h16"/>""",
    "ms": """<path d="M24 8c6.6 0 10.5 4.6 10.5 11.5v9c0 7-4.4 11.5-10.5 11.5s-10.5-4.5-10.5-11.5v-9C13.5 12.6 17.4 8 24 8z"/>
<path d="M24 8v11 M14 21h20"/><rect x="22.2" y="12" width="3.6" height="6" rx="1.8"/>""",
    "soft_mp": """<rect x="6" y="13" width="36" height="23" rx="6"/>
<path d="M10 31c3-2.5 5-2.5 8 0s5 2.5 8 0 5-2.5 8 0 3 1.5 4 1"/>
<path d="M30 17.5c2.6 0 4 1.7 4 4.2v1.8c0 2.6-1.6 4-4 4s-4-1.4-4-4v-1.8c0-2.5 1.4-4.2 4-4.2z"/>""",
    "hard_mp": """<rect x="6" y="13" width="36" height="23" rx="2.5"/>
<circle cx="32.5" cy="24.5" r="6"/><path d="M33.5 20.5l-2.6 4.6h3.2l-2.6 4.4"/>
<path d="M11 18h10"/>""",
    "hd": """<path d="M11 29v-5a13 13 0 0 1 26 0v5"/>
<rect x="8.5" y="26" width="7.5" height="12" rx="2.5"/><rect x="32" y="26" width="7.5" height="12" rx="2.5"/>
<path d="M12.5 38c0 3 2.5 4.5 7 4.5"/>""",
    "hub": """<rect x="9" y="20" width="30" height="14" rx="3.5"/>
<path d="M24 20v-9 M13.5 27h5 M21.5 27h5 M29.5 27h5"/>""",
    "unknow": """<rect x="12" y="9" width="24" height="30" rx="5" stroke-dasharray="3 2.5"/>
<path d="M20.5 20.5c0-2.2 1.6-3.6 3.6-3.6s3.6 1.4 3.6 3.4c0 2.8-3.6 3-3.6 5.7"/><circle cx="24.1" cy="30.5" r="0.6"/>""",
}

SYNC_BADGE = """<circle cx="38" cy="38" r="8.5" fill="%s" stroke="#0D0F14" stroke-width="2"/>
<path d="M34.6 37a3.6 3.6 0 0 1 6.3-2 M41.4 39a3.6 3.6 0 0 1-6.3 2" fill="none" stroke="#0D0F14" stroke-width="1.6" stroke-linecap="round"/>
<path d="M41.6 32.6v2.8h-2.8 M34.4 43.4v-2.8h2.8" fill="none" stroke="#0D0F14" stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round"/>""" % INFO


def device_icon(glyph, selected, synchro):
    if selected:
        plate = ('<rect x="1" y="1" width="46" height="46" rx="11" fill="%s" fill-opacity="0.16" '
                 'stroke="%s" stroke-width="1.5"/>' % (ACCENT, ACCENT))
        ink = TEXT
    else:
        plate = ('<rect x="1" y="1" width="46" height="46" rx="11" fill="%s" stroke="%s" '
                 'stroke-width="1"/>' % (SURFACE, LINE))
        ink = MUTED
    body = ('<g fill="none" stroke="%s" stroke-width="2" stroke-linecap="round" stroke-linejoin="round">%s</g>'
            % (ink, GLYPHS[glyph]))
    return svg(48, 48, plate + body + (SYNC_BADGE if synchro else ""))


PHONE = {
    # A phone lying face up on the charging pad.
    "iphone": """<rect x="7" y="2.5" width="10" height="19" rx="2.6" fill="%s" stroke="%s" stroke-width="1.2"/>
<rect x="10" y="4.3" width="4" height="1.3" rx="0.65" fill="%s"/>""" % (SURFACE, TEXT, TEXT),
    "samsung": """<rect x="7" y="2.5" width="10" height="19" rx="1.6" fill="%s" stroke="%s" stroke-width="1.2"/>
<circle cx="12" cy="5" r="0.8" fill="%s"/>""" % (SURFACE, TEXT, TEXT),
    "other": """<rect x="7" y="2.5" width="10" height="19" rx="2" fill="%s" stroke="%s" stroke-width="1.2"/>
<path d="M10.5 18.8h3" stroke="%s" stroke-width="1" stroke-linecap="round"/>""" % (SURFACE, TEXT, TEXT),
    "no_device": """<rect x="7" y="2.5" width="10" height="19" rx="2.2" fill="none" stroke="%s" stroke-width="1.1" stroke-dasharray="2 1.6"/>""" % MUTED,
}


def phone_icon(kind):
    charge = "" if kind == "no_device" else (
        '<circle cx="18.5" cy="18.5" r="4.6" fill="%s" stroke="#0D0F14" stroke-width="1.2"/>'
        '<path d="M19.2 15.8l-2 3h2l-2 2.8" fill="none" stroke="#0D0F14" stroke-width="1.1" '
        'stroke-linecap="round" stroke-linejoin="round"/>' % INFO)
    return svg(24, 24, PHONE[kind] + charge)


POWER = {
    # Running on its battery.
    "powered": """<rect x="3" y="4.5" width="9.5" height="7" rx="1.5" fill="none" stroke="%s" stroke-width="1.2"/>
<rect x="12.8" y="6.6" width="1.6" height="2.8" rx="0.6" fill="%s"/>
<rect x="4.6" y="6.1" width="2.6" height="3.8" rx="0.5" fill="%s"/><rect x="8" y="6.1" width="2.6" height="3.8" rx="0.5" fill="%s"/>""" % (TEXT, TEXT, TEXT, TEXT),
    # Charging.
    "powering": """<path d="M9.2 1.5L3.8 9h3.6l-1.2 5.5L12 7H8.3z" fill="%s" stroke="%s" stroke-width="0.8" stroke-linejoin="round"/>""" % (INFO, INFO),
    # On the cable's power, fully charged.
    "power": """<path d="M5.5 2v3 M10.5 2v3" stroke="%s" stroke-width="1.4" stroke-linecap="round"/>
<path d="M3.5 5h9v2.5a4.5 4.5 0 0 1-9 0z" fill="%s"/><path d="M8 12v2.5" stroke="%s" stroke-width="1.4" stroke-linecap="round"/>""" % (TEXT, TEXT, TEXT),
}


def svg(w, h, body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">%s</svg>\n'
            % (w, h, w, h, body))


def render(source, png, scale=2):
    with tempfile.NamedTemporaryFile("w", suffix=".svg", delete=False) as f:
        f.write(source)
        name = f.name
    try:
        os.makedirs(os.path.dirname(png), exist_ok=True)
        subprocess.run(["rsvg-convert", "-z", str(scale), name, "-o", png], check=True)
    finally:
        os.unlink(name)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    icons = os.path.join(root, "skin/common/device_ico")
    for glyph in GLYPHS:
        for synchro in (False, True):
            for selected in (False, True):
                name = "%s_device%s_%s.png" % (glyph, "_synchro" if synchro else "",
                                               "selected" if selected else "normal")
                render(device_icon(glyph, selected, synchro), os.path.join(icons, name))
    power = os.path.join(root, "skin/power")
    for name, body in POWER.items():
        render(svg(16, 16, body), os.path.join(power, name + ".png"))
    for kind in PHONE:
        render(phone_icon(kind), os.path.join(power, "Phone_type_%s.png" % kind))
    print("icons written")


if __name__ == "__main__":
    main()
