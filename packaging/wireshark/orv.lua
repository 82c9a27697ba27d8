-- Wireshark/tshark dissector of the ORV service's links:
--   datagram links (UDP): a prefix byte (0 plain, 2 scrambled), then one packet;
--   stream links (TCP): frames of marker FD FD FD, a flag byte (0 plain, 1 marked,
--     2 scrambled) and a 32-bit little-endian length, then one packet;
--   media (UDP): the 12-byte media header, or the 12-byte address probe.
-- A packet is the 8-byte little-endian header (type, whole length, sequence number) and
-- its body. Scrambled payloads are undone before the packet is shown.
-- Use: tshark -X lua_script:/usr/share/orv/wireshark/orv.lua -r capture.pcapng
-- or copy the file to ~/.local/lib/wireshark/plugins/. The links are recognised by their
-- form on any port.

local bit = bit32 or bit

local orv = Proto("orv", "ORV service link")
local orv_media = Proto("orvmedia", "ORV media")

local DATAGRAM_KEY = 0x5B1D9E37
local STREAM_KEY = 0x4E2A6C19

local TYPES = {
    [0x0000] = "TalkKeepAlive",
    [0x0100] = "WantRelogon", [0x0101] = "Login", [0x0102] = "Logout", [0x0103] = "KeepAlive",
    [0x0104] = "NatDetect", [0x0105] = "FriendIndex", [0x0106] = "FriendDetail",
    [0x0107] = "SetFriend", [0x0108] = "DelFriend", [0x010B] = "OfflineCalls",
    [0x010D] = "CustomInfo", [0x010E] = "GetForward", [0x010F] = "SetForward",
    [0x0110] = "SetPassword", [0x0111] = "QuerySvrIPPort", [0x0112] = "SupportInfo",
    [0x0114] = "SetBindOption", [0x0115] = "QueryBindOption", [0x01FF] = "FriendStatus",
    [0x0201] = "TalkRequest", [0x0203] = "TalkEstablish", [0x0205] = "CallForward",
    [0x0301] = "ConfRequest", [0x0303] = "ConfEstablish", [0x0304] = "ConfInvite",
    [0x0305] = "ConfInviteAck",
    [0x0409] = "FileUpdateQuery",
    [0x0501] = "AccountServer", [0x0502] = "AccountFill", [0x0503] = "AccountQuery",
    [0x0A01] = "CallSetup", [0x0A02] = "CallAccept", [0x0A03] = "CallAlert",
    [0x0A04] = "CallConnect", [0x0A05] = "CallDisconnect", [0x0A06] = "CallDTMF",
    [0x0A07] = "ConfStatus", [0x0A08] = "ConfCmd", [0x0A09] = "OpenUDPChannel",
    [0x0A0B] = "ConfNoAction", [0x0A0C] = "ConfAlert", [0x0A0D] = "ConfConnect",
    [0x0A0E] = "ConfDisconnect", [0x0A0F] = "CallH323Connect", [0x0A10] = "CallHold",
    [0x0A11] = "CallPauseVideo", [0x0A12] = "ConfMemberInvite", [0x0A13] = "ConfDTMF",
}
local FAMILIES = {
    [0x00] = "talk link", [0x01] = "user server", [0x02] = "talk server",
    [0x03] = "conference server", [0x04] = "update server", [0x05] = "account server",
    [0x0A] = "call signalling",
}

local f = orv.fields
f.link = ProtoField.string("orv.link", "Link")
f.prefix = ProtoField.uint8("orv.prefix", "Datagram prefix", base.DEC, {[0] = "plain", [2] = "scrambled"})
f.marker = ProtoField.bytes("orv.frame.marker", "Frame marker")
f.flag = ProtoField.uint8("orv.frame.flag", "Frame flag", base.DEC, {[0] = "plain", [1] = "marked", [2] = "scrambled"})
f.frame_length = ProtoField.uint32("orv.frame.length", "Frame payload length")
f.type = ProtoField.uint16("orv.type", "Packet type", base.HEX, TYPES)
f.type_name = ProtoField.string("orv.type_name", "Packet type name")
f.family = ProtoField.string("orv.family", "Family")
f.length = ProtoField.uint16("orv.length", "Packet length")
f.seq = ProtoField.uint32("orv.seq", "Sequence number")
f.body = ProtoField.bytes("orv.body", "Body")
f.unknown = ProtoField.bool("orv.unknown", "Unknown packet type")
f.number = ProtoField.string("orv.login.number", "Number")
f.digest = ProtoField.string("orv.login.digest", "Password digest")
f.bind = ProtoField.string("orv.login.bind", "Bind information")
f.client_kind = ProtoField.uint8("orv.login.client_kind", "Client kind")
f.address_count = ProtoField.uint16("orv.login.address_count", "Local addresses")
f.address = ProtoField.ipv4("orv.login.address", "Local address")
f.result = ProtoField.uint8("orv.result", "Result", base.DEC, {[0] = "success", [255] = "failure"})
f.value = ProtoField.int32("orv.value", "Value or reason")
f.endpoint = ProtoField.uint32("orv.endpoint", "Endpoint identifier")
f.code = ProtoField.uint32("orv.code", "Code")

local m = orv_media.fields
m.version = ProtoField.uint8("orvmedia.version_byte", "Version byte", base.HEX)
m.marker = ProtoField.bool("orvmedia.marker", "Marker")
m.pt = ProtoField.uint8("orvmedia.payload_type", "Payload type")
m.seq = ProtoField.uint16("orvmedia.seq", "Sequence number")
m.timestamp = ProtoField.uint32("orvmedia.timestamp", "Timestamp")
m.ssrc = ProtoField.uint32("orvmedia.ssrc", "SSRC", base.HEX)
m.probe = ProtoField.bool("orvmedia.probe", "Address probe")
m.payload = ProtoField.bytes("orvmedia.payload", "Payload")

-- Undoes the word chaining: each little-endian word XOR the chain, which starts at the key
-- and continues as the previous scrambled word modulo the payload length.
local function unscramble(tvb, key, name)
    local size = tvb:len()
    local bytes = tvb:bytes()
    local modulus = size % key
    local chain = key
    local at = 0
    while at + 4 <= size do
        local scrambled = tvb(at, 4):le_uint()
        local plain = bit.bxor(scrambled, chain)
        for i = 0, 3 do
            bytes:set_index(at + i, bit.band(bit.rshift(plain, 8 * i), 0xFF))
        end
        if modulus == 0 then chain = scrambled else chain = scrambled % modulus end
        at = at + 4
    end
    return bytes:tvb(name)
end

local function text_field(tree, field, tvb, offset, size)
    tree:add(field, tvb(offset, size), tvb(offset, size):stringz())
end

-- Fields of the bodies the dissector knows; the rest stays as bytes.
local function dissect_body(ptype, body, tree)
    local size = body:len()
    if ptype == 0x0101 and size >= 139 then
        text_field(tree, f.number, body, 0, 32)
        text_field(tree, f.digest, body, 32, 40)
        text_field(tree, f.bind, body, 72, 64)
        tree:add(f.client_kind, body(136, 1))
        tree:add_le(f.address_count, body(137, 2))
        local at = 139
        while at + 6 <= size do
            tree:add(f.address, body(at, 4)) -- first octet most significant
            at = at + 6
        end
        return
    end
    if size == 5 and (body(0, 1):uint() == 0 or body(0, 1):uint() == 255) then
        tree:add(f.result, body(0, 1))
        tree:add_le(f.value, body(1, 4))
        return
    end
    if size == 4 and (ptype == 0x0103 or ptype == 0x0104) then
        tree:add_le(f.endpoint, body(0, 4))
        return
    end
    if size == 8 and ptype == 0x0102 then
        tree:add_le(f.endpoint, body(0, 4))
        tree:add_le(f.code, body(4, 4))
        return
    end
    if size > 0 then tree:add(f.body, body) end
end

-- One packet (header and body); returns false when it is not one.
local function dissect_packet(tvb, pinfo, tree, link)
    if tvb:len() < 8 then return false end
    local ptype = tvb(0, 2):le_uint()
    local plen = tvb(2, 2):le_uint()
    if plen ~= tvb:len() then return false end
    local name = TYPES[ptype]
    tree:add(f.link, link)
    tree:add_le(f.type, tvb(0, 2))
    tree:add(f.type_name, tvb(0, 2), name or string.format("Unknown 0x%04X", ptype))
    tree:add(f.family, tvb(1, 1), FAMILIES[bit.rshift(ptype, 8)] or "unknown")
    tree:add_le(f.length, tvb(2, 2))
    tree:add_le(f.seq, tvb(4, 4))
    if not name then tree:add(f.unknown, tvb(0, 2), true) end
    dissect_body(ptype, tvb(8):tvb(), tree)
    pinfo.cols.protocol = "ORV"
    local info = tostring(pinfo.cols.info)
    local label = name or string.format("0x%04X", ptype)
    if info == "" or info:find("^ORV ") == nil then pinfo.cols.info = "ORV " .. label
    else pinfo.cols.info = info .. ", " .. label end
    return true
end

-- Datagram links.
local function datagram_payload(tvb)
    if tvb:len() < 9 then return nil end
    local prefix = tvb(0, 1):uint()
    if prefix ~= 0 and prefix ~= 2 then return nil end
    local payload = tvb(1):tvb()
    if prefix == 2 then payload = unscramble(payload, DATAGRAM_KEY, "Unscrambled datagram") end
    if payload(2, 2):le_uint() ~= payload:len() then return nil end
    return payload, prefix
end

local function heur_datagram(tvb, pinfo, tree)
    local payload, prefix = datagram_payload(tvb)
    if payload then
        local subtree = tree:add(orv, tvb(), "ORV datagram link")
        subtree:add(f.prefix, tvb(0, 1))
        return dissect_packet(payload, pinfo, subtree, "datagram")
    end
    -- Links opened without flags (the media rendezvous's) carry packets without a prefix.
    if tvb:len() >= 8 and tvb(2, 2):le_uint() == tvb:len() and TYPES[tvb(0, 2):le_uint()] then
        local subtree = tree:add(orv, tvb(), "ORV datagram link (no prefix)")
        return dissect_packet(tvb, pinfo, subtree, "datagram")
    end
    return false
end

-- Media.
local function heur_media(tvb, pinfo, tree)
    local size = tvb:len()
    if size < 12 then return false end
    local first = tvb(0, 1):uint()
    local probe = size == 12 and tvb(2, 2):uint() == 0xFFFF
    if not probe and first ~= 0x80 then return false end
    if not probe and size <= 12 then return false end
    local subtree = tree:add(orv_media, tvb(), probe and "ORV media address probe" or "ORV media")
    subtree:add(m.probe, tvb(2, 2), probe)
    subtree:add(m.version, tvb(0, 1))
    subtree:add(m.marker, tvb(1, 1), bit.band(tvb(1, 1):uint(), 0x80) ~= 0)
    subtree:add(m.pt, tvb(1, 1), bit.band(tvb(1, 1):uint(), 0x7F))
    subtree:add(m.seq, tvb(2, 2))
    subtree:add(m.timestamp, tvb(4, 4))
    subtree:add(m.ssrc, tvb(8, 4))
    if not probe then subtree:add(m.payload, tvb(12)) end
    pinfo.cols.protocol = "ORV media"
    pinfo.cols.info = probe and "ORV media probe" or string.format("ORV media pt=%d seq=%d",
        bit.band(tvb(1, 1):uint(), 0x7F), tvb(2, 2):uint())
    return true
end

-- Stream links: frames reassembled across segments.
local function frame_length(tvb, pinfo, offset)
    return 8 + tvb(offset + 4, 4):le_uint()
end

local function dissect_frame(tvb, pinfo, tree)
    local subtree = tree:add(orv, tvb(), "ORV stream frame")
    subtree:add(f.marker, tvb(0, 3))
    subtree:add(f.flag, tvb(3, 1))
    subtree:add_le(f.frame_length, tvb(4, 4))
    local payload = tvb(8):tvb()
    if tvb(3, 1):uint() == 2 then payload = unscramble(payload, STREAM_KEY, "Unscrambled frame") end
    if not dissect_packet(payload, pinfo, subtree, "stream") then
        subtree:add(f.unknown, tvb(0, 3), true)
        subtree:add(f.body, payload)
    end
    return tvb:len()
end

local function heur_stream(tvb, pinfo, tree)
    if tvb:len() < 8 or tvb(0, 3):uint() ~= 0xFDFDFD or tvb(3, 1):uint() > 2 then return false end
    dissect_tcp_pdus(tvb, tree, 8, frame_length, dissect_frame)
    pinfo.conversation = orv
    return true
end

function orv.dissector(tvb, pinfo, tree)
    return dissect_tcp_pdus(tvb, tree, 8, frame_length, dissect_frame)
end

orv:register_heuristic("udp", heur_datagram)
orv_media:register_heuristic("udp", heur_media)
orv:register_heuristic("tcp", heur_stream)
