// What the house keeps between runs, in one SQLite file: registered boards,
// players (by board id and user id), letters and replies, announcements,
// story submissions, feedback, reports, ratings and the tale library.
//
// One writer: the house's loop thread (the admin tool writes too, in short
// transactions of its own, and the house's busy wait covers them). Every
// write opens a transaction lazily and storeCommit ends it, once per line
// handled, so a crash loses at most the line in hand. WAL with
// synchronous=NORMAL: a commit is an append to the log, no fsync, which keeps
// the loop's pause well under a millisecond; what a power cut may lose is the
// last commits, never the file.
//
// Every value goes in through a bound parameter of a cached prepared
// statement: nothing a door sends is ever part of SQL text.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "json_util.h"
#include "tales.h"

struct sqlite3;
struct sqlite3_stmt;

constexpr int STORE_SCHEMA_VERSION = 1;
constexpr int STORE_HOUSE_BUSY_MS = 20;     // the loop waits at most this long for the admin tool's lock
constexpr int STORE_ADMIN_BUSY_MS = 5000;   // the admin tool waits for the house that long
constexpr int STORE_MAIL_KEEP = 20;         // the door shows at most 20 letters

struct Store {
    sqlite3* db;
    std::map<std::string, sqlite3_stmt*> statements;  // by SQL text, prepared once
    bool inWrite;                                      // a write transaction is open
};

// Opens (creating when missing) and migrates the file; ":memory:" for tests.
// Null with a reason in *error.
Store* storeOpen(const std::string& path, int busyMs, std::string* error);
void storeClose(Store* st);  // commits what is pending

// One statement with its parameters (a JSON array: numbers, strings, null).
// storeExec writes (opening the transaction); storeRows reads, each row a
// JSON array of its columns. False / empty on failure, which is logged.
bool storeExec(Store* st, const char* sql, const Json& args = Json::array());
std::vector<Json> storeRows(Store* st, const char* sql, const Json& args = Json::array());
int64_t storeLastId(Store* st);
// Opens the write transaction now (storeExec does it on its first write),
// so that what is read next cannot change before the writes; false when
// the lock did not come.
bool storeBegin(Store* st);
bool storeCommit(Store* st);

// Changes when another connection (the admin tool) committed since the last call.
int64_t storeDataVersion(Store* st);

// The tale library: seeded from lib when the file has no tales yet, then
// read back (categories in their order, tales by id).
void storeSeedLibrary(Store* st, const Library& lib);
bool storeLoadLibrary(Store* st, Library* lib, std::string* log);

// A letter into a player's box (the oldest beyond STORE_MAIL_KEEP go);
// notified: the house told the player already (its own letters), else the
// house announces it with mail:new when it next looks. Returns its id.
int64_t storeAddLetter(Store* st, const std::string& board, const std::string& user, const std::string& sender,
                       const std::string& subject, const std::string& body, bool takesReply, bool notified);

// A player's ignore list, kept on the player's record: pairs of the ignored
// player's "<board>/<user>" key and the name they had, oldest first.
using StoreIgnores = std::vector<std::pair<std::string, std::string>>;
StoreIgnores storeIgnores(Store* st, const std::string& board, const std::string& user);
void storeSetIgnores(Store* st, const std::string& board, const std::string& user, const StoreIgnores& list);

// An achievement, once per player; true when it is new.
bool storeAward(Store* st, const std::string& board, const std::string& user, const std::string& name);

// "2026-12-07T12:00:00Z" for a Unix time.
std::string storeTimeText(int64_t unixSeconds);
