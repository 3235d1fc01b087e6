#include "screens/menu.h"

#include "platform/text.h"
#include "screens/renderer.h"
#include "screens/service_screens.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

// A line of fixed text: left-aligned at col, or centred when col is 0.
struct TextRow {
    int32_t row;
    int32_t col;
    int32_t fg;
    int32_t bright;
    const char* text;
};

template <size_t N>
void drawRows(Canvas* cv, const TextRow (&rows)[N]) {
    for (const TextRow& t : rows) {
        if (t.col > 0) screenColourText(cv->term, t.row, t.col, t.fg, t.bright, t.text);
        else screenCentreText(cv->term, t.row, t.fg, t.bright, t.text);
    }
}

// ---- main menu ----

constexpr char GREETING_DEFAULT[] = "Come on in - what are we playing?";
constexpr int32_t MENU_GREETING_ROW = 4;
constexpr int32_t MENU_CLEAR_LAST = 22;     // the menu owns rows 4-22
constexpr int32_t MENU_BOX_TOP = 6, MENU_BOX_LEFT = 18, MENU_BOX_BOTTOM = 21, MENU_BOX_RIGHT = 62;
constexpr int32_t MENU_KEY_COL = 22;
constexpr int32_t MENU_LABEL_COL = 26;

enum MenuLabel : int32_t {
    LABEL_FIXED,          // the label as written
    LABEL_MAILBOX,        // with the unread letters
    LABEL_ANNOUNCEMENTS,  // with the unread announcements
    LABEL_FEEDBACK,       // the service's label; only for testers
};

struct MenuEntry {
    int32_t row;
    const char* key;
    const char* label;
    MenuLabel kind;
};

constexpr MenuEntry MENU_ENTRIES[] = {
    {8, "[1]", "The Lounge - chat + find a game", LABEL_FIXED},
    {9, "[2]", "Quick Match - get matched", LABEL_FIXED},
    {10, "[3]", "Solo - play on your own", LABEL_FIXED},
    {12, "[M]", "Mailbox", LABEL_MAILBOX},
    {13, "[A]", "Announcements", LABEL_ANNOUNCEMENTS},
    {14, "[S]", "Submit A Story", LABEL_FIXED},
    {15, "[F]", "Game Feedback", LABEL_FEEDBACK},
    {17, "[C]", "Care Hub", LABEL_FIXED},
    {18, "[H]", "How To Play", LABEL_FIXED},
    {19, "[Q]", "Back to the BBS", LABEL_FIXED},
};

// A label with a count of new items turns green while there is any.
void countedLabel(char (&out)[48], int32_t* fg, const char* label, int32_t count) {
    if (count < 1) {
        copyText(out, label);
        return;
    }
    formatText(out, "%s (%d new)", label, count);
    *fg = COL_GREEN;
}

// false when the entry is not offered.
bool menuLabel(const ClientState* cs, const MenuEntry& e, char (&out)[48], int32_t* fg) {
    *fg = COL_WHITE;
    switch (e.kind) {
    case LABEL_MAILBOX: countedLabel(out, fg, e.label, cs->mail.unreadCount); return true;
    case LABEL_ANNOUNCEMENTS: countedLabel(out, fg, e.label, unreadAnnouncements(cs)); return true;
    case LABEL_FEEDBACK:
        if (!cs->identity.testerFeedback) return false;
        copyText(out, cs->identity.feedbackLabel[0] ? cs->identity.feedbackLabel : e.label);
        return true;
    case LABEL_FIXED: break;
    }
    copyText(out, e.label);
    return true;
}

// ---- quick help ----

constexpr char HELP_TITLE[] = "H O W   T O   P L A Y";
constexpr char HELP_INTRO[] =
    "You are given a few words to fill in - a noun here, something silly there. You never see "
    "the story itself, only the gaps. When everybody has filled theirs in, the whole thing is "
    "read out at once, and you mark the lines that made you laugh. Most laughs wins.";
constexpr int32_t HELP_INTRO_ROW = 6, HELP_INTRO_COL = 6;
constexpr int32_t HELP_INTRO_WIDTH = 68, HELP_INTRO_LAST = 9;

constexpr TextRow HELP_ROWS[] = {
    {11, 6, COL_CYAN, 1, "A table is just a game with a few people at it."},
    {12, 8, COL_WHITE, 0, "Sit at one from the Lounge, or start your own with [C]reate."},
    {14, 6, COL_CYAN, 1, "Talk any time - type at the bottom and press ENTER."},
    {15, 8, COL_WHITE, 0, ">name  aims it at somebody - everybody still sees it."},
    {16, 8, COL_WHITE, 0, "/name  whispers it - only the two of you ever do."},
    {17, 8, COL_WHITE, 0, "wave Jason  is an action - no slash.   /actions  /who  /quit"},
    {18, 6, COL_GREEN, 1, "Need to report a player or a story? Use /report from any chat prompt."},
};

// ---- actions ----

constexpr int32_t ACTIONS_TOP = 6;
constexpr int32_t ACTIONS_PER_COLUMN = 11;   // rows 6-16
constexpr int32_t ACTIONS_FIRST_COL = 8;
constexpr int32_t ACTIONS_COL_STEP = 18;     // columns 8, 26, 44
static_assert(ACTIONS_SHOWN_MAX == 3 * ACTIONS_PER_COLUMN, "three columns fill the list");
static_assert(ACTIONS_SHOWN_MAX <= MAX_ACTIONS, "never more shown than held");

// ---- guide ----

constexpr int32_t GUIDE_TITLE_ROW = 5;
constexpr int32_t GUIDE_KEYS_ROW = 23;
constexpr int32_t GUIDE_HEADER_TITLE_COL = 4;
constexpr int32_t GUIDE_HEADER_NAME_COL = 65;

constexpr const char* GUIDE_TITLES[GUIDE_PAGES] = {
    "A   B R A N D   N E W   S T O R Y   E V E R Y   T I M E !",
    "H O W   A   R O U N D   W O R K S",
    "C H A T   C O M M A N D S",
    "P L A Y   Y O U R   W A Y .   P L A Y   T O G E T H E R .",
};

// Page 0: the fixed text, then three answers typing themselves in.
constexpr TextRow GUIDE_PAGE0_ROWS[] = {
    {7, 0, COL_WHITE, 0, "Wordwhirl is a word game where you fill in the missing"},
    {8, 0, COL_WHITE, 0, "words before you get to see the story."},
    {10, 0, COL_WHITE, 0, "The game may ask for a noun (a person, place, or thing), a verb"},
    {11, 0, COL_WHITE, 0, "(an action), an adjective (a describing word), or something"},
    {12, 0, COL_WHITE, 0, "completely ridiculous!"},
    {14, 0, COL_CYAN, 1, "Just answer the prompt and have fun with it."},
};

constexpr int32_t ANSWER_LABEL_END = 38;     // labels end here
constexpr int32_t ANSWER_COL = 42;
constexpr unsigned char ANSWER_HIDDEN = 0xB1;  // a letter not typed yet
constexpr int32_t ANSWERS_TYPED = 30;        // frames 0-29 type the answers
constexpr int32_t SENTENCE_FRAME = 32;       // from here the sentence stands
constexpr int32_t SENTENCE_ROW = 20;
constexpr int32_t SENTENCE_NOTE_ROW = 22;

struct TypedAnswer {
    int32_t row;
    const char* label;
    const char* word;
    int32_t fg;
    int32_t firstFrame;   // letters shown = frame - firstFrame
    int32_t lastFrame;    // the last frame it types on: whole from here on
};

constexpr TypedAnswer ANSWERS[] = {
    {16, "A COLOR:", "purple", COL_MAGENTA, 3, 9},
    {17, "AN ANIMAL:", "llama", COL_GREEN, 12, 17},
    {18, "SOMETHING YOU EAT:", "spaghetti", COL_CYAN, 20, ANSWERS_TYPED - 1},
};

struct SentencePart {
    int32_t col;
    int32_t fg;
    const char* text;
};

constexpr SentencePart SENTENCE[] = {
    {7, COL_WHITE, "The"},
    {11, COL_MAGENTA, "purple"},
    {18, COL_GREEN, "llama"},
    {24, COL_WHITE, "was caught eating"},
    {42, COL_CYAN, "spaghetti"},
    {52, COL_WHITE, "in the royal bathtub!"},
};

// Page 1: three steps, the one in focus lit up in turn.
struct GuideStep {
    int32_t row;
    const char* heading;
    const char* line1;
    const char* line2;
};

constexpr GuideStep STEPS[] = {
    {7, "1. CHOOSE YOUR WORDS",
     "The game gives each player a few simple prompts. Type an answer",
     "for each one - funny, clever, strange, or completely wild!"},
    {11, "2. LOCK THEM IN",
     "When your answers are ready, lock them in. The story stays",
     "hidden until everyone has finished."},
    {15, "3. REVEAL, LAUGH, AND VOTE",
     "Then watch the whole story unfold, with everybody's words in place.",
     "In group games, vote for the words you found the funniest."},
};
constexpr int32_t STEP_COUNT = (int32_t)(sizeof STEPS / sizeof STEPS[0]);
constexpr int32_t STEP_FRAMES = 8;           // frames each step stays in focus

constexpr TextRow GUIDE_PAGE1_ROWS[] = {
    {20, 0, COL_CYAN, 1, "Every player is assigned a color, and their words keep that color"},
    {21, 0, COL_CYAN, 1, "during the reveal - so you always know who said what!"},
};

// Page 2: the chat commands.
constexpr int32_t COMMAND_COL = 6;
constexpr int32_t COMMAND_TEXT_COL = 29;

struct ChatCommand {
    int32_t row;
    const char* command;
    int32_t fg;
    const char* meaning;
};

constexpr ChatCommand COMMANDS[] = {
    {8, ">name message", COL_YELLOW, "Public directed message"},
    {9, "/name message", COL_YELLOW, "Send a private message"},
    {12, "wave Sam", COL_GREEN, "Action word example"},
    {13, "wave Sam secretly", COL_GREEN, "Action only seen by recipient"},
    {16, "/actions", COL_CYAN, "List all available actions"},
    {17, "/ignore name", COL_CYAN, "Hide a player's messages."},
    {18, "/unignore name", COL_CYAN, "Let them through again."},
    {19, "/page on | off", COL_CYAN, "Allow or block invites to join a table."},
    {21, "/invite name", COL_MAGENTA, "Your table only: ask somebody to join."},
    {22, "/kick name", COL_MAGENTA, "Your table only: remove somebody."},
};

// Page 3: ways to play and the content notice.
constexpr TextRow GUIDE_PAGE3_ROWS[] = {
    {7, 0, COL_WHITE, 0, "Play solo, gather a group of friends, or jump into Quick Match"},
    {8, 0, COL_WHITE, 0, "and be paired with other players."},
    {10, 0, COL_WHITE, 0, "Wordwhirl is cross-platform."},
    {11, 0, COL_WHITE, 0, "Players can join from any Wordwhirl platform."},
    {13, 0, COL_CYAN, 1, "Fill in the blanks, share the laughs, and tell it again tomorrow."},
    {15, 0, COL_GREEN, 1, "Need to report a player or a story? Use /report from any chat prompt."},
    {17, 0, COL_YELLOW, 1, "P L A Y E R   C O N T E N T   N O T I C E"},
    {18, 0, COL_BLUE, 1, "Wordwhirl includes user generated content. In multiplayer games,"},
    {19, 0, COL_BLUE, 1, "words entered by other players may be offensive or inappropriate."},
    {20, 0, COL_BLUE, 1, "Player discretion is advised. Wordwhirl may not be suitable"},
    {21, 0, COL_BLUE, 1, "for all audiences."},
};

// Pages 2 and 3: the title cycles through six colours, three frames each.
constexpr int32_t TITLE_COLOUR_FRAMES = 3;
constexpr int32_t TITLE_COLOUR_COUNT = 6;
constexpr int32_t PAGE2_TITLE_COLOURS[TITLE_COLOUR_COUNT] = {COL_CYAN, COL_GREEN, COL_YELLOW,
                                                             COL_MAGENTA, COL_GREEN, COL_CYAN};
constexpr int32_t PAGE3_TITLE_COLOURS[TITLE_COLOUR_COUNT] = {COL_YELLOW, COL_MAGENTA, COL_CYAN,
                                                             COL_GREEN, COL_WHITE, COL_MAGENTA};

// A page number the guide can show; the key handler keeps it in range.
int32_t guidePageShown(const ClientState* cs) {
    if (cs->view.guidePage < 0) return 0;
    return minOf(cs->view.guidePage, GUIDE_PAGES - 1);
}

void drawGuideFrame(Canvas* cv, int32_t page) {
    screenClear(cv->term);
    drawHeaderBox(cv);
    screenColourText(cv->term, 2, GUIDE_HEADER_TITLE_COL, COL_YELLOW, 1, "W O R D W H I R L");
    screenColourText(cv->term, 2, GUIDE_HEADER_NAME_COL, COL_CYAN, 0, "How To Play");
    screenCentreText(cv->term, GUIDE_TITLE_ROW, COL_WHITE, 1, GUIDE_TITLES[page]);
    bool last = page == GUIDE_PAGES - 1;
    screenCentreText(cv->term, GUIDE_KEYS_ROW, COL_CYAN, 0,
                     last ? "[ENTER] MAIN MENU" : "[ENTER] NEXT     [S] MAIN MENU");
    screenShowCursor(cv->term, 0);
}

void drawPage0Text(Canvas* cv) {
    drawRows(cv, GUIDE_PAGE0_ROWS);
    for (const TypedAnswer& a : ANSWERS)
        screenColourText(cv->term, a.row, ANSWER_LABEL_END + 1 - (int32_t)strlen(a.label), COL_YELLOW, 0,
                         a.label);
}

void drawPage1Text(Canvas* cv) {
    for (const GuideStep& s : STEPS) {
        screenCentreText(cv->term, s.row + 1, COL_WHITE, 0, s.line1);
        screenCentreText(cv->term, s.row + 2, COL_WHITE, 0, s.line2);
    }
    drawRows(cv, GUIDE_PAGE1_ROWS);
}

void drawPage2Text(Canvas* cv) {
    for (const ChatCommand& c : COMMANDS) {
        screenColourText(cv->term, c.row, COMMAND_COL, c.fg, 1, c.command);
        screenColourText(cv->term, c.row, COMMAND_TEXT_COL, COL_WHITE, 0, c.meaning);
    }
}

void drawPage3Text(Canvas* cv) { drawRows(cv, GUIDE_PAGE3_ROWS); }

// One answer with shown letters in its colour and the rest still hidden.
void drawTypedAnswer(Canvas* cv, const TypedAnswer& a, int32_t frame) {
    int32_t len = (int32_t)strlen(a.word);
    int32_t shown = frame - a.firstFrame;
    shown = shown < 0 ? 0 : minOf(shown, len);
    char part[16];
    copyTextMax(part, a.word, (size_t)shown);
    if (shown > 0) screenColourText(cv->term, a.row, ANSWER_COL, a.fg, 1, part);
    int32_t hidden = len - shown;
    if (hidden < 1) return;
    memset(part, ANSWER_HIDDEN, (size_t)hidden);
    part[hidden] = 0;
    screenColourText(cv->term, a.row, ANSWER_COL + shown, COL_BLUE, 0, part);
}
static_assert(sizeof "spaghetti" < 16, "every answer fits the letter buffer");

// Each frame is drawn whole on a cleared page: the answers as far as they
// are typed, then the sentence once it stands.
void animatePage0(Canvas* cv, int32_t frame) {
    for (const TypedAnswer& a : ANSWERS) drawTypedAnswer(cv, a, minOf(frame, a.lastFrame));
    if (frame < SENTENCE_FRAME) return;
    for (const SentencePart& p : SENTENCE) screenColourText(cv->term, SENTENCE_ROW, p.col, p.fg, 1, p.text);
    screenCentreText(cv->term, SENTENCE_NOTE_ROW, COL_YELLOW, 1,
                     "Once every word is locked in, the complete story is revealed!");
}

void animatePage1(Canvas* cv, int32_t frame) {
    int32_t focus = (frame / STEP_FRAMES) % STEP_COUNT;
    for (int32_t i = 0; i < STEP_COUNT; i++) {
        screenClearLine(cv->term, STEPS[i].row);
        if (i == focus) screenCentreText(cv->term, STEPS[i].row, COL_YELLOW, 1, STEPS[i].heading);
        else screenCentreText(cv->term, STEPS[i].row, COL_BLUE, 0, STEPS[i].heading);
    }
}

void animateTitle(Canvas* cv, int32_t page, int32_t frame, const int32_t* colours) {
    int32_t index = (frame / TITLE_COLOUR_FRAMES) % TITLE_COLOUR_COUNT;
    screenCentreText(cv->term, GUIDE_TITLE_ROW, colours[index], 1, GUIDE_TITLES[page]);
}

void animatePage2(Canvas* cv, int32_t frame) {
    animateTitle(cv, 2, frame, PAGE2_TITLE_COLOURS);
}
void animatePage3(Canvas* cv, int32_t frame) {
    animateTitle(cv, 3, frame, PAGE3_TITLE_COLOURS);
}

struct GuidePage {
    void (*fixedText)(Canvas* cv);
    void (*animate)(Canvas* cv, int32_t frame);
};

constexpr GuidePage GUIDE[GUIDE_PAGES] = {
    {drawPage0Text, animatePage0},
    {drawPage1Text, animatePage1},
    {drawPage2Text, animatePage2},
    {drawPage3Text, animatePage3},
};

}  // namespace

int32_t unreadAnnouncements(const ClientState* cs) {
    int32_t n = minOf(cs->mail.announcementCount, MAX_ANNOUNCEMENTS), unread = 0;
    for (int32_t i = 0; i < n; i++)
        if (!cs->mail.announcements[i].read) unread++;
    return unread;
}

void paintMainMenu(Canvas* cv, const ClientState* cs) {
    for (int32_t row = MENU_GREETING_ROW; row <= MENU_CLEAR_LAST; row++) screenClearLine(cv->term, row);
    screenCentreText(cv->term, MENU_GREETING_ROW, COL_CYAN, 1,
                     cs->identity.greeting[0] ? cs->identity.greeting : GREETING_DEFAULT);
    screenBox(cv->term, MENU_BOX_TOP, MENU_BOX_LEFT, MENU_BOX_BOTTOM, MENU_BOX_RIGHT, COL_CYAN, 1,
              nullptr);
    for (const MenuEntry& e : MENU_ENTRIES) {
        char label[48];
        int32_t fg;
        if (!menuLabel(cs, e, label, &fg)) continue;
        screenColourText(cv->term, e.row, MENU_KEY_COL, COL_YELLOW, 1, e.key);
        screenColourText(cv->term, e.row, MENU_LABEL_COL, fg, 1, label);
    }
}

void paintQuickHelp(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, 4, COL_YELLOW, 1, HELP_TITLE);
    drawWrapped(cv, HELP_INTRO_ROW, HELP_INTRO_COL, HELP_INTRO_WIDTH, COL_WHITE, 0, HELP_INTRO,
                HELP_INTRO_LAST);
    drawRows(cv, HELP_ROWS);
}

void paintActions(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, 4, COL_YELLOW, 1, "T H I N G S   Y O U   C A N   D O");
    int32_t n = minOf(minOf(cs->chat.actionCount, MAX_ACTIONS), ACTIONS_SHOWN_MAX);
    if (n < 1) {
        screenCentreText(cv->term, 9, COL_WHITE, 0, "One moment - getting the list...");
        return;
    }
    for (int32_t i = 0; i < n; i++) {
        char cell[17];
        formatText(cell, "%-16.16s", cs->chat.actions[i]);
        int32_t col = ACTIONS_FIRST_COL + (i / ACTIONS_PER_COLUMN) * ACTIONS_COL_STEP;
        screenColourText(cv->term, ACTIONS_TOP + i % ACTIONS_PER_COLUMN, col, COL_WHITE, 1, cell);
    }
    screenColourText(cv->term, 18, 8, COL_CYAN, 0,
                     "Just type one, with a name after it   -   e.g.  wave Jason");
}

// Every frame is drawn whole; the differ sends what the animation changed.
void paintGuide(Canvas* cv, const ClientState* cs) {
    int32_t page = guidePageShown(cs);
    drawGuideFrame(cv, page);
    GUIDE[page].fixedText(cv);
    GUIDE[page].animate(cv, cs->view.guideFrame < 0 ? 0 : cs->view.guideFrame);
}
