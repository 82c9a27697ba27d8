// The stream links a talk-protocol server (talk, conference) serves, each with the server's
// state for it. It keeps at most a set number, asks for a link to be closed once (what the
// link sends meanwhile is ignored), and closes links that have served nothing for a while.
#pragma once

#include "linkcommon/link_event.h"
#include "platform/tick.h"
#include "server/server_log.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orv {

// State: the server's own per-link state, with `std::uint32_t idleSince` (the tick since when
// the link serves nothing; 0 while it does).
template <class State>
class StreamLinks {
public:
    using CloseFunction = std::function<void(LinkHandle link)>;

    // name: the server's name in the log; close: closes a link later, outside the call.
    StreamLinks(const char* name, std::size_t most, CloseFunction close)
        : m_name(name), m_most(most), m_close(std::move(close)) {}

    // A new link; refused (and closed) when the most are open already.
    void Accept(LinkHandle link, std::uint32_t now) {
        if (m_states.size() >= m_most) {
            ServerLog("%s: refuse link %u: %zu links open", m_name, link, m_states.size());
            Close(link);
            return;
        }
        State state;
        state.idleSince = now == 0 ? 1 : now;
        m_states[link] = state;
    }

    // A link that is served and not being closed: what it sends counts.
    bool Listening(LinkHandle link) const { return m_states.count(link) != 0 && m_closing.count(link) == 0; }
    bool Serves(LinkHandle link) const { return m_states.count(link) != 0; }
    State* Find(LinkHandle link) {
        const auto it = m_states.find(link);
        return it == m_states.end() ? nullptr : &it->second;
    }
    State& operator[](LinkHandle link) { return m_states[link]; }
    std::size_t Size() const { return m_states.size(); }
    std::vector<LinkHandle> Handles() const {
        std::vector<LinkHandle> links;
        for (const auto& [link, state] : m_states) links.push_back(link);
        return links;
    }

    void Close(LinkHandle link) {
        if (m_closing.insert(link).second) m_close(link);
    }
    // A frame announcing more than any message of the protocol.
    void CloseOversize(LinkHandle link, std::uint32_t length) {
        if (m_closing.count(link) != 0) return;
        ServerLog("%s: close link %u: it announced a %u-byte message", m_name, link, length);
        Close(link);
    }
    // The link went: it is forgotten.
    void Forget(LinkHandle link) {
        m_states.erase(link);
        m_closing.erase(link);
    }

    // Closes the links that have served nothing (busy(link) false) for longer than idleMs;
    // `what` names what they serve in the log ("call", "room").
    void CloseIdle(std::uint32_t now, std::uint32_t idleMs, const std::function<bool(LinkHandle)>& busy,
                   const char* what) {
        std::vector<LinkHandle> idle;
        for (auto& [link, state] : m_states) {
            if (busy(link)) {
                state.idleSince = 0;
            } else if (state.idleSince == 0) {
                state.idleSince = now == 0 ? 1 : now;
            } else if (TickDiff(now, state.idleSince) > static_cast<std::int32_t>(idleMs) &&
                       m_closing.count(link) == 0) {
                idle.push_back(link);
            }
        }
        for (LinkHandle link : idle) {
            ServerLog("%s: close link %u: it serves no %s", m_name, link, what);
            Close(link);
        }
    }

private:
    const char* m_name;
    std::size_t m_most;
    CloseFunction m_close;
    std::unordered_map<LinkHandle, State> m_states;
    std::unordered_set<LinkHandle> m_closing;
};

} // namespace orv
