#!/usr/bin/env python3
"""Independent summary of .3ds and .md3 files, used by the import tests as a second
opinion: prints one JSON object per file with the meshes a user would expect.

3DS: every named object (0x4000) below the first mesh-data chunk (0x3D3D) that holds a
triangle mesh (0x4100): name, hidden flag, vertex and face counts, first material group
and that material's first texture map name.
MD3: header counts and per surface name, vertex and triangle counts.
"""
import json
import struct
import sys

CONTAINERS = {0x4D4D, 0x3D3D, 0x4100, 0xAFFF, 0xA010, 0xA020, 0xA030, 0xA200, 0xB000}


def chunks(data, start, end):
    pos = start
    while pos + 6 <= end:
        cid, length = struct.unpack_from("<HI", data, pos)
        if length < 6 or pos + length > end:
            break
        yield cid, pos, pos + length
        pos += length


def cstring(data, pos, end):
    stop = data.find(b"\0", pos, end)
    if stop < 0:
        stop = end
    return data[pos:stop], stop + 1


def text(raw):
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp1252", errors="replace")


def materials(data, start, end):
    result = {}
    for cid, s, e in chunks(data, start, end):
        if cid != 0xAFFF:
            continue
        name, tex = b"", ""
        for cid2, s2, e2 in chunks(data, s + 6, e):
            if cid2 == 0xA000:
                name, _ = cstring(data, s2 + 6, e2)
            elif cid2 == 0xA200 and not tex:
                for cid3, s3, e3 in chunks(data, s2 + 6, e2):
                    if cid3 == 0xA300:
                        tex = text(cstring(data, s3 + 6, e3)[0])
        result.setdefault(name.lower(), tex)
    return result


def summarize_3ds(data):
    out = {"format": "3ds", "meshes": []}
    if len(data) < 6:
        return out
    root, rlen = struct.unpack_from("<HI", data, 0)
    if root not in (0x4D4D, 0xC23D):
        return out
    end = min(rlen, len(data))
    mdata = [(s, e) for cid, s, e in chunks(data, 6, end) if cid == 0x3D3D]
    if not mdata:
        return out
    s3d, e3d = mdata[0]
    mats = materials(data, s3d + 6, e3d)
    for cid, s, e in chunks(data, s3d + 6, e3d):
        if cid != 0x4000:
            continue
        name, pos = cstring(data, s + 6, e)
        mesh = None
        hidden = False
        for cid2, s2, e2 in chunks(data, pos, e):
            if cid2 == 0x4010:
                hidden = True
            if cid2 == 0x4100 and mesh is None:
                mesh = {"name": text(name), "vertices": 0, "faces": 0, "texcoords": 0,
                        "material": "", "texture": ""}
                for cid3, s3, e3 in chunks(data, s2 + 6, e2):
                    if cid3 == 0x4110:
                        mesh["vertices"] = struct.unpack_from("<H", data, s3 + 6)[0]
                    elif cid3 == 0x4140:
                        mesh["texcoords"] = struct.unpack_from("<H", data, s3 + 6)[0]
                    elif cid3 == 0x4120:
                        n = struct.unpack_from("<H", data, s3 + 6)[0]
                        mesh["faces"] = n
                        for cid4, s4, e4 in chunks(data, s3 + 8 + 8 * n, e3):
                            if cid4 == 0x4130 and not mesh["material"]:
                                group, _ = cstring(data, s4 + 6, e4)
                                mesh["material"] = text(group)
                                mesh["texture"] = mats.get(group.lower(), "")
        if mesh is not None:
            mesh["hidden"] = hidden
            out["meshes"].append(mesh)
    return out


def summarize_md3(data):
    ident, version = data[0:4], struct.unpack_from("<i", data, 4)[0]
    frames, tags, surfaces = struct.unpack_from("<iii", data, 76)
    out = {"format": "md3", "ident": ident.decode("latin-1"), "version": version,
           "frames": frames, "tags": tags, "surfaces": []}
    pos = 108 + frames * 56 + frames * tags * 112
    for _ in range(surfaces):
        name = data[pos + 4:pos + 68].split(b"\0")[0]
        sframes, shaders, verts, tris = struct.unpack_from("<iiii", data, pos + 72)
        off_end = struct.unpack_from("<i", data, pos + 104)[0]
        out["surfaces"].append({"name": text(name), "frames": sframes, "vertices": verts,
                                "triangles": tris})
        pos += off_end
    return out


def main():
    # --tsv: one line per mesh or surface, tab-separated, for readers without JSON.
    tsv = len(sys.argv) > 1 and sys.argv[1] == "--tsv"
    for path in sys.argv[2 if tsv else 1:]:
        with open(path, "rb") as f:
            data = f.read()
        summary = summarize_md3(data) if path.lower().endswith(".md3") else summarize_3ds(data)
        summary["file"] = path
        if not tsv:
            print(json.dumps(summary))
        elif summary["format"] == "3ds":
            for m in summary["meshes"]:
                print("\t".join(str(x) for x in (m["name"], m["vertices"], m["faces"],
                                                   int(m["hidden"]), m["material"],
                                                   m["texture"])))
        else:
            for s in summary["surfaces"]:
                print("\t".join(str(x) for x in (s["name"], s["frames"], s["vertices"],
                                                   s["triangles"])))


if __name__ == "__main__":
    main()
