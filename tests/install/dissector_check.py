#!/usr/bin/env python3
"""Checks tshark's dissection (PDML) of the capture dissector_test.sh makes.

Usage: dissector_check.py DISSECTION.pdml "key=value ..."...
Keys: the server's ports (user, talk, conference, account, update) and balance, the
balance orvcli printed before its refill.

Every packet that carries data must be the service's: an ORV packet of a known type whose
body is shown field by field (the fields together take every body byte; nothing is left as
raw bytes or marked malformed), or a media packet. Every packet type the scenario makes
must be there, and fields are checked against what the programs said or must have sent:
the ports of the server's answers, the numbers and texts the subscribers typed, the
balance, the friend's record identifier through set, status, detail and delete, the media
sockets' own ports.
"""
import collections
import subprocess
import sys
import xml.etree.ElementTree as ET

HEADER = {"orv.link", "orv.prefix", "orv.type", "orv.type_name", "orv.family", "orv.length", "orv.seq",
          "orv.frame.marker", "orv.frame.flag", "orv.frame.length", "orv.unknown", "orv.malformed", "orv.body"}
REQUIRED = """FileUpdateQuery DownFile QuerySvrIPPort Login KeepAlive Logout FriendIndex FriendDetail SetFriend
    DelFriend FriendStatus CustomInfo OfflineCalls GetForward SetForward SupportInfo QueryBindOption
    AccountServer AccountQuery AccountFill TalkRequest TalkEstablish TalkKeepAlive CallSetup CallAccept
    CallAlert CallConnect CallDTMF CallDisconnect OpenUDPChannel ConfRequest ConfEstablish ConfInvite
    ConfInviteAck ConfStatus ConfConnect ConfCmd ConfDTMF ConfDisconnect CallPauseVideo SetPassword
    SetBindOption""".split()


class Pdu:
    """One ORV packet: its type, the frame it came in, and its fields in order."""

    def __init__(self, frame, udp_source):
        self.frame, self.udp_source = frame, udp_source
        self.fields = []  # (name, show, size)

    def values(self, name):
        return [show for field, show, _ in self.fields if field == name]

    def value(self, name):
        found = self.values(name)
        return found[0] if found else None

    @property
    def type(self):
        return self.value("orv.type_name")


def fields_of(element):
    for child in element:
        if child.tag == "field":
            if child.get("name"):
                yield child.get("name"), child.get("show", ""), int(child.get("size", "0"))
            yield from fields_of(child)


def packets_of(path):
    """The packet elements of a PDML file. tshark cuts long values without regard to UTF-8,
    so bytes that are no UTF-8 are read as replacement characters."""
    parser = ET.XMLPullParser(events=("end",))
    with open(path, encoding="utf-8", errors="replace") as f:
        for chunk in iter(lambda: f.read(1 << 20), ""):
            parser.feed(chunk)
            for _, element in parser.read_events():
                if element.tag == "packet":
                    yield element
    parser.close()


def read(path):
    pdus, media, probes, strays = [], 0, 0, []
    for packet in packets_of(path):
        protos = {p.get("name"): p for p in packet.findall("proto")}
        flat = {name: show for p in protos.values() for name, show, _ in fields_of(p)}
        frame = flat.get("frame.number", "?")
        orv = [p for p in packet.findall("proto") if p.get("name") == "orv"]
        for proto in orv:
            pdu = Pdu(frame, flat.get("udp.srcport"))
            pdu.fields = list(fields_of(proto))
            if pdu.type:
                pdus.append(pdu)
        if "orvmedia" in protos:
            probe = dict((n, s) for n, s, _ in fields_of(protos["orvmedia"])).get("orvmedia.probe")
            probes += probe in ("1", "True")
            media += probe not in ("1", "True")
        carries = "udp" in protos or int(flat.get("tcp.len", "0") or 0) > 0
        retransmitted = "tcp.analysis.retransmission" in flat
        if carries and not orv and "orvmedia" not in protos and not retransmitted:
            strays.append(frame)
        packet.clear()
    return pdus, media, probes, strays


class Checker:
    def __init__(self):
        self.failures = 0

    def check(self, ok, what):
        if not ok:
            print("FAIL:", what)
            self.failures += 1
        return ok


def host_addresses():
    out = subprocess.run(["ip", "-o", "-4", "addr"], capture_output=True, text=True).stdout
    return {word.split("/")[0] for line in out.splitlines() for word in line.split()[3:4]}


def check_every_pdu(c, pdus):
    """Known type, whole body shown as fields, nothing malformed or raw."""
    for pdu in pdus:
        where = f"frame {pdu.frame} {pdu.type}"
        c.check(pdu.value("orv.unknown") is None and not pdu.type.startswith("Unknown"), where + ": unknown type")
        c.check(pdu.value("orv.malformed") is None, where + ": malformed")
        c.check(pdu.value("orv.body") is None, where + ": body left as bytes")
        length = int(pdu.value("orv.length"))
        if pdu.value("orv.frame.length") is not None:
            length = int(pdu.value("orv.frame.length"))  # a long file's data says 0xFFFF
        shown = sum(size for name, _, size in pdu.fields if name.startswith("orv.") and name not in HEADER)
        c.check(shown == length - 8, f"{where}: fields take {shown} of {length - 8} body bytes")


def check_values(c, pdus, keys):
    by_type = collections.defaultdict(list)
    for pdu in pdus:
        by_type[pdu.type].append(pdu)

    def having(ptype, name, value=None):
        return [p for p in by_type[ptype] if name in (f for f, _, _ in p.fields)
                and (value is None or value in p.values(name))]

    def expect(ptype, name, value):
        c.check(having(ptype, name, value), f"no {ptype} with {name} = {value}")

    for ptype in REQUIRED:
        c.check(by_type[ptype], f"no {ptype} packet")
    # Answers that name the servers: their ports as the server printed them.
    expect("QuerySvrIPPort", "orv.login.server_port", keys["user"])
    expect("FileUpdateQuery", "orv.update.server_port", keys["update"])
    expect("FileUpdateQuery", "orv.update.server", "127.0.0.1")
    expect("AccountServer", "orv.account.server_port", keys["account"])
    expect("TalkEstablish", "orv.call.talk_server_port", keys["talk"])
    expect("TalkEstablish", "orv.call.talk_server", "127.0.0.1")
    expect("ConfEstablish", "orv.conf.server_port", keys["conference"])
    expect("ConfEstablish", "orv.conf.server", "127.0.0.1")
    # The logon: numbers, and local addresses this machine has.
    for number in ("8001", "8002"):
        expect("Login", "orv.login.number", number)
    addresses = {a for p in by_type["Login"] for a in p.values("orv.login.address")}
    c.check(addresses and addresses <= host_addresses(), f"logon addresses {addresses} are not this machine's")
    # The live update: the list, and the signed list fetched.
    expect("FileUpdateQuery", "orv.update.file_name", "greeting.txt")
    expect("FileUpdateQuery", "orv.update.file_version", "3")
    expect("DownFile", "orv.update.file_name", "UpdateSignature.txt")
    c.check(having("DownFile", "orv.update.data"), "no file data in a DownFile answer")
    # The friend through set, status, detail and delete under one record identifier.
    stored = having("SetFriend", "orv.friend.net_phone", "8002")
    c.check(stored and stored[0].value("orv.friend.email") == "bee@example.org"
            and stored[0].value("orv.friend.group") == "Work", "the SetFriend record")
    answers = [p for p in by_type["SetFriend"] if p.value("orv.friend.result") == "0"]
    if c.check(answers, "no SetFriend answer"):
        record = answers[0].value("orv.friend.record_id")
        expect("FriendStatus", "orv.friend.record_id", record)
        expect("FriendIndex", "orv.friend.record_id", record)
        expect("DelFriend", "orv.friend.record_id", record)
        detail = [p for p in having("FriendDetail", "orv.friend.name", "Bee")]
        c.check(detail and detail[0].value("orv.friend.record_id") == record
                and detail[0].value("orv.friend.owner") == "8001", "the FriendDetail answer")
    expect("SetForward", "orv.option.busy", "8003")
    # The account: the balance printed, then 25.00 more.
    expect("AccountQuery", "orv.account.balance", keys["balance"])
    if keys["balance"].isdigit():
        expect("AccountFill", "orv.account.balance", str(int(keys["balance"]) + 2500))
    expect("AccountFill", "orv.account.card", "5550001")
    # Calls: digits, codecs, and each media socket's announcement of its own port.
    expect("CallDTMF", "orv.call.digits", "5")
    expect("TalkRequest", "orv.call.called", "9999")
    c.check(any(p.value("orv.call.audio_capt") for p in by_type["CallSetup"]), "no audio codecs offered")
    for p in by_type["OpenUDPChannel"]:
        c.check(p.value("orv.call.local_port") == p.udp_source,
                f"frame {p.frame}: OpenUDPChannel local port {p.value('orv.call.local_port')} sent from {p.udp_source}")
        c.check(p.value("orv.call.local_address") in host_addresses(), f"frame {p.frame}: OpenUDPChannel address")
    # The conference.
    expect("ConfInvite", "orv.conf.invited", "8002")
    expect("ConfDTMF", "orv.conf.digits", "47")
    expect("ConfDTMF", "orv.conf.channel", "1")
    expect("ConfCmd", "orv.conf.command", "1")
    expect("ConfCmd", "orv.conf.command", "5")
    expect("ConfDisconnect", "orv.conf.number", "8002")
    expect("ConfDisconnect", "orv.conf.reason", "11")
    expect("CallPauseVideo", "orv.call.pause", "1")
    expect("SetPassword", "orv.option.number", "8001")
    expect("SetBindOption", "orv.option.option", str(ord("1")))
    connected = [p for p in by_type["ConfStatus"] if p.values("orv.conf.number")[:2] == ["8001", "8002"]
                 and p.values("orv.conf.seat_status")[1] == "5"]
    c.check(connected, "no ConfStatus with 8002 connected in seat 1")
    # Which member hears of the other's connection first depends on who connected first.
    c.check(any(p.value("orv.conf.number") in ("8001", "8002") for p in by_type["ConfConnect"]),
            "no ConfConnect naming a member")


def main():
    keys = dict(word.split("=", 1) for arg in sys.argv[2:] for word in arg.split())
    pdus, media, probes, strays = read(sys.argv[1])
    c = Checker()
    c.check(not strays, f"frames not dissected: {strays[:10]}")
    check_every_pdu(c, pdus)
    check_values(c, pdus, keys)
    c.check(media >= 10, f"only {media} media packets")
    c.check(probes > 0, "no media probe")
    fields = collections.defaultdict(set)
    for pdu in pdus:
        fields[pdu.type].update(name for name, _, _ in pdu.fields if name.startswith("orv.") and name not in HEADER)
    print(f"{len(pdus)} packets of {len(fields)} types, {media} media packets, {probes} probes")
    for ptype in sorted(fields):
        print(f"  {ptype}: {len(fields[ptype])} fields")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
