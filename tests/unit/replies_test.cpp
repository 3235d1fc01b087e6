// Replies per acknowledgement number: the state, screen, notice and requests that
// follow (the service is a socket pair). Also the care hub layout and line wrapper.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/replies.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "support/service_pair.h"

namespace {

using Lines = std::vector<std::string>;

struct Replies : ServiceTest {
    void SetUp() override {
        ServiceTest::SetUp();
        state->rateGiven = 2;
        state->categorySel = -1;
        state->careSectionOpen = -1;
    }

    // A round of three prompts (blanks 5, 6, 7), the caller at the second.
    void roundAtSecondPrompt(int32_t seated) {
        state->inRoom = seated;
        state->screen = SCR_WORD_ENTRY;
        state->promptCount = 3;
        const char* types[] = {"noun", "verb", "animal"};
        for (int32_t i = 0; i < 3; i++) {
            state->blankIds[i] = 5 + i;
            copyText(state->promptTypes[i], types[i]);
        }
        copyText(state->answers[0], "moon");
        state->promptIndex = 1;
        state->shownPromptIndex = 1;
        copyText(state->shownPromptType, "verb");
        copyText(state->pendingWord, "dance");
        copyText(state->wordInputEcho, "dance");
        state->wordCheckPending = 1;
    }
};

const std::string PRESENCE_SOLO = emit("presence:zone", "\"solo\"");
const std::string PRESENCE_ROOM = emit("presence:zone", "\"room\"");
const std::string PRESENCE_LOUNGE = emit("presence:zone", "\"lounge\"");
const std::string LOBBY_REFRESH = emit("lobby:refresh", "{}");

// One reply case: how the state stands before, the reply, and what follows.
struct ReplyCase {
    const char* what;
    int32_t ack;
    std::function<void(ClientState*)> before;  // may be empty
    std::string data;
    int32_t screen;  // expected afterwards
    const char* notice;
    Lines requests;
    std::function<void(const ClientState&)> after;  // further checks; may be empty
};

void runCases(Replies* t, const std::vector<ReplyCase>& cases) {
    for (const ReplyCase& c : cases) {
        t->TearDown();  // a fresh state on a fresh socket pair for every case
        t->state.reset(new ClientState{});
        t->SetUp();
        t->state->screen = SCR_MAIN_MENU;
        if (c.before) c.before(t->state.get());
        t->sentLines();
        t->feed(c.ack, c.data);
        EXPECT_EQ(t->state->screen, c.screen) << c.what;
        EXPECT_STREQ(t->state->noticeText, c.notice) << c.what;
        EXPECT_EQ(t->sentLines(), c.requests) << c.what;
        if (c.after) c.after(*t->state);
    }
}

TEST_F(Replies, NumbersNoRequestCarriesChangeNothing) {
    state->screen = SCR_LOUNGE;
    std::unique_ptr<ClientState> copy(new ClientState);
    memcpy(copy.get(), state.get(), sizeof(ClientState));
    const std::string everything =
        R"({"ok":false,"error":"E","mail":[{"id":1}],"blanks":[{"n":1}],"blocked":true,"hub":{}})";
    for (int32_t ack : {0, 8, -1, -13, 14, 99, 2147483647}) {
        replyDispatch(state.get(), ack, nullptr);
        feed(ack, everything);
        EXPECT_EQ(memcmp(copy.get(), state.get(), sizeof(ClientState)), 0) << ack;
    }
    EXPECT_TRUE(sentLines().empty());
    for (int32_t ack = 1; ack <= 13; ack++) EXPECT_EQ(replyRouteFor(ack) != nullptr, ack != 8) << ack;
}

// A reply with no data at all reads as a failure with no words of its own.
TEST_F(Replies, AReplyWithoutDataIsAFailure) {
    struct Case { int32_t ack; int32_t screen; const char* notice; } cases[] = {
        {1, SCR_MAIN_MENU, "Could not open that story."},
        {3, SCR_FEEDBACK_REVIEW, "Could not send that right now."},
        {5, SCR_LOUNGE, "Could not get you a seat there."},
        {6, SCR_MAIN_MENU, ""},
        {10, SCR_MAIN_MENU, "Could not reach the Care Hub - please try again in a moment."},
        {13, SCR_MAIN_MENU, "That could not be sent - please try again."},
    };
    for (const Case& c : cases) {
        state->screen = SCR_MAIN_MENU;
        state->letterCount = 4;
        setNotice(state.get(), nullptr);
        replyDispatch(state.get(), c.ack, nullptr);
        EXPECT_EQ(state->screen, c.screen) << c.ack;
        EXPECT_STREQ(state->noticeText, c.notice) << c.ack;
        if (c.ack == 6) EXPECT_EQ(state->letterCount, 0);
    }
}

TEST_F(Replies, SoloStartSetsUpTheRoundOrSaysWhy) {
    auto seatedWithARound = [](ClientState* s) {
        s->inRoom = 1;
        s->isHost = 1;
        copyText(s->roomCode, "ABC1234");
        copyText(s->presetLine, "Playing:  Old tale");
        s->playerCount = 3;
        s->wordDeadline = 999;
        s->revealWordCount = 4;
        s->rateStoryId = 12;
        s->rateGiven = 1;
        s->wordsDone = 1;
        copyText(s->wordInputEcho, "half");
        copyText(s->answers[1], "stale");
    };
    runCases(this, {
        {"blanks with numbers and hints", 1, seatedWithARound,
         R"({"ok":true,"blanks":[{"n":4,"type":"noun","hint":"a thing"},{"n":9}]})", SCR_WORD_ENTRY, "",
         {PRESENCE_SOLO},
         [](const ClientState& s) {
             EXPECT_EQ(s.promptCount, 2);
             EXPECT_EQ(s.blankIds[0], 4);
             EXPECT_EQ(s.blankIds[1], 9);
             EXPECT_STREQ(s.promptTypes[1], "A WORD");
             EXPECT_STREQ(s.promptHints[1], "");
             EXPECT_STREQ(s.answers[1], "");
             EXPECT_STREQ(s.shownPromptType, "noun");
             EXPECT_STREQ(s.shownPromptHint, "a thing");
             EXPECT_EQ(s.shownPromptTotal, 2);
             // the table and the last round are forgotten
             EXPECT_EQ(s.inRoom + s.isHost + s.playerCount + s.revealWordCount + s.rateStoryId + s.wordsDone, 0);
             EXPECT_EQ(std::string(s.roomCode) + s.presetLine + s.wordInputEcho, "");
             EXPECT_EQ(s.wordDeadline, 0u);
             EXPECT_EQ(s.rateGiven, 2);
             EXPECT_EQ(s.fullRedraw, 1);
         }},
        {"blanks without numbers count from 1", 1, nullptr,
         R"({"ok":true,"blanks":[{"type":"noun"},{"type":"verb"},{"type":"adverb"}]})", SCR_WORD_ENTRY, "",
         {PRESENCE_SOLO},
         [](const ClientState& s) {
             EXPECT_EQ(s.promptCount, 3);
             for (int32_t i = 0; i < 3; i++) EXPECT_EQ(s.blankIds[i], i + 1);
         }},
        {"no blanks", 1, seatedWithARound, R"({"ok":true,"blanks":[]})", SCR_MAIN_MENU,
         "That story has no blanks - odd!", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.promptCount, 0);
             EXPECT_EQ(s.inRoom, 0) << "the table is forgotten all the same";
         }},
        {"refused with words", 1, seatedWithARound, R"({"ok":false,"error":"Tale retired."})", SCR_MAIN_MENU,
         "Tale retired.", {}, [](const ClientState& s) { EXPECT_EQ(s.inRoom, 1); }},
        {"refused bare", 1, nullptr, R"({"ok":false})", SCR_MAIN_MENU, "Could not open that story.", {}, nullptr},
    });
}

TEST_F(Replies, SoloStartKeepsAtMostAFullRoundOfPrompts) {
    std::string blanks = "[";
    for (int i = 0; i < MAX_PROMPTS + 5; i++) blanks += std::string(i ? "," : "") + "{\"type\":\"noun\"}";
    feed(1, "{\"ok\":true,\"blanks\":" + blanks + "]}");
    EXPECT_EQ(state->promptCount, MAX_PROMPTS);
    EXPECT_EQ(state->blankIds[MAX_PROMPTS - 1], MAX_PROMPTS);
}

TEST_F(Replies, WordsGoInOrComeBack) {
    auto solo = [](ClientState* s) {
        s->inRoom = 0;
        s->screen = SCR_WORD_ENTRY;
        s->promptCount = 2;
        s->blankIds[0] = 3;
        s->blankIds[1] = 8;
        copyText(s->promptTypes[1], "animal");
        copyText(s->answers[1], "yak");
        s->promptIndex = 2;
        copyText(s->roundTitle, "The Old Title");
    };
    runCases(this, {
        {"solo tale back", 2, solo, R"({"ok":true,"title":"The Yak","text":"Once a yak..."})", SCR_SOLO_TALE, "",
         {PRESENCE_SOLO},
         [](const ClientState& s) {
             EXPECT_STREQ(s.roundTitle, "The Yak");
             EXPECT_STREQ(s.soloStory, "Once a yak...");
             EXPECT_EQ(s.promptCount, 0);
             EXPECT_EQ(s.soloScroll, 0);
         }},
        {"solo tale without a title keeps the one held", 2, solo, R"({"ok":true,"text":"x"})", SCR_SOLO_TALE, "",
         {PRESENCE_SOLO}, [](const ClientState& s) { EXPECT_STREQ(s.roundTitle, "The Old Title"); }},
        {"solo word refused", 2, solo, R"({"ok":false,"blankN":8,"error":"Not that one."})", SCR_WORD_ENTRY,
         "Not that one.", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.promptIndex, 1);
             EXPECT_STREQ(s.answers[1], "");
             EXPECT_STREQ(s.shownPromptType, "animal");
         }},
        {"solo refusal without words", 2, solo, R"({"ok":false})", SCR_WORD_ENTRY,
         "That word can't be used here - try another one.", {},
         [](const ClientState& s) { EXPECT_STREQ(s.answers[1], "yak") << "no blank named: nothing undone"; }},
        {"table answers taken", 12,
         [&](ClientState* s) {
             solo(s);
             s->inRoom = 1;
         },
         R"({"ok":true})", SCR_WORD_ENTRY, "", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.promptCount, 0);
             EXPECT_EQ(s.wordsDone, 1);
             EXPECT_EQ(s.contentDirty, 1);
         }},
        {"table answer refused from the reveal", 12,
         [&](ClientState* s) {
             solo(s);
             s->inRoom = 1;
             s->wordsDone = 1;
             s->screen = SCR_TABLE;
         },
         R"({"ok":false,"blankN":3})", SCR_WORD_ENTRY, "That word can't be used here - try another one.", {},
         [](const ClientState& s) { EXPECT_EQ(s.promptIndex + s.wordsDone, 0); }},
    });
}

TEST_F(Replies, WordCheckTakesTheWordUnlessBlocked) {
    const std::string soloSubmit = emitAck("solo:submit", 2, R"({"answers":{"5":"moon","6":"dance","7":"yak"}})");
    const std::string tableSubmit =
        emitAck("submit:answers", 12, R"({"answers":{"5":"moon","6":"dance","7":"yak"}})");
    auto lastPrompt = [this](int32_t seated) {
        return [this, seated](ClientState* s) {
            roundAtSecondPrompt(seated);
            copyText(s->answers[1], "dance");
            s->promptIndex = 2;
            copyText(s->pendingWord, "yak");
        };
    };
    auto second = [this](int32_t seated) {
        return [this, seated](ClientState*) { roundAtSecondPrompt(seated); };
    };
    runCases(this, {
        {"accepted: the next prompt", 11, second(0), R"({"ok":true,"blocked":false})", SCR_WORD_ENTRY, "", {},
         [](const ClientState& s) {
             EXPECT_EQ(std::string(s.answers[1]) + "|" + s.shownPromptType + "|" + s.wordInputEcho, "dance|animal|");
             EXPECT_EQ(s.promptIndex, 2);
             EXPECT_EQ(s.wordCheckPending, 0);
         }},
        {"blocked: the same prompt again", 11, second(0), R"({"ok":true,"blocked":true})", SCR_WORD_ENTRY,
         "That word can't be used here - try another one.", {},
         [](const ClientState& s) {
             EXPECT_EQ(std::string(s.answers[1]) + "|" + s.shownPromptType + "|" + s.wordInputEcho, "|verb|");
             EXPECT_EQ(s.promptIndex, 1);
             EXPECT_EQ(s.inputDirty, 1);
             EXPECT_EQ(s.wordCheckPending, 0);
         }},
        {"a failed check lets the word through", 11, second(1), R"({"ok":false,"blocked":true})", SCR_WORD_ENTRY,
         "", {}, [](const ClientState& s) { EXPECT_STREQ(s.answers[1], "dance"); }},
        {"last word alone: the tale is asked for", 11, lastPrompt(0), R"({"ok":true})", SCR_WORD_ENTRY,
         "Weaving your tale...", {soloSubmit}, nullptr},
        {"last word at a table: answers sent", 11, lastPrompt(1), R"({"ok":true})", SCR_WORD_ENTRY, "",
         {tableSubmit}, nullptr},
        {"last word blocked: nothing sent", 11, lastPrompt(1), R"({"ok":true,"blocked":true})", SCR_WORD_ENTRY,
         "That word can't be used here - try another one.", {},
         [](const ClientState& s) { EXPECT_EQ(s.promptIndex, 2); }},
    });
}

TEST_F(Replies, SeatsAreTakenOrRefused) {
    auto seated = [](ClientState* s) {
        s->inRoom = 1;
        s->screen = SCR_TABLE;
    };
    auto inLounge = [](ClientState* s) {
        s->screen = SCR_LOUNGE;
        setNotice(s, "Pulling up a chair...");
        copyText(s->presetLine, "Playing:  Something");
    };
    const std::string longError(300, 'e'), cutError = longError.substr(0, 255);
    runCases(this, {
        {"joined with the room", 4, inLounge,
         R"({"ok":true,"room":{"code":"QRS7788","name":"Night Owls","players":[{"name":"Ann"},{"name":"Bo"}]}})",
         SCR_TABLE, "", {PRESENCE_ROOM},
         [](const ClientState& s) {
             EXPECT_EQ(s.inRoom, 1);
             EXPECT_EQ(s.isHost, 0);
             EXPECT_EQ(std::string(s.roomCode) + "|" + s.roomName + "|" + s.presetLine, "QRS7788|Night Owls|");
             EXPECT_EQ(s.playerCount, 2);
         }},
        {"created, no room object", 5, inLounge, R"({"ok":true,"room":"QRS7788"})", SCR_TABLE, "", {PRESENCE_ROOM},
         [](const ClientState& s) { EXPECT_EQ(s.inRoom + s.isHost + (int32_t)strlen(s.roomCode), 2); }},
        {"join refused from the main menu lands in the Lounge", 4, nullptr,
         R"({"ok":false,"error":"That table is full."})", SCR_LOUNGE, "That table is full.",
         {PRESENCE_LOUNGE, LOBBY_REFRESH}, nullptr},
        {"create refused bare", 5, inLounge, R"({"ok":false})", SCR_LOUNGE, "Could not get you a seat there.",
         {PRESENCE_LOUNGE, LOBBY_REFRESH}, nullptr},
        {"join refused while seated stays put", 4, seated, "{\"ok\":false,\"error\":\"" + longError + "\"}",
         SCR_TABLE, cutError.c_str(), {}, [](const ClientState& s) { EXPECT_EQ(s.inRoom, 1); }},
    });
}

TEST_F(Replies, MailboxFillsFromTheList) {
    std::string twentyFive = "[";
    for (int i = 0; i < 25; i++) twentyFive += std::string(i ? "," : "") + "{\"id\":" + std::to_string(i) + "}";
    twentyFive += "]";
    auto oldMail = [](ClientState* s) {
        s->letterCount = 3;
        s->unreadCount = 2;
        s->mailRequested = 1;
    };
    runCases(this, {
        {"two letters", 6, oldMail,
         R"({"ok":true,"mail":[{"id":11,"read":1,"sender_label":"Staff","subject":"Hi","created_at":"2026-12-01T10:00:00Z",)"
         R"("body":"Hello","reply_to":"staff@x","replied_at":"2026-12-02"},{"id":12,"reply_to":"","replied_at":7}]})",
         SCR_MAIN_MENU, "", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.letterCount, 2);
             EXPECT_EQ(s.unreadCount, 1);
             EXPECT_EQ(s.mailRequested, 0);
             EXPECT_EQ(s.contentDirty, 1);
             const Letter& a = s.letters[0];
             const Letter& b = s.letters[1];
             EXPECT_EQ(a.id, 11);
             EXPECT_EQ(std::string(a.sender) + "|" + a.subject + "|" + a.date + "|" + a.body,
                       "Staff|Hi|2026-12-01|Hello");
             EXPECT_EQ(std::string(b.sender) + "|" + b.subject + "|" + b.date, "Wordwhirl|(no subject)|");
             EXPECT_EQ(a.acceptsReply + a.replied, 2);
             EXPECT_EQ(b.acceptsReply + b.replied, 0) << "a number is not a reply date";
         }},
        {"no mail member empties the box", 6, oldMail, R"({"ok":true})", SCR_MAIN_MENU, "", {},
         [](const ClientState& s) { EXPECT_EQ(s.letterCount + s.unreadCount + s.mailRequested, 0); }},
        {"ok is not looked at", 6, nullptr, R"({"ok":false,"mail":[{"id":5}]})", SCR_MAIN_MENU, "", {},
         [](const ClientState& s) { EXPECT_EQ(s.letterCount, 1); }},
        {"twenty at most", 6, nullptr, "{\"mail\":" + twentyFive + "}", SCR_MAIN_MENU, "", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.letterCount, MAX_LETTERS);
             EXPECT_EQ(s.unreadCount, MAX_LETTERS);
             EXPECT_EQ(s.letters[MAX_LETTERS - 1].id, MAX_LETTERS - 1);
         }},
        {"elsewhere the screen is left alone", 6, [](ClientState* s) { s->screen = SCR_LOUNGE; },
         R"({"mail":[{"id":5}]})", SCR_LOUNGE, "", {},
         [](const ClientState& s) { EXPECT_EQ(s.contentDirty, 0); }},
    });
}

TEST_F(Replies, NotesStoriesAndReportsSentOrBack) {
    auto feedbackWritten = [](ClientState* s) {
        s->screen = SCR_FEEDBACK_REVIEW;
        copyText(s->feedbackLines[0], "Great game");
        s->feedbackLineCount = 1;
    };
    auto storyOut = [](ClientState* s) {
        s->screen = SCR_STORY_TERMS;
        s->storySent = 1;
        copyText(s->storyLines[0], "A {noun} met a {animal}.");
        s->storyLineCount = 1;
        s->storyScroll = 4;
    };
    auto replying = [](ClientState* s) {
        s->screen = SCR_REPLY_REVIEW;
        s->letterCount = 3;
        s->letters[0].id = 4;
        s->letters[1].id = 9;
        s->letters[2].id = 9;
        s->replyToId = 9;
        copyText(s->replyLines[0], "Thanks!");
        s->replyLineCount = 1;
        setNotice(s, "Sending...");
    };
    auto taleReport = [](ClientState* s) {
        s->screen = SCR_REPORT;
        s->reportIsTale = 1;
    };
    runCases(this, {
        {"feedback sent", 3, feedbackWritten, R"({"ok":true})", SCR_FEEDBACK_SENT, "", {},
         [](const ClientState& s) { EXPECT_EQ(s.feedbackLineCount + (int32_t)strlen(s.feedbackLines[0]), 0); }},
        {"feedback failed", 3, feedbackWritten, R"({"ok":false})", SCR_FEEDBACK_REVIEW,
         "Could not send that right now.", {}, [](const ClientState& s) { EXPECT_EQ(s.feedbackLineCount, 1); }},
        {"story sent", 7, storyOut, R"({"ok":true})", SCR_STORY_SENT, "", {},
         [](const ClientState& s) { EXPECT_EQ(s.storySent, 0); }},
        {"story refused", 7, storyOut, R"({"ok":false,"error":"Too short."})", SCR_STORY_REVIEW, "Too short.", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.storySent + s.storyScroll, 0);
             EXPECT_EQ(s.storyGapCount, 2);
         }},
        {"story failed bare", 7, storyOut, R"({"ok":false})", SCR_STORY_REVIEW,
         "That could not be sent - please try again.", {}, nullptr},
        {"tale report", 9, taleReport, R"({"ok":true})", SCR_REVEAL,
         "Thank you - a real person will look at that.", {}, nullptr},
        {"player report failed", 9, [](ClientState* s) { s->screen = SCR_REPORT; }, R"({"ok":false})", SCR_LOUNGE,
         "Could not send that right now.", {PRESENCE_LOUNGE, LOBBY_REFRESH}, nullptr},
        {"reply sent", 13, replying, R"({"ok":true})", SCR_REPLY_SENT, "", {},
         [](const ClientState& s) {
             // every letter with that id, and only those
             std::string replied;
             for (int32_t i = 0; i < 3; i++) replied += std::to_string(s.letters[i].replied);
             EXPECT_EQ(replied, "011");
             EXPECT_EQ(s.replyLineCount + (int32_t)strlen(s.replyLines[0]), 0);
         }},
        {"reply failed stays on the review", 13, replying, R"({"ok":false,"error":"Mailbox closed."})",
         SCR_REPLY_REVIEW, "Mailbox closed.", {},
         [](const ClientState& s) {
             EXPECT_EQ(s.letters[1].replied, 0);
             EXPECT_EQ(s.replyLineCount, 1);
         }},
    });
}

// ---- the care hub ----

struct CareLine { std::string text; int32_t tag; };

std::vector<CareLine> mainPage(const ClientState& s) {
    std::vector<CareLine> out;
    for (int32_t i = 0; i < s.careLineCount; i++) out.push_back({s.careLines[i], s.careLineTags[i]});
    return out;
}

std::vector<CareLine> sectionLines(const ClientState& s, int32_t section) {
    std::vector<CareLine> out;
    int32_t first = s.careSectionStart[section];
    for (int32_t i = 0; i < s.careSectionLineCount[section]; i++)
        out.push_back({s.careSectionLines[first + i], s.careSectionLineTags[first + i]});
    return out;
}

void expectLines(const std::vector<CareLine>& got, const std::vector<CareLine>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(got[i].text, want[i].text) << what << " line " << i;
        EXPECT_EQ(got[i].tag, want[i].tag) << what << " line " << i;
    }
}

const char* const FULL_HUB =
    R"({"ok":true,"hub":{"intro":"Welcome to the Care Hub.\nYou are not alone.",)"
    R"("disclaimer":"We are not a crisis service.\nIn danger, call 999.","sections":[)"
    R"({"title":"Crisis lines","urgent":true,"entries":[{"name":"Samaritans of the Sea","contact":"call 116 123"},)"
    R"({"name":"","contact":"skipped"},{"name":"Text Line","contact":"text SHOUT to 85258"}]},)"
    R"({"title":"Feeling low","key":"f","entries":[{"name":"Mind Line","note":"Someone to talk to.",)"
    R"("contact":"0300 123 3393","contact2":"mind.example"}]},)"
    R"({"title":"Money worries","entries":[{"name":"Debt Help","contact":"debt.example"}]}]}})";

TEST_F(Replies, CareHubLaysOutPageBoxSectionsAndList) {
    state->screen = SCR_CARE_HUB;
    state->careRequested = 1;
    state->careScroll = 5;
    state->careSectionOpen = 1;
    feed(10, FULL_HUB);
    EXPECT_EQ(state->careRequested, 0);
    EXPECT_EQ(state->careLoaded, 1);
    EXPECT_EQ(state->fullRedraw, 1);
    EXPECT_EQ(state->careScroll, 0);
    EXPECT_EQ(state->careSectionOpen, -1);
    expectLines(mainPage(*state),
                {
                    {"    Welcome to the Care Hub.", 137},
                    {"    You are not alone.", 137},
                    {"", 36},
                    {" [=][=] If you need someone right now, any hour, free and confidential [=][=]", 132},
                    {" [=]            Samaritans of the Sea      call 116 123                   [=]", 132},
                    {" [=]            Text Line                  text SHOUT to 85258            [=]", 132},
                    {"", 36},
                    {"    [F] Feeling low                     [2] Money worries", 137},
                },
                "main page");
    ASSERT_EQ(state->careSectionCount, 2);
    EXPECT_EQ(state->careUrgentCount, 2);
    EXPECT_STREQ(state->careSectionTitles[0], "Feeling low");
    EXPECT_EQ(state->careSectionKeys[0], 'F');
    EXPECT_EQ(state->careSectionKeys[1], '2');
    EXPECT_EQ(state->careSectionStart[0], 0);
    expectLines(sectionLines(*state, 0),
                {
                    {"", 36},
                    {"    Mind Line", 136},
                    {"       Someone to talk to.", 137},
                    {"       0300 123 3393", 133},
                    {"       mind.example", 133},
                    {"", 36},
                    {"", 36},
                    {"    We are not a crisis service.", 37},
                    {"    In danger, call 999.", 37},
                },
                "first section");
    EXPECT_EQ(state->careSectionStart[1], 9);
    expectLines(sectionLines(*state, 1),
                {
                    {"", 36},
                    {"    Debt Help", 136},
                    {"       debt.example", 133},
                    {"", 36},
                    {"", 36},
                    {"    We are not a crisis service.", 37},
                    {"    In danger, call 999.", 37},
                },
                "second section");
    EXPECT_EQ(state->careSectionLinesUsed, 16);

    // A second answer starts over rather than adding to the first; a failure leaves the content alone.
    feed(10, FULL_HUB);
    EXPECT_EQ(state->careLineCount, 8);
    EXPECT_EQ(state->careSectionLinesUsed, 16);
    state->careRequested = 1;
    state->fullRedraw = 0;
    feed(10, R"({"ok":false,"error":"ignored"})");
    EXPECT_EQ(state->careRequested, 0);
    EXPECT_EQ(state->fullRedraw, 1);
    EXPECT_STREQ(state->noticeText, "Could not reach the Care Hub - please try again in a moment.");
    EXPECT_EQ(state->careLineCount, 8);
}

TEST_F(Replies, CareHubKeysBoxWidthsAndLimits) {
    std::string thirteen;
    for (int i = 0; i < 13; i++)
        thirteen += std::string(i ? "," : "") + "{\"title\":\"Topic " + std::to_string(i + 1) + "\"}";
    const std::string longName(40, 'N'), longContact(50, 'c');
    struct Case {
        const char* what;
        std::string hub;
        int32_t sections;
        std::string keys;
        std::vector<CareLine> page;
    } cases[] = {
        {"no keys, no urgent section: digits, no box",
         R"({"sections":[{"title":"Alpha"},{"title":"Beta","key":""},{"title":"Gamma"}]})", 3, "123",
         {{"", 36},
          {"    [1] Alpha                           [2] Beta", 137},
          {"    [3] Gamma" + std::string(36 - 9, ' '), 137}}},
        {"thirteen sections: twelve, past 9 the next characters",
         "{\"sections\":[" + thirteen + "]}", 12, "123456789:;<",
         {{"", 36},
          {"    [1] Topic 1                         [2] Topic 2", 137},
          {"    [3] Topic 3                         [4] Topic 4", 137},
          {"    [5] Topic 5                         [6] Topic 6", 137},
          {"    [7] Topic 7                         [8] Topic 8", 137},
          {"    [9] Topic 9                         [:] Topic 10", 137},
          {"    [;] Topic 11                        [<] Topic 12", 137}}},
        {"longest texts: the name gives way down to fit the band",
         "{\"sections\":[{\"urgent\":true,\"entries\":[{\"name\":\"" + longName + "\",\"contact\":\"" + longContact +
             "\"},{\"name\":\"Short\",\"contact\":\"1\"},{\"name\":\"x\"},{\"name\":\"dropped\"}]}]}",
         0, "",
         {{"", 36},
          {" [=][=] If you need someone right now, any hour, free and confidential [=][=]", 132},
          {" [=] " + std::string(22, 'N') + "      " + std::string(40, 'c') + " [=]", 132},
          {" [=] Short" + std::string(17 + 6, ' ') + "1" + std::string(39, ' ') + " [=]", 132},
          {" [=] x" + std::string(67, ' ') + " [=]", 132},
          {"", 36}}},
        {"no hub: only the list's spacer", R"("nothing")", 0, "", {{"", 36}}},
    };
    for (const Case& c : cases) {
        feed(10, "{\"ok\":true,\"hub\":" + c.hub + "}");
        EXPECT_EQ(state->careSectionCount, c.sections) << c.what;
        EXPECT_EQ(std::string(state->careSectionKeys, (size_t)state->careSectionCount), c.keys) << c.what;
        expectLines(mainPage(*state), c.page, c.what);
        EXPECT_EQ(state->careLoaded, 1) << c.what;
    }
}

TEST_F(Replies, WrapLinesBreaksAtBlanksWithinTheWidth) {
    const std::string a74(74, 'a'), x100(100, 'x');
    struct Case { const char* what; int32_t indent; std::string text; Lines want; } cases[] = {
        {"empty", 4, "", {""}},
        {"exactly the width", 4, a74, {"    " + a74}},
        {"a full-width piece before a blank stays whole; blanks after it are skipped", 4, a74 + "    bb",
         {"    " + a74, "    bb"}},
        {"no blank: cut at the width", 4, x100, {"    " + x100.substr(0, 74), "    " + x100.substr(74)}},
        {"the last blank within the width", 7, "one two three " + std::string(60, 'z'),
         {"       one two three", "       " + std::string(60, 'z')}},
        {"no indent takes 78", 0, std::string(78, 'q') + " r", {std::string(78, 'q'), "r"}},
    };
    for (const Case& c : cases) {
        state->careLineCount = 0;
        wrapLines(state->careLines, state->careLineTags, &state->careLineCount, 33, c.indent, c.text.c_str());
        Lines got;
        for (int32_t i = 0; i < state->careLineCount; i++) {
            got.push_back(state->careLines[i]);
            EXPECT_EQ(state->careLineTags[i], 33) << c.what;
        }
        EXPECT_EQ(got, c.want) << c.what;
    }

    // The array never grows past its 340 lines.
    state->careLineCount = MAX_CARE_LINES - 1;
    wrapLines(state->careLines, state->careLineTags, &state->careLineCount, 33, 4, x100.c_str());
    EXPECT_EQ(state->careLineCount, MAX_CARE_LINES);
    wrapLines(state->careLines, state->careLineTags, &state->careLineCount, 33, 4, nullptr);
    EXPECT_EQ(state->careLineCount, MAX_CARE_LINES);
}

}  // namespace
