// The outgoing queue of one link and its "sending" flag, guarded by the link's send lock.
// A drain sends records (in pieces of at most maxPiece bytes) until the queue is empty or the
// socket would block; only then does the link wait for a writable notification. The queue
// holds at most highWater bytes beyond the record being sent: a peer that stops reading
// cannot make a link buffer without limit.
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

enum class Admission {
    SendNow, // queued, no drain in progress: the caller drains now
    Queued,  // queued behind a drain that waits for the socket
    Full,    // refused: the bytes waiting already exceed the high-water mark
};

class SendQueue {
public:
    SendQueue(std::size_t maxPiece, std::size_t highWater) : m_maxPiece(maxPiece), m_highWater(highWater) {}

    Admission Enqueue(OutgoingRecord record);

    // Sends while the socket takes the bytes. ready = the link may send now (open /
    // connected). Returns true when the socket would block with work left, so the link must
    // ask for a writable notification; with an empty queue the next Enqueue drains itself.
    // - Sent: progress is kept; a completed record is dropped.
    // - WouldBlock: "sending" stays set, so only the next writable notification resumes.
    // - Failed: the head is dropped (its bytes are lost) and the drain goes on.
    bool Drain(bool ready, const Transmit& transmit);

    // Drops every record (link closing); alsoUnderLock runs under the send lock as well, so
    // no drain can still be using the socket that it retires.
    void Clear(const std::function<void()>& alsoUnderLock = nullptr);
    // Runs f under the send lock.
    template <class F>
    void WithLock(F&& f) {
        std::lock_guard<std::mutex> lock(m_mutex);
        f();
    }
    std::size_t Size() const;
    std::size_t BytesWaiting() const;
    bool Sending() const;

private:
    void DropHead();

    mutable std::mutex m_mutex;
    std::deque<OutgoingRecord> m_records;
    std::size_t m_bytes = 0; // unsent bytes of all records
    bool m_sending = false;
    const std::size_t m_maxPiece;
    const std::size_t m_highWater;
};

} // namespace orv
