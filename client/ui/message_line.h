// What the message area shows: a volume text for 2 s after a slider moved, else a text
// shown over the message for 2 s (digits typed during a talk), else the message text (some
// messages go after a while), else the default line. Ticks come from the caller.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

constexpr std::uint32_t kShortMessageMs = 2000;
constexpr std::uint32_t kVolumeTextMs = 2000;
constexpr std::uint32_t kOverTextMs = 2000;
// How long the outcome of a call stays before the default line returns.
constexpr std::uint32_t kCallOutcomeMs = 5000;

class MessageLine {
public:
    // A message that stays until the next one.
    void Show(const std::string& text);
    // A message that goes forMs after tick `now`.
    void ShowBriefly(const std::string& text, std::uint32_t now, std::uint32_t forMs = kShortMessageMs);
    void ShowVolume(const std::string& text, std::uint32_t now);
    // Shown for 2 s in front of the message, which then comes back.
    void ShowOver(const std::string& text, std::uint32_t now);
    void Clear();

    const std::string& Message() const { return message_; }
    // The line to draw at tick `now`; defaultLine when nothing else is due.
    std::string Text(std::uint32_t now, const std::string& defaultLine) const;

private:
    std::string message_;
    bool brief_ = false;
    std::uint32_t briefSince_ = 0;
    std::uint32_t briefFor_ = kShortMessageMs;
    std::string over_;
    std::uint32_t overSince_ = 0;
    std::string volume_;
    std::uint32_t volumeSince_ = 0;
};

// The line shown when there is no message: the offline calls, else the missed calls,
// else the server information line in the current language.
std::string DefaultMessageLine(int offlineCalls, int missedCalls, const std::string& offlineText,
                               const std::string& missedText, const std::string& serverInfo,
                               int language);

} // namespace orv
