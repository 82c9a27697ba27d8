#include "client/core/conference_control.h"

#include "client/call/call_progress.h"
#include "client/conference/conf_events.h"
#include "client/conference/conf_serv_handler.h"
#include "client/friends/text_format.h"
#include "client/log/log.h"
#include "client/userserver/user_serv_handler.h"
#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <cstring>
#include <ctime>

namespace orv {

namespace {

constexpr std::uint32_t kReasonServerCode = 0x1000000;

int LocalSecondsOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

bool IsDialString(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || c == '*')) return false;
    }
    return true;
}

// The text of a member that left, by its reason.
ProgressText MemberLeftText(std::uint32_t reason) {
    switch (reason) {
    case 1:
    case 18: return {40, TextFill::NumberName};
    case 2: return {69, TextFill::NumberOnly};
    case 8: return {347, TextFill::NumberName};
    case 16: return {56, TextFill::NumberName};
    default: break;
    }
    if ((reason & kReasonServerCode) != 0) {
        const std::uint32_t code = reason & ~kReasonServerCode;
        if (code >= 1 && code <= 14) return {static_cast<int>(117 + code)};
    }
    return {68, TextFill::NumberOnly};
}

const char* StateName(std::uint8_t status) {
    switch (status) {
    case kSeatInvited: return "invited";
    case kSeatAlerting: return "alerting";
    case kSeatConnected: return "connected";
    default: return "left";
    }
}

} // namespace

ConferenceControl::ConferenceControl(ClientCore& core, std::function<int()> secondsOfDay)
    : m_core(core), m_secondsOfDay(secondsOfDay ? std::move(secondsOfDay) : LocalSecondsOfDay) {
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
    const HWND window = m_window->Create("ConferenceControl");
    if (CUserServHandler* userServ = m_core.UserServ()) userServ->SetConfWindow(window);
    for (int i = 0; i < kConfSeats; ++i) m_rows[i].channel = static_cast<std::uint16_t>(i);
}

ConferenceControl::~ConferenceControl() {
    if (CUserServHandler* userServ = m_core.UserServ()) userServ->SetConfWindow(0);
    m_window->Destroy();
    // Events still queued for the window carry blocks nobody else frees: the queue goes with
    // the window, and what is in it is small and bounded by the seats.
}

std::string ConferenceControl::Text(int number) const { return m_core.Texts().Text(number); }

LRESULT ConferenceControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CALL_PROGRESS) OnEvent(static_cast<int>(wParam), lParam);
    return 0;
}

void ConferenceControl::AddText(const std::string& text) {
    if (text.empty()) return;
    const int s = m_secondsOfDay();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "[%02d:%02d:%02d] ", s / 3600 % 24, s / 60 % 60, s % 60);
    m_log.push_back(prefix + text);
    while (m_log.size() > kConfLogLines) m_log.pop_front();
}

std::string ConferenceControl::NameOf(const std::string& number, bool take) {
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr) return number;
    std::string name;
    if (take) {
        TalkServHandler* handler = userServ->LockCallHandler();
        InvitedEntry entry{};
        if (handler != nullptr && handler->GetHandlerName() == kConfHandlerName &&
            static_cast<ConfServHandler*>(handler)->Invited().Take(number, &entry)) {
            name = GetTextField(entry.data() + 32, 32);
        }
        userServ->UnlockCallHandler();
    }
    if (name.empty()) {
        PeerBlock peer;
        PutTextField(reinterpret_cast<std::uint8_t*>(peer.dialled), kPeerFieldSize, number.c_str());
        userServ->Friends().LookupPeer(&peer);
        name = GetTextField(reinterpret_cast<const std::uint8_t*>(peer.name), kPeerFieldSize);
    }
    return name.empty() ? number : name;
}

void ConferenceControl::OnEvent(int type, LPARAM value) {
    WriteLog(5, "CConfArea::OnCallState(0x%08x, 0x%08x)", static_cast<unsigned>(type),
             static_cast<unsigned>(static_cast<std::uintptr_t>(value)));
    std::unique_ptr<std::uint8_t[]> block;
    ConfSeatEntry member;
    if (ReadConfWindowBlock(type, reinterpret_cast<const std::uint8_t*>(value), &member) ||
        (type == kConfWindowInviteFailed && value != 0)) {
        block.reset(reinterpret_cast<std::uint8_t*>(value)); // ours to free
    }
    std::string text;
    bool passOn = false;
    bool reset = false;
    const auto reasonText = [&](ProgressText t, const std::string& number, const std::string& name) {
        if (t.number == 0) return std::string();
        if (t.fill == TextFill::NumberName) return FillText(Text(t.number), {number, name});
        if (t.fill == TextFill::NumberOnly) return FillText(Text(t.number), {name, ""});
        if (t.fill == TextFill::NumberFirst) return number + " " + Text(t.number);
        return Text(t.number);
    };
    switch (type) {
    case 0: break;
    case 1: text = Text(58); break;
    case 2:
        text = reasonText(RefusalText(static_cast<std::int32_t>(value)), "", "");
        reset = true;
        break;
    case 3:
        text = reasonText(DisconnectText(static_cast<std::uint32_t>(value)), "", "");
        passOn = reset = true;
        break;
    case 4: text = Text(334); passOn = reset = true; break;
    case 7:
        text = Text(61);
        passOn = true;
        if (!m_requested) m_ownRoom = false;
        break;
    case 9: text = Text(54); reset = true; break;
    case 10: text = Text(55); reset = true; break;
    case 11: text = Text(85); reset = true; break;
    case 12: text = Text(86); reset = true; break;
    case 13: text = Text(87); passOn = reset = true; break;
    case 14: text = Text(59); break;
    case kConfWindowInviteFailed: {
        if (!block) break;
        const std::string number = GetTextField(block.get(), 32);
        const auto reason = static_cast<std::int32_t>(GetU32LE(block.get() + 32));
        text = reasonText(RefusalText(reason), number, NameOf(number, true));
        m_core.Emit({"conf_invite_failed", {{"number", number}, {"reason", std::to_string(reason)}}, "", text});
        break;
    }
    case kConfWindowInvite:
    case kConfWindowStatus:
    case kConfWindowAlert:
    case kConfWindowConnect:
    case kConfWindowDisconnect:
        if (block) OnSeatEvent(type, member);
        return;
    case 5:
    case 6:
    case 8: break;
    default: WriteLog(3, "Unknow Msg  in ConfDlg type=%d", type); return;
    }
    AddText(text);
    CoreEvent event{"conf_event", {{"type", std::to_string(type)}}, text.empty() ? "" : Text(287), text};
    if (type == 2 || type == 3) event.fields.push_back({"reason", std::to_string(static_cast<long>(value))});
    m_core.Emit(std::move(event));
    if (passOn) PostMessage(m_core.Window(), WM_CALL_PROGRESS, static_cast<WPARAM>(type), value);
    if (reset) Reset();
}

void ConferenceControl::OnSeatEvent(int type, const ConfSeatEntry& m) {
    std::string text;
    switch (type) {
    case kConfWindowInvite: {
        const std::string name = NameOf(m.number, true);
        text = FillText(Text(63), {name});
        AddMember(m, name);
        break;
    }
    case kConfWindowStatus:
        if (m.status == kSeatConnected) {
            AddMember(m, NameOf(m.number, true));
            if (m.media[1] != 0) RequestVideo(m);
        }
        break;
    case kConfWindowAlert: text = FillText(Text(51), {m.number, NameOf(m.number, false)}); break;
    case kConfWindowConnect: {
        const std::string name = NameOf(m.number, true);
        text = FillText(Text(64), {name});
        AddMember(m, name);
        if (m.media[1] != 0) RequestVideo(m);
        break;
    }
    case kConfWindowDisconnect: {
        const ProgressText t = MemberLeftText(m.reason);
        const std::string name = NameOf(m.number, false);
        if (t.fill == TextFill::NumberName) text = FillText(Text(t.number), {m.number, name});
        else if (t.fill == TextFill::NumberOnly) text = FillText(Text(t.number), {name});
        else text = Text(t.number);
        RemoveMember(m.channel);
        break;
    }
    default: break;
    }
    AddText(text);
    m_core.Emit({"conf_event", {{"type", std::to_string(type)}}, text.empty() ? "" : Text(287), text});
    if (type != kConfWindowStatus || m.status != kSeatFree)
        EmitMember(m, type == kConfWindowDisconnect ? "left" : StateName(m.status));
}

void ConferenceControl::EmitMember(const ConfSeatEntry& m, const char* state) {
    const int row = RowOf(m.channel);
    CoreEvent event{"conf_member",
                    {{"seat", std::to_string(m.channel)},
                     {"number", m.number},
                     {"endpoint", std::to_string(m.endpoint)},
                     {"state", state},
                     {"video", row >= 0 && m_rows[row].showingVideo ? "1" : "0"}},
                    "",
                    ""};
    if (std::strcmp(state, "left") == 0) event.fields.push_back({"reason", std::to_string(m.reason)});
    m_core.Emit(std::move(event));
}

int ConferenceControl::RowOf(int channel) const {
    for (int i = 0; i < kConfSeats; ++i) {
        if (m_rows[i].endpoint != 0 && m_rows[i].channel == channel) return i;
    }
    return -1;
}

void ConferenceControl::AddMember(const ConfSeatEntry& m, const std::string& name) {
    const int row = RowOf(m.channel);
    if (row >= 0) {
        m_rows[row].showingVideo = m.media[1] != 0 && m.status == kSeatConnected;
        return;
    }
    for (ConfMemberRow& r : m_rows) {
        if (r.endpoint != 0) continue;
        r = ConfMemberRow{m.number, m.endpoint, false, m.channel, name};
        return;
    }
}

void ConferenceControl::RemoveMember(int channel) {
    const int row = RowOf(channel);
    if (row < 0) return;
    for (int i = row; i + 1 < kConfSeats; ++i) m_rows[i] = m_rows[i + 1];
    m_rows[kConfSeats - 1] = ConfMemberRow{};
}

void ConferenceControl::RequestVideo(const ConfSeatEntry& m) {
    std::string error;
    if (WithHandler([&](ConfServHandler& h) { return h.DoConfCmd(kConfCmdVideoRequest, m.channel); }, &error)) {
        const int row = RowOf(m.channel);
        if (row >= 0) m_rows[row].showingVideo = true;
    }
}

void ConferenceControl::Reset() {
    if (CUserServHandler* userServ = m_core.UserServ()) {
        TalkServHandler* handler = userServ->LockCallHandler();
        if (handler != nullptr && handler->GetHandlerName() == kConfHandlerName)
            static_cast<ConfServHandler*>(handler)->Invited().Clear();
        userServ->UnlockCallHandler();
    }
    for (ConfMemberRow& r : m_rows) r = ConfMemberRow{};
    const bool closes = !m_ownRoom;
    m_ownRoom = true;
    m_requested = false;
    m_core.Emit({"conf_reset", {{"closes", closes ? "1" : "0"}}, "", ""});
}

bool ConferenceControl::InConference() const {
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr) return false;
    const TalkServHandler* handler = userServ->LockCallHandler();
    const bool conference = handler != nullptr && handler->GetHandlerName() == kConfHandlerName;
    userServ->UnlockCallHandler();
    return conference;
}

bool ConferenceControl::Chairman() const {
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr) return false;
    const TalkServHandler* handler = userServ->LockCallHandler();
    const bool chairman = handler != nullptr && handler->GetHandlerName() == kConfHandlerName && handler->IsCaller();
    userServ->UnlockCallHandler();
    return chairman;
}

std::vector<ConfMemberRow> ConferenceControl::Rows() const {
    std::vector<ConfMemberRow> rows;
    for (const ConfMemberRow& r : m_rows) {
        if (r.endpoint != 0) rows.push_back(r);
    }
    return rows;
}

bool ConferenceControl::WithHandler(const std::function<int(ConfServHandler&)>& f, std::string* error) {
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr) {
        *error = "the core has not started";
        return false;
    }
    TalkServHandler* handler = userServ->LockCallHandler();
    int result = 0;
    if (handler == nullptr || handler->GetHandlerName() != kConfHandlerName) {
        *error = "no conference here";
    } else if ((result = f(*static_cast<ConfServHandler*>(handler))) == 0) {
        *error = "the conference server was not told";
    }
    userServ->UnlockCallHandler();
    return result != 0;
}

bool ConferenceControl::Request(std::string* error) {
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr || userServ->DoConfRequest() == 0) {
        *error = "the conference request was not sent";
        return false;
    }
    m_ownRoom = true;
    m_requested = true;
    return true;
}

bool ConferenceControl::Invite(const std::string& number, std::string* error) {
    int used = 0;
    for (int i = 0; i + 1 < kConfSeats; ++i) used += m_rows[i].endpoint != 0 ? 1 : 0;
    if (used >= kConfSeats - 1) {
        *error = Text(336);
        return false;
    }
    if (!IsDialString(number)) {
        *error = Text(133);
        return false;
    }
    for (const ConfMemberRow& r : m_rows) {
        if (r.endpoint != 0 && r.number == number) {
            *error = FillText(Text(65), {number});
            return false;
        }
    }
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr || userServ->DoConfInvite(number) == 0) {
        *error = "no conference of this side to invite into";
        return false;
    }
    return true;
}

bool ConferenceControl::VideoOn(int seat, std::string* error) {
    if (seat < 0 || seat >= kConfSeats) return (*error = "seats are 0..3", false);
    const bool sent = WithHandler([&](ConfServHandler& h) { return h.DoConfCmd(kConfCmdVideoRequest, seat); }, error);
    const int row = RowOf(seat);
    if (sent && row >= 0) m_rows[row].showingVideo = true;
    return sent;
}

bool ConferenceControl::VideoOff(int seat, std::string* error) {
    if (seat < 0 || seat >= kConfSeats) return (*error = "seats are 0..3", false);
    const bool sent = WithHandler([&](ConfServHandler& h) { return h.DoConfCmd(kConfCmdVideoCancel, seat); }, error);
    const int row = RowOf(seat);
    if (row >= 0) m_rows[row].showingVideo = false;
    return sent;
}

bool ConferenceControl::Kick(int seat, std::string* error) {
    if (seat < 0 || seat >= kConfSeats) return (*error = "seats are 0..3", false);
    const bool sent = WithHandler([&](ConfServHandler& h) { return h.DoConfCmd(kConfCmdKick, seat); }, error);
    if (sent) RemoveMember(seat);
    return sent;
}

bool ConferenceControl::Digits(int seat, const std::string& digits, std::string* error) {
    if (seat < 0 || seat >= kConfSeats) return (*error = "seats are 0..3", false);
    if (RowOf(seat) < 0) return (*error = "nobody in that seat", false);
    if (!IsDialString(digits)) return (*error = "digits are 0-9 and *", false);
    return WithHandler([&](ConfServHandler& h) { return h.DoConfDTMF(static_cast<std::uint16_t>(seat), digits); },
                       error);
}

bool ConferenceControl::Leave(std::string* error) {
    CUserServHandler* userServ = m_core.UserServ();
    if (userServ == nullptr || userServ->EndTalk() == 0) {
        *error = "no conference to leave";
        return false;
    }
    return true;
}

} // namespace orv
