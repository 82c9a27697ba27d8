#include "server/talk_calls.h"

namespace orv {

const char* PhaseName(CallPhase phase) {
    switch (phase) {
    case CallPhase::Setup: return "setup";
    case CallPhase::Accepted: return "accepted";
    case CallPhase::Alerting: return "alerting";
    case CallPhase::Talking: return "talking";
    case CallPhase::Held: return "held";
    case CallPhase::Ended: return "ended";
    }
    return "?";
}

TalkCallTable::TalkCallTable() : m_random(std::random_device{}()) {}

TalkCall& TalkCallTable::Create(std::uint32_t now) {
    // Random and positive, so identifiers do not repeat across restarts and read well in the
    // clients' signed log lines.
    std::uniform_int_distribution<std::uint32_t> pick(1, 0x7FFFFFFF);
    std::uint32_t id;
    do {
        id = pick(m_random);
    } while (m_calls.count(id) != 0);
    TalkCall& call = m_calls[id];
    call.id = id;
    call.SetPhase(CallPhase::Setup, now);
    return call;
}

TalkCall* TalkCallTable::Find(std::uint32_t id) {
    auto it = m_calls.find(id);
    return it == m_calls.end() ? nullptr : &it->second;
}

TalkCall* TalkCallTable::FindActiveByNumber(const std::string& number) {
    for (auto& [id, call] : m_calls) {
        if (!call.Active()) continue;
        if (call.Party(Side::Caller).number == number) return &call;
        if (!call.echo && call.Party(Side::Called).number == number) return &call;
    }
    return nullptr;
}

TalkCall* TalkCallTable::FindActiveByEndpoint(std::uint32_t endpoint, Side* side) {
    if (endpoint == 0) return nullptr;
    for (auto& [id, call] : m_calls) {
        if (!call.Active()) continue;
        for (Side s : {Side::Caller, Side::Called}) {
            if (call.Party(s).endpoint == endpoint) {
                *side = s;
                return &call;
            }
        }
    }
    return nullptr;
}

void TalkCallTable::Remove(std::uint32_t id) { m_calls.erase(id); }

std::size_t TalkCallTable::ActiveCount() const {
    std::size_t n = 0;
    for (const auto& [id, call] : m_calls) n += call.Active() ? 1 : 0;
    return n;
}

} // namespace orv
