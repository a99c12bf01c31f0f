#!/usr/bin/env python3
"""Writes the metafiles of this folder, record by record, so that every byte
is explained here and none comes from a drawing program.

    python3 make.py        (in this folder)

Start files of the fuzz target (each loads and draws):
  shapes.wmf     placeable; pen, brush, font, rectangle, ellipse, polygon,
                 polyline, poly-polygon, both text records
  bitmaps.wmf    every bitmap record: StretchDIB (8 bits, and run-length
                 coded 4 bits), DIBStretchBlt (24 bits), DIBBitBlt
                 (run-length coded, 8 bits),
                 SetDIBitsToDevice (4 bits), DIBCreatePatternBrush (1 bit)
  shapes.emf     pen, brush, font, rectangle, polygons of both point sizes,
                 poly-polygon, wide text with advances
  bitmaps.emf    StretchDIBits (24 and 4 bits), BitBlt (8 bits), a DIB
                 pattern brush (1 bit); the enhanced translator draws no
                 run-length coded bitmap
  emfplus.emf    comments holding records of the second kind (header, a
                 brush object, filled rectangles, end of file) before the
                 plain records that draw the same
Files that once made a translator fail (each is refused with a clean error):
  huge_rle_bitmap.wmf     198 bytes; StretchDIB claims a 20000 x 20000
                          run-length coded bitmap, which was decoded whole
  header_past_end.emf     89 bytes; the header claims 276 bytes and a
                          description past the data; the translator read
                          the next record's header beyond the buffer
  damaged_emfplus.emf     152 bytes; a comment holding a second-kind header
                          record claims 200 bytes of data in its 44, which
                          the translator copied from past the buffer
"""

import os
import struct


def le(fmt, *values):
    return struct.pack("<" + fmt, *values)


# ------------------------------------------------------------------ bitmaps

def dib(width, height, bits, rows, palette=(), compression=0, used=0):
    """A device-independent bitmap: the 40-byte header, the colour table
    (blue, green, red, 0 per entry), then the rows or their code."""
    header = le("IiiHHIIiiII", 40, width, height, 1, bits, compression, len(rows), 2835, 2835, used, 0)
    table = b"".join(le("BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + table + rows


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def dib_8bit(width, height):
    # Index (x + y) % 4 of a four-colour table, rows bottom-up.
    rows = b"".join(padded(bytes((x + y) % 4 for x in range(width))) for y in range(height))
    return dib(width, height, 8, rows, [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)], used=4)


def dib_24bit(width, height):
    rows = b"".join(padded(b"".join(le("BBB", 40 * x, 40 * y, 200) for x in range(width))) for y in range(height))
    return dib(width, height, 24, rows)


def dib_4bit(width, height):
    rows = b"".join(padded(bytes(((x % 16) << 4) | ((x + 1) % 16) for x in range(0, width, 2))) for _ in range(height))
    return dib(width, height, 4, rows, [(i * 16, 255 - i * 16, i * 8) for i in range(16)])


def dib_1bit(width, height):
    rows = b"".join(padded(bytes([0xAA if y % 2 else 0x55] * ((width + 7) // 8))) for y in range(height))
    return dib(width, height, 1, rows, [(0, 0, 0), (255, 255, 255)])


def dib_rle8(width, height):
    # Per row: a run of `width` pixels of colour 1, end of line; end of bitmap.
    code = b"".join(le("BB", width, 1) + le("BB", 0, 0) for _ in range(height - 1)) + le("BB", width, 1)
    code += le("BB", 0, 1)
    return dib(width, height, 8, code, [(0, 0, 0), (255, 0, 0)], compression=1, used=2)


def dib_rle4(width, height):
    # Per row: an absolute run of 4 pixels (two bytes, padded to a word),
    # then a run of the rest in alternating colours 1 and 2.
    row = le("BB", 0, 4) + bytes([0x12, 0x34]) + le("BB", width - 4, 0x12) + le("BB", 0, 0)
    return dib(width, height, 4, row * height + le("BB", 0, 1),
               [(i * 16, 0, 255 - i * 16) for i in range(16)], compression=2)


# ------------------------------------------------------------ Windows metafile

def wmf_record(function, params):
    assert len(params) % 2 == 0
    return le("IH", 3 + len(params) // 2, function) + params


def wmf(records, width, height, placeable=True):
    """Placeable header (96 units per inch), 18-byte header, the records and
    the end record."""
    body = b"".join(records) + wmf_record(0x0000, b"")
    largest = max(struct.unpack_from("<I", r)[0] for r in records + [wmf_record(0, b"")])
    # type disk, 9 words, version 3.0, size in words, 8 objects, largest record, 0
    header = le("HHHIHIH", 2, 9, 0x300, (18 + len(body)) // 2, 8, largest, 0)
    out = header + body
    if placeable:
        head = le("IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, width, height, 96, 0)
        checksum = 0
        for i in range(0, 20, 2):
            checksum ^= struct.unpack_from("<H", head, i)[0]
        out = head + le("H", checksum) + out
    return out


def wmf_window(width, height):
    return [wmf_record(0x020B, le("hh", 0, 0)),              # SetWindowOrg y, x
            wmf_record(0x020C, le("hh", height, width))]     # SetWindowExt y, x


def wmf_shapes():
    name = b"Arial" + b"\0" * 27
    text = b"Logo"
    ext_text = b"SMS!"
    return wmf(wmf_window(120, 80) + [
        wmf_record(0x02FA, le("HhhI", 0, 2, 0, 0x000000)),            # CreatePenIndirect: solid, 2 wide, black
        wmf_record(0x012D, le("H", 0)),                               # SelectObject 0
        wmf_record(0x02FC, le("HIH", 0, 0x0000FF, 0)),                # CreateBrushIndirect: solid red
        wmf_record(0x012D, le("H", 1)),
        wmf_record(0x02FB, le("hhhhhBBBBBBBB", -12, 0, 0, 0, 700, 0, 0, 0, 238, 0, 0, 0, 0) + name),  # CreateFontIndirect
        wmf_record(0x012D, le("H", 2)),
        wmf_record(0x041B, le("hhhh", 30, 50, 5, 5)),                 # Rectangle bottom, right, top, left
        wmf_record(0x0418, le("hhhh", 70, 110, 40, 60)),              # Ellipse
        wmf_record(0x0324, le("H", 3) + le("hhhhhh", 10, 70, 40, 40, 55, 75)),   # Polygon of 3 points
        wmf_record(0x0325, le("H", 2) + le("hhhh", 0, 0, 119, 79)),              # Polyline of 2 points
        wmf_record(0x0538, le("HHH", 2, 3, 3) + le("hhhhhh", 80, 5, 100, 5, 90, 20)
                   + le("hhhh", 80, 25, 100, 25) + le("hh", 90, 35)),             # PolyPolygon, 2 x 3 points
        wmf_record(0x0521, le("H", len(text)) + text + le("hh", 60, 10)),        # TextOut: length, text, y, x
        wmf_record(0x0A32, le("hhHH", 75, 10, len(ext_text), 0x0004) + le("hhhh", 10, 62, 60, 78)
                   + ext_text + le("hhhh", 8, 8, 8, 8)),                          # ExtTextOut, clipped, advances
    ], 120, 80)


def wmf_bitmaps():
    b8, b24, rle, b4, b1 = dib_8bit(6, 5), dib_24bit(4, 3), dib_rle8(8, 4), dib_4bit(8, 2), dib_1bit(8, 8)
    srccopy = 0x00CC0020
    return wmf(wmf_window(100, 100) + [
        # StretchDIB: operation, usage (colours), source h, w, y, x, destination h, w, y, x, bitmap
        wmf_record(0x0F43, le("IH", srccopy, 0) + le("hhhhhhhh", 5, 6, 0, 0, 50, 50, 0, 0) + b8),
        # DIBStretchBlt: operation, source h, w, y, x, destination h, w, y, x, bitmap
        wmf_record(0x0B41, le("I", srccopy) + le("hhhhhhhh", 3, 4, 0, 0, 50, 50, 0, 50) + b24),
        # DIBBitBlt: operation, source y, x, height, width, destination y, x, bitmap
        wmf_record(0x0940, le("I", srccopy) + le("hhhhhh", 0, 0, 4, 8, 50, 0) + rle),
        # StretchDIB again, run-length coded 4 bits
        wmf_record(0x0F43, le("IH", srccopy, 0) + le("hhhhhhhh", 3, 12, 0, 0, 20, 40, 80, 0) + dib_rle4(12, 3)),
        # SetDIBitsToDevice: usage, scan count, first scan, source y, x, height, width, destination y, x
        wmf_record(0x0D33, le("H", 0) + le("hhhhhhhh", 2, 0, 0, 0, 2, 8, 60, 60) + b4),
        # DIBCreatePatternBrush: style (DIB pattern), usage, bitmap; selected, then a rectangle with it
        wmf_record(0x0142, le("HH", 5, 0) + b1),
        wmf_record(0x012D, le("H", 0)),
        wmf_record(0x041B, le("hhhh", 95, 95, 75, 75)),
    ], 100, 100)


def wmf_huge_rle_bitmap():
    # StretchDIB of a bitmap claiming 20000 x 20000 pixels, 8 bits,
    # run-length coded, two colours; its code is 27 runs of 2 pixels on the
    # first row, then end of bitmap: the translator made room for all
    # 400 million pixels first.
    code = le("BB", 2, 1) * 27 + le("BB", 0, 1)
    bitmap = dib(20000, 20000, 8, code, [(0, 0, 0), (255, 255, 255)], compression=1, used=2)
    return wmf(wmf_window(100, 100) + [
        wmf_record(0x0F43, le("IH", 0x00CC0020, 0) + le("hhhhhhhh", 100, 100, 0, 0, 100, 100, 0, 0) + bitmap),
    ], 100, 100)


# ----------------------------------------------------------- enhanced metafile

def emf_record(kind, fields):
    assert len(fields) % 4 == 0
    return le("II", kind, 8 + len(fields)) + fields


def emf(records, width, height, description="", count=None, size=None, header_size=None):
    """Header record (frame in hundredths of a millimetre at 96 pixels per
    inch), the records and the end record. `count`, `size`, `header_size`
    override what the header claims."""
    desc = description.encode("utf-16-le")
    desc_padded = desc + b"\0" * (-len(desc) % 4)
    eof = emf_record(14, le("III", 0, 16, 20))          # no palette, its offset, own size
    body = b"".join(records) + eof
    hsize = 108 + len(desc_padded)
    total = hsize + len(body)
    header = le("II", 1, header_size or hsize)
    header += le("iiii", 0, 0, width - 1, height - 1)                                # bounds, pixels
    header += le("iiii", 0, 0, -(-width * 2540 // 96), -(-height * 2540 // 96))      # frame, rounded up
    header += le("II", 0x464D4520, 0x10000)                                          # " EMF", version
    header += le("II", size or total, count or len(records) + 2)                     # bytes, records
    header += le("HH", 8, 0)                                                         # handles, reserved
    header += le("II", len(desc) // 2, 108 if desc else 0)                           # description
    header += le("I", 0)                                                             # palette entries
    header += le("iiii", 1024, 768, 271, 203)                                        # device, millimetres
    header += le("III", 0, 0, 0)                                                     # pixel format, OpenGL
    header += le("ii", 271000, 203000)                                               # micrometres
    return header + desc_padded + body


BOUNDS = le("iiii", 0, 0, 99, 99)


def emf_shapes():
    face = "Arial".encode("utf-16-le") + b"\0" * 54
    text = "Logo".encode("utf-16-le")
    # ExtTextOutW: bounds, graphics mode, scales, then the text's fields:
    # reference point, characters, text offset, options, rectangle, advances offset
    text_fields = BOUNDS + le("Iff", 1, 1.0, 1.0) + le("iiIII", 10, 70, 4, 76, 0) + le("iiii", 0, 0, 0, 0) + le("I", 84)
    return emf([
        emf_record(38, le("IIiiI", 1, 0, 2, 0, 0x000000)),           # CreatePen 1: solid, 2 wide, black
        emf_record(37, le("I", 1)),                                    # SelectObject 1
        emf_record(39, le("IIII", 2, 0, 0x0000FF, 0)),                 # CreateBrushIndirect 2: solid red
        emf_record(37, le("I", 2)),
        # ExtCreateFontIndirectW 3: height, width, escapement, orientation,
        # weight, italic, underline, strike out, charset, precisions,
        # quality, pitch, 32-character face name
        emf_record(82, le("I", 3) + le("iiiii", -12, 0, 0, 0, 700) + bytes([0, 0, 0, 238, 0, 0, 0, 0]) + face),
        emf_record(37, le("I", 3)),
        emf_record(43, le("iiii", 5, 5, 50, 30)),                      # Rectangle
        emf_record(3, BOUNDS + le("I", 3) + le("iiiiii", 10, 40, 40, 40, 25, 60)),      # Polygon, 32-bit points
        emf_record(86, BOUNDS + le("I", 4) + le("hhhhhhhh", 60, 10, 90, 10, 90, 40, 60, 40)),  # Polygon16
        emf_record(87, BOUNDS + le("I", 2) + le("hhhh", 0, 0, 99, 99)),                  # Polyline16
        emf_record(91, BOUNDS + le("II", 2, 6) + le("II", 3, 3)
                   + le("hhhhhh", 70, 60, 90, 60, 80, 75) + le("hhhhhh", 70, 80, 90, 80, 80, 95)),  # PolyPolygon16
        emf_record(84, text_fields + text + le("IIII", 9, 9, 9, 9)),  # ExtTextOutW, 4 characters and advances
    ], 100, 100, description="Vemlor\0shapes\0\0")


def emf_bitmap_record(kind, fixed, bitmap_fields_at, bitmap):
    """`fixed` is the record's fields before the bitmap; the bitmap header
    and the rows follow them, and their offsets and sizes are filled in at
    `bitmap_fields_at` (from the record's start)."""
    header_size = 40 + (len(bitmap) - 40 - struct.unpack_from("<I", bitmap, 20)[0])
    at = 8 + len(fixed)
    fields = bytearray(fixed)
    struct.pack_into("<IIII", fields, bitmap_fields_at - 8, at, header_size, at + header_size, len(bitmap) - header_size)
    return emf_record(kind, bytes(fields) + bitmap + b"\0" * (-len(bitmap) % 4))


def emf_bitmaps():
    b24, b4, b8, b1 = dib_24bit(4, 3), dib_4bit(12, 3), dib_8bit(6, 5), dib_1bit(8, 8)
    srccopy = 0x00CC0020
    # StretchDIBits: bounds, destination x, y, source x, y, w, h, the
    # bitmap's four fields, usage, operation, destination w, h
    def stretch(x, y, w, h, bitmap):
        fixed = BOUNDS + le("iiiiii", x, y, 0, 0, w, h) + le("IIII", 0, 0, 0, 0) + le("IIii", 0, srccopy, 40, 40)
        return emf_bitmap_record(81, fixed, 48, bitmap)
    # BitBlt: bounds, destination x, y, w, h, operation, source x, y, the
    # source transform, background colour, usage, the bitmap's four fields
    bitblt_fixed = (BOUNDS + le("iiii", 50, 50, 6, 5) + le("Iii", srccopy, 0, 0) + le("ffffff", 1, 0, 0, 1, 0, 0)
                    + le("II", 0xFFFFFF, 0) + le("IIII", 0, 0, 0, 0))
    return emf([
        stretch(0, 0, 4, 3, b24),
        stretch(50, 0, 12, 3, b4),
        emf_bitmap_record(76, bitblt_fixed, 84, b8),
        # CreateDIBPatternBrushPt 1: usage, the bitmap's four fields; selected; a rectangle with it
        emf_bitmap_record(94, le("II", 1, 0) + le("IIII", 0, 0, 0, 0), 16, b1),
        emf_record(37, le("I", 1)),
        emf_record(43, le("iiii", 0, 60, 40, 99)),
    ], 100, 100)


def emfplus_comment(records):
    data = b"EMF+" + b"".join(records)
    return emf_record(70, le("I", len(data)) + data + b"\0" * (-len(data) % 4))


def emfplus_record(kind, flags, data):
    assert len(data) % 4 == 0
    return le("HHII", kind, flags, 12 + len(data), len(data)) + data


def emf_plus():
    return emf([
        # Header (version, dual: plain records follow, resolution 96 x 96),
        # then a solid brush object 0 of opaque green.
        emfplus_comment([emfplus_record(0x4001, 1, le("IIII", 0xDBC01002, 0, 96, 96)),
                         emfplus_record(0x4008, 0x0100, le("III", 0xDBC01002, 0, 0xFF00FF00))]),
        # FillRects with brush object 0: one rectangle of 16-bit fields
        # (flag 0x4000), x, y, w, h; then end of file.
        emfplus_comment([emfplus_record(0x400A, 0x4000, le("II", 0, 1) + le("hhhh", 10, 10, 80, 30)),
                         emfplus_record(0x4002, 0, b"")]),
        emf_record(39, le("IIII", 1, 0, 0x00FF00, 0)),
        emf_record(37, le("I", 1)),
        emf_record(43, le("iiii", 10, 10, 90, 40)),
    ], 100, 50)


def emf_header_past_end():
    # The file claims 276 bytes in 3 records and a description of 40
    # characters at byte 88; the data ends after the 88-byte header record
    # and one byte more.
    header = le("II", 1, 88) + le("iiii", 0, 0, 99, 49) + le("iiii", 0, 0, 2646, 1323)
    header += le("II", 0x464D4520, 0x10000) + le("II", 276, 3) + le("HH", 1, 0)
    header += le("III", 40, 88, 0) + le("iiii", 1024, 768, 271, 203)
    return header + b"V"


def emf_damaged_plus():
    # A comment of 44 bytes claiming 200 bytes of data: "EMF+" and a
    # second-kind header record (version, dual, 96 x 96), which the
    # translator copied as 200 bytes; then the end record.
    data = b"EMF+" + le("HHII", 0x4001, 1, 28, 16) + le("IIII", 0xDBC01002, 0, 96, 96)
    comment = le("III", 70, 12 + len(data), 200) + data
    body = comment + emf_record(14, le("III", 0, 16, 20))
    header = le("II", 1, 88) + le("iiii", 0, 0, 99, 49) + le("iiii", 0, 0, 2646, 1323)
    header += le("II", 0x464D4520, 0x10000) + le("II", 88 + len(body), 3) + le("HH", 1, 0)
    header += le("III", 0, 0, 0) + le("iiii", 1024, 768, 271, 203)
    return header + body


FILES = {
    "shapes.wmf": wmf_shapes,
    "bitmaps.wmf": wmf_bitmaps,
    "shapes.emf": emf_shapes,
    "bitmaps.emf": emf_bitmaps,
    "emfplus.emf": emf_plus,
    "huge_rle_bitmap.wmf": wmf_huge_rle_bitmap,
    "header_past_end.emf": emf_header_past_end,
    "damaged_emfplus.emf": emf_damaged_plus,
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, make in FILES.items():
        data = make()
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")
