#!/usr/bin/python3
"""Draws the program's pictures into resources/, each at its size and at twice it.

Run from anywhere with the system Python (it needs PIL, Debian's python3-pil):
    /usr/bin/python3 tools/make-artwork.py

The output is deterministic, so rerunning it leaves the files unchanged. The
icon, bitmap and cursor are written byte by byte, because the program reads
exactly these formats and PIL's writers choose their own (PNG icons and so on).
The twice-size pictures are drawn anew at that size, not enlarged: the splash and
the document picture as files of their own (-2x), the icon and the cursor as a
second image after the first in the same file.
"""

import colorsys
import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources")

FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"]

NAVY_TOP = (18, 44, 84)
NAVY_BOTTOM = (30, 74, 132)
ACCENT = (214, 96, 24)
PALE = (244, 247, 251)


def font(name, size):
    for folder in FONT_DIRS:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit(f"make-artwork: font {name} not found (apt-get install fonts-dejavu-core fonts-liberation)")


def vertical_gradient(size, top, bottom):
    w, h = size
    ramp = Image.linear_gradient("L").resize((w, h))
    return Image.composite(Image.new("RGB", size, bottom), Image.new("RGB", size, top), ramp)


def horizontal_gradient(size, left, right):
    w, h = size
    ramp = Image.linear_gradient("L").rotate(90, expand=True).transpose(Image.Transpose.FLIP_LEFT_RIGHT)
    ramp = ramp.resize((w, h))
    return Image.composite(Image.new("RGB", size, right), Image.new("RGB", size, left), ramp)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw_disc(img, centre, radius, scale, background):
    """A compact disc seen from the front: silver, with a faint rainbow sheen."""
    cx, cy = centre
    r = radius
    box = lambda rad: (cx - rad, cy - rad, cx + rad, cy + rad)

    # Soft shadow so the disc sits on the page rather than floating.
    shadow = Image.new("L", img.size, 0)
    ImageDraw.Draw(shadow).ellipse((cx - r + 6 * scale, cy - r + 8 * scale,
                                    cx + r + 6 * scale, cy + r + 8 * scale), fill=70)
    shadow = shadow.filter(ImageFilter.GaussianBlur(7 * scale))
    img.paste(Image.new("RGB", img.size, (120, 140, 170)), (0, 0), shadow)

    # The data area: slices of a pale conic sheen over silver.
    sheen = Image.new("RGB", img.size, (0, 0, 0))
    d = ImageDraw.Draw(sheen)
    for deg in range(0, 360, 2):
        a = math.radians(deg)
        hue = (deg / 360.0 * 1.0 + 0.55) % 1.0
        rainbow = tuple(round(c * 255) for c in colorsys.hsv_to_rgb(hue, 0.32, 1.0))
        # Light catches two opposite sectors, as on a real disc.
        glint = 0.5 + 0.5 * math.cos(2 * (a - math.radians(35)))
        silver = mix((160, 172, 190), (238, 242, 248), glint)
        d.pieslice(box(r), deg, deg + 2.5, fill=mix(silver, rainbow, 0.35 * glint + 0.1))
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).ellipse(box(r), fill=255)
    img.paste(sheen, (0, 0), mask)

    d = ImageDraw.Draw(img)
    d.ellipse(box(r), outline=(150, 162, 180), width=2 * scale)
    # Faint track rings.
    for k in range(1, 6):
        rad = r * (0.42 + 0.1 * k)
        d.ellipse(box(rad), outline=(246, 248, 252), width=scale // 2)
    # Clear inner ring, hub and hole.
    d.ellipse(box(r * 0.36), fill=(214, 222, 232), outline=(170, 180, 196), width=scale)
    d.ellipse(box(r * 0.25), fill=(236, 240, 246), outline=(176, 186, 200), width=scale)
    d.ellipse(box(r * 0.12), fill=background, outline=(150, 162, 180), width=2 * scale)


def make_splash(factor=1):
    """The launcher's background at factor times its 640 x 420 design size."""
    w, h = 640, 420
    # Drawn at twice the output size and reduced, for smooth edges and text. Coordinates below are
    # in design pixels times s.
    s = 2 * factor
    W, H = w * s, h * s
    img = vertical_gradient((W, H), (255, 255, 255), PALE)
    d = ImageDraw.Draw(img)

    # Heading band with the wordmark. Ends well above the first button (row 120).
    head = 98
    img.paste(horizontal_gradient((W, head * s), NAVY_TOP, NAVY_BOTTOM), (0, 0))
    # Rings of a large disc, cut off by the band, drawn faintly in its right half.
    rings = Image.new("RGB", (W, head * s), (0, 0, 0))
    rm = Image.new("L", (W, head * s), 0)
    rd = ImageDraw.Draw(rm)
    ccx, ccy = 520 * s, 150 * s
    for k, rad in enumerate(range(60, 260, 22)):
        rd.ellipse((ccx - rad * s, ccy - rad * s, ccx + rad * s, ccy + rad * s),
                   outline=36 - k * 3, width=2 * s)
    img.paste(Image.new("RGB", (W, head * s), (255, 255, 255)), (0, 0), rm)
    d = ImageDraw.Draw(img)
    d.rectangle((0, head * s, W, (head + 3) * s - 1), fill=ACCENT)

    mark = font("DejaVuSans-Bold.ttf", 50 * s)
    x, y = 26 * s, 10 * s
    # Tracked-out capitals read as a wordmark rather than as plain text.
    for ch in "VELMO":
        d.text((x, y), ch, font=mark, fill=(255, 255, 255))
        x += d.textlength(ch, font=mark) + 4 * s
    sub = font("LiberationSans-Regular.ttf", 21 * s)
    d.text((28 * s, 66 * s), "Developers Kit v7.03", font=sub, fill=(190, 210, 236))

    # The disc sits in the left third, clear of the buttons from column 240 on.
    draw_disc(img, (116 * s, 262 * s), 104 * s, s, PALE)

    # A quiet rule under the buttons ties the right side to the heading.
    d = ImageDraw.Draw(img)
    d.rectangle((240 * s, 196 * s, 560 * s, 197 * s - 1), fill=(200, 212, 228))

    # A field of dots below the rule, strongest towards the lower right and
    # fading out well before the buttons.
    step = 12
    for gy in range(216, 384, step):
        for gx in range(246, 640, step):
            t = min(1.0, max(0.0, ((gx - 246) / 360.0) * 0.6 + ((gy - 216) / 168.0) * 0.6))
            if t <= 0.08:
                continue
            rad = (0.8 + 1.6 * t) * s
            col = mix(PALE, (150, 176, 212), t)
            d.ellipse((gx * s - rad, gy * s - rad, gx * s + rad, gy * s + rad), fill=col)

    # Dark band behind the description line, rows 392 to the bottom edge.
    band = 392
    img.paste(horizontal_gradient((W, (h - band) * s), NAVY_TOP, NAVY_BOTTOM), (0, band * s))
    d = ImageDraw.Draw(img)
    d.rectangle((0, (band - 3) * s, W, band * s - 1), fill=ACCENT)

    return img.resize((w * factor, h * factor), Image.Resampling.LANCZOS)


def jpeg_bytes(img, quality):
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=quality, progressive=False, optimize=False, subsampling=2)
    return buf.getvalue()


def save_splash(img, target=47820):
    # Pick the quality whose baseline file lands nearest the wanted size.
    best = None
    for q in range(40, 96):
        data = jpeg_bytes(img, q)
        if best is None or abs(len(data) - target) < abs(len(best[1]) - target):
            best = (q, data)
    q, data = best
    with open(os.path.join(OUT, "splash.jpg"), "wb") as f:
        f.write(data)
    return q


def save_splash_2x(img, quality):
    # The same quality as the 1x picture, so both look alike on their screens.
    with open(os.path.join(OUT, "splash-2x.jpg"), "wb") as f:
        f.write(jpeg_bytes(img, quality))


def supersampled(draw_fn, size=32, scale=8, factor=1):
    """RGBA picture of a size x size design at factor times that size, drawn by draw_fn at scale
    times the output size. draw_fn takes design units to drawing pixels by its second argument."""
    out = size * factor
    big = Image.new("RGBA", (out * scale, out * scale), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(big), scale * factor)
    return big.resize((out, out), Image.Resampling.LANCZOS)


def icon_picture(d, k):
    p = lambda *v: tuple(round(c * k) for c in v)
    # A manual standing behind a disc: the kit's documentation on CD.
    d.rounded_rectangle(p(3, 1, 22, 27), radius=2 * k, fill=(22, 52, 98, 255), outline=(10, 26, 54, 255), width=k)
    d.rectangle(p(5.5, 1.5, 6.5, 26.5), fill=(50, 92, 150, 255))           # spine crease
    d.rectangle(p(9, 5, 19, 7), fill=(226, 122, 40, 255))                  # title label
    d.rectangle(p(9, 9, 17, 10), fill=(150, 180, 220, 255))
    d.rectangle(p(4, 27, 22, 30), fill=(240, 240, 234, 255), outline=(10, 26, 54, 255), width=k // 2)  # pages
    cx, cy, r = 21, 20, 10.5
    box = lambda rad: p(cx - rad, cy - rad, cx + rad, cy + rad)
    for deg in range(0, 360, 3):
        a = math.radians(deg)
        glint = 0.5 + 0.5 * math.cos(2 * (a - math.radians(35)))
        hue = (deg / 360.0 + 0.55) % 1.0
        rainbow = tuple(round(c * 255) for c in colorsys.hsv_to_rgb(hue, 0.35, 1.0))
        col = mix(mix((150, 160, 178), (238, 242, 248), glint), rainbow, 0.4 * glint + 0.1)
        d.pieslice(box(r), deg, deg + 3.5, fill=col + (255,))
    d.ellipse(box(r), outline=(70, 80, 100, 255), width=k)
    d.ellipse(box(3.6), fill=(200, 208, 220, 255), outline=(110, 120, 140, 255), width=k // 2)
    d.ellipse(box(1.6), fill=(0, 0, 0, 0), outline=(70, 80, 100, 255), width=k // 2)


def icon_image(factor):
    """One icon image: its directory entry's fields and its DIB (header, palette, colours, mask)."""
    size = 32 * factor
    pic = supersampled(icon_picture, factor=factor)
    rgb = pic.convert("RGB")
    alpha = pic.getchannel("A")
    opaque = [a >= 128 for a in alpha.getdata()]
    # Undo the edge darkening that resizing against a transparent background leaves.
    pixels = []
    for (r, g, b, a), on in zip(pic.getdata(), opaque):
        pixels.append((min(255, r * 255 // a), min(255, g * 255 // a), min(255, b * 255 // a)) if on and a else (0, 0, 0))
    rgb.putdata(pixels)
    quant = rgb.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = quant.getpalette()[: 256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    index = list(quant.getdata())

    mask_stride = size // 8  # a multiple of 4 for 32 and 64 pixels
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 8, 0, size * size + mask_stride * size, 0, 0, 256, 0)
    pal = b"".join(struct.pack("<BBBB", palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0) for i in range(256))
    black = black_index(palette)
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up
        for x in range(size):
            xor.append(index[y * size + x] if opaque[y * size + x] else black)
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (0 if opaque[y * size + x] else 1)
        mask += bits.to_bytes(mask_stride, "big")
    return (size, 0, 1, 8), info + pal + bytes(xor) + bytes(mask)


def write_icon_file(name, kind, images):
    """An ICO (kind 1) or CUR (kind 2) file; images are (width, colours, planes or hot spot x,
    bit count or hot spot y) with the image's bytes, in the order given."""
    header = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for (size, colours, a, b), data in images:
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, a, b, len(data), offset)
        offset += len(data)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


def make_icon():
    # The 1x image first: the program's own decoder reads only the first.
    write_icon_file("autorun.ico", 1, [icon_image(1), icon_image(2)])


def black_index(palette):
    # Transparent pixels point at the darkest palette entry, so XOR leaves the screen alone.
    return min(range(256), key=lambda i: sum(palette[3 * i: 3 * i + 3]))


def document_picture(d, k):
    p = lambda *v: tuple(round(c * k) for c in v)
    d.rectangle(p(0, 0, 32, 32), fill=(255, 255, 255, 255))
    fold = 8
    # Drop shadow, then the page with its top-right corner turned down.
    d.polygon(p(8, 3, 26 - fold, 3, 26, 3 + fold, 26, 31, 8, 31), fill=(196, 202, 212, 255))
    page = p(6, 1, 24 - fold, 1, 24, 1 + fold, 24, 29, 6, 29)
    d.polygon(page, fill=(250, 251, 253, 255), outline=(70, 86, 112, 255))
    d.line(p(6, 1, 24 - fold, 1, 24, 1 + fold, 24, 29, 6, 29, 6, 1), fill=(70, 86, 112, 255), width=k)
    d.polygon(p(24 - fold, 1, 24 - fold, 1 + fold, 24, 1 + fold), fill=(214, 222, 234, 255))
    d.line(p(24 - fold, 1, 24 - fold, 1 + fold, 24, 1 + fold), fill=(70, 86, 112, 255), width=k)
    # A heading and lines of text.
    d.rectangle(p(9, 5, 14, 7), fill=(214, 96, 24, 255))
    for i, y in enumerate(range(11, 27, 3)):
        right = [21, 19, 21, 16, 20, 14][i]
        d.rectangle(p(9, y, right, y + 1), fill=(40, 74, 128, 255))


def make_document_bmp(name, factor=1):
    size = 32 * factor
    pic = supersampled(document_picture, factor=factor).convert("RGB")
    px = pic.load()
    rows = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up; 3 bytes a pixel keep rows of 32 or 64 on 4-byte bounds
        for x in range(size):
            r, g, b = px[x, y]
            rows += bytes((b, g, r))
    file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(rows), 0, 0, 14 + 40)
    # 2835 pixels a metre is 72 dpi; the 2x picture is meant for a screen of twice the density.
    dpm = 2835 * factor
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(rows), dpm, dpm, 0, 0)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(file_header + info + bytes(rows))


# A raised index finger; X black, o white, anything else transparent.
# The top of the fingertip is at column 13, row 9: the cursor's hot spot.
HAND = """\
................................
................................
................................
................................
................................
................................
................................
................................
................................
............XXX.................
...........XoooX................
...........XoooX................
...........XoooX................
...........XoooX................
...........XoooXXX..............
...........XoooXooXXX...........
...........XoooXooXooXXX........
...........XoooXooXooXooXX......
....XXX....XoooXooXooXooXoX.....
...XoooX...XoooooooooooooooX....
...XooooX..XoooooooooooooooX....
....XooooX.XoooooooooooooooX....
.....XooooXXoooooooooooooooX....
......XooooooooooooooooooooX....
.......XoooooooooooooooooooX....
........XooooooooooooooooooX....
.........XooooooooooooooooX.....
..........XooooooooooooooX......
...........XooooooooooooX.......
...........XooooooooooooX.......
...........XXXXXXXXXXXXXX.......
................................
"""
HOT_SPOT = (13, 9)


def arc(cx, cy, r, start, end, step=10):
    """Points along a circle, angles in degrees clockwise from the right (y grows downwards)."""
    n = max(1, round(abs(end - start) / step))
    return [(cx + r * math.cos(math.radians(start + (end - start) * i / n)),
             cy + r * math.sin(math.radians(start + (end - start) * i / n))) for i in range(n + 1)]


# The same hand as a drawing, for sizes above 32: the middle of its outline in HAND's pixels
# (a pixel's centre is at +0.5), so that an outline one pixel wide falls on HAND's X pixels.
HAND_OUTLINE = ([(11.5, 22.5)] + arc(13.5, 11.5, 2, 180, 360) + [(15.5, 14.5)]
                + arc(17.5, 15.5, 1, 270, 360) + arc(20.5, 16.5, 1, 270, 360) + arc(23.5, 17.5, 1, 270, 360)
                + [(25.5, 17.5), (27.5, 19.5), (27.5, 25.5), (24.5, 28.5), (24.5, 30.5), (11.5, 30.5), (11.5, 28.5),
                   (3.5, 20.5), (3.5, 19.5), (4.5, 18.5), (6.5, 18.5), (10.5, 22.5)])
# The lines between the fingers, down to where the palm begins.
HAND_FINGER_LINES = [[(15.5, 14.5), (15.5, 18.5)], [(18.5, 15.5), (18.5, 18.5)], [(21.5, 16.5), (21.5, 18.5)],
                     [(24.5, 17.5), (24.5, 18.5)]]


def drawn_hand(factor, ss=8):
    """HAND_OUTLINE at factor times HAND's size, as rows of X, o and '.' like HAND. Drawn at ss times
    that and reduced, then each pixel takes what covers most of it: a cursor has no grey."""
    size = 32 * factor
    k = factor * ss
    fill = Image.new("L", (size * ss, size * ss), 0)
    ink = Image.new("L", (size * ss, size * ss), 0)
    outline = [(x * k, y * k) for x, y in HAND_OUTLINE]
    ImageDraw.Draw(fill).polygon(outline, fill=255)
    d = ImageDraw.Draw(ink)
    # Closed with two more points so that the joint at the start is rounded like the others.
    d.line(outline + outline[:2], fill=255, width=k, joint="curve")
    for line in HAND_FINGER_LINES:
        d.line([(x * k, y * k) for x, y in line], fill=255, width=k)
    fill = fill.resize((size, size), Image.Resampling.BOX).load()
    ink = ink.resize((size, size), Image.Resampling.BOX).load()
    return ["".join("X" if ink[x, y] >= 128 else "o" if fill[x, y] >= 128 else "." for x in range(size))
            for y in range(size)]


def cursor_image(rows, hot_spot):
    """A 1-bit cursor image from rows of X (black), o (white) and anything else (transparent)."""
    size = len(rows)
    assert all(len(r) == size for r in rows) and size % 32 == 0, "cursor pictures are square, 32 or 64 wide"
    x, y = hot_spot
    assert rows[y][x] == "X" and rows[y - 1][x] == ".", "the hot spot is the top of the fingertip"
    stride = size // 8
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 1, 0, 2 * stride * size, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        xbits = abits = 0
        for ch in row:
            xbits = (xbits << 1) | (1 if ch == "o" else 0)
            abits = (abits << 1) | (0 if ch in "Xo" else 1)
        xor += xbits.to_bytes(stride, "big")
        mask += abits.to_bytes(stride, "big")
    # For cursors the directory's planes and bit-count fields hold the hot spot.
    return (size, 2, x, y), info + palette + bytes(xor) + bytes(mask)


def make_hand_cursor():
    rows = HAND.splitlines()
    assert len(rows) == 32, "hand picture must be 32 x 32"
    hot_2x = (2 * HOT_SPOT[0], 2 * HOT_SPOT[1])
    # The 1x image first: the program's own decoder reads only the first.
    write_icon_file("hand.cur", 2, [cursor_image(rows, HOT_SPOT), cursor_image(drawn_hand(2), hot_2x)])


def check(name, size):
    with open(os.path.join(OUT, name), "rb") as f:
        data = f.read()
    assert size is None or len(data) == size, f"{name}: {len(data)} bytes, expected {size}"
    return data


def verify_jpeg(name, size, quality):
    data = check(name, None)
    assert data[:2] == b"\xff\xd8", f"{name}: not a JPEG"
    # Walk the markers to the frame header: SOF0 means baseline.
    pos, frame = 2, None
    while pos < len(data):
        marker, length = data[pos + 1], struct.unpack(">H", data[pos + 2: pos + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            frame = (marker, data[pos + 4: pos + 2 + length])
            break
        pos += 2 + length
    assert frame and frame[0] == 0xC0, f"{name}: not a baseline JPEG"
    height, width, comps = struct.unpack(">HHB", frame[1][1:6])
    assert (width, height, comps) == size + (3,), f"{name}: {width}x{height}, {comps} components"
    print(f"{name:16}{len(data):7} bytes  baseline JPEG {width}x{height} YCbCr, quality {quality}")


def verify_bmp(name, side, file_size):
    data = check(name, file_size)
    assert data[:2] == b"BM" and struct.unpack("<I", data[2:6])[0] == file_size
    assert struct.unpack("<I", data[10:14])[0] == 54
    bi = struct.unpack("<IiiHHI", data[14:34])
    assert bi == (40, side, side, 1, 24, 0)
    print(f"{name:16}{len(data):7} bytes  {side}x{side} 24-bit uncompressed bottom-up BMP")


def verify_icon_file(name, kind, file_size, images):
    """images: (side, colours, planes or hot spot x, bit count or hot spot y, bytes, DIB bit count)
    for each image, in file order."""
    data = check(name, file_size)
    assert struct.unpack("<HHH", data[:6]) == (0, kind, len(images))
    offset = 6 + 16 * len(images)
    for i, (side, colours, a, b, size, bits) in enumerate(images):
        entry = struct.unpack("<BBBBHHII", data[6 + 16 * i: 22 + 16 * i])
        assert entry == (side, side, colours, 0, a, b, size, offset), f"{name}: entry {i} is {entry}"
        bi = struct.unpack("<IiiHHI", data[offset: offset + 20])
        assert bi == (40, side, 2 * side, 1, bits, 0), f"{name}: image {i} header is {bi}"
        offset += size
    assert offset == len(data)
    sides = ", ".join(f"{side}x{side}" for side, *_ in images)
    what = "icon" if kind == 1 else f"cursor, hot spots {', '.join(f'({a}, {b})' for _, _, a, b, _, _ in images)}"
    print(f"{name:16}{len(data):7} bytes  {sides} {images[0][5]}-bit DIB {what}")


def verify(quality):
    verify_jpeg("splash.jpg", (640, 420), quality)
    verify_jpeg("splash-2x.jpg", (1280, 840), quality)
    # The 1x images come first, as they were when each file held only them.
    verify_icon_file("autorun.ico", 1, 38 + 2216 + 5672,
                     [(32, 0, 1, 8, 2216, 8), (64, 0, 1, 8, 5672, 8)])
    verify_bmp("document.bmp", 32, 3126)
    verify_bmp("document-2x.bmp", 64, 12342)
    verify_icon_file("hand.cur", 2, 38 + 304 + 1072,
                     [(32, 2, 13, 9, 304, 1), (64, 2, 26, 18, 1072, 1)])


def main():
    os.makedirs(OUT, exist_ok=True)
    quality = save_splash(make_splash())
    save_splash_2x(make_splash(2), quality)
    make_icon()
    make_document_bmp("document.bmp")
    make_document_bmp("document-2x.bmp", 2)
    make_hand_cursor()
    verify(quality)


if __name__ == "__main__":
    main()
