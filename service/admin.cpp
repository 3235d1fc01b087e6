#include "admin.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "gate.h"
#include "house.h"
#include "store.h"

namespace {

constexpr int LIST_MAX = 50;          // newest entries a listing prints
constexpr int BOARD_ID_BYTES = 20;    // 160 random bits: not guessable, and fits door.cfg's 63 characters
constexpr int64_t MINUTES_MAX = 525600;  // a year: longer is a mistake, or a ban

using Args = std::vector<std::string>;

int usage() {
    std::fprintf(stderr,
                 "usage: wordwhirl-house admin [--data FILE] COMMAND\n"
                 "  board add [ID] \"Board name\" [--from ADDRESS/BITS] | board list | board remove ID\n"
                 "  announce \"text\" | announcements | unannounce ID\n"
                 "  submissions [all | ID] | accept ID [CATEGORY] | decline ID \"reason\"\n"
                 "  reports | feedback | players\n"
                 "  mail PLAYER \"text\" | ban PLAYER \"reason\" | unban PLAYER | timeout PLAYER MINUTES\n"
                 "  shutdown MINUTES \"reason\" | shutdown cancel\n");
    return 2;
}

int refuse(const std::string& why) {
    std::fprintf(stderr, "admin: %s\n", why.c_str());
    return 1;
}

int64_t number(const std::string& text) {
    char* end = nullptr;
    long long n = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == 0 && n >= 0 ? n : -1;
}

std::string nowText() { return storeTimeText(static_cast<int64_t>(std::time(nullptr))); }

// A value as printed: what doors sent may hold escape sequences meant for
// the sysop's terminal, so control characters never reach it (a line feed
// shows as "\n", or stays one where text is shown whole).
std::string cell(const Json& v, bool whole = false) {
    std::string text = v.is_string() ? v.get<std::string>() : v.is_null() ? "" : v.dump(), out;
    for (char c : text) {
        if (c == '\n') out += whole ? "\n" : "\\n";
        else out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    return out;
}

void printRows(const std::vector<Json>& rows) {
    for (const Json& r : rows) {
        std::string line;
        for (const Json& v : r) line += (line.empty() ? "" : "  ") + cell(v);
        std::printf("%s\n", line.c_str());
    }
    if (rows.empty()) std::printf("(none)\n");
}

// A player by BOARD/USER or by alias; false (and said why) unless exactly one.
bool findPlayer(Store* st, const std::string& who, std::string* board, std::string* user) {
    std::vector<Json> rows = storeRows(st, "SELECT board, user, alias FROM players WHERE board || '/' || user = ?1 "
                                           "UNION SELECT board, user, alias FROM players WHERE alias = ?1 COLLATE NOCASE",
                                       Json::array({who}));
    if (rows.size() == 1) {
        *board = rows[0][0], *user = rows[0][1];
        return true;
    }
    std::fprintf(stderr, "admin: %s\n", rows.empty() ? ("no player " + who).c_str() : ("several players are called " + who + ": name one as BOARD/USER").c_str());
    printRows(rows);
    return false;
}

std::string randomBoardId() {
    unsigned char bytes[BOARD_ID_BYTES] = {};
    FILE* f = std::fopen("/dev/urandom", "rb");
    size_t got = f ? std::fread(bytes, 1, sizeof bytes, f) : 0;
    if (f) std::fclose(f);
    if (got != sizeof bytes) return "";
    std::string id;
    for (unsigned char b : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", b);
        id += hex;
    }
    return id;
}

int board(Store* st, const Args& a) {
    if (a.size() == 2 && a[1] == "list") {
        printRows(storeRows(st, "SELECT id, name, CASE from_net WHEN '' THEN 'any address' ELSE from_net END, added_at "
                                "FROM boards ORDER BY added_at"));
        return 0;
    }
    if (a.size() == 3 && a[1] == "remove") {
        storeExec(st, "DELETE FROM boards WHERE id = ?", Json::array({a[2]}));
        return storeRows(st, "SELECT changes()")[0][0] == 1 ? 0 : refuse("no board " + a[2]);
    }
    if (a.size() < 3 || a[1] != "add") return usage();
    Args pos;
    std::string from;
    for (size_t i = 2; i < a.size(); ++i) {
        if (a[i] == "--from" && i + 1 < a.size()) from = a[++i];
        else pos.push_back(a[i]);
    }
    uint32_t net = 0, mask = 0;
    if (pos.empty() || pos.size() > 2) return usage();
    if (!from.empty() && !gateParseNet(from, &net, &mask)) return refuse("not an address range: " + from + " (write it as 192.168.1.0/24)");
    std::string id = pos.size() == 2 ? pos[0] : randomBoardId();
    if (id.empty() || id.size() > 60 || id.find_first_of(" \"\\") != std::string::npos) return refuse("a board id is 1 to 60 characters, no blanks, quotes or backslashes");
    storeExec(st, "INSERT INTO boards(id, name, from_net, added_at) VALUES(?1, ?2, ?3, ?4) "
                  "ON CONFLICT(id) DO UPDATE SET name = ?2, from_net = ?3",
              {id, pos.back(), from, nowText()});
    std::printf("%s\n", id.c_str());
    if (pos.size() == 1) std::printf("Put this id in the board's door.cfg as bbsid=%s and keep it secret.\n", id.c_str());
    return 0;
}

int submissions(Store* st, const Args& a) {
    if (a.size() == 2 && number(a[1]) > 0) {
        std::vector<Json> r = storeRows(st, "SELECT id, state, alias, board || '/' || user, category, title, request, reason "
                                            "FROM submissions WHERE id = ?", Json::array({number(a[1])}));
        if (r.empty()) return refuse("no submission " + a[1]);
        std::printf("#%s %s by %s (%s) in %s: %s\n\n%s\n", cell(r[0][0]).c_str(), cell(r[0][1]).c_str(), cell(r[0][2]).c_str(),
                    cell(r[0][3]).c_str(), cell(r[0][4]).c_str(), cell(r[0][5]).c_str(), cell(adminTaleText(jsonParseLine(r[0][6])), true).c_str());
        return 0;
    }
    bool all = a.size() == 2 && a[1] == "all";
    if (a.size() > 1 && !all) return usage();
    printRows(storeRows(st, all ? "SELECT id, state, created_at, alias, category, title FROM submissions ORDER BY id DESC LIMIT ?"
                                : "SELECT id, state, created_at, alias, category, title FROM submissions WHERE state = 'new' ORDER BY id LIMIT ?",
                        Json::array({LIST_MAX})));
    return 0;
}

// The submission row a decision is about, when it is still new.
bool openSubmission(Store* st, const std::string& idText, Json* row) {
    std::vector<Json> r = storeRows(st, "SELECT id, board, user, title, category, request, state FROM submissions WHERE id = ?",
                                    Json::array({number(idText)}));
    if (r.empty()) return refuse("no submission " + idText), false;
    if (r[0][6] != "new") return refuse("submission " + idText + " was " + cell(r[0][6]) + " already"), false;
    *row = r[0];
    return true;
}

int accept(Store* st, const Args& a) {
    Json row;
    if (a.size() < 2 || a.size() > 3) return usage();
    if (!openSubmission(st, a[1], &row)) return 1;
    std::string category = a.size() == 3 ? a[2] : cell(row[4]);
    if (storeRows(st, "SELECT 1 FROM categories WHERE name = ?", Json::array({category})).empty()) {
        std::fprintf(stderr, "admin: no category \"%s\"; name one: accept %s CATEGORY\n", category.c_str(), a[1].c_str());
        printRows(storeRows(st, "SELECT name FROM categories ORDER BY pos"));
        return 1;
    }
    std::string text = adminTaleText(jsonParseLine(row[5]));
    std::vector<std::string> parts;
    std::vector<TaleBlank> blanks;
    taleSplitGaps(text, &parts, &blanks);
    if (blanks.empty()) return refuse("submission " + a[1] + " has no gaps to fill");
    int64_t taleId = storeRows(st, "SELECT coalesce(max(id), 0) + 1 FROM tales")[0][0];
    if (!storeExec(st, "INSERT INTO tales(id, title, category, text, submission_id) VALUES(?, ?, ?, ?, ?)",
                   {taleId, row[3], category, text, row[0]})) {
        return refuse("the tale could not be added");
    }
    storeExec(st, "UPDATE submissions SET state = 'accepted', tale_id = ? WHERE id = ?", {taleId, row[0]});
    storeAddLetter(st, row[1], row[2], "The Sysop", "Your story is in the library!",
                   "Thank you for \"" + cell(row[3]) + "\". It is now tale " + std::to_string(taleId) + " in " + category +
                       ", ready for every table to play.",
                   false, false);
    std::printf("submission %s is tale %lld in %s (%zu gaps)\n", a[1].c_str(), static_cast<long long>(taleId), category.c_str(), blanks.size());
    return 0;
}

int decline(Store* st, const Args& a) {
    Json row;
    if (a.size() != 3) return usage();
    if (!openSubmission(st, a[1], &row)) return 1;
    storeExec(st, "UPDATE submissions SET state = 'declined', reason = ? WHERE id = ?", {a[2], row[0]});
    storeAddLetter(st, row[1], row[2], "The Sysop", "About your story",
                   "Thank you for sending us \"" + cell(row[3]) + "\". We are not adding it to the library: " + a[2], true, false);
    std::printf("submission %s declined; the author has a letter\n", a[1].c_str());
    return 0;
}

int player(Store* st, const Args& a) {
    const std::string& cmd = a[0];
    bool two = cmd == "mail" || cmd == "ban" || cmd == "timeout";
    if (a.size() != (two ? 3u : 2u)) return usage();
    std::string board, user;
    if (!findPlayer(st, a[1], &board, &user)) return 1;
    if (cmd == "mail") {
        storeAddLetter(st, board, user, "The Sysop", "A letter from the sysop", a[2], true, false);
    } else if (cmd == "ban" || cmd == "unban") {
        storeExec(st, "UPDATE players SET banned = ? WHERE board = ? AND user = ?",
                  {cmd == "ban" ? Json(a[2]) : Json(nullptr), board, user});
    } else {
        int64_t minutes = number(a[2]);
        if (minutes < 0 || minutes > MINUTES_MAX) return refuse("MINUTES is a whole number from 0 (lifts it) to " + std::to_string(MINUTES_MAX));
        storeExec(st, "UPDATE players SET timeout_until = ? WHERE board = ? AND user = ?",
                  {minutes ? static_cast<int64_t>(std::time(nullptr)) + minutes * 60 : 0, board, user});
    }
    std::printf("%s: done for %s/%s\n", cmd.c_str(), board.c_str(), user.c_str());
    return 0;
}

int shutdown(Store* st, const Args& a) {
    if (a.size() == 2 && a[1] == "cancel") {
        storeExec(st, "DELETE FROM settings WHERE key LIKE 'shutdown_%'");
        return 0;
    }
    int64_t minutes = a.size() >= 2 && a.size() <= 3 ? number(a[1]) : -1;
    if (minutes < 0 || minutes > MINUTES_MAX) return usage();
    int64_t at = static_cast<int64_t>(std::time(nullptr)) + minutes * 60;
    storeExec(st, "INSERT OR REPLACE INTO settings(key, value) VALUES('shutdown_at', ?)", Json::array({std::to_string(at)}));
    storeExec(st, "INSERT OR REPLACE INTO settings(key, value) VALUES('shutdown_reason', ?)", Json::array({a.size() == 3 ? a[2] : ""}));
    std::printf("the house closes at %s\n", storeTimeText(at).c_str());
    return 0;
}

int run(Store* st, const Args& a) {
    const std::string& cmd = a[0];
    if (cmd == "board") return board(st, a);
    if (cmd == "announce" && a.size() == 2) {
        std::string title = a[1].substr(0, a[1].find('\n'));
        storeExec(st, "INSERT INTO announcements(title, body, created_at) VALUES(?, ?, ?)", {textCut(title, 70), a[1], nowText()});
        std::printf("announcement %lld\n", static_cast<long long>(storeLastId(st)));
        return 0;
    }
    if (cmd == "announcements" && a.size() == 1) return printRows(storeRows(st, "SELECT id, created_at, title FROM announcements ORDER BY id")), 0;
    if (cmd == "unannounce" && a.size() == 2) return storeExec(st, "DELETE FROM announcements WHERE id = ?", Json::array({number(a[1])})), 0;
    if (cmd == "submissions") return submissions(st, a);
    if (cmd == "accept") return accept(st, a);
    if (cmd == "decline") return decline(st, a);
    if (cmd == "reports" && a.size() == 1) {
        printRows(storeRows(st, "SELECT id, created_at, alias, board || '/' || user, kind, target, reason, note FROM reports "
                                "ORDER BY id DESC LIMIT ?", Json::array({LIST_MAX})));
        return 0;
    }
    if (cmd == "feedback" && a.size() == 1) {
        printRows(storeRows(st, "SELECT 'feedback', created_at, alias, board || '/' || user, text FROM feedback UNION ALL "
                                "SELECT 'reply to ' || letter_id, created_at, alias, board || '/' || user, text FROM replies "
                                "ORDER BY 2 DESC LIMIT ?", Json::array({LIST_MAX})));
        return 0;
    }
    if (cmd == "players" && a.size() == 1) {
        printRows(storeRows(st, "SELECT board || '/' || user, alias, last_seen, CASE WHEN banned IS NOT NULL THEN 'banned: ' || banned "
                                "WHEN timeout_until > ? THEN 'timed out' ELSE '' END FROM players ORDER BY last_seen DESC LIMIT ?",
                            {static_cast<int64_t>(std::time(nullptr)), LIST_MAX}));
        return 0;
    }
    if (cmd == "mail" || cmd == "ban" || cmd == "unban" || cmd == "timeout") return player(st, a);
    if (cmd == "shutdown") return shutdown(st, a);
    return usage();
}

}  // namespace

std::string adminTaleText(const Json& submission) {
    std::map<std::string, std::string> gaps;  // "{N}" -> "{TYPE:hint}"
    if (const Json* blanks = jsArr(submission, "blanks")) {
        for (const Json& b : *blanks) {
            std::string type, hint;
            for (char c : jsStr(b, "type")) {
                if (c != '{' && c != '}' && c != ':') type += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            for (char c : jsStr(b, "hint")) {
                if (c != '{' && c != '}') hint += c;
            }
            if (!type.empty()) gaps["{" + std::to_string(jsInt(b, "n")) + "}"] = "{" + type + (hint.empty() ? "" : ":" + hint) + "}";
        }
    }
    std::string story = jsStr(submission, "storyText"), text;
    for (size_t i = 0; i < story.size();) {
        size_t close = story[i] == '{' ? story.find('}', i) : std::string::npos;
        auto gap = close == std::string::npos ? gaps.end() : gaps.find(story.substr(i, close - i + 1));
        if (gap == gaps.end()) {
            text += story[i++];
            continue;
        }
        text += gap->second;
        i = close + 1;
    }
    return text;
}

int adminRun(Store* st, int argc, char** argv) {
    Args a(argv, argv + argc);
    if (a.empty()) return usage();
    // Every command reads and writes in one transaction: two sysops accepting
    // at once cannot both take the same tale id.
    if (!storeBegin(st)) return refuse("the data file is busy; try again");
    int code = run(st, a);
    if (!storeCommit(st)) code = refuse("the change was not saved");
    return code;
}

int adminMain(int argc, char** argv, const std::string& defaultData) {
    std::string path = defaultData;
    bool named = argc >= 2 && std::string(argv[0]) == "--data";
    if (named) path = argv[1];
    std::string error;
    Store* st = storeOpen(path, STORE_ADMIN_BUSY_MS, &error);
    if (!st) return refuse(error);
    int code = adminRun(st, argc - (named ? 2 : 0), argv + (named ? 2 : 0));
    storeClose(st);
    return code;
}
