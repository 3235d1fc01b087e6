// Requests as the service gets them: whole lines off the other end of a socketpair.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/requests.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "support/service_pair.h"

namespace {

const JsonNode* parseLine(const std::string& line) {
    static JsonDocument* doc = new JsonDocument;
    return jsonParse(doc, line.c_str());
}

// The longest start of text whose escaped form (quote and backslash take
// two characters) stays within max: what a cut that never splits a pair keeps.
std::string keptOf(const std::string& text, size_t max) {
    size_t used = 0, i = 0;
    for (; i < text.size(); i++) {
        size_t cost = text[i] == '"' || text[i] == '\\' ? 2 : 1;
        if (used + cost > max) break;
        used += cost;
    }
    return text.substr(0, i);
}

// ---------------------------------------------------------------------------

struct ActionCase {
    const char* what;
    std::function<void(ClientState*)> setup;
    std::function<void(ClientState*)> act;
    std::vector<std::string> sent;
    int32_t screenAfter;  // -1: the screen stays as set up
    const char* notice;   // "" = none
};

TEST(RequestsTest, ActionsSendExactLinesAndLeaveScreenAndNotice) {
    auto none = [](ClientState*) {};
    auto tables = [](ClientState* s) {
        s->tableCount = 3;
        s->tables[0] = TableRecord{"LOCKED1", "A", "", 1, 6, 1, 0, 0};
        s->tables[1] = TableRecord{"FULLONE", "B", "", 4, 4, 0, 0, 0};
        s->tables[2] = TableRecord{"OPEN123", "C", "", 2, 6, 0, 0, 0};
    };
    const std::vector<ActionCase> cases = {
        {"join cuts the code to 7", none, [](ClientState* s) { joinTable(s, "ABC1234XYZ"); },
         {emitAck("room:join", 4, R"({"code":"ABC1234"})")}, -1, "Pulling up a chair..."},
        {"join escapes first, then cuts to 7", none, [](ClientState* s) { joinTable(s, "ab\"cdefgh"); },
         {emitAck("room:join", 4, R"({"code":"ab\"cde"})")}, -1, "Pulling up a chair..."},
        {"join never cuts inside a pair", none, [](ClientState* s) { joinTable(s, "abcdef\\x"); },
         {emitAck("room:join", 4, R"({"code":"abcdef"})")}, -1, "Pulling up a chair..."},
        {"join without a code", none, [](ClientState* s) { joinTable(s, ""); }, {}, -1,
         "That table is no longer there."},
        {"quick seat skips locked and full tables", tables, quickSeat,
         {emitAck("room:join", 4, R"({"code":"OPEN123"})")}, -1, "Pulling up a chair..."},
        {"quick seat with no free table asks for the list", none, quickSeat,
         {emit("lobby:refresh", "{}")}, -1, "Finding you a table..."},
        {"new table",
         [](ClientState* s) { s->pickerMode = 2; copyText(s->createName, "Bob's \"Den\""); s->createLocked = 1; },
         [](ClientState* s) { pickerChoose(s, "Animals", 0, "Animals"); },
         {emitAck("room:create", 5,
                  R"({"name":"Bob's \"Den\"","isPublic":true,"locked":true,"maxPlayers":6,)"
                  R"("roundRobinPicking":false,"category":"Animals","storyId":0})")},
         SCR_TABLE, "Setting your table..."},
        {"turn pick with no category", [](ClientState* s) { s->pickerMode = 3; },
         [](ClientState* s) { pickerChoose(s, "", 0, "Surprise Me"); }, {emit("category:pick", "{}")},
         SCR_TABLE, "Here we go..."},
        {"turn pick of a category", [](ClientState* s) { s->pickerMode = 3; },
         [](ClientState* s) { pickerChoose(s, "Space \\ Time", 0, "Space"); },
         {emit("category:pick", R"({"category":"Space \\ Time"})")}, SCR_TABLE, "Here we go..."},
        {"turn pick of a tale", [](ClientState* s) { s->pickerMode = 3; },
         [](ClientState* s) { pickerChoose(s, "Space", 42, "Moon"); },
         {emit("category:pick-story", R"({"storyId":42})")}, SCR_TABLE, "Here we go..."},
        {"host changes the preset", [](ClientState* s) { s->pickerMode = 1; },
         [](ClientState* s) { pickerChoose(s, "Space", 7, "Moon Walk"); },
         {emit("room:update-preset", R"({"category":"Space","storyId":7})")}, SCR_TABLE,
         "Your table will play that one."},
        {"solo pick sends nothing here", none, [](ClientState* s) { pickerChoose(s, "Space", 7, "M"); }, {},
         -1, ""},
        {"cancel a preset change", [](ClientState* s) { s->pickerMode = 1; }, pickerCancel, {}, SCR_TABLE, ""},
        {"cancel a new table", [](ClientState* s) { s->pickerMode = 2; }, pickerCancel,
         {emit("presence:zone", "\"lounge\""), emit("lobby:refresh", "{}")}, SCR_LOUNGE, ""},
        {"a turn cannot be cancelled", [](ClientState* s) { s->pickerMode = 3; }, pickerCancel, {}, -1,
         "It's your turn - pick one, or press * for a surprise."},
        {"cancel a solo pick", none, pickerCancel, {emit("presence:zone", "\"welcome\"")}, SCR_MAIN_MENU, ""},
        {"report during a round waits", [](ClientState* s) { s->screen = SCR_REVEAL; },
         [](ClientState* s) { EXPECT_TRUE(reportBegin(s)); }, {emit("report:begin", "{}")}, SCR_REVEAL,
         "Noted. Your report will open when this game is done."},
        {"report while seated asks to leave",
         [](ClientState* s) { s->screen = SCR_TABLE; s->inRoom = 1; },
         [](ClientState* s) { EXPECT_TRUE(reportBegin(s)); EXPECT_EQ(s->leaveReportPrompt, 1); },
         {emit("report:begin", "{}")}, SCR_TABLE, ""},
        {"report from the Lounge opens at once", [](ClientState* s) { s->screen = SCR_LOUNGE; },
         [](ClientState* s) { EXPECT_FALSE(reportBegin(s)); }, {emit("report:begin", "{}")}, SCR_LOUNGE, ""},
        {"refused word brings the prompt back",
         [](ClientState* s) {
             s->screen = SCR_REVEAL;
             s->promptCount = 2;
             s->blankIds[1] = 9;
             copyText(s->promptTypes[1], "noun");
             copyText(s->answers[1], "rude");
         },
         [](ClientState* s) {
             wordRejected(s, 9, "");
             EXPECT_EQ(s->answers[1][0], 0);
             EXPECT_EQ(s->promptIndex, 1);
             EXPECT_STREQ(s->shownPromptType, "noun");
         },
         {emit("presence:zone", "\"solo\"")}, SCR_WORD_ENTRY, "That word can't be used here - try another one."},
        {"refused word at a table keeps the service's words",
         [](ClientState* s) { s->screen = SCR_WORD_ENTRY; s->inRoom = 1; },
         [](ClientState* s) { wordRejected(s, 3, "Not that one."); }, {}, SCR_WORD_ENTRY, "Not that one."},
        {"leaving asks nothing back and forgets the seat", [](ClientState* s) { s->inRoom = s->isHost = 1; },
         [](ClientState* s) { leaveTable(s); EXPECT_EQ(s->inRoom + s->isHost, 0); },
         {emit("room:leave", "{}")}, -1, ""},
        {"chat at the table", [](ClientState* s) { s->inRoom = 1; },
         [](ClientState* s) { requestChat(s, "hi \"all\""); }, {emit("room:chat", R"("hi \"all\"")")}, -1, ""},
        {"emote in the Lounge", none, [](ClientState* s) { requestEmote(s, "waves"); },
         {emit("lobby:emote", R"({"text":"waves"})")}, -1, ""},
        {"lock toggles", [](ClientState* s) { s->roomLocked = 1; }, requestSetLock,
         {emit("room:set-lock", R"({"on":false})")}, -1, ""},
        {"kick cuts the name at 40 without splitting a pair", none,
         [](ClientState* s) { requestKick(s, (std::string(39, 'k') + "\"tail").c_str()); },
         {emit("host:kick", "{\"name\":\"" + std::string(39, 'k') + "\"}")}, -1, ""},
        {"knock reply", [](ClientState* s) { copyText(s->joinRequestKnockId, "kn-1"); },
         [](ClientState* s) { requestKnockReply(s, 1); },
         {emit("room:knock-reply", R"({"knockId":"kn-1","allow":true})")}, -1, ""},
        {"invite turned down", [](ClientState* s) { copyText(s->inviteFromId, "p9"); }, requestInviteReply,
         {emit("room:invite-reply", R"({"fromId":"p9"})")}, -1, "You turned the invite down."},
        {"rating", [](ClientState* s) { s->rateStoryId = 31; }, [](ClientState* s) { requestRateStory(s, -1); },
         {emit("story:rate", R"({"storyId":31,"rating":-1})")}, -1, ""},
        {"word check", none, [](ClientState* s) { requestWordCheck(s, "gr\\een"); },
         {emitAck("word:check", 11, R"({"text":"gr\\een"})")}, -1, ""},
        {"solo start", none, [](ClientState* s) { requestSoloStart(s, 12); },
         {emitAck("solo:start", 1, R"({"templateId":12})")}, -1, "Fetching your story..."},
        {"plain requests carry their notices", none,
         [](ClientState* s) { sendRequest(s, REQ_VOTE_DONE, nullptr); requestMailDelete(s, 5); },
         {emit("vote:done", "{}"), emit("mail:delete", R"({"id":5})")}, -1, "Deleted."},
        {"stories and actions commands", none,
         [](ClientState* s) { requestStories(s, "Sci \"Fi\"", 0); requestActions(s); },
         {R"({"cmd":"stories","category":"Sci \"Fi\"","offset":0})", R"({"cmd":"actions","offset":0})"}, -1,
         ""},
    };
    for (const ActionCase& c : cases) {
        SCOPED_TRACE(c.what);
        WiredState w;
        ClientState* s = w.state.get();
        c.setup(s);
        int32_t before = s->screen;
        c.act(s);
        std::vector<std::string> sent = w.lines();
        EXPECT_EQ(sent, c.sent);
        for (const std::string& line : sent) EXPECT_NE(parseLine(line), nullptr) << line;
        EXPECT_EQ(s->screen, c.screenAfter < 0 ? before : c.screenAfter);
        EXPECT_STREQ(s->noticeText, c.notice);
    }
}

// ---------------------------------------------------------------------------

struct EnterCase {
    int32_t screen;
    std::function<void(ClientState*)> setup;
    std::vector<std::string> sent;
};

TEST(RequestsTest, EnterScreenSendsWhatTheScreenNeeds) {
    auto none = [](ClientState*) {};
    const std::vector<EnterCase> cases = {
        {SCR_MAIN_MENU, none, {emit("presence:zone", "\"welcome\"")}},
        {SCR_LOUNGE, none, {emit("presence:zone", "\"lounge\""), emit("lobby:refresh", "{}")}},
        {SCR_MAILBOX, none, {emitAck("mail:list", 6, "{}")}},
        {SCR_CARE_HUB, none, {emitAck("carehub:get", 10, "{}")}},
        {SCR_CARE_HUB, [](ClientState* s) { s->careLoaded = 1; }, {}},
        {SCR_CARE_HUB, [](ClientState* s) { s->careRequested = 1; }, {}},
        {SCR_WORD_ENTRY, none, {emit("presence:zone", "\"solo\"")}},
        {SCR_WORD_ENTRY, [](ClientState* s) { s->inRoom = 1; }, {}},
        {SCR_CATEGORY_PICK, none, {emit("presence:zone", "\"solo\"")}},
        {SCR_TALE_PICK, [](ClientState* s) { s->pickerMode = 2; }, {}},
        {SCR_STORY_CATEGORY, none, {emit("lobby:refresh", "{}")}},
        {SCR_STORY_CATEGORY, [](ClientState* s) { s->categoryCount2 = 3; }, {}},
        {SCR_TABLE, none, {}},
        {SCR_WELCOME, none, {}},
    };
    for (const EnterCase& c : cases) {
        SCOPED_TRACE(c.screen);
        WiredState w;
        ClientState* s = w.state.get();
        c.setup(s);
        copyText(s->inputLine, "typed");
        s->inputLen = 5;
        copyText(s->noticeText, "old notice");
        enterScreen(s, c.screen);
        EXPECT_EQ(w.lines(), c.sent);
        EXPECT_EQ(s->screen, c.screen);
        EXPECT_EQ(s->fullRedraw, 1);
        EXPECT_EQ(s->inputLen, 0);
        EXPECT_STREQ(s->inputLine, "");
        EXPECT_STREQ(s->noticeText, "");
    }
}

TEST(RequestsTest, LightGoToSendsNothingAndResetsNothingElse) {
    for (int32_t screen = SCR_WELCOME; screen <= SCR_LAST; screen++) {
        SCOPED_TRACE(screen);
        WiredState w;
        ClientState* s = w.state.get();
        s->wordDeadline = 77;
        s->readScroll = 3;
        s->storyLineCount = 2;
        copyText(s->inputLine, "typed");
        s->inputLen = 5;
        copyText(s->noticeText, "old");
        goToScreen(s, screen);
        EXPECT_TRUE(w.lines().empty());
        EXPECT_EQ(s->screen, screen);
        EXPECT_EQ(s->fullRedraw, 1);
        EXPECT_EQ(s->inputLen, 0);
        EXPECT_STREQ(s->noticeText, "");
        EXPECT_EQ(s->wordDeadline, 77u);
        EXPECT_EQ(s->readScroll + s->storyLineCount, 5);
    }
}

// ---------------------------------------------------------------------------

// Answers with quotes or backslashes running across the 60-character cut,
// starting at odd and even places so the cut meets both halves of a pair.
std::string longAnswer(int i) {
    std::string text(63, (char)('a' + i % 26));
    const char special = i % 2 ? '"' : '\\';
    for (size_t at = 50 + (size_t)(i % 11); at < 63; at += 2) text[at] = special;
    if (i % 5 == 0) text = std::string((size_t)(i % 7), 'x') + std::string((size_t)(63 - i % 7), '"');
    return text;
}

TEST(RequestsTest, AnswersOfAFullRoundAreValidJsonAndCutOnlyBetweenPairs) {
    WiredState w;
    ClientState* s = w.state.get();
    s->inRoom = 1;
    s->promptCount = MAX_PROMPTS;
    for (int i = 0; i < MAX_PROMPTS; i++) {
        s->blankIds[i] = 2147483647 - i;  // the widest ids
        if (i + 1 < MAX_PROMPTS) copyText(s->answers[i], longAnswer(i).c_str());
    }
    s->promptIndex = MAX_PROMPTS - 1;
    submitWord(s, longAnswer(MAX_PROMPTS - 1).c_str());

    std::vector<std::string> sent = w.lines();
    ASSERT_EQ(sent.size(), 1u);
    const JsonNode* root = parseLine(sent[0]);
    ASSERT_NE(root, nullptr) << sent[0].substr(0, 200);
    EXPECT_STREQ(jsonGetString(root, "name", ""), "submit:answers");
    EXPECT_EQ(jsonGetInt(root, "ackId", 0), 12);
    const JsonNode* answers = jsonGet(jsonGet(root, "data"), "answers");
    ASSERT_NE(answers, nullptr);
    int i = 0;
    for (const JsonNode* a = answers->firstChild; a; a = a->next, i++) {
        ASSERT_LT(i, MAX_PROMPTS);
        EXPECT_EQ(std::string(a->key), std::to_string(2147483647 - i));
        EXPECT_EQ(std::string(a->text), keptOf(longAnswer(i), 60)) << i;
    }
    EXPECT_EQ(i, MAX_PROMPTS);
}

TEST(RequestsTest, SubmitWordBeyondTheLastOverwritesItAndSendsAlone) {
    WiredState w;
    ClientState* s = w.state.get();
    s->promptCount = 2;
    s->blankIds[0] = 4;
    s->blankIds[1] = 8;
    copyText(s->answers[0], "red");
    copyText(s->answers[1], "old");
    s->promptIndex = 5;
    submitWord(s, "fox");
    EXPECT_EQ(w.lines(), std::vector<std::string>{emitAck("solo:submit", 2, R"({"answers":{"4":"red","8":"fox"}})")});
    EXPECT_STREQ(s->noticeText, "Weaving your tale...");

    // The first of two words only moves on to the next prompt.
    s->promptIndex = 0;
    copyText(s->promptTypes[1], "animal");
    submitWord(s, "blue");
    EXPECT_TRUE(w.lines().empty());
    EXPECT_EQ(s->promptIndex, 1);
    EXPECT_STREQ(s->shownPromptType, "animal");
}

// ---------------------------------------------------------------------------

struct RenumberCase {
    const char* line;
    int32_t before;  // gaps numbered in earlier lines
    const char* out;
    int32_t after;
};

TEST(RequestsTest, StoryGapsAreRenumberedAcrossTheStory) {
    const RenumberCase cases[] = {
        {"The {adjective} {animal: farm} sat {}", 0, "The {1} {2} sat {}", 2},
        {"A {adjective:describe it} cat met {noun}.", 0, "A {1} cat met {2}.", 2},
        {"{}{noun}", 0, "{}{1}", 1},
        {"{ {noun}", 0, "{ {1}", 1},
        {"{:hint} and {noun", 0, "{:hint} and {noun", 0},
        {"{a{noun}} end {", 3, "{a{4}} end {", 4},
        {"{verb:run: fast} then {x}", 8, "{9} then {10}", 10},
        {"{a} {b} {c}", 29, "{30} {b} {c}", 30},
        {"{a} {b}", 30, "{a} {b}", 30},
    };
    for (const RenumberCase& c : cases) {
        SCOPED_TRACE(c.line);
        char out[STORY_LINE_REWRITTEN_MAX + 1];
        int32_t number = c.before;
        renumberStoryGaps(c.line, &number, out, sizeof out);
        EXPECT_STREQ(out, c.out);
        EXPECT_EQ(number, c.after);
    }
}

TEST(RequestsTest, SubmissionCarriesRenumberedTextAndTheGapList) {
    WiredState w;
    ClientState* s = w.state.get();
    copyText(s->storyTitle, "The \"Big\" Day");
    copyText(s->storyLines[0], "The {adjective} {animal: farm} sat {}");
    copyText(s->storyLines[1], "on a \\ {noun}.");
    s->storyLineCount = 2;
    copyText(s->storyCategory, "Animals");
    s->storyRequestedCategory[0] = 1;  // asked for, nothing typed
    copyText(s->storyRating, "PG");
    copyText(s->storyEmail, "me@example.org");
    requestSubmission(s);

    std::vector<std::string> sent = w.lines();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_STREQ(s->noticeText, "Sending your story...");
    const JsonNode* root = parseLine(sent[0]);
    ASSERT_NE(root, nullptr) << sent[0];
    EXPECT_EQ(jsonGetInt(root, "ackId", 0), 7);
    const JsonNode* data = jsonGet(root, "data");
    EXPECT_STREQ(jsonGetString(data, "title", ""), "The \"Big\" Day");
    EXPECT_STREQ(jsonGetString(data, "storyText", ""), "The {1} {2} sat {}\non a \\ {3}.");
    EXPECT_STREQ(jsonGetString(data, "requestedCategory", "?"), "");
    EXPECT_STREQ(jsonGetString(data, "termsMethod", ""), "typed-i-agree");
    EXPECT_EQ(jsonGetBool(data, "agreedToTerms", 0), 1);
    const JsonNode* blanks = jsonGet(data, "blanks");
    ASSERT_NE(blanks, nullptr);
    std::vector<std::string> listed;
    for (const JsonNode* b = blanks->firstChild; b; b = b->next)
        listed.push_back(std::to_string(jsonGetInt(b, "n", 0)) + jsonGetString(b, "type", "") + "/" +
                         jsonGetString(b, "hint", ""));
    EXPECT_EQ(listed, (std::vector<std::string>{"1adjective/", "2animal/farm", "3noun/"}));
}

TEST(RequestsTest, TheThirtyFirstGapStaysAsTyped) {
    WiredState w;
    ClientState* s = w.state.get();
    for (int line = 0; line < 4; line++) {
        std::string text;
        for (int g = 0; g < 8; g++) text += "{w} ";
        copyText(s->storyLines[line], text.c_str());
    }
    s->storyLineCount = 4;
    requestSubmission(s);
    std::vector<std::string> sent = w.lines();
    ASSERT_EQ(sent.size(), 1u);
    const JsonNode* data = jsonGet(parseLine(sent[0]), "data");
    ASSERT_NE(data, nullptr);
    std::string text = jsonGetString(data, "storyText", "");
    EXPECT_NE(text.find("{29} {30} {w} {w} "), std::string::npos) << text;
    int listed = 0;
    for (const JsonNode* b = jsonGet(data, "blanks")->firstChild; b; b = b->next) listed++;
    EXPECT_EQ(listed, MAX_STORY_GAPS);
}

// ---------------------------------------------------------------------------

TEST(RequestsTest, NotesJoinEscapedLinesAndStayValid) {
    WiredState w;
    ClientState* s = w.state.get();
    const std::string quotes(72, '"');
    for (int i = 0; i < MAX_FEEDBACK_LINES; i++) copyText(s->feedbackLines[i], quotes.c_str());
    s->feedbackLineCount = MAX_FEEDBACK_LINES;
    requestFeedback(s);
    for (int i = 0; i < MAX_REPLY_LINES; i++) copyText(s->replyLines[i], i % 2 ? "plain" : "back\\slash");
    s->replyLineCount = MAX_REPLY_LINES;
    s->replyToId = 77;
    requestMailReply(s);
    // Twelve lines of quotes escape to far more than the report's 1000.
    for (int i = 0; i < MAX_REPORT_LINES; i++) copyText(s->reportLines[i], quotes.c_str());
    s->reportLineCount = MAX_REPORT_LINES;
    copyText(s->reportTargetId, "sock-1");
    copyText(s->reportReason, "rude");
    requestReport(s);

    std::vector<std::string> sent = w.lines();
    ASSERT_EQ(sent.size(), 3u);
    std::string note;
    for (int i = 0; i < MAX_FEEDBACK_LINES; i++) note += (i ? "\n" : "") + quotes;

    const JsonNode* root = parseLine(sent[0]);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(jsonGetInt(root, "ackId", 0), 3);
    EXPECT_EQ(std::string(jsonGetString(jsonGet(root, "data"), "text", "")), note);
    EXPECT_STREQ(jsonGetString(jsonGet(root, "data"), "source", ""), "bbs");

    root = parseLine(sent[1]);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(jsonGetInt(jsonGet(root, "data"), "id", 0), 77);
    std::string reply = jsonGetString(jsonGet(root, "data"), "text", "");
    EXPECT_EQ(reply.substr(0, 18), "back\\slash\nplain\nb");

    root = parseLine(sent[2]);
    ASSERT_NE(root, nullptr) << sent[2];
    EXPECT_STREQ(jsonGetString(root, "name", ""), "report:player");
    const JsonNode* data = jsonGet(root, "data");
    EXPECT_STREQ(jsonGetString(data, "targetSocketId", ""), "sock-1");
    // 72 quotes escape to 144; with "\n" a line takes 146 of the 1000.
    std::string expected;
    for (int i = 0; i < 6; i++) expected += (i ? "\n" : "") + quotes;
    expected += "\n" + std::string(62, '"');
    EXPECT_EQ(std::string(jsonGetString(data, "note", "")), expected);
}

}  // namespace
