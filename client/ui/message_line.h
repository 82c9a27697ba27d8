// What the message area shows: a volume text for 2 s after a slider moved, else the
// message text (some messages go after 2 s), else the default line. Ticks come from the
// caller.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

constexpr std::uint32_t kShortMessageMs = 2000;
constexpr std::uint32_t kVolumeTextMs = 2000;

class MessageLine {
public:
    // A message that stays until the next one.
    void Show(const std::string& text);
    // A message that goes 2 s after tick `now`.
    void ShowBriefly(const std::string& text, std::uint32_t now);
    void ShowVolume(const std::string& text, std::uint32_t now);
    void Clear();

    const std::string& Message() const { return message_; }
    // The line to draw at tick `now`; defaultLine when nothing else is due.
    std::string Text(std::uint32_t now, const std::string& defaultLine) const;

private:
    std::string message_;
    bool brief_ = false;
    std::uint32_t briefSince_ = 0;
    std::string volume_;
    std::uint32_t volumeSince_ = 0;
};

// The line shown when there is no message: the offline calls, else the missed calls,
// else the server information line in the current language.
std::string DefaultMessageLine(int offlineCalls, int missedCalls, const std::string& offlineText,
                               const std::string& missedText, const std::string& serverInfo,
                               int language);

} // namespace orv
