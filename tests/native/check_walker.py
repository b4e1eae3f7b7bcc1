#!/usr/bin/python3
"""Checks the GIF block walker against ImageMagick over a generated corpus.

    check_walker.py GIF_WALK WORKDIR

Writes the corpus into WORKDIR/corpus (also the fuzz target's seeds), runs
gif_walk on every file and `identify` on every complete one, and compares per
frame delay, disposal and rectangle. A truncated file must give exactly the
frames of its complete file whose blocks end before the cut. Every extracted
one-image file must decode, by ImageMagick, to the same pixels as its frame in
the whole file. Exits 1 on any disagreement.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res", "art"))
import gifwriter as g  # noqa: E402

DISPOSAL_NAMES = {0: "Undefined", 1: "None", 2: "Background", 3: "Previous"}
PALETTE = [((i * 37) & 255, (i * 91) & 255, (i * 53) & 255) for i in range(256)]


def pattern(w, h, seed, colours):
    return [((x * 3 + y * 5 + seed * 7) // 4) % colours for y in range(h) for x in range(w)]


class Builder:
    """Concatenates blocks, remembering where each graphic block ends."""

    def __init__(self, head):
        self.data = bytearray(head)
        self.first_block = len(head)
        self.frame_ends = []

    def add(self, block):
        self.data += block

    def frame(self, block):
        self.data += block
        self.frame_ends.append(len(self.data))

    def gif(self, trailer=True):
        return bytes(self.data) + (g.TRAILER if trailer else b"")


def frames_file(version, screen, frames, global_colours=PALETTE, extras=b"", loop=False, comment=None):
    """frames: list of dicts with rect, delay, disposal (None: no graphic
    control extension), local (colour count or None)."""
    w, h = screen
    b = Builder(g.header(version, w, h, global_colours))
    if loop:
        b.add(g.application_loop(0))
    if comment:
        b.add(g.comment(comment))
    b.add(extras)
    for i, f in enumerate(frames):
        left, top, fw, fh = f["rect"]
        if f.get("before"):
            b.add(f["before"])
        if f.get("text_before"):
            b.frame(f["text_before"])
        if f.get("disposal") is not None:
            b.add(g.graphic_control(f.get("delay", 0), f["disposal"], f.get("transparent")))
        if f.get("between"):
            b.add(f["between"])
        local = f.get("local")
        colours = local or (len(global_colours) if global_colours else 2)
        local_table = PALETTE[::-1][:local] if local else None
        b.frame(g.image(left, top, fw, fh, pattern(fw, fh, i, colours), local_table))
    return b


def corpus():
    """(name, Builder) of the complete files."""
    full = (0, 0, 40, 24)
    cases = []
    cases.append(("one-frame-87a", frames_file("87a", (40, 24), [{"rect": full}])))
    cases.append(("one-frame-gce-89a", frames_file("89a", (40, 24), [{"rect": full, "delay": 8, "disposal": 2}])))
    cases.append(("delays-disposals", frames_file("89a", (60, 30), [
        {"rect": (0, 0, 60, 30), "delay": 8, "disposal": 0},
        {"rect": (5, 3, 20, 10), "delay": 5, "disposal": 1},
        {"rect": (30, 10, 25, 15), "delay": 4, "disposal": 2},
        {"rect": (10, 12, 12, 12), "delay": 1, "disposal": 3},
        {"rect": (0, 0, 7, 9), "delay": 0, "disposal": 2},
    ])))
    # Readers carry a graphic control extension over to later frames that
    # have none; the walker does not (checked below), so here they come first.
    cases.append(("no-gce-frames", frames_file("89a", (32, 32), [
        {"rect": (0, 0, 32, 32)},
        {"rect": (16, 2, 10, 20)},
        {"rect": (4, 4, 8, 8), "delay": 5, "disposal": 3},
    ])))
    cases.append(("local-tables-no-global", frames_file("89a", (30, 20), [
        {"rect": (0, 0, 30, 20), "delay": 8, "disposal": 2, "local": 4},
        {"rect": (2, 2, 10, 10), "delay": 5, "disposal": 1, "local": 256},
        {"rect": (12, 5, 16, 14), "delay": 1, "disposal": 0, "local": 2},
    ], global_colours=None)))
    cases.append(("global-and-local", frames_file("87a", (30, 20), [
        {"rect": (0, 0, 30, 20), "delay": 8, "disposal": 2},
        {"rect": (3, 1, 20, 15), "delay": 4, "disposal": 2, "local": 16},
    ], global_colours=PALETTE[:16])))
    cases.append(("looping-comments", frames_file("89a", (50, 20), [
        {"rect": (0, 0, 50, 20), "delay": 8, "disposal": 2, "before": g.comment(b"before the frame")},
        {"rect": (10, 0, 30, 20), "delay": 5, "disposal": 3, "between": g.comment(b"x" * 300)},
        {"rect": (0, 5, 50, 10), "delay": 0, "disposal": 1, "before": g.application_loop(3)},
    ], loop=True, comment=b"made by the walker tests")))
    # A plain-text block is a graphic block for the walker; imaging libraries
    # ignore it, so only image frames are compared.
    cases.append(("plain-text", frames_file("89a", (40, 20), [
        {"rect": (0, 0, 40, 20), "delay": 5, "disposal": 0},
        {"rect": (8, 4, 16, 8), "delay": 8, "disposal": 2,
         "text_before": g.plain_text(1, 2, 30, 10, b"hello")},
    ])))
    cases.append(("many-frames", frames_file("89a", (64, 48), [
        {"rect": ((i * 5) % 40, (i * 3) % 30, 24, 18), "delay": [0, 1, 4, 5, 8][i % 5], "disposal": i % 4}
        for i in range(30)
    ])))
    cases.append(("banner-shape-87a", frames_file("87a", (120, 30), [
        {"rect": (0, 0, 120, 30), "delay": 8, "disposal": 2} for _ in range(20)
    ])))
    ext_only = Builder(g.header("89a", 10, 10, PALETTE[:4]))
    ext_only.add(g.application_loop(0) + g.comment(b"no image") + g.graphic_control(8, 2))
    cases.append(("extensions-only", ext_only))
    return cases


def walk(tool, path, prefix=None):
    args = [tool, path] + ([prefix] if prefix else [])
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    frames, count = [], None
    for line in out.splitlines():
        parts = line.split()
        if parts[0] == "count":
            count = int(parts[1])
        elif parts[0] == "frame":
            delay, disp, w, h, x, y = (int(v) for v in parts[1:7])
            frames.append({"delay": delay, "disposal": disp, "rect": (x, y, w, h), "image": parts[7] == "image",
                           "span": (int(parts[8]), int(parts[9]))})
    return count, frames


def identify(path):
    out = subprocess.run(["identify", "-format", "%T %D %w %h %X %Y\n", path],
                         capture_output=True, text=True, check=True).stdout
    rows = []
    for line in out.splitlines():
        t, d, w, h, x, y = line.split()
        rows.append({"delay": int(t), "disposal": d, "rect": (int(x), int(y), int(w), int(h))})
    return rows


def as_reader_sees(frame):
    delay = 0 if frame["delay"] == 0xFFFFFFFF else frame["delay"]
    return {"delay": delay, "disposal": DISPOSAL_NAMES[frame["disposal"]], "rect": frame["rect"]}


def pixels(source):
    return subprocess.run(["convert", source, "rgba:-"], capture_output=True, check=True).stdout


def main():
    tool, work = sys.argv[1], sys.argv[2]
    corpus_dir = os.path.join(work, "corpus")
    frames_dir = os.path.join(work, "frames")
    os.makedirs(corpus_dir, exist_ok=True)
    os.makedirs(frames_dir, exist_ok=True)
    failures = []
    checked_files = checked_frames = 0

    def fail(msg):
        failures.append(msg)
        print("FAIL", msg)

    for name, builder in corpus():
        data = builder.gif()
        path = os.path.join(corpus_dir, name + ".gif")
        with open(path, "wb") as f:
            f.write(data)
        count, frames = walk(tool, path, os.path.join(frames_dir, name))
        checked_files += 1
        if count != len(frames) or count != len(builder.frame_ends):
            fail(f"{name}: counted {count}, extracted {len(frames)}, written {len(builder.frame_ends)}")
            continue
        if [f["span"][1] for f in frames] != builder.frame_ends:
            fail(f"{name}: frame ends {[f['span'][1] for f in frames]} != {builder.frame_ends}")
        images = [i for i, f in enumerate(frames) if f["image"]]
        reader = identify(path) if images else []
        mine = [as_reader_sees(frames[i]) for i in images]
        if mine != reader:
            fail(f"{name}: walker {mine} != identify {reader}")
            continue
        for n, i in enumerate(images):
            one = os.path.join(frames_dir, f"{name}-{i}.gif")
            if identify(one) != [reader[n]]:
                fail(f"{name}: frame file {i} reads as {identify(one)}, not {reader[n]}")
            if pixels(one) != pixels(f"{path}[{n}]"):
                fail(f"{name}: frame file {i} has other pixels than frame {n}")
            checked_frames += 1

        # Truncations: every frame whose blocks end inside the cut, no other.
        cuts = {5, 12, 13, builder.first_block - 1, builder.first_block + 5, len(data) - 1}
        for end in builder.frame_ends:
            cuts.update({end - 1, end, end + 3})
        for cut in sorted(c for c in cuts if 0 <= c < len(data)):
            tpath = os.path.join(corpus_dir, f"{name}-cut{cut}.gif")
            with open(tpath, "wb") as f:
                f.write(data[:cut])
            tcount, tframes = walk(tool, tpath)
            expected = sum(1 for e in builder.frame_ends if e <= cut) if cut >= builder.first_block else 0
            if tcount != expected or len(tframes) != expected or tframes != frames[:expected]:
                fail(f"{name} cut at {cut}: counted {tcount}, extracted {len(tframes)}, expected {expected}")
            checked_files += 1

    # Hand-made malformations on one two-frame file.
    base = frames_file("89a", (20, 10), [{"rect": (0, 0, 20, 10), "delay": 8, "disposal": 2}] * 2)
    data = base.gif()
    first = base.first_block
    bad = {
        # colour-table flag with a table longer than the file
        "table-past-end": data[:10] + bytes([0x87]) + data[11:40],
        # first sub-block size pointing past the end
        "subblock-past-end": data[:first + 8 + 11] + b"\xff\x01\x02",
        # the first image's chain never terminated
        "chain-unterminated": data[:base.frame_ends[0] - 1],
        # an unknown extension label between frames ends the walk after frame 1
        "unknown-label": data[:base.frame_ends[0]] + b"\x21\x99\x00" + data[base.frame_ends[0]:],
        # an image descriptor cut inside its ten bytes
        "descriptor-cut": data[:base.frame_ends[0]] + g.graphic_control(8, 2) + b"\x2c\x00\x00\x00",
    }
    expect = {"table-past-end": 0, "subblock-past-end": 0, "chain-unterminated": 0,
              "unknown-label": 1, "descriptor-cut": 1}
    for name, blob in bad.items():
        path = os.path.join(corpus_dir, name + ".gif")
        with open(path, "wb") as f:
            f.write(blob)
        count, frames = walk(tool, path)
        if count != expect[name] or len(frames) != expect[name]:
            fail(f"{name}: counted {count}, extracted {len(frames)}, expected {expect[name]}")
        checked_files += 1

    # A comment between the graphic control extension and the image belongs to
    # the frame; extensions before the graphic control extension do not.
    _, frames = walk(tool, os.path.join(corpus_dir, "looping-comments.gif"))
    blob = open(os.path.join(corpus_dir, "looping-comments.gif"), "rb").read()
    second = blob[frames[1]["span"][0]:frames[1]["span"][1]]
    if not (second.startswith(b"\x21\xf9") and b"\x21\xfe" in second[:16]):
        fail("looping-comments: the comment after the second frame's control extension is not in its span")
    third = blob[frames[2]["span"][0]:frames[2]["span"][1]]
    if not third.startswith(b"\x21\xf9") or b"NETSCAPE" in third:
        fail("looping-comments: the application extension before frame 3 was copied into it")

    # A frame without a control extension after one with it: its own values.
    late = frames_file("89a", (20, 10), [{"rect": (0, 0, 20, 10), "delay": 5, "disposal": 3},
                                         {"rect": (2, 2, 5, 5)}])
    path = os.path.join(corpus_dir, "no-gce-after-gce.gif")
    with open(path, "wb") as f:
        f.write(late.gif())
    _, frames = walk(tool, path)
    if [(f["delay"], f["disposal"]) for f in frames] != [(5, 3), (0xFFFFFFFF, 0)]:
        fail(f"no-gce-after-gce: {[(f['delay'], f['disposal']) for f in frames]}")

    # The banner resource as committed.
    banner = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res", "banner.gif")
    blob = open(banner, "rb").read()
    count, frames = walk(tool, banner)
    reader = identify(banner)
    want = [{"delay": 8, "disposal": "Background", "rect": (0, 0, 690, 109)}] * 20
    if not (blob[:6] == b"GIF87a" and blob[10] & 0x87 == 0x87 and count == 20
            and [as_reader_sees(f) for f in frames] == want and reader == want):
        fail(f"banner.gif: {blob[:6]}, flags {blob[10]:#x}, {count} frames, walker {frames[:1]}, identify {reader[:1]}")

    print(f"walker vs identify: {checked_files} files, {checked_frames} frame files, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
