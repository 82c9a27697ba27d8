#include "client/skin/skin_description.h"

#include "client/log/log.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <algorithm>
#include <climits>
#include <sys/stat.h>

namespace orv {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// Token i of a line, empty when the line is shorter.
class Tokens {
public:
    explicit Tokens(const std::string& value) : tokens_(SplitSkinTokens(value)) {}
    std::string Text(std::size_t i) const { return i < tokens_.size() ? tokens_[i] : std::string(); }
    int Int(std::size_t i) const { return SkinTokenInt(Text(i)); }
    bool StartsWith(std::size_t i, char c) const {
        const std::string t = Text(i);
        return !t.empty() && t[0] == c;
    }
    SkinRect Rect(std::size_t first) const {
        SkinRect r{Int(first), Int(first + 1), Int(first + 2), Int(first + 3)};
        const auto inRange = [](int v) { return v >= 0 && v <= kMaxSkinCoordinate; };
        if (!inRange(r.x) || !inRange(r.y) || !inRange(r.width) || !inRange(r.height)) {
            WriteLog(1, "Skin: rectangle %d,%d,%d,%d out of range, control left empty", r.x, r.y,
                     r.width, r.height);
            return SkinRect{};
        }
        return r;
    }

private:
    std::vector<std::string> tokens_;
};

// Calls make(index, tokens) for every non-empty line of section, in key order "1".."n".
template <typename Make>
void ReadControlLines(const std::string& file, const char* section, Make make) {
    const std::size_t count =
        std::min(GetProfileKeys(section, file).size(), kMaxSkinControlsPerSection);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string value = GetProfileString(section, std::to_string(i + 1), "", file);
        if (Trim(value).empty()) continue;
        make(static_cast<int>(i), Tokens(value));
    }
}

} // namespace

std::vector<std::string> SplitSkinTokens(const std::string& value) {
    std::vector<std::string> tokens;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = value.find(',', start);
        tokens.push_back(Trim(value.substr(start, comma == std::string::npos ? std::string::npos
                                                                             : comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return tokens;
}

int SkinTokenInt(const std::string& token) {
    std::size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '-' || token[i] == '+')) negative = token[i++] == '-';
    long long value = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        value = value * 10 + (token[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool ReadWindowSkinDescription(const std::string& file, WindowSkinDescription* d) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *d = WindowSkinDescription{};
    const std::size_t slash = file.find_last_of('/');
    d->folder = slash == std::string::npos ? std::string(".") : file.substr(0, slash);

    d->main = GetProfileString("Screen", "Main", "", file);
    d->mask = GetProfileString("Screen", "Mask", "", file);
    d->over = GetProfileString("Screen", "Over", "", file);
    d->down = GetProfileString("Screen", "Down", "", file);
    d->disabled = GetProfileString("Screen", "Disabled", "", file);

    ReadControlLines(file, "BUTTONINFO", [d](int index, const Tokens& t) {
        d->buttons.push_back({index, t.Text(0), t.Rect(1), t.Text(5), t.Text(6)});
    });
    ReadControlLines(file, "TEXTINFO", [d](int, const Tokens& t) {
        SkinTextInfo text;
        text.name = t.Text(0);
        text.fontFace = t.Text(1);
        text.bold = t.StartsWith(2, 'T');
        text.styleFlag = t.StartsWith(3, 'F');
        text.size = t.Int(4);
        text.colour = static_cast<std::uint32_t>(t.Int(5));
        text.rect = t.Rect(6);
        text.initialText = t.Text(10);
        text.extra = t.Text(11);
        d->texts.push_back(text);
    });
    ReadControlLines(file, "TRACKBARINFO", [d](int, const Tokens& t) {
        d->trackbars.push_back({t.Text(0), t.Text(1), t.Text(2), t.Rect(3), t.Text(7), t.Text(8),
                                t.StartsWith(9, 'H'), t.Text(10)});
    });
    ReadControlLines(file, "PROGRESSINFO", [d](int, const Tokens& t) {
        d->progressBars.push_back({t.Text(0), t.Text(1), t.Rect(2), t.StartsWith(6, 'H')});
    });
    return true;
}

std::string SkinPicturePath(const std::string& folder, const std::string& name) {
    if (name.empty()) return std::string();
    if (!IsPlainFileName(name)) {
        WriteLog(1, "Skin: picture name \"%s\" is not a plain file name, ignored", name.c_str());
        return std::string();
    }
    return JoinPath(folder, name);
}

} // namespace orv
