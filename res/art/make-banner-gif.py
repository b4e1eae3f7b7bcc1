#!/usr/bin/python3
"""Draws the animated banner, res/banner.gif (GIF resource IDR_BANNER_GIF), and the same
animation at 1.5x and 2x, res/banner-150.gif and res/banner-200.gif.

The still banner of make_art.py, with a band of light sweeping across it from
left to right behind the broom and the sparkles flaring as it passes. The file
is written block by block: "GIF87a", 690 x 109, one 256-entry global colour
table, and 20 full-screen images at (0, 0), each after a graphic control
extension with delay 8 and disposal 2; the scaled ones are the same at
1035 x 164 and 1380 x 218. Imaging libraries do not write that layout, so
only the drawing and the palette come from PIL.

    /usr/bin/python3 res/art/make-banner-gif.py [OUT_DIR] [--png FRAME_DIR]
"""
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gifwriter as g  # noqa: E402
import make_art  # noqa: E402

W, H = 690, 109  # at scale 1
FRAMES = 20
DELAY = 8  # hundredths of a second
DISPOSAL = 2  # restore to background
SCALES = ((1, ""), (1.5, "-150"), (2, "-200"))


def size(scale):
    return round(W * scale), round(H * scale)


def light_band(x_centre, strength, scale):
    """A soft diagonal band of white, as an alpha mask."""
    w, h = size(scale)
    k = scale
    mask = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(mask)
    half = 38
    d.polygon([((x_centre - half + 30) * k, 0), ((x_centre + half + 30) * k, 0),
               ((x_centre + half - 30) * k, h), ((x_centre - half - 30) * k, h)], fill=int(255 * strength))
    return mask.filter(ImageFilter.GaussianBlur(14 * k))


def frame(base, i, scale):
    t = i / (FRAMES - 1)
    w, h = size(scale)
    k = scale
    img = base.copy()
    # The band starts off the left edge and leaves past the right one; it
    # fades out over the last frames so that the pass ends on the still banner.
    x = -80 + t * (W + 160)
    strength = 0.55 * (1.0 - max(0.0, (t - 0.8) / 0.2))
    img.paste(Image.new("RGB", (w, h), (255, 255, 255)), (0, 0), light_band(x, strength, scale))
    # Sparkles flare when the band reaches them.
    glints = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glints)
    for cx, cy, r in ((560, 30, 9), (600, 62, 5), (635, 24, 6), (520, 78, 4), (655, 80, 7), (96, 26, 6)):
        near = max(0.0, 1.0 - abs(cx - x) / 70.0)
        if near > 0:
            make_art.sparkle(gd, cx * k, cy * k, r * k * (1 + 1.2 * near), (255, 250, 220, int(220 * near)))
    img.paste(glints, (0, 0), glints)
    return img


def shared_palette(frames):
    """One 256-colour palette for all frames, from a strip of them."""
    w, h = frames[0].size
    strip = Image.new("RGB", (w, h * len(frames)))
    for i, f in enumerate(frames):
        strip.paste(f, (0, i * h))
    pal_img = strip.quantize(colors=256, method=Image.Quantize.MEDIANCUT)
    palette = pal_img.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    return pal_img, [tuple(palette[j:j + 3]) for j in range(0, 768, 3)]


def write_gif(out_dir, scale, suffix, png_dir):
    w, h = size(scale)
    base = make_art.banner(scale)
    frames = [frame(base, i, scale) for i in range(FRAMES)]
    pal_img, colours = shared_palette(frames)

    data = bytearray(g.header("87a", w, h, colours))
    assert len(data) == 13 + 768
    for i, f in enumerate(frames):
        indexed = f.quantize(palette=pal_img, dither=Image.Dither.NONE)
        indices = list(indexed.getdata())
        data += g.graphic_control(DELAY, DISPOSAL)
        data += g.image(0, 0, w, h, indices, min_code_size=8)
        if png_dir:
            os.makedirs(png_dir, exist_ok=True)
            indexed.convert("RGB").save(os.path.join(png_dir, f"frame{suffix}{i:02d}.png"))
    data += g.TRAILER
    path = os.path.join(out_dir, f"banner{suffix}.gif")
    with open(path, "wb") as out:
        out.write(data)

    # Read it back: every frame must decode to exactly what was drawn.
    check = Image.open(path)
    for i, f in enumerate(frames):
        check.seek(i)
        want = f.quantize(palette=pal_img, dither=Image.Dither.NONE).convert("RGB")
        got = check.convert("RGB")
        assert ImageChops.difference(want, got).getbbox() is None, f"frame {i} does not read back"
    print(f"{path}: {len(data)} bytes, {FRAMES} frames of {w} x {h}")


def main(argv):
    out_dir = os.path.join(HERE, "..")
    png_dir = None
    args = list(argv)
    if "--png" in args:
        k = args.index("--png")
        png_dir = args[k + 1]
        del args[k:k + 2]
    if args:
        out_dir = args[0]

    for scale, suffix in SCALES:
        write_gif(out_dir, scale, suffix, png_dir)


if __name__ == "__main__":
    main(sys.argv[1:])
