// Typed lines on the editor screens (story, feedback, reply, report) through the
// real handlers: state, notice and the request lines off a socketpair.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "session/keys.h"
#include "session/lines.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "support/service_pair.h"
#include "terminal/terminal.h"

namespace {

// "" is ENTER on an empty input line, which the key handler owns.
void type(ClientState* s, const std::vector<std::string>& typed) {
    for (const std::string& line : typed) {
        if (line.empty()) keyDispatch(s, 13);
        else handleLine(s, line.c_str());
    }
}

void fill(char (*lines)[EDIT_LINE_BYTES], int32_t* count, int32_t n) {
    for (int32_t i = 0; i < n; i++) formatTextN(lines[i], EDIT_LINE_BYTES, "line %d", i + 1);
    *count = n;
}

void seatPlayers(ClientState* s, const std::vector<std::pair<const char*, const char*>>& players, int32_t me) {
    s->playerCount = (int32_t)players.size();
    for (size_t i = 0; i < players.size(); i++) {
        copyText(s->players[i].name, players[i].first);
        copyText(s->players[i].id, players[i].second);
        s->players[i].isMe = (int32_t)i == me;
    }
}

using Setup = void (*)(ClientState* s);
using Verify = void (*)(const ClientState* s);

struct EditorCase {
    const char* what;
    int32_t screen;
    Setup setup;                     // more state; may be null
    std::vector<std::string> typed;  // "" = ENTER on an empty line
    std::vector<std::string> sent;   // every request line, in order
    int32_t screenAfter;
    const char* notice;              // "" = none
    Verify verify;                   // may be null
};

void runCases(const std::vector<EditorCase>& cases) {
    for (const EditorCase& c : cases) {
        SCOPED_TRACE(c.what);
        WiredState w;
        ClientState* s = w.state.get();
        s->running = 1;
        s->screen = c.screen;
        if (c.setup) c.setup(s);
        w.lines();  // what the set-up sent is no case's business
        type(s, c.typed);
        EXPECT_EQ(w.lines(), c.sent);
        EXPECT_EQ(s->screen, c.screenAfter);
        EXPECT_STREQ(s->noticeText, c.notice);
        if (c.verify) c.verify(s);
    }
}

const std::string PRESENCE_WELCOME = emit("presence:zone", "\"welcome\"");

// ---------------------------------------------------------------------------

TEST(EditorLines, FullTextsRefuseTheNextLineAndKeepWhatTheyHold) {
    runCases({
        {"the 25th story line", SCR_STORY_WRITE,
         [](ClientState* s) { fill(s->storyLines, &s->storyLineCount, 24); },
         {"one too many"}, {}, SCR_STORY_WRITE, "That's as long as a story can be here.",
         [](const ClientState* s) { EXPECT_EQ(s->storyLineCount, 24); EXPECT_STREQ(s->storyLines[23], "line 24"); }},
        {"the 24th story line is taken, cut to 72", SCR_STORY_WRITE,
         [](ClientState* s) { fill(s->storyLines, &s->storyLineCount, 23); },
         {std::string(80, 'x')}, {}, SCR_STORY_WRITE, "",
         [](const ClientState* s) {
             EXPECT_EQ(s->storyLineCount, 24);
             EXPECT_EQ(std::string(s->storyLines[23]), std::string(72, 'x'));
         }},
        {"the 13th feedback line", SCR_FEEDBACK_WRITE,
         [](ClientState* s) { fill(s->feedbackLines, &s->feedbackLineCount, 12); },
         {"more"}, {}, SCR_FEEDBACK_WRITE, "That's as much as one note can hold - press ENTER to send it.",
         [](const ClientState* s) { EXPECT_EQ(s->feedbackLineCount, 12); }},
        {"the 11th reply line", SCR_REPLY_WRITE,
         [](ClientState* s) { fill(s->replyLines, &s->replyLineCount, 10); },
         {"more"}, {}, SCR_REPLY_WRITE, "That is as long as a reply can be. Press ENTER on an empty line.",
         [](const ClientState* s) { EXPECT_EQ(s->replyLineCount, 10); }},
        {"the 13th report line", SCR_REPORT,
         [](ClientState* s) { s->reportStage = 1; fill(s->reportLines, &s->reportLineCount, 12); },
         {"more"}, {}, SCR_REPORT,
         "That's as much as one report can hold - press ENTER on an empty line to send it.",
         [](const ClientState* s) { EXPECT_EQ(s->reportLineCount, 12); }},
    });
}

TEST(EditorLines, StoryChoicesAndTheirRefusals) {
    runCases({
        {"intro: M goes back to the menu", SCR_SUBMIT_INTRO, nullptr, {"m"}, {PRESENCE_WELCOME},
         SCR_MAIN_MENU, "", nullptr},
        {"intro: anything else is explained", SCR_SUBMIT_INTRO, nullptr, {"go"}, {}, SCR_SUBMIT_INTRO,
         "Press ENTER on an empty line to start, or M then ENTER for the menu.", nullptr},
        {"title cut to 60, then writing", SCR_STORY_TITLE, nullptr, {std::string(70, 't')}, {},
         SCR_STORY_WRITE, "",
         [](const ClientState* s) { EXPECT_EQ(std::string(s->storyTitle), std::string(60, 't')); }},
        {"review S without gaps", SCR_STORY_REVIEW,
         [](ClientState* s) { copyText(s->storyLines[0], "no gaps here"); s->storyLineCount = 1; },
         {"s"}, {}, SCR_STORY_REVIEW, "Your story needs at least one gap, like {noun}.", nullptr},
        {"review S with gaps asks for the categories when none are held", SCR_STORY_REVIEW,
         [](ClientState* s) {
             copyText(s->storyLines[0], "a {noun}");
             s->storyLineCount = 1;
             s->storyGapCount = 1;
         },
         {"S"}, {emit("lobby:refresh", "{}")}, SCR_STORY_CATEGORY, "", nullptr},
        {"review: a longer line is no choice", SCR_STORY_REVIEW, nullptr, {"send"}, {}, SCR_STORY_REVIEW,
         "Type S, C or M and press ENTER.", nullptr},
        {"review C opens the change screen with nothing marked", SCR_STORY_REVIEW,
         [](ClientState* s) { s->storyEditLine = 3; }, {"c"}, {}, SCR_STORY_EDIT, "",
         [](const ClientState* s) { EXPECT_EQ(s->storyEditLine, 0); }},
        {"category: a letter past those held", SCR_STORY_CATEGORY,
         [](ClientState* s) { s->categoryCount2 = 2; }, {"c"}, {}, SCR_STORY_CATEGORY,
         "Pick one of the letters listed.", nullptr},
        {"category: a letter past the twenty listed", SCR_STORY_CATEGORY,
         [](ClientState* s) { s->categoryCount2 = 25; }, {"U"}, {}, SCR_STORY_CATEGORY,
         "Pick one of the letters listed.", nullptr},
        {"category: a letter names one and forgets a suggestion", SCR_STORY_CATEGORY,
         [](ClientState* s) {
             copyText(s->categoryNames[1], "Space");
             s->categoryCount2 = 2;
             copyText(s->storyRequestedCategory, "old idea");
         },
         {"b"}, {}, SCR_STORY_RATING, "",
         [](const ClientState* s) {
             EXPECT_STREQ(s->storyCategory, "Space");
             EXPECT_STREQ(s->storyRequestedCategory, "");
         }},
        {"category: * asks for a suggestion", SCR_STORY_CATEGORY, nullptr, {"*"}, {}, SCR_STORY_CATEGORY,
         "Type the name of the category you'd like.",
         [](const ClientState* s) {
             EXPECT_STREQ(s->storyCategory, "Uncategorized");
             EXPECT_STREQ(s->storyRequestedCategory, "\x01");
         }},
        {"category: the line after * is the suggestion, cut to 47", SCR_STORY_CATEGORY, nullptr,
         {"*", std::string(50, 'k')}, {}, SCR_STORY_RATING, "",
         [](const ClientState* s) {
             EXPECT_STREQ(s->storyCategory, "Uncategorized");
             EXPECT_EQ(std::string(s->storyRequestedCategory), std::string(47, 'k'));
         }},
        {"rating 3", SCR_STORY_RATING, nullptr, {"3"}, {}, SCR_STORY_EMAIL, "",
         [](const ClientState* s) { EXPECT_STREQ(s->storyRating, "PG-17"); }},
        {"rating 5", SCR_STORY_RATING, [](ClientState* s) { copyText(s->storyRating, "PG"); }, {"5"}, {},
         SCR_STORY_RATING, "Type 1, 2, 3 or 4.",
         [](const ClientState* s) { EXPECT_STREQ(s->storyRating, "PG"); }},
        {"e-mail without @", SCR_STORY_EMAIL, nullptr, {"me at home"}, {}, SCR_STORY_EMAIL,
         "That doesn't look like an email address - or leave it blank.",
         [](const ClientState* s) { EXPECT_STREQ(s->storyEmail, ""); }},
        {"e-mail with @, cut to 95", SCR_STORY_EMAIL, nullptr, {"@" + std::string(100, 'e')}, {},
         SCR_STORY_TERMS, "",
         [](const ClientState* s) { EXPECT_EQ(std::string(s->storyEmail), "@" + std::string(94, 'e')); }},
    });
}

TEST(EditorLines, StoryChangeScreen) {
    auto threeLines = [](ClientState* s) { fill(s->storyLines, &s->storyLineCount, 3); };
    runCases({
        {"letters with nothing marked read as 0: an empty line is added and marked", SCR_STORY_EDIT,
         threeLines, {"abc"}, {}, SCR_STORY_EDIT, "",
         [](const ClientState* s) {
             EXPECT_EQ(s->storyLineCount, 4);
             EXPECT_EQ(s->storyEditLine, 4);
             EXPECT_STREQ(s->storyLines[3], "");
         }},
        {"a line number marks it", SCR_STORY_EDIT, threeLines, {"2"}, {}, SCR_STORY_EDIT, "",
         [](const ClientState* s) { EXPECT_EQ(s->storyEditLine, 2); }},
        {"a number past the lines", SCR_STORY_EDIT, threeLines, {"4"}, {}, SCR_STORY_EDIT,
         "There is no line with that number.", [](const ClientState* s) { EXPECT_EQ(s->storyEditLine, 0); }},
        {"a negative number", SCR_STORY_EDIT, threeLines, {"-1"}, {}, SCR_STORY_EDIT,
         "There is no line with that number.", [](const ClientState* s) { EXPECT_EQ(s->storyLineCount, 3); }},
        {"0 with 24 lines held adds nothing", SCR_STORY_EDIT,
         [](ClientState* s) { fill(s->storyLines, &s->storyLineCount, 24); }, {"0"}, {}, SCR_STORY_EDIT,
         "There is no line with that number.", [](const ClientState* s) { EXPECT_EQ(s->storyLineCount, 24); }},
        {"a mark past the lines is dropped: the line names a line again", SCR_STORY_EDIT,
         [](ClientState* s) { fill(s->storyLines, &s->storyLineCount, 3); s->storyEditLine = 5; },
         {"2"}, {}, SCR_STORY_EDIT, "",
         [](const ClientState* s) { EXPECT_EQ(s->storyEditLine, 2); EXPECT_STREQ(s->storyLines[1], "line 2"); }},
        {"a marked line is replaced and the gaps found again", SCR_STORY_EDIT, threeLines,
         {"2", "the {adjective} {animal: farm} sat {}"}, {}, SCR_STORY_EDIT, "Changed.",
         [](const ClientState* s) {
             EXPECT_STREQ(s->storyLines[1], "the {adjective} {animal: farm} sat {}");
             EXPECT_EQ(s->storyEditLine, 0);
             ASSERT_EQ(s->storyGapCount, 2);
             EXPECT_STREQ(s->storyGaps[1].hint, "farm");
         }},
    });
}

TEST(EditorLines, StoryTerms) {
    auto oneGap = [](ClientState* s) {
        copyText(s->storyTitle, "T");
        copyText(s->storyLines[0], "a {noun}");
        s->storyLineCount = 1;
        copyText(s->storyRating, "G");
    };
    const std::string submitted = emitAck(
        "submission:submit", 7,
        "{\"title\":\"T\",\"storyText\":\"a {1}\",\"blanks\":[{\"n\":1,\"type\":\"noun\",\"hint\":\"\"}],"
        "\"category\":\"\",\"requestedCategory\":\"\",\"rating\":\"G\",\"email\":\"\","
        "\"agreedToTerms\":true,\"termsMethod\":\"typed-i-agree\"}");
    runCases({
        {"I agree in lower case is accepted", SCR_STORY_TERMS, oneGap, {"I agree"}, {submitted},
         SCR_STORY_TERMS, "Sending your story...", [](const ClientState* s) { EXPECT_EQ(s->storySent, 1); }},
        {"a second I AGREE while the first is on its way sends nothing more", SCR_STORY_TERMS, oneGap,
         {"I AGREE", "i agree"}, {submitted}, SCR_STORY_TERMS, "Sending your story...", nullptr},
        {"I agree! is refused: back to the read-back", SCR_STORY_TERMS,
         [](ClientState* s) {
             copyText(s->storyLines[0], "a {noun} and {verb}");
             s->storyLineCount = 1;
             s->storyScroll = 5;
         },
         {"I agree!"}, {}, SCR_STORY_REVIEW, "Not submitted. Your story is still here.",
         [](const ClientState* s) {
             EXPECT_EQ(s->storySent, 0);
             EXPECT_EQ(s->storyGapCount, 2);
             EXPECT_EQ(s->storyScroll, 0);
         }},
        {"C cancels", SCR_STORY_TERMS, oneGap, {"c"}, {}, SCR_STORY_REVIEW,
         "Not submitted. Your story is still here.", nullptr},
        {"only the first 30 characters are compared", SCR_STORY_TERMS, oneGap,
         {"I AGREE" + std::string(23, ' ') + "x"}, {}, SCR_STORY_REVIEW,
         "Not submitted. Your story is still here.", nullptr},
    });
}

TEST(EditorLines, NoteEditors) {
    auto twoFeedback = [](ClientState* s) {
        copyText(s->feedbackLines[0], "The \"reveal\" is slow");
        copyText(s->feedbackLines[1], "Thanks");
        s->feedbackLineCount = 2;
    };
    auto twoReply = [](ClientState* s) {
        copyText(s->replyLines[0], "Thank you");
        copyText(s->replyLines[1], "Bye");
        s->replyLineCount = 2;
        s->replyToId = 42;
    };
    runCases({
        {"feedback S sends the note", SCR_FEEDBACK_REVIEW, twoFeedback, {"s"},
         {emitAck("feedback:submit", 3, "{\"text\":\"The \\\"reveal\\\" is slow\\nThanks\",\"source\":\"bbs\"}")},
         SCR_FEEDBACK_REVIEW, "Sending...", nullptr},
        {"feedback D empties the note", SCR_FEEDBACK_REVIEW, twoFeedback, {"d"}, {}, SCR_FEEDBACK_WRITE,
         "Deleted - start again whenever you like.",
         [](const ClientState* s) { EXPECT_EQ(s->feedbackLineCount, 0); }},
        {"feedback M empties the note and leaves", SCR_FEEDBACK_REVIEW, twoFeedback, {"M"}, {PRESENCE_WELCOME},
         SCR_MAIN_MENU, "", [](const ClientState* s) { EXPECT_EQ(s->feedbackLineCount, 0); }},
        {"feedback: another letter", SCR_FEEDBACK_REVIEW, twoFeedback, {"x"}, {}, SCR_FEEDBACK_REVIEW,
         "Type S, C, D or M and press ENTER.", nullptr},
        {"feedback: a longer line is chat", SCR_FEEDBACK_REVIEW, twoFeedback, {"hi all"},
         {emit("lobby:chat", "\"hi all\"")}, SCR_FEEDBACK_REVIEW, "",
         [](const ClientState* s) { EXPECT_EQ(s->feedbackLineCount, 2); }},
        {"feedback change: letters go back to writing", SCR_FEEDBACK_EDIT, twoFeedback, {"more"}, {},
         SCR_FEEDBACK_WRITE, "", nullptr},
        {"feedback change: mark, then replace", SCR_FEEDBACK_EDIT, twoFeedback, {"2", "Cheers"}, {},
         SCR_FEEDBACK_EDIT, "Changed.",
         [](const ClientState* s) { EXPECT_STREQ(s->feedbackLines[1], "Cheers"); EXPECT_EQ(s->feedbackEditLine, 0); }},
        {"reply S sends the reply", SCR_REPLY_REVIEW, twoReply, {"S"},
         {emitAck("mail:reply", 13, "{\"id\":42,\"text\":\"Thank you\\nBye\"}")}, SCR_REPLY_REVIEW, "Sending...",
         nullptr},
        {"reply D throws it away", SCR_REPLY_REVIEW,
         [](ClientState* s) { copyText(s->replyLines[0], "x"); s->replyLineCount = 1; s->readScroll = 4; },
         {"d"}, {}, SCR_LETTER, "Thrown away.",
         [](const ClientState* s) { EXPECT_EQ(s->replyLineCount, 0); EXPECT_EQ(s->readScroll, 0); }},
        {"reply: a longer line is no choice and no chat", SCR_REPLY_REVIEW, twoReply, {"send it"}, {},
         SCR_REPLY_REVIEW, "Type S, C or D and press ENTER.", nullptr},
        {"reply change: 0 goes back to writing", SCR_REPLY_EDIT, twoReply, {"0"}, {}, SCR_REPLY_WRITE, "",
         nullptr},
    });
}

TEST(EditorLines, ReportDialogue) {
    // The caller stands first: number 1 is the first other player.
    auto table = [](ClientState* s) {
        s->reportStage = 2;
        seatPlayers(s, {{"Me", "sock-me"}, {"Bob", "sock-bob"}, {"Ann", "sock-ann"}}, 0);
    };
    runCases({
        {"stage 2: neither 1 nor 2", SCR_REPORT, table, {"3"}, {}, SCR_REPORT,
         "Type 1 for the tale, or 2 for a person.", [](const ClientState* s) { EXPECT_EQ(s->reportStage, 2); }},
        {"stage 3 skips the caller standing first", SCR_REPORT, table, {"2", "1"}, {}, SCR_REPORT, "",
         [](const ClientState* s) {
             EXPECT_STREQ(s->reportTargetName, "Bob");
             EXPECT_STREQ(s->reportTargetId, "sock-bob");
             EXPECT_EQ(s->reportStage, 0);
         }},
        {"stage 3: nobody but the caller", SCR_REPORT,
         [](ClientState* s) {
             s->reportStage = 3;
             seatPlayers(s, {{"Me", "sock-me"}}, 0);
         },
         {"1"}, {}, SCR_REPORT, "Type a number from the list.", nullptr},
        {"stage 0: a player has seven reasons", SCR_REPORT, table, {"2", "2", "7"}, {}, SCR_REPORT, "",
         [](const ClientState* s) { EXPECT_STREQ(s->reportReason, "other"); EXPECT_EQ(s->reportStage, 1); }},
        {"stage 0: a tale has five", SCR_REPORT, table, {"1", "6"}, {}, SCR_REPORT,
         "Type a number from the list.", [](const ClientState* s) { EXPECT_EQ(s->reportStage, 0); }},
        {"a player reported", SCR_REPORT, table, {"2", "2", "4", "He peeked", "twice", ""},
         {emitAck("report:player", 9,
                  "{\"targetSocketId\":\"sock-ann\",\"reason\":\"cheating\",\"note\":\"He peeked\\ntwice\"}")},
         SCR_REPORT, "Sending...", nullptr},
        {"a tale reported, sent", SCR_REPORT, table, {"1", "4", "adverts", ""},
         {emitAck("report:story", 9, "{\"templateId\":0,\"reason\":\"spam\",\"note\":\"adverts\"}")}, SCR_REPORT,
         "Sending...", nullptr},
    });
}

}  // namespace
