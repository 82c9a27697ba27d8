#include "server/db_file_checks.h"

#include "server/sql_statement.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

bool CheckExistingFile(const std::string& path, bool* existed, std::string* error) {
    struct stat st;
    *existed = ::stat(path.c_str(), &st) == 0;
    if (!*existed) {
        if (errno == ENOENT) return true;
        *error = "cannot reach " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + " is not a file";
        return false;
    }
    if (st.st_size == 0) {
        *error =
            path +
            " is empty (0 bytes); it is not taken for a new database. Restore it from a backup, "
            "or remove it to start afresh";
        return false;
    }
    return true;
}

} // namespace

sqlite3* OpenDatabaseFile(const std::string& path, bool* existed, std::string* error) {
    if (!CheckExistingFile(path, existed, error)) return nullptr;
    // Only a missing file is made anew: one that vanished meanwhile is not silently replaced.
    const int mode =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (*existed ? 0 : SQLITE_OPEN_CREATE);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, mode, nullptr) != SQLITE_OK) {
        *error = "cannot open " + path + ": " +
                 (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

bool CheckOpenedDatabase(sqlite3* db, const std::string& path, std::string* error) {
    if (sqlite3_db_readonly(db, "main") == 1) {
        *error = path + " is read-only; the server needs to write it";
        return false;
    }
    Statement check(db, "PRAGMA quick_check(1)");
    const int rc = check.Prepared() ? check.Step() : SQLITE_ERROR;
    if (rc != SQLITE_ROW) {
        *error = path + " cannot be checked: " + sqlite3_errmsg(db);
        return false;
    }
    const std::string verdict = check.Text(0);
    if (verdict != "ok") {
        *error = path + " is damaged (" + verdict.substr(0, 200) + "); restore it from a backup";
        return false;
    }
    return true;
}

bool CheckFolderWritable(const std::string& folder, std::string* error) {
    std::string probe = folder + "/.write-check-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        *error = "cannot write in the home folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

} // namespace orv
