#include "solo.h"

#include "words.h"

void soloStart(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    const Tale* t = taleById(h->lib, static_cast<int>(jsInt(data, "templateId", 0)));
    if (!t) {
        sendReply(h, session, 1, {{"ok", false}, {"error", "That story is not on the shelf."}});
        return;
    }
    s->soloTaleId = t->id;
    Json blanks = Json::array();
    for (const TaleBlank& b : t->blanks) blanks.push_back({{"n", b.n}, {"type", b.type}, {"hint", b.hint}});
    sendReply(h, session, 1, {{"ok", true}, {"title", t->title}, {"category", t->category}, {"blanks", blanks}});
}

void soloSubmit(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    const Tale* t = taleById(h->lib, s->soloTaleId);
    if (!t) {
        sendReply(h, session, 2, {{"ok", false}, {"blankN", -1}, {"error", "Pick a story first."}});
        return;
    }
    const Json* answers = jsObj(data, "answers");
    std::map<int, std::string> words;
    for (const TaleBlank& b : t->blanks) {
        std::string w = tidyWord(answers ? jsStr(*answers, std::to_string(b.n).c_str()) : "");
        const char* error = w.empty() ? "Every gap needs a word." : wordRefused(w) ? "That word can't be used here - try another one." : nullptr;
        if (error) {
            sendReply(h, session, 2, {{"ok", false}, {"blankN", b.n}, {"error", error}});
            return;
        }
        words[b.n] = w;
    }
    s->soloTaleId = 0;
    Json authored = Json::array();  // every word is the caller's, coloured as theirs like at a table
    for (const auto& [n, w] : words) authored.push_back({{"n", n}, {"value", w}, {"authorId", pidOf(*s)}});
    sendReply(h, session, 2, {{"ok", true}, {"title", t->title}, {"storyId", t->id}, {"text", taleFill(*t, words)}, {"words", authored}});
}

void wordCheck(House* h, int session, const Json& data) {
    if (!sessionOf(h, session)) return;
    sendReply(h, session, 11, {{"ok", true}, {"blocked", wordRefused(jsStr(data, "text"))}});
}
