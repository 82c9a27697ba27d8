// One orvload run: the sockets of the simulated clients on one epoll set, their deadlines
// on one heap, first logons paced at the given rate, PROGRESS lines while it runs and the
// RESULT lines at its end. Single-threaded.
#pragma once

#include "tools/orvload/load_options.h"

#include <string>

namespace orv {

// Runs to the end of the duration (or until every client is registered, when asked);
// false with *error when the sockets cannot be made.
bool RunLoad(const LoadOptions& options, std::string* error);

// Writes "NUMBER PASSWORD" lines of the options' clients to the file; false with *error.
bool WriteSubscriberFile(const LoadOptions& options, std::string* error);

} // namespace orv
