#include "client/data/damaged_file.h"

#include "client/data/atomic_file.h"
#include "client/log/log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string_view>
#include <unistd.h>

namespace orv {

namespace {

// A bound on what a copy reads, far above any data file of the client.
constexpr std::size_t kMaxCopiedFile = 64u << 20;

std::string DamagedName(const std::string& path) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return path + ".damaged-" + stamp;
}

bool IsSettingsLine(std::string_view line) {
    if (line.find('\0') != std::string_view::npos) return false;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.empty() || line.front() == ';' || line.front() == '#') return true;
    if (line.front() == '[') return line.back() == ']';
    const std::size_t eq = line.find('=');
    return eq != std::string_view::npos && eq > 0;
}

} // namespace

bool KeepDamagedFile(const std::string& path) {
    const std::string kept = DamagedName(path);
    bool ok = ::link(path.c_str(), kept.c_str()) == 0;
    if (!ok && errno != EEXIST) {
        std::vector<std::uint8_t> bytes;
        ok = ReadFileBytes(path, kMaxCopiedFile, &bytes) && WriteFileAtomically(kept, bytes);
    }
    // The same name within the same second: that copy is already kept.
    ok = ok || errno == EEXIST;
    if (ok) {
        WriteLog(2, "Damaged file %s kept as %s", path.c_str(), kept.c_str());
    } else {
        WriteLog(1, "Damaged file %s could not be kept (%s); it is not replaced", path.c_str(),
                 std::strerror(errno));
    }
    return ok;
}

bool DropDamagedSettingsLines(std::vector<std::uint8_t>* text) {
    std::vector<std::uint8_t> kept;
    kept.reserve(text->size());
    bool dropped = false;
    std::size_t start = 0;
    while (start < text->size()) {
        const auto lf =
            std::find(text->begin() + static_cast<std::ptrdiff_t>(start), text->end(), '\n');
        const std::size_t end = static_cast<std::size_t>(lf - text->begin());
        const std::string_view line(reinterpret_cast<const char*>(text->data()) + start,
                                    end - start);
        if (IsSettingsLine(line)) {
            kept.insert(kept.end(), line.begin(), line.end());
            kept.push_back('\n');
        } else {
            dropped = true;
        }
        start = end + 1;
    }
    if (dropped) *text = std::move(kept);
    return dropped;
}

} // namespace orv
