// The few subscribers a new database starts with, so that a first start can be tried at
// once. Their numbers and passwords are printed as "DEMO number=... password=... state=...".
#pragma once

#include <string>
#include <vector>

namespace orv {

class SubscriberDb;

// Adds the demo subscribers; returns the DEMO lines, empty with *error on failure.
std::vector<std::string> AddDemoSubscribers(SubscriberDb& db, std::string* error);

} // namespace orv
