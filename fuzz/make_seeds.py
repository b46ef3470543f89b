#!/usr/bin/env python3
"""Seed corpora for the fuzz harnesses: the generated assets plus small edge files.

usage: make_seeds.py DATA_DIR OUT_DIR [XM_TESTMODULE]

Writes OUT_DIR/bmp, OUT_DIR/lwo, OUT_DIR/ini and OUT_DIR/module. The assets come from
DATA_DIR (build/data); the edge files are made here, a few hundred bytes each, so that
every branch of each reader has an input close to it from the start. XM_TESTMODULE
(the xm_testmodule tool) adds a few tiny modules.
"""
import os
import struct
import subprocess
import sys

kMaxSeedBytes = 64 << 10


def bmp(width, height, bits=24, compression=0, offset=None, pixels=None, palette_entries=0,
        info_size=40, magic=b"BM", cut=None):
    """A BMP file; `height` negative for top-down; pixel bytes default to a ramp."""
    rows = abs(height) if height not in (-2**31,) else 1
    row_bytes = max(width, 0) * bits // 8 if bits in (8, 24) else max(width, 0) * 4
    if pixels is None:
        pixels = bytes(i & 0xFF for i in range(min(row_bytes * min(rows, 64), 4096)))
    palette = b"".join(struct.pack("<BBBB", i, 255 - i, i // 2, 0)
                       for i in range(palette_entries))
    header_end = 14 + info_size + len(palette)
    if offset is None:
        offset = header_end
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(pixels), 2835, 2835, palette_entries, 0)
    info += bytes(info_size - 40) if info_size > 40 else b""
    info = info[:info_size] if info_size >= 0 else info
    body = info + palette
    gap = bytes(offset - header_end) if header_end <= offset <= header_end + 256 else b""
    data = magic + struct.pack("<IHHI", 14 + len(body) + len(gap) + len(pixels), 0, 0, offset)
    data += body + gap + pixels
    return data[:cut] if cut is not None else data


def bmp_seeds():
    blue_red = bytes([0xFF, 0, 0] * 4 + [0, 0, 0xFF] * 4)
    return {
        "bottom_up_4x2": bmp(4, 2, pixels=blue_red),
        "top_down_4x2": bmp(4, -2, pixels=blue_red),
        "palette_4x2": bmp(4, 2, bits=8, pixels=bytes(range(8)), palette_entries=256),
        "palette_few_entries": bmp(4, 1, bits=8, pixels=bytes([0, 1, 2, 200]), palette_entries=2),
        "v5_header_palette": bmp(4, 1, bits=8, pixels=bytes(4), palette_entries=4, info_size=124),
        "offset_past_54": bmp(4, 1, offset=80, pixels=bytes(12)),
        "width_6": bmp(6, 1, pixels=bytes(18)),
        "rle8": bmp(4, 1, bits=8, compression=1, pixels=bytes(4), palette_entries=2),
        "bits_16": bmp(4, 1, bits=16, pixels=bytes(8)),
        "bits_32_compressed": bmp(4, 1, bits=32, compression=3, pixels=bytes(16)),
        "not_bm": bmp(4, 1, magic=b"MB", pixels=bytes(12)),
        "height_int_min": bmp(4, -2**31, pixels=bytes(12)),
        "width_zero": bmp(0, 1, pixels=b""),
        "width_negative": bmp(-4, 1, pixels=bytes(12)),
        "width_huge": bmp(0x7FFFFFFC, 1, pixels=bytes(12)),
        "height_huge": bmp(4, 0x7FFFFFFF, pixels=bytes(12)),
        "offset_past_end": bmp(4, 1, offset=0xFFFFFFF0, pixels=bytes(12)),
        "pixels_cut": bmp(8, 8, cut=60),
        "headers_only": bmp(4, 1, cut=54),
        "header_cut": bmp(4, 1, cut=20),
    }


def chunk(tag, data, size=None):
    return tag + struct.pack(">I", len(data) if size is None else size) + data


def lwo(chunks, form_size=None, form_type=b"LWOB"):
    body = form_type + b"".join(chunks)
    return b"FORM" + struct.pack(">I", len(body) if form_size is None else form_size) + body


def points(*coordinates):
    return b"".join(struct.pack(">fff", *p) for p in coordinates)


def triangles(*faces, count=3):
    return b"".join(struct.pack(">HHHHh", count, a, b, c, 1) for a, b, c in faces)


def lwo_seeds():
    one = points((0, 0, 0), (1, 0, 0), (0, 1, 0))
    two = points((0, 0, 0), (1, 0, 0), (0, 1, 0), (0, 0, 1))
    tri = triangles((0, 1, 2))
    return {
        "one_triangle": lwo([chunk(b"PNTS", one), chunk(b"POLS", tri)]),
        "shared_edge": lwo([chunk(b"PNTS", two), chunk(b"POLS", triangles((0, 1, 2), (0, 3, 1)))]),
        "with_surfaces": lwo([chunk(b"PNTS", one), chunk(b"SRFS", b"Default\0"),
                              chunk(b"POLS", tri), chunk(b"SURF", b"Default\0" + bytes(6))]),
        "odd_chunk": lwo([chunk(b"PNTS", one), chunk(b"SRFS", b"abc"), chunk(b"POLS", tri)]),
        "pols_before_pnts": lwo([chunk(b"POLS", tri), chunk(b"PNTS", one)]),
        "quad": lwo([chunk(b"PNTS", two), chunk(b"POLS", struct.pack(">HHHHHh", 4, 0, 1, 2, 3, 1))]),
        "index_high": lwo([chunk(b"PNTS", one), chunk(b"POLS", triangles((0, 1, 0x8000)))]),
        "degenerate": lwo([chunk(b"PNTS", points((0, 0, 0), (1, 1, 1), (2, 2, 2))),
                           chunk(b"POLS", tri)]),
        "unused_point": lwo([chunk(b"PNTS", two), chunk(b"POLS", tri)]),
        "pnts_not_multiple": lwo([chunk(b"PNTS", one + b"\0\0"), chunk(b"POLS", tri)]),
        "form_size_huge": lwo([chunk(b"PNTS", one), chunk(b"POLS", tri)], form_size=0xFFFFFFFF),
        "form_size_zero": lwo([chunk(b"PNTS", one), chunk(b"POLS", tri)], form_size=0),
        "chunk_past_end": lwo([chunk(b"PNTS", one, size=0x7FFFFFF0), chunk(b"POLS", tri)]),
        "not_lwob": lwo([chunk(b"PNTS", one)], form_type=b"LWO2"),
        "header_only": b"FORM\0\0\0\4LWOB",
    }


def ini_seeds():
    return {
        "pairs": b"[boule_text]\ndata/boule/boule_tex.bmp\n[boule_vitesse]\n1.5\n",
        "comments_crlf": b"; settings\r\n[a]\r\n1\r\n;between\r\n[b]\r\n-2e3\r\n",
        "no_last_line_feed": b"[a]\n1.5",
        "value_is_section": b"[a]\n[b]\n",
        "missing_value": b"[a]\n1\n[b]\n",
        "blank_lines": b"\n\n[a]\n\n",
        "long_line": b"[a]\n" + b"x" * 1023 + b"\n",
        "numbers": b"[a]\nnan\n[b]\ninf\n[c]\n1e999\n[d]\n-0x1p3\n",
    }


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    data_dir, out_dir = sys.argv[1], sys.argv[2]
    sets = {"bmp": bmp_seeds(), "lwo": lwo_seeds(), "ini": ini_seeds(), "module": {}}
    suffixes = {"bmp": (".bmp",), "lwo": (".lwo",), "ini": (".ini",), "module": (".xm",)}
    for name, seeds in sets.items():
        folder = os.path.join(out_dir, name)
        os.makedirs(folder, exist_ok=True)
        for seed, data in seeds.items():
            with open(os.path.join(folder, seed), "wb") as f:
                f.write(data)
        for root, _, files in os.walk(data_dir):
            for file in files:
                if file.endswith(suffixes[name]):
                    # Large assets keep their first 64 KiB (headers, then a cut), which
                    # keeps every input quick to run.
                    relative = os.path.relpath(os.path.join(root, file), data_dir)
                    with open(os.path.join(root, file), "rb") as f:
                        data = f.read(kMaxSeedBytes)
                    with open(os.path.join(folder, "asset_" + relative.replace("/", "_")), "wb") as f:
                        f.write(data)
    if len(sys.argv) == 4:
        folder = os.path.join(out_dir, "module")
        for orders, rows, speed, tempo in ((1, 1, 1, 125), (3, 2, 3, 125), (2, 4, 31, 32)):
            path = os.path.join(folder, "test_%d_%d_%d_%d.xm" % (orders, rows, speed, tempo))
            subprocess.run([sys.argv[3], path, str(orders), str(rows), str(speed), str(tempo)],
                           check=True)
        with open(os.path.join(folder, "test_1_1_1_125.xm"), "rb") as f:
            small = f.read()
        for cut in (17, 60, 80, len(small) // 2):
            with open(os.path.join(folder, "cut_%d.xm" % cut), "wb") as f:
                f.write(small[:cut])


if __name__ == "__main__":
    main()
