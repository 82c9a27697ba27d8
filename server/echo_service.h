// The echo-test service: a number the server answers itself. What a caller sends on each
// medium comes back to it under the service's own source identifier, so the caller hears and
// sees itself; digits sent during the call are taken in and logged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr const char* kDefaultEchoNumber = "9999";

class EchoService {
public:
    explicit EchoService(std::string number) : m_number(std::move(number)) {}

    const std::string& Number() const { return m_number; }
    bool Serves(const std::string& number) const { return !m_number.empty() && number == m_number; }

    // The datagram to send back for a media packet: the same payload type, sequence number,
    // timestamp and payload, from the source ssrc (any contributing sources dropped). False
    // for anything that is not a version-2 media packet with a payload.
    static bool Echo(const std::uint8_t* data, std::size_t size, std::uint32_t ssrc, std::vector<std::uint8_t>* out);

    // Digits the caller sent on an echo call.
    void OnDigits(std::uint32_t callId, const std::string& caller, const std::string& digits) const;

private:
    std::string m_number;
};

} // namespace orv
