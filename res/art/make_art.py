"""Draws Purlo's pictures and writes them as plain Windows bitmaps and an icon.

The outputs are committed, so the build needs neither Python nor the fonts.
Every file is written by hand (headers, palettes, masks) so that its format is
exactly what the resource compiler and LoadImageW expect:
  banner.bmp      690 x 109, 32 bpp  the still banner: logo and name
  about.bmp       256 x 128, 32 bpp  the logo for the About dialog
  banner-150.bmp, banner-200.bmp, about-150.bmp, about-200.bmp
                  the same two drawn at 1.5x and 2x, for frames at higher DPI
  upgrade1..5.bmp  63 x 21,  24 bpp  "升级程序" yellow on red, five shadings
  purlo.ico       16, 24, 32, 48 px at 4, 8 and 32 bpp; 128 px at 8 and 32 bpp
The logo: a white broom sweeping over a teal disc, a pale-gold sparkle above it.
"""

import math
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SUPER = 8  # supersampling factor for the logo's shapes

TEAL_DARK = (14, 92, 104)
TEAL_LIGHT = (72, 178, 170)
SPARK = (255, 226, 122)
WHITE = (255, 255, 255)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


# --- the logo -------------------------------------------------------------

def sparkle(draw, cx, cy, r, colour):
    """A four-pointed star with concave sides (a slightly filled-out astroid)."""
    points = []
    for i in range(64):
        t = 2 * math.pi * i / 64
        c, s = math.cos(t), math.sin(t)
        points.append((cx + r * math.copysign(abs(c) ** 2.6, c), cy + r * math.copysign(abs(s) ** 2.6, s)))
    draw.polygon(points, fill=colour)


def logo(size, simple=False):
    """The logo as an RGBA image of size x size with a transparent surround.

    `simple` leaves out the bristle lines and the small sparkle, for 16 and 24 px.
    """
    s = size * SUPER
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))

    # Disc with a vertical gradient.
    grad = Image.new("RGBA", (s, s))
    gd = ImageDraw.Draw(grad)
    for y in range(s):
        gd.line([(0, y), (s, y)], fill=lerp(TEAL_LIGHT, TEAL_DARK, y / (s - 1)) + (255,))
    mask = Image.new("L", (s, s), 0)
    margin = s * 0.03
    ImageDraw.Draw(mask).ellipse([margin, margin, s - margin, s - margin], fill=255)
    img.paste(grad, (0, 0), mask)

    d = ImageDraw.Draw(img)
    u = s / 100.0  # drawing units: the disc spans 0..100

    # Broom handle: from upper left towards the centre.
    hw = 7 * u if not simple else 9 * u
    x0, y0, x1, y1 = 24 * u, 22 * u, 55 * u, 55 * u
    d.line([(x0, y0), (x1, y1)], fill=WHITE, width=int(hw))
    d.ellipse([x0 - hw / 2, y0 - hw / 2, x0 + hw / 2, y0 + hw / 2], fill=WHITE)

    # Broom head: a fan opening towards the lower right, rotated along the handle.
    ang = math.atan2(y1 - y0, x1 - x0)
    def rot(px, py):
        # (px along the handle, py across it) -> disc coordinates, from (x1, y1)
        return (x1 + px * math.cos(ang) - py * math.sin(ang),
                y1 + px * math.sin(ang) + py * math.cos(ang))
    head = [rot(-2 * u, -8 * u), rot(-2 * u, 8 * u), rot(26 * u, 17 * u), rot(26 * u, -17 * u)]
    d.polygon(head, fill=WHITE)
    # Binding band near the handle.
    band = [rot(2 * u, -10 * u), rot(2 * u, 10 * u), rot(7 * u, 11 * u), rot(7 * u, -11 * u)]
    d.polygon(band, fill=SPARK if simple else (230, 240, 238))
    if not simple:
        for i in range(-3, 4):
            a = rot(10 * u, i * 3.2 * u)
            b = rot(26 * u, i * 4.6 * u)
            d.line([a, b], fill=lerp(TEAL_LIGHT, WHITE, 0.35), width=max(1, int(1.4 * u)))

    # The sparkle the broom leaves behind.
    sparkle(d, 72 * u, 28 * u, (17 if not simple else 21) * u, SPARK)
    if not simple:
        sparkle(d, 84 * u, 50 * u, 7 * u, lerp(SPARK, WHITE, 0.5))

    return img.resize((size, size), Image.LANCZOS)


# --- bitmaps ----------------------------------------------------------------

def write_bmp(path, img, bpp):
    """A bottom-up BI_RGB bitmap with BITMAPINFOHEADER, 24 or 32 bpp."""
    img = img.convert("RGBA")
    w, h = img.size
    stride = (w * bpp // 8 + 3) & ~3
    px = img.load()
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b, a = px[x, y]
            # BI_RGB leaves the fourth byte unused: keep it 0. A non-zero one
            # makes the common controls' static take the picture for an alpha
            # bitmap and keep a premultiplied copy, which Wine's never frees.
            row += bytes((b, g, r)) if bpp == 24 else bytes((b, g, r, 0))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(bits), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + bits)


def font(size):
    return ImageFont.truetype(FONT, size)


def banner(scale=1):
    """The still banner, 690 x 109 at scale 1; every length is drawn at `scale`."""
    w, h = round(690 * scale), round(109 * scale)
    k = scale
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    left, right = (16, 70, 84), (118, 196, 188)
    for x in range(w):
        t = x / (w - 1)
        d.line([(x, 0), (x, h)], fill=lerp(left, right, t * t * (3 - 2 * t)))
    # A soft lighter wave across the middle.
    wave = Image.new("L", (w, h), 0)
    wd = ImageDraw.Draw(wave)
    pts = [(x * k, (70 + 14 * math.sin(x / 95.0)) * k) for x in range(0, 690 + 1, 5)]
    wd.polygon(pts + [(w, h), (0, h)], fill=40)
    wave = wave.filter(ImageFilter.GaussianBlur(6 * k))
    img.paste(Image.new("RGB", (w, h), WHITE), (0, 0), wave)
    # Faint sparkles on the right.
    glints = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    gdraw = ImageDraw.Draw(glints)
    for cx, cy, r, a in ((560, 30, 9, 150), (600, 62, 5, 120), (635, 24, 6, 130), (520, 78, 4, 100), (655, 80, 7, 110)):
        sparkle(gdraw, cx * k, cy * k, r * k, WHITE + (a,))
    img.paste(glints, (0, 0), glints)

    size = round(92 * k)
    mark = logo(size)
    img.paste(mark, (round(18 * k), (h - size) // 2), mark)

    d = ImageDraw.Draw(img)
    name_font = font(round(60 * k))
    d.text((128 * k, 52 * k), "Purlo", font=name_font, fill=(0, 40, 48), anchor="lm", stroke_width=round(2 * k),
           stroke_fill=(0, 40, 48))
    d.text((126 * k, 50 * k), "Purlo", font=name_font, fill=WHITE, anchor="lm", stroke_width=round(1 * k),
           stroke_fill=WHITE)
    d.text((132 * k, 88 * k), "系统垃圾清理", font=font(round(17 * k)), fill=(222, 244, 240), anchor="lm")
    return img


def about(scale=1):
    """The About logo, 256 x 128 at scale 1; every length is drawn at `scale`."""
    w, h = round(256 * scale), round(128 * scale)
    k = scale
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=lerp((250, 253, 252), (214, 236, 232), y / (h - 1)))
    mark = logo(round(104 * k))
    img.paste(mark, (round(14 * k), round(12 * k)), mark)
    d.text((128 * k, 56 * k), "Purlo", font=font(round(40 * k)), fill=TEAL_DARK, anchor="lm",
           stroke_width=round(1 * k), stroke_fill=TEAL_DARK)
    d.line([(130 * k, 82 * k), (236 * k, 82 * k)], fill=TEAL_LIGHT, width=round(2 * k))
    d.text((131 * k, 98 * k), "系统垃圾清理", font=font(round(15 * k)), fill=(60, 110, 116), anchor="lm")
    return img


def upgrade(frame):
    """Frame 0..4 of the flash: the red glows up and down while a highlight sweeps across."""
    w, h = 63, 21
    s = 4
    W, H = w * s, h * s
    img = Image.new("RGB", (W, H))
    d = ImageDraw.Draw(img)
    glow = math.sin(math.pi * frame / 4)  # 0, .7, 1, .7, 0: the red brightens then settles
    top = lerp((200, 20, 20), (255, 84, 60), glow)
    bottom = lerp((120, 0, 0), (176, 20, 12), glow)
    for y in range(H):
        d.line([(0, y), (W, y)], fill=lerp(top, bottom, y / (H - 1)))
    # Highlight band moving left to right over the five frames.
    band = Image.new("L", (W, H), 0)
    cx = W * (0.1 + 0.2 * frame)
    ImageDraw.Draw(band).polygon([(cx - 30, H), (cx - 5, 0), (cx + 25, 0), (cx, H)], fill=170)
    band = band.filter(ImageFilter.GaussianBlur(8))
    img.paste(Image.new("RGB", (W, H), (255, 190, 120)), (0, 0), band)
    d = ImageDraw.Draw(img)
    yellow = lerp((255, 236, 60), (255, 250, 170), frame / 4)
    text_font = font(14 * s)
    d.text((W / 2 + s, H / 2 + s), "升级程序", font=text_font, fill=(90, 0, 0), anchor="mm")
    d.text((W / 2, H / 2), "升级程序", font=text_font, fill=yellow, anchor="mm")
    d.rectangle([0, 0, W - 1, H - 1], outline=(255, 214, 90), width=s)
    return img.resize((w, h), Image.LANCZOS)


# --- the icon ---------------------------------------------------------------

def and_mask(alpha_rows, w):
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for row in alpha_rows:
        bits = bytearray(stride)
        for x, a in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def icon_image(img, bpp):
    """One icon image: BITMAPINFOHEADER (height doubled), palette, colour bits, AND mask."""
    w, h = img.size
    px = img.load()
    bottom_up = [[px[x, y] for x in range(w)] for y in range(h - 1, -1, -1)]
    alpha_rows = [[p[3] for p in row] for row in bottom_up]
    palette = b""
    if bpp == 32:
        colour = b"".join(bytes((b, g, r, a)) for row in bottom_up for (r, g, b, a) in row)
    else:
        colours = 1 << bpp
        indices, pal = palettise(img, colours)
        palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in pal)
        stride = ((w * bpp + 31) // 32) * 4
        rows = []
        for y in range(h - 1, -1, -1):
            line = indices[y * w:(y + 1) * w]
            row = bytearray(stride)
            for x, i in enumerate(line):
                if bpp == 8:
                    row[x] = i
                else:
                    row[x // 2] |= i << (4 if x % 2 == 0 else 0)
            rows.append(bytes(row))
        colour = b"".join(rows)
    mask = and_mask(alpha_rows, w)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bpp, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + palette + colour + mask


def palettise(img, colours):
    """Indices (top-down) and a palette of exactly `colours` entries, the last one black.

    Transparent pixels take the black entry: where the AND mask is set the colour
    bits must be 0, or the screen under the icon would be inverted.
    """
    w, h = img.size
    px = img.load()
    opaque = [px[x, y][:3] for y in range(h) for x in range(w) if px[x, y][3] >= 128]
    strip = Image.new("RGB", (len(opaque), 1))
    strip.putdata(opaque)
    quant = strip.quantize(colors=colours - 1, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    raw = quant.getpalette()[: 3 * (colours - 1)]
    pal = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    pal += [(0, 0, 0)] * (colours - len(pal))
    black = colours - 1
    ref = Image.new("P", (1, 1))
    ref.putpalette([c for p in pal for c in p] + [0, 0, 0] * (256 - colours))
    dither = Image.Dither.FLOYDSTEINBERG if colours > 16 else Image.Dither.NONE
    mapped = img.convert("RGB").quantize(palette=ref, dither=dither)
    out = []
    mp = mapped.load()
    for y in range(h):
        for x in range(w):
            i = mp[x, y]
            if px[x, y][3] < 128 or i >= colours:
                i = black  # entries past the palette are black too
            out.append(i)
    return out, pal


def write_ico(path, entries):
    """entries: (size, bpp) pairs, each drawn from the logo at that size."""
    images = []
    for size, bpp in entries:
        img = logo(size, simple=size <= 24)
        images.append((size, bpp, icon_image(img, bpp)))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = b""
    for size, bpp, data in images:
        colour_count = 16 if bpp == 4 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bpp, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + directory + b"".join(d for _, _, d in images))


# The scales each picture that fills a frame is drawn at, and their file suffixes.
SCALES = ((1, ""), (1.5, "-150"), (2, "-200"))


def main(out):
    for scale, suffix in SCALES:
        write_bmp(f"{out}/banner{suffix}.bmp", banner(scale), 32)
        write_bmp(f"{out}/about{suffix}.bmp", about(scale), 32)
    for i in range(5):
        write_bmp(f"{out}/upgrade{i + 1}.bmp", upgrade(i), 24)
    entries = [(s, b) for s in (16, 24, 32, 48) for b in (4, 8, 32)] + [(128, 8), (128, 32)]
    write_ico(f"{out}/purlo.ico", entries)


if __name__ == "__main__":
    main(sys.argv[1])
