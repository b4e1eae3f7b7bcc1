#!/usr/bin/python3
"""Draws the animated banner, res/banner.gif (GIF resource 141).

The still banner of make_art.py, with a band of light sweeping across it from
left to right behind the broom and the sparkles flaring as it passes. The file
is written block by block: "GIF87a", 690 x 109, one 256-entry global colour
table, and 20 full-screen images at (0, 0), each after a graphic control
extension with delay 8 and disposal 2. Imaging libraries do not write that
layout, so only the drawing and the palette come from PIL.

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

W, H = 690, 109
FRAMES = 20
DELAY = 8  # hundredths of a second
DISPOSAL = 2  # restore to background


def light_band(x_centre, strength):
    """A soft diagonal band of white, as an alpha mask."""
    mask = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(mask)
    half = 38
    d.polygon([(x_centre - half + 30, 0), (x_centre + half + 30, 0),
               (x_centre + half - 30, H), (x_centre - half - 30, H)], fill=int(255 * strength))
    return mask.filter(ImageFilter.GaussianBlur(14))


def frame(base, i):
    t = i / (FRAMES - 1)
    img = base.copy()
    # The band starts off the left edge and leaves past the right one; it
    # fades out over the last frames so that the pass ends on the still banner.
    x = -80 + t * (W + 160)
    strength = 0.55 * (1.0 - max(0.0, (t - 0.8) / 0.2))
    img.paste(Image.new("RGB", (W, H), (255, 255, 255)), (0, 0), light_band(x, strength))
    # Sparkles flare when the band reaches them.
    glints = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glints)
    for cx, cy, r in ((560, 30, 9), (600, 62, 5), (635, 24, 6), (520, 78, 4), (655, 80, 7), (96, 26, 6)):
        near = max(0.0, 1.0 - abs(cx - x) / 70.0)
        if near > 0:
            make_art.sparkle(gd, cx, cy, r * (1 + 1.2 * near), (255, 250, 220, int(220 * near)))
    img.paste(glints, (0, 0), glints)
    return img


def shared_palette(frames):
    """One 256-colour palette for all frames, from a strip of them."""
    strip = Image.new("RGB", (W, H * len(frames)))
    for i, f in enumerate(frames):
        strip.paste(f, (0, i * H))
    pal_img = strip.quantize(colors=256, method=Image.Quantize.MEDIANCUT)
    palette = pal_img.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    return pal_img, [tuple(palette[j:j + 3]) for j in range(0, 768, 3)]


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

    base = make_art.banner()
    frames = [frame(base, i) for i in range(FRAMES)]
    pal_img, colours = shared_palette(frames)

    data = bytearray(g.header("87a", W, H, colours))
    assert len(data) == 13 + 768
    for i, f in enumerate(frames):
        indexed = f.quantize(palette=pal_img, dither=Image.Dither.NONE)
        indices = list(indexed.getdata())
        data += g.graphic_control(DELAY, DISPOSAL)
        data += g.image(0, 0, W, H, indices, min_code_size=8)
        if png_dir:
            os.makedirs(png_dir, exist_ok=True)
            indexed.convert("RGB").save(os.path.join(png_dir, f"frame{i:02d}.png"))
    data += g.TRAILER
    path = os.path.join(out_dir, "banner.gif")
    with open(path, "wb") as out:
        out.write(data)

    # Read it back: every frame must decode to exactly what was drawn.
    check = Image.open(path)
    for i, f in enumerate(frames):
        check.seek(i)
        want = f.quantize(palette=pal_img, dither=Image.Dither.NONE).convert("RGB")
        got = check.convert("RGB")
        assert ImageChops.difference(want, got).getbbox() is None, f"frame {i} does not read back"
    print(f"{path}: {len(data)} bytes, {FRAMES} frames of {W} x {H}")


if __name__ == "__main__":
    main(sys.argv[1:])
