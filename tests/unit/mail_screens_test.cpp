#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "screens/care.h"
#include "screens/mail.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"

namespace {

constexpr unsigned char UNREAD_MARK = 0xFE;

// A fragment a row must show, with the colour of its first character; col 0
// means anywhere on the row.
struct RowCheck {
    int row;
    int col;
    const char* text;
    int fg;
    bool bright;
};

struct MailScreensTest : DoorScreenTest {
    // A fresh caller and terminal, so table cases do not see each other.
    void restart() {
        testScreenClose(&ts);
        ts = TestScreen{};
        cs.reset(new ClientState{});
        DoorScreenTest::SetUp();
    }
    bool rowBlank(int r, int fromCol = 1, int toCol = 79) const {
        return screenTextAt(&ts, r, fromCol, toCol - fromCol + 1).find_first_not_of(' ') == std::string::npos;
    }
    // The text from column 8 of a message body row, trailing blanks cut
    // (the scroll bar column is left out).
    std::string bodyText(int r) const {
        std::string s = screenTextAt(&ts, r, MESSAGE_TEXT_COL, MESSAGE_BAR_COL - MESSAGE_TEXT_COL);
        size_t end = s.find_last_not_of(' ');
        return end == std::string::npos ? "" : s.substr(0, end + 1);
    }
    void expectRow(const RowCheck& c, const char* what) {
        size_t at = row(c.row).find(c.text);
        ASSERT_NE(at, std::string::npos) << what << ": row " << c.row << " lacks \"" << c.text
                                         << "\", has \"" << screenRowUtf8(&ts, c.row) << "\"";
        int col = (int)at + 1;
        if (c.col) EXPECT_EQ(col, c.col) << what << ": " << c.text;
        EXPECT_EQ(screenFgAt(&ts, c.row, col), c.fg) << what << ": " << c.text;
        EXPECT_EQ(screenBrightAt(&ts, c.row, col), c.bright) << what << ": " << c.text;
    }
};

void addLetter(ClientState* cs, const char* subject, const char* sender, const char* date, int32_t read) {
    Letter& l = cs->letters[cs->letterCount++];
    l.id = cs->letterCount;
    l.read = read;
    copyText(l.subject, subject);
    copyText(l.sender, sender);
    copyText(l.date, date);
    copyText(l.body, "Hello there.");
}

void addAnnouncement(ClientState* cs, const char* title, const char* body, int32_t read) {
    Announcement& a = cs->announcements[cs->announcementCount++];
    a.read = read;
    copyText(a.title, title);
    copyText(a.body, body);
}

void addCareLine(char (*lines)[CARE_LINE_BYTES], int32_t* tags, int32_t* count, const char* text, int32_t tag) {
    copyText(lines[*count], text);
    tags[(*count)++] = tag;
}

// "L001\nL002\n..." : n numbered lines.
std::string numberedLines(int n) {
    std::string s;
    char buf[16];
    for (int i = 1; i <= n; i++) {
        snprintf(buf, sizeof buf, "L%03d\n", i);
        s += buf;
    }
    return s;
}

TEST_F(MailScreensTest, RowsOfEachScreenAndState) {
    struct Case {
        const char* what;
        int32_t screen;
        void (*setUp)(ClientState* cs);
        RowCheck rows[6];
        int blankRow;   // a row that must stay empty, 0 for none
    } cases[] = {
        {"mailbox loading", SCR_MAILBOX, [](ClientState* cs) { cs->mailRequested = 1; },
         {{8, 0, "One moment - fetching your mail...", 37, false},
          {23, 0, "[ENTER] Back To The Menu", 36, false}}, 6},
        {"mailbox empty", SCR_MAILBOX, [](ClientState*) {},
         {{8, 0, "Nothing in your mailbox just now.", 37, false}}, 6},
        {"letter without a date", SCR_LETTER,
         [](ClientState* cs) { addLetter(cs, "Your prize", "Wordwhirl", "", 0); },
         {{4, 0, "Your prize", 33, true}, {5, 33, "from Wordwhirl", 36, false},  // centred alone: no dash
          {7, 8, "Hello there.", 37, false}}, 18},
        {"letter with a date", SCR_LETTER,
         [](ClientState* cs) { addLetter(cs, "Hi", "Ann", "2026-12-01", 1); },
         {{5, 0, "from Ann   -   2026-12-01", 36, false}}, 0},
        {"letter that takes replies", SCR_LETTER,
         [](ClientState* cs) { addLetter(cs, "Hi", "Ann", "", 1); cs->letters[0].acceptsReply = 1; },
         {{18, 4, "[R] Reply To This", 33, true}}, 0},
        {"letter already answered", SCR_LETTER,
         [](ClientState* cs) {
             addLetter(cs, "Hi", "Ann", "", 1);
             cs->letters[0].acceptsReply = 1;
             cs->letters[0].replied = 1;
         },
         {{18, 4, "You have answered this one.", 34, true}}, 0},
        {"letter gone", SCR_LETTER,
         [](ClientState* cs) { addLetter(cs, "Hi", "Ann", "", 1); cs->letterOpen = 1; },
         {{7, 0, "That letter is no longer there.", 37, false}}, 4},
        {"letter index below zero", SCR_LETTER,
         [](ClientState* cs) { addLetter(cs, "Hi", "Ann", "", 1); cs->letterOpen = -1; },
         {{7, 0, "That letter is no longer there.", 37, false}}, 5},
        {"announcements empty", SCR_ANNOUNCEMENTS, [](ClientState*) {},
         {{4, 0, "A N N O U N C E M E N T S", 33, true},
          {8, 0, "Check back for future announcements.", 37, false}}, 6},
        {"announcements listed", SCR_ANNOUNCEMENTS,
         [](ClientState* cs) { addAnnouncement(cs, "New tales", "x", 0); addAnnouncement(cs, "Old news", "y", 1); },
         {{6, 8, "[1] New tales", 32, true}, {7, 8, "[2] Old news", 37, false},
          {23, 0, "[1-9] Read   [ENTER] Back To The Menu", 36, false}}, 8},
        {"announcement open", SCR_ANNOUNCEMENT,
         [](ClientState* cs) { addAnnouncement(cs, "New tales", "Ten new tales today.", 0); },
         {{4, 0, "New tales", 33, true}, {6, 8, "Ten new tales today.", 37, false}}, 7},
        {"announcement gone", SCR_ANNOUNCEMENT,
         [](ClientState* cs) { addAnnouncement(cs, "New tales", "x", 0); cs->announcementOpen = 5; },
         {{7, 0, "That announcement is no longer there.", 37, false}}, 4},
        {"care hub loading", SCR_CARE_HUB, [](ClientState*) {},
         {{4, 0, "C A R E   H U B", 36, true}, {8, 0, "One moment...", 37, false},
          {23, 0, "[M] Main Menu", 36, false}}, 6},
        {"care topic with no section falls back to the hub", SCR_CARE_TOPIC,
         [](ClientState* cs) {
             cs->careLoaded = 1;
             cs->careSectionOpen = 3;
             cs->careSectionCount = 2;
             addCareLine(cs->careLines, cs->careLineTags, &cs->careLineCount, "    Welcome to the hub", 137);
         },
         {{4, 0, "C A R E   H U B", 36, true}, {6, 5, "Welcome to the hub", 37, true}}, 7},
    };
    for (auto& c : cases) {
        restart();
        c.setUp(cs.get());
        show(c.screen);
        for (const RowCheck& r : c.rows)
            if (r.text) expectRow(r, c.what);
        if (c.blankRow) EXPECT_TRUE(rowBlank(c.blankRow)) << c.what << ": row " << c.blankRow;
    }
}

TEST_F(MailScreensTest, TwelveLettersListTheNewestNine) {
    for (int i = 1; i <= 12; i++) {
        char subject[32];
        snprintf(subject, sizeof subject, "Letter %d", i);
        addLetter(cs.get(), subject, "Ann", "", i % 2);  // odd ones read
    }
    show(SCR_MAILBOX);
    for (int i = 1; i <= 9; i++) {
        int r = 5 + i;
        char want[80];
        snprintf(want, sizeof want, "[%d] %-40.40s  %-20.20s", i, cs->letters[i - 1].subject, "Ann");
        EXPECT_EQ(screenTextAt(&ts, r, 8, (int)strlen(want)), want);
        bool unread = i % 2 == 0;
        EXPECT_EQ(screenFgAt(&ts, r, 8), unread ? 32 : 37) << i;
        EXPECT_EQ(screenBrightAt(&ts, r, 8), unread) << i;
        EXPECT_EQ(screenCharAt(&ts, r, 5), unread ? UNREAD_MARK : ' ') << i;
    }
    EXPECT_TRUE(rowBlank(15));
    expectRow({18, 8, "Showing the newest 9 of 12", 36, false}, "count line");
    cs->letterCount = 9;  // nine or fewer: no count line
    show(SCR_MAILBOX);
    EXPECT_TRUE(rowBlank(18));
}

TEST_F(MailScreensTest, BodyWrapsAt65) {
    const std::string a60(60, 'a'), x70(70, 'x'), y65(65, 'y');
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"breaks before the last blank", a60 + " bb cc", {a60 + " bb", "cc"}},
        {"no blank: cut after 65", x70, {std::string(65, 'x'), "xxxxx"}},
        {"a blank only at the start does not count", " " + x70, {" " + std::string(64, 'x'), "xxxxxx"}},
        {"exactly 65 left is one line", y65, {y65}},
        {"line feed ends a line, blanks after it skipped", "abc\n   def\n\nghi", {"abc", "def", "", "ghi"}},
        {"blanks after a break skipped", a60 + "     zz", {a60, "zz"}},
        {"a trailing line feed adds no line", "one\n", {"one"}},
    };
    for (auto& c : cases) {
        restart();
        addAnnouncement(cs.get(), "T", c.text.c_str(), 1);
        show(SCR_ANNOUNCEMENT);
        int r = 6;
        for (const std::string& want : c.lines) EXPECT_EQ(bodyText(r++), want) << c.what;
        for (; r <= 18; r++) EXPECT_EQ(bodyText(r), "") << c.what << " row " << r;
    }
}

TEST_F(MailScreensTest, LongAnnouncementCannotScrollPastItsEnd) {
    // 699 characters of words: 11 lines, fewer than the 13 rows from row 6.
    std::string body;
    while (body.size() < 699) body += "wordles ";
    body.resize(699);
    addAnnouncement(cs.get(), "Long", body.c_str(), 1);
    cs->readScroll = 40;
    show(SCR_ANNOUNCEMENT);
    EXPECT_EQ(cs->readScroll, 0);
    int used = 0;
    for (int r = 6; r <= 18; r++) {
        std::string t = bodyText(r);
        EXPECT_LE(t.size(), 65u) << r;
        if (!t.empty()) used++;
    }
    EXPECT_EQ(used, 11);

    // 30 lines: the view stops with the last line on row 18, scroll 30 - 13.
    copyText(cs->announcements[0].body, numberedLines(30).c_str());
    cs->readScroll = 25;
    show(SCR_ANNOUNCEMENT);
    EXPECT_EQ(cs->readScroll, 17);
    EXPECT_EQ(bodyText(6), "L018");
    EXPECT_EQ(bodyText(18), "L030");
    EXPECT_NE(screenCharAt(&ts, 6, MESSAGE_BAR_COL), ' ') << "scroll bar shown";
    cs->readScroll = -3;
    show(SCR_ANNOUNCEMENT);
    EXPECT_EQ(cs->readScroll, 0);
    EXPECT_EQ(bodyText(6), "L001");
}

TEST_F(MailScreensTest, BodyIsCutAt401Lines) {
    std::string text = numberedLines(450);
    cs->readScroll = 100000;
    drawMessageBody(&cv, cs.get(), text.c_str(), 7);
    sent();
    EXPECT_EQ(bodyText(7), "L390");
    EXPECT_EQ(bodyText(18), "L401");
}

TEST_F(MailScreensTest, ReplyHintKeepsItsRowFromTheBody) {
    addLetter(cs.get(), "Long", "Ann", "", 1);
    copyText(cs->letters[0].body, numberedLines(20).c_str());
    cs->letters[0].acceptsReply = 1;
    cs->readScroll = 50;
    show(SCR_LETTER);
    EXPECT_EQ(cs->readScroll, 20 - 11) << "rows 7 to 17 show the body";
    EXPECT_EQ(bodyText(17), "L020");
    expectRow({18, 4, "[R] Reply To This", 33, true}, "hint");
    EXPECT_EQ(row(18).find("L0"), std::string::npos) << screenRowUtf8(&ts, 18);

    // Without the hint the body runs to row 18.
    cs->letters[0].acceptsReply = 0;
    cs->readScroll = 50;
    show(SCR_LETTER);
    EXPECT_EQ(cs->readScroll, 20 - 12);
    EXPECT_EQ(bodyText(18), "L020");
}

TEST_F(MailScreensTest, CareLinesInTheirTagColours) {
    cs->careLoaded = 1;
    struct Line {
        const char* text;
        int32_t tag;
        int fg;
        bool bright;
    } lines[] = {
        {"    Crisis Line", 136, 36, true},
        {"       call 555-0100", 133, 33, true},
        {"", 36, 0, false},
        {"    plain cyan", 36, 36, false},
        {"    odd tag", 7, 37, false},
    };
    for (const Line& l : lines) addCareLine(cs->careLines, cs->careLineTags, &cs->careLineCount, l.text, l.tag);
    show(SCR_CARE_HUB);
    int r = CARE_FIRST_ROW;
    for (const Line& l : lines) {
        if (!l.text[0]) {
            EXPECT_TRUE(rowBlank(r)) << r;
        } else {
            EXPECT_EQ(screenTextAt(&ts, r, 1, (int)strlen(l.text)), l.text);
            int col = (int)std::string(l.text).find_first_not_of(' ') + 1;
            EXPECT_EQ(screenFgAt(&ts, r, col), l.fg) << l.text;
            EXPECT_EQ(screenBrightAt(&ts, r, col), l.bright) << l.text;
        }
        r++;
    }
}

TEST_F(MailScreensTest, CarePagesScrollAndSectionsDrawFromThePool) {
    cs->careLoaded = 1;
    char text[16];
    for (int i = 0; i < 30; i++) {
        snprintf(text, sizeof text, "hub %02d", i);
        addCareLine(cs->careLines, cs->careLineTags, &cs->careLineCount, text, 37);
    }
    cs->careScroll = 5;
    show(SCR_CARE_HUB);
    EXPECT_EQ(screenTextAt(&ts, 6, 1, 6), "hub 05");
    EXPECT_EQ(screenTextAt(&ts, 22, 1, 6), "hub 21");
    EXPECT_TRUE(rowBlank(5));

    cs->careScroll = 30;  // nothing left below the title
    show(SCR_CARE_HUB);
    for (int r = 5; r <= 22; r++) EXPECT_TRUE(rowBlank(r)) << r;

    // Two sections in the pool; the second is open, scrolled by one.
    for (int i = 0; i < 6; i++) {
        snprintf(text, sizeof text, "pool %02d", i);
        addCareLine(cs->careSectionLines, cs->careSectionLineTags, &cs->careSectionLinesUsed, text, 133);
    }
    cs->careSectionCount = 2;
    copyText(cs->careSectionTitles[1], "Someone To Talk To");
    cs->careSectionStart[0] = 0;
    cs->careSectionLineCount[0] = 2;
    cs->careSectionStart[1] = 2;
    cs->careSectionLineCount[1] = 3;
    cs->careSectionOpen = 1;
    cs->careSectionScroll = 1;
    show(SCR_CARE_TOPIC);
    expectRow({4, 0, "Someone To Talk To", 36, true}, "section title");
    EXPECT_EQ(screenTextAt(&ts, 7, 1, 7), "pool 04");
    EXPECT_TRUE(rowBlank(8)) << "the next section's lines are not shown";
}

}  // namespace
