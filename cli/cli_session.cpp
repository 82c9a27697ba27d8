#include "cli/cli_session.h"

#include "cli/event_line.h"
#include "client/data/client_config.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace orv {

namespace {
constexpr UINT WM_CLI_LINE = WM_USER + 100; // lParam: heap std::string, ours to free
constexpr UINT WM_CLI_EOF = WM_USER + 101;
constexpr UINT WM_CLI_RESUME = WM_USER + 102; // run held commands after a wait ended
constexpr std::uintptr_t kWaitTimer = 1;
constexpr std::uint32_t kDefaultWaitMs = 10000;

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}
} // namespace

CliSession::CliSession(const CliOptions& options, std::FILE* out)
    : m_options(options), m_out(out), m_core(*this, true),
      m_context{m_core, m_options, [this](const CoreEvent& event) { PrintEvent(event); }} {
    AddSessionCommands(m_commands);
    AddFriendCommands(m_commands);
    AddCallCommands(m_commands);
    AddVideoCommands(m_commands);
    AddAccountCommands(m_commands);
    AddHandsetCommands(m_commands);
    AddSettingsCommands(m_commands);
    AddConferenceCommands(m_commands);
}

CliSession::~CliSession() {
    m_context.handset = nullptr;
    m_handset.reset();
    m_context.video = nullptr;
    m_context.conference = nullptr;
    m_conference.reset();
    m_video.reset();
    if (m_window) m_window->Destroy();
}

bool CliSession::Start(std::string* error) {
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
    m_window->Create("orvcli");
    if (!m_core.Start(error)) return false;
    if (m_options.videoCodec != 0 && m_core.Config() != nullptr) {
        const auto codec = static_cast<std::uint8_t>(m_options.videoCodec);
        m_core.Config()->Video().captureCodecs = {codec};
        m_core.Config()->Video().playCodecs = {codec};
    }
    m_video = std::make_unique<VideoCore>(m_core);
    m_context.video = m_video.get();
    if (m_options.handset) {
        m_handset = std::make_unique<CliHandset>(m_core);
        if (m_handset->Open()) m_context.handset = m_handset.get();
        else m_handset.reset(); // the driver library is missing: said on standard error
    }
    m_conference = std::make_unique<ConferenceControl>(m_core);
    m_context.conference = m_conference.get();
    PrintEvent({"started", {}, "", ""});
    m_video->StartFromConfiguration();
    return true;
}

void PostCommandLine(HWND input, const std::string& line) {
    auto* copy = new std::string(line);
    if (!PostMessage(input, WM_CLI_LINE, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
}

void PostEndOfInput(HWND input) { PostMessage(input, WM_CLI_EOF, 0, 0); }

LRESULT CliSession::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLI_LINE) {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        m_pending.push_back(*line);
        RunPending();
    } else if (message == WM_CLI_EOF) {
        m_endOfInput = true;
        RunPending();
    } else if (message == WM_CLI_RESUME) {
        RunPending();
    } else if (message == WM_TIMER && wParam == kWaitTimer) {
        FinishWait(false);
    }
    return 0;
}

void CliSession::RunPending() {
    while (m_waitFor.empty() && !m_quitting && !m_pending.empty()) {
        std::string line = m_pending.front();
        m_pending.pop_front();
        RunCommand(line);
    }
    if (m_waitFor.empty() && m_pending.empty() && m_endOfInput && !m_quitting) {
        m_quitting = true;
        PostQuitMessage(0);
    }
}

bool CliSession::RunCommand(const std::string& line) {
    std::vector<std::string> words = SplitWords(line);
    if (words.empty() || words[0][0] == '#') return true;
    const std::string& cmd = words[0];
    if (cmd == "wait" && words.size() >= 2) {
        m_waitFor = words[1];
        m_waitMs = kDefaultWaitMs;
        if (words.size() >= 3) m_waitMs = static_cast<std::uint32_t>(std::strtoul(words[2].c_str(), nullptr, 10));
        if (m_unconsumed[m_waitFor] > 0) {
            FinishWait(true);
        } else {
            SetTimer(m_window->GetSafeHwnd(), kWaitTimer, m_waitMs);
        }
        return m_waitFor.empty();
    } else if (cmd == "quit") {
        m_quitting = true;
        PostQuitMessage(0);
    } else if (auto command = m_commands.find(cmd); command != m_commands.end()) {
        command->second(m_context, words, line);
    } else {
        m_context.Error(line, "unknown command");
    }
    return true;
}

void CliSession::FinishWait(bool done) {
    if (m_waitFor.empty()) return;
    KillTimer(m_window->GetSafeHwnd(), kWaitTimer);
    std::string name = m_waitFor;
    m_waitFor.clear();
    if (done) {
        --m_unconsumed[name];
        PrintEvent({"wait_done", {{"event", name}}, "", ""});
    } else {
        m_waitTimedOut = true;
        PrintEvent({"wait_timeout", {{"event", name}, {"ms", std::to_string(m_waitMs)}}, "", ""});
    }
    // Later commands run from the message loop, never inside the core's own event code.
    PostMessage(m_window->GetSafeHwnd(), WM_CLI_RESUME, 0, 0);
}

void CliSession::OnCoreEvent(const CoreEvent& event) {
    PrintEvent(event);
    if (m_context.handset) m_context.handset->Core().OnCoreEvent(event);
    ++m_unconsumed[event.name];
    if (!m_waitFor.empty() && event.name == m_waitFor) FinishWait(true);
    if (event.name == "update_installed" && !m_quitting) {
        // The client ends so that the updater can replace its files.
        m_quitting = true;
        PostQuitMessage(0);
    }
}

void CliSession::PrintEvent(const CoreEvent& event) {
    Print(FormatEventLine(event));
    std::string text = FormatTextLine(event);
    if (!text.empty()) Print(text);
}

void CliSession::Print(const std::string& line) {
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
}

} // namespace orv
