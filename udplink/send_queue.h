// The outgoing queue of one link and its "sending" flag, guarded by the link's send lock.
// A send step transmits (part of) the head record once; the link asks the event loop for a
// fresh writable notification afterwards, so a backlog drains one step per notification.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace orv {

struct OutgoingRecord {
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
    std::uint32_t address = 0; // destination (datagram links), network byte order
    std::uint16_t port = 0;    // destination port, host byte order
};

enum class SendOutcome { Sent, WouldBlock, Failed };
struct SendAttempt {
    SendOutcome outcome;
    std::size_t count; // bytes taken when Sent
};
// Sends piece (the next unsent bytes of record) once.
using Transmit = std::function<SendAttempt(const OutgoingRecord& record, const std::uint8_t* piece,
                                           std::size_t size)>;

class SendQueue {
public:
    explicit SendQueue(std::size_t maxPiece) : m_maxPiece(maxPiece) {}

    // Appends; true when no send was in progress, i.e. the caller should run a step now.
    bool Enqueue(OutgoingRecord record);

    // One send step. ready = the link may send now (open / connected). Returns true when
    // work remains, so the link must ask for a writable notification again; with an empty
    // queue the next Enqueue runs a step itself.
    // - Sent: progress is kept; a completed head is dropped; "sending" is cleared.
    // - WouldBlock: "sending" stays set, so only the next writable notification resumes.
    // - Failed: the head is dropped (its bytes are lost), "sending" is cleared.
    bool Step(bool ready, const Transmit& transmit);

    // Drops every record (link closing); alsoUnderLock runs under the send lock as well, so
    // no step can still be using the socket that it retires.
    void Clear(const std::function<void()>& alsoUnderLock = nullptr);
    // Runs f under the send lock.
    template <class F>
    void WithLock(F&& f) {
        std::lock_guard<std::mutex> lock(m_mutex);
        f();
    }
    std::size_t Size() const;
    bool Sending() const;

private:
    mutable std::mutex m_mutex;
    std::deque<OutgoingRecord> m_records;
    bool m_sending = false;
    const std::size_t m_maxPiece;
};

} // namespace orv
