#include "client/friends/address_list_file.h"

#include "client/friends/text_format.h"
#include "client/log/log.h"
#include "client/text/text_table.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace orv {

namespace {

constexpr int kTextCreateFailed = 147;
constexpr int kTextExported = 148;
constexpr int kTextFileFailed = 149;
constexpr int kTextLoaded = 151;
constexpr int kTextIllegalNumber = 155;
constexpr int kTextBadFormat = 156;

constexpr std::size_t kRequiredFields = 5; // e-mail may be missing
constexpr std::size_t kNameLimit = kFriendNameField - 1;
constexpr std::size_t kNumberLimit = kFriendNumberField - 1;

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

AddressListResult Outcome(bool ok, int textNumber, const TextTable& texts, const std::vector<std::string>& args) {
    AddressListResult result;
    result.ok = ok;
    result.textNumber = textNumber;
    result.message = FillText(texts.Text(textNumber), args);
    return result;
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsNumberText(std::string_view text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '*')) return false;
    return true;
}

std::string CutTo(std::string_view text, std::size_t limit) {
    std::string cut(text);
    CutText(&cut, limit);
    return cut;
}

// Turns one line into a record; on a fault fills *error and returns false.
bool ParseLine(std::string_view line, int lineNumber, const TextTable& texts, FriendRecord* record,
               AddressListResult* error) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (fields.size() < 6) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(TrimBlanks(line.substr(start)));
            break;
        }
        fields.push_back(TrimBlanks(line.substr(start, comma - start)));
        start = comma + 1;
    }
    if (fields.size() < kRequiredFields) {
        *error = Outcome(false, kTextBadFormat, texts, {std::to_string(lineNumber)});
        return false;
    }
    for (std::size_t column = 2; column < 5; ++column) {
        if (!IsNumberText(fields[column])) {
            *error = Outcome(false, kTextIllegalNumber, texts,
                             {std::string(fields[column]), std::to_string(lineNumber)});
            return false;
        }
    }
    record->friendName = CutTo(fields[0], kNameLimit);
    record->group = CutTo(fields[1], kNameLimit);
    record->netPhone = CutTo(fields[2], kNumberLimit);
    record->phone = CutTo(fields[3], kNumberLimit);
    record->mobile = CutTo(fields[4], kNumberLimit);
    record->email = fields.size() > 5 ? CutTo(fields[5], kNumberLimit) : std::string();
    return true;
}

// Reads lines from next() (a character, or EOF) and parses each. A run of CR and LF ends a
// line; a run holding two line breaks or more is an empty line, which ends the file.
AddressListResult ReadLines(const std::function<int()>& next, const TextTable& texts) {
    AddressListResult result;
    std::string line;
    int lineNumber = 1;
    int c = next();
    while (true) {
        if (c != EOF && c != '\r' && c != '\n') {
            if (line.size() == kMaxAddressLineLength) {
                result = Outcome(false, kTextBadFormat, texts, {std::to_string(lineNumber)});
                result.errorLine = lineNumber;
                return result;
            }
            line.push_back(static_cast<char>(c));
            c = next();
            continue;
        }
        int breaks = 0;
        while (c == '\r' || c == '\n') {
            const int after = next();
            if (c == '\n' || after != '\n') ++breaks; // CR LF counts once
            c = after;
        }
        if (line.empty()) break; // an empty line, or the end of the file
        WriteLog(3, "File Import Info(%s)", line.c_str());
        FriendRecord record;
        if (!ParseLine(line, lineNumber, texts, &record, &result)) {
            result.errorLine = lineNumber;
            return result;
        }
        result.records.push_back(std::move(record));
        if (c == EOF || breaks >= 2) break;
        line.clear();
        ++lineNumber;
    }
    std::vector<FriendRecord> records = std::move(result.records);
    result = Outcome(true, kTextLoaded, texts, {});
    result.records = std::move(records);
    return result;
}

// A field as written: a comma or line break inside it (records come from the server) would
// shift the columns or split the line when the file is read back, so they become blanks.
std::string ExportField(std::string text) {
    for (char& c : text)
        if (c == ',' || c == '\r' || c == '\n') c = ' ';
    return text;
}

} // namespace

AddressListResult ExportAddressList(const std::string& path, const std::vector<FriendEntry>& entries,
                                    const TextTable& texts) {
    FilePtr file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return Outcome(false, kTextCreateFailed, texts, {path});
    bool written = true;
    for (const FriendEntry& entry : entries) {
        FriendRecord r = entry.record;
        CutToFields(&r);
        const std::string line = ExportField(r.friendName) + ", " + ExportField(r.group) + ", " +
                                 ExportField(r.netPhone) + ", " + ExportField(r.phone) + ", " +
                                 ExportField(r.mobile) + ", " + ExportField(r.email) + "\r\n";
        written = written && std::fwrite(line.data(), 1, line.size(), file.get()) == line.size();
    }
    // A full disk must not be reported as a successful export.
    if (std::fclose(file.release()) != 0 || !written) return Outcome(false, kTextCreateFailed, texts, {path});
    return Outcome(true, kTextExported, texts, {path});
}

AddressListResult ImportAddressList(const std::string& path, const TextTable& texts) {
    FilePtr file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return Outcome(false, kTextFileFailed, texts, {path});
    std::FILE* f = file.get();
    AddressListResult result = ReadLines([f] { return std::getc(f); }, texts);
    if (std::ferror(f)) return Outcome(false, kTextFileFailed, texts, {path});
    return result;
}

AddressListResult ParseAddressList(std::string_view content, const TextTable& texts) {
    std::size_t at = 0;
    return ReadLines([&] { return at < content.size() ? static_cast<unsigned char>(content[at++]) : EOF; }, texts);
}

} // namespace orv
