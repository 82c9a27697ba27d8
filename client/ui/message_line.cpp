#include "client/ui/message_line.h"

#include "client/friends/text_format.h"
#include "client/text/server_text.h"

namespace orv {

void MessageLine::Show(const std::string& text) {
    message_ = text;
    brief_ = false;
    over_.clear();
}

void MessageLine::ShowBriefly(const std::string& text, std::uint32_t now, std::uint32_t forMs) {
    message_ = text;
    brief_ = true;
    briefSince_ = now;
    briefFor_ = forMs;
    over_.clear();
}

void MessageLine::ShowOver(const std::string& text, std::uint32_t now) {
    over_ = text;
    overSince_ = now;
}

void MessageLine::ShowVolume(const std::string& text, std::uint32_t now) {
    volume_ = text;
    volumeSince_ = now;
}

void MessageLine::Clear() {
    message_.clear();
    brief_ = false;
    over_.clear();
}

std::string MessageLine::Text(std::uint32_t now, const std::string& defaultLine) const {
    if (!volume_.empty() && now - volumeSince_ < kVolumeTextMs) return volume_;
    if (!over_.empty() && now - overSince_ < kOverTextMs) return over_;
    if (message_.empty() || (brief_ && now - briefSince_ >= briefFor_)) return defaultLine;
    return message_;
}

std::string DefaultMessageLine(int offlineCalls, int missedCalls, const std::string& offlineText,
                               const std::string& missedText, const std::string& serverInfo,
                               int language) {
    if (offlineCalls > 0) return FillText(offlineText, {std::to_string(offlineCalls)});
    if (missedCalls > 0) return FillText(missedText, {std::to_string(missedCalls)});
    return ServerTextForLanguage(serverInfo, language);
}

} // namespace orv
