// A user-server handler for fuzz targets, made once for the whole run: no timer thread and
// no network thread, so the receive path runs on the target's thread and sends have no
// link to go out on (nothing they ask for piles up).
#pragma once

#include "client/data/call_record_list.h"
#include "client/userserver/user_serv_handler.h"
#include "fuzz/common/fuzz_client_setup.h"

#include <memory>
#include <string>

namespace orv {

struct UserServHarness {
    std::string home;
    std::unique_ptr<ClientConfig> config;
    std::unique_ptr<CallRecordList> records;
    std::shared_ptr<CTimerManager> timers;
    CUserServHandler* handler = nullptr; // lives for the whole run

    explicit UserServHarness(const std::string& homeName)
        : home(UseFuzzHome(homeName)), config(MakeFuzzConfig(home)),
          records(std::make_unique<CallRecordList>(home, [] { return 1700000000u; })),
          timers(InstallFuzzTimers([] { return 0u; })), handler(new CUserServHandler(*config, records.get())) {}
};

} // namespace orv
