#include "client/update/update_serv_handler.h"

#include "client/data/atomic_file.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/update/replace_policy.h"
#include "client/update/update_install.h"
#include "client/update/update_target.h"
#include "client/userserver/update_report.h"
#include "tcplink/tcplink.h"
#include "wire/packet_header.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace orv {

namespace {

// Messages of the handler's own window: the link work runs there, in order.
constexpr UINT WM_UPD_STEP = WM_USER + 5; // wParam: a Step
constexpr UINT WM_UPD_DOWN = WM_USER + 6; // lParam: new DownRequest

enum Step : WPARAM { kStepConnectTimeout = 1, kStepRequestTimeout = 2, kStepClose = 3 };

struct DownRequest {
    FileRecord file;
    std::uint32_t start = 0;
};

constexpr std::uint16_t PKT_KEEPALIVE = 0x0000;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

} // namespace

UpdateServHandler::UpdateServHandler(ClientConfig& config, UpdateHandlerSetup setup)
    : m_config(config), m_setup(std::move(setup)) {
    SetHandlerName("UpdateServHandler");
    SetLongestMessage(kLongestUpdateMessage);
    SetServerAddr(m_setup.address, m_setup.port);
}

UpdateServHandler::~UpdateServHandler() {
    RemoveAllPending();
    if (GetLinkId() != 0) CloseLink();
}

void UpdateServHandler::Start() {
    UseGuard use(this);
    const bool linked = m_setup.autoAlloc && CreateLink(kSockStream, 0);
    WriteLog(3, "%s Auto Alloc TCP %s", GetHandlerName().c_str(), linked ? "Success" : "Failed");
    if (!linked) {
        End(kUpdateNoServer);
        return;
    }
    // The time-out goes in before the connect, so a connection that comes up at once finds it.
    AddPending(nullptr, 0, 0, kUpdateConnectTimeoutMs, kTimerOneShot, 0);
    if (!Connect()) End(kUpdateNoServer);
}

std::vector<FileRecord> UpdateServHandler::DownloadList() const {
    std::lock_guard<CriticalSection> lock(m_csList);
    return m_downloadList;
}

void UpdateServHandler::Report(WPARAM code, LPARAM value) {
    const HWND receiver = m_receiver.load();
    const HWND window = receiver != 0 ? receiver : m_setup.owner;
    if (window == 0 || !PostMessage(window, WM_UPDATE_REPORT, code, value)) {
        if (code == kUpdateProgress) delete[] reinterpret_cast<std::uint32_t*>(value);
    }
}

void UpdateServHandler::ReportProgress(std::uint32_t received, std::uint32_t expected) {
    auto* pair = new std::uint32_t[2]{received, expected};
    Report(kUpdateProgress, reinterpret_cast<LPARAM>(pair));
}

void UpdateServHandler::End(WPARAM code) {
    if (m_ended.exchange(true)) return;
    RemoveAllPending();
    if (GetLinkId() != 0) CloseLink();
    m_connected.store(false);
    m_downloading.store(false);
    if (code != kNoReport) Report(code);
    Release(); // the conversation's own use
}

// ---- the handler's thread (the network thread)

void UpdateServHandler::OnConnected() {
    if (m_ended.load() || m_connected.exchange(true)) return;
    RemovePending(0, 0, 0, kTimerOneShot);
    std::uint32_t localIP = 0;
    std::uint16_t localPort = 0;
    TcpGetLinkAddr(GetLinkId(), kTcpLocalEnd, &localIP, &localPort);
    LocalIP.store(localIP);
    WriteLog(3, "connect Update Server Success, LocalIP=0x%08x, LocalPort=%d", localIP, localPort);
    WriteLog(3, "DoFileUpdateQuery");
    std::vector<std::uint8_t> query = BuildFileListQuery(0);
    BuildHeader(query.data(), static_cast<std::uint32_t>(query.size()), kPktFileList, 0);
    SendData(query.data(), static_cast<std::uint32_t>(query.size()), true, 0, kUpdateListTimeoutMs, 0);
    DoTCPKeepAlive();
}

void UpdateServHandler::OnLinkClosed() {
    if (m_ended.load()) return;
    WriteLog(3, "OnDisconnected(%s)", GetHandlerName().c_str());
    End(m_connected.load() ? kUpdateLinkClosed : kUpdateNoServer);
}

void UpdateServHandler::OnTimer() { PostMessage(GetSafeHwnd(), WM_UPD_STEP, kStepConnectTimeout, 0); }

void UpdateServHandler::OnMsgTimeOut(const std::uint8_t*, std::uint32_t) {
    PostMessage(GetSafeHwnd(), WM_UPD_STEP, kStepRequestTimeout, 0);
}

LRESULT UpdateServHandler::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_UPD_DOWN) {
        std::unique_ptr<DownRequest> request(reinterpret_cast<DownRequest*>(lParam));
        if (request && !m_ended.load()) SendDownFile(request->file, request->start);
        return 0;
    }
    if (message != WM_UPD_STEP) return CMsgHandler::WindowProc(message, wParam, lParam);
    if (m_ended.load()) return 0;
    if (wParam == kStepConnectTimeout && !m_connected.load()) {
        WriteLog(5, "Update Server Connect Timeout");
        End(kUpdateConnectTimeout);
    } else if (wParam == kStepRequestTimeout) {
        WriteLog(5, "Update Server Msg Timeout");
        End(kUpdateListTimeout);
    } else if (wParam == kStepClose) {
        End(kNoReport);
    }
    return 0;
}

void UpdateServHandler::Close() { PostMessage(GetSafeHwnd(), WM_UPD_STEP, kStepClose, 0); }

void UpdateServHandler::DoDownFile(const FileRecord& file, std::uint32_t start) {
    auto* request = new DownRequest{file, start};
    if (!PostMessage(GetSafeHwnd(), WM_UPD_DOWN, 0, reinterpret_cast<LPARAM>(request))) delete request;
}

void UpdateServHandler::SendDownFile(const FileRecord& file, std::uint32_t start) {
    WriteLog(3, "DoDownFile filename=%s, startpos=%d", file.name.c_str(), static_cast<int>(start));
    std::vector<std::uint8_t> request = BuildDownFile(0, file.name, start);
    BuildHeader(request.data(), static_cast<std::uint32_t>(request.size()), kPktDownFile, 0);
    m_downloading.store(true);
    SendData(request.data(), static_cast<std::uint32_t>(request.size()), true, 0, kUpdateDownloadTimeoutMs, 0);
}

int UpdateServHandler::OnTcpNotifyMsg(const void* event, const void* detail) {
    UseGuard use(this);
    if (event == nullptr || m_ended.load()) return 0;
    LinkEvent head;
    std::memcpy(&head, event, sizeof head);
    if (head.code == kLinkEventData && detail != nullptr) {
        TcpRecvInfo info;
        std::memcpy(&info, detail, sizeof info);
        const bool sane = info.buffer != nullptr && info.length <= kLongestUpdateMessage && info.received <= info.length;
        // A message under way is still scrambled, so its header cannot be read: while a file
        // is asked for, the only message of a file answer's size is that answer.
        if (sane && info.subCode == kTcpRecvPartial && m_downloading.load() && info.length >= kFileDataOffset) {
            OnPartialData(info.received, info.length);
            return 1;
        }
        // The one message whose header length cannot hold its real length.
        if (sane && info.subCode == kTcpRecvComplete && info.received >= kPacketHeaderSize &&
            GetU16LE(info.buffer) == kPktDownFile) {
            OnFileData(info.buffer, info.length);
            return 1;
        }
    }
    return DispatchTcpEvent(event, detail);
}

void UpdateServHandler::OnPartialData(std::uint32_t received, std::uint32_t length) {
    FindPending(0, kPktDownFile, 2, true); // a file under way is not timed out
    ReportProgress(received, length);
}

void UpdateServHandler::OnRecv(const std::uint8_t* message, std::size_t size) {
    PacketHeader h;
    ReadPacketHeader(message, size, &h); // whole and of the right length: checked before
    if (h.type == PKT_KEEPALIVE) {
        FindPending(h.seqNum, h.type, 3, false); // the keep-alive goes on
    } else if (h.type == kPktFileList) {
        OnFileList(message, size);
    } else {
        WriteLog(3, "Unknow Update Message");
    }
}

bool UpdateServHandler::WantsFile(const FileRecord& offered) const {
    if (UpdateTargetPath(m_setup.programFolder, offered).empty()) {
        WriteLog(3, "%s refuses the offered file name \"%s\"", GetHandlerName().c_str(), offered.name.c_str());
        return false;
    }
    // With the service's key the signed list is fetched every time: it vouches for the others.
    if (m_setup.publicKey && offered.name == kUpdateSignatureName) return true;
    const std::string name = Upper(offered.name);
    for (const UpdateFileRecord& installed : m_config.UpdateFiles()) {
        if (Upper(installed.fileName) == name && static_cast<std::uint32_t>(installed.version) >= offered.version)
            return false;
    }
    std::string why;
    if (!MayReplaceHere(m_setup.programFolder, offered, &why)) {
        WriteLog(3, "%s leaves %s alone: %s", GetHandlerName().c_str(), offered.name.c_str(), why.c_str());
        return false;
    }
    return true;
}

void UpdateServHandler::OnFileList(const std::uint8_t* message, std::size_t size) {
    PacketHeader h;
    ReadPacketHeader(message, size, &h);
    if (!FindPending(h.seqNum, h.type, 3, true)) {
        WriteLog(3, "Get FileUpdateQuery Packet, But Something seems Error in Local Packet list");
        return;
    }
    std::vector<FileRecord> offered;
    if (!ParseFileListAnswer(message, size, &offered)) {
        WriteLog(3, "OnFileUpdateQueryAck Error(NULL Pointer)");
        End(kUpdateListTimeout); // an answer that cannot be read is as good as none
        return;
    }
    std::vector<FileRecord> wanted;
    for (const FileRecord& file : offered) {
        const bool listed = std::any_of(wanted.begin(), wanted.end(), [&](const FileRecord& w) {
            return Upper(w.name) == Upper(file.name);
        });
        if (!listed && WantsFile(file)) wanted.push_back(file);
    }
    WriteLog(3, "%s: %zu files offered, %zu to download", GetHandlerName().c_str(), offered.size(), wanted.size());
    {
        std::lock_guard<CriticalSection> lock(m_csList);
        m_downloadList = std::move(wanted);
    }
    Report(kUpdateListReady, reinterpret_cast<LPARAM>(&m_downloadList));
}

void UpdateServHandler::OnFileData(const std::uint8_t* message, std::size_t size) {
    PacketHeader h;
    ReadPacketHeader(message, size, &h);
    FindPending(h.seqNum, h.type, 3, true);
    m_downloading.store(false);
    FileDataAnswer answer;
    if (!ParseFileDataAnswer(message, size, &answer) || answer.status != 0) {
        WriteLog(3, "%s: the server could not deliver a file", GetHandlerName().c_str());
        ReportProgress(0, 0);
        return;
    }
    std::optional<FileRecord> listed;
    {
        std::lock_guard<CriticalSection> lock(m_csList);
        for (const FileRecord& f : m_downloadList) {
            if (Upper(f.name) == Upper(answer.file.name)) listed = f;
        }
    }
    const std::string target = listed ? UpdateTargetPath(m_setup.programFolder, *listed) : std::string();
    if (target.empty()) {
        WriteLog(3, "%s refuses data for \"%s\", which it did not ask for", GetHandlerName().c_str(),
                 answer.file.name.c_str());
        ReportProgress(0, 0);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    if (!WriteFileAtomically(target + ".bak", answer.data, answer.size)) {
        WriteLog(3, "%s cannot write %s.bak", GetHandlerName().c_str(), target.c_str());
        ReportProgress(0, 0);
        return;
    }
    WriteLog(3, "%s: %s downloaded, %zu bytes", GetHandlerName().c_str(), listed->name.c_str(), answer.size);
    ReportProgress(static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(size));
}

// ---- the user-interface thread, after the downloads

bool UpdateServHandler::Install() {
    UseGuard use(this);
    std::lock_guard<CriticalSection> lock(m_csList);
    UpdateInstallSetup setup;
    setup.programFolder = m_setup.programFolder;
    setup.publicKey = m_setup.publicKey;
    if (InstallDownloads(m_downloadList, setup, m_config)) m_filesInstalled.store(true);
    return m_filesInstalled.load();
}

} // namespace orv
