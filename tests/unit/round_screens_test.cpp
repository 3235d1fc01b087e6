#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "screens/renderer.h"
#include "screens/reveal.h"
#include "screens/round.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"

namespace {

constexpr unsigned char BAR = 0xDB;
constexpr char THE_END[] = "T H E   E N D";

struct RoundScreensTest : DoorScreenTest {
    PlayerRecord& addPlayer(const char* name, const char* id, int32_t colour, int32_t laughs = 0) {
        PlayerRecord& p = cs->players[cs->playerCount++];
        copyText(p.name, name);
        copyText(p.id, id);
        p.colour = colour;
        p.laughs = laughs;
        return p;
    }
    RevealWord& addWord(const char* value, const char* authorId, int32_t offset) {
        RevealWord& w = cs->revealWords[cs->revealWordCount++];
        copyText(w.value, value);
        copyText(w.authorId, authorId);
        w.storyOffset = offset;
        return w;
    }
};

// 20 display lines "L01----" .. "L20----", 60 characters each, one blank apart.
std::string twentyLineStory() {
    std::string s;
    for (int i = 1; i <= 20; i++) {
        char tag[8];
        snprintf(tag, sizeof tag, "L%02d", i);
        if (i > 1) s += ' ';
        s += tag + std::string(57, '-');
    }
    return s;
}
int lineOffset(int line1) { return (line1 - 1) * 61; }

TEST(StoryWrap, LinesAndStartOffsets) {
    std::string hard(70, 'x');
    std::string spaced = std::string(40, 'a') + " " + std::string(30, 'b');
    struct Case {
        std::string text;
        std::vector<std::string> lines;
        std::vector<int> starts;
    } cases[] = {
        {"a\nb", {"a", "", "b"}, {0, 1, 2}},
        {"  a\n\n  b  ", {"a", "", "", "b  "}, {2, 3, 4, 7}},
        {hard, {std::string(62, 'x'), std::string(8, 'x')}, {0, 62}},
        {spaced, {std::string(40, 'a'), std::string(30, 'b')}, {0, 41}},
        {" x " + std::string(62, 'y'), {"x", std::string(62, 'y')}, {1, 3}},  // the only blank, after one letter
        {"", {}, {}},
    };
    for (const Case& c : cases) {
        int32_t n = wrapStoryText(c.text.c_str());
        ASSERT_EQ(n, (int32_t)c.lines.size()) << c.text;
        for (int32_t i = 0; i < n; i++) {
            EXPECT_EQ(storyLines()->text[i], c.lines[i]) << c.text << " line " << i;
            EXPECT_EQ(storyLines()->start[i], c.starts[i]) << c.text << " line " << i;
        }
    }
    std::string feeds(500, '\n');
    EXPECT_EQ(wrapStoryText(feeds.c_str()), STORY_LINES_MAX) << "text beyond 240 lines is dropped";
}

TEST_F(RoundScreensTest, RevealWindowFollowsTheCurrentWord) {
    copyText(cs->revealStory, twentyLineStory().c_str());
    addPlayer("Ann", "id-a", 32);
    addWord("L15", "id-a", lineOffset(15));
    addWord("L20", "id-a", lineOffset(20));
    struct Case {
        int32_t cursor;
        const char* firstShown;
        const char* lastShown;
        bool endBanner;       // on row 16
        int cursorRow;
    } cases[] = {
        {0, "L11", "L18", false, 10},   // the word's line four below the top
        {1, "L13", "L20", true, 13},    // the last word shows the end
    };
    cs->screen = SCR_REVEAL;
    for (const Case& c : cases) {
        cs->revealCursor = c.cursor;
        paint(paintReveal);
        EXPECT_EQ(colOf(6, c.firstShown), 7) << c.cursor;
        EXPECT_EQ(colOf(13, c.lastShown), 7) << c.cursor;
        EXPECT_EQ(colOf(16, THE_END) > 0, c.endBanner) << c.cursor;
        EXPECT_EQ(cs->render.revealCursorRow, c.cursorRow);
        EXPECT_EQ(cs->render.revealCursorCol, 7);
        EXPECT_TRUE(screenUnderlineAt(&ts, c.cursorRow, 7));
        EXPECT_FALSE(screenUnderlineAt(&ts, c.cursorRow, 10));
    }
}

TEST_F(RoundScreensTest, ShortStoryShowsTheEndBelowIt) {
    copyText(cs->revealStory, "a\nb");
    paint(paintReveal);
    EXPECT_EQ(colOf(8, "b"), 7);
    EXPECT_EQ(colOf(11, THE_END), 33);
    EXPECT_EQ(screenFgAt(&ts, 11, 58), 35);
    EXPECT_EQ(colOf(18, "Read it through, then press ENTER when you're done."), 6);
    EXPECT_EQ(cs->render.revealCursorRow, 0);

    cs->revealStory[0] = 0;
    paint(paintReveal);
    EXPECT_EQ(colOf(8, THE_END), 33) << "no story: the end on row 8";
}

// "ice cream" breaks after "ice": 55 x, blank, "ice" at 56, blank at 59,
// "and" at 66, "a" at 70, "dog" at 72.
constexpr char SPLIT_STORY[] =
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx ice cream and a dog";

TEST_F(RoundScreensTest, SplitCurrentWordIsUnderlinedOnBothLinesCursorOnTheFirst) {
    copyText(cs->revealStory, SPLIT_STORY);
    addPlayer("Ann", "id-a", 32);
    addWord("ice cream", "id-a", 56);
    addWord("dog", "id-a", 72);
    cs->screen = SCR_REVEAL;
    cs->fullRedraw = 1;
    renderScreen(cs.get());
    sent();
    EXPECT_EQ(cs->render.revealCursorRow, 6);
    EXPECT_EQ(cs->render.revealCursorCol, 63);
    for (int col = 63; col <= 65; col++) EXPECT_TRUE(screenUnderlineAt(&ts, 6, col)) << col;
    for (int col = 7; col <= 11; col++) EXPECT_TRUE(screenUnderlineAt(&ts, 7, col)) << col;
    EXPECT_FALSE(screenUnderlineAt(&ts, 7, 12));
    EXPECT_EQ(screenFgAt(&ts, 7, 7), 32);
    EXPECT_EQ(screenCursorRow(&ts), 6) << "the renderer parks the cursor on the word";
    EXPECT_EQ(screenCursorCol(&ts), 63);
}

TEST_F(RoundScreensTest, WordsInTheirAuthorsColoursAcrossALineBreak) {
    copyText(cs->revealStory, SPLIT_STORY);
    addPlayer("Ann", "id-a", 31);
    addPlayer("Bob", "id-b", 34);
    addWord("ice cream", "id-a", 56);
    addWord("and", "id-b", 66);
    addWord("dog", "id-gone", 72);
    addWord("a", "", 70);
    addWord("lost", "id-b", 900);   // beyond the text: not coloured anywhere
    cs->revealCursor = cs->revealWordCount;  // no current word
    paint(paintReveal);
    struct Cell { int row, col, fg; const char* what; } cells[] = {
        {6, 7, 37, "plain text"},   {6, 63, 31, "first part, Ann"}, {7, 7, 31, "second part, Ann"},
        {7, 13, 34, "Bob's word"},  {7, 19, 33, "author gone"},     {7, 17, 33, "no author"},
        {7, 12, 37, "blank between"},
    };
    for (const Cell& c : cells) {
        EXPECT_EQ(screenFgAt(&ts, c.row, c.col), c.fg) << c.what;
        EXPECT_TRUE(screenBrightAt(&ts, c.row, c.col)) << c.what;
        EXPECT_FALSE(screenUnderlineAt(&ts, c.row, c.col)) << c.what;
    }
    EXPECT_EQ(cs->render.revealCursorRow, 0);
}

TEST_F(RoundScreensTest, CreditLineNamesTheAuthor) {
    copyText(cs->revealStory, SPLIT_STORY);
    addPlayer("Ann", "id-a", 32);
    struct Case {
        const char* authorId;
        int32_t mine, laughed;
        const char* credit;
        int wordFg, nameFg;
        const char* note;   // after the name, or null
    } cases[] = {
        {"id-a", 1, 0, "\"dog\" by Ann", 32, 32, "(yours)"},
        {"id-a", 0, 1, "\"dog\" by Ann", 32, 32, "\373 you laughed"},
        {"id-x", 0, 0, "\"dog\" by someone", 33, 37, nullptr},
    };
    for (const Case& c : cases) {
        cs->revealWordCount = 0;
        RevealWord& w = addWord("dog", c.authorId, 72);
        w.mine = c.mine;
        w.laughed = c.laughed;
        cs->revealCursor = 0;
        paint(paintReveal);
        EXPECT_EQ(colOf(18, c.credit), 6) << c.credit;
        EXPECT_EQ(screenFgAt(&ts, 18, 7), c.wordFg);
        EXPECT_EQ(screenFgAt(&ts, 18, 15), c.nameFg) << "name at 12 + the word's length";
        if (c.note) EXPECT_EQ(colOf(18, c.note), 20);
        else EXPECT_EQ(row(18).find_first_not_of(' ', 24), std::string::npos);
    }
}

TEST_F(RoundScreensTest, LaughTiersByTheTopScore) {
    struct Case { std::vector<int32_t> laughs; const char* headline; int fg; } cases[] = {
        {{10, 2}, "EPIC LAUGHS!", 33},   {{9}, "Huge Laughs!", 35},    {{6, 6}, "Huge Laughs!", 35},
        {{5, 0}, "Big Laughs!", 35},     {{3}, "Big Laughs!", 35},     {{2, 1}, "Got a Giggle!", 36},
        {{1}, "Got a Giggle!", 36},      {{0, 0}, "Where's the Funny Bone?!", 37}, {{}, "Where's the Funny Bone?!", 37},
    };
    for (const Case& c : cases) {
        cs->playerCount = 0;
        for (int32_t l : c.laughs) addPlayer("P", "id", 32, l);
        paint(paintScores);
        int col = colOf(6, c.headline);
        ASSERT_GT(col, 0) << c.headline << " for " << c.laughs.size();
        EXPECT_EQ(screenFgAt(&ts, 6, col), c.fg) << c.headline;
        EXPECT_TRUE(screenBrightAt(&ts, 6, col));
    }
}

TEST_F(RoundScreensTest, TieLineMarksAndBars) {
    addPlayer("Ann", "a", 31, 1);
    addPlayer("Bob", "b", 32, 3);
    addPlayer("Cy", "c", 34, 3).isMe = 1;
    paint(paintScores);
    EXPECT_GT(colOf(6, "Big Laughs!"), 0);
    EXPECT_GT(colOf(7, "Bob and Cy have tied!"), 0);
    EXPECT_GT(colOf(8, "\260\260  I T ' S   A   T I E !  \260\260"), 0);
    // Three players: rows from 9 + (9 - 3) / 2 = 12, most laughs first, ties in list order.
    struct Row {
        int row;
        const char* name;
        bool top;
        int bar, fg;
        const char* count;
    } rows[] = {{12, "Bob", true, 34, 32, "  3"}, {13, "Cy", true, 34, 34, "  3"}, {14, "Ann", false, 11, 31, "  1"}};
    for (const Row& r : rows) {
        EXPECT_EQ(colOf(r.row, r.name), 9) << r.name;
        EXPECT_EQ(screenCharAt(&ts, r.row, 6), r.top ? 0xAF : ' ') << r.name;
        int cells = 0;
        while (screenCharAt(&ts, r.row, 31 + cells) == BAR) cells++;
        EXPECT_EQ(cells, r.bar) << r.name;
        EXPECT_EQ(screenFgAt(&ts, r.row, 31), r.fg) << r.name;
        EXPECT_EQ(colOf(r.row, r.count), 69) << r.name;
    }
    EXPECT_TRUE(screenBrightAt(&ts, 13, 9)) << "the caller's own name is bright";
    EXPECT_FALSE(screenBrightAt(&ts, 12, 9));
}

TEST_F(RoundScreensTest, VerdictLine) {
    struct Case { std::vector<const char*> names; std::vector<int32_t> laughs; const char* line; } cases[] = {
        {{"A", "B", "C"}, {2, 2, 2}, "A, B and C have tied!"},
        {{"A", "B", "C", "D"}, {4, 1, 4, 4}, "A, C and D have tied!"},
        {{"Quinn", "Rae"}, {1, 5}, "Rae got the biggest laughs!"},
        {{"Quinn", "Rae"}, {0, 0}, "Nobody cracked up this round - get 'em next time!"},
        {{"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "x"}, {1, 1}, "ABCDEFGHIJKLMNOPQRSTUVWX and x have tied!"},
    };
    for (const Case& c : cases) {
        cs->playerCount = 0;
        for (size_t i = 0; i < c.names.size(); i++) addPlayer(c.names[i], "id", 32, c.laughs[i]);
        paint(paintScores);
        EXPECT_GT(colOf(7, c.line), 0) << c.line << " | " << screenRowUtf8(&ts, 7);
    }
    EXPECT_EQ(colOf(12, "ABCDEFGHIJKLMNOPQR.."), 9) << "long names: 18 characters and two dots";
}

TEST_F(RoundScreensTest, WordKindTitleAndHint) {
    struct Case { const char* kind; const char* shown; const char* hint; /* row 9, null: none */ } cases[] = {
        {"body_part", "Body Part", nullptr},
        {"PLAYER_NAME", "Player Name", "someone's name"},
        {"", "A Word", nullptr},
        {"adjective", "Adjective", "a describing word (like silly, huge, sparkly)"},
        {"mIxED_caSE", "Mixed Case", nullptr},
        {"3d_thing", "3d Thing", nullptr},
    };
    for (const Case& c : cases) {
        copyText(cs->shownPromptType, c.kind);
        paint(paintWordEntry);
        int col = colOf(8, c.shown);
        ASSERT_GT(col, 0) << c.kind << " | " << screenRowUtf8(&ts, 8);
        EXPECT_EQ(screenFgAt(&ts, 8, col), 33);
        if (c.hint) EXPECT_GT(colOf(9, c.hint), 0) << c.kind;
        else EXPECT_EQ(row(9).find_first_not_of(' ', 8), 71u) << c.kind << ": only the box side";
    }
    // A long hint takes two rows; the prompt's own hint follows on row 11.
    copyText(cs->shownPromptType, "abstract_noun");
    copyText(cs->shownPromptHint, "something big");
    paint(paintWordEntry);
    EXPECT_GT(colOf(9, "an idea or feeling"), 0);
    EXPECT_GT(colOf(10, "chaos)"), 0);
    EXPECT_GT(colOf(11, "something big"), 0);
    EXPECT_EQ(screenCharAt(&ts, 11, 18), '>');
}

TEST_F(RoundScreensTest, WordEntryHeadingPlayersAndLockedIn) {
    cs->inRoom = 1;
    addPlayer("Me", "m", 32).isMe = 1;
    addPlayer("Bartholomew", "b", 33).ready = 1;
    copyText(cs->roundTitle, "The Picnic");
    copyText(cs->roundCategory, "Silly");
    cs->shownPromptIndex = 1;
    cs->shownPromptTotal = 3;
    cs->totalBlanks = 7;
    paint(paintWordEntry);
    EXPECT_GT(colOf(4, "Your word 2 of 3   (the tale has 7 in all)"), 0);
    EXPECT_GT(colOf(5, "Silly - The Picnic"), 0);
    EXPECT_EQ(colOf(17, "Me"), 8);
    EXPECT_EQ(screenFgAt(&ts, 17, 8), 33);
    EXPECT_EQ(screenCharAt(&ts, 17, 11), 0xB0);
    EXPECT_EQ(colOf(17, "Bartholome \373"), 14) << "names cut to 10, next at + length + 4";
    EXPECT_EQ(screenFgAt(&ts, 17, 25), 32);

    cs->shownPromptTotal = 0;
    cs->totalBlanks = 0;
    cs->shownPromptIndex = 0;
    paint(paintWordEntry);
    EXPECT_GT(colOf(4, "Your word 1 of 1"), 0);
    EXPECT_EQ(colOf(4, "in all"), 0);

    cs->wordsDone = 1;
    paint(paintWordEntry);
    EXPECT_GT(colOf(4, "That's Your Words In"), 0);
    EXPECT_GT(colOf(9, "L O C K E D   I N !"), 0);
    EXPECT_EQ(screenFgAt(&ts, 7, 8), 32) << "the box turns green";
    EXPECT_EQ(colOf(17, "Me"), 8) << "the players stay listed";
}

TEST_F(RoundScreensTest, TaleNumbersWidenWithTheCount) {
    struct Case {
        int32_t loaded, firstShown, total;
        const char* firstEntry;
        const char* range;   // row 17, or null
    } cases[] = {
        {9, 0, 9, "[1] Tale 1 ", nullptr},
        {10, 0, 10, "[ 1] Tale 1 ", "Showing 1-9 of 10"},
        {100, 0, 100, "[  1] Tale 1 ", "Showing 1-9 of 100"},
        {100, 99, 120, "[100] Tale 100 ", "Showing 100-100 of 120"},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < c.loaded; i++) {
            formatText(cs->storyTitles[i], "Tale %d", i + 1);
            cs->storyBlanks[i] = i % 3;
        }
        cs->storyCount = c.loaded;
        cs->storyFirstShown = c.firstShown;
        cs->storyTotal = c.total;
        paint(paintTalePick);
        EXPECT_EQ(colOf(7, c.firstEntry), 12) << c.firstEntry;
        if (c.range) EXPECT_EQ(colOf(17, c.range), 12) << c.range;
        else EXPECT_TRUE(rowBlank(17));
    }
    cs->storyFirstShown = 0;
    paint(paintTalePick);
    EXPECT_EQ(colOf(8, " 1 blank"), 70);
    EXPECT_EQ(colOf(9, " 2 blanks"), 70);
    EXPECT_EQ(screenCharAt(&ts, 7, 70), ' ') << "no blanks, no count";
}

TEST_F(RoundScreensTest, TalePickerEmptyLoadingAndLostCategory) {
    copyText(cs->categoryNames[0], "Spooky");
    cs->categoryCount2 = 1;
    struct Case { int32_t sel, loading, loaded; const char* subtitle; const char* row9; } cases[] = {
        {0, 1, 0, "Spooky", "One moment - getting the tales..."},
        {0, 0, 0, "Spooky", "(nothing here yet - press B for another category)"},
        {3, 0, 0, nullptr, "(nothing here yet"},
    };
    for (const Case& c : cases) {
        cs->categorySel = c.sel;
        cs->storyLoading = c.loading;
        cs->storyCount = c.loaded;
        cs->storyTotal = 4;
        paint(paintTalePick);
        if (c.subtitle) EXPECT_GT(colOf(5, c.subtitle), 0);
        else EXPECT_TRUE(rowBlank(5));
        EXPECT_GT(colOf(9, c.row9), 0) << c.row9;
        EXPECT_TRUE(rowBlank(17)) << "no range for an empty page";
    }
}

TEST_F(RoundScreensTest, CategoryKindColours) {
    struct Case { const char* kind; int32_t colour; } cases[] = {{"", 37}, {"holiday", 35}, {"limited", 33}, {"dlc", 32}, {"seasonal", 37}};
    for (const Case& c : cases) EXPECT_EQ(categoryKindColour(c.kind), c.colour) << c.kind;

    const char* names[] = {"Spooky", "Summer", "Space", "Plain"};
    const char* kindNames[] = {"SPOOKY", "summer", "space"};
    const char* kinds[] = {"holiday", "limited", "dlc"};
    for (int i = 0; i < 13; i++) copyText(cs->categoryNames[i], i < 4 ? names[i] : "Extra");
    for (int i = 0; i < 3; i++) {
        copyText(cs->categoryNames2[i], kindNames[i]);
        copyText(cs->categoryKinds[i], kinds[i]);
    }
    cs->categoryCount2 = 13;
    cs->categoryCount = 3;
    cs->pickerMode = 3;
    paint(paintCategoryPick);
    EXPECT_GT(colOf(4, "Y O U R   T U R N   T O   C H O O S E"), 0);
    EXPECT_EQ(screenFgAt(&ts, 5, colOf(5, "Everyone is waiting on you!")), 35);
    int expected[] = {35, 33, 32, 37};
    for (int i = 0; i < 4; i++) EXPECT_EQ(screenFgAt(&ts, 7 + i, 10), expected[i]) << names[i];
    EXPECT_EQ(colOf(17, "[K] Extra"), 10);
    EXPECT_EQ(colOf(7, "[L] Extra"), 44) << "the 12th entry starts the second column";
}

TEST_F(RoundScreensTest, SoloTaleScrollIsClampedAndEndsWithTheBanner) {
    copyText(cs->soloStory, twentyLineStory().c_str());
    struct Case { int32_t scroll, stored; const char* top; bool endShown; } cases[] = {{50, 6, "L07", true}, {-3, 0, "L01", false}, {2, 2, "L03", false}};
    for (const Case& c : cases) {
        cs->soloScroll = c.scroll;
        paint(paintSoloTale);
        EXPECT_EQ(soloScrollShown(cs.get()), c.stored);
        EXPECT_EQ(colOf(6, c.top), 8);
        EXPECT_EQ(colOf(22, THE_END) > 0, c.endShown) << c.scroll;
    }
    EXPECT_GT(colOf(4, "Y O U R   T A L E"), 0);
}

}  // namespace
