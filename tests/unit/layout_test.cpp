// Every screen id, in its fullest and its emptiest state, stays inside the
// 80x24 grid, never writes column 80 (a write there wraps or scrolls on many
// terminals), and leaves nothing stale behind when another screen follows.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "support/door_fixture.h"

namespace {

// The one place that knows the state's fields: every list at its limit.
void fillEverything(ClientState* s) {
    std::string name(31, 'W'), text(255, 'x');
    for (int i = 0; i < 255; i += 9) text[i] = ' ';
    copyText(s->myName, name.c_str());
    copyText(s->greeting, std::string(159, 'G').c_str());
    copyText(s->roomName, std::string(47, 'R').c_str());
    copyText(s->roomCode, "ABCDEFG");
    s->inRoom = 1, s->isHost = 1, s->onlineTotal = 123456;
    for (auto& t : s->tables) copyText(t.name, name.c_str()), copyText(t.code, "ABCDEFG"), t.players = 99, t.capacity = 99;
    for (auto& p : s->players) copyText(p.name, name.c_str()), copyText(p.source, "discord"), p.laughs = 99999, p.colour = 33;
    s->tableCount = s->playerCount = s->playerCountSeen = MAX_PLAYERS;
    for (auto& c : s->chatLog) copyText(c.name, name.c_str()), copyText(c.text, text.c_str()), c.kind = CHAT_DIRECTED, copyText(c.tag, name.c_str());
    s->chatCount = MAX_CHAT_LINES;
    for (int i = 0; i < MAX_PROMPTS; i++) copyText(s->promptTypes[i], std::string(31, 'T').c_str()), copyText(s->promptHints[i], std::string(63, 'H').c_str());
    s->promptCount = MAX_PROMPTS, s->shownPromptTotal = MAX_PROMPTS, s->shownPromptIndex = MAX_PROMPTS - 1;
    copyText(s->shownPromptType, std::string(31, 'T').c_str()), copyText(s->shownPromptHint, std::string(63, 'H').c_str());
    copyText(s->revealStory, std::string(4095, 'y').c_str());
    for (int i = 0; i < MAX_REVEAL_WORDS; i++) {
        RevealWord& w = s->revealWords[i];
        w.n = i + 1, w.storyOffset = i * 80, w.laughs = 999;
        copyText(w.value, std::string(20, 'v').c_str());
    }
    s->revealWordCount = MAX_REVEAL_WORDS;
    for (int i = 0; i < MAX_CATEGORIES; i++) copyText(s->categoryNames[i], name.c_str()), copyText(s->categoryNames2[i], name.c_str());
    s->categoryCount = s->categoryCount2 = MAX_CATEGORIES;
    for (int i = 0; i < MAX_STORIES; i++) copyText(s->storyTitles[i], std::string(63, 'S').c_str()), s->storyIds[i] = i + 1;
    s->storyCount = s->storyTotal = MAX_STORIES;
    for (int i = 0; i < MAX_ACTIONS; i++) copyText(s->actions[i], std::string(19, 'a').c_str());
    s->actionCount = MAX_ACTIONS;
    for (auto& l : s->letters) copyText(l.sender, name.c_str()), copyText(l.subject, std::string(71, 'J').c_str()), copyText(l.body, text.c_str()), copyText(l.date, "2026-01-01");
    s->letterCount = MAX_LETTERS;
    for (auto& a : s->announcements) copyText(a.title, std::string(71, 'N').c_str()), copyText(a.body, text.c_str());
    s->announcementCount = MAX_ANNOUNCEMENTS;
    for (int i = 0; i < MAX_CARE_LINES; i++) copyText(s->careLines[i], std::string(79, 'c').c_str()), copyText(s->careSectionLines[i], std::string(79, 'd').c_str()), s->careLineTags[i] = 136;
    for (int i = 0; i < MAX_CARE_SECTIONS; i++) copyText(s->careSectionTitles[i], std::string(47, 'K').c_str()), s->careSectionKeys[i] = (char)('A' + i), s->careSectionLineCount[i] = 28, s->careSectionStart[i] = i * 28;
    for (int i = 0; i < MAX_CARE_URGENT; i++) copyText(s->careUrgentNames[i], std::string(32, 'U').c_str()), copyText(s->careUrgentContacts[i], std::string(40, '5').c_str());
    s->careLineCount = s->careSectionLinesUsed = MAX_CARE_LINES, s->careSectionCount = MAX_CARE_SECTIONS, s->careUrgentCount = MAX_CARE_URGENT, s->careLoaded = 1;
    for (int i = 0; i < MAX_STORY_LINES; i++) copyText(s->storyLines[i], std::string(72, '{').c_str());
    for (int i = 0; i < MAX_FEEDBACK_LINES; i++) copyText(s->feedbackLines[i], std::string(72, 'f').c_str());
    for (int i = 0; i < MAX_REPLY_LINES; i++) copyText(s->replyLines[i], std::string(72, 'r').c_str());
    for (int i = 0; i < MAX_REPORT_LINES; i++) copyText(s->reportLines[i], std::string(72, 'p').c_str());
    s->storyLineCount = MAX_STORY_LINES, s->feedbackLineCount = MAX_FEEDBACK_LINES, s->replyLineCount = MAX_REPLY_LINES, s->reportLineCount = MAX_REPORT_LINES;
    copyText(s->storyTitle, std::string(60, 'L').c_str());
    copyText(s->soloStory, std::string(4095, 'z').c_str());
    copyText(s->inputLine, std::string(254, 'i').c_str());
    s->inputLen = 254;
    copyText(s->stillReading, std::string(180, 'q').c_str());
    copyText(s->noticeText, std::string(254, 'n').c_str());
}

// Follows the door's output (cursor moves, text, erases) and fails on a
// character printed in column 80 or anywhere off the grid.
void checkDrawing(const std::string& raw, int id) {
    int row = 1, col = 1;
    for (size_t i = 0; i < raw.size(); i++) {
        unsigned char c = raw[i];
        if (c == 0x1b && i + 1 < raw.size() && raw[i + 1] == '[') {
            size_t end = raw.find_first_of("ABCDHJKfhlm", i + 2);
            ASSERT_NE(end, std::string::npos) << "screen " << id;
            if (raw[end] == 'H' || raw[end] == 'f') {
                int r = 1, k = 1;
                sscanf(raw.c_str() + i + 2, "%d;%d", &r, &k);
                row = r, col = k;
                ASSERT_TRUE(row >= 1 && row <= TEST_ROWS && col >= 1 && col <= TEST_COLS) << "screen " << id << " cursor " << row << "," << col;
            }
            i = end;
        } else if (c == '\r') {
            col = 1;
        } else if (c == '\n') {
            ASSERT_LT(row, TEST_ROWS) << "screen " << id << " scrolls";
            row++;
        } else if (c >= 0x20) {
            ASSERT_LT(col, TEST_COLS) << "screen " << id << " writes column " << col << " of row " << row;
            col++;
        }
    }
}

struct Layout : DoorScreenTest {
    std::string grid() {
        std::string all;
        for (int r = 1; r <= TEST_ROWS; r++) all += row(r) + "\n";
        return all;
    }
    // The screen drawn on a cleared terminal by a fresh state.
    std::string fresh(int id, bool full) {
        Layout other;
        other.SetUp();
        if (full) fillEverything(other.cs.get());
        other.cs->screen = id, other.cs->fullRedraw = 1;
        renderScreen(other.cs.get(), screenLook(id));
        screenPump(&other.ts);
        checkDrawing(other.ts.raw, id);
        std::string out = other.grid();
        other.TearDown();
        return out;
    }
    void TestBody() override {}
};

TEST(LayoutProperty, EveryScreenFitsAndLeavesNothingStale) {
    for (int from = 0; from <= SCR_LAST; from++) {
        for (int full = 0; full < 2; full++) {
            for (int to = 0; to <= SCR_LAST; to++) {
                Layout t;
                t.SetUp();
                fillEverything(t.cs.get());
                t.show(from);
                if (!full) *t.cs = ClientState{t.cs->caller, t.cs->term, t.cs->conn};
                t.cs->screen = to, t.cs->fullRedraw = 1;
                renderScreen(t.cs.get(), screenLook(to));
                screenPump(&t.ts);
                checkDrawing(t.ts.raw, to);
                EXPECT_EQ(t.grid(), t.fresh(to, full)) << "from screen " << from << " to " << to << (full ? " full" : " empty");
                t.TearDown();
            }
        }
    }
}

}  // namespace
