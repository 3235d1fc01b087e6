// Every screen id, in its fullest and its emptiest state, stays inside the
// 80x24 grid, never writes column 80 (a write there wraps or scrolls on many
// terminals), and leaves nothing stale behind when another screen follows.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/text.h"
#include "support/door_fixture.h"

namespace {

// The one place that knows the state's fields: every list at its limit.
void fillEverything(ClientState* s) {
    std::string name(31, 'W'), text(255, 'x');
    for (int i = 0; i < 255; i += 9) text[i] = ' ';
    copyText(s->identity.myName, name.c_str());
    copyText(s->identity.greeting, std::string(159, 'G').c_str());
    copyText(s->table.roomName, std::string(47, 'R').c_str());
    copyText(s->table.roomCode, "ABCDEFG");
    s->table.inRoom = 1, s->table.isHost = 1, s->identity.onlineTotal = 123456;
    for (auto& t : s->lobby.tables) copyText(t.name, name.c_str()), copyText(t.code, "ABCDEFG"), t.players = 99, t.capacity = 99;
    for (auto& p : s->table.players) copyText(p.name, name.c_str()), copyText(p.source, "discord"), p.laughs = 99999, p.colour = 33;
    s->lobby.tableCount = s->table.playerCount = s->table.playerCountSeen = MAX_PLAYERS;
    for (auto& c : s->chat.chatLog) copyText(c.name, name.c_str()), copyText(c.text, text.c_str()), c.kind = CHAT_DIRECTED, copyText(c.tag, name.c_str());
    s->chat.chatCount = MAX_CHAT_LINES;
    for (int i = 0; i < MAX_PROMPTS; i++) copyText(s->round.promptTypes[i], std::string(31, 'T').c_str()), copyText(s->round.promptHints[i], std::string(63, 'H').c_str());
    s->round.promptCount = MAX_PROMPTS, s->round.shownPromptTotal = MAX_PROMPTS, s->round.shownPromptIndex = MAX_PROMPTS - 1;
    copyText(s->round.shownPromptType, std::string(31, 'T').c_str()), copyText(s->round.shownPromptHint, std::string(63, 'H').c_str());
    copyText(s->reveal.revealStory, std::string(4095, 'y').c_str());
    for (int i = 0; i < MAX_REVEAL_WORDS; i++) {
        RevealWord& w = s->reveal.revealWords[i];
        w.n = i + 1, w.storyOffset = i * 80, w.laughs = 999;
        copyText(w.value, std::string(20, 'v').c_str());
    }
    s->reveal.revealWordCount = MAX_REVEAL_WORDS;
    for (int i = 0; i < MAX_CATEGORIES; i++) copyText(s->picker.categoryNames[i], name.c_str()), copyText(s->picker.categoryNames2[i], name.c_str());
    s->picker.categoryCount2 = s->picker.categoryCount = MAX_CATEGORIES;
    for (int i = 0; i < MAX_STORIES; i++) copyText(s->picker.storyTitles[i], std::string(63, 'S').c_str()), s->picker.storyIds[i] = i + 1;
    s->picker.storyCount = s->picker.storyTotal = MAX_STORIES;
    for (int i = 0; i < MAX_ACTIONS; i++) copyText(s->chat.actions[i], std::string(19, 'a').c_str());
    s->chat.actionCount = MAX_ACTIONS;
    for (auto& l : s->mail.letters) copyText(l.sender, name.c_str()), copyText(l.subject, std::string(71, 'J').c_str()), copyText(l.body, text.c_str()), copyText(l.date, "2026-01-01");
    s->mail.letterCount = MAX_LETTERS;
    for (auto& a : s->mail.announcements) copyText(a.title, std::string(71, 'N').c_str()), copyText(a.body, text.c_str());
    s->mail.announcementCount = MAX_ANNOUNCEMENTS;
    for (int i = 0; i < MAX_CARE_LINES; i++) copyText(s->care.careLines[i], std::string(79, 'c').c_str()), copyText(s->care.careSectionLines[i], std::string(79, 'd').c_str()), s->care.careLineTags[i] = 136;
    for (int i = 0; i < MAX_CARE_SECTIONS; i++) copyText(s->care.careSectionTitles[i], std::string(47, 'K').c_str()), s->care.careSectionKeys[i] = (char)('A' + i), s->care.careSectionLineCount[i] = 28, s->care.careSectionStart[i] = i * 28;
    for (int i = 0; i < MAX_CARE_URGENT; i++) copyText(s->care.careUrgentNames[i], std::string(32, 'U').c_str()), copyText(s->care.careUrgentContacts[i], std::string(40, '5').c_str());
    s->care.careLineCount = s->care.careSectionLinesUsed = MAX_CARE_LINES, s->care.careSectionCount = MAX_CARE_SECTIONS, s->care.careUrgentCount = MAX_CARE_URGENT, s->care.careLoaded = 1;
    for (int i = 0; i < MAX_STORY_LINES; i++) copyText(s->editors.storyLines[i], std::string(72, '{').c_str());
    for (int i = 0; i < MAX_FEEDBACK_LINES; i++) copyText(s->editors.feedbackLines[i], std::string(72, 'f').c_str());
    for (int i = 0; i < MAX_REPLY_LINES; i++) copyText(s->editors.replyLines[i], std::string(72, 'r').c_str());
    for (int i = 0; i < MAX_REPORT_LINES; i++) copyText(s->editors.reportLines[i], std::string(72, 'p').c_str());
    s->editors.storyLineCount = MAX_STORY_LINES, s->editors.feedbackLineCount = MAX_FEEDBACK_LINES, s->editors.replyLineCount = MAX_REPLY_LINES, s->editors.reportLineCount = MAX_REPORT_LINES;
    copyText(s->editors.storyTitle, std::string(60, 'L').c_str());
    copyText(s->reveal.soloStory, std::string(4095, 'z').c_str());
    copyText(s->input.inputLine, std::string(254, 'i').c_str());
    s->input.inputLen = 254;
    copyText(s->reveal.stillReading, std::string(180, 'q').c_str());
    copyText(s->input.noticeText, std::string(254, 'n').c_str());
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
            int r = 1, k = 1;
            char f = raw[end];  // H and f absolute; A, B, C, D up, down, right, left by r
            sscanf(raw.c_str() + i + 2, "%d;%d", &r, &k);
            row = f == 'H' || f == 'f' ? r : f == 'A' ? row - r : f == 'B' ? row + r : row;
            col = f == 'H' || f == 'f' ? k : f == 'C' ? col + r : f == 'D' ? col - r : col;
            if (std::string("HfABCD").find(f) != std::string::npos)
                ASSERT_TRUE(row >= 1 && row <= TEST_ROWS && col >= 1 && col <= TEST_COLS) << "screen " << id << " cursor " << row << "," << col;
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
        other.cs->view.screen = id, other.cs->view.fullRedraw = 1;
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
                t.cs->view.screen = to, t.cs->view.fullRedraw = 1;
                renderScreen(t.cs.get(), screenLook(to));
                screenPump(&t.ts);
                checkDrawing(t.ts.raw, to);
                EXPECT_EQ(t.grid(), t.fresh(to, full)) << "from screen " << from << " to " << to << (full ? " full" : " empty");
                t.TearDown();
            }
        }
    }
}

// A screen repainted in place (its data changed, no full redraw) must look
// as if it had been drawn afresh: every painter clears what it drew before.
TEST(LayoutProperty, RepaintInPlaceLeavesNothingStale) {
    for (int to = 0; to <= SCR_LAST; to++) {
        if (screenLook(to)->wholeScreen) continue;  // redrawn whole or not at all
        for (int fullFirst = 0; fullFirst < 2; fullFirst++) {
            Layout t;
            t.SetUp();
            if (fullFirst) fillEverything(t.cs.get());
            t.show(to);
            auto next = std::make_unique<ClientState>();
            *next = ClientState{t.cs->caller, t.cs->term, t.cs->conn};
            if (!fullFirst) fillEverything(next.get());
            next->clock = t.cs->clock, next->render = t.cs->render, next->view.screen = to;
            next->view.contentDirty = next->view.chatDirty = next->view.noticeDirty = next->view.inputDirty = 1;
            *t.cs = *next;
            renderScreen(t.cs.get(), screenLook(to));
            screenPump(&t.ts);
            EXPECT_EQ(t.grid(), t.fresh(to, !fullFirst)) << "screen " << to << (fullFirst ? " emptied" : " filled");
            t.TearDown();
        }
    }
}

}  // namespace
