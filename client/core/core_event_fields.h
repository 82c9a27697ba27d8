// Reading the fields of a core event by name, for the front-ends that act on events.
#pragma once

#include "client/core/client_core.h"

#include <cstdlib>
#include <string>

namespace orv {

// The value of the first field called key; empty when the event has none.
inline std::string EventField(const CoreEvent& event, const char* key) {
    for (const auto& [name, value] : event.fields) {
        if (name == key) return value;
    }
    return std::string();
}

// The field as a number (decimal, or hexadecimal with 0x); 0 when missing or not a number.
inline int EventIntField(const CoreEvent& event, const char* key) {
    return static_cast<int>(std::strtol(EventField(event, key).c_str(), nullptr, 0));
}

} // namespace orv
