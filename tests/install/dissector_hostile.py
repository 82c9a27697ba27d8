#!/usr/bin/env python3
"""The dissector against packets no honest peer sends.

Usage: dissector_hostile.py DISSECTOR.lua SCRATCH_FOLDER

Writes a capture of hostile datagrams and stream frames (bodies cut short or too long for
every packet type, counts the body cannot hold, a count of 0xFFFF with bytes behind it,
texts without an end and not UTF-8, a frame announcing 4 GiB, a file answer claiming
0xFFFF bytes in a short frame), has tshark dissect it with the dissector, and checks that
nothing throws: each packet is either shown field by field over its whole body or marked
malformed (or unknown, where its header does not hold).
"""
import os
import random
import re
import struct
import subprocess
import sys

from dissector_check import HEADER, read


def ip_checksum(header):
    total = sum(struct.unpack("!10H", header))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def frame(protocol, sport, dport, payload, seq=1):
    if protocol == 17:
        transport = struct.pack("!HHHH", sport, dport, 8 + len(payload), 0)
    else:
        transport = struct.pack("!HHIIBBHHH", sport, dport, seq, 0, 5 << 4, 0x18, 65535, 0, 0)
    total = 20 + len(transport) + len(payload)
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, total, 0, 0x4000, 64, protocol, 0, bytes([127, 0, 0, 1]),
                     bytes([127, 0, 0, 1]))
    ip = ip[:10] + struct.pack("!H", ip_checksum(ip)) + ip[12:]
    return b"\0" * 12 + b"\x08\x00" + ip + transport + payload


def packet(ptype, body, length=None):
    return struct.pack("<HHI", ptype, 8 + len(body) if length is None else length, 7) + body


def hostile_packets(types):
    rng = random.Random(24)
    out = []  # (link, payload)
    for ptype in types:
        for size in sorted({0, 1, 4, 5, 93, 197} | {rng.randrange(0, 300) for _ in range(3)}):
            body = bytes(rng.randrange(256) for _ in range(size))
            out.append(("udp", b"\0" + packet(ptype, body)))
        out.append(("tcp", b"\xfd\xfd\xfd\0" + struct.pack("<I", 8 + 9) + packet(ptype, b"\xff" * 9)))
    out += [
        ("udp", b"\0" + packet(0x0105, struct.pack("<H", 0x4000) + b"\1\0\0\0" * 2)),  # count beyond the body
        ("udp", b"\0" + packet(0x010B, b"\xff\xff" + b"\0" * 70)),  # "not ready" with a record behind it
        ("udp", b"\0" + packet(0x0112, b"\1\0" + b"\xff\xfe" * 32)),  # texts without an end, not UTF-8
        ("udp", b"\0" + packet(0x0101, b"8001" + b"\0" * 135 + b"\0" * 5)),  # an address cut short
        ("tcp", b"\xfd\xfd\xfd\0" + struct.pack("<I", 0xFFFFFFF0) + b"\0" * 16),  # a 4 GiB frame
        ("tcp", b"\xfd\xfd\xfd\0" + struct.pack("<I", 100) + packet(0x040A, b"\0" * 92, 0xFFFF)),
    ]
    return out


def write_capture(path, packets):
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        for i, (link, payload) in enumerate(packets):
            data = frame(17 if link == "udp" else 6, 20000 + i, 30000 + i, payload)
            f.write(struct.pack("<IIII", i, 0, len(data), len(data)) + data)


def main():
    script, scratch = sys.argv[1], sys.argv[2]
    with open(script) as f:
        types = sorted({int(t, 16) for t in re.findall(r"^\s*\[0x([0-9A-Fa-f]{4})\] = \{\"", f.read(), re.M)})
    packets = hostile_packets(types)
    capture, pdml = os.path.join(scratch, "hostile.pcap"), os.path.join(scratch, "hostile.pdml")
    write_capture(capture, packets)
    with open(pdml, "w") as out:
        run = subprocess.run(["tshark", "-r", capture, "-X", "lua_script:" + script, "-T", "pdml"], stdout=out,
                             stderr=subprocess.PIPE, text=True)
    failures = []
    if run.returncode != 0 or "lua" in run.stderr.lower():
        failures.append("tshark: " + run.stderr.strip())
    with open(pdml, encoding="utf-8", errors="replace") as f:
        text = f.read()
    for bad in ("Lua Error", "_ws.lua.error", "body not dissected"):
        if bad in text:
            failures.append(f"the dissection holds {bad!r}")
    pdus, _, _, strays = read(pdml)
    malformed = 0
    for pdu in pdus:
        if pdu.value("orv.malformed") is not None or pdu.value("orv.unknown") is not None:
            malformed += 1
            continue
        shown = sum(size for name, _, size in pdu.fields if name.startswith("orv.") and name not in HEADER)
        if shown != int(pdu.value("orv.length")) - 8:
            failures.append(f"frame {pdu.frame} {pdu.type}: fields take {shown} of {int(pdu.value('orv.length')) - 8}")
    if strays:
        failures.append(f"frames without a dissection: {strays[:10]}")
    print(f"hostile: {len(packets)} packets of {len(types)} types, {malformed} marked malformed or unknown")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures or malformed < len(packets) // 2 else 0


if __name__ == "__main__":
    sys.exit(main())
