#include "mailbox.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "gate.h"
#include "store.h"

namespace {

constexpr size_t REPLY_MAX = 2000;        // a reply longer than this is cut
constexpr const char* HOUSE_SENDER = "Wordwhirl House";

// The house's own letters: the player is told by the reply that caused them.
void addLetter(House* h, const Session& s, const std::string& subject, const std::string& body, bool replies) {
    storeAddLetter(h->store, s.bbsId, s.userId, HOUSE_SENDER, subject, body, replies, true);
}

// The welcome letter, on the first look at the mailbox.
void welcomeOnce(House* h, const Session& s) {
    std::vector<Json> p = storeRows(h->store, "SELECT welcomed FROM players WHERE board = ? AND user = ?", {s.bbsId, s.userId});
    if (!p.empty() && p[0][0] == 1) return;
    addLetter(h, s, "Welcome to the house!",
              "Hello " + s.name + ",\n\nWelcome to the Wordwhirl house. Sit at a table, fill in the gaps "
              "without peeking, and laugh at the story you all wrote together. If nobody else is around, "
              "the house bots will happily play along.\n\nPress R to write back - we read every letter.",
              true);
    storeExec(h->store, "UPDATE players SET welcomed = 1 WHERE board = ? AND user = ?", {s.bbsId, s.userId});
}

// id, read, sender, subject, created_at, body, takes_reply, replied_at of one of the caller's letters.
constexpr const char* LETTER_COLUMNS = "SELECT id, read, sender, subject, created_at, body, takes_reply, replied_at FROM letters ";

Json letterJson(const Json& r) {
    Json j = {{"id", r[0]}, {"read", r[1]}, {"sender_label", r[2]}, {"subject", r[3]}, {"created_at", r[4]}, {"body", r[5]}};
    if (r[6] == 1) j["reply_to"] = "house";
    if (r[7].is_string()) j["replied_at"] = r[7];
    return j;
}

void logRequest(const char* what, const Session& s, const Json& data) {
    std::fprintf(stderr, "house: %s from %s: %s\n", what, s.name.c_str(), jsonLine(data).substr(0, 300).c_str());
}

Json section(const char* title, const char* key, Json entries) {
    return {{"title", title}, {"key", key}, {"entries", entries}};
}

}  // namespace

void mailList(House* h, int session, const Json&) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    welcomeOnce(h, *s);
    Json list = Json::array();
    for (const Json& r : storeRows(h->store, (std::string(LETTER_COLUMNS) + "WHERE board = ? AND user = ? ORDER BY id DESC LIMIT ?").c_str(),
                                   {s->bbsId, s->userId, STORE_MAIL_KEEP})) {
        list.push_back(letterJson(r));
    }
    sendReply(h, session, 6, {{"ok", true}, {"mail", list}});
}

void mailMarkRead(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    storeExec(h->store, "UPDATE letters SET read = 1 WHERE id = ? AND board = ? AND user = ?", {jsInt(data, "id", -1), s->bbsId, s->userId});
}

void mailDelete(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    storeExec(h->store, "DELETE FROM letters WHERE id = ? AND board = ? AND user = ?", {jsInt(data, "id", -1), s->bbsId, s->userId});
}

void mailReply(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    int64_t id = jsInt(data, "id", -1);
    std::vector<Json> l = storeRows(h->store, "SELECT takes_reply FROM letters WHERE id = ? AND board = ? AND user = ?",
                                    {id, s->bbsId, s->userId});
    std::string text = textCut(jsStr(data, "text"), REPLY_MAX);
    const char* error = l.empty() ? "That letter is gone." : l[0][0] != 1 ? "That letter doesn't take replies."
                        : text.find_first_not_of(" \n") == std::string::npos ? "Write something first." : nullptr;
    if (error) {
        sendReply(h, session, 13, {{"ok", false}, {"error", error}});
        return;
    }
    std::string now = storeTimeText(std::time(nullptr));
    storeExec(h->store, "UPDATE letters SET replied_at = ? WHERE id = ?", {now, id});
    storeExec(h->store, "INSERT INTO replies(letter_id, board, user, alias, text, created_at) VALUES(?, ?, ?, ?, ?, ?)",
              {id, s->bbsId, s->userId, s->name, text, now});
    logRequest("mail reply", *s, text);
    sendReply(h, session, 13, {{"ok", true}});
    addLetter(h, *s, "Thanks for writing!",
              "We got your letter, " + s->name + ". The house staff is small (it's mostly bots), but every "
              "letter is read. Have fun at the tables!",
              false);
    sendEvent(h, session, "mail:new", Json::object());
}

void careHubGet(House* h, int session, const Json&) {
    if (!sessionOf(h, session)) return;
    Json urgent = {{"title", "Right now"}, {"key", "U"}, {"urgent", true},
                   {"entries", Json::array({{{"name", "Emergency services"}, {"contact", "Call your local emergency number"}},
                                            {{"name", "Someone you trust"}, {"contact", "A friend, family or your doctor"}}})}};
    Json talk = section("Somebody to talk to", "T",
                        Json::array({{{"name", "Your Sysop"}, {"note", "Knows this board and its people."},
                                      {"contact", "Leave a message on the board"}},
                                     {{"name", "A local helpline"}, {"note", "Most countries have a free, confidential line."},
                                      {"contact", "Your phone book or health service lists it"}}}));
    Json play = section("Playing kindly", "P",
                        Json::array({{{"name", "Somebody unkind at a table?"}, {"note", "Leave the table and report them; a person will look."},
                                      {"contact", "Type /report name at the table"}},
                                     {{"name", "Need a break?"}, {"note", "The tales will still be here tomorrow."}}}));
    Json hub = {{"intro", "The Care Hub lists places to turn to when things feel heavy. This is the local house "
                          "service: the real service shows listings checked for your country."},
                {"disclaimer", "These listings are general pointers, not advice. In danger, call your local emergency number."},
                {"sections", Json::array({urgent, talk, play})}};
    sendReply(h, session, 10, {{"ok", true}, {"hub", hub}});
}

void feedbackSubmit(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    logRequest("feedback", *s, data);
    storeExec(h->store, "INSERT INTO feedback(board, user, alias, text, created_at) VALUES(?, ?, ?, ?, ?)",
              {s->bbsId, s->userId, s->name, jsStr(data, "text"), storeTimeText(std::time(nullptr))});
    sendReply(h, session, 3, {{"ok", true}});
}

void submissionSubmit(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    bool agreed = jsBool(data, "agreedToTerms");
    bool hasText = !jsStr(data, "storyText").empty() && !jsStr(data, "title").empty();
    if (!agreed || !hasText) {
        sendReply(h, session, 7, {{"ok", false}, {"error", agreed ? "A story needs a title and some text." : "Please agree to the terms first."}});
        return;
    }
    logRequest("story submission", *s, data);
    storeExec(h->store, "INSERT INTO submissions(board, user, alias, title, category, request, created_at) VALUES(?, ?, ?, ?, ?, ?, ?)",
              {s->bbsId, s->userId, s->name, jsStr(data, "title"), jsStr(data, "category"), jsonLine(data),
               storeTimeText(std::time(nullptr))});
    sendReply(h, session, 7, {{"ok", true}});
}

void reportSubmit(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    logRequest("report", *s, data);
    // A tale report names no tale (templateId is always 0): the one the caller has in play is meant.
    std::string target = jsStr(data, "targetSocketId"), kind = data.contains("targetSocketId") ? "player" : "tale";
    if (kind == "player") {
        Session* who = target.size() > 1 ? sessionOf(h, std::atoi(target.c_str() + 1)) : nullptr;
        if (who) target = who->name + " (" + playerKey(*who) + ")";
    } else {
        int taleId = s->roomId && h->rooms.count(s->roomId) ? h->rooms[s->roomId].round.taleId : s->soloTaleId;
        const Tale* t = taleById(h->lib, taleId);
        target = t ? std::to_string(t->id) + " " + t->title : "";
    }
    storeExec(h->store, "INSERT INTO reports(board, user, alias, kind, target, reason, note, created_at) VALUES(?, ?, ?, ?, ?, ?, ?, ?)",
              {s->bbsId, s->userId, s->name, kind, target, jsStr(data, "reason"), jsStr(data, "note"), storeTimeText(std::time(nullptr))});
    sendReply(h, session, 9, {{"ok", true}});
}

void noteOnly(House* h, int session, const Json& data) {
    if (Session* s = sessionOf(h, session)) logRequest("note", *s, data);
}
