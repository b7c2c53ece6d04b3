#!/usr/bin/env python3
"""Draws the mouse, mousepad and headset pictures and writes their pages.

Each picture is described once, by the positions of its buttons and lights;
from that the script writes the SVG under skin/device/<kind>/ and the page
layout under skin/XML/DeviceXml/, with every DeviceKeyButton exactly over
the part it stands for.

Run from the repository root: python3 tools/skin/make_device_pictures.py
"""
import math
import os
import sys

FONT = "Noto Sans, sans-serif"

HOT = "file='device/light/part_hot.svg' corner='8,8,8,8'"
SELECTED = "file='device/light/part_selected.svg' corner='8,8,8,8'"
REASSIGNED = "file='device/light/part_reassigned.svg' corner='2,12,12,2'"
GLOW_ROUND = "file='device/light/glow_round.svg'"
GLOW_BAR = "file='device/light/glow_bar.svg' corner='11,11,11,11'"
GLOW_RING = "file='device/light/glow_ring.svg'"
LOGO = "file='device/light/logo_light.svg'"


def rect_of(cx, cy, w, h):
    return (int(round(cx - w / 2)), int(round(cy - h / 2)), int(round(cx + w / 2)), int(round(cy + h / 2)))


def button(name, rect, ox, oy, userdata=None, light=None, key=False):
    """One DeviceKeyButton; `rect` is in picture pixels, (ox, oy) the picture's place."""
    l, t, r, b = rect
    attrs = ['name="%s"' % name]
    if userdata:
        attrs.append('userdata="%s"' % userdata)
    attrs.append('float="true" pos="%d,%d,%d,%d"' % (l + ox, t + oy, r + ox, b + oy))
    if key:
        attrs.append('cursor="hand" hotimage="%s" keyunsetimage="%s" keysetimage="%s"' % (HOT, SELECTED, REASSIGNED))
    if light:
        attrs.append('lightimage="%s"' % light)
    if not key:
        attrs.append('mouse="false"')
    return "<DeviceKeyButton %s/>" % " ".join(attrs)


def bezier(p0, p1, p2, p3, n=40):
    pts = []
    for i in range(n + 1):
        t = i / n
        a = (1 - t) ** 3
        b = 3 * (1 - t) ** 2 * t
        c = 3 * (1 - t) * t * t
        d = t ** 3
        pts.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0],
                    a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return pts


# ---------------------------------------------------------------- mouse

MW, MH = 220, 340
MCX = MW / 2
# The right half of the shell, front to back, as cubic segments.
RIGHT = [((110, 16), (150, 16), (178, 30), (182, 70)),
         ((182, 70), (186, 110), (175, 140), (177, 180)),
         ((177, 180), (179, 230), (192, 268), (180, 304)),
         ((180, 304), (168, 330), (134, 333), (110, 333))]


def mirror(p):
    return (MW - p[0], p[1])


def shell_path(segs):
    d = "M%.1f %.1f " % segs[0][0]
    for _, c1, c2, e in segs:
        d += "C%.1f %.1f %.1f %.1f %.1f %.1f " % (c1 + c2 + e)
    for _, c1, c2, e in reversed([(s[0], mirror(s[1]), mirror(s[2]), mirror(s[3])) for s in segs]):
        pass
    # back along the left half
    left = [(mirror(s[3]), mirror(s[2]), mirror(s[1]), mirror(s[0])) for s in reversed(segs)]
    for _, c1, c2, e in left:
        d += "C%.1f %.1f %.1f %.1f %.1f %.1f " % (c1 + c2 + e)
    return d + "Z"


def right_edge_x(y):
    pts = []
    for s in RIGHT[:3]:
        pts += bezier(*s)
    best = min(pts, key=lambda p: abs(p[1] - y))
    return best[0]


MOUSE_LIGHT_Y = [216, 233, 250, 267, 284, 301]


def mouse_parts():
    """(name, rect, userdata, light image, is key) of every mouse button."""
    parts = [
        ("key_0", (47, 30, 99, 148), None, None, True),          # left button
        ("key_1", (121, 30, 173, 148), None, None, True),         # right button
        ("key_2", (101, 47, 119, 101), "light_12", GLOW_BAR, True),  # wheel, lit
        ("key_3", (22, 126, 38, 166), None, None, True),          # forward (thumb, front)
        ("key_4", (24, 172, 40, 212), None, None, True),          # back (thumb, rear)
        ("key_5", (102, 109, 118, 123), None, None, True),        # DPI up
        ("key_6", (102, 127, 118, 141), None, None, True),        # DPI down
        ("key_7", (100, 168, 120, 188), "light_13", GLOW_RING, True),  # DPI cycle, ringed
        ("key_8", (89, 198, 107, 208), None, None, True),         # game mode
        ("key_9", (113, 198, 131, 208), None, None, True),        # profile
        ("key_10", (33, 64, 45, 100), None, None, True),          # fire
        ("light_14", rect_of(MCX, 262, 40, 40), "logo", LOGO, False),
    ]
    for i, y in enumerate(MOUSE_LIGHT_Y):
        x = right_edge_x(y) - 7
        parts.append(("mouse_led_%d" % i, rect_of(MW - x, y, 9, 15), "light_%d" % i, GLOW_BAR, False))
        parts.append(("mouse_led_%d" % (6 + i), rect_of(x, y, 9, 15), "light_%d" % (6 + i), GLOW_BAR, False))
    return parts


def mouse_svg():
    s = [svg_head(MW, MH)]
    s.append("""<defs>
<linearGradient id="shell" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="#0E1014"/><stop offset="0.5" stop-color="#242932"/><stop offset="1" stop-color="#0E1014"/></linearGradient>
<radialGradient id="palm" cx="0.5" cy="0.35" r="0.6"><stop offset="0" stop-color="#FFFFFF" stop-opacity="0.10"/><stop offset="1" stop-color="#FFFFFF" stop-opacity="0"/></radialGradient>
<linearGradient id="btn" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#2B303A"/><stop offset="1" stop-color="#1C2027"/></linearGradient>
<linearGradient id="wheel" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="#1A1D23"/><stop offset="0.5" stop-color="#4A515E"/><stop offset="1" stop-color="#1A1D23"/></linearGradient>
</defs>""")
    shell = shell_path(RIGHT)
    s.append('<path d="%s" transform="translate(3,5)" fill="#000000" fill-opacity="0.45"/>' % shell)
    s.append('<path d="%s" fill="url(#shell)" stroke="#3A414E" stroke-width="1.2"/>' % shell)
    s.append('<path d="%s" fill="url(#palm)"/>' % shell)
    # Thumb buttons on the left flank.
    for (l, t, r, b) in ((22, 126, 38, 166), (24, 172, 40, 212)):
        s.append('<rect x="%d" y="%d" width="%d" height="%d" rx="6" fill="url(#btn)" stroke="#07080A"/>'
                 % (l, t, r - l, b - t))
        s.append('<path d="M%d %d v%d" stroke="#FFFFFF" stroke-opacity="0.10"/>' % (l + 3, t + 6, b - t - 12))
    # Main buttons: the seam that divides them and the gap for the wheel.
    s.append('<path d="M43 147 Q110 178 177 147" fill="none" stroke="#06070A" stroke-width="2.2"/>')
    s.append('<path d="M110 17 V44 M110 150 V162" stroke="#06070A" stroke-width="2.2"/>')
    s.append('<path d="M44 146 Q110 176 176 146" fill="none" stroke="#FFFFFF" stroke-opacity="0.06"/>')
    # Fire button beside the left button.
    s.append('<rect x="33" y="64" width="12" height="36" rx="6" fill="#3A1C22" stroke="#07080A"/>')
    s.append('<circle cx="39" cy="82" r="3" fill="none" stroke="#E8364F" stroke-width="1"/>')
    # Wheel well, wheel and DPI buttons.
    s.append('<rect x="97" y="43" width="26" height="102" rx="9" fill="#07080A"/>')
    s.append('<rect x="101" y="47" width="18" height="54" rx="7" fill="url(#wheel)"/>')
    for y in range(51, 99, 4):
        s.append('<line x1="103" y1="%d" x2="117" y2="%d" stroke="#0B0D10" stroke-width="1.2"/>' % (y, y))
    for (t, sign) in ((109, "+"), (127, "−")):
        s.append('<rect x="102" y="%d" width="16" height="14" rx="4" fill="url(#btn)" stroke="#000000"/>' % t)
        s.append(text(110, t + 10.5, sign, 9, "#9AA3B2"))
    # DPI cycle button with its ring, and the two small buttons behind it.
    s.append('<circle cx="110" cy="178" r="10" fill="#07080A"/>')
    s.append('<circle cx="110" cy="178" r="7.5" fill="url(#btn)"/>')
    s.append(text(110, 180.5, "DPI", 5.5, "#9AA3B2"))
    for l in (89, 113):
        s.append('<rect x="%d" y="198" width="18" height="10" rx="5" fill="url(#btn)" stroke="#000000"/>' % l)
    s.append(text(98, 205.5, "GM", 5.5, "#9AA3B2"))
    s.append('<circle cx="122" cy="203" r="1.6" fill="#9AA3B2"/>')
    # Diffusers of the two light strips, and the mark under the palm.
    for y in MOUSE_LIGHT_Y:
        x = right_edge_x(y) - 7
        for cx in (x, MW - x):
            s.append('<rect x="%.1f" y="%.1f" width="5" height="13" rx="2.5" fill="#3A404C" fill-opacity="0.7"/>'
                     % (cx - 2.5, y - 6.5))
    s.append(mark(MCX, 262, 15, "#2F3541"))
    s.append("</svg>")
    return "\n".join(s) + "\n"


# ---------------------------------------------------------------- mousepad

PW, PH = 640, 270


def pad_parts():
    parts = []
    # Light strip around the mat, clockwise from the top-left corner after the hub.
    segs = []
    top_y, bottom_y, left_x, right_x = 40, 262, 8, 632
    for i in range(4):
        x0 = 200 + i * 108
        segs.append(rect_of(x0 + 50, top_y, 92, 10))
    for i in range(2):
        segs.append(rect_of(right_x, 50 + 52 + i * 106, 10, 92))
    for i in range(5):
        x0 = 632 - 124 * (i + 1)
        segs.append(rect_of(x0 + 62, bottom_y, 108, 10))
    for i in range(2):
        segs.append(rect_of(left_x, 262 - 60 - i * 100, 10, 84))
    for i, r in enumerate(segs):
        parts.append(("pad_led_%d" % i, r, "light_%d" % i, GLOW_BAR, False))
    parts.append(("pad_led_13", rect_of(546, 150, 104, 104), "light_13", GLOW_RING, False))
    parts.append(("pad_led_14", rect_of(104, 22, 28, 28), "light_14", LOGO, False))
    return parts


def pad_svg():
    s = [svg_head(PW, PH)]
    s.append("""<defs>
<linearGradient id="cloth" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#1A1D24"/><stop offset="1" stop-color="#101216"/></linearGradient>
<linearGradient id="hub" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#2C313B"/><stop offset="1" stop-color="#15181E"/></linearGradient>
</defs>""")
    s.append('<rect x="5" y="40" width="632" height="228" rx="16" fill="#000000" fill-opacity="0.45"/>')
    s.append('<rect x="3" y="35" width="634" height="232" rx="16" fill="#1D2129" stroke="#3A414E"/>')
    s.append('<rect x="13" y="45" width="614" height="212" rx="9" fill="url(#cloth)"/>')
    s.append('<rect x="17" y="49" width="606" height="204" rx="7" fill="none" stroke="#FFFFFF" '
             'stroke-opacity="0.05" stroke-dasharray="3 3"/>')
    # Charging zone: where the phone lies, with the coil under it.
    s.append('<rect x="486" y="66" width="120" height="168" rx="16" fill="#0C0E11" stroke="#2A303A"/>')
    for r, op in ((44, 0.10), (36, 0.08), (28, 0.06)):
        s.append('<circle cx="546" cy="150" r="%d" fill="none" stroke="#9AA3B2" stroke-opacity="%.2f"/>' % (r, op))
    s.append('<path d="M542 140 l-6 12 h8 l-4 10" fill="none" stroke="#5A6272" stroke-width="1.6" '
             'stroke-linejoin="round"/>')
    s.append(text(546, 222, "Qi", 9, "#4A5160"))
    # Hub with the cable and the mark.
    s.append('<path d="M104 4 V14" stroke="#0B0C0F" stroke-width="6" stroke-linecap="round"/>')
    s.append('<rect x="40" y="10" width="128" height="32" rx="10" fill="url(#hub)" stroke="#3A414E"/>')
    s.append(mark(104, 22, 9, "#3A414E"))
    s.append(text(60, 30, "", 8, "#9AA3B2"))
    # Diffuser of the edge light.
    s.append('<rect x="6" y="38" width="628" height="226" rx="14" fill="none" stroke="#3A404C" '
             'stroke-opacity="0.7" stroke-width="3"/>')
    s.append(text(320, 160, "QUILLON", 22, "#FFFFFF", weight="700", extra='letter-spacing="8" fill-opacity="0.05"'))
    s.append("</svg>")
    return "\n".join(s) + "\n"


# ---------------------------------------------------------------- headset

HW, HH = 380, 330
CUP = (130, 200)
RING = 62


def headset_parts():
    parts = []
    for i in range(12):
        a = math.radians(-90 + 30 * i)
        x = CUP[0] + RING * math.cos(a)
        y = CUP[1] + RING * math.sin(a)
        parts.append(("hd_led_%d" % i, rect_of(x, y, 20, 20), "light_%d" % i, GLOW_ROUND, False))
    parts.append(("hd_led_12", rect_of(CUP[0], CUP[1], 44, 44), "light_12", LOGO, False))
    return parts


def headset_svg():
    cx, cy = CUP
    s = [svg_head(HW, HH)]
    s.append("""<defs>
<linearGradient id="band" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#2C313B"/><stop offset="1" stop-color="#15181E"/></linearGradient>
<radialGradient id="cap" cx="0.4" cy="0.35" r="0.7"><stop offset="0" stop-color="#2E343F"/><stop offset="1" stop-color="#111318"/></radialGradient>
<radialGradient id="cushion" cx="0.5" cy="0.5" r="0.5"><stop offset="0.7" stop-color="#1A1D23"/><stop offset="1" stop-color="#0B0C0F"/></radialGradient>
</defs>""")
    # Far cup, seen from its side, behind the band.
    s.append('<ellipse cx="318" cy="188" rx="34" ry="74" fill="#0E1014" stroke="#2A303A"/>')
    s.append('<ellipse cx="306" cy="188" rx="22" ry="64" fill="url(#cushion)"/>')
    # Headband: the steel arc and its padded inner band.
    s.append('<path d="M118 126 C110 20 300 -6 318 116" fill="none" stroke="#0A0B0E" stroke-width="20" '
             'stroke-linecap="round"/>')
    s.append('<path d="M118 126 C110 20 300 -6 318 116" fill="none" stroke="url(#band)" stroke-width="16" '
             'stroke-linecap="round"/>')
    s.append('<path d="M126 118 C124 40 290 18 306 112" fill="none" stroke="#E8364F" stroke-opacity="0.55" '
             'stroke-width="1.2"/>')
    # Yoke holding the near cup.
    s.append('<path d="M104 128 Q130 112 156 128" fill="none" stroke="#2E343F" stroke-width="8" '
             'stroke-linecap="round"/>')
    # Near cup: cushion edge, shell, LED ring groove, cap.
    s.append('<circle cx="%d" cy="%d" r="90" fill="#000000" fill-opacity="0.4" transform="translate(4,6)"/>' % (cx, cy))
    s.append('<circle cx="%d" cy="%d" r="90" fill="url(#cushion)"/>' % (cx + 6, cy))
    s.append('<circle cx="%d" cy="%d" r="84" fill="#171A20" stroke="#3A414E" stroke-width="1.2"/>' % (cx, cy))
    s.append('<circle cx="%d" cy="%d" r="%d" fill="none" stroke="#07080A" stroke-width="12"/>' % (cx, cy, RING))
    for i in range(12):
        a = math.radians(-90 + 30 * i)
        s.append('<circle cx="%.1f" cy="%.1f" r="3.2" fill="#3A404C"/>'
                 % (cx + RING * math.cos(a), cy + RING * math.sin(a)))
    s.append('<circle cx="%d" cy="%d" r="52" fill="url(#cap)" stroke="#2A303A"/>' % (cx, cy))
    s.append(mark(cx, cy, 16, "#343A46"))
    # Microphone boom from the bottom of the near cup.
    s.append('<path d="M92 268 C70 300 40 304 24 292" fill="none" stroke="#0A0B0E" stroke-width="9" '
             'stroke-linecap="round"/>')
    s.append('<path d="M92 268 C70 300 40 304 24 292" fill="none" stroke="#2C313B" stroke-width="6" '
             'stroke-linecap="round"/>')
    s.append('<ellipse cx="22" cy="290" rx="10" ry="8" fill="#1A1D23" stroke="#3A414E"/>')
    s.append('<circle cx="22" cy="290" r="2" fill="#E8364F"/>')
    s.append("</svg>")
    return "\n".join(s) + "\n"


# ---------------------------------------------------------------- common


def svg_head(w, h):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<!-- Generated by tools/skin/make_device_pictures.py; edit the script, not this file. -->\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' % (w, h, w, h))


def text(x, y, t, size, colour, weight="600", extra=""):
    from xml.sax.saxutils import escape
    return ('<text x="%.1f" y="%.1f" font-family="%s" font-size="%.1f" font-weight="%s" fill="%s" '
            'text-anchor="middle" %s>%s</text>' % (x, y, FONT, size, weight, colour, extra, escape(t)))


def mark(cx, cy, r, colour):
    """The brand mark, unlit."""
    return ('<path d="M%.1f %.1f a%.1f %.1f 0 1 0 %.1f %.1f l%.1f %.1f" fill="none" stroke="%s" '
            'stroke-width="%.1f" stroke-linecap="round"/>'
            % (cx, cy - r, r, r, r * 0.71, r * 0.71 + r, r * 0.33, r * 0.33, colour, max(1.5, r * 0.22)))


def check(parts, w, h, what):
    rects = [p[1] for p in parts]
    for i, a in enumerate(rects):
        if a[0] < 0 or a[1] < 0 or a[2] > w or a[3] > h:
            sys.exit("%s: %s lies outside the picture" % (what, parts[i][0]))
        for j in range(i):
            c = rects[j]
            if a[0] < c[2] and c[0] < a[2] and a[1] < c[3] and c[1] < a[3]:
                sys.exit("%s: %s and %s overlap" % (what, parts[i][0], parts[j][0]))


def buttons(parts, ox, oy, indent):
    return "\n".join(indent + button(n, r, ox, oy, u, li, k) for n, r, u, li, k in parts)


MOUSE_LAYOUT = """<?xml version="1.0" encoding="utf-8"?>
<!-- The mouse page. The picture's buttons are generated with the picture by
     tools/skin/make_device_pictures.py: change the script and run it again. -->
<Window>
  <NorvalisMouseDevice name="mouse_device">
    <TabLayout name="mouse_device_seting_layout">
      <SelectPanel name="mouse_device_key_light" bkimage="file='device/mouse/mouse.svg' dest='{l},{t},{r},{b}'">
{buttons}
      </SelectPanel>
    </TabLayout>
  </NorvalisMouseDevice>
</Window>
"""

CENTRED_LAYOUT = """<?xml version="1.0" encoding="utf-8"?>
<!-- The {what} page. The picture's buttons are generated with the picture by
     tools/skin/make_device_pictures.py: change the script and run it again. -->
<Window>
  <{tag} name="{prefix}_device">
    <VerticalLayout name="{prefix}_page" inset="0,24,0,0" childpadding="12">
      <HorizontalLayout height="{h}">
        <Control/>
        <SelectPanel name="{prefix}_device_key_light" width="{w}" height="{h}" bkimage="device/{folder}/{folder}.svg">
{buttons}
        </SelectPanel>
        <Control/>
      </HorizontalLayout>
      <Control/>
    </VerticalLayout>
  </{tag}>
</Window>
"""


def write(root, rel, content):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(content)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    mp = mouse_parts()
    check(mp, MW, MH, "mouse")
    ox, oy = 40, 24
    write(root, "skin/device/mouse/mouse.svg", mouse_svg())
    write(root, "skin/XML/DeviceXml/mousedevice.xml",
          MOUSE_LAYOUT.format(l=ox, t=oy, r=ox + MW, b=oy + MH, buttons=buttons(mp, ox, oy, "        ")))

    pp = pad_parts()
    check(pp, PW, PH, "mousepad")
    write(root, "skin/device/mousepad/mousepad.svg", pad_svg())
    write(root, "skin/XML/DeviceXml/mousepaddevice.xml",
          CENTRED_LAYOUT.format(what="mousepad", tag="NorvalisMousePadDevice", prefix="mousepad", folder="mousepad",
                                w=PW, h=PH, buttons=buttons(pp, 0, 0, "          ")))

    hp = headset_parts()
    check(hp, HW, HH, "headset")
    write(root, "skin/device/headset/headset.svg", headset_svg())
    write(root, "skin/XML/DeviceXml/do6533device.xml",
          CENTRED_LAYOUT.format(what="headset", tag="NorvalisDO6533Device", prefix="do6533", folder="headset",
                                w=HW, h=HH, buttons=buttons(hp, 0, 0, "          ")))
    print("mouse %d parts, mousepad %d, headset %d" % (len(mp), len(pp), len(hp)))


if __name__ == "__main__":
    main()
