// orvcli: the client core without a desktop. Commands come one a line from standard input
// or a script file (read on a reader thread and posted to the main thread); the core runs
// on the main thread's message loop; events go to standard output.
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/log/log.h"
#include "client/media/talk_media.h"
#include "client/update/update_target.h"
#include "client/video/devices/video_device_list.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "platform/system.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

using namespace orv;

namespace {

void ReadCommands(HWND input, std::istream& in) {
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        PostCommandLine(input, line);
    }
    PostEndOfInput(input);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    std::string homeError;
    if (!InitHomeFolder(argc, argv, &homeError)) {
        std::fprintf(stderr, "orvcli: %s\n", homeError.c_str());
        return 2;
    }
    InitOnlySoundDevice(argc, argv);
    InitOnlyVideoDevice(argc, argv);
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "orvcli: %s\n%s", error.c_str(), kCliHelp);
        return 2;
    }
    if (options.help) {
        std::fputs(kCliHelp, stdout);
        return 0;
    }
    std::ifstream script;
    if (!options.scriptFile.empty()) {
        script.open(options.scriptFile);
        if (!script) {
            std::fprintf(stderr, "orvcli: cannot read the script \"%s\"\n", options.scriptFile.c_str());
            return 2;
        }
    }
    OpenLog(options.log ? "LOG " + options.logLevel : "");
    int status = 0;
    bool restart = false;
    {
        MediaPipelineScope media; // calls get real media; outlives the session's calls
        CliSession session(options, stdout);
        if (!session.Start(&error)) {
            std::fprintf(stderr, "orvcli: %s\n", error.c_str());
            status = 2;
        } else {
            // The reader may stay blocked on standard input after quit; it owns its stream
            // and only posts to the session's window, and posts to a gone window are dropped.
            HWND input = session.InputWindow();
            if (options.scriptFile.empty()) {
                std::thread([input] { ReadCommands(input, std::cin); }).detach();
            } else {
                std::thread([input, s = std::move(script)]() mutable { ReadCommands(input, s); }).detach();
            }
            RunMessageLoop();
            if (session.WaitTimedOut()) status = 3;
            restart = session.RestartForUpdate();
        }
    }
    CloseLog();
    // Started once everything of ours is closed; it waits for this process to end.
    if (restart && !ShellOpenProgram(JoinPath(ProgramFolder(), kUpdaterProgramName)))
        std::fprintf(stderr, "orvcli: cannot start the updater\n");
    return status;
}
