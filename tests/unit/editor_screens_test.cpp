#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/settings.h"
#include "session/requests.h"
#include "platform/text.h"
#include "screens/renderer.h"
#include "screens/submit.h"
#include "state/client_state.h"
#include "state/story_gaps.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"

namespace {

constexpr unsigned char THUMB = 219;
constexpr unsigned char TRACK = 176;

struct EditorScreensTest : DoorScreenTest {
    // text on row r, its first cell in colour fg and brightness bright.
    void expectText(int r, const std::string& text, int fg, bool bright) {
        int col = colOf(r, text);
        ASSERT_GT(col, 0) << "row " << r << " lacks \"" << text << "\", has \"" << screenRowUtf8(&ts, r) << "\"";
        EXPECT_EQ(screenFgAt(&ts, r, col), fg) << text;
        EXPECT_EQ(screenBrightAt(&ts, r, col), bright) << text;
    }
    void story(int count) {
        cs->storyLineCount = count;
        for (int i = 0; i < count; i++) formatText(cs->storyLines[i], "line %d of the story", i + 1);
    }
    void gaps(const std::vector<const char*>& names) {
        cs->storyGapCount = (int32_t)names.size();
        for (size_t i = 0; i < names.size(); i++) {
            cs->storyGaps[i].ordinal = (int32_t)i + 1;
            copyText(cs->storyGaps[i].name, names[i]);
        }
    }
};

std::string scanned(ClientState* cs) {
    std::string out;
    for (int i = 0; i < cs->storyGapCount; i++) {
        const GapRecord& g = cs->storyGaps[i];
        out += std::to_string(g.ordinal) + " " + g.name + (g.hint[0] ? "=" + std::string(g.hint) : "") + ";";
    }
    return out;
}

TEST(StoryGaps, ScanTable) {
    const std::string longName(40, 'n'), longHint(66, 'h');
    struct Case {
        std::vector<std::string> lines;
        std::string gaps;
    } cases[] = {
        {{"The {adjective} {animal: farm} sat {}"}, "1 adjective;2 animal=farm;"},
        {{"{} then {noun}"}, "1 noun;"},
        {{"a lone { then {noun}"}, "1 noun;"},              // the second "{" starts afresh
        {{"left {open", "{verb} here"}, "1 verb;"},          // an open gap ends with its line
        {{"{:just a hint} {place:  far  }"}, "1 place=far  ;"},  // no name: no number used
        {{"{" + longName + "}"}, "1 " + longName.substr(0, 31) + ";"},
        {{"{a:" + longHint + "}"}, "1 a=" + longHint.substr(0, 63) + ";"},
    };
    for (Case& c : cases) {
        std::unique_ptr<ClientState> cs(new ClientState{});
        for (const std::string& l : c.lines) copyText(cs->storyLines[cs->storyLineCount++], l.c_str());
        cs->storyGapCount = 99;
        scanStoryGaps(cs.get());
        EXPECT_EQ(scanned(cs.get()), c.gaps) << c.lines[0];
    }
}

TEST(StoryGaps, ThirtyFirstGapIsNotKept) {
    std::unique_ptr<ClientState> cs(new ClientState{});
    for (int l = 0; l < 4; l++) {
        std::string line;
        for (int g = 0; g < 8; g++) line += "{g" + std::to_string(l * 8 + g + 1) + "}";
        copyText(cs->storyLines[cs->storyLineCount++], line.c_str());
    }
    scanStoryGaps(cs.get());
    ASSERT_EQ(cs->storyGapCount, 30);
    EXPECT_EQ(cs->storyGaps[29].ordinal, 30);
    EXPECT_STREQ(cs->storyGaps[29].name, "g30");
}

// A full 72-character line of gaps: the sent line stops at 76 characters,
// yet the gaps cut from it are still counted, so the numbers of the next
// line's gaps in the sent text and in the gap list agree.
TEST(StoryGaps, NumbersAgreeWithTheSentTextPastACutLine) {
    std::unique_ptr<ClientState> cs(new ClientState{});
    std::string full;
    for (int g = 0; g < 24; g++) full += "{a}";
    ASSERT_EQ(full.size(), 72u);
    copyText(cs->storyLines[0], full.c_str());
    copyText(cs->storyLines[1], "then {b}");
    cs->storyLineCount = 2;
    scanStoryGaps(cs.get());
    ASSERT_EQ(cs->storyGapCount, 25);
    EXPECT_STREQ(cs->storyGaps[24].name, "b");

    int32_t number = 0;
    char out[128];
    renumberStoryGaps(cs->storyLines[0], &number, out, sizeof out);
    EXPECT_EQ(strlen(out), 76u);
    renumberStoryGaps(cs->storyLines[1], &number, out, sizeof out);
    EXPECT_STREQ(out, "then {25}");
}

TEST_F(EditorScreensTest, EachScreenPaintsItsTitle) {
    struct Case { int32_t screen; int r; const char* text; int fg; bool bright; } cases[] = {
        {SCR_SUBMIT_INTRO, 15, "The {adjective} {animal} fell into the {place: somewhere silly}.", 32, true},
        {SCR_STORY_TITLE, 4, "W H A T   I S   I T   C A L L E D ?", 33, true},
        {SCR_STORY_WRITE, 7, "Once upon a time, a {adjective} {animal} walked into a {place}...", 34, true},
        {SCR_STORY_REVIEW, 16, "No gaps found. A story needs at least one, like {noun} or {animal}.", 31, true},
        {SCR_STORY_CATEGORY, 8, "One moment - getting the list...", 37, false},
        {SCR_STORY_RATING, 11, "PG-17    - stronger language or innuendo", 37, true},
        {SCR_STORY_EMAIL, 15, "Leave it blank and press ENTER to skip.", 34, true},
        {SCR_STORY_SENT, 7, "Thank you, your story has been sent to the team.", 32, true},
        {SCR_FEEDBACK_WRITE, 4, "S H A R E   Y O U R   F E E D B A C K", 33, true},
        {SCR_FEEDBACK_EDIT, 4, "C H A N G E   Y O U R   N O T E", 33, true},
        {SCR_FEEDBACK_SENT, 10, "Thank you for your feedback.", 32, true},
        {SCR_REPLY_WRITE, 4, "Y O U R   R E P L Y", 33, true},
        {SCR_REPLY_EDIT, 4, "C H A N G E   Y O U R   R E P L Y", 33, true},
        {SCR_REPLY_SENT, 5, "S E N T", 32, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        show(c.screen);
        expectText(c.r, c.text, c.fg, c.bright);
    }
    show(SCR_STORY_TERMS);
    expectText(11, "Terms: ", 36, true);
    EXPECT_GT(colOf(11, std::string("Terms: ") + TERMS_ADDRESS), 0) << "the terms screen shows the address";
}

TEST_F(EditorScreensTest, ChangeScreenWindowFollowsTheMarkedLine) {
    struct Case { int scroll, marked, firstShown, markedRow; const char* hint; int hintRow; } cases[] = {
        {0, 20, 14, 12, "Line 20 is marked above. Type the new version below.", 13},
        {15, 3, 3, 6, "Line 3 is marked above. Type the new version below.", 13},
        {12, 15, 13, 8, "Press ENTER on its own to delete that line instead.", 14},
        {5, 0, 6, 0, "Type 0 to add a new line at the end.", 14},
    };
    story(20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marked);
        cs->storyScroll = c.scroll;
        cs->storyEditLine = c.marked;
        show(SCR_STORY_EDIT);
        for (int r = 6; r <= 12; r++) {
            int number = c.firstShown + r - 6;
            char want[80];
            formatText(want, "%2d  line %d of the story", number, number);
            EXPECT_EQ(screenTextAt(&ts, r, 3, (int)strlen(want)), want);
            EXPECT_EQ(screenFgAt(&ts, r, 3), r == c.markedRow ? 33 : 37) << r;
        }
        expectText(c.hintRow, c.hint, c.marked ? 36 : 34, !c.marked);
        EXPECT_EQ(cs->storyScroll, c.scroll);  // the window is not stored
    }
}

TEST_F(EditorScreensTest, ReviewScrollBar) {
    struct Case { int lines, scroll, firstShown; unsigned char top, bottom; } cases[] = {
        {20, 0, 1, THUMB, TRACK},
        {20, 11, 12, TRACK, THUMB},
        {5, 0, 1, ' ', ' '},   // all lines fit: no bar
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scroll);
        story(c.lines);
        cs->storyScroll = c.scroll;
        show(SCR_STORY_REVIEW);
        char want[80];
        formatText(want, "%2d  line %d of the story", c.firstShown, c.firstShown);
        EXPECT_EQ(screenTextAt(&ts, 6, 3, (int)strlen(want)), want);
        EXPECT_EQ(screenCharAt(&ts, 6, 77), c.top);
        EXPECT_EQ(screenCharAt(&ts, 14, 77), c.bottom);
        // Lines stop short of the bar.
        EXPECT_EQ(screenCharAt(&ts, 10, 76), ' ');
    }
}

TEST_F(EditorScreensTest, GapSummary) {
    const char* longName = "wonderfulthing";  // 14 characters: the cut keeps all
    struct Case {
        std::vector<const char*> names;
        const char* head;
        const char* line;
        const char* more;   // row 18 of the read-back screen, null: blank
    } cases[] = {
        {{"noun"}, "1 gap found:", "1.noun", nullptr},
        {{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}, "10 gaps found:",
         "1.a  2.b  3.c  4.d  5.e  6.f  7.g  8.h", "...and 2 more"},
        // Only three long names fit under 70 characters; the rest are counted.
        {{longName, longName, longName, longName, longName}, "5 gaps found:",
         "1.wonderfulthing  2.wonderfulthing  3.wonderfulthing", "...and 2 more"},
        {{"averyveryverylongname"}, "1 gap found:", "1.averyveryveryl", nullptr},
    };
    story(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        gaps(c.names);
        show(SCR_STORY_REVIEW);
        expectText(16, c.head, 36, true);
        EXPECT_EQ(colOf(17, c.line), 6);
        EXPECT_EQ(row(17).find_last_not_of(' ') + 1, 5 + strlen(c.line)) << screenRowUtf8(&ts, 17);
        EXPECT_EQ(screenFgAt(&ts, 17, 6), 32);
        if (c.more) expectText(18, c.more, 34, true);
        else EXPECT_TRUE(rowBlank(18));
        show(SCR_STORY_EDIT);  // the same summary, never the "more" line
        EXPECT_EQ(colOf(17, c.line), 6);
        EXPECT_TRUE(rowBlank(18));
    }
}

TEST_F(EditorScreensTest, NoteChangeScreens) {
    struct Case { int32_t screen; int lines, marked; const char* row17; const char* row18; } cases[] = {
        {SCR_FEEDBACK_EDIT, 11, 0, nullptr, "Type 0 to go back and add more at the end."},
        {SCR_FEEDBACK_EDIT, 12, 4, "Line 4 is marked above.", "Press ENTER on its own"},
        {SCR_REPLY_EDIT, 9, 0, nullptr, "Type 0 to go back and add more at the end."},
        {SCR_REPLY_EDIT, 10, 0, nullptr, nullptr},
        {SCR_REPLY_EDIT, 3, 2, "Line 2 is marked above.", "Press ENTER on its own"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        bool reply = c.screen == SCR_REPLY_EDIT;
        for (int i = 0; i < c.lines; i++)
            formatText(reply ? cs->replyLines[i] : cs->feedbackLines[i], "note line %d", i + 1);
        (reply ? cs->replyLineCount : cs->feedbackLineCount) = c.lines;
        (reply ? cs->replyEditLine : cs->feedbackEditLine) = c.marked;
        show(c.screen);
        // The first ten lines on rows 6-15, the marked one in yellow.
        int shown = c.lines < 10 ? c.lines : 10;
        for (int r = 6; r < 6 + shown; r++)
            EXPECT_EQ(screenFgAt(&ts, r, 3), r - 5 == c.marked ? 33 : 37) << r;
        EXPECT_TRUE(rowBlank(16));
        if (c.row17) expectText(17, c.row17, 36, false);
        else EXPECT_TRUE(rowBlank(17));
        if (c.row18) EXPECT_GT(colOf(18, c.row18), 0);
        else EXPECT_TRUE(rowBlank(18));
    }
}

TEST_F(EditorScreensTest, WritingScreensShowTheLastLines) {
    for (int i = 0; i < 12; i++) formatText(cs->feedbackLines[i], "feedback %d", i + 1);
    cs->feedbackLineCount = 12;
    show(SCR_FEEDBACK_WRITE);
    EXPECT_EQ(screenTextAt(&ts, 8, 3, 14), " 2  feedback 2");
    EXPECT_EQ(screenTextAt(&ts, 18, 3, 15), "12  feedback 12");

    // The reply names the open letter only while that letter exists.
    cs->letterCount = 1;
    copyText(cs->letters[0].subject, "Your tale");
    copyText(cs->letters[0].sender, "Wordwhirl");
    show(SCR_REPLY_WRITE);
    expectText(5, "Replying to \"Your tale\" from Wordwhirl.", 37, false);
    cs->letterOpen = 1;
    show(SCR_REPLY_WRITE);
    EXPECT_TRUE(rowBlank(5));
}

TEST_F(EditorScreensTest, ReportStages) {
    struct Case {
        int stage, isTale;
        const char* reason;
        std::vector<const char*> rows;  // rows 10 onward, in order
        bool realPerson;
    } cases[] = {
        {2, 0, "", {"[1] The tale we are reading", "[2] Somebody at this table"}, true},
        {0, 1, "",
         {"[1] Inappropriate content", "[2] Offensive language", "[3] Poor quality", "[4] Spam",
          "[5] Something else"}, false},
        {0, 0, "",
         {"[1] Harassment", "[2] Hate speech", "[3] Pretending to be someone else", "[4] Cheating",
          "[5] Their name or profile", "[6] Spam", "[7] Something else"}, false},
        {1, 0, "impersonation", {"Tell us what happened, in your own words."}, true},
    };
    copyText(cs->reportTargetName, "Rowdy");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        cs->reportStage = c.stage;
        cs->reportIsTale = c.isTale;
        copyText(cs->reportReason, c.reason);
        show(SCR_REPORT);
        for (size_t i = 0; i < c.rows.size(); i++) expectText(10 + (int)i, c.rows[i], 37, c.stage != 1);
        EXPECT_TRUE(rowBlank(10 + (int)c.rows.size() + (c.stage == 1 ? 2 : 0)));
        if (c.realPerson) expectText(18, "A real person reads every one of these.", 34, true);
        else EXPECT_TRUE(rowBlank(18));
        if (c.stage == 0) expectText(6, c.isTale ? "this tale" : "Rowdy", 37, true);
    }
    show(SCR_REPORT);
    expectText(8, "Reason: Pretending to be someone else", 36, true);
    expectText(12, "Take as many lines as you need.", 34, true);
    copyText(cs->reportReason, "made-up-code");
    copyText(cs->reportLines[0], "they kept shouting");
    cs->reportLineCount = 1;
    show(SCR_REPORT);
    expectText(8, "Reason: made-up-code", 36, true);
    EXPECT_EQ(colOf(12, "they kept shouting"), 4);
}

TEST_F(EditorScreensTest, ReportWhichPlayer) {
    struct Player { const char* name; int isMe, colour; };
    struct Case { std::vector<Player> players; std::vector<const char*> listed; } cases[] = {
        {{{"Me", 1, 32}}, {}},
        {{}, {}},
        {{{"Me", 1, 32}, {"Bob", 0, 35}, {"Cy", 0, 31}}, {"[1] Bob", "[2] Cy"}},
        {{{"Bob", 0, 35}, {"Me", 1, 32}, {"Cy", 0, 31}}, {"[1] Bob", "[2] Cy"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.players.size());
        memset(cs->players, 0, sizeof cs->players);
        cs->playerCount = 0;
        for (const Player& p : c.players) {
            PlayerRecord& r = cs->players[cs->playerCount++];
            copyText(r.name, p.name);
            r.isMe = p.isMe;
            r.colour = p.colour;
        }
        cs->reportStage = 3;
        show(SCR_REPORT);
        expectText(7, "Who? Type the number.", 34, true);
        if (c.listed.empty()) expectText(10, "There is nobody else here to report.", 37, false);
        for (size_t i = 0; i < c.listed.size(); i++) {
            EXPECT_EQ(colOf(9 + (int)i, c.listed[i]), 24);
            EXPECT_EQ(screenFgAt(&ts, 9 + (int)i, 24), std::string(c.listed[i]) == "[1] Bob" ? 35 : 31);
        }
        expectText(18, "A real person reads every one of these.", 34, true);
    }
}

TEST_F(EditorScreensTest, CategoriesInTheirKindColours) {
    const char* names[] = {"Holidays", "Spooky", "Plain", "D", "E", "F", "G", "H", "I", "J", "Late"};
    for (int i = 0; i < 11; i++) copyText(cs->categoryNames[i], names[i]);
    cs->categoryCount2 = 11;
    copyText(cs->categoryNames2[0], "HOLIDAYS");
    copyText(cs->categoryKinds[0], "holiday");
    copyText(cs->categoryNames2[1], "spooky");
    copyText(cs->categoryKinds[1], "limited");
    cs->categoryCount = 2;
    show(SCR_STORY_CATEGORY);
    expectText(7, "[A] Holidays", 35, true);
    expectText(8, "[B] Spooky", 33, true);
    expectText(9, "[C] Plain", 37, true);
    EXPECT_EQ(colOf(7, "[K] Late"), 45);
    expectText(18, "[*] Suggest a category of your own", 32, true);
}

}  // namespace
