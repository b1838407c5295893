#!/usr/bin/env python3
"""Generates the program's pictures and sounds (all simple and original) into a folder:
icons, skin bitmaps, the toolbar strip, brand pictures for Data/PageRes.dll, the two connection
sounds, and the PNG pictures of the HTML pages. Standard library only, so the output is the same
on every machine."""
import math
import os
import struct
import sys
import wave
import zlib

OUT = sys.argv[1] if len(sys.argv) > 1 else "."
HTML_SRC = sys.argv[2] if len(sys.argv) > 2 else None  # UTF-8 pages and style sheets


class Canvas:
    def __init__(self, w, h, bg=(255, 255, 255, 255)):
        self.w, self.h = w, h
        self.px = [list(bg) for _ in range(w * h)]

    def put(self, x, y, c, cover=1.0):
        if 0 <= x < self.w and 0 <= y < self.h and cover > 0:
            p = self.px[y * self.w + x]
            a = (c[3] / 255.0) * min(cover, 1.0)
            for i in range(3):
                p[i] = int(round(p[i] * (1 - a) + c[i] * a))
            p[3] = max(p[3], int(round(255 * a)))

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, c)

    def round_rect(self, x0, y0, x1, y1, r, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                cx = min(max(x + 0.5, x0 + r), x1 - r)
                cy = min(max(y + 0.5, y0 + r), y1 - r)
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                self.put(x, y, c, r - d + 0.5 if d > r - 0.5 else 1.0)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                self.put(x, y, c, r - d + 0.5)

    def ring(self, cx, cy, r, width, c, a0=0.0, a1=360.0):
        for y in range(int(cy - r - 2), int(cy + r + 3)):
            for x in range(int(cx - r - 2), int(cx + r + 3)):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                ang = math.degrees(math.atan2(-dy, dx)) % 360
                if not (a0 <= ang <= a1):
                    continue
                d = abs(math.hypot(dx, dy) - r)
                self.put(x, y, c, width / 2 - d + 0.5)

    def line(self, x0, y0, x1, y1, width, c):
        minx, maxx = int(min(x0, x1) - width), int(max(x0, x1) + width) + 1
        miny, maxy = int(min(y0, y1) - width), int(max(y0, y1) + width) + 1
        lx, ly = x1 - x0, y1 - y0
        ll = lx * lx + ly * ly or 1
        for y in range(miny, maxy):
            for x in range(minx, maxx):
                px, py = x + 0.5 - x0, y + 0.5 - y0
                t = max(0, min(1, (px * lx + py * ly) / ll))
                d = math.hypot(px - t * lx, py - t * ly)
                self.put(x, y, c, width / 2 - d + 0.5)

    def bgra_rows_bottom_up(self):
        out = bytearray()
        for y in range(self.h - 1, -1, -1):
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                out += bytes((b, g, r, a))
        return bytes(out)


def write_bmp24(path, cv):
    row = (cv.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(cv.h - 1, -1, -1):
        line = bytearray()
        for x in range(cv.w):
            r, g, b, _ = cv.px[y * cv.w + x]
            line += bytes((b, g, r))
        data += line + b"\0" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_ico(path, canvases):
    entries, blobs = [], []
    offset = 6 + 16 * len(canvases)
    for cv in canvases:
        mask_row = ((cv.w + 31) // 32) * 4
        blob = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        blob += cv.bgra_rows_bottom_up() + b"\0" * (mask_row * cv.h)
        entries.append(struct.pack("<BBBBHHII", cv.w % 256, cv.h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(canvases)) + b"".join(entries) + b"".join(blobs))


def write_png(path, cv):
    raw = bytearray()
    for y in range(cv.h):
        raw.append(0)
        for x in range(cv.w):
            raw += bytes(cv.px[y * cv.w + x])

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", cv.w, cv.h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_gif(path, cv, background=(255, 255, 255)):
    """A GIF89a of the canvas: partly covered pixels are blended onto background (the page's own
    colour), uncovered ones are transparent. The LZW stream sends every pixel as a literal and
    clears the table before it grows past 9-bit codes: larger, but valid for any decoder."""
    pixels, colours = [], {}
    for r, g, b, a in cv.px:
        if a == 0:
            pixels.append(None)
            continue
        f = a / 255.0
        rgb = tuple(int(round(c * f + bg * (1 - f))) for c, bg in zip((r, g, b), background))
        pixels.append(rgb)
        colours.setdefault(rgb, 0)
    shift = 0
    while len({tuple(c >> shift << shift for c in rgb) for rgb in colours}) > 255:
        shift += 1
    quant = [None if p is None else tuple(c >> shift << shift for c in p) for p in pixels]
    palette = sorted({p for p in quant if p is not None})
    transparent = len(palette)
    index = {rgb: i for i, rgb in enumerate(palette)}
    depth = max(1, (len(palette)).bit_length())  # room for the transparent index
    table = palette + [(0, 0, 0)] * ((1 << depth) - len(palette))
    indices = [transparent if p is None else index[p] for p in quant]

    min_size = max(2, depth)
    clear, end = 1 << min_size, (1 << min_size) + 1
    width = min_size + 1
    room = (1 << width) - end - 3  # literals after a clear before the decoder's table widens
    bits = nbits = 0
    data = bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    for i, px in enumerate(indices):
        if i % room == 0:
            emit(clear)
        emit(px)
    emit(end)
    if nbits:
        data.append(bits & 0xFF)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255]) for i in range(0, len(data), 255))
    gif = b"GIF89a" + struct.pack("<HHBBB", cv.w, cv.h, 0x80 | (depth - 1), 0, 0)
    gif += b"".join(bytes(c) for c in table)
    gif += b"\x21\xf9\x04\x01\x00\x00" + bytes([transparent]) + b"\x00"  # transparency
    gif += b"\x2c" + struct.pack("<HHHHB", 0, 0, cv.w, cv.h, 0)
    gif += bytes([min_size]) + blocks + b"\x00\x3b"
    with open(path, "wb") as f:
        f.write(gif)


BLUE = (33, 110, 196, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)


def app_icon(size):
    # A blue rounded square holding a white phone with a green link dot.
    cv = Canvas(size, size, CLEAR)
    s = size / 32.0
    cv.round_rect(0, 0, size, size, 6 * s, BLUE)
    cv.round_rect(int(10 * s), int(5 * s), int(22 * s), int(27 * s), 2.5 * s, WHITE)
    cv.rect(int(12 * s), int(8 * s), int(20 * s), int(21 * s), (120, 180, 240, 255))
    cv.disc(16 * s, 24 * s, 1.3 * s, BLUE)
    cv.disc(25 * s, 25 * s, 4 * s, (40, 170, 60, 255))
    return cv


def usb_icon():
    cv = Canvas(32, 32, CLEAR)
    c = (60, 60, 60, 255)
    cv.line(16, 4, 16, 26, 2.4, c)
    cv.disc(16, 27, 3, c)
    cv.line(16, 18, 9, 12, 2, c)
    cv.disc(9, 11, 2.3, c)
    cv.line(16, 14, 23, 9, 2, c)
    cv.rect(21, 6, 26, 11, c)
    cv.line(12, 6, 16, 1, 2, c)
    cv.line(20, 6, 16, 1, 2, c)
    return cv


def wifi_icon():
    cv = Canvas(32, 32, CLEAR)
    c = (33, 110, 196, 255)
    cv.disc(16, 26, 2.6, c)
    for r in (8, 14, 20):
        cv.ring(16, 27, r, 2.6, c, 45, 135)
    return cv


def header_bitmap():
    cv = Canvas(256, 88)
    for y in range(88):
        t = y / 87.0
        col = (int(28 + 30 * t), int(96 + 40 * t), int(180 + 30 * t), 255)
        cv.rect(0, y, 256, y + 1, col)
    # soft diagonal bands
    for x0 in range(-88, 256, 48):
        cv.line(x0, 88, x0 + 88, 0, 10, (255, 255, 255, 14))
    return cv


def toolbar_strip():
    # Four 20 x 20 cells on magenta (the transparent colour): reload, add, folder, cross.
    cv = Canvas(80, 20, (255, 0, 255, 255))
    g = (33, 110, 196, 255)
    cv.ring(10, 10, 6, 2.2, g, 40, 340)
    cv.line(16, 4, 16, 9, 2, g)
    cv.line(12, 8, 16, 9, 2, g)
    cv.line(30, 4, 30, 16, 2.6, (40, 150, 60, 255))
    cv.line(24, 10, 36, 10, 2.6, (40, 150, 60, 255))
    cv.rect(43, 6, 49, 9, (220, 170, 40, 255))
    cv.rect(43, 8, 57, 16, (240, 190, 60, 255))
    cv.line(64, 4, 76, 16, 2.6, (200, 50, 50, 255))
    cv.line(76, 4, 64, 16, 2.6, (200, 50, 50, 255))
    return cv


BRAND_COLOURS = [
    (40, 150, 70), (120, 120, 120), (30, 90, 170), (200, 60, 50), (90, 90, 200), (60, 60, 60),
    (220, 40, 40), (30, 130, 200), (50, 50, 150), (20, 70, 160), (0, 60, 140), (30, 30, 120),
    (200, 20, 60), (120, 180, 40), (30, 120, 220), (110, 170, 30),
]


def brand_picture(index):
    # A phone in the brand's colour with a marker of dots (index + 1 in binary) under the screen.
    cv = Canvas(48, 48)
    col = BRAND_COLOURS[index] + (255,)
    cv.round_rect(2, 2, 46, 46, 8, (240, 244, 250, 255))
    cv.round_rect(14, 4, 34, 44, 4, col)
    cv.rect(17, 8, 31, 33, (230, 240, 252, 255))
    n = index + 1
    for bit in range(5):
        on = (n >> bit) & 1
        cv.disc(17 + bit * 3.5, 38, 1.2, WHITE if on else (0, 0, 0, 90))
    return cv


def tone(path, freqs, seconds_each, volume=0.35):
    rate = 22050
    frames = bytearray()
    for f in freqs:
        n = int(rate * seconds_each)
        for i in range(n):
            t = i / rate
            env = min(1.0, i / 300.0) * math.exp(-4.0 * t / seconds_each)
            v = volume * env * (math.sin(2 * math.pi * f * t) + 0.3 * math.sin(4 * math.pi * f * t))
            frames += struct.pack("<h", int(max(-1, min(1, v)) * 32767))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def html_pictures():
    logo = Canvas(40, 40, CLEAR)
    logo.px = app_icon(40).px
    write_png(os.path.join(OUT, "logo.png"), logo)
    # A phone outline for the dashboard's screenshot box.
    ph = Canvas(120, 200, CLEAR)
    ph.round_rect(0, 0, 120, 200, 14, (60, 64, 72, 255))
    ph.rect(8, 20, 112, 176, (210, 226, 246, 255))
    ph.disc(60, 188, 6, (120, 124, 132, 255))
    write_png(os.path.join(OUT, "phone.png"), ph)
    dot = Canvas(8, 8, CLEAR)
    dot.disc(4, 4, 3, BLUE)
    write_png(os.path.join(OUT, "dot.png"), dot)
    avatar = Canvas(64, 64, CLEAR)
    avatar.round_rect(0, 0, 64, 64, 8, (222, 232, 246, 255))
    avatar.disc(32, 24, 11, (140, 170, 210, 255))
    avatar.disc(32, 62, 22, (140, 170, 210, 255))
    write_png(os.path.join(OUT, "avatar.png"), avatar)
    contact_card_pictures()
    dashboard_pictures()
    # The 13 x 13 ticked box in front of each thread's newest text in the message list.
    box = Canvas(13, 13, CLEAR)
    box.rect(0, 0, 13, 13, (112, 112, 112, 255))
    box.rect(1, 1, 12, 12, WHITE)
    box.line(3, 6.5, 5.5, 9.5, 1.6, BLUE)
    box.line(5.5, 9.5, 10, 3.5, 1.6, BLUE)
    write_gif(os.path.join(OUT, "s_checked.gif"), box)


GREEN = (46, 160, 67, 255)
ORANGE = (232, 142, 40, 255)


def contact_card_pictures():
    # The card's photo frame: a person on a soft blue tile, 50 x 50 as the card places it.
    photo = Canvas(50, 50, CLEAR)
    photo.round_rect(0, 0, 50, 50, 6, (214, 227, 244, 255))
    photo.round_rect(1, 1, 49, 49, 5, (228, 237, 249, 255))
    photo.disc(25, 19, 9, (128, 160, 204, 255))
    photo.disc(25, 49, 18, (128, 160, 204, 255))
    write_png(os.path.join(OUT, "avatar_photo.png"), photo)
    # 16 x 16 marks in front of phone numbers, IM accounts and groups.
    call = Canvas(16, 16, CLEAR)
    call.disc(8, 8, 7.5, GREEN)
    call.ring(11.0, 5.0, 6.0, 2.2, WHITE, 180, 270)  # the handset's grip, bowed
    call.disc(5.6, 4.6, 1.9, WHITE)                   # earpiece
    call.disc(11.4, 10.4, 1.9, WHITE)                 # mouthpiece
    write_gif(os.path.join(OUT, "pim_call.gif"), call)
    web = Canvas(16, 16, CLEAR)
    web.disc(8, 8, 7.5, BLUE)
    web.ring(8, 8, 5.2, 1.1, WHITE)
    web.line(8, 2.2, 8, 13.8, 1.1, WHITE)
    web.line(2.2, 8, 13.8, 8, 1.1, WHITE)
    write_gif(os.path.join(OUT, "pim_web.gif"), web)
    group = Canvas(16, 16, CLEAR)
    group.disc(10.5, 5.0, 2.6, (120, 150, 200, 255))
    group.disc(10.5, 14.5, 5.0, (120, 150, 200, 255))
    group.disc(5.5, 6.0, 3.0, ORANGE)
    group.disc(5.5, 16.0, 5.6, ORANGE)
    write_gif(os.path.join(OUT, "pim_group.gif"), group)


def widget_tile(colour):
    # The dashboard's 40 x 40 widget pictures: a soft tile in the widget's colour.
    cv = Canvas(40, 40, CLEAR)
    cv.round_rect(0, 0, 40, 40, 8, colour)
    return cv


def battery_picture(level, colour):
    # A battery on its side, filled to `level` (0..1); an empty one carries a red bar.
    cv = Canvas(40, 40, CLEAR)
    grey = (90, 96, 110, 255)
    cv.round_rect(4, 11, 34, 29, 3, grey)
    cv.rect(6, 13, 32, 27, WHITE)
    cv.rect(34, 16, 38, 24, grey)
    if level > 0:
        cv.rect(7, 14, 7 + int(round(24 * level)), 26, colour)
    else:
        cv.rect(8, 19, 30, 21, (200, 50, 50, 255))
    return cv


def dashboard_pictures():
    out = lambda name, cv: write_gif(os.path.join(OUT, name), cv)
    os_tile = widget_tile((60, 160, 90, 255))
    os_tile.round_rect(11, 8, 29, 32, 3, WHITE)  # a phone
    os_tile.rect(13, 11, 27, 27, (60, 160, 90, 255))
    os_tile.disc(20, 29.5, 1.2, (60, 160, 90, 255))
    out("w_os.gif", os_tile)
    space = widget_tile((232, 142, 40, 255))
    space.round_rect(9, 12, 31, 30, 3, WHITE)  # a memory card
    for x in (13, 18, 23):
        space.rect(x, 8, x + 3, 14, WHITE)
    out("w_space.gif", space)
    gps = widget_tile((200, 70, 60, 255))
    gps.disc(20, 16, 8, WHITE)  # a map pin
    gps.line(14, 20, 20, 32, 3, WHITE)
    gps.line(26, 20, 20, 32, 3, WHITE)
    gps.disc(20, 16, 3, (200, 70, 60, 255))
    out("w_gps.gif", gps)
    bt = widget_tile((40, 100, 200, 255))
    for a, b in [((16, 13), (25, 26)), ((25, 26), (20, 31)), ((20, 31), (20, 9)), ((20, 9), (25, 14)),
                 ((25, 14), (16, 27))]:
        bt.line(a[0], a[1], b[0], b[1], 2.4, WHITE)
    out("w_bluetooth.gif", bt)
    wifi = widget_tile(BLUE)
    wifi.disc(20, 29, 2.6, WHITE)
    for r in (7, 12, 17):
        wifi.ring(20, 30, r, 2.6, WHITE, 45, 135)
    out("w_wifi.gif", wifi)
    gravity = widget_tile((120, 90, 190, 255))
    gravity.ring(20, 20, 10, 2.4, WHITE, 20, 340)  # a turning arrow
    gravity.line(29, 12, 30, 19, 2.4, WHITE)
    gravity.line(30, 19, 24, 18, 2.4, WHITE)
    out("w_gravity.gif", gravity)
    out("w_battery_full.gif", battery_picture(1.0, (46, 160, 67, 255)))
    out("w_battery_mid.gif", battery_picture(0.55, (46, 160, 67, 255)))
    out("w_battery_low.gif", battery_picture(0.25, (232, 142, 40, 255)))
    out("w_battery_none.gif", battery_picture(0, None))


def main():
    os.makedirs(OUT, exist_ok=True)
    write_ico(os.path.join(OUT, "zorvik.ico"), [app_icon(16), app_icon(32), app_icon(48)])
    write_ico(os.path.join(OUT, "usb.ico"), [usb_icon()])
    write_ico(os.path.join(OUT, "wifi.ico"), [wifi_icon()])
    write_bmp24(os.path.join(OUT, "header.bmp"), header_bitmap())
    write_bmp24(os.path.join(OUT, "toolbar.bmp"), toolbar_strip())
    for i in range(16):
        write_bmp24(os.path.join(OUT, "brand_%d.bmp" % (21000 + i)), brand_picture(i))
    tone(os.path.join(OUT, "connected.wav"), [660, 880, 1320], 0.12)
    tone(os.path.join(OUT, "disconnected.wav"), [880, 587], 0.16)
    html_pictures()
    if HTML_SRC:
        convert_pages(HTML_SRC)


# The element ids the pages fill, by page.
PAGE_IDS = {
    "home.html": ["appslist", "articlelist", "head_other", "info_ul", "manufacturer", "screenshot", "status_os"],
    "smslist.html": ["sms_ul"],
    "conversation.html": ["conversation_list", "page_on"],
    "smsframe.html": [],
    "contact.html": ["block"],
}


def check_page(name, text):
    # Each page is a complete XHTML document carrying the ids its page fills.
    import xml.dom.minidom
    doc = xml.dom.minidom.parseString(text.replace('encoding="GBK"', 'encoding="UTF-8"', 1).encode("utf-8"))
    ids = {e.getAttribute("id") for e in doc.getElementsByTagName("*") if e.hasAttribute("id")}
    missing = [i for i in PAGE_IDS.get(name, []) if i not in ids]
    if doc.documentElement.tagName != "html" or missing:
        raise SystemExit("%s: not a complete page (missing ids %s)" % (name, missing))


def convert_pages(src):
    # The pages are GBK documents, as the program's texts are; a character GBK cannot hold
    # fails the build here rather than showing as "?" in the program.
    for name in sorted(os.listdir(src)):
        if not name.endswith((".html", ".css")):
            continue
        with open(os.path.join(src, name), encoding="utf-8") as f:
            text = f.read()
        if name.endswith(".html"):
            check_page(name, text)
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(text.encode("gbk"))


if __name__ == "__main__":
    main()
