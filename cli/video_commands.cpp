// Video: video-stats, video-snapshot.
#include "cli/cli_commands.h"

namespace orv {

void AddVideoCommands(CliCommandTable& table) {
    table["video-stats"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        if (c.video == nullptr) return c.Error(line, "the core has not started");
        const VideoStats s = c.video->Stats();
        c.print({"video_stats",
                 {{"captured", std::to_string(s.captured)}, {"sent", std::to_string(s.sent)},
                  {"received", std::to_string(s.received)}, {"decoded", std::to_string(s.decoded)},
                  {"dropped", std::to_string(s.dropped)}},
                 "", ""});
    };
    table["video-snapshot"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 2) return c.Error(line, "video-snapshot needs a file name");
        RemotePicture picture;
        if (c.video == nullptr || !c.video->LatestRemotePicture(&picture)) {
            return c.Error(line, "no remote picture yet");
        }
        if (!WritePpmFile(words[1], picture)) return c.Error(line, "the file cannot be written");
        c.print({"video_snapshot",
                 {{"file", words[1]}, {"width", std::to_string(picture.width)},
                  {"height", std::to_string(picture.height)}},
                 "", ""});
    };
}

} // namespace orv
