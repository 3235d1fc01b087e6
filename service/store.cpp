#include "store.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>

namespace {

// Each step takes the schema from version i to i + 1; a new version appends
// a step and never edits an old one, so any older file walks forward.
constexpr const char* MIGRATIONS[STORE_SCHEMA_VERSION] = {
    R"(
CREATE TABLE boards(id TEXT PRIMARY KEY, name TEXT NOT NULL, from_net TEXT NOT NULL DEFAULT '',
                    added_at TEXT NOT NULL);
CREATE TABLE players(board TEXT NOT NULL, user TEXT NOT NULL, alias TEXT NOT NULL, colour TEXT NOT NULL DEFAULT '',
                     ignores TEXT NOT NULL DEFAULT '[]', welcomed INTEGER NOT NULL DEFAULT 0, banned TEXT,
                     timeout_until INTEGER NOT NULL DEFAULT 0, first_seen TEXT NOT NULL, last_seen TEXT NOT NULL,
                     PRIMARY KEY(board, user));
CREATE INDEX players_alias ON players(alias COLLATE NOCASE);
CREATE TABLE achievements(board TEXT NOT NULL, user TEXT NOT NULL, name TEXT NOT NULL, earned_at TEXT NOT NULL,
                          PRIMARY KEY(board, user, name));
CREATE TABLE letters(id INTEGER PRIMARY KEY, board TEXT NOT NULL, user TEXT NOT NULL, sender TEXT NOT NULL,
                     subject TEXT NOT NULL, body TEXT NOT NULL, created_at TEXT NOT NULL,
                     read INTEGER NOT NULL DEFAULT 0, takes_reply INTEGER NOT NULL, replied_at TEXT,
                     notified INTEGER NOT NULL);
CREATE INDEX letters_box ON letters(board, user, id);
CREATE INDEX letters_unnotified ON letters(id) WHERE notified = 0;
CREATE TABLE replies(id INTEGER PRIMARY KEY, letter_id INTEGER NOT NULL, board TEXT NOT NULL, user TEXT NOT NULL,
                     alias TEXT NOT NULL, text TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE announcements(id INTEGER PRIMARY KEY, title TEXT NOT NULL, body TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE submissions(id INTEGER PRIMARY KEY, board TEXT NOT NULL, user TEXT NOT NULL, alias TEXT NOT NULL,
                         title TEXT NOT NULL, category TEXT NOT NULL, request TEXT NOT NULL,
                         state TEXT NOT NULL DEFAULT 'new', reason TEXT NOT NULL DEFAULT '', tale_id INTEGER,
                         created_at TEXT NOT NULL);
CREATE TABLE feedback(id INTEGER PRIMARY KEY, board TEXT NOT NULL, user TEXT NOT NULL, alias TEXT NOT NULL,
                      text TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE reports(id INTEGER PRIMARY KEY, board TEXT NOT NULL, user TEXT NOT NULL, alias TEXT NOT NULL,
                     kind TEXT NOT NULL, target TEXT NOT NULL, reason TEXT NOT NULL, note TEXT NOT NULL,
                     created_at TEXT NOT NULL);
CREATE TABLE ratings(board TEXT NOT NULL, user TEXT NOT NULL, tale_id INTEGER NOT NULL, rating INTEGER NOT NULL,
                     PRIMARY KEY(board, user, tale_id));
CREATE TABLE categories(pos INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, kind TEXT NOT NULL);
CREATE TABLE tales(id INTEGER PRIMARY KEY, title TEXT NOT NULL, category TEXT NOT NULL, text TEXT NOT NULL,
                   submission_id INTEGER);
CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);
INSERT INTO announcements(title, body, created_at) VALUES('The house is open',
  'This is the local house game service. Open a table, invite a friend by share code, or let the house bots keep ' ||
  'you company. Every tale here was written for the house.', strftime('%Y-%m-%dT%H:%M:%SZ', 'now'));
)",
};

void logFault(Store* st, const char* what) {
    std::fprintf(stderr, "house: data: %.60s: %s\n", what, sqlite3_errmsg(st->db));
}

sqlite3_stmt* prepared(Store* st, const char* sql, const Json& args) {
    sqlite3_stmt*& stmt = st->statements[sql];
    if (!stmt && sqlite3_prepare_v3(st->db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        logFault(st, sql);
        st->statements.erase(sql);
        return nullptr;
    }
    int i = 1;
    for (const Json& a : args) {
        if (a.is_number_integer() || a.is_boolean()) sqlite3_bind_int64(stmt, i, a.is_boolean() ? a.get<bool>() : a.get<int64_t>());
        else if (a.is_string()) sqlite3_bind_text(stmt, i, a.get_ref<const std::string&>().c_str(), -1, SQLITE_TRANSIENT);
        else sqlite3_bind_null(stmt, i);
        ++i;
    }
    return stmt;
}

void finish(sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}

bool plain(Store* st, const char* sql) {
    if (sqlite3_exec(st->db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    logFault(st, sql);
    return false;
}

// Walks the file forward to STORE_SCHEMA_VERSION, each step with its
// version mark in one transaction: a crash mid-way leaves the old version.
bool migrate(Store* st, std::string* error) {
    std::vector<Json> v = storeRows(st, "PRAGMA user_version");
    int version = v.empty() ? -1 : static_cast<int>(v[0][0].get<int64_t>());
    if (version < 0 || version > STORE_SCHEMA_VERSION) {
        *error = "the data file's schema version " + std::to_string(version) + " is not one this house knows";
        return false;
    }
    for (; version < STORE_SCHEMA_VERSION; ++version) {
        std::string mark = "PRAGMA user_version = " + std::to_string(version + 1);
        if (!plain(st, "BEGIN IMMEDIATE")) break;
        if (!plain(st, MIGRATIONS[version]) || !plain(st, mark.c_str()) || !plain(st, "COMMIT")) {
            *error = std::string("cannot bring the data file up to date: ") + sqlite3_errmsg(st->db);
            plain(st, "ROLLBACK");
            return false;
        }
    }
    if (version == STORE_SCHEMA_VERSION) return true;
    *error = std::string("cannot bring the data file up to date: ") + sqlite3_errmsg(st->db);
    return false;
}

// The inline-gap text of a tale, as tales.json writes it.
std::string taleText(const Tale& t) {
    std::string text = t.parts[0];
    for (size_t i = 0; i < t.blanks.size(); ++i) {
        const TaleBlank& b = t.blanks[i];
        text += "{" + b.type + (b.hint.empty() ? "" : ":" + b.hint) + "}" + t.parts[i + 1];
    }
    return text;
}

}  // namespace

Store* storeOpen(const std::string& path, int busyMs, std::string* error) {
    Store* st = new Store{};
    if (sqlite3_open_v2(path.c_str(), &st->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        *error = "cannot open " + path + ": " + (st->db ? sqlite3_errmsg(st->db) : "out of memory");
        storeClose(st);
        return nullptr;
    }
    sqlite3_busy_timeout(st->db, busyMs);
    bool ok = plain(st, "PRAGMA journal_mode = WAL") && plain(st, "PRAGMA synchronous = NORMAL") &&
              plain(st, "PRAGMA foreign_keys = ON");
    if (!ok) *error = std::string("cannot set up ") + path + ": " + sqlite3_errmsg(st->db);
    if (!ok || !migrate(st, error)) {
        storeClose(st);
        return nullptr;
    }
    return st;
}

void storeClose(Store* st) {
    if (!st) return;
    storeCommit(st);
    for (auto& [sql, stmt] : st->statements) sqlite3_finalize(stmt);
    sqlite3_close(st->db);
    delete st;
}

bool storeBegin(Store* st) {
    if (!st->inWrite) st->inWrite = plain(st, "BEGIN IMMEDIATE");
    return st->inWrite;
}

bool storeExec(Store* st, const char* sql, const Json& args) {
    if (!storeBegin(st)) return false;  // the admin tool held the lock too long: this write is lost, and logged
    sqlite3_stmt* stmt = prepared(st, sql, args);
    if (!stmt) return false;
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) logFault(st, sql);
    finish(stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

std::vector<Json> storeRows(Store* st, const char* sql, const Json& args) {
    std::vector<Json> rows;
    sqlite3_stmt* stmt = prepared(st, sql, args);
    if (!stmt) return rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Json row = Json::array();
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            int type = sqlite3_column_type(stmt, c);
            if (type == SQLITE_INTEGER) row.push_back(sqlite3_column_int64(stmt, c));
            else if (type == SQLITE_NULL) row.push_back(nullptr);
            else row.push_back(validUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))));
        }
        rows.push_back(row);
    }
    if (rc != SQLITE_DONE) logFault(st, sql);
    finish(stmt);
    return rows;
}

int64_t storeLastId(Store* st) {
    return sqlite3_last_insert_rowid(st->db);
}

bool storeCommit(Store* st) {
    if (!st || !st->inWrite) return true;
    st->inWrite = false;
    if (plain(st, "COMMIT")) return true;
    plain(st, "ROLLBACK");
    return false;
}

int64_t storeDataVersion(Store* st) {
    std::vector<Json> v = storeRows(st, "PRAGMA data_version");
    return v.empty() ? 0 : v[0][0].get<int64_t>();
}

void storeSeedLibrary(Store* st, const Library& lib) {
    if (!storeRows(st, "SELECT 1 FROM tales LIMIT 1").empty()) return;
    for (const Category& c : lib.categories) {
        storeExec(st, "INSERT OR IGNORE INTO categories(name, kind) VALUES(?, ?)", {c.name, c.kind});
    }
    for (const Tale& t : lib.tales) {
        storeExec(st, "INSERT INTO tales(id, title, category, text) VALUES(?, ?, ?, ?)", {t.id, t.title, t.category, taleText(t)});
    }
    storeCommit(st);
}

bool storeLoadLibrary(Store* st, Library* lib, std::string* log) {
    Json doc = {{"categories", Json::array()}, {"tales", Json::array()}};
    for (const Json& r : storeRows(st, "SELECT name, kind FROM categories ORDER BY pos")) {
        doc["categories"].push_back({{"name", r[0]}, {"kind", r[1]}});
    }
    for (const Json& r : storeRows(st, "SELECT id, title, category, text FROM tales ORDER BY id")) {
        doc["tales"].push_back({{"id", r[0]}, {"title", r[1]}, {"category", r[2]}, {"text", r[3]}});
    }
    return talesLoadText(doc.dump(), lib, log);
}

int64_t storeAddLetter(Store* st, const std::string& board, const std::string& user, const std::string& sender,
                       const std::string& subject, const std::string& body, bool takesReply, bool notified) {
    bool ok = storeExec(st, "INSERT INTO letters(board, user, sender, subject, body, created_at, takes_reply, notified) "
                            "VALUES(?, ?, ?, ?, ?, ?, ?, ?)",
                        {board, user, sender, subject, body, storeTimeText(std::time(nullptr)), takesReply, notified});
    int64_t id = ok ? storeLastId(st) : 0;
    storeExec(st, "DELETE FROM letters WHERE board = ?1 AND user = ?2 AND id NOT IN "
                  "(SELECT id FROM letters WHERE board = ?1 AND user = ?2 ORDER BY id DESC LIMIT ?3)",
              {board, user, STORE_MAIL_KEEP});
    return id;
}

StoreIgnores storeIgnores(Store* st, const std::string& board, const std::string& user) {
    StoreIgnores out;
    std::vector<Json> rows = storeRows(st, "SELECT ignores FROM players WHERE board = ? AND user = ?", {board, user});
    Json list = rows.empty() ? Json::array() : jsonParseLine(rows[0][0].get<std::string>());
    if (!list.is_array()) return out;
    for (const Json& i : list) out.emplace_back(jsStr(i, "key"), jsStr(i, "name"));
    return out;
}

void storeSetIgnores(Store* st, const std::string& board, const std::string& user, const StoreIgnores& list) {
    Json out = Json::array();
    for (const auto& [key, name] : list) out.push_back({{"key", key}, {"name", name}});
    storeExec(st, "UPDATE players SET ignores = ? WHERE board = ? AND user = ?", {out.dump(), board, user});
}

bool storeAward(Store* st, const std::string& board, const std::string& user, const std::string& name) {
    storeExec(st, "INSERT OR IGNORE INTO achievements(board, user, name, earned_at) VALUES(?, ?, ?, ?)",
              {board, user, name, storeTimeText(std::time(nullptr))});
    return sqlite3_changes(st->db) > 0;
}

std::string storeTimeText(int64_t unixSeconds) {
    std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}
