#include "mailbox.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr size_t MAIL_KEEP = 20;          // the door shows at most 20 letters
constexpr size_t REPLY_MAX = 2000;        // a reply longer than this is cut

std::string mailKey(const Session& s) {
    return s.bbsId + "/" + s.userId + "/" + lowerText(s.name);
}

std::string today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

void addLetter(House* h, const std::string& key, const std::string& subject, const std::string& body, bool replies) {
    int& next = h->nextLetterId[key];
    Letter l{++next, false, replies, false, "Wordwhirl House", subject, body, today()};
    std::vector<Letter>& box = h->mail[key];
    box.insert(box.begin(), l);
    if (box.size() > MAIL_KEEP) box.resize(MAIL_KEEP);
}

// The mailbox of a caller, with the welcome letter on the first visit.
std::vector<Letter>* boxOf(House* h, const Session& s) {
    std::string key = mailKey(s);
    if (!h->mail.count(key)) {
        h->mail[key];
        addLetter(h, key, "Welcome to the house!",
                  "Hello " + s.name + ",\n\nWelcome to the Wordwhirl house. Sit at a table, fill in the gaps "
                  "without peeking, and laugh at the story you all wrote together. If nobody else is around, "
                  "the house bots will happily play along.\n\nPress R to write back - we read every letter.",
                  true);
    }
    return &h->mail[key];
}

Letter* letterById(std::vector<Letter>* box, int64_t id) {
    for (Letter& l : *box) {
        if (l.id == id) return &l;
    }
    return nullptr;
}

Json letterJson(const Letter& l) {
    Json j = {{"id", l.id}, {"read", l.read ? 1 : 0}, {"sender_label", l.sender}, {"subject", l.subject},
              {"created_at", l.createdAt}, {"body", l.body}};
    if (l.acceptsReply) j["reply_to"] = "house";
    if (l.replied) j["replied_at"] = l.createdAt;
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
    Json list = Json::array();
    for (const Letter& l : *boxOf(h, *s)) list.push_back(letterJson(l));
    sendReply(h, session, 6, {{"ok", true}, {"mail", list}});
}

void mailMarkRead(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    if (Letter* l = letterById(boxOf(h, *s), jsInt(data, "id", -1))) l->read = true;
}

void mailDelete(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    std::vector<Letter>* box = boxOf(h, *s);
    int64_t id = jsInt(data, "id", -1);
    std::erase_if(*box, [id](const Letter& l) { return l.id == id; });
}

void mailReply(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    Letter* l = letterById(boxOf(h, *s), jsInt(data, "id", -1));
    std::string text = jsStr(data, "text");
    const char* error = !l ? "That letter is gone." : !l->acceptsReply ? "That letter doesn't take replies."
                        : text.find_first_not_of(" \n") == std::string::npos ? "Write something first." : nullptr;
    if (error) {
        sendReply(h, session, 13, {{"ok", false}, {"error", error}});
        return;
    }
    l->replied = true;
    logRequest("mail reply", *s, text.substr(0, REPLY_MAX));
    sendReply(h, session, 13, {{"ok", true}});
    addLetter(h, mailKey(*s), "Thanks for writing!",
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
    sendReply(h, session, 7, {{"ok", true}});
}

void reportSubmit(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    logRequest("report", *s, data);
    sendReply(h, session, 9, {{"ok", true}});
}

void noteOnly(House* h, int session, const Json& data) {
    if (Session* s = sessionOf(h, session)) logRequest("note", *s, data);
}
