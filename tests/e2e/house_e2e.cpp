// Two real doors on two nodes meeting through the real house service: both
// log in under their own names, a Lounge line and a whisper cross between
// them, both sit down at the Quick Play table by its number, table chat
// reaches the other caller, and a house bot fills the third seat. Then a
// whole round at a caller's own table, with a bot, through to the scores.
#ifdef WW_HOUSE_BINARY
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "e2e/e2e_common.h"

namespace {

// The house on a free port; its "listening on" line gives the port.
// fast: bots sit down and answer ten times sooner.
struct House {
    pid_t pid = 0;
    int port = 0;
    explicit House(bool fast = false) {
        int out[2];
        if (pipe(out) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            execl(WW_HOUSE_BINARY, WW_HOUSE_BINARY, "--port", "0", fast ? "--fast" : static_cast<char*>(nullptr),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[128] = {0};
        if (f && std::fgets(line, sizeof line, f)) {
            const char* colon = std::strrchr(line, ':');
            port = colon ? std::atoi(colon + 1) : 0;
        }
        if (f) std::fclose(f);
    }
    ~House() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};


// Logged in, past the guide, on the main menu.
void toMainMenu(Door* door, int node, int port, const std::string& alias) {
    startTelnet(door, node, port, "bbsid=house-test\n", alias);
    ASSERT_TRUE(bbsWaitRow(&door->host, 16, "Welcome, " + alias + "!")) << bbsRow(&door->host, 16);
    bbsSendKeys(&door->host, "x");
    ASSERT_TRUE(bbsWaitRow(&door->host, 23, "[S] MAIN MENU"));
    bbsSendKeys(&door->host, "s");
    ASSERT_TRUE(waitOnScreen(&door->host, "Back to the BBS"));
}

TEST(HouseE2e, TwoDoorsMeetInTheLoungeAndAtOneTable) {
    House house;
    ASSERT_GT(house.port, 0) << "the house did not say where it listens";
    Door ann, bob;
    toMainMenu(&ann, 1, house.port, "Ann");
    toMainMenu(&bob, 2, house.port, "Bob");

    bbsSendKeys(&ann.host, "1\r");
    bbsSendKeys(&bob.host, "1\r");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // both in the Lounge
    bbsSendKeys(&ann.host, "hello from Ann\r");
    EXPECT_TRUE(waitOnScreen(&bob.host, "hello from Ann"));
    bbsSendKeys(&ann.host, "/Bob psst\r");
    EXPECT_TRUE(waitOnScreen(&bob.host, "Ann whispers to you: psst"));
    EXPECT_TRUE(waitOnScreen(&ann.host, "You whisper to Bob: psst"));

    // Table 1 of the Lounge is the house's Quick Play table.
    bbsSendKeys(&ann.host, "1\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Ann sat down at the table."));
    bbsSendKeys(&bob.host, "1\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Bob sat down at the table."));
    bbsSendKeys(&ann.host, "hi table\r");
    EXPECT_TRUE(waitOnScreen(&bob.host, "hi table"));
    // Two callers are a thin table: a house bot sits down after a moment.
    EXPECT_TRUE(waitOnScreen(&bob.host, "sat down to keep you company."));
    EXPECT_TRUE(waitOnScreen(&ann.host, "sat down to keep you company."));

    bbsSendKeys(&ann.host, "/quit\r");
    bbsSendKeys(&bob.host, "/quit\r");
    EXPECT_EQ(bbsWaitExit(&ann.host), 0);
    EXPECT_EQ(bbsWaitExit(&bob.host), 0);
}

// The first row (from 1) showing text, 0 when none.
int rowWith(const BbsHost* host, const std::string& text) {
    for (int row = 1; row <= 24; row++)
        if (bbsRow(host, row).find(text) != std::string::npos) return row;
    return 0;
}

// Lets both doors draw whatever is on its way.
void settle(Door* a, Door* b) {
    for (int i = 0; i < 10; i++) {
        bbsPump(&a->host);
        bbsPump(&b->host);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Whoever is asked to choose opens the picker and takes the first tale of
// the first category; the other door names the chooser.
void chooseTale(Door* ann, Door* bob) {
    const std::string turn = "Your turn to choose the next tale.";
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(BBS_WAIT_MS);
    Door* chooser = nullptr;
    while (!chooser && std::chrono::steady_clock::now() < end) {
        settle(ann, bob);
        if (rowWith(&ann->host, turn)) chooser = ann;
        if (rowWith(&bob->host, turn)) chooser = bob;
    }
    ASSERT_NE(chooser, nullptr) << "nobody was asked to choose\n" << bbsRow(&ann->host, 17) << "\n" << bbsRow(&bob->host, 17);
    Door* other = chooser == ann ? bob : ann;
    EXPECT_TRUE(waitOnScreen(&other->host, "to choose the next tale...")) << bbsRow(&other->host, 17);
    bbsSendKeys(&chooser->host, "s\r");
    ASSERT_TRUE(waitOnScreen(&chooser->host, "Y O U R   T U R N   T O   C H O O S E"));
    bbsSendKeys(&chooser->host, "a\r");
    ASSERT_TRUE(waitOnScreen(&chooser->host, "[1] "));
    bbsSendKeys(&chooser->host, "1\r");
}

// Gives a word for every prompt ("<prefix>a", "<prefix>b" ...), each checked
// by the house, until the words are locked in (or, when this caller was the
// last to give them, the tale is read out at once).
void fillWords(Door* door, const std::string& prefix) {
    BbsHost* host = &door->host;
    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 1 of ")) << bbsRow(host, 4);
    int total = std::atoi(bbsRow(host, 4).c_str() + bbsRow(host, 4).find(" of ") + 4);
    ASSERT_GT(total, 0) << bbsRow(host, 4);
    for (int i = 1; i <= total; i++) {
        ASSERT_TRUE(bbsWaitRow(host, 4, "Your word " + std::to_string(i) + " of ")) << bbsRow(host, 4);
        bbsSendKeys(host, prefix + static_cast<char>('a' + i - 1) + "\r");
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(BBS_WAIT_MS);
    while (!rowWith(host, "L O C K E D   I N !") && !rowWith(host, "[SPACE] Laugh")) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "words not taken: " << bbsRow(host, 23);
        bbsPump(host);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The story area of the reveal (inside its box) cell by cell: text, colour,
// brightness and the underline of the current word.
std::string storyArea(const BbsHost* host) {
    std::string cells;
    for (int row = 6; row <= 16; row++) {
        for (int col = 5; col <= 74; col++) {
            cells += screenTextAt(&host->screen, row, col, 1);
            cells += std::to_string(screenFgAt(&host->screen, row, col)) + (screenBrightAt(&host->screen, row, col) ? "b" : "n") +
                     (screenUnderlineAt(&host->screen, row, col) ? "u" : "-");
        }
        cells += "\n";
    }
    return cells;
}

// The current word of the reveal with its writer (row 18 without the
// reading time, which changes every second).
std::string currentWord(const BbsHost* host) {
    return screenTextAt(&host->screen, 18, 1, 55);
}

// Laughs at the first word on the reveal that somebody else wrote.
void laughAtSomebodyElse(BbsHost* host) {
    for (int i = 0; i < 20 && currentWord(host).find("(yours)") != std::string::npos; i++) {
        std::string before = currentWord(host);
        bbsSendKeys(host, "\x1b[B");
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        while (currentWord(host) == before && std::chrono::steady_clock::now() < end) {
            bbsPump(host);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    bbsSendKeys(host, " ");
    EXPECT_TRUE(bbsWaitRow(host, 18, "you laughed")) << bbsRow(host, 18);
}

TEST(HouseE2e, TwoDoorsAndABotPlayAWholeRoundAtTheirOwnTable) {
    House house(true);
    ASSERT_GT(house.port, 0) << "the house did not say where it listens";
    Door ann, bob;
    toMainMenu(&ann, 1, house.port, "Ann");
    toMainMenu(&bob, 2, house.port, "Bob");
    if (HasFatalFailure()) return;

    // Ann opens an open table where she picks; Bob sits down by its code.
    bbsSendKeys(&ann.host, "1\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "T H E   L O U N G E"));
    bbsSendKeys(&ann.host, "c\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "What shall we call it?"));
    bbsSendKeys(&ann.host, "Story Den\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Lock this table?"));
    bbsSendKeys(&ann.host, "n\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Take turns picking?"));
    bbsSendKeys(&ann.host, "n\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "[A] "));
    bbsSendKeys(&ann.host, "*\r");  // nothing set beforehand: the host chooses each round
    ASSERT_TRUE(bbsWaitRow(&ann.host, 6, "Share code:  ")) << bbsRow(&ann.host, 6);
    std::string code = bbsRow(&ann.host, 6).substr(bbsRow(&ann.host, 6).find("Share code:  ") + 13);
    ASSERT_EQ(code.size(), 6u) << code;
    bbsSendKeys(&bob.host, "1\r");
    ASSERT_TRUE(waitOnScreen(&bob.host, "T H E   L O U N G E"));
    bbsSendKeys(&bob.host, "j\r");
    ASSERT_TRUE(waitOnScreen(&bob.host, "Type the share code and press ENTER."));
    bbsSendKeys(&bob.host, code + "\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Bob sat down at the table."));
    ASSERT_TRUE(bbsWaitRow(&bob.host, 4, "Story Den"));
    // A thin table gets a house bot (named "... (bot)") among the players.
    ASSERT_TRUE(waitOnScreen(&ann.host, "(bot)"));
    ASSERT_TRUE(waitOnScreen(&bob.host, "(bot)"));

    bbsSendKeys(&ann.host, "s\r");
    chooseTale(&ann, &bob);
    if (HasFatalFailure()) return;
    fillWords(&ann, "ann");
    fillWords(&bob, "bob");
    if (HasFatalFailure()) return;

    // Both see the same tale, every word in its writer's colour.
    ASSERT_TRUE(waitOnScreen(&ann.host, "[SPACE] Laugh"));
    ASSERT_TRUE(waitOnScreen(&bob.host, "[SPACE] Laugh"));
    settle(&ann, &bob);
    std::string annStory = storyArea(&ann.host);
    EXPECT_EQ(annStory, storyArea(&bob.host));
    EXPECT_EQ(bbsRow(&ann.host, 4), bbsRow(&bob.host, 4)) << "the title";
    // Each caller's words are on the screen, bright and not in the text's white.
    for (const std::string& word : {std::string("anna"), std::string("boba")}) {
        int row = rowWith(&ann.host, word);
        ASSERT_GE(row, 6) << word << " is not shown\n" << annStory;
        int col = 1 + (int)screenRowText(&ann.host.screen, row).find(word);
        EXPECT_TRUE(screenBrightAt(&ann.host.screen, row, col)) << word;
        EXPECT_NE(screenFgAt(&ann.host.screen, row, col), 37) << word;
    }
    int annRow = rowWith(&ann.host, "anna"), bobRow = rowWith(&ann.host, "boba");
    EXPECT_NE(screenFgAt(&ann.host.screen, annRow, 1 + (int)screenRowText(&ann.host.screen, annRow).find("anna")),
              screenFgAt(&ann.host.screen, bobRow, 1 + (int)screenRowText(&ann.host.screen, bobRow).find("boba")))
        << "two writers, two colours";

    laughAtSomebodyElse(&ann.host);
    laughAtSomebodyElse(&bob.host);
    bbsSendKeys(&ann.host, "\r");
    bbsSendKeys(&bob.host, "\r");

    // The scores: the same standings on both screens, three players.
    for (Door* d : {&ann, &bob}) {
        ASSERT_TRUE(waitOnScreen(&d->host, "Ann")) << bbsRow(&d->host, 12);
        ASSERT_TRUE(bbsWaitRow(&d->host, 23, "[1] Loved It")) << bbsRow(&d->host, 23);
    }
    settle(&ann, &bob);
    for (int row = 5; row <= 16; row++) EXPECT_EQ(bbsRow(&ann.host, row), bbsRow(&bob.host, row)) << "row " << row;
    EXPECT_TRUE(rowWith(&ann.host, "Ann") && rowWith(&ann.host, "Bob") && rowWith(&ann.host, "(bot)"))
        << bbsRow(&ann.host, 12) << "\n" << bbsRow(&ann.host, 13) << "\n" << bbsRow(&ann.host, 14);

    // Everybody back at the table for the next round.
    bbsSendKeys(&ann.host, "\r");
    bbsSendKeys(&bob.host, "\r");
    EXPECT_TRUE(bbsWaitRow(&ann.host, 4, "Story Den"));
    EXPECT_TRUE(bbsWaitRow(&bob.host, 4, "Story Den"));
    EXPECT_TRUE(waitOnScreen(&ann.host, "[S]tart your game when ready.")) << bbsRow(&ann.host, 17);

    bbsSendKeys(&ann.host, "/quit\r");
    bbsSendKeys(&bob.host, "/quit\r");
    EXPECT_EQ(bbsWaitExit(&ann.host), 0);
    EXPECT_EQ(bbsWaitExit(&bob.host), 0);
}

}  // namespace
#endif
