#!/usr/bin/env python3
"""Independent listing of a SoundFont bank for the explorer's tests: the
bank name, the information items, the preset names and, per sample header,
its name, length, rate and original key; one tab-separated record a line."""
import struct
import sys

data = open(sys.argv[1], "rb").read()
assert data[0:4] == b"RIFF" and data[8:12] == b"sfbk"
chunks = {}
pos = 12
while pos + 8 <= len(data):
    cid, size = struct.unpack_from("<4sI", data, pos)
    if cid == b"LIST":
        kind = data[pos + 8:pos + 12]
        sub, end = pos + 12, pos + 8 + size
        while sub + 8 <= end:
            sid, ssize = struct.unpack_from("<4sI", data, sub)
            chunks[(kind, sid)] = data[sub + 8:sub + 8 + ssize]
            sub += 8 + ssize + (ssize & 1)
    pos += 8 + size + (size & 1)


def text(raw):
    return raw.split(b"\0")[0].decode("latin-1")


info = {sid: body for (kind, sid), body in chunks.items() if kind == b"INFO"}
print("bank\t" + text(info[b"INAM"]))
for key, label in [(b"ifil", "SoundFont Version"), (b"isng", "Sound Engine"), (b"irom", "ROM"),
                   (b"iver", "ROM Version"), (b"ICRD", "Creation Date"), (b"IENG", "Sound Designer"),
                   (b"IPRD", "Product"), (b"ICOP", "Copyright"), (b"ICMT", "Comment"), (b"ISFT", "Tools")]:
    if key in info:
        value = "%d.%d" % struct.unpack_from("<HH", info[key]) if key in (b"ifil", b"iver") else text(info[key])
        print("info\t%s: %s" % (label, value.replace("\n", "\\n").replace("\r", "\\r")))
phdr = chunks[(b"pdta", b"phdr")]
for i in range(len(phdr) // 38 - 1):
    print("preset\t" + text(phdr[i * 38:i * 38 + 20]))
shdr = chunks.get((b"pdta", b"shdr"), b"")
for i in range(len(shdr) // 46 - 1):
    name = text(shdr[i * 46:i * 46 + 20])
    start, end, _, _, rate, key = struct.unpack_from("<IIIIIB", shdr, i * 46 + 20)
    print("sample\t%s\t%d\t%d\t%d" % (name, end - start, rate, key))
