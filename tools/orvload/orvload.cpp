// orvload: a load generator for the user server (see server/README.md).
#include "tools/orvload/load_options.h"
#include "tools/orvload/load_run.h"

#include <cstdio>

using namespace orv;

int main(int argc, char** argv) {
    LoadOptions options;
    std::string error;
    if (!ParseLoadOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "orvload: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s", kLoadHelp);
        return 0;
    }
    const bool done = options.writeSubscribers.empty() ? RunLoad(options, &error) : WriteSubscriberFile(options, &error);
    if (!done) {
        std::fprintf(stderr, "orvload: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
