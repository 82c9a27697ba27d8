// UpdateServHandler: the conversation with the update server, on a stream link of its own.
// It asks for the offered files once connected, keeps those newer than the installed ones
// (the download list), and fetches one file at a time into "<target>.bak" (written under a
// temporary name and renamed when whole, so an interrupted download never leaves a file
// that install would take). Install hands the client's files to the updater through
// "UpdateFiles.ini" and replaces the updater itself at once.
//
// Reports go to the receiver window when one is set, else to the owner: WM_USER+14 with the
// codes of update_report.h. Any failure reports once and gives back the conversation's use.
//
// Threads: created on the network thread, which runs the link events and the handler's own
// window (requests from other threads are posted there); time-outs come from the timer
// thread and are posted there too. The download list is guarded by the handler's lock.
#pragma once

#include "client/net/msg_handler.h"
#include "wire/update_messages.h"
#include "wire/update_signature.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace orv {

class ClientConfig;

constexpr std::uint32_t kUpdateConnectTimeoutMs = 30000;
constexpr std::uint32_t kUpdateListTimeoutMs = 30000;
constexpr std::uint32_t kUpdateDownloadTimeoutMs = 3000000;
// The longest message taken from the update server: a file answer of the largest file.
constexpr std::uint32_t kLongestUpdateMessage = kMaxUpdateFileBytes + kFileDataOffset;

struct UpdateHandlerSetup {
    std::uint32_t mode = 0;     // the value of the user server's answer; kept, not used
    std::uint32_t address = 0;  // IPv4, network byte order
    std::uint16_t port = 0;
    HWND owner = 0;
    bool autoAlloc = true;      // the configuration's AutoAlloc
    std::string programFolder;  // where the files go
    // The service's public key; without one the signed list is an ordinary file.
    std::optional<UpdatePublicKey> publicKey;
};

class UpdateServHandler : public CMsgHandler {
public:
    UpdateServHandler(ClientConfig& config, UpdateHandlerSetup setup);
    ~UpdateServHandler() override;

    // Allocates the link and connects (or reports code 0 and gives back its use).
    void Start();
    // Ends the conversation without a report (posted to the handler's thread): the link
    // closes and the conversation's use is given back. For the owner, once it is done.
    void Close();
    void SetReceiverWindow(HWND window) { m_receiver.store(window); }
    // Asks for one file of the download list (posted to the handler's thread).
    void DoDownFile(const FileRecord& file, std::uint32_t start);
    // After the downloads: the hand-over file, the updater replaced at once, the installed
    // list. Returns the files-installed flag.
    bool Install();

    std::vector<FileRecord> DownloadList() const;
    bool FilesInstalled() const { return m_filesInstalled.load(); }
    bool IsConnected() const { return m_connected.load(); }
    bool IsDownloading() const { return m_downloading.load(); }
    std::uint32_t Mode() const { return m_setup.mode; }

    int OnTcpNotifyMsg(const void* event, const void* detail) override;
    void OnTimer() override;
    void OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRecv(const std::uint8_t* message, std::size_t size) override;
    void OnConnected() override;
    void OnDisconnected() override { OnLinkClosed(); }
    void OnLinkClosed() override;

private:
    void OnFileList(const std::uint8_t* message, std::size_t size);
    void OnFileData(const std::uint8_t* message, std::size_t size);
    void OnPartialData(std::uint32_t received, std::uint32_t length);
    bool WantsFile(const FileRecord& offered) const;
    void SendDownFile(const FileRecord& file, std::uint32_t start);
    void Report(WPARAM code, LPARAM value = 0);
    void ReportProgress(std::uint32_t received, std::uint32_t expected);
    // Reports code once (none for kNoReport) and gives back the conversation's use.
    static constexpr WPARAM kNoReport = ~WPARAM{0};
    void End(WPARAM code);

    ClientConfig& m_config;
    UpdateHandlerSetup m_setup;
    std::atomic<HWND> m_receiver{0};
    mutable CriticalSection m_csList;
    std::vector<FileRecord> m_downloadList;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_downloading{false};
    std::atomic<bool> m_filesInstalled{false};
    std::atomic<bool> m_ended{false};
};

} // namespace orv
