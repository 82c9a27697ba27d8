#include "server/demo_subscribers.h"

#include "server/options_db.h"
#include "server/subscriber_db.h"

namespace orv {

namespace {

struct DemoSubscriber {
    const char* number;
    const char* password;
    SubscriberState state;
};

constexpr DemoSubscriber kDemo[] = {
    {"8001", "1111", SubscriberState::Active},
    {"8002", "2222", SubscriberState::Active},
    {"8003", "3333", SubscriberState::Active},
    {"8009", "9999", SubscriberState::Inactive},
};

} // namespace

std::vector<std::string> AddDemoSubscribers(SubscriberDb& db, std::string* error) {
    std::vector<std::string> lines;
    for (const DemoSubscriber& d : kDemo) {
        // A subscriber of that number keeps its own password; only the missing ones come.
        Subscriber existing;
        if (db.Find(d.number, &existing)) continue;
        if (!db.LastError().empty()) {
            *error = "cannot look up demo subscriber " + std::string(d.number) + ": " + db.LastError();
            return {};
        }
        CustomInfo custom;
        custom.id = 1;
        custom.name = "ORV-Demo";
        custom.url = "http://127.0.0.1/orv/";
        if (!db.Add(d.number, d.password) || !db.SetCustomInfo(d.number, custom) || !db.SetState(d.number, d.state)) {
            *error = "cannot add demo subscriber " + std::string(d.number) + ": " + db.LastError();
            return {};
        }
        lines.push_back(std::string("DEMO number=") + d.number + " password=" + d.password +
                        " state=" + StateName(d.state));
    }
    // One support entry, so the clients' support menu has something to show; entries an
    // administrator made stay as they are.
    OptionsDb options(db);
    std::vector<SupportEntry> support;
    if (!options.GetSupport(&support)) {
        *error = "cannot read the support entries: " + options.LastError();
        return {};
    }
    if (support.empty()) {
        if (!options.SetSupport({{"8003", "\xe5\xae\xa2\xe6\x9c\x8d|Service desk"}})) {
            *error = "cannot add the demo support entry: " + options.LastError();
            return {};
        }
        lines.push_back("DEMO support number=8003 text=Service desk");
    }
    lines.push_back("DEMO done");
    return lines;
}

} // namespace orv
