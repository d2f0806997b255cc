#!/usr/bin/python3
"""Peak memory of `facetmint render` for a model whose four materials name one 8192 x 8192
texture (PNG, then JPEG), and of the same model untextured for comparison.

usage: bench/texture_peak_memory.py build/app/facetmint
Needs Pillow (python3-pil) and /usr/bin/time.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

from PIL import Image


def chunk(cid, data=b"", children=()):
    body = data + b"".join(children)
    return struct.pack("<HI", cid, len(body) + 6) + body


def material(name, texture):
    children = [chunk(0xA000, name.encode() + b"\0"),
                chunk(0xA020, b"", [chunk(0x0010, struct.pack("<3f", 1, 1, 1))])]
    if texture:
        children.append(chunk(0xA200, b"", [chunk(0x0030, struct.pack("<h", 100)),
                                            chunk(0xA300, texture.encode() + b"\0")]))
    return chunk(0xAFFF, b"", children)


def mesh(name, x, mat):
    corners = [(x, 0, 0), (x + 1, 0, 0), (x, 1, 0), (x, 0, 1)]
    verts = struct.pack("<H", 4) + b"".join(struct.pack("<3f", *p) for p in corners)
    faces = struct.pack("<H", 4) + b"".join(
        struct.pack("<4H", *f, 7) for f in [(0, 2, 1), (0, 1, 3), (1, 2, 3), (2, 0, 3)])
    group = chunk(0x4130, mat.encode() + b"\0" + struct.pack("<5H", 4, 0, 1, 2, 3))
    uv = chunk(0x4140, struct.pack("<H", 4) + struct.pack("<8f", 0, 0, 1, 0, 0, 1, 1, 1))
    return chunk(0x4000, name.encode() + b"\0",
                 [chunk(0x4100, b"", [chunk(0x4110, verts), chunk(0x4120, faces, [group]), uv])])


def model(path, textures):
    mats = [material("M%d" % i, t) for i, t in enumerate(textures)]
    meshes = [mesh("m%d" % i, i * 1.5, "M%d" % i) for i in range(len(textures))]
    with open(path, "wb") as f:
        f.write(chunk(0x4D4D, b"", [chunk(0x0002, struct.pack("<I", 3)),
                                    chunk(0x3D3D, b"", mats + meshes)]))


def peak_kb(binary, model_path, out):
    run = subprocess.run(["/usr/bin/time", "-v", binary, "render", model_path, "-o", out],
                         capture_output=True, text=True, check=True)
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr).group(1))


def main():
    binary = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as d:
        grey = Image.radial_gradient("L").resize((8192, 8192))
        picture = Image.merge("RGB", (grey, grey.rotate(90), grey.transpose(Image.FLIP_LEFT_RIGHT)))
        picture.save(os.path.join(d, "big.png"), compress_level=1)
        picture.save(os.path.join(d, "big.jpg"), quality=90)
        del grey, picture
        cases = [("untextured", [""] * 4)]
        for ext in ("png", "jpg"):
            # Four spellings of one file, as materials write them.
            cases.append(("8192 " + ext, ["big." + ext, "BIG." + ext.upper(), "big." + ext,
                                          "C:\\maps\\big." + ext]))
        for label, textures in cases:
            path = os.path.join(d, "model.3ds")
            model(path, textures)
            kb = peak_kb(binary, path, os.path.join(d, "out.png"))
            print("%-12s peak %6.1f MB" % (label, kb / 1024))


if __name__ == "__main__":
    main()
