// The few subscribers a new database starts with, so that a first start can be tried at
// once. Their numbers and passwords are printed as "DEMO number=... password=... state=...".
#pragma once

#include <string>
#include <vector>

namespace orv {

class SubscriberDb;

// Adds the demo subscribers that are missing (a number that exists keeps its password) and
// the demo support entry when there is none; returns the DEMO lines, the last one
// "DEMO done", empty with *error on failure.
std::vector<std::string> AddDemoSubscribers(SubscriberDb& db, std::string* error);

} // namespace orv
