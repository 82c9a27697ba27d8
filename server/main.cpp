// orvserver: the user server of the ORV service with its subscriber database, or an admin
// command on that database.
#include "platform/paths.h"
#include "server/account_admin.h"
#include "server/admin_commands.h"
#include "server/db_file_checks.h"
#include "server/demo_subscribers.h"
#include "server/server_log.h"
#include "server/server_loop.h"
#include "server/server_options.h"
#include "server/subscriber_db.h"
#include "server/update_admin.h"

#include <cstdio>

using namespace orv;

namespace {

int RunCommand(SubscriberDb& db, const ServerOptions& options) {
    const std::vector<std::string>& command = options.command;
    bool ok = false;
    if (IsUpdateCommand(command[0])) {
        for (const std::string& line :
             RunUpdateCommand(command, UpdateFolderOf(options), UpdateKeyFileOf(options), &ok))
            std::printf("%s\n", line.c_str());
        return ok ? 0 : 1;
    }
    if (IsAccountCommand(command[0])) {
        for (const std::string& line : RunAccountCommand(command, db, &ok)) std::printf("%s\n", line.c_str());
        return ok ? 0 : 1;
    }
    for (const std::string& line : RunAdminCommand(command, db, nullptr, 0, &ok)) std::printf("%s\n", line.c_str());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    BlockStopSignals();
    std::string homeError;
    if (!InitHomeFolder(argc, argv, &homeError)) {
        std::fprintf(stderr, "orvserver: %s\n", homeError.c_str());
        return 2;
    }
    ServerOptions options;
    std::string error;
    if (!ParseServerOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "orvserver: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s%s%s%s", kServerHelp, kAdminHelp, kAccountAdminHelp, kUpdateAdminHelp);
        return 0;
    }
    if (!options.command.empty() && !IsAdminCommand(options.command[0]) && !IsAccountCommand(options.command[0]) &&
        !IsUpdateCommand(options.command[0])) {
        std::fprintf(stderr, "orvserver: unknown command %s (see --help)\n", options.command[0].c_str());
        return 2;
    }

    // A read-only home is named as such, before any database there is looked at.
    if (!CheckFolderWritable(HomeFolder(), &error)) {
        std::fprintf(stderr, "orvserver: %s\n", error.c_str());
        return 1;
    }
    bool created = false;
    auto db = SubscriberDb::Open(JoinPath(HomeFolder(), kSubscriberDbName), &error, &created);
    if (!db) {
        std::fprintf(stderr, "orvserver: %s\n", error.c_str());
        return 1;
    }
    if (!options.command.empty()) return RunCommand(*db, options);

    // Demo subscribers with their published passwords go only into a database made just
    // now, or into any when asked for.
    if (created || options.demo) {
        const auto lines = AddDemoSubscribers(*db, &error);
        if (lines.empty()) {
            std::fprintf(stderr, "orvserver: %s\n", error.c_str());
            return 1;
        }
        for (const std::string& line : lines) std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    ServerLoop loop(*db, options);
    if (!loop.Start(&error)) {
        std::fprintf(stderr, "orvserver: %s\n", error.c_str());
        return 1;
    }
    return loop.Run();
}
