// UpdateDownload: the download of the files the update check found, one at a time, as the
// "Live Update" dialog runs it, below the front-ends. It tells each step to its listener
// (the list, progress of the current file once per percent, a failure with the message to
// show); Install then hands the complete files over. A failed file counts as finished; a
// failure of the link ends the download, and what was complete is installed all the same.
#pragma once

#include "platform/message.h"
#include "wire/update_messages.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class UpdateServHandler;

constexpr int kTextDownloadingFile = 109; // "Downloading file: %s"
constexpr int kTextFilesUpdated = 110;    // "Files updated, ORV will restart now"
constexpr int kTextLiveUpdateTitle = 261; // "Live Update"

struct UpdateDownloadStep {
    enum Kind { List, Progress, Failed } kind = List;
    std::vector<FileRecord> files;  // List
    std::size_t index = 0;          // Progress: the current file
    std::string file;
    std::uint32_t received = 0;
    std::uint32_t expected = 0;
    int percent = 0;
    int messageText = 0;            // Failed: the text to show (title 1)
};

class UpdateDownload {
public:
    using Listener = std::function<void(const UpdateDownloadStep&)>;

    // handler: a use taken for this object, given back by the destructor.
    UpdateDownload(UpdateServHandler* handler, Listener listener);
    ~UpdateDownload();
    UpdateDownload(const UpdateDownload&) = delete;
    UpdateDownload& operator=(const UpdateDownload&) = delete;

    // Asks for the first file; false when the list is empty.
    bool Start();
    // A report of the update handler (WM_USER+14); frees a progress pair. True when the
    // download has ended with it.
    bool OnReport(WPARAM code, LPARAM value);
    // Ends the download early (the dialog's Cancel).
    void Stop() { m_done = true; }
    bool Done() const { return m_done; }
    // Installs what is complete; the files-installed flag.
    bool Install();

private:
    void Tell(const UpdateDownloadStep& step) {
        if (m_listener) m_listener(step);
    }

    UpdateServHandler* m_handler;
    Listener m_listener;
    std::vector<FileRecord> m_files;
    std::size_t m_current = 0;
    int m_toldPercent = -1; // of the current file's pieces
    bool m_done = false;
};

} // namespace orv
