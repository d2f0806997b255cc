#!/usr/bin/python3
"""Writes the sample images the imaging tests decode, with Pillow (python3-pil).

Every sample shows the same 8 x 6 pattern (see Pattern in the tests): red = 32 x,
green = 40 y, blue = 16 (x + y), alpha 255 except the alpha row y = 1, which runs
0, 36, 72, ... 252 across. Run from this folder: /usr/bin/python3 make_samples.py
"""
from PIL import Image

W, H = 8, 6


def pattern(x, y):
    a = 36 * x if y == 1 else 255
    return (32 * x, 40 * y, 16 * (x + y), a)


rgba = Image.new("RGBA", (W, H))
rgba.putdata([pattern(x, y) for y in range(H) for x in range(W)])
rgb = rgba.convert("RGB")

rgba.save("rgba.png")
rgb.save("rgb.bmp")
rgb.quantize(64).save("pal8.bmp")
rgb.convert("1").save("mono.bmp")
rgba.save("rgba.tif", compression="tiff_lzw")
rgb.save("rgb.tif", compression="tiff_adobe_deflate")
rgb.quantize(64).save("pal.tif")
rgb.save("jpeg.tif", compression="jpeg", quality=95)
rgba.save("rgba.tga")
rgba.save("rgba_rle.tga", compression="tga_rle")
rgb.save("rgb_rle.tga", compression="tga_rle")
rgb.save("rgb.jpg", quality=95)
rgb.save("progressive.jpg", quality=95, progressive=True)
rgb.convert("CMYK").save("cmyk.jpg", quality=95)
rgb.convert("L").save("gray.jpg", quality=95)
# Palette GIF: the alpha-0 pixel at (0, 1) becomes the transparent entry.
pal = rgba.convert("RGB").quantize(255)
pal.info["transparency"] = 255
pal.putpixel((0, 1), 255)
pal.save("pal.gif", transparency=255, interlace=True)
rgba.save("icon.ico", sizes=[(8, 6)])

# 16 bits per channel, written by hand (Pillow writes 16-bit grey only): the pattern's
# 8-bit values times 257, no gAMA chunk, so readers take the values as sRGB.
import struct
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


raw = b""
for y in range(H):
    raw += b"\0"
    for x in range(W):
        raw += b"".join(struct.pack(">H", v * 257) for v in pattern(x, y))
with open("rgba16.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n")
    f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 16, 6, 0, 0, 0)))
    f.write(chunk(b"IDAT", zlib.compress(raw)))
    f.write(chunk(b"IEND", b""))
