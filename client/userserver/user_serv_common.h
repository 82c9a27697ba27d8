// Values and helpers shared by the files of the user-server handler.
#pragma once

#include "client/log/log.h"

#include <cstdint>

namespace orv {

// Requests that await an answer are resent at this interval.
constexpr std::uint32_t kRequestIntervalMs = 5000;
// The usual retry count of a user-server request.
constexpr int kInfoRetries = 5;
// The delay before a list that was not ready is asked for again.
constexpr std::uint32_t kNotReadyDelayMs = 1000;

// What the log shows in place of a password or its digest: neither is ever written.
constexpr const char* kHiddenSecret = "********";

// The log line of an operation refused because the session is not registered.
inline void LogNotRegistered(const char* operation) {
    WriteLog(3, "%s Local EndpointID=0, means not registered", operation);
}

} // namespace orv
