#!/usr/bin/env python3
"""Independent reading of a SoundFont file for the tests: walks the RIFF
chunks with struct and prints the information items, then the preset names
and the sample header count, one a line."""
import struct
import sys

data = open(sys.argv[1], "rb").read()
riff, size, form = struct.unpack_from("<4sI4s", data, 0)
assert riff == b"RIFF" and form == b"sfbk"
info = {}
presets = []
samples = 0
pos = 12
while pos + 8 <= len(data):
    cid, csize = struct.unpack_from("<4sI", data, pos)
    if cid == b"LIST":
        kind = data[pos + 8:pos + 12]
        sub = pos + 12
        end = pos + 8 + csize
        while sub + 8 <= end:
            sid, ssize = struct.unpack_from("<4sI", data, sub)
            body = data[sub + 8:sub + 8 + ssize]
            if kind == b"INFO":
                if sid in (b"ifil", b"iver"):
                    info[sid] = "%d.%d" % struct.unpack_from("<HH", body, 0)
                else:
                    info[sid] = body.split(b"\0")[0].decode("latin-1")
            elif kind == b"pdta" and sid == b"phdr":
                for i in range(ssize // 38 - 1):
                    presets.append(body[i * 38:i * 38 + 20].split(b"\0")[0].decode("latin-1"))
            elif kind == b"pdta" and sid == b"shdr":
                samples = ssize // 46 - 1
            sub += 8 + ssize + (ssize & 1)
    pos += 8 + csize + (csize & 1)

labels = [(b"ifil", "SoundFont Version"), (b"isng", "Sound Engine"), (b"irom", "ROM"),
          (b"iver", "ROM Version"), (b"ICRD", "Creation Date"), (b"IENG", "Sound Designer"),
          (b"IPRD", "Product"), (b"ICOP", "Copyright"), (b"ICMT", "Comment"), (b"ISFT", "Tools")]
print("bank\t" + info[b"INAM"])
for key, label in labels:
    if key in info:
        print("info\t%s\t%s" % (label, info[key].replace("\n", "\\n").replace("\r", "\\r")))
for name in presets:
    print("preset\t" + name)
print("samples\t%d" % samples)
