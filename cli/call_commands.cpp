// Calls: call, answer, hangup, redial, dtmf, pause-video, call-status, call-records.
#include "cli/cli_commands.h"
#include "client/data/call_record_list.h"
#include "client/core/call_control.h"

namespace orv {

namespace {

// Runs a command on the core's call controls, or reports that the core has none yet.
void WithCalls(CliContext& c, const std::string& line, const std::function<void(CallControl&)>& run) {
    if (CallControl* calls = c.core.Calls()) {
        run(*calls);
    } else {
        c.Error(line, "the core has not started");
    }
}

const char* ListName(std::uint32_t listType) {
    switch (listType) {
    case kReceivedCall: return "received";
    case kMissedCall: return "missed";
    case kDialledCall: return "dialled";
    case kOfflineCall: return "offline";
    default: return "?";
    }
}

// One event per record of the call record store, then how many there were.
void PrintCallRecords(CliContext& c) {
    std::vector<CallRecord> records;
    if (CallRecordList* list = c.core.Records()) records = list->Records();
    for (const CallRecord& r : records) {
        const std::uint32_t talked = r.talkStart != 0 && r.endTime >= r.talkStart ? r.endTime - r.talkStart : 0;
        c.print({"call_record",
                 {{"list", ListName(r.listType)}, {"caller", r.caller}, {"called", r.called},
                  {"call_id", std::to_string(r.callId)}, {"caller_flag", std::to_string(r.callerFlag)},
                  {"conference", std::to_string(r.conference)},
                  {"end_kind", std::to_string(r.endKind)}, {"end_reason", std::to_string(r.endReason)},
                  {"talk_seconds", std::to_string(talked)}},
                 "", ""});
    }
    c.print({"call_records", {{"count", std::to_string(records.size())}}, "", ""});
}

} // namespace

void AddCallCommands(CliCommandTable& table) {
    table["call"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 2) return c.Error(line, "call needs a number (NUMBER or NUMBER*EXTENSION)");
        WithCalls(c, line, [&](CallControl& calls) {
            if (!calls.Call(words[1])) c.Error(line, "the call request was not sent");
        });
    };
    table["redial"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        WithCalls(c, line, [&](CallControl& calls) {
            if (!calls.Redial()) c.Error(line, "nothing to redial, or the call request was not sent");
        });
    };
    table["answer"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        WithCalls(c, line, [&](CallControl& calls) {
            if (!calls.Answer()) c.Error(line, "no call rings here");
        });
    };
    table["hangup"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        WithCalls(c, line, [&](CallControl& calls) {
            if (!calls.Hangup()) c.Error(line, "no call to end");
        });
    };
    table["dtmf"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 2) return c.Error(line, "dtmf needs digits (0-9, * and #)");
        WithCalls(c, line, [&](CallControl& calls) {
            if (!calls.Dtmf(words[1])) c.Error(line, "digits go only during a talk, and only 0-9, * and #");
        });
    };
    table["pause-video"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 2 || (words[1] != "on" && words[1] != "off"))
            return c.Error(line, "pause-video needs on or off");
        WithCalls(c, line, [&](CallControl& calls) {
            if (!calls.PauseVideo(words[1] == "on")) return c.Error(line, "no call to pause the video of");
            if (c.video != nullptr) c.video->SetSendingPaused(words[1] == "on");
        });
    };
    table["call-status"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        WithCalls(c, line, [&](CallControl& calls) {
            const CallProgressView p = calls.Progress();
            c.print({"call_status",
                     {{"state", std::to_string(p.state)}, {"view", CallViewName(p.view)},
                      {"talking", p.talking ? "1" : "0"}, {"talk_seconds", std::to_string(p.talkSeconds)},
                      {"number", p.number}, {"name", p.name}, {"last_number", p.lastNumber}, {"tone", p.tone}},
                     "", p.text});
        });
    };
    table["call-records"] = [](CliContext& c, const std::vector<std::string>&, const std::string&) {
        PrintCallRecords(c);
    };
}

} // namespace orv
