"""Writes GIF files block by block (Python standard library only).

Used by the banner script and by the walker tests, which need block layouts
(GIF87a with graphic control extensions, plain-text blocks, truncations) that
imaging libraries do not write.
"""
import struct


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.bits = 0

    def write(self, code, width):
        self.acc |= code << self.bits
        self.bits += width
        while self.bits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.bits -= 8

    def flush(self):
        if self.bits:
            self.out.append(self.acc & 0xFF)
        self.acc = self.bits = 0
        return bytes(self.out)


def lzw_encode(indices, min_code_size):
    """GIF-flavoured LZW of a sequence of colour indices."""
    clear = 1 << min_code_size
    eoi = clear + 1
    bw = BitWriter()

    def reset():
        return {bytes([i]): i for i in range(clear)}, eoi + 1, min_code_size + 1

    table, next_code, width = reset()
    bw.write(clear, width)
    w = b""
    for k in indices:
        wk = w + bytes([k])
        if wk in table:
            w = wk
            continue
        bw.write(table[w], width)
        table[wk] = next_code
        next_code += 1
        if next_code == 4096:
            bw.write(clear, width)
            table, next_code, width = reset()
        elif next_code == (1 << width) + 1 and width < 12:
            width += 1
        w = bytes([k])
    if w:
        bw.write(table[w], width)
    bw.write(eoi, width)
    return bw.flush()


def sub_blocks(payload):
    """A sub-block chain: size-prefixed pieces of at most 255 bytes and a 0."""
    out = bytearray()
    for i in range(0, len(payload), 255):
        piece = payload[i:i + 255]
        out.append(len(piece))
        out += piece
    out.append(0)
    return bytes(out)


def table_bits(entries):
    """Size exponent n for a colour table of `entries` (2 <= entries <= 256)."""
    n = 0
    while (2 << n) < entries:
        n += 1
    return n


def colour_table(colours, entries):
    data = bytearray()
    for i in range(entries):
        r, g, b = colours[i] if i < len(colours) else (0, 0, 0)
        data += bytes((r, g, b))
    return bytes(data)


def header(version, width, height, global_colours=None, background=0):
    out = bytearray(b"GIF" + version.encode("ascii"))
    flags = 0
    table = b""
    if global_colours is not None:
        n = table_bits(len(global_colours))
        flags = 0x80 | (n << 4) | n
        table = colour_table(global_colours, 2 << n)
    out += struct.pack("<HHBBB", width, height, flags, background, 0)
    return bytes(out) + table


def graphic_control(delay, disposal, transparent=None):
    flags = (disposal & 7) << 2
    if transparent is not None:
        flags |= 1
    return struct.pack("<BBBBHBB", 0x21, 0xF9, 4, flags, delay, transparent or 0, 0)


def image(left, top, width, height, indices, local_colours=None, min_code_size=None):
    flags = 0
    table = b""
    entries = 256
    if local_colours is not None:
        n = table_bits(len(local_colours))
        flags = 0x80 | n
        entries = 2 << n
        table = colour_table(local_colours, entries)
    if min_code_size is None:
        min_code_size = max(2, (max(indices) if indices else 0).bit_length())
    out = struct.pack("<BHHHHB", 0x2C, left, top, width, height, flags) + table
    return out + bytes([min_code_size]) + sub_blocks(lzw_encode(indices, min_code_size))


def comment(text):
    return b"\x21\xFE" + sub_blocks(text)


def application_loop(count=0):
    return b"\x21\xFF\x0BNETSCAPE2.0" + sub_blocks(struct.pack("<BH", 1, count))


def plain_text(left, top, width, height, text):
    fixed = struct.pack("<BBBHHHHBBBB", 0x21, 0x01, 12, left, top, width, height, 8, 8, 1, 0)
    return fixed + sub_blocks(text)


TRAILER = b"\x3B"
