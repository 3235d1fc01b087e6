#include "session/lines.h"

#include <cstring>

#include "host/markers.h"
#include "host/nodelog.h"
#include "session/chat_commands.h"
#include "session/keys.h"
#include "session/requests.h"
#include "session/screen_parts.h"
#include "session/screen_table.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"

namespace {

constexpr int32_t CREATE_NAME_MAX = 31;      // table name typed at stage 0
constexpr int32_t WORD_MAX = 63;             // a word answer
constexpr const char* WORD_BLANK = "Type a word first - spaces alone don't count.";
constexpr int32_t TALE_TITLE_MAX = 63;       // roundTitle of a solo tale
constexpr int32_t LOUNGE_PAGE_ROWS = 8;      // tables or players a Lounge page lists
constexpr int32_t LOUNGE_ONE_PAGE = 9;       // up to this many fit the first page
constexpr int32_t TALES_PER_PAGE = 9;        // tale picker page
constexpr uint32_t PICK_TURN_MS = 90000;     // a pick turn taken with S
constexpr int32_t LIST_NUMBER_CAP = 100000;  // typed numbers stop growing here
static_assert(MAX_TABLES < LIST_NUMBER_CAP && MAX_STORIES < LIST_NUMBER_CAP, "a capped number is beyond every list");

// The choice a one-character line makes, in upper case; 0 for longer lines.
int32_t oneChoice(const char* line) {
    return line[0] && !line[1] ? keyUpper((unsigned char)line[0]) : 0;
}

// A line of digits only whose first digit is 1 to 9: its value, capped;
// 0 for anything else ("0", "01", "3a").
int32_t listNumber(const char* line) {
    if (line[0] < '1' || line[0] > '9') return 0;
    int32_t n = 0;
    for (const char* p = line; *p; p++) {
        if (*p < '0' || *p > '9') return 0;
        if (n < LIST_NUMBER_CAP) n = n * 10 + (*p - '0');
    }
    return n;
}

// A screen's choices: one upper-case character and what it does.
struct LineChoice {
    char key;
    void (*act)(ClientState* state);
};

// The action of the choice the line makes; null when it makes none.
template <size_t N>
void (*findChoice(const LineChoice (&choices)[N], const char* line))(ClientState*) {
    int32_t key = oneChoice(line);
    for (const LineChoice& choice : choices)
        if (key != 0 && choice.key == key) return choice.act;
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Main menu.

static void enterSoloPicker(ClientState* s) {
    s->table.pickerMode = 0;  // a solo pick, whatever an earlier picker left behind
    enterScreen(s, SCR_CATEGORY_PICK);
}

static void menuFeedback(ClientState* s) {
    if (s->identity.testerFeedback) openFeedbackNote(s);
    else setNotice(s, "Feedback isn't open on this board.");
}

static void menuLounge(ClientState* s) { enterScreen(s, SCR_LOUNGE); }
static void menuMailbox(ClientState* s) { enterScreen(s, SCR_MAILBOX); }
static void menuAnnouncements(ClientState* s) { enterScreen(s, SCR_ANNOUNCEMENTS); }
static void menuGuide(ClientState* s) { enterScreen(s, SCR_GUIDE); }             // page 0, no requests
static void menuSubmit(ClientState* s) { enterScreen(s, SCR_SUBMIT_INTRO); }     // clears the draft, no requests
static void menuCareHub(ClientState* s) { enterScreen(s, SCR_CARE_HUB); }
static void menuQuickHelp(ClientState* s) { goToScreen(s, SCR_QUICK_HELP); }
static void menuQuit(ClientState* s) { s->timers.running = 0; }

constexpr LineChoice MENU_CHOICES[] = {
    {'1', menuLounge},
    {'2', quickSeat},
    {'3', enterSoloPicker},
    {'M', menuMailbox},
    {'A', menuAnnouncements},
    {'H', menuGuide},
    {'S', menuSubmit},
    {'F', menuFeedback},
    {'C', menuCareHub},
    {'?', menuQuickHelp},
    {'Q', menuQuit},
};

void mainMenuLine(ClientState* s, const char* line) {
    if (auto act = findChoice(MENU_CHOICES, line)) {
        act(s);
        return;
    }
    setNotice(s, s->identity.testerFeedback ? "Type 1, 2, 3, M, A, S, F, C, H or Q and press ENTER."
                                   : "Type 1, 2, 3, M, A, S, C, H or Q and press ENTER.");
}

// ---------------------------------------------------------------------------
// Lounge.

static int32_t pagesFor(int32_t count) { return (count + LOUNGE_PAGE_ROWS - 1) / LOUNGE_PAGE_ROWS; }

static int32_t loungePageCount(const ClientState* s) {
    int32_t pages = s->lobby.tableCount <= LOUNGE_ONE_PAGE ? 1 : pagesFor(s->lobby.tableCount);
    if (s->table.playerCount > LOUNGE_ONE_PAGE && pagesFor(s->table.playerCount) > pages) pages = pagesFor(s->table.playerCount);
    return pages;
}

static void loungeNextPage(ClientState* s) {
    if (s->lobby.loungePage + 1 >= loungePageCount(s)) {
        setNotice(s, "That is the last page.");
        return;
    }
    s->lobby.loungePage++;
    s->view.fullRedraw = 1;
}

static void loungePreviousPage(ClientState* s) {
    if (s->lobby.loungePage <= 0) {
        setNotice(s, "You are on the first page.");
        return;
    }
    s->lobby.loungePage--;
    s->view.fullRedraw = 1;
}

static void loungeAskCode(ClientState* s) {
    s->lobby.codeEntry = 1;
    setNotice(s, "Type the share code and press ENTER.");
}

static void loungeCreate(ClientState* s) {
    s->table.createName[0] = 0;
    s->table.createStage = 0;
    goToScreen(s, SCR_CREATE_TABLE);
}

constexpr LineChoice LOUNGE_CHOICES[] = {
    {'J', loungeAskCode},
    {'>', loungeNextPage},
    {'.', loungeNextPage},
    {'<', loungePreviousPage},
    {',', loungePreviousPage},
    {'Q', quickSeat},
    {'M', returnToMenu},
    {'S', enterSoloPicker},
    {'C', loungeCreate},
};

static void loungeTable(ClientState* s, int32_t n) {
    int32_t count = minOf(s->lobby.tableCount, MAX_TABLES);
    if (n > count) {
        setNotice(s, "There is no table with that number.");
        return;
    }
    const TableRecord& table = s->lobby.tables[n - 1];
    if (table.locked && table.knockId[0]) {
        s->lobby.knockPrompt = n;  // the knock offer answers the next key
        s->view.noticeDirty = 1;
        return;
    }
    joinTable(s, table.code);
}

void loungeLine(ClientState* s, const char* line) {
    s->lobby.quickSeatPending = 0;
    if (s->lobby.codeEntry) {
        s->lobby.codeEntry = 0;  // lasts for exactly one line
        joinTable(s, line);
        return;
    }
    if (auto act = findChoice(LOUNGE_CHOICES, line)) {
        act(s);
        return;
    }
    if (int32_t n = listNumber(line)) {
        loungeTable(s, n);
        return;
    }
    chatLine(s, line);
}

// ---------------------------------------------------------------------------
// Creating a table: name, locked, take turns.

void createTableLine(ClientState* s, const char* line) {
    if (s->table.createStage == 0) {
        copyTextMax(s->table.createName, line, CREATE_NAME_MAX);
        s->table.createStage = 1;
        s->view.contentDirty = 1;
        return;
    }
    if ((s->table.createStage != 1 && s->table.createStage != 2) || line[1]) {
        chatLine(s, line);
        return;
    }
    int32_t answer = oneChoice(line);
    if (answer != 'Y' && answer != 'N') {
        setNotice(s, "Type Y or N and press ENTER.");
        return;
    }
    if (s->table.createStage == 1) {
        s->table.createLocked = answer == 'Y';
        s->table.createStage = 2;
        s->view.contentDirty = 1;
        return;
    }
    s->table.createRoundRobin = answer == 'Y';
    s->table.pickerMode = 2;
    s->table.pickCategory[0] = 0;
    s->table.pickStoryId = 0;
    enterScreen(s, SCR_CATEGORY_PICK);
}

// ---------------------------------------------------------------------------
// The table, the reveal and the scores.

constexpr const char* SOMEBODY_ELSE_CHOOSING = "Waiting on somebody else to choose the next tale.";

static void takePickTurn(ClientState* s) {
    if (s->table.playerCount < 2) {
        setNotice(s, "There is nobody here to play with yet.");
        return;
    }
    s->table.pickTurn = 0;
    if (s->table.pickTimerOn) {
        sendRequest(s, REQ_PICKER_CHOOSING, "{}");
        s->timers.pickDeadline = tickMs(&s->clock) + PICK_TURN_MS;
    }
    enterScreen(s, SCR_CATEGORY_PICK);
    setNotice(s, "Choose what everyone plays.");
}

// S: take the pick turn, or (the host) start the game. False: it is chat.
static bool tableStart(ClientState* s) {
    if (s->table.pickTurn) {
        takePickTurn(s);
        return true;
    }
    if (!s->table.isHost) return false;
    if (s->table.pickerName[0]) setNotice(s, SOMEBODY_ELSE_CHOOSING);
    else if (!s->table.inRoom) setNotice(s, "You're not at a table any more - pick one from the Lounge.");
    else if (s->table.playerCount >= 2) sendRequest(s, REQ_ROOM_START_NOW, "{}");
    else setNotice(s, "You need one more player before you can start.");
    return true;
}

// W: ask the table for more time in the last half minute of the turn.
static bool tableWait(ClientState* s) {
    if (!s->table.pickTurn || !s->table.pickTimerOn || s->timers.pickDeadline == 0 || s->table.playerCount < 2) return false;
    int32_t secondsLeft = (int32_t)(s->timers.pickDeadline - tickMs(&s->clock)) / 1000;
    if (secondsLeft < 1 || secondsLeft > WAIT_OFFER_SECS) return false;
    sendRequest(s, REQ_PICKER_WAIT, "{}");
    return true;
}

// C: the host changes what the table plays.
static bool tableChange(ClientState* s) {
    if (!s->table.isHost) return false;
    if (s->table.pickerName[0]) {
        setNotice(s, SOMEBODY_ELSE_CHOOSING);
        return true;
    }
    s->table.pickerMode = 1;
    enterScreen(s, SCR_CATEGORY_PICK);
    return true;
}

// 1, 2, 3 on the scores screen rate the tale just played 1, 0, -1.
static bool rateTale(ClientState* s, int32_t choice) {
    if (s->view.screen != SCR_SCORES || s->table.rateStoryId == 0 || choice < '1' || choice > '3') return false;
    s->table.rateGiven = '2' - choice;
    requestRateStory(s, s->table.rateGiven);
    s->view.contentDirty = 1;
    return true;
}

static bool tableChoice(ClientState* s, int32_t choice) {
    if (rateTale(s, choice)) return true;
    if (choice == 'L') {
        leaveTable(s);
        enterScreen(s, SCR_LOUNGE);
        return true;
    }
    if (s->view.screen != SCR_TABLE) return false;
    if (choice == 'S') return tableStart(s);
    if (choice == 'W') return tableWait(s);
    if (choice == 'C') return tableChange(s);
    return false;
}

void tableLine(ClientState* s, const char* line) {
    if (!tableChoice(s, oneChoice(line))) chatLine(s, line);
}

// ---------------------------------------------------------------------------
// A round's word.

void wordEntryLine(ClientState* s, const char* line) {
    if (s->table.inRoom && s->round.wordsDone) {
        requestChat(s, line);  // waiting for the others: every line is chat, "/quit" too
        return;
    }
    if (s->round.promptCount < 1 || s->round.wordCheckPending) return;
    while (*line == ' ') line++;
    copyTextMax(s->round.pendingWord, line, WORD_MAX);
    size_t len = strlen(s->round.pendingWord);
    while (len > 0 && s->round.pendingWord[len - 1] == ' ') s->round.pendingWord[--len] = 0;
    if (len == 0) {
        setNotice(s, WORD_BLANK);  // the caller stays on this word
        return;
    }
    s->round.wordCheckPending = 1;
    s->round.wordCheckTick = tickMs(&s->clock);
    requestWordCheck(s, s->round.pendingWord);
}

// ---------------------------------------------------------------------------
// The category and tale pickers.

// "*" (a table pick) and "M" (back out of the category list). True: taken.
static bool pickerShared(ClientState* s, int32_t choice) {
    if (choice == '*' && s->table.pickerMode != 0) {
        pickerChoose(s, "", 0, "Surprise Me");
        return true;
    }
    if (choice == 'M' && s->view.screen == SCR_CATEGORY_PICK) {
        pickerCancel(s);
        return true;
    }
    return false;
}

void categoryLine(ClientState* s, const char* line) {
    int32_t choice = oneChoice(line);
    if (pickerShared(s, choice)) return;
    int32_t count = minOf(s->picker.categoryCount, MAX_CATEGORIES);
    if (choice < 'A' || choice > 'Z' || choice - 'A' >= count) {
        setNotice(s, "Pick one of the letters listed.");
        return;
    }
    int32_t index = choice - 'A';
    s->picker.categorySel = index;
    const char* category = s->picker.categoryNames[index];
    if (s->table.pickerMode == 3 && s->table.roomAutoHost) {
        pickerChoose(s, category, 0, category);
        return;
    }
    requestStories(s, category, 0);
    s->picker.storyLoading = 1;
    s->picker.storyCount = 0;
    s->picker.storyTotal = 0;
    s->picker.storyOffset = 0;
    s->picker.storyFirstShown = 0;
    enterScreen(s, SCR_TALE_PICK);
}

static void talePageOn(ClientState* s) {
    if (s->picker.storyFirstShown + TALES_PER_PAGE < s->picker.storyCount) {
        s->picker.storyFirstShown += TALES_PER_PAGE;
        s->view.contentDirty = 1;
    } else if (s->picker.storyCount < s->picker.storyTotal) {
        setNotice(s, "One moment - still fetching the rest.");
    } else {
        setNotice(s, "That's the last of them - [P] goes back.");
    }
}

static void talePageBack(ClientState* s) {
    if (s->picker.storyFirstShown <= 0) {
        setNotice(s, "You're at the start - [N] goes on.");
        return;
    }
    s->picker.storyFirstShown = s->picker.storyFirstShown > TALES_PER_PAGE ? s->picker.storyFirstShown - TALES_PER_PAGE : 0;
    s->view.contentDirty = 1;
}

static void taleBack(ClientState* s) { enterScreen(s, SCR_CATEGORY_PICK); }

constexpr LineChoice TALE_CHOICES[] = {
    {'B', taleBack},
    {'N', talePageOn},
    {'P', talePageBack},
};

static void chooseTale(ClientState* s, int32_t n) {
    int32_t count = minOf(s->picker.storyCount, MAX_STORIES);
    if (n > count) {
        setNotice(s, s->picker.storyTotal > s->picker.storyCount ? "One moment - still fetching the rest of them."
                                                   : "There is no tale with that number.");
        return;
    }
    int32_t tale = n - 1;
    if (s->table.pickerMode == 0) {
        copyTextMax(s->round.roundTitle, s->picker.storyTitles[tale], TALE_TITLE_MAX);
        requestSoloStart(s, s->picker.storyIds[tale]);  // shows "Fetching your story..."
        return;
    }
    bool selected = s->picker.categorySel >= 0 && s->picker.categorySel < MAX_CATEGORIES;
    pickerChoose(s, selected ? s->picker.categoryNames[s->picker.categorySel] : "", s->picker.storyIds[tale], s->picker.storyTitles[tale]);
}

void taleLine(ClientState* s, const char* line) {
    if (pickerShared(s, oneChoice(line))) return;
    if (line[0] >= '1' && line[0] <= '9') {
        int32_t n = listNumber(line);
        if (n == 0) setNotice(s, "Type the number beside the tale, then ENTER.");
        else chooseTale(s, n);
        return;
    }
    if (auto act = findChoice(TALE_CHOICES, line)) act(s);
    else setNotice(s, "Pick one of the numbers listed.");
}

// ---------------------------------------------------------------------------
// The solo tale.

void soloTaleLine(ClientState* s, const char* line) {
    int32_t choice = oneChoice(line);
    if (choice == 'P') enterSoloPicker(s);
    else if (choice == 'M') returnToMenu(s);
    else chatLine(s, line);
}

// ---------------------------------------------------------------------------
// Mail and announcements.

// A digit 1 to 9 typed alone: its value; 0 for anything else.
static int32_t singleDigit(const char* line) {
    int32_t choice = oneChoice(line);
    return choice >= '1' && choice <= '9' ? choice - '0' : 0;
}

void mailboxLine(ClientState* s, const char* line) {
    int32_t count = minOf(s->mail.letterCount, MAX_LETTERS);
    if (int32_t n = singleDigit(line)) {
        if (n > count) {
            setNotice(s, "There is no letter with that number.");
            return;
        }
        Letter& letter = s->mail.letters[n - 1];
        s->mail.letterOpen = n - 1;
        letter.read = 1;
        if (s->mail.unreadCount > 0) s->mail.unreadCount--;  // as the service counts it: each opening
        requestMailMarkRead(s, letter.id);
        goToScreen(s, SCR_LETTER);
        s->mail.readScroll = 0;
        return;
    }
    if (oneChoice(line) == 'D' && count > 0) setNotice(s, "Open a letter first, then press D to delete it.");
}

void letterLine(ClientState* s, const char* line) {
    if (oneChoice(line) != 'D') {
        chatLine(s, line);
        return;
    }
    int32_t count = minOf(s->mail.letterCount, MAX_LETTERS);
    int32_t open = s->mail.letterOpen;
    bool valid = open >= 0 && open < count;
    if (valid) {
        requestMailDelete(s, s->mail.letters[open].id);
        memmove(&s->mail.letters[open], &s->mail.letters[open + 1], sizeof(Letter) * (size_t)(count - open - 1));
        s->mail.letterCount = count - 1;
        s->mail.letterOpen = -1;
    }
    goToScreen(s, SCR_MAILBOX);
    s->mail.readScroll = 0;
    requestMailList(s);  // sets mailRequested
    if (valid) setNotice(s, "Deleted.");
}

void announcementsLine(ClientState* s, const char* line) {
    int32_t n = singleDigit(line);
    if (n == 0) return;
    int32_t count = minOf(s->mail.announcementCount, MAX_ANNOUNCEMENTS);
    if (n > count) {
        setNotice(s, "There is no announcement with that number.");
        return;
    }
    Announcement& announcement = s->mail.announcements[n - 1];
    announcement.read = 1;
    markerAddRead(s->caller.userRecord, announcement.id);
    s->mail.announcementOpen = n - 1;
    goToScreen(s, SCR_ANNOUNCEMENT);
    s->mail.readScroll = 0;
}

void announcementLine(ClientState* s, const char* line) {
    if (oneChoice(line) != 'D') {
        chatLine(s, line);
        return;
    }
    int32_t count = minOf(s->mail.announcementCount, MAX_ANNOUNCEMENTS);
    int32_t open = s->mail.announcementOpen;
    bool valid = open >= 0 && open < count;
    if (valid) {
        markerAddDismissed(s->caller.userRecord, s->mail.announcements[open].id);
        memmove(&s->mail.announcements[open], &s->mail.announcements[open + 1],
                sizeof(Announcement) * (size_t)(count - open - 1));
        s->mail.announcementCount = count - 1;
        s->mail.announcementOpen = -1;
    }
    goToScreen(s, SCR_ANNOUNCEMENTS);
    s->mail.readScroll = 0;
    if (valid) setNotice(s, "Dismissed - you won't see that one again.");
}

// ---------------------------------------------------------------------------
// The care hub.

// The section whose key is this character (letters in any case); -1 none.
static int32_t careSectionOf(const ClientState* s, int32_t choice) {
    int32_t count = minOf(s->care.careSectionCount, MAX_CARE_SECTIONS);
    for (int32_t i = 0; i < count; i++)
        if (s->care.careSectionKeys[i] && keyUpper((unsigned char)s->care.careSectionKeys[i]) == choice) return i;
    return -1;
}

void careLine(ClientState* s, const char* line) {
    bool topic = s->view.screen == SCR_CARE_TOPIC;
    int32_t choice = oneChoice(line);
    if (choice == 'M') {
        returnToMenu(s);
        return;
    }
    if (topic && choice == 'B') {
        enterScreen(s, SCR_CARE_HUB);  // scroll 0, no section, fetch when needed
        return;
    }
    int32_t section = choice && s->care.careLoaded ? careSectionOf(s, choice) : -1;
    if (section < 0) {
        setNotice(s, topic ? "Press a letter for another list, [B] to go back, or [M] for the main menu."
                           : "Press one of the letters above, or [M] for the main menu.");
        return;
    }
    s->care.careSectionOpen = section;
    s->care.careSectionScroll = 0;
    goToScreen(s, SCR_CARE_TOPIC);
}

// A screen's row names who takes its lines (the editors' included); screens
// without one (quick help, actions, the "sent" screens) take every line as
// chat.
void handleLine(ClientState* state, const char* line) {
    if (!line || !line[0]) return;  // ENTER on an empty line is a key, not a line
    LineFn handle = screenDesc(state->view.screen).line;
    if (handle) handle(state, line);
    else chatLine(state, line);
}
