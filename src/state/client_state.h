// ClientState: everything the door knows, in one structure zeroed at start
// and living until exit. Handlers write into it and raise dirty flags; the
// renderer draws from it. Also the records it holds and the screen numbers.
// Fields stand in named groups, one per concern; a field joins the group
// of the screens and handlers that own it.
#pragma once
#include <cstdint>

#include "host/config.h"
#include "host/drop.h"
#include "net/connection.h"
#include "net/json.h"
#include "platform/platform.h"
#include "terminal/terminal.h"

// ---------------------------------------------------------------------------
// Screen numbers: the value of ClientState::screen. Gaps (7, 13, 16) have no
// painter; the renderer clears the body for them.
enum ScreenId : int32_t {
    SCR_WELCOME = 0,
    SCR_MAIN_MENU = 1,
    SCR_LOUNGE = 2,
    SCR_TABLE = 3,
    SCR_WORD_ENTRY = 4,
    SCR_REVEAL = 5,
    SCR_SCORES = 6,
    SCR_CATEGORY_PICK = 8,
    SCR_TALE_PICK = 9,
    SCR_SOLO_TALE = 10,
    SCR_QUICK_HELP = 11,
    SCR_FEEDBACK_WRITE = 12,
    SCR_CREATE_TABLE = 14,
    SCR_ACTIONS = 15,
    SCR_GUIDE = 17,
    SCR_MAILBOX = 18,
    SCR_LETTER = 19,
    SCR_ANNOUNCEMENTS = 20,
    SCR_ANNOUNCEMENT = 21,
    SCR_SUBMIT_INTRO = 22,
    SCR_STORY_TITLE = 23,
    SCR_STORY_WRITE = 24,
    SCR_STORY_REVIEW = 25,
    SCR_STORY_EDIT = 26,
    SCR_STORY_CATEGORY = 27,
    SCR_STORY_RATING = 28,
    SCR_STORY_EMAIL = 29,
    SCR_STORY_TERMS = 30,
    SCR_STORY_SENT = 31,
    SCR_FEEDBACK_REVIEW = 32,
    SCR_FEEDBACK_EDIT = 33,
    SCR_REPLY_WRITE = 34,
    SCR_REPLY_REVIEW = 35,
    SCR_REPLY_EDIT = 36,
    SCR_REPLY_SENT = 37,
    SCR_FEEDBACK_SENT = 38,
    SCR_REPORT = 39,
    SCR_CARE_HUB = 40,
    SCR_CARE_TOPIC = 41,
};
constexpr int32_t SCR_LAST = SCR_CARE_TOPIC;  // highest screen with a painter

// What a chat log line is; decides its layout and colour in the chat pane.
enum ChatKind : int32_t {
    CHAT_SAID = 0,      // "name: text"
    CHAT_ACTION = 1,    // emote, the text says it all
    CHAT_SYSTEM = 2,    // system line or notice
    CHAT_PRIVATE = 3,   // whisper or staff message
    CHAT_DIRECTED = 4,  // "name (to tag): text"
};

// ---------------------------------------------------------------------------
// Limits of the fixed tables.
constexpr int32_t MAX_PLAYERS = 40;         // players at a table or in the roster
constexpr int32_t MAX_TABLES = 40;          // tables listed in the Lounge
constexpr int32_t MAX_CHAT_LINES = 64;      // chat log keeps the newest lines
constexpr int32_t MAX_REVEAL_WORDS = 48;    // filled gaps of one revealed story
constexpr int32_t MAX_CATEGORIES = 32;      // categories of either list
constexpr int32_t MAX_STORIES = 128;        // tales of the story browser
constexpr int32_t MAX_PROMPTS = 128;        // words asked in one round
constexpr int32_t MAX_ACTIONS = 64;         // emote action names
constexpr int32_t MAX_ANNOUNCEMENTS = 10;   // announcements kept (dismissed ones skipped)
constexpr int32_t MAX_LETTERS = 20;         // mailbox letters
constexpr int32_t MAX_CARE_LINES = 340;     // display lines of each care hub line array
constexpr int32_t CARE_LINE_BYTES = 80;     // one care hub line: 79 characters and NUL
constexpr int32_t MAX_CARE_SECTIONS = 12;   // care hub sections
constexpr int32_t MAX_CARE_URGENT = 3;      // urgent contacts in the care hub box
constexpr int32_t MAX_STORY_GAPS = 30;      // gaps found in a submitted story
constexpr int32_t EDIT_LINE_BYTES = 73;     // one editor line: 72 characters and NUL
constexpr int32_t MAX_STORY_LINES = 24;     // story submission editor
constexpr int32_t MAX_FEEDBACK_LINES = 12;  // feedback note editor
constexpr int32_t MAX_REPLY_LINES = 10;     // mail reply editor
constexpr int32_t MAX_REPORT_LINES = 12;    // report note editor
constexpr int32_t WELCOME_SPRITES = 14;     // stars of the welcome animation
constexpr int32_t INPUT_LINE_BYTES = 255;   // typed line: 254 characters and NUL
constexpr int32_t INPUT_MAX_CHARS = INPUT_LINE_BYTES - 1;

static_assert(MAX_PLAYERS <= 99 && MAX_TABLES <= 99, "list numbers are typed as at most two digits");
static_assert(MAX_CARE_SECTIONS <= 12, "section keys without a key run from 1 up past 9 only this far");
static_assert(INPUT_MAX_CHARS == 254, "the typed line holds 254 characters");
static_assert(CARE_LINE_BYTES == 80, "care lines are 80-byte slots: indent plus 78 characters fit");

// One player at the table or, in the Lounge, in the roster.
struct PlayerRecord {
    char name[32];      // display name
    char source[16];    // "web", "bbs", "discord"...; source labels interpret it
    int32_t isMe;       // myName is not empty and equals name exactly
    int32_t isHost;     // hosts the table
    int32_t ready;      // ready, or has submitted the words
    int32_t laughs;     // score earned
    int32_t bbsNumber;  // board number of a player on a board
    int32_t colour;     // ANSI foreground 30-37 for the name and words
    char id[40];        // the player's id on the service
};

// One table in the Lounge.
struct TableRecord {
    char code[8];       // share code, 7 characters
    char name[32];      // default "Quick Match"
    char knockId[24];   // id to knock with
    int32_t players;    // seated
    int32_t capacity;   // seats: max, else capacity, else 4
    int32_t locked;     // knock to enter
    int32_t autoHost;   // the service hosts
    int32_t inGame;     // a round is on
};

// One entry of the chat log.
struct ChatLine {
    char name[32];      // sender; empty for system lines, actions and private lines
    char text[256];     // the line
    int32_t kind;       // ChatKind
    char tag[32];       // CHAT_DIRECTED: addressee, empty when it was the caller
};

struct Announcement {
    int32_t id;         // announcement id
    int32_t read;       // the caller has read it (marker file)
    char title[72];     // default "(untitled)"
    char body[700];     // text
};

// One filled-in gap of the revealed story.
struct RevealWord {
    int32_t n;            // blank number
    char value[48];       // the word
    char authorId[40];    // player who wrote it
    int32_t laughs;       // laughs it received
    int32_t laughed;      // the caller laughed at it
    int32_t mine;         // the caller wrote it
    int32_t storyOffset;  // byte position of the word in revealStory
};

// One mailbox letter.
struct Letter {
    int32_t id;           // letter id
    int32_t read;         // read flag from the service
    char sender[32];      // default "Wordwhirl"
    char subject[72];     // default "(no subject)"
    char date[11];        // first 10 characters of created_at
    char body[700];       // text
    int32_t acceptsReply; // reply_to is a non-empty string
    int32_t replied;      // replied_at is a non-empty string
};

// One gap found in a story the caller writes ({noun}, {animal:a pet}).
struct GapRecord {
    int32_t ordinal;      // 1-based position among the gaps
    char name[32];        // kind of word
    char hint[64];        // optional hint
};

// What the painters drew that decides what they draw next (the [W]ait
// offer, the reveal cursor), and the welcome stars they move. Nothing the door decides reads
// it; handlers only reset a part to make a screen start over.
struct RenderCache {
    // The welcome screen.
    int32_t welcomeSpritesReady;                  // starting positions set
    int32_t welcomeSpriteTimer[WELCOME_SPRITES];  // the star's row: ticks since it last wrapped, 1-20
    int32_t welcomeSpriteStep[WELCOME_SPRITES];   // times it wrapped
    int32_t welcomeSpriteCol[WELCOME_SPRITES];    // its column

    // Bodies.
    int32_t waitOfferShown;      // the [W]ait offer was visible at the last body draw
    int32_t revealCursorRow;     // where the current reveal word was drawn, 0 = not shown
    int32_t revealCursorCol;

    int32_t footerHighlight;     // leading footer characters in bright green, set each pass
};

// What is on screen and what must be redrawn.
struct ViewState {
    int32_t screen;             // ScreenId shown now
    int32_t fullRedraw;         // repaint everything: screen switch, authed, rating prompt
    int32_t contentDirty;       // body changed
    int32_t chatDirty;          // chat log or its scroll changed
    int32_t noticeDirty;        // notice, knock or invitation changed
    int32_t inputDirty;         // typed line changed; cursor must go back
    int32_t animDirty;          // animation frame due
    int32_t countdownDirty;     // countdown lines due (once a second)
    int32_t menuGreetingDirty;  // main menu greeting must be redrawn
    int32_t guidePage;          // 0 to 3
    int32_t guideFrame;         // animation frame of the guide
    int32_t shuffleFrame;       // table shuffle animation frame
};

// Who the caller is to the service, and what it said at log-in.
struct IdentityState {
    char boardName[32];       // as the service reported it at log-in
    char sysopName[32];       // as the service reported it at log-in
    char myName[32];          // the caller's name as the service confirmed it
    char greeting[160];       // main menu greeting
    int32_t authOk;           // the service accepted the caller
    int32_t authed;           // a greeting just arrived: main menu redraws row 4
    int32_t onlineTotal;      // players online on the whole service
    char feedbackLabel[32];   // main menu label of the feedback entry
    int32_t testerFeedback;   // feedback entry offered; default 1
};

// The Lounge: tables listed, paging, a share code being typed, a knock offered.
struct LobbyState {
    TableRecord tables[MAX_TABLES];
    int32_t tableCount;        // entries in tables
    int32_t loungePage;        // page of the Lounge lists (">" and "<")
    int32_t codeEntry;         // the next typed Lounge line is a share code
    int32_t knockPrompt;       // 1-based locked table offered for a knock, 0 = none
    int32_t quickSeatPending;  // the next table list picks a seat
};

// The table the caller sits at, its players, its dialogues and the pick turn.
struct TableState {
    char roomCode[8];                   // share code of the table the caller sits at
    int32_t inRoom;                     // seated at a table
    int32_t isHost;                     // the caller hosts the table
    int32_t roomLocked;                 // the table is locked
    PlayerRecord players[MAX_PLAYERS];  // table players, or the Lounge roster
    int32_t playerCount;                // entries in players
    int32_t playerCountSeen;            // count after the last roster or room snapshot
    char roomName[48];                  // table name
    int32_t roomAutoHost;               // the service hosts the table
    int32_t roomRoundRobin;             // players take turns picking
    char pickerName[32];                // who is picking now
    char presetLine[80];                // "Playing:  %.58s"
    int32_t createStage;                // 0 name, 1 lock, 2 take turns
    char createName[32];                // name typed for a new table
    int32_t createLocked;               // the new table is locked
    int32_t createRoundRobin;           // the new table takes turns picking
    int32_t pickerMode;                 // 0 solo, 1 change preset, 2 creating a table, 3 caller's turn
    int32_t pickTurn;                   // the caller chooses the next tale
    char pickCategory[32];              // category chosen for a new table
    int32_t pickStoryId;                // tale chosen for a new table, 0 = any
    int32_t pickTimerOn;                // the pick turn runs against pickDeadline
    char returnPendingNames[256];       // players the table waits for
    int32_t joinRequestPending;         // somebody knocks on the caller's table
    char joinRequestName[32];
    char joinRequestKnockId[48];
    int32_t invitePending;              // the caller is invited to a table
    char inviteFrom[32];
    char inviteTable[32];
    char inviteCode[8];
    char inviteFromId[48];
    int32_t rateStoryId;                // tale that may be rated, 0 = none
    int32_t rateGiven;                  // 2 = no vote yet
    char rateTitle[64];                 // title of the tale to rate
};

// The chat log and the emote actions.
struct ChatState {
    ChatLine chatLog[MAX_CHAT_LINES];  // oldest first
    int32_t chatCount;                 // 0 to 64
    int32_t chatScroll;                // display lines scrolled back, 0 = newest at the bottom
    char actions[MAX_ACTIONS][20];     // action names, 19 characters
    int32_t actionCount;               // entries held
    int32_t actionTotal;               // entries the service has
};

// Categories and the tale browser of the pickers.
struct PickerState {
    char categoryNames[MAX_CATEGORIES][32];   // the list the pickers show
    char categoryNames2[MAX_CATEGORIES][32];  // the authed list...
    char categoryKinds[MAX_CATEGORIES][12];   // ...with each kind: "normal", "holiday", "limited"
    int32_t categoryCount;                    // entries in categoryNames
    int32_t categoriesFromPick;               // categoryNames came with a pick turn
    int32_t categoryCount2;                   // entries in categoryNames2 / categoryKinds
    int32_t categorySel;                      // chosen index; negative = none
    char storyTitles[MAX_STORIES][64];
    int32_t storyIds[MAX_STORIES];
    int32_t storyBlanks[MAX_STORIES];
    char storyCategories[MAX_STORIES][32];
    int32_t storyCount;                       // tales loaded
    int32_t storyTotal;                       // tales the service holds for the category
    int32_t storyOffset;                      // offset of the page asked for
    int32_t storyLoading;                     // a page is on its way
    int32_t storyFirstShown;                  // first tale on the picker page
};

// The words asked for in this round and the caller's answers.
struct RoundState {
    char shownPromptType[32];  // kind of word asked ("adjective")
    char shownPromptHint[64];  // hint sent with the prompt
    int32_t shownPromptIndex;  // 0-based prompt shown
    int32_t shownPromptTotal;  // words this caller supplies
    char wordInputEcho[64];    // the word as typed so far, shown in the field
    int32_t totalBlanks;       // gaps in the whole tale
    char promptTypes[MAX_PROMPTS][32];
    char promptHints[MAX_PROMPTS][64];
    int32_t blankIds[MAX_PROMPTS];
    char answers[MAX_PROMPTS][64];
    int32_t promptCount;       // prompts held
    int32_t promptIndex;       // prompt being answered
    char pendingWord[64];      // word waiting for its word:check
    int32_t wordCheckPending;  // word:check in flight
    uint32_t wordCheckTick;    // when it went out; given up after 3000 ms
    int32_t wordsDone;         // all of the caller's words are in
    int32_t answersSent;       // answers out, no reply yet: the time-out must not send them twice
    int32_t timeUpSent;        // the time-out sent the words given so far; once a round, so a refusal cannot loop
    char roundTitle[64];       // tale title
    char roundCategory[48];    // tale category
};

// The finished story, table or solo, and who is still reading.
struct RevealState {
    char revealStory[4096];   // the finished story text
    RevealWord revealWords[MAX_REVEAL_WORDS];
    int32_t revealWordCount;  // entries in revealWords
    int32_t revealCursor;     // selected word
    int32_t revealDone;       // the caller is done reading the reveal
    char stillReading[181];   // who is still reading, 180 characters
    char soloStory[4096];     // the finished solo tale
    int32_t soloScroll;       // first line of the solo tale shown
};

// Mailbox and announcements.
struct MailState {
    Letter letters[MAX_LETTERS];
    int32_t letterCount;        // letters held
    int32_t unreadCount;        // letters not read
    int32_t letterOpen;         // open letter index
    Announcement announcements[MAX_ANNOUNCEMENTS];
    int32_t announcementCount;  // entries kept
    int32_t announcementOpen;   // open announcement index
    int32_t readScroll;         // scroll of the open letter or announcement
    int32_t mailRequested;      // mail:list in flight
};

// The care hub, laid out when its reply arrives.
struct CareState {
    int32_t careLoaded;                       // content laid out
    int32_t careRequested;                    // carehub:get in flight
    char careLines[MAX_CARE_LINES][CARE_LINE_BYTES];  // main page lines
    int32_t careLineTags[MAX_CARE_LINES];     // colour per line: 30-37, +100 bright
    int32_t careLineCount;                    // lines in careLines
    int32_t careScroll;                       // first main page line shown
    char careSectionLines[MAX_CARE_LINES][CARE_LINE_BYTES];  // pool shared by the sections
    int32_t careSectionLineTags[MAX_CARE_LINES];  // colour per pool line
    int32_t careSectionLinesUsed;             // pool lines in use
    char careSectionTitles[MAX_CARE_SECTIONS][48];  // 47 characters
    char careSectionKeys[MAX_CARE_SECTIONS];  // one letter or digit each
    int32_t careSectionStart[MAX_CARE_SECTIONS];  // first pool line of each section
    int32_t careSectionLineCount[MAX_CARE_SECTIONS];  // pool lines of each section
    int32_t careSectionCount;                 // sections held
    int32_t careSectionOpen;                  // open section, -1 = none
    int32_t careSectionScroll;                // first line of the open section shown
    char careUrgentNames[MAX_CARE_URGENT][33];  // "%.32s"
    char careUrgentContacts[MAX_CARE_URGENT][41];  // "%.40s"
    int32_t careUrgentCount;                  // urgent contacts held
};

// The note, reply, report and story editors.
struct EditorsState {
    char feedbackLines[MAX_FEEDBACK_LINES][EDIT_LINE_BYTES];
    int32_t feedbackLineCount;
    int32_t feedbackEditLine;         // 1-based marked line, 0 = none
    char replyLines[MAX_REPLY_LINES][EDIT_LINE_BYTES];
    int32_t replyLineCount;
    int32_t replyEditLine;            // 1-based marked line, 0 = none
    int32_t replyToId;                // letter answered
    char reportLines[MAX_REPORT_LINES][EDIT_LINE_BYTES];
    int32_t reportLineCount;
    int32_t reportStage;              // 0 reason, 1 note, 2 tale or player, 3 which player
    int32_t reportIsTale;             // about the tale, not a player
    char reportReason[40];            // reason code, 39 characters
    char reportTargetId[40];          // reported player's socket id
    char reportTargetName[32];        // reported player's name
    int32_t reportDeferred;           // report opens when the round is over
    int32_t leaveReportPrompt;        // asking whether to leave the table to report
    char storyTitle[61];              // 60 characters
    char storyLines[MAX_STORY_LINES][EDIT_LINE_BYTES];
    int32_t storyLineCount;
    int32_t storyEditLine;            // 1-based marked line, 0 = none
    int32_t storyScroll;
    GapRecord storyGaps[MAX_STORY_GAPS];
    int32_t storyGapCount;
    int32_t storySent;                // submission:submit in flight
    char storyCategory[48];           // chosen category
    char storyRequestedCategory[48];  // suggested category, 47; the byte 1 alone = asked for
    char storyRating[8];              // "G", "PG", "PG-17", "R"
    char storyEmail[96];              // 95 characters
};

// The service's verdicts on the caller and on itself.
struct StandingState {
    int32_t maintenance;      // the service is in maintenance
    char maintenanceText[200];
    int32_t barred;           // the caller is timed out or banned
    int32_t barredTimedOut;   // a time-out rather than a ban
    char barredError[260];
    char barredUntil[72];
    char barredReason[160];
};

// The typed line and the notice row.
struct InputState {
    char inputLine[INPUT_LINE_BYTES];  // printable characters only
    int32_t inputLen;                  // 0 to 254
    char noticeText[256];              // one-line notice on row 23
    uint32_t noticeTick;               // when it was set; it expires after 25 s
};

// Deadlines and clocks (tickMs values, 0 = none) and the loop's own timing.
struct TimersState {
    uint32_t startDeadline;   // round starts
    uint32_t wordDeadline;    // word entry ends
    uint32_t revealDeadline;  // voting on the reveal ends
    uint32_t scoresDeadline;  // final warning on the scores screen ends
    uint32_t pickDeadline;    // pick turn ends
    uint32_t doorStartTick;   // start-up; BBS time left counts from it
    uint32_t lastInputTick;   // the caller's last key
    int32_t idleWarned;       // the idle warning was given since the last key
    uint32_t lastTimerTick;   // when the quarter-second timers last ran
    uint32_t uiTicks;         // quarter-second ticks run since start-up; wraps harmlessly
    int32_t running;          // main loop runs while 1
    int32_t loopHold;         // a last screen or notice is held before leaving
    uint32_t loopHoldEnd;     // tick at which the hold ends and the loop stops
    int32_t verdictWait;      // maintenance or bar screen up, waiting for a key
};

struct ClientState {
    CallerInfo caller;         // from the drop file
    TerminalChannel term;      // the caller's terminal
    ServerConnection conn;     // the game service
    DoorConfig cfg;            // door.cfg as read at start-up
    NodeLog log;               // the node log: where, which node, a failure to tell
    DoorClock clock;           // the door's one clock; started at start-up
    JsonDocument lineDoc;      // the service line being routed; remade for every line
    RenderCache render;        // what the widgets and painters last drew
    ViewState view;
    IdentityState identity;
    LobbyState lobby;
    TableState table;
    ChatState chat;
    PickerState picker;
    RoundState round;
    RevealState reveal;
    MailState mail;
    CareState care;
    EditorsState editors;
    StandingState standing;
    InputState input;
    TimersState timers;
};