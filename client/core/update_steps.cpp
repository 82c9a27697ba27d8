// The live update's side of the core: the download's steps as events, and the updater
// started at the end.
#include "client/core/client_core.h"

#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/update/update_target.h"
#include "platform/paths.h"
#include "platform/system.h"

#include <cstdio>

namespace orv {

void ClientCore::StopUpdateDownload() {
    if (m_logon) m_logon->StopDownload();
}

void ClientCore::OnDownloadStep(const UpdateDownloadStep& step) {
    if (m_downloadObserver) m_downloadObserver(step);
    switch (step.kind) {
    case UpdateDownloadStep::List: {
        std::string names;
        for (const FileRecord& f : step.files) names += (names.empty() ? "" : ",") + f.name;
        Emit({"update_list", {{"count", std::to_string(step.files.size())}, {"files", names}}, "", ""});
        break;
    }
    case UpdateDownloadStep::Progress: {
        // Text 109 "Downloading file: %s" with the file's name.
        std::string text = Text(kTextDownloadingFile);
        const auto at = text.find("%s");
        if (at != std::string::npos) text.replace(at, 2, step.file);
        Emit({"update_progress",
              {{"file", step.file},
               {"index", std::to_string(step.index)},
               {"received", std::to_string(step.received)},
               {"expected", std::to_string(step.expected)},
               {"percent", std::to_string(step.percent)},
               {"status", text}},
              "", ""});
        break;
    }
    case UpdateDownloadStep::Failed:
        Emit({"update_download_failed", {}, Text(kTextInformationTitle), Text(step.messageText)});
        break;
    }
}

bool ClientCore::StartUpdater() const {
    if (!m_config) return false;
    const std::string updater = JoinPath(m_config->ProgramFolder(), kUpdaterProgramName);
    const bool started = ShellOpenProgram(updater);
    WriteLog(3, "start %s: %s", updater.c_str(), started ? "Success" : "Failed");
    return started;
}

} // namespace orv
