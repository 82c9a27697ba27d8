-- Wireshark/tshark dissector of the ORV service's links:
--   datagram links (UDP): a prefix byte (0 plain, 2 scrambled), then one packet;
--   stream links (TCP): frames of marker FD FD FD, a flag byte (0 plain, 1 marked,
--     2 scrambled) and a 32-bit little-endian length, then one packet;
--   media (UDP): the 12-byte media header, or the 12-byte address probe.
-- A packet is the 8-byte little-endian header (type, whole length, sequence number) and
-- its body. Scrambled payloads are undone before the packet is shown. Every body the
-- service sends is shown field by field; each field filters as orv.<family>.<field>
-- (orv.login.number, orv.friend.record_id, orv.call.digits, orv.conf.seat_status, ...).
-- A body that fits none of its type's layouts is marked malformed (orv.malformed).
-- Use: tshark -X lua_script:/usr/share/orv/wireshark/orv.lua -r capture.pcapng
-- or copy the file to ~/.local/lib/wireshark/plugins/. The links are recognised by their
-- form on any port.

local bit = bit32 or bit

local orv = Proto("orv", "ORV service link")
local orv_media = Proto("orvmedia", "ORV media")

local DATAGRAM_KEY = 0x5B1D9E37
local STREAM_KEY = 0x4E2A6C19
-- The longest stream frame the service sends: a file of the live update (32 MiB) and its head.
local LONGEST_FRAME = 32 * 1024 * 1024 + 85
local PKT_DOWN_FILE = 0x040A

-- ---------------------------------------------------------------------------------------
-- Field kinds: how many bytes a field takes, the ProtoField it is shown with, how it is
-- added (byte order) and, for the text kinds, its value.

-- Texts end at their first zero byte or with their field; they are GB 18030 (the support
-- entries' Chinese), and bytes that are no text in it show as replacement characters.
local TEXT_ENCODING = ENC_GB18030 or ENC_ASCII
local function text_value(range)
    local nul = range:raw():find("\0", 1, true)
    local size = nul and nul - 1 or range:len()
    if size == 0 then return "" end
    return range(0, size):string(TEXT_ENCODING)
end

local function codec_value(range)
    local count = math.min(range(0, 1):uint(), 16)
    local ids = {}
    for i = 1, count do ids[i] = tostring(range(i, 1):uint()) end
    return table.concat(ids, ",")
end

local KINDS = {
    u8 = {size = 1, make = ProtoField.uint8},
    u16 = {size = 2, make = ProtoField.uint16, le = true},
    u32 = {size = 4, make = ProtoField.uint32, le = true},
    i32 = {size = 4, make = ProtoField.int32, le = true},
    hex32 = {size = 4, make = function(a, l, v) return ProtoField.uint32(a, l, base.HEX, v) end, le = true},
    -- IPv4 with the first octet in the first byte.
    ip = {size = 4, make = ProtoField.ipv4},
    -- IPv4 as a little-endian number whose most significant byte is the first octet.
    ip_le = {size = 4, make = ProtoField.ipv4, le = true},
    text = {make = ProtoField.string, value = text_value},
    -- A codec list: a count, then 16 identifiers of which the first count are offered.
    codecs = {size = 17, make = ProtoField.string, value = codec_value},
    -- The bytes that end a body, however many.
    bytes = {size = 0, make = ProtoField.bytes},
}

-- One field of a layout: its name (the last part of its filter name), kind, label and,
-- for text, its size; values names the numbers of a u8/u16/u32.
local function fld(name, kind, label, size_or_values)
    local size, values = KINDS[kind].size, nil
    if type(size_or_values) == "number" then size = size_or_values else values = size_or_values end
    return {name = name, kind = kind, label = label, size = size, values = values}
end
local function text(name, size, label) return fld(name, "text", label, size) end

-- Lists of fields joined into one, and the common answer shapes. (A function giving two
-- layouts goes last in its message's entry, where Lua keeps both.)
local function join(...)
    local out = {}
    for _, part in ipairs({...}) do
        if part.name then out[#out + 1] = part else for _, f in ipairs(part) do out[#out + 1] = f end end
    end
    return out
end

local RESULTS = {[0] = "success", [255] = "failure"}
local function result() return fld("result", "u8", "Result", RESULTS) end
-- A result byte: 0 and the success fields, or another value and the i32 reason.
local function answer(...)
    return {first = 0, fields = join(result(), ...)}, {first_not = 0, fields = {result(), fld("reason", "i32", "Reason")}}
end

-- ---------------------------------------------------------------------------------------
-- The messages. Each type has a family (its fields filter as orv.<family>.<field>) and its
-- layouts, tried in order; a layout takes a body that has exactly its size:
--   fields      the fixed fields, in order;
--   list        then a u16 count and count records (not_ready: a count that stands alone);
--   repeat      then this many records, fixed;
--   rest        then a field of any number of bytes (a file's data);
--   first / first_not   the first body byte must (not) be this value.

local NUMBER = 32
local PASSWORD = 40

local ROLE = {[0] = "called", [1] = "caller", [3] = "chairman"}
local CHANNEL = {[1] = "audio", [2] = "video"}
local SEAT = {[0] = "free", [1] = "invited", [4] = "alerting", [5] = "connected"}
local CONF_CMD = {[1] = "video request", [2] = "video cancel", [5] = "kick", [8] = "answered"}
local ONLINE = {[0] = "off line", [1] = "on line"}
local OFFLINE_KIND = {[1] = "call", [2] = "conference"}
local FORWARD_TYPE = {[2] = "busy", [3] = "no answer"}

local call_id = fld("call_id", "u32", "CallID")
local endpoint = fld("endpoint", "u32", "Endpoint identifier")
local serv_id = fld("serv_id", "u32", "ServID")
local reserved = fld("reserved", "u32", "Reserved")

local friend_record = {
    fld("record_id", "u32", "RecordID"), text("owner", NUMBER, "Owner number"),
    text("name", 16, "Name"), text("phone", NUMBER, "Phone"), text("mobile", NUMBER, "Mobile"),
    text("net_phone", NUMBER, "ORV number"), text("email", NUMBER, "E-mail"), text("group", 16, "Group"),
}
local forward_record = {
    fld("flag", "u8", "Forwarding on"), text("offline", NUMBER, "When off line"), text("busy", NUMBER, "When busy"),
    text("no_answer", NUMBER, "When not answered"), text("always", NUMBER, "Always"),
}
local media_params = {
    call_id, fld("audio_capt_codec", "u16", "Audio send codec"), fld("video_capt_codec", "u16", "Video send codec"),
    fld("audio_play_codec", "u16", "Audio receive codec"), fld("video_play_codec", "u16", "Video receive codec"),
    fld("frame_rate", "u16", "Frame rate"), fld("flow_rate", "u16", "Flow rate"), fld("video_format", "u16", "Video format"),
    fld("peer_audio", "ip", "Peer audio address"), fld("peer_audio_port", "u16", "Peer audio port"),
    fld("peer_video", "ip", "Peer video address"), fld("peer_video_port", "u16", "Peer video port"),
}
local conf_member = {call_id, text("number", NUMBER, "Member number"), endpoint, fld("channel", "u16", "Channel")}
local conf_media = {
    fld("media1", "u16", "Media value 1"), fld("media2", "u16", "Media value 2 (video)"),
    fld("media3", "u16", "Media value 3"), fld("media4", "u16", "Media value 4"),
}
local file_record = {text("file_name", 64, "File name"), fld("file_kind", "u32", "Target folder kind"),
    fld("file_version", "u32", "Version")}
local server_address = {fld("server", "ip", "Server address"), fld("server_port", "u16", "Server port")}
-- Call and conference establish notices: the CallID when established, else the reason.
local function establish(...)
    return {first = 0, fields = join(result(), call_id, ...)},
        {first_not = 0, fields = join(result(), fld("reason", "i32", "Reason"), ...)}
end

local EMPTY = {fields = {}}
local MESSAGES = {
    [0x0000] = {"TalkKeepAlive", "call", EMPTY, {fields = {call_id}}},
    [0x0100] = {"WantRelogon", "login", EMPTY},
    [0x0101] = {"Login", "login",
        {fields = {text("number", NUMBER, "Number"), text("digest", PASSWORD, "Password digest"),
            text("bind", 64, "Bind information"), fld("client_kind", "u8", "Client kind")},
         list = {count = fld("address_count", "u16", "Local addresses"),
            fields = {fld("address", "ip_le", "Local address"), fld("address_port", "u16", "Local address port")}}},
        answer(endpoint)},
    [0x0102] = {"Logout", "login", {fields = {endpoint, fld("code", "u32", "Logout code")}}},
    [0x0103] = {"KeepAlive", "login", {fields = {endpoint}}, answer(fld("ttl", "u32", "Keep-alive TTL (s)"))},
    [0x0104] = {"NatDetect", "login", EMPTY, {fields = {endpoint}}},
    [0x0111] = {"QuerySvrIPPort", "login", EMPTY, {fields = server_address}},
    [0x0105] = {"FriendIndex", "friend", EMPTY,
        {list = {count = fld("record_count", "u16", "Records"), not_ready = 0xFFFF,
            fields = {fld("record_id", "u32", "RecordID")}}}},
    [0x0106] = {"FriendDetail", "friend", {fields = {fld("record_id", "u32", "RecordID")}},
        answer(friend_record, fld("status", "u8", "Status", ONLINE))},
    [0x0107] = {"SetFriend", "friend", {fields = join(friend_record, fld("status", "u8", "Status", ONLINE))},
        answer(fld("record_id", "u32", "RecordID"))},
    [0x0108] = {"DelFriend", "friend", {fields = {fld("record_id", "u32", "RecordID")}}, answer()},
    [0x01FF] = {"FriendStatus", "friend",
        {fields = {fld("status", "u8", "Status", ONLINE), fld("record_id", "u32", "RecordID")}}},
    [0x010B] = {"OfflineCalls", "option", EMPTY,
        {list = {count = fld("call_count", "u16", "Offline calls"), not_ready = 0xFFFF,
            fields = {fld("call_flag", "u8", "Reserved byte"), text("caller", NUMBER, "Caller"),
                text("called", NUMBER, "Called"), fld("time", "u32", "Time (s since 1970)"),
                fld("call_kind", "u8", "Kind", OFFLINE_KIND)}}}},
    [0x010D] = {"CustomInfo", "option", EMPTY,
        {fields = {fld("custom_id", "u32", "Custom identifier"), text("custom_name", 64, "Provider name"),
            text("service_url", 64, "Service address")}}},
    [0x010E] = {"GetForward", "option", EMPTY, answer(forward_record)},
    [0x010F] = {"SetForward", "option", {fields = forward_record}, answer(fld("value", "u32", "Value"))},
    [0x0110] = {"SetPassword", "option",
        {fields = {text("number", NUMBER, "Number"), text("old_digest", PASSWORD, "Old password digest"),
            text("new_digest", PASSWORD, "New password digest")}},
        answer(fld("value", "u32", "Value"))},
    [0x0112] = {"SupportInfo", "option", EMPTY,
        {list = {count = fld("support_count", "u16", "Support entries"), not_ready = 0xFFFF,
            fields = {text("support_number", NUMBER, "Support number"), text("support_text", 32, "Support text")}}}},
    [0x0114] = {"SetBindOption", "option",
        {fields = {text("number", NUMBER, "Number"), text("digest", PASSWORD, "Password digest"),
            fld("option", "u8", "Bind option")}},
        {fields = {result()}}},
    [0x0115] = {"QueryBindOption", "option", EMPTY, {fields = {fld("option", "u8", "Bind option")}}},
    [0x0201] = {"TalkRequest", "call", {fields = {text("own", NUMBER, "Own number"), text("called", NUMBER, "Called number")}}},
    [0x0203] = {"TalkEstablish", "call", establish(text("calling", NUMBER, "Calling number"),
        text("called", NUMBER, "Called number"), fld("role", "u8", "Role", ROLE), fld("no_forward", "u8", "Not to be forwarded"),
        serv_id, fld("talk_server", "ip", "Talk server address"), fld("talk_server_port", "u16", "Talk server port"),
        fld("peer_audio", "ip", "Peer audio address"), fld("peer_audio_port", "u16", "Peer audio port"),
        fld("peer_video", "ip", "Peer video address"), fld("peer_video_port", "u16", "Peer video port"))},
    [0x0205] = {"CallForward", "call",
        {fields = {fld("forward_type", "u8", "Forwarding type", FORWARD_TYPE), call_id, serv_id,
            text("caller", NUMBER, "Caller"), text("forward_to", NUMBER, "Forwarded to")}}},
    [0x0301] = {"ConfRequest", "conf", {fields = {text("own", NUMBER, "Own number")}}},
    [0x0303] = {"ConfEstablish", "conf", establish(text("chairman", NUMBER, "Chairman"),
        text("conf_id", NUMBER, "Conference identifier"), text("invited", NUMBER, "Invited number"),
        fld("role", "u8", "Role", ROLE), serv_id, fld("server", "ip", "Conference server address"),
        fld("server_port", "u16", "Conference server port"))},
    [0x0304] = {"ConfInvite", "conf",
        {fields = {serv_id, call_id, text("own", NUMBER, "Own number"), text("invited", NUMBER, "Invited number")}}},
    [0x0305] = {"ConfInviteAck", "conf", answer()},
    [0x0409] = {"FileUpdateQuery", "update", EMPTY,
        {list = {count = fld("file_count", "u16", "Files"), fields = file_record}},
        answer(reserved, fld("mode", "u32", "Update mode"), server_address)},
    [PKT_DOWN_FILE] = {"DownFile", "update",
        {fields = {text("file_name", 64, "File name"), reserved, fld("start", "u32", "Start position")}},
        {fields = join(fld("status", "u8", "Status", {[0] = "success", [1] = "not offered"}), reserved, file_record),
         rest = fld("data", "bytes", "File data")}},
    [0x0501] = {"AccountServer", "account", EMPTY, answer(reserved, server_address)},
    [0x0502] = {"AccountFill", "account",
        {fields = {text("number", NUMBER, "Number"), text("digest", PASSWORD, "Password digest"),
            text("card", 32, "Refill card number"), text("card_password", 32, "Refill card password")}},
        answer(fld("balance", "u32", "Balance (hundredths)"))},
    [0x0503] = {"AccountQuery", "account",
        {fields = {text("number", NUMBER, "Number"), text("digest", PASSWORD, "Password digest")}},
        answer(fld("balance", "u32", "Balance (hundredths)"))},
    [0x0A01] = {"CallSetup", "call",
        {fields = {call_id, endpoint, fld("audio_capt", "codecs", "Audio send codecs"),
            fld("audio_play", "codecs", "Audio receive codecs"), fld("video_capt", "codecs", "Video send codecs"),
            fld("video_play", "codecs", "Video receive codecs"), fld("frame_rate", "u16", "Frame rate"),
            fld("flow_rate", "u16", "Flow rate"), fld("video_format", "u16", "Video format"),
            text("original_id", 32, "Originating identifier")}}},
    [0x0A02] = {"CallAccept", "call", {fields = media_params}},
    [0x0A03] = {"CallAlert", "call", {fields = {call_id, fld("value", "u8", "Value")}}},
    [0x0A04] = {"CallConnect", "call", {fields = {call_id, fld("value", "u8", "Value")}}},
    [0x0A05] = {"CallDisconnect", "call", {fields = {call_id, fld("reason", "i32", "Reason")}}},
    [0x0A06] = {"CallDTMF", "call", {fields = {call_id, text("digits", 16, "Digits")}}},
    [0x0A07] = {"ConfStatus", "conf",
        {fields = {call_id}, ["repeat"] = {count = 4, name = "Seat",
            fields = join(fld("seat_status", "u8", "Seat status", SEAT), text("number", NUMBER, "Member number"),
                endpoint, fld("channel", "u16", "Channel"), conf_media)}}},
    [0x0A08] = {"ConfCmd", "conf",
        {fields = {call_id, fld("command", "u8", "Command", CONF_CMD), fld("related_id", "u16", "Related seat")}}},
    [0x0A09] = {"OpenUDPChannel", "call",
        {fields = {call_id, fld("channel", "u8", "Channel", CHANNEL), fld("subnet", "hex32", "Subnet"), endpoint,
            fld("local_address", "ip_le", "Local address"), fld("local_port", "u16", "Local port")}}},
    [0x0A0B] = {"ConfNoAction", "conf", {rest = fld("content", "bytes", "Content")}},
    [0x0A0C] = {"ConfAlert", "conf", {fields = conf_member}},
    [0x0A0D] = {"ConfConnect", "conf", {fields = join(conf_member, conf_media)}},
    [0x0A0E] = {"ConfDisconnect", "conf", {fields = join(conf_member, fld("reason", "i32", "Reason"))}},
    [0x0A0F] = {"CallH323Connect", "call", {fields = media_params}},
    [0x0A10] = {"CallHold", "call", {fields = {call_id, fld("reason", "i32", "Reason")}}},
    [0x0A11] = {"CallPauseVideo", "call", {fields = {call_id, fld("pause", "u8", "Paused")}}},
    [0x0A12] = {"ConfMemberInvite", "conf", {fields = conf_member}},
    [0x0A13] = {"ConfDTMF", "conf", {fields = {call_id, fld("channel", "u16", "Channel"), text("digits", 16, "Digits")}}},
}

local FAMILIES = {
    [0x00] = "link keep-alive", [0x01] = "user server", [0x02] = "talk server",
    [0x03] = "conference server", [0x04] = "update server", [0x05] = "account server",
    [0x0A] = "call signalling",
}

-- ---------------------------------------------------------------------------------------
-- Fields: the header's, and one ProtoField for each orv.<family>.<field> of the table (a
-- name used by several messages of a family is one field, and must keep its kind).

local f = orv.fields
f.link = ProtoField.string("orv.link", "Link")
f.prefix = ProtoField.uint8("orv.prefix", "Datagram prefix", base.DEC, {[0] = "plain", [2] = "scrambled"})
f.marker = ProtoField.bytes("orv.frame.marker", "Frame marker")
f.flag = ProtoField.uint8("orv.frame.flag", "Frame flag", base.DEC, {[0] = "plain", [1] = "marked", [2] = "scrambled"})
f.frame_length = ProtoField.uint32("orv.frame.length", "Frame payload length")
local TYPE_NAMES = {}
for ptype, message in pairs(MESSAGES) do TYPE_NAMES[ptype] = message[1] end
f.type = ProtoField.uint16("orv.type", "Packet type", base.HEX, TYPE_NAMES)
f.type_name = ProtoField.string("orv.type_name", "Packet type name")
f.family = ProtoField.string("orv.family", "Family")
f.length = ProtoField.uint16("orv.length", "Packet length")
f.seq = ProtoField.uint32("orv.seq", "Sequence number")
f.body = ProtoField.bytes("orv.body", "Body")
f.unknown = ProtoField.bool("orv.unknown", "Unknown packet type")
f.malformed = ProtoField.bool("orv.malformed", "Malformed body")
local malformed_expert = ProtoExpert.new("orv.expert.malformed", "Malformed ORV packet", expert.group.MALFORMED,
    expert.severity.ERROR)
orv.experts = {malformed_expert}

-- A layout's fields are bound to the ProtoFields of its family: a new list, since the same
-- field description serves several families.
local registered = {}
local function bind(family, desc)
    local abbrev = "orv." .. family .. "." .. desc.name
    local known = registered[abbrev]
    if known then
        assert(known.kind == desc.kind and known.size == desc.size, abbrev .. " is used with two kinds")
        return known
    end
    local kind = KINDS[desc.kind]
    local field
    if desc.values then
        field = kind.make(abbrev, desc.label, base.DEC, desc.values)
    else
        field = kind.make(abbrev, desc.label)
    end
    local bound = {name = desc.name, kind = desc.kind, size = desc.size, field = field}
    registered[abbrev] = bound
    f[family .. "." .. desc.name] = field
    return bound
end

local function bind_all(family, fields)
    local out = {}
    for i, desc in ipairs(fields or {}) do out[i] = bind(family, desc) end
    return out
end

local function fixed_size(fields)
    local size = 0
    for _, desc in ipairs(fields) do size = size + desc.size end
    return size
end

-- A records part (list or repeat) bound to its family.
local function bind_records(family, records)
    if not records then return nil end
    local out = {count = records.count, not_ready = records.not_ready, name = records.name}
    if type(records.count) == "table" then out.count = bind(family, records.count) end
    out.fields = bind_all(family, records.fields)
    out.size = fixed_size(out.fields)
    return out
end

for _, message in pairs(MESSAGES) do
    local family = message[2]
    for i = 3, #message do
        local layout = message[i]
        message[i] = {
            fields = bind_all(family, layout.fields), first = layout.first, first_not = layout.first_not,
            rest = layout.rest and bind(family, layout.rest), list = bind_records(family, layout.list),
            ["repeat"] = bind_records(family, layout["repeat"]),
        }
        message[i].size = fixed_size(message[i].fields)
    end
end

-- ---------------------------------------------------------------------------------------
-- Bodies.

-- Whether a layout takes a body of this size (the list's count is read only when the body
-- holds it).
local function fits(layout, body)
    local size = body:len()
    if size < layout.size then return false end
    if layout.first and (size == 0 or body(0, 1):uint() ~= layout.first) then return false end
    if layout.first_not and (size == 0 or body(0, 1):uint() == layout.first_not) then return false end
    if layout.rest then return true end
    local tail = size - layout.size
    local list = layout.list
    if list then
        if tail < 2 then return false end
        local count = body(layout.size, 2):le_uint()
        if list.not_ready and count == list.not_ready then return tail == 2 end
        return tail == 2 + count * list.size
    end
    if layout["repeat"] then return tail == layout["repeat"].count * layout["repeat"].size end
    return tail == 0
end

-- The fields the Info column names after the type (the first three of a packet).
local SUMMARY = {number = true, own = true, calling = true, called = true, invited = true, digits = true, result = true,
    reason = true, record_id = true, net_phone = true, file_name = true, balance = true, command = true}
local function note(summary, desc, range)
    if not SUMMARY[desc.name] or #summary >= 3 then return end
    local value
    if desc.kind == "text" then value = text_value(range)
    elseif desc.kind == "i32" then value = tostring(range:le_int())
    elseif desc.kind == "u8" then value = tostring(range:uint())
    else value = tostring(range:le_uint()) end
    if value ~= "" then summary[#summary + 1] = desc.name .. "=" .. value end
end

local function add_fields(tree, body, at, fields, summary)
    for _, desc in ipairs(fields) do
        local range = body(at, desc.size)
        local kind = KINDS[desc.kind]
        if kind.value then
            tree:add(desc.field, range, kind.value(range))
        elseif kind.le then
            tree:add_le(desc.field, range)
        else
            tree:add(desc.field, range)
        end
        note(summary, desc, range)
        at = at + desc.size
    end
    return at
end

local function add_records(tree, body, at, count, size, fields, name, summary)
    for i = 1, count do
        local record = tree:add(body(at, size), string.format("%s %d", name, i))
        at = add_fields(record, body, at, fields, summary)
    end
    return at
end

local function add_layout(tree, body, layout, summary)
    local at = add_fields(tree, body, 0, layout.fields, summary)
    local list = layout.list
    if list then
        local count = body(at, 2):le_uint()
        tree:add_le(list.count.field, body(at, 2))
        at = at + 2
        if count ~= list.not_ready then
            at = add_records(tree, body, at, count, list.size, list.fields, "Record", summary)
        end
    end
    local rep = layout["repeat"]
    if rep then at = add_records(tree, body, at, rep.count, rep.size, rep.fields, rep.name, summary) end
    if layout.rest and at < body:len() then tree:add(layout.rest.field, body(at)) end
end

local function mark_malformed(tree, body, why)
    tree:add(f.malformed, true)
    tree:add_proto_expert_info(malformed_expert, why)
    if body and body:len() > 0 then tree:add(f.body, body()) end
end

-- The fields of a body, by the first layout of its type that takes it; returns the text
-- for the Info column.
local function dissect_body(message, body, tree)
    for i = 3, #message do
        local layout = message[i]
        if fits(layout, body) then
            -- A fault here would be the dissector's own; the packet still shows as malformed.
            local summary = {}
            local ok, err = pcall(add_layout, tree, body, layout, summary)
            if ok then return table.concat(summary, " ") end
            mark_malformed(tree, body, "body not dissected: " .. tostring(err))
            return "[malformed]"
        end
    end
    mark_malformed(tree, body, string.format("no %s body has %d bytes", message[1], body:len()))
    return "[malformed]"
end

-- ---------------------------------------------------------------------------------------
-- Packets and links.

-- One packet (header and body); returns false when it is not one.
local function dissect_packet(tvb, pinfo, tree, link)
    if tvb:len() < 8 then return false end
    local ptype = tvb(0, 2):le_uint()
    local plen = tvb(2, 2):le_uint()
    -- A file's data answer longer than a u16 can say gives 0xFFFF as its length.
    local long_file = ptype == PKT_DOWN_FILE and plen == 0xFFFF and tvb:len() >= plen
    if plen ~= tvb:len() and not long_file then return false end
    local message = MESSAGES[ptype]
    local name = message and message[1]
    tree:add(f.link, link)
    tree:add_le(f.type, tvb(0, 2))
    tree:add(f.type_name, tvb(0, 2), name or string.format("Unknown 0x%04X", ptype))
    tree:add(f.family, tvb(1, 1), FAMILIES[bit.rshift(ptype, 8)] or "unknown")
    tree:add_le(f.length, tvb(2, 2))
    tree:add_le(f.seq, tvb(4, 4))
    local body = tvb(8):tvb()
    local label = name or string.format("0x%04X", ptype)
    if message then
        local summary = dissect_body(message, body, tree)
        if summary ~= "" then label = label .. " " .. summary end
    else
        tree:add(f.unknown, tvb(0, 2), true)
        if body:len() > 0 then tree:add(f.body, body()) end
    end
    pinfo.cols.protocol = "ORV"
    local info = tostring(pinfo.cols.info)
    if info == "" or info:find("^ORV ") == nil then pinfo.cols.info = "ORV " .. label
    else pinfo.cols.info = info .. ", " .. label end
    return true
end

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
    local payload = datagram_payload(tvb)
    if payload then
        local subtree = tree:add(orv, tvb(), "ORV datagram link")
        subtree:add(f.prefix, tvb(0, 1))
        return dissect_packet(payload, pinfo, subtree, "datagram")
    end
    -- Links opened without flags (the media rendezvous's) carry packets without a prefix.
    if tvb:len() >= 8 and tvb(2, 2):le_uint() == tvb:len() and MESSAGES[tvb(0, 2):le_uint()] then
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
    local m = orv_media.fields
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

do
    local m = orv_media.fields
    m.version = ProtoField.uint8("orvmedia.version_byte", "Version byte", base.HEX)
    m.marker = ProtoField.bool("orvmedia.marker", "Marker")
    m.pt = ProtoField.uint8("orvmedia.payload_type", "Payload type")
    m.seq = ProtoField.uint16("orvmedia.seq", "Sequence number")
    m.timestamp = ProtoField.uint32("orvmedia.timestamp", "Timestamp")
    m.ssrc = ProtoField.uint32("orvmedia.ssrc", "SSRC", base.HEX)
    m.probe = ProtoField.bool("orvmedia.probe", "Address probe")
    m.payload = ProtoField.bytes("orvmedia.payload", "Payload")
end

-- Stream links: frames reassembled across segments. A frame announcing more than the
-- service ever sends is taken as its 8-byte head alone and marked malformed.
local function frame_length(tvb, pinfo, offset)
    local announced = tvb(offset + 4, 4):le_uint()
    if announced > LONGEST_FRAME then return 8 end
    return 8 + announced
end

local function dissect_frame(tvb, pinfo, tree)
    local subtree = tree:add(orv, tvb(), "ORV stream frame")
    subtree:add(f.marker, tvb(0, 3))
    subtree:add(f.flag, tvb(3, 1))
    subtree:add_le(f.frame_length, tvb(4, 4))
    if tvb:len() == 8 and tvb(4, 4):le_uint() > LONGEST_FRAME then
        mark_malformed(subtree, nil, "frame longer than any message")
        return tvb:len()
    end
    local payload = tvb(8):tvb()
    if tvb(3, 1):uint() == 2 then payload = unscramble(payload, STREAM_KEY, "Unscrambled frame") end
    if not dissect_packet(payload, pinfo, subtree, "stream") then
        subtree:add(f.unknown, tvb(0, 3), true)
        if payload:len() > 0 then subtree:add(f.body, payload()) end
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
