#include "client/video/capture/y4m_reader.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace orv {

namespace {

constexpr int kMaxSide = 4096;
constexpr std::size_t kMaxLine = 1024;
constexpr int kMaxRateTerm = 1000000;
constexpr std::size_t kReadChunk = 1 << 20;

bool ParsePositive(const std::string& text, int limit, int& value) {
    int parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < 1 || parsed > limit)
        return false;
    value = parsed;
    return true;
}

bool ParseChroma(const std::string& text, Y4mChroma& chroma) {
    if (text == "420" || text == "420jpeg" || text == "420paldv" || text == "420mpeg2") {
        chroma = Y4mChroma::k420;
    } else if (text == "422") {
        chroma = Y4mChroma::k422;
    } else if (text == "444") {
        chroma = Y4mChroma::k444;
    } else if (text == "mono") {
        chroma = Y4mChroma::kMono;
    } else {
        return false;
    }
    return true;
}

// Reads one line of at most kMaxLine characters without its newline. false at the end of the
// file before any character, or for a line that is too long.
bool ReadLine(std::FILE* file, std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') return true;
        if (line.size() == kMaxLine) {
            tooLong = true;
            return false;
        }
        line.push_back(static_cast<char>(c));
    }
    return false; // a line cut by the end of the file is no line
}

} // namespace

bool ParseY4mHeader(const std::string& line, Y4mHeader& header, std::string& error) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word != "YUV4MPEG2") {
        error = "not a Y4M file";
        return false;
    }
    Y4mHeader parsed;
    while (words >> word) {
        const std::string value = word.substr(1);
        bool ok = true;
        switch (word[0]) {
        case 'W':
            ok = ParsePositive(value, kMaxSide, parsed.width);
            break;
        case 'H':
            ok = ParsePositive(value, kMaxSide, parsed.height);
            break;
        case 'C':
            ok = ParseChroma(value, parsed.chroma);
            break;
        case 'F': {
            const auto colon = value.find(':');
            ok = colon != std::string::npos &&
                 ParsePositive(value.substr(0, colon), kMaxRateTerm, parsed.rateNum) &&
                 ParsePositive(value.substr(colon + 1), kMaxRateTerm, parsed.rateDen);
            break;
        }
        default:
            break; // interlacing, aspect, comments and extensions do not change the bytes
        }
        if (!ok) {
            error = "bad Y4M header field \"" + word.substr(0, 32) + "\"";
            return false;
        }
    }
    if (parsed.width == 0 || parsed.height == 0) {
        error = "Y4M header without width or height";
        return false;
    }
    header = parsed;
    return true;
}

std::size_t Y4mFrameBytes(const Y4mHeader& header) {
    const std::size_t w = static_cast<std::size_t>(header.width),
                      h = static_cast<std::size_t>(header.height);
    const std::size_t cw = (w + 1) / 2;
    switch (header.chroma) {
    case Y4mChroma::k420:
        return w * h + 2 * cw * ((h + 1) / 2);
    case Y4mChroma::k422:
        return w * h + 2 * cw * h;
    case Y4mChroma::k444:
        return w * h * 3;
    case Y4mChroma::kMono:
        return w * h;
    }
    return 0;
}

Y4mReader::~Y4mReader() {
    if (m_file) std::fclose(m_file);
}

bool Y4mReader::Open(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    return Attach(file, error);
}

bool Y4mReader::Attach(std::FILE* file, std::string& error) {
    if (m_file) std::fclose(m_file);
    m_file = file;
    std::string line;
    bool tooLong = false;
    if (!ReadLine(m_file, line, tooLong)) {
        error = tooLong ? "Y4M header line too long" : "not a Y4M file";
        return false;
    }
    if (!ParseY4mHeader(line, m_header, error)) return false;
    m_firstFrameOffset = std::ftell(m_file);
    return true;
}

bool Y4mReader::ReadFrame(std::vector<std::uint8_t>& planes, std::string& error) {
    error.clear();
    if (!m_file) {
        error = "no Y4M file open";
        return false;
    }
    std::string line;
    bool tooLong = false;
    if (!ReadLine(m_file, line, tooLong)) {
        if (tooLong) error = "Y4M frame line too long";
        return false;
    }
    if (line.rfind("FRAME", 0) != 0 || (line.size() > 5 && line[5] != ' ')) {
        error = "Y4M frame without FRAME marker";
        return false;
    }
    // Read in chunks so that a file cut short never makes us allocate a whole frame of a
    // size the header only claims.
    const std::size_t total = Y4mFrameBytes(m_header);
    planes.clear();
    while (planes.size() < total) {
        const std::size_t have = planes.size();
        const std::size_t chunk = std::min(kReadChunk, total - have);
        planes.resize(have + chunk);
        if (std::fread(planes.data() + have, 1, chunk, m_file) != chunk) {
            error = "Y4M frame cut short";
            return false;
        }
    }
    return true;
}

bool Y4mReader::Rewind() {
    return m_file && std::fseek(m_file, m_firstFrameOffset, SEEK_SET) == 0;
}

} // namespace orv
