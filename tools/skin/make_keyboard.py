#!/usr/bin/env python3
"""Draws the keyboard picture and writes the keyboard page's key buttons.

One geometry table below gives every key's position (in key units), its
legends and the text id of its name. From it the script writes
  skin/device/keyboard/keyboard.svg      the picture: case, plate, key caps
  skin/XML/DeviceXml/keyboarddevice.xml  the page, with one DeviceKeyButton
                                         "key_<n>" (user data "light_<n>")
                                         exactly over each cap
so the buttons can never drift from the caps they cover.

Run from the repository root: python3 tools/skin/make_keyboard.py
"""
import os
import sys
from xml.sax.saxutils import escape, quoteattr

U = 30            # key pitch in pixels (96 dpi)
ML, MT = 18, 40   # case border left and top (the top holds the name plate)
MR, MB = 18, 20
X0 = 1.5          # main block, right of the macro column
NX = X0 + 15.25   # navigation block
PX = NX + 3.25    # number pad
R = [0, 1.5, 2.5, 3.5, 4.5, 5.5]  # row tops

# Cap styles: "alpha" letters and numbers, "mod" modifiers and function keys,
# "accent" Esc and the macro keys, "intl" the language keys.
# (position, x, y, width, height, style, legends, text id)
# legends: "A" (one centred), "top§bottom" (two stacked), "@icon" (drawn)
KEYS = []


def key(pos, x, y, w, legend, tid, style="alpha", h=1.0):
    KEYS.append((pos, x, y, w, h, style, legend, tid))


def build_table():
    # Function row
    key(0, X0, R[0], 1, "Esc", "keyboard_key_Esc", "accent")
    fx = [X0 + 2, X0 + 3, X0 + 4, X0 + 5, X0 + 6.5, X0 + 7.5, X0 + 8.5, X0 + 9.5,
          X0 + 11, X0 + 12, X0 + 13, X0 + 14]
    for i, x in enumerate(fx):
        key(1 + i, x, R[0], 1, "F%d" % (i + 1), "keyboard_key_F%d" % (i + 1), "mod")
    key(13, NX, R[0], 1, "PrtSc", "keyboard_key_Print Scr", "mod")
    key(14, NX + 1, R[0], 1, "ScrLk", "keyboard_key_Scroll Lock", "mod")
    key(15, NX + 2, R[0], 1, "Pause", "keyboard_key_Pause", "mod")
    media = [(16, "GM", "keyboard_key_GM"), (17, "@calc", "keyboard_key_Launch App2"),
             (18, "@mute", "keyboard_key_Volume Mute"), (19, "@voldown", "keyboard_key_Volume Down"),
             (20, "@volup", "keyboard_key_Volume Up")]
    for i, (pos, lg, tid) in enumerate(media):
        key(pos, PX + i * 0.8, R[0], 0.8, lg, tid, "media")

    # Number row
    key(21, X0, R[1], 1, "~§`", "keyboard_key_`")
    shifted = "!@#$%^&*()"
    for i in range(10):
        digit = "1234567890"[i]
        key(22 + i, X0 + 1 + i, R[1], 1, shifted[i] + "§" + digit, "keyboard_key_" + digit)
    key(32, X0 + 11, R[1], 1, "_§-", "keyboard_key_-")
    key(33, X0 + 12, R[1], 1, "+§=", "keyboard_key_=")
    key(101, X0 + 13, R[1], 1, "|§¥", "keyboard_key_K14")
    key(34, X0 + 14, R[1], 1, "@backspace", "keyboard_key_BackSpace", "mod")
    key(35, NX, R[1], 1, "Ins", "keyboard_key_Insert", "mod")
    key(36, NX + 1, R[1], 1, "Home", "keyboard_key_Home", "mod")
    key(37, NX + 2, R[1], 1, "PgUp", "keyboard_key_Page Up", "mod")
    key(38, PX, R[1], 1, "Num", "keyboard_key_Num Lock", "mod")
    key(39, PX + 1, R[1], 1, "/", "keyboard_key_Num /", "mod")
    key(40, PX + 2, R[1], 1, "*", "keyboard_key_Num *", "mod")
    key(41, PX + 3, R[1], 1, "−", "keyboard_key_Num -", "mod")

    # Top letter row
    key(42, X0, R[2], 1.5, "Tab", "keyboard_key_Tab", "mod")
    for i, c in enumerate("QWERTYUIOP"):
        key(43 + i, X0 + 1.5 + i, R[2], 1, c, "keyboard_key_" + c)
    key(53, X0 + 11.5, R[2], 1, "{§[", "keyboard_key_[")
    key(54, X0 + 12.5, R[2], 1, "}§]", "keyboard_key_]")
    key(55, X0 + 13.5, R[2], 1.5, "|§\\", "keyboard_key_xiegang")
    key(56, NX, R[2], 1, "Del", "keyboard_key_Delete", "mod")
    key(57, NX + 1, R[2], 1, "End", "keyboard_key_End", "mod")
    key(58, NX + 2, R[2], 1, "PgDn", "keyboard_key_Page Down", "mod")
    key(59, PX, R[2], 1, "7§Home", "keyboard_key_Num 7", "pad")
    key(60, PX + 1, R[2], 1, "8§↑", "keyboard_key_Num 8", "pad")
    key(61, PX + 2, R[2], 1, "9§PgUp", "keyboard_key_Num 9", "pad")
    key(119, PX + 3, R[2], 1, "+", "keyboard_key_Num +", "mod")

    # Home row
    key(63, X0, R[3], 1.75, "Caps Lock", "keyboard_key_Caplk", "mod")
    for i, c in enumerate("ASDFGHJKL"):
        key(64 + i, X0 + 1.75 + i, R[3], 1, c, "keyboard_key_" + c)
    key(73, X0 + 10.75, R[3], 1, ":§;", "keyboard_key_;")
    key(74, X0 + 11.75, R[3], 1, "\"§'", "keyboard_key_'")
    key(62, X0 + 12.75, R[3], 1, "~§#", "keyboard_key_K42")
    key(75, X0 + 13.75, R[3], 1.25, "Enter", "keyboard_key_Enter", "mod")
    key(79, NX, R[3], 1, "無変換", "keyboard_key_K132", "intl")
    key(80, NX + 1, R[3], 1, "変換", "keyboard_key_K131", "intl")
    key(83, NX + 2, R[3], 1, "かな", "keyboard_key_K133", "intl")
    key(76, PX, R[3], 1, "4§←", "keyboard_key_Num 4", "pad")
    key(77, PX + 1, R[3], 1, "5", "keyboard_key_Num 5", "pad")
    key(78, PX + 2, R[3], 1, "6§→", "keyboard_key_Num 6", "pad")
    key(103, PX + 3, R[3], 1, ",", "keyboard_key_K107", "mod")

    # Bottom letter row
    key(84, X0, R[4], 1.25, "Shift", "keyboard_key_LShift", "mod")
    key(102, X0 + 1.25, R[4], 1, "|§\\", "keyboard_key_K45")
    for i, c in enumerate("ZXCVBNM"):
        key(85 + i, X0 + 2.25 + i, R[4], 1, c, "keyboard_key_" + c)
    key(92, X0 + 9.25, R[4], 1, "<§,", "keyboard_key_<")
    key(93, X0 + 10.25, R[4], 1, ">§.", "keyboard_key_.")
    key(94, X0 + 11.25, R[4], 1, "?§/", "keyboard_key_/")
    key(100, X0 + 12.25, R[4], 1, "_§ろ", "keyboard_key_K56")
    key(95, X0 + 13.25, R[4], 1.75, "Shift", "keyboard_key_RShift", "mod")
    key(81, NX, R[4], 1, "한/영", "keyboard_key_K151", "intl")
    key(96, NX + 1, R[4], 1, "↑", "keyboard_key_Up", "mod")
    key(82, NX + 2, R[4], 1, "한자", "keyboard_key_K150", "intl")
    key(97, PX, R[4], 1, "1§End", "keyboard_key_Num 1", "pad")
    key(98, PX + 1, R[4], 1, "2§↓", "keyboard_key_Num 2", "pad")
    key(99, PX + 2, R[4], 1, "3§PgDn", "keyboard_key_Num 3", "pad")
    key(118, PX + 3, R[4], 1, "Enter", "keyboard_key_Num Enter", "mod", h=2)

    # Space row
    key(105, X0, R[5], 1.25, "Ctrl", "keyboard_key_LCtrl", "mod")
    key(106, X0 + 1.25, R[5], 1.25, "@win", "keyboard_key_LWin", "mod")
    key(107, X0 + 2.5, R[5], 1.25, "Alt", "keyboard_key_LAlt", "mod")
    key(108, X0 + 3.75, R[5], 6.25, "", "keyboard_key_Space")
    key(109, X0 + 10, R[5], 1, "Alt", "keyboard_key_RAlt", "mod")
    key(125, X0 + 11, R[5], 1, "@win", "keyboard_key_RWin", "mod")
    key(110, X0 + 12, R[5], 1, "Fn", "keyboard_key_FN", "accent")
    key(111, X0 + 13, R[5], 1, "@menu", "keyboard_key_App", "mod")
    key(112, X0 + 14, R[5], 1, "Ctrl", "keyboard_key_RCtrl", "mod")
    key(113, NX, R[5], 1, "←", "keyboard_key_Left", "mod")
    key(114, NX + 1, R[5], 1, "↓", "keyboard_key_Down", "mod")
    key(115, NX + 2, R[5], 1, "→", "keyboard_key_Right", "mod")
    key(116, PX, R[5], 2, "0§Ins", "keyboard_key_Num 0", "pad")
    key(117, PX + 2, R[5], 1, ".§Del", "keyboard_key_Decimal", "pad")

    # Macro column
    for i in range(5):
        key(120 + i, 0, R[1 + i], 1, "M%d" % (i + 1), "keyboard_key_M%d" % (i + 1), "accent")


WIDTH = int(ML + (PX + 4) * U + MR)
HEIGHT = int(MT + (R[5] + 1) * U + MB)
FONT = "Noto Sans, Noto Sans CJK JP, Noto Sans CJK KR, sans-serif"


def cell(x, y, w, h):
    """Pixel rectangle of a key's footprint: left, top, right, bottom."""
    l = ML + x * U
    t = MT + y * U
    return l, t, l + w * U, t + h * U


def button_rect(k):
    _, x, y, w, h, *_ = k
    l, t, r, b = cell(x, y, w, h)
    return int(round(l)) + 1, int(round(t)) + 1, int(round(r)) - 1, int(round(b)) - 1


CAP = {
    # skirt, top gradient (upper, lower), legend, sub-legend
    "alpha": ("#07080B", "#2C313B", "#1F232B", "#E4E7ED", "#8E96A5"),
    "pad": ("#07080B", "#2C313B", "#1F232B", "#E4E7ED", "#7E8695"),
    "mod": ("#060709", "#22262E", "#181B21", "#C9CED8", "#7E8695"),
    "media": ("#060709", "#22262E", "#181B21", "#C9CED8", "#7E8695"),
    "intl": ("#060709", "#242A33", "#1A1E25", "#B9C3D3", "#7E8695"),
    "accent": ("#060709", "#2B2023", "#1E1719", "#FF5A70", "#9AA3B2"),
}


def icon(name, cx, cy, colour):
    s = []
    if name == "win":
        for dx, dy in ((-4.2, -4.2), (0.6, -4.2), (-4.2, 0.6), (0.6, 0.6)):
            s.append('<rect x="%.1f" y="%.1f" width="3.6" height="3.6" rx="0.4" fill="%s"/>'
                     % (cx + dx, cy + dy, colour))
    elif name == "menu":
        s.append('<rect x="%.1f" y="%.1f" width="9" height="10" rx="1.2" fill="none" stroke="%s" '
                 'stroke-width="1.1"/>' % (cx - 4.5, cy - 5, colour))
        for i in range(3):
            s.append('<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s" stroke-width="1"/>'
                     % (cx - 2.5, cy - 2.2 + i * 2.3, cx + 2.5, cy - 2.2 + i * 2.3, colour))
    elif name == "backspace":
        s.append('<path d="M%.1f %.1f h9 v8 h-9 l-4 -4 z" fill="none" stroke="%s" stroke-width="1.2" '
                 'stroke-linejoin="round"/>' % (cx - 3, cy - 4, colour))
        s.append('<path d="M%.1f %.1f l3 3 M%.1f %.1f l-3 3" stroke="%s" stroke-width="1.1"/>'
                 % (cx, cy - 1.5, cx + 3, cy - 1.5, colour))
    elif name == "calc":
        s.append('<rect x="%.1f" y="%.1f" width="8" height="10" rx="1.2" fill="none" stroke="%s" '
                 'stroke-width="1.1"/>' % (cx - 4, cy - 5, colour))
        s.append('<rect x="%.1f" y="%.1f" width="5" height="2" fill="%s"/>' % (cx - 2.5, cy - 3.3, colour))
        for i in range(2):
            for j in range(3):
                s.append('<rect x="%.1f" y="%.1f" width="1.4" height="1.4" fill="%s"/>'
                         % (cx - 2.4 + j * 1.9, cy + 0.2 + i * 2, colour))
    elif name in ("mute", "voldown", "volup"):
        s.append('<path d="M%.1f %.1f h2.4 l3.2 -2.8 v9.6 l-3.2 -2.8 h-2.4 z" fill="%s"/>'
                 % (cx - 5, cy - 2, colour))
        if name == "mute":
            s.append('<path d="M%.1f %.1f l3.4 3.4 M%.1f %.1f l-3.4 3.4" stroke="%s" stroke-width="1.1"/>'
                     % (cx + 1.6, cy - 1.7, cx + 5, cy - 1.7, colour))
        else:
            s.append('<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s" stroke-width="1.2"/>'
                     % (cx + 1.6, cy, cx + 5.2, cy, colour))
            if name == "volup":
                s.append('<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s" stroke-width="1.2"/>'
                         % (cx + 3.4, cy - 1.8, cx + 3.4, cy + 1.8, colour))
    return "".join(s)


def text(x, y, t, size, colour, anchor="middle", weight="500"):
    return ('<text x="%.1f" y="%.1f" font-family="%s" font-size="%.1f" font-weight="%s" fill="%s" '
            'text-anchor="%s">%s</text>' % (x, y, FONT, size, weight, colour, anchor, escape(t)))


def draw_key(k):
    pos, x, y, w, h, style, legend, _ = k
    l, t, r, b = cell(x, y, w, h)
    skirt, top_hi, top_lo, ink, sub = CAP[style]
    out = []
    # Skirt: the cap's sloped sides, seen from above.
    out.append('<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" rx="4" fill="url(#skirt)"/>'
               % (l + 1.5, t + 1.5, r - l - 3, b - t - 3))
    out.append('<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" rx="4" fill="none" stroke="%s" '
               'stroke-width="1"/>' % (l + 1.5, t + 1.5, r - l - 3, b - t - 3, skirt))
    # Top face, dished towards the typist: a little lower edge left over.
    tl, tt, tr, tb = l + 4, t + 3, r - 4, b - 6
    grad = "top_" + style
    out.append('<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" rx="3" fill="url(#%s)"/>'
               % (tl, tt, tr - tl, tb - tt, grad))
    out.append('<path d="M%.1f %.1f h%.1f" stroke="#FFFFFF" stroke-opacity="0.09" stroke-width="1"/>'
               % (tl + 3, tt + 0.5, tr - tl - 6))
    cx = (tl + tr) / 2
    cy = (tt + tb) / 2
    if legend.startswith("@") and "§" not in legend:
        out.append(icon(legend[1:], cx, cy, ink))
    elif "§" in legend:
        up, low = legend.split("§", 1)
        if style == "pad":
            out.append(text(cx, cy + 1.5, up, 9.5, ink))
            out.append(text(cx, tb - 1.5, low, 5.5, sub))
        else:
            out.append(text(cx, cy - 0.5, up, 7.5, sub))
            out.append(text(cx, tb - 2, low, 8.5, ink))
    elif legend:
        n = len(legend)
        cjk = any(ord(c) > 0x2000 and c not in "←↑→↓−" for c in legend)
        if cjk:
            size = 7.5 if n <= 2 else 6
        elif n == 1:
            size = 10
        elif n <= 3:
            size = 7.5
        elif n <= 5:
            size = 6.3
        else:
            size = 6
        if style in ("mod", "accent", "intl", "media") and w >= 1.25 and not cjk:
            out.append(text(tl + 3, tb - 3, legend, size, ink, "start"))
        else:
            out.append(text(cx, cy + size * 0.36, legend, size, ink))
    return "\n".join(out)


def svg():
    s = ['<?xml version="1.0" encoding="UTF-8"?>',
         '<!-- Generated by tools/skin/make_keyboard.py; edit the script, not this file. -->',
         '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
         % (WIDTH, HEIGHT, WIDTH, HEIGHT),
         '<defs>',
         '<linearGradient id="case" x1="0" y1="0" x2="0" y2="1">'
         '<stop offset="0" stop-color="#272C36"/><stop offset="0.08" stop-color="#1A1E25"/>'
         '<stop offset="1" stop-color="#101217"/></linearGradient>',
         '<linearGradient id="plate" x1="0" y1="0" x2="0" y2="1">'
         '<stop offset="0" stop-color="#07080A"/><stop offset="1" stop-color="#0C0E12"/></linearGradient>',
         '<linearGradient id="skirt" x1="0" y1="0" x2="0" y2="1">'
         '<stop offset="0" stop-color="#171A20"/><stop offset="1" stop-color="#0B0C10"/></linearGradient>',
         '<linearGradient id="rim" x1="0" y1="0" x2="1" y2="0">'
         '<stop offset="0" stop-color="#E8364F" stop-opacity="0"/><stop offset="0.5" stop-color="#E8364F"/>'
         '<stop offset="1" stop-color="#E8364F" stop-opacity="0"/></linearGradient>']
    for style, (_, hi, lo, _, _) in CAP.items():
        s.append('<linearGradient id="top_%s" x1="0" y1="0" x2="0" y2="1">'
                 '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
                 % (style, hi, lo))
    s.append('</defs>')
    # Case with a bevelled edge and a soft shadow line under it.
    s.append('<rect x="1" y="3" width="%d" height="%d" rx="16" fill="#000000" fill-opacity="0.35"/>'
             % (WIDTH - 2, HEIGHT - 3))
    s.append('<rect x="0.5" y="0.5" width="%d" height="%d" rx="16" fill="url(#case)" stroke="#333A46"/>'
             % (WIDTH - 1, HEIGHT - 4))
    s.append('<rect x="3" y="3" width="%d" height="%d" rx="14" fill="none" stroke="#FFFFFF" '
             'stroke-opacity="0.04"/>' % (WIDTH - 6, HEIGHT - 9))
    # Name plate and lock lights.
    s.append(text(ML + 4, 26, "QUILLON", 13, "#E9ECF2", "start", "700").replace(
        "<text ", '<text letter-spacing="3" '))
    s.append('<rect x="%d" y="31" width="60" height="2" fill="#E8364F" rx="1"/>' % (ML + 4))
    for i, label in enumerate(("NUM", "CAPS", "SCROLL", "WIN")):
        lx = ML + (PX - 0.6) * U + i * 34
        s.append('<circle cx="%.1f" cy="17" r="2.2" fill="#2BC4F0" fill-opacity="%s"/>'
                 % (lx + 3, "0.85" if i == 0 else "0.18"))
        s.append(text(lx + 8, 19.5, label, 6, "#7E8695", "start", "600"))
    # Recessed plate behind each key block.
    blocks = [(0, R[1], 1, 5), (X0, R[0], 15, 1), (X0, R[1], 15, 5), (NX, R[0], 3, 1),
              (NX, R[1], 3, 5), (PX, R[0], 4, 1), (PX, R[1], 4, 5)]
    for bx, by, bw, bh in blocks:
        l, t, r, b = cell(bx, by, bw, bh)
        s.append('<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" rx="5" fill="url(#plate)" '
                 'stroke="#000000" stroke-opacity="0.6"/>' % (l - 2, t - 2, r - l + 4, b - t + 4))
    for k in KEYS:
        s.append(draw_key(k))
    # Front edge light bar.
    s.append('<rect x="%d" y="%d" width="%d" height="2" rx="1" fill="url(#rim)" fill-opacity="0.8"/>'
             % (WIDTH // 4, HEIGHT - 9, WIDTH // 2))
    s.append('</svg>')
    return "\n".join(s) + "\n"


def layout():
    lines = []
    for k in sorted(KEYS, key=lambda k: k[0]):
        pos, tid = k[0], k[7]
        l, t, r, b = button_rect(k)
        lines.append('        <DeviceKeyButton name="key_%d" userdata="light_%d" float="true" pos="%d,%d,%d,%d" '
                     'tooltip=%s resourcetext="true" style="kb_key"/>'
                     % (pos, pos, l, t, r, b, quoteattr(tid)))
    return TEMPLATE.format(width=WIDTH, height=HEIGHT, buttons="\n".join(lines))


TEMPLATE = """<?xml version="1.0" encoding="utf-8"?>
<!-- The keyboard page. The key buttons are generated with the picture by
     tools/skin/make_keyboard.py: change the script and run it again. -->
<Window>
  <Style name="kb_key" value="cursor=&quot;hand&quot; hotimage=&quot;file='device/keyboard/key_hot.svg' corner='8,8,8,8'&quot; lightimage=&quot;file='device/keyboard/key_light.svg' corner='9,9,9,9'&quot; keyunsetimage=&quot;file='device/keyboard/key_selected.svg' corner='9,9,9,9'&quot; keysetimage=&quot;file='device/keyboard/key_reassigned.svg' corner='2,14,14,2'&quot;"/>
  <NorvalisKeyboardDevice name="keyboard_device">
    <VerticalLayout name="keyboard_page" inset="0,16,0,0" childpadding="12">
      <HorizontalLayout height="{height}">
        <Control/>
        <SelectPanel name="keyboard_device_key_light" width="{width}" height="{height}" bkimage="device/keyboard/keyboard.svg">
{buttons}
        </SelectPanel>
        <Control/>
      </HorizontalLayout>
      <TabLayout name="device_function_switch">
        <VerticalLayout name="keyboard_light_page"/>
        <VerticalLayout name="keyboard_key_page"/>
        <VerticalLayout name="keyboard_macro_page"/>
        <VerticalLayout name="keyboard_system_page"/>
      </TabLayout>
    </VerticalLayout>
  </NorvalisKeyboardDevice>
</Window>
"""


def main():
    build_table()
    positions = sorted(k[0] for k in KEYS)
    expected = [p for p in range(126) if p != 104]
    if positions != expected:
        sys.exit("make_keyboard: positions are not 0..125 without 104")
    rects = [button_rect(k) for k in KEYS]
    for i, a in enumerate(rects):
        for j in range(i):
            c = rects[j]
            if a[0] < c[2] and c[0] < a[2] and a[1] < c[3] and c[1] < a[3]:
                sys.exit("make_keyboard: keys %d and %d overlap" % (KEYS[i][0], KEYS[j][0]))
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(os.path.join(root, "skin/device/keyboard"), exist_ok=True)
    os.makedirs(os.path.join(root, "skin/XML/DeviceXml"), exist_ok=True)
    with open(os.path.join(root, "skin/device/keyboard/keyboard.svg"), "w", encoding="utf-8") as f:
        f.write(svg())
    with open(os.path.join(root, "skin/XML/DeviceXml/keyboarddevice.xml"), "w", encoding="utf-8") as f:
        f.write(layout())
    print("keyboard: %dx%d, %d keys" % (WIDTH, HEIGHT, len(KEYS)))


if __name__ == "__main__":
    main()
