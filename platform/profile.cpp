// Profile (INI) files: parsed into lines, looked up without regard to case, rewritten whole
// and put in place by rename so that readers only ever see the old or the new file.
#include "platform/profile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <mutex>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

enum class LineKind { Other, Section, Key };

struct Line {
    std::string raw; // the line as it stands in the file, without its line end
    LineKind kind = LineKind::Other;
    std::string name;  // section or key name, trimmed
    std::string value; // key value, trimmed
};

struct Document {
    bool bom = false;
    std::string eol = "\n";
    std::vector<Line> lines;
};

enum class LoadResult { Loaded, Missing, Failed };

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// A stray CR (from CR CR LF line ends) counts as a blank so that rewriting never changes a value.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

Line ParseLine(std::string_view raw) {
    Line line;
    line.raw = std::string(raw);
    const std::string_view text = Trim(raw);
    if (text.empty() || text.front() == ';') return line;
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = std::string(Trim(text.substr(1, close - 1)));
        }
        return line;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return line;
    const std::string_view key = Trim(text.substr(0, eq));
    if (key.empty()) return line;
    std::string_view value = text.substr(eq + 1);
    value = value.substr(0, value.find('\0')); // a value ends at binary junk
    line.kind = LineKind::Key;
    line.name = std::string(key);
    line.value = std::string(Trim(value));
    return line;
}

Document ParseDocument(std::string_view text) {
    Document doc;
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom = true;
        text.remove_prefix(kBom.size());
    }
    const std::size_t firstLf = text.find('\n');
    if (firstLf != std::string_view::npos && firstLf > 0 && text[firstLf - 1] == '\r') doc.eol = "\r\n";
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view raw = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        doc.lines.push_back(ParseLine(raw));
    }
    return doc;
}

std::string Serialize(const Document& doc) {
    std::string out;
    if (doc.bom) out += kBom;
    for (const Line& line : doc.lines) {
        out += line.raw;
        out += doc.eol;
    }
    return out;
}

LoadResult LoadDocument(const std::string& file, Document& doc) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    struct stat st {};
    std::string text;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) <= kMaxProfileFileBytes;
    if (ok) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.size() > kMaxProfileFileBytes) { // the file grew while we read it
                ok = false;
                break;
            }
        }
    }
    ::close(fd);
    if (!ok) return LoadResult::Failed;
    doc = ParseDocument(text);
    return LoadResult::Loaded;
}

// Index of the first header of the section, or lines.size().
std::size_t FindSection(const Document& doc, std::string_view section) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind == LineKind::Section && SameName(doc.lines[i].name, section)) return i;
    }
    return doc.lines.size();
}

// One past the last line that belongs to the section whose header is at `header`.
std::size_t SectionEnd(const Document& doc, std::size_t header) {
    std::size_t i = header + 1;
    while (i < doc.lines.size() && doc.lines[i].kind != LineKind::Section) ++i;
    return i;
}

const Line* FindKey(const Document& doc, std::string_view section, std::string_view key) {
    const std::size_t header = FindSection(doc, section);
    if (header == doc.lines.size()) return nullptr;
    const std::size_t end = SectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (doc.lines[i].kind == LineKind::Key && SameName(doc.lines[i].name, key)) return &doc.lines[i];
    }
    return nullptr;
}

// Names and values go into one line each: no line breaks or NULs, and no characters that
// would make the written line read back as something else.
bool IsWritableText(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}
bool IsWritableSection(std::string_view s) {
    return !s.empty() && IsWritableText(s) && s.find(']') == std::string_view::npos;
}
bool IsWritableKey(std::string_view s) {
    return !s.empty() && IsWritableText(s) && s.find('=') == std::string_view::npos && s.front() != ';' &&
           s.front() != '[';
}

void RemoveSection(Document& doc, std::string_view section) {
    for (std::size_t header = FindSection(doc, section); header < doc.lines.size();
         header = FindSection(doc, section)) {
        const auto first = doc.lines.begin() + static_cast<std::ptrdiff_t>(header);
        doc.lines.erase(first, doc.lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(doc, header)));
    }
}

void RemoveKey(Document& doc, std::size_t header, std::string_view key) {
    std::size_t end = SectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end;) {
        if (doc.lines[i].kind == LineKind::Key && SameName(doc.lines[i].name, key)) {
            doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(i));
            --end;
        } else {
            ++i;
        }
    }
}

void SetKey(Document& doc, std::string_view section, std::string_view key, std::string_view value) {
    Line line = ParseLine(std::string(key) + "=" + std::string(value));
    const std::size_t header = FindSection(doc, section);
    if (header == doc.lines.size()) {
        doc.lines.push_back(ParseLine("[" + std::string(section) + "]"));
        doc.lines.push_back(std::move(line));
        return;
    }
    const std::size_t end = SectionEnd(doc, header);
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        if (doc.lines[i].kind != LineKind::Key) continue;
        if (SameName(doc.lines[i].name, key)) {
            doc.lines[i] = std::move(line);
            return;
        }
        insertAt = i + 1; // new keys go after the section's last key, before trailing blanks
    }
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// Writes a temporary file beside `file`, flushes it to disk and renames it over `file`.
bool ReplaceFileAtomically(const std::string& file, const std::string& content) {
    std::string temp = file + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    struct stat st {};
    const mode_t mode = ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int dirFd = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) { // makes the rename itself durable
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

// Serialises read-modify-write cycles of this process.
std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file, std::size_t limit) {
    if (limit == 0) return {};
    Document doc;
    const Line* line = nullptr;
    if (LoadDocument(file, doc) == LoadResult::Loaded) line = FindKey(doc, Trim(section), Trim(key));
    const std::string& value = line ? line->value : defaultValue;
    return value.substr(0, limit - 1);
}

int GetProfileInt(const std::string& section, const std::string& key, int defaultValue, const std::string& file) {
    Document doc;
    if (LoadDocument(file, doc) != LoadResult::Loaded) return defaultValue;
    const Line* line = FindKey(doc, Trim(section), Trim(key));
    if (!line || line->value.empty()) return defaultValue;
    std::string_view text = line->value;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > static_cast<std::int64_t>(INT_MAX) + 1) break; // saturates below
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > INT_MAX) return INT_MAX;
    if (result < INT_MIN) return INT_MIN;
    return static_cast<int>(result);
}

std::vector<std::string> GetProfileKeys(const std::string& section, const std::string& file) {
    std::vector<std::string> keys;
    Document doc;
    if (LoadDocument(file, doc) != LoadResult::Loaded) return keys;
    const std::size_t header = FindSection(doc, Trim(section));
    if (header == doc.lines.size()) return keys;
    const std::size_t end = SectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (doc.lines[i].kind != LineKind::Key) continue;
        bool seen = false;
        for (const std::string& k : keys) seen = seen || SameName(k, doc.lines[i].name);
        if (!seen) keys.push_back(doc.lines[i].name);
    }
    return keys;
}

std::vector<std::string> GetProfileSections(const std::string& file) {
    std::vector<std::string> sections;
    Document doc;
    if (LoadDocument(file, doc) != LoadResult::Loaded) return sections;
    for (const Line& line : doc.lines) {
        if (line.kind != LineKind::Section) continue;
        bool seen = false;
        for (const std::string& s : sections) seen = seen || SameName(s, line.name);
        if (!seen) sections.push_back(line.name);
    }
    return sections;
}

bool WriteProfileString(const std::string& sectionName, const char* keyName, const char* value,
                        const std::string& file) {
    const std::string_view section = Trim(sectionName);
    const std::string_view key = keyName ? Trim(keyName) : std::string_view();
    if (!IsWritableSection(section) || (keyName && !IsWritableKey(key)) || (value && !IsWritableText(value))) {
        return false;
    }
    std::lock_guard<std::mutex> lock(WriteMutex());
    Document doc;
    const LoadResult loaded = LoadDocument(file, doc);
    if (loaded == LoadResult::Failed) return false;
    const std::size_t before = doc.lines.size();
    if (!keyName) {
        RemoveSection(doc, section);
    } else if (!value) {
        const std::size_t header = FindSection(doc, section);
        if (header < doc.lines.size()) RemoveKey(doc, header, key);
    } else {
        SetKey(doc, section, key, Trim(value));
    }
    const bool deleting = !keyName || !value;
    if (deleting && doc.lines.size() == before) return true; // nothing to delete: file untouched
    return ReplaceFileAtomically(file, Serialize(doc));
}

bool WriteProfileInt(const std::string& section, const std::string& key, int value, const std::string& file) {
    return WriteProfileString(section, key.c_str(), std::to_string(value).c_str(), file);
}

} // namespace orv
