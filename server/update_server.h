// The update server's conversation: the file list query answers the offered files; a
// download answers one offered file from the asked start position, or status 1 when the
// name is not offered or the file cannot be read. Runs on the server's one thread.
#pragma once

#include "linkcommon/link_event.h"
#include "server/update_folder.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {

class UpdateServer {
public:
    using SendFunction = std::function<void(LinkHandle link, const std::vector<std::uint8_t>& packet)>;
    // One machine-readable line (UPDATE) for the operator.
    using ReportFunction = std::function<void(const std::string& line)>;

    UpdateServer(const UpdateFolder& folder, SendFunction send, ReportFunction report);

    // False when the message is no update request (the caller closes the link).
    bool OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size);

private:
    const UpdateFolder& m_folder;
    SendFunction m_send;
    ReportFunction m_report;
};

} // namespace orv
