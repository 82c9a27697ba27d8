#include "server/subscriber_import.h"

#include "server/admin_commands.h"
#include "server/sql_statement.h"
#include "server/subscriber_db.h"
#include "wire/password_digest.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace orv {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string LineError(std::size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// One line's words checked: false with *error when the line is not a subscriber.
bool ParseLine(const std::vector<std::string>& words, Subscriber* s, std::string* password, std::string* error) {
    if (words.size() < 2 || words.size() > 3) return (*error = "expects NUMBER PASSWORD [active|inactive]", false);
    if (!IsValidNumber(words[0])) return (*error = "invalid number", false);
    if (!IsValidPassword(words[1])) return (*error = "invalid password", false);
    s->state = SubscriberState::Active;
    if (words.size() == 3 && !ParseStateName(words[2], &s->state)) return (*error = "state must be active or inactive", false);
    s->number = words[0];
    *password = words[1];
    return true;
}

} // namespace

long long ImportSubscribers(SubscriberDb& db, const std::string& path, std::string* error) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
    if (!file) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return -1;
    }
    sqlite3* handle = db.Handle();
    Transaction transaction(handle);
    if (!transaction.Begun()) {
        *error = std::string("cannot start the import: ") + sqlite3_errmsg(handle);
        return -1;
    }
    Statement insert(handle, "INSERT INTO subscribers(number, digest, state) VALUES(?, ?, ?)");
    if (!insert.Prepared()) {
        *error = sqlite3_errmsg(handle);
        return -1;
    }
    char buffer[kImportLineMax + 2];
    long long added = 0;
    for (std::size_t lineNumber = 1; std::fgets(buffer, sizeof buffer, file.get()) != nullptr; ++lineNumber) {
        const std::size_t length = std::strlen(buffer);
        if (length > kImportLineMax) {
            *error = LineError(lineNumber, "longer than " + std::to_string(kImportLineMax) + " bytes");
            return -1;
        }
        if (std::memchr(buffer, '\0', length) != nullptr || buffer[0] == '#') continue;
        const std::vector<std::string> words = SplitWords(buffer);
        if (words.empty()) continue;
        Subscriber s;
        std::string password;
        std::string why;
        if (!ParseLine(words, &s, &password, &why)) {
            *error = LineError(lineNumber, why);
            return -1;
        }
        if (static_cast<std::size_t>(added) >= kImportMaxSubscribers) {
            *error = LineError(lineNumber, "more than " + std::to_string(kImportMaxSubscribers) + " subscribers");
            return -1;
        }
        insert.Reset();
        insert.BindAll({s.number, PasswordDigest(s.number, password), static_cast<long long>(s.state)});
        const int rc = insert.Step();
        if (rc != SQLITE_DONE) {
            const bool exists = sqlite3_extended_errcode(handle) == SQLITE_CONSTRAINT_PRIMARYKEY;
            *error = LineError(lineNumber, exists ? "number " + s.number + " exists already" : sqlite3_errmsg(handle));
            return -1;
        }
        ++added;
    }
    if (std::ferror(file.get())) {
        *error = "cannot read " + path;
        return -1;
    }
    if (!transaction.Commit()) {
        *error = std::string("cannot commit the import: ") + sqlite3_errmsg(handle);
        return -1;
    }
    return added;
}

} // namespace orv
