"""The files `facetmint render` writes, read back by real readers.

usage: icon_outputs_check.py FACETMINT TEST_DATA_DIR

The .icns, .ico and .png of today's outputs are checked against the hashes in
tests/data/golden/document_outputs.txt; the .icns elements, the iconset, the icon theme and
the web icons are read by Pillow, icns2png/png2icns, xdg-icon-resource and icotool.
"""
import hashlib
import io
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image, IcnsImagePlugin

EXE, DATA = sys.argv[1], sys.argv[2]
DOCUMENT_ELEMENTS = [b"is32", b"s8mk", b"il32", b"l8mk", b"ih32", b"h8mk", b"it32", b"t8mk", b"ic08"]
PNG_ELEMENTS = {b"ic09": 512, b"ic10": 1024, b"ic11": 32, b"ic12": 64, b"ic13": 256, b"ic14": 512}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def run(args, expect=0, env=None):
    p = subprocess.run([EXE] + args, capture_output=True, text=True, env=env)
    check(p.returncode == expect, f"{args}: status {p.returncode}, {p.stderr.strip()}")
    return p


def elements(path):
    data = open(path, "rb").read()
    check(data[:4] == b"icns", f"{path}: no icns header")
    check(struct.unpack(">I", data[4:8])[0] == len(data), f"{path}: header length != size")
    found, at = [], 8
    while at < len(data):
        kind, length = data[at:at + 4], struct.unpack(">I", data[at + 4:at + 8])[0]
        found.append((kind, data[at:at + length]))
        at += length
    check(at == len(data), f"{path}: elements overrun the file")
    return found


def document_icns(path):
    """The file as it was before the PNG elements: the nine elements under their header."""
    nine = [e for kind, e in elements(path) if kind in DOCUMENT_ELEMENTS]
    body = b"".join(nine)
    return b"icns" + struct.pack(">I", 8 + len(body)) + body


def sha(data):
    return hashlib.sha256(data).hexdigest()


def size_of(path):
    with Image.open(path) as im:
        return im.size


def golden(tmp):
    cases = {}
    for line in open(os.path.join(DATA, "golden", "document_outputs.txt")):
        if line.strip() and not line.startswith("#"):
            name, digest = line.split()
            cases[name] = digest
    # The water can alone, without the texture beside it that the program now finds: the
    # untextured model the earlier program drew.
    lone = os.path.join(tmp, "lone")
    os.makedirs(lone)
    shutil.copy(os.path.join(DATA, "models/md3/watercan.md3"), lone)
    models = {
        "cube": [],
        "watercan": [os.path.join(lone, "watercan.md3"), "--view", "-60,25",
                     "--shadow-direction", "-135"],
        "fels": [os.path.join(DATA, "models/3ds/fels.3ds"), "--no-shadow", "--rotate", "10,20,30"],
    }
    for name, args in models.items():
        out = os.path.join(tmp, "golden-" + name)
        os.makedirs(out)
        f = lambda ext: os.path.join(out, name + ext)
        # With every new output written by the same run: the masters disturb nothing.
        run(["render"] + args + ["-o", f(".icns"), "-o", f(".ico"), "-o", f(".png"),
                                 "-o", f(".iconset"), "--web", os.path.join(out, "web")])
        got = {name + ".icns": sha(document_icns(f(".icns"))),
               name + ".ico": sha(open(f(".ico"), "rb").read()),
               name + ".png": sha(open(f(".png"), "rb").read())}
        for key, digest in got.items():
            check(cases.get(key) == digest, f"{key} differs from the program's earlier output")


def icns(tmp, path):
    found = elements(path)
    kinds = [k for k, _ in found]
    check(kinds == DOCUMENT_ELEMENTS + list(PNG_ELEMENTS), f"icns element order {kinds}")
    for kind, element in found:
        if kind in PNG_ELEMENTS:
            with Image.open(io.BytesIO(element[8:])) as im:
                check(im.format == "PNG" and im.size == (PNG_ELEMENTS[kind],) * 2,
                      f"{kind}: {im.format} {im.size}")
    reader = IcnsImagePlugin.IcnsFile(open(path, "rb"))
    for size in [(16, 16, 1), (16, 16, 2), (32, 32, 1), (32, 32, 2), (48, 48, 1),
                 (128, 128, 1), (128, 128, 2), (256, 256, 1), (256, 256, 2), (512, 512, 1),
                 (512, 512, 2)]:
        im = reader.getimage(size)
        check(im.size == (size[0] * size[2],) * 2, f"Pillow reads {size} as {im.size}")
        check(im.convert("RGBA").getchannel("A").getbbox() is not None, f"{size} is empty")
    listing = subprocess.run(["icns2png", "-l", path], capture_output=True, text=True).stdout
    for text in ["'is32' 16x16", "'ic08' 256x256", "'ic09' 512x512", "'ic10' 1024x1024"]:
        check(text in listing, f"icns2png does not list {text}: {listing}")


def iconset(tmp, folder):
    names = {"icon_16x16.png": 16, "icon_16x16@2x.png": 32, "icon_32x32.png": 32,
             "icon_32x32@2x.png": 64, "icon_128x128.png": 128, "icon_128x128@2x.png": 256,
             "icon_256x256.png": 256, "icon_256x256@2x.png": 512, "icon_512x512.png": 512,
             "icon_512x512@2x.png": 1024}
    check(sorted(os.listdir(folder)) == sorted(names), f"iconset holds {os.listdir(folder)}")
    for name, side in names.items():
        check(size_of(os.path.join(folder, name)) == (side, side), f"{name} is not {side}")
    packed = os.path.join(tmp, "packed.icns")
    files = [os.path.join(folder, f"icon_{s}x{s}.png") for s in (16, 32, 128, 256, 512)]
    p = subprocess.run(["png2icns", packed] + files, capture_output=True, text=True)
    check(p.returncode == 0 and os.path.getsize(packed) > 1000, f"png2icns: {p.stdout}{p.stderr}")


def theme(tmp, folder, name):
    home = os.path.join(tmp, "xdg")
    env = dict(os.environ, XDG_DATA_HOME=home)
    for side in (16, 22, 24, 32, 48, 64, 128, 256, 512):
        png = os.path.join(folder, "hicolor", f"{side}x{side}", "apps", name + ".png")
        check(os.path.isfile(png) and size_of(png) == (side, side), f"theme {png}")
        p = subprocess.run(["xdg-icon-resource", "install", "--mode", "user", "--noupdate", "--novendor",
                            "--size", str(side), png, name], capture_output=True, text=True,
                           env=env)
        installed = os.path.join(home, "icons/hicolor", f"{side}x{side}", "apps", name + ".png")
        check(p.returncode == 0 and os.path.isfile(installed),
              f"xdg-icon-resource {side}: {p.stderr}")


def web(folder, name, background):
    with Image.open(os.path.join(folder, "favicon.ico")) as ico:
        check(sorted(ico.info["sizes"]) == [(16, 16), (32, 32), (48, 48)],
              f"favicon sizes {ico.info['sizes']}")
        for side in (16, 32, 48):
            ico.size = (side, side)
            ico.load()
            check(ico.size == (side, side), f"favicon {side}")
    raw = open(os.path.join(folder, "favicon.ico"), "rb").read()
    count = struct.unpack("<H", raw[4:6])[0]
    for k in range(count):
        offset = struct.unpack("<I", raw[6 + 16 * k + 12:6 + 16 * k + 16])[0]
        check(raw[offset:offset + 8] == b"\x89PNG\r\n\x1a\n", f"favicon entry {k} is no PNG")
    listing = subprocess.run(["icotool", "-l", os.path.join(folder, "favicon.ico")],
                             capture_output=True, text=True)
    check(listing.returncode == 0 and listing.stdout.count("--icon") == 3,
          f"icotool: {listing.stdout}{listing.stderr}")
    with Image.open(os.path.join(folder, "apple-touch-icon.png")) as im:
        rgba = im.convert("RGBA")
        check(im.size == (180, 180), "apple-touch-icon size")
        check(rgba.getchannel("A").getextrema() == (255, 255), "apple-touch-icon is not opaque")
        check(rgba.getpixel((0, 0)) == background + (255,), f"corner {rgba.getpixel((0, 0))}")
    for side in (192, 512):
        check(size_of(os.path.join(folder, f"icon-{side}.png")) == (side, side), f"icon-{side}")
    manifest = json.load(open(os.path.join(folder, "site.webmanifest")))
    check(manifest["name"] == name, f"manifest name {manifest['name']}")
    check(manifest["icons"] == [
        {"src": f"icon-{s}.png", "sizes": f"{s}x{s}", "type": "image/png", "purpose": "any"}
        for s in (192, 512)], f"manifest icons {manifest['icons']}")


def main():
    tmp = tempfile.mkdtemp(prefix="facetmint-sets-")
    try:
        golden(tmp)
        model = os.path.join(tmp, "My Rifle (v2).3DS")  # the default name's rule
        shutil.copy(os.path.join(DATA, "models/3ds/fels.3ds"), model)
        out = os.path.join(tmp, "out")
        os.makedirs(out)
        run(["render", model, "--fit", "-o", os.path.join(out, "a.icns"), "-o",
             os.path.join(out, "a.iconset"), "-o", os.path.join(out, "big.png"), "--size", "1024",
             "--icon-theme", os.path.join(out, "theme"), "--web", os.path.join(out, "web"),
             "--background", "#102030"])
        icns(tmp, os.path.join(out, "a.icns"))
        iconset(tmp, os.path.join(out, "a.iconset"))
        theme(tmp, os.path.join(out, "theme"), "my-rifle--v2-")
        web(os.path.join(out, "web"), "my-rifle--v2-", (0x10, 0x20, 0x30))
        check(size_of(os.path.join(out, "big.png")) == (1024, 1024), "--size 1024")
        # A set replaces its files; a folder that cannot be made stops with status 1.
        run(["render", "--icon-theme", os.path.join(out, "theme"), "--name", "my-rifle--v2-"])
        blocker = os.path.join(out, "file")
        open(blocker, "w").close()
        p = run(["render", "--web", os.path.join(blocker, "web")], expect=1)
        check(p.stderr.count("\n") == 1 and "facetmint: " in p.stderr, f"error: {p.stderr}")
        run(["render", "--size", "15", "-o", os.path.join(out, "x.png")], expect=2)
        run(["render", "--name", "../up", "--web", os.path.join(out, "w")], expect=2)
    finally:
        shutil.rmtree(tmp)
    print("failures:", len(failures))
    return 1 if failures else 0


sys.exit(main())
