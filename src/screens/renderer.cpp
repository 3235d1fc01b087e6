#include "screens/renderer.h"

#include <cstring>

#include "host/nodelog.h"
#include "platform/text.h"
#include "screens/care.h"
#include "screens/countdowns.h"
#include "screens/editors.h"
#include "screens/lounge.h"
#include "screens/mail.h"
#include "screens/menu.h"
#include "screens/report.h"
#include "screens/reveal.h"
#include "screens/round.h"
#include "screens/submit.h"
#include "screens/welcome.h"
#include "state/client_state.h"
#include "terminal/screen.h"
#include "screens/widgets.h"

namespace {

// Countdown lines of the table and round screens. They check the screen
// themselves, so the renderer calls them on every screen.
constexpr PaintFn COUNTDOWN_LINES = drawCountdowns;       // every countdown of the screen, once a second
constexpr PaintFn CHOOSE_COUNTDOWN = drawChooseCountdown; // the choosing lines, after every body repaint

// How a screen uses rows 19 to 22.
enum ChatPaneUse : int32_t {
    PANE_SHOWN,        // the chat pane
    PANE_AT_TABLE,     // the chat pane while seated, else blank rows
    PANE_BLANK,        // rows 19-22 stay blank; chat lines only clear them
    PANE_BODY,         // the body painter owns rows 19-22
    PANE_MENU,         // the main menu: body rows, plus the greeting on row 4
};

using PromptFn = const char* (*)(ClientState* cs, FooterText* buf);

// Defaults stand for an unlisted number, so each row names only what it has.
struct ScreenEntry {
    int32_t listed = 0;             // 0: a gap in the numbering
    int32_t wholeScreen = 0;        // owns all 24 rows: no header, chat, footer or input
    PaintFn paint = nullptr;        // body painter; null until built: the body is cleared
    ChatPaneUse pane = PANE_SHOWN;
    const char* prompt = nullptr;   // fixed footer prompt
    PromptFn promptOf = nullptr;    // footer prompt that depends on the state (wins)
};

constexpr int32_t FOOTER_HL_PICK = 18;    // "[S]elect Next Tale"
constexpr int32_t FOOTER_HL_LAUGH = 13;   // "[SPACE] Laugh"
constexpr int32_t FOOTER_HL_MORE = 12;    // "[Space] More"
constexpr int32_t CARE_PAGE_ROWS = 17;    // care hub lines on one page
constexpr int32_t STORY_WRITE_MAX = 24;   // lines the story editor takes
constexpr int32_t STORY_REVIEW_ROWS = 10; // review fits this many lines without reading keys
constexpr int32_t TALE_PAGE = 9;          // tales on one picker page
constexpr char GREETING_DEFAULT[] = "Come on in - what are we playing?";

int32_t minOf(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t maxOf(int32_t a, int32_t b) { return a > b ? a : b; }

// Whole seconds from now to a deadline, truncated toward zero.
int32_t secondsUntil(uint32_t deadline) { return (int32_t)(deadline - tickMs()) / 1000; }

// ---- footer prompts that depend on the state ----

const char* promptLounge(ClientState* cs, FooterText*) {
    return cs->codeEntry
        ? "Type The Share Code And Press ENTER   (or just ENTER to forget it)"
        : "[#] Sit Down  [J]oin By Code  [Q] Quick Play  [C] Create  [S] Solo  [M] Menu";
}

const char* promptTable(ClientState* cs, FooterText*) {
    if (cs->pickTurn && cs->playerCount > 1) {
        cs->render.footerHighlight = FOOTER_HL_PICK;
        int32_t secs = secondsUntil(cs->pickDeadline);
        return (cs->pickTimerOn && secs >= 1 && secs <= WAIT_OFFER_SECS)
            ? "[S]elect Next Tale   [W]ait - Not Ready Yet   [L]eave Room"
            : "[S]elect Next Tale   [L]eave Room";
    }
    if (!cs->pickerName[0] && cs->isHost) return "[S]tart   [C]hange The Story   [L]eave Room";
    return "[L]eave Room";
}

const char* promptWordEntry(ClientState* cs, FooterText*) {
    if (cs->wordsDone)
        return cs->inRoom ? "Waiting For The Others - Type To Chat   [ESC] Leave Room"
                          : "Waiting For The Others To Finish";
    if (cs->wordDeadline && tickPassed(tickMs(), cs->wordDeadline))
        return "Time's Up - Sending What You Have";
    return cs->inRoom ? "Type Your Word And Press ENTER   [ESC] Leave Room"
                      : "Type Your Word And Press ENTER   [ESC] Main Menu";
}

const char* promptReveal(ClientState* cs, FooterText* buf) {
    cs->render.footerHighlight = FOOTER_HL_LAUGH;
    if (!cs->revealDone)
        return cs->inRoom ? "[SPACE] Laugh   [Up/Down] Read The Tale   [ENTER] Done   [ESC] Leave"
                          : "[SPACE] Laugh   [Up/Down] Read The Tale   [ENTER] Done Reading";
    if (cs->stillReading[0]) {
        formatText(buf->text, "Still reading: %.140s%s", cs->stillReading,
                   cs->inRoom ? "   [L]eave Room" : "");
        return buf->text;
    }
    return cs->inRoom ? "Waiting For The Others To Finish Reading   [L]eave Room"
                      : "Waiting For The Others To Finish Reading";
}

const char* promptScores(ClientState* cs, FooterText*) {
    if (!cs->rateStoryId) return "[ENTER] Play Again   [L]eave Room";
    return cs->rateGiven == 2
        ? "[1] Loved It  [2] It Was Fine  [3] Not For Us  [ENTER] Play Again  [L]eave"
        : "Thank you for your vote!   [ENTER] Play Again   [L]eave Room";
}

constexpr const char* CATEGORY_PROMPTS[] = {
    "Pick A Category   [M] Main Menu",                               // 0 solo
    "Pick A Category   [*] Surprise Me   [ESC] Back To Your Table",  // 1 changing the preset
    "Pick A Category   [*] Surprise Me   [ESC] Never Mind",          // 2 creating a table
    "Pick A Category   [*] Surprise Me",                             // 3 the caller's turn
};
constexpr int32_t PICKER_MODES = (int32_t)(sizeof CATEGORY_PROMPTS / sizeof CATEGORY_PROMPTS[0]);

const char* promptCategoryPick(ClientState* cs, FooterText*) {
    if (cs->storyLoading) return "Fetching The Tales...";
    int32_t mode = (cs->pickerMode >= 0 && cs->pickerMode < PICKER_MODES) ? cs->pickerMode : 0;
    return CATEGORY_PROMPTS[mode];
}

const char* promptTalePick(ClientState* cs, FooterText*) {
    if (cs->storyLoading) return "Fetching The Tales...";
    bool surprise = cs->pickerMode != 0;
    if (cs->storyTotal > TALE_PAGE)
        return surprise ? "Type A Number   [N] Next   [P] Previous   [*] Surprise Me   [B] Back"
                        : "Type A Number   [N] Next   [P] Previous   [B] Back To Categories";
    return surprise ? "Pick A Tale   [*] Surprise Me   [B] Back To Categories"
                    : "Pick A Tale   [B] Back To Categories";
}

constexpr const char* CREATE_PROMPTS[] = {
    "Type A Name And Press ENTER   [ESC] Never Mind",
    "[Y] Lock It   [N] Leave It Open   [ESC] Never Mind",
    "[Y] Take Turns   [N] I'll Pick   [ESC] Never Mind",
};
constexpr int32_t CREATE_STAGES = (int32_t)(sizeof CREATE_PROMPTS / sizeof CREATE_PROMPTS[0]);

const char* promptCreateTable(ClientState* cs, FooterText*) {
    int32_t stage = (cs->createStage >= 0 && cs->createStage < CREATE_STAGES) ? cs->createStage : 0;
    return CREATE_PROMPTS[stage];
}

const char* promptMailbox(ClientState* cs, FooterText*) {
    return cs->letterCount >= 1 ? "[1-9] Read   [ENTER] Back To The Menu" : "[ENTER] Back To The Menu";
}

const char* promptAnnouncements(ClientState* cs, FooterText*) {
    return cs->announcementCount >= 1 ? "[1-9] Read   [ENTER] Back To The Menu"
                                      : "[ENTER] Back To The Menu";
}

const char* promptStoryWrite(ClientState* cs, FooterText*) {
    return cs->storyLineCount < STORY_WRITE_MAX
        ? "Type A Line And Press ENTER   -   ENTER On An Empty Line When Done"
        : "That's as long as it can be - press ENTER to read it back";
}

const char* promptStoryReview(ClientState* cs, FooterText*) {
    return cs->storyLineCount < STORY_REVIEW_ROWS
        ? "[S]end It   [C]hange It   [M] Main Menu"
        : "[S]end It   [C]hange It   [Up/Down] Read   [M] Main Menu";
}

constexpr char PROMPT_NEW_LINE[] =
    "Type The New Line   -   ENTER On Its Own Deletes It   [ESC] Never Mind";

const char* promptStoryEdit(ClientState* cs, FooterText*) {
    return cs->storyEditLine > 0 ? PROMPT_NEW_LINE
                                 : "Type A Line Number To Change It   [0] Add A Line   [ESC] Done";
}

const char* promptNoteEdit(int32_t markedLine) {
    return markedLine > 0 ? PROMPT_NEW_LINE
                          : "Type A Line Number To Change It   [0] Add More   [ESC] Done";
}
const char* promptFeedbackEdit(ClientState* cs, FooterText*) { return promptNoteEdit(cs->feedbackEditLine); }
const char* promptReplyEdit(ClientState* cs, FooterText*) { return promptNoteEdit(cs->replyEditLine); }

const char* promptStoryTerms(ClientState* cs, FooterText*) {
    return cs->storySent ? "Sending..." : "Type I AGREE To Submit, Or C To Cancel";
}

const char* promptReport(ClientState* cs, FooterText*) {
    return cs->reportStage == 1 ? "ENTER On An Empty Line When You Are Done   [ESC] Never Mind"
                                : "Type The Number   [ESC] Never Mind";
}

const char* promptCareHub(ClientState* cs, FooterText*) {
    if (!cs->careLoaded) return "[M] Main Menu";
    if (cs->careLineCount > cs->careScroll + CARE_PAGE_ROWS) {
        cs->render.footerHighlight = FOOTER_HL_MORE;
        return "[Space] More   [Up/Down] Read   Select a category   [M] Main Menu";
    }
    return cs->careScroll < 1 ? "Select a category above for resource listings.   [M] Main Menu"
                              : "[Up/Down] Read   Select a category above   [M] Main Menu";
}

const char* promptCareTopic(ClientState* cs, FooterText*) {
    int32_t open = cs->careSectionOpen;
    int32_t lines = (open >= 0 && open < minOf(cs->careSectionCount, MAX_CARE_SECTIONS))
        ? cs->careSectionLineCount[open] : 0;
    if (lines > cs->careSectionScroll + CARE_PAGE_ROWS) {
        cs->render.footerHighlight = FOOTER_HL_MORE;
        return "[Space] More   [Up/Down] Read   [B] Care Hub   [M] Main Menu";
    }
    return cs->careSectionScroll < 1 ? "[B] Care Hub   [M] Main Menu"
                                     : "[Up/Down] Read   [B] Care Hub   [M] Main Menu";
}

constexpr char PROMPT_BACK[] = "[ENTER] Back";
constexpr char PROMPT_WRITE_NOTE[] = "ENTER On An Empty Line When You Are Done   [ESC] Cancel";

// The screen set. Index = screen number; unlisted numbers have no painter:
// cleared body, empty footer, chat pane. To give a screen its body, set its
// .paint to the painter.
constexpr ScreenEntry SCREENS[SCR_LAST + 1] = {
    /* 0 SCR_WELCOME */ {.listed = 1, .wholeScreen = 1, .paint = paintWelcome},
    /* 1 SCR_MAIN_MENU */ {.listed = 1, .paint = paintMainMenu, .pane = PANE_MENU,
        .prompt = "Type Your Choice And Press ENTER"},
    /* 2 SCR_LOUNGE */ {.listed = 1, .paint = paintLounge, .pane = PANE_SHOWN, .promptOf = promptLounge},
    /* 3 SCR_TABLE */ {.listed = 1, .paint = paintTable, .pane = PANE_SHOWN, .promptOf = promptTable},
    /* 4 SCR_WORD_ENTRY */ {.listed = 1, .paint = paintWordEntry, .pane = PANE_AT_TABLE, .promptOf = promptWordEntry},
    /* 5 SCR_REVEAL */ {.listed = 1, .paint = paintReveal, .pane = PANE_SHOWN, .promptOf = promptReveal},
    /* 6 SCR_SCORES */ {.listed = 1, .paint = paintScores, .pane = PANE_SHOWN, .promptOf = promptScores},
    /* 7 */ {},
    /* 8 SCR_CATEGORY_PICK */ {.listed = 1, .paint = paintCategoryPick, .pane = PANE_BLANK, .promptOf = promptCategoryPick},
    /* 9 SCR_TALE_PICK */ {.listed = 1, .paint = paintTalePick, .pane = PANE_BLANK, .promptOf = promptTalePick},
    // The tale's box runs to row 22, so the rows a chat pane would take are its own.
    /* 10 SCR_SOLO_TALE */ {.listed = 1, .paint = paintSoloTale, .pane = PANE_BODY,
        .prompt = "[Up/Down] Read   [SPACE] Page   [P] Play Again   [M] Main Menu"},
    /* 11 SCR_QUICK_HELP */ {.listed = 1, .paint = paintQuickHelp, .pane = PANE_SHOWN, .prompt = PROMPT_BACK},
    /* 12 SCR_FEEDBACK_WRITE */ {.listed = 1, .paint = paintFeedbackWrite, .pane = PANE_BLANK, .prompt = PROMPT_WRITE_NOTE},
    /* 13 */ {},
    /* 14 SCR_CREATE_TABLE */ {.listed = 1, .paint = paintCreateTable, .pane = PANE_SHOWN, .promptOf = promptCreateTable},
    /* 15 SCR_ACTIONS */ {.listed = 1, .paint = paintActions, .pane = PANE_SHOWN, .prompt = PROMPT_BACK},
    /* 16 */ {},
    /* 17 SCR_GUIDE */ {.listed = 1, .wholeScreen = 1, .paint = paintGuide},
    /* 18 SCR_MAILBOX */ {.listed = 1, .paint = paintMailbox, .pane = PANE_BLANK, .promptOf = promptMailbox},
    /* 19 SCR_LETTER */ {.listed = 1, .paint = paintLetter, .pane = PANE_BLANK,
        .prompt = "[Up/Down] Read   [D] Delete   [ENTER] Back To Your Mailbox"},
    /* 20 SCR_ANNOUNCEMENTS */ {.listed = 1, .paint = paintAnnouncements, .pane = PANE_BLANK, .promptOf = promptAnnouncements},
    /* 21 SCR_ANNOUNCEMENT */ {.listed = 1, .paint = paintAnnouncement, .pane = PANE_BLANK,
        .prompt = "[Up/Down] Read   [D] Dismiss   [ENTER] Back To Announcements"},
    /* 22 SCR_SUBMIT_INTRO */ {.listed = 1, .paint = paintSubmitIntro, .pane = PANE_BLANK,
        .prompt = "[ENTER] Start Writing   [M] Main Menu"},
    /* 23 SCR_STORY_TITLE */ {.listed = 1, .paint = paintStoryTitle, .pane = PANE_BLANK,
        .prompt = "Type A Title And Press ENTER   [ESC] Never Mind"},
    /* 24 SCR_STORY_WRITE */ {.listed = 1, .paint = paintStoryWrite, .pane = PANE_BLANK, .promptOf = promptStoryWrite},
    /* 25 SCR_STORY_REVIEW */ {.listed = 1, .paint = paintStoryReview, .pane = PANE_BLANK, .promptOf = promptStoryReview},
    /* 26 SCR_STORY_EDIT */ {.listed = 1, .paint = paintStoryEdit, .pane = PANE_BLANK, .promptOf = promptStoryEdit},
    /* 27 SCR_STORY_CATEGORY */ {.listed = 1, .paint = paintStoryCategory, .pane = PANE_BLANK,
        .prompt = "Pick A Category   [*] Suggest Your Own   [ESC] Never Mind"},
    /* 28 SCR_STORY_RATING */ {.listed = 1, .paint = paintStoryRating, .pane = PANE_BLANK,
        .prompt = "[1] G   [2] PG   [3] PG-17   [4] R"},
    /* 29 SCR_STORY_EMAIL */ {.listed = 1, .paint = paintStoryEmail, .pane = PANE_BLANK,
        .prompt = "Type An Email, Or Press ENTER To Skip"},
    /* 30 SCR_STORY_TERMS */ {.listed = 1, .paint = paintStoryTerms, .pane = PANE_BLANK, .promptOf = promptStoryTerms},
    /* 31 SCR_STORY_SENT */ {.listed = 1, .paint = paintStorySent, .pane = PANE_BLANK, .prompt = "[ENTER] Back To The Menu"},
    /* 32 SCR_FEEDBACK_REVIEW */ {.listed = 1, .paint = paintFeedbackReview, .pane = PANE_BLANK,
        .prompt = "[S]end It   [C]hange It   [D]elete It   [M] Main Menu"},
    /* 33 SCR_FEEDBACK_EDIT */ {.listed = 1, .paint = paintFeedbackEdit, .pane = PANE_SHOWN, .promptOf = promptFeedbackEdit},
    /* 34 SCR_REPLY_WRITE */ {.listed = 1, .paint = paintReplyWrite, .pane = PANE_SHOWN, .prompt = PROMPT_WRITE_NOTE},
    /* 35 SCR_REPLY_REVIEW */ {.listed = 1, .paint = paintReplyReview, .pane = PANE_SHOWN,
        .prompt = "[S]end It   [C]hange It   [D]elete It   [ESC] Back"},
    /* 36 SCR_REPLY_EDIT */ {.listed = 1, .paint = paintReplyEdit, .pane = PANE_SHOWN, .promptOf = promptReplyEdit},
    /* 37 SCR_REPLY_SENT */ {.listed = 1, .paint = paintReplySent, .pane = PANE_SHOWN, .prompt = "[ENTER] Back To Your Mailbox"},
    /* 38 SCR_FEEDBACK_SENT */ {.listed = 1, .paint = paintFeedbackSent, .pane = PANE_BLANK, .prompt = "[ENTER] Main Menu"},
    /* 39 SCR_REPORT */ {.listed = 1, .paint = paintReport, .pane = PANE_BLANK, .promptOf = promptReport},
    /* 40 SCR_CARE_HUB */ {.listed = 1, .paint = paintCareHub, .pane = PANE_BODY, .promptOf = promptCareHub},
    /* 41 SCR_CARE_TOPIC */ {.listed = 1, .paint = paintCareTopic, .pane = PANE_BODY, .promptOf = promptCareTopic},
};

// The gaps of the numbering are exactly the unlisted entries.
constexpr bool screenTableMatchesNumbers() {
    for (int32_t i = 0; i <= SCR_LAST; i++) {
        bool gap = i == 7 || i == 13 || i == 16;
        if ((SCREENS[i].listed != 0) == gap) return false;
        if (SCREENS[i].wholeScreen != (i == SCR_WELCOME || i == SCR_GUIDE)) return false;
    }
    return true;
}
static_assert(screenTableMatchesNumbers(), "screen table rows follow the screen numbers");

// Unlisted screen numbers: no painter, empty footer, the chat pane.
constexpr ScreenEntry UNLISTED_SCREEN = {};

const ScreenEntry& screenEntry(int32_t screen) {
    if (screen < 0 || screen > SCR_LAST) return UNLISTED_SCREEN;
    return SCREENS[screen];
}

// ---- steps of the pass ----

// Slots may stay empty until their painter exists. Tested through a
// parameter so that a plugged-in function raises no always-true warning.
bool paintIfAny(PaintFn fn, Canvas* cv, const ClientState* cs) {
    if (!fn) return false;
    fn(cv, cs);
    return true;
}

// Keys move a scroll by whole steps without knowing how long the text is;
// it is brought back within what the view shows as the view is drawn, so
// the next key moves on from what the caller sees. Done here, not at the
// key, so that the keys of one pass add up before the view bounds them.
void keepScrollInView(ClientState* cs) {
    if (cs->screen == SCR_LETTER || cs->screen == SCR_ANNOUNCEMENT) cs->readScroll = readScrollShown(cs);
    else if (cs->screen == SCR_SOLO_TALE) cs->soloScroll = soloScrollShown(cs);
}

void renderBody(Canvas* cv, ClientState* cs, const ScreenEntry& entry) {
    keepScrollInView(cs);
    if (!paintIfAny(entry.paint, cv, cs)) screenClearBody(cv->term);
}

// The chat pane is drawn with the scroll it can show, which is then kept.
void renderChatPane(Canvas* cv, ClientState* cs) {
    cs->chatScroll = chatScrollShown(cs);
    drawChatPane(cv, cs);
    cs->inputDirty = 1;
}

void clearChatRows(Canvas* cv) {
    for (int32_t row = CHAT_TOP_ROW; row <= CHAT_BOTTOM_ROW; row++) screenClearLine(cv->term, row);
}

void drawMenuGreeting(Canvas* cv, const ClientState* cs) {
    screenClearLine(cv->term, SCREEN_BODY_TOP);
    screenCentreText(cv->term, SCREEN_BODY_TOP, COL_CYAN, 1,
                     cs->greeting[0] ? cs->greeting : GREETING_DEFAULT);
    screenGoto(cv->term, INPUT_ROW, INPUT_TEXT_COL + minOf(maxOf(cs->inputLen, 0), INPUT_CURSOR_SPAN));
    screenShowCursor(cv->term, 1);
}

void renderChatRows(Canvas* cv, ClientState* cs, const ScreenEntry& entry) {
    ChatPaneUse pane = entry.pane;
    if (pane == PANE_AT_TABLE) pane = cs->inRoom ? PANE_SHOWN : PANE_BLANK;
    if (cs->chatDirty) {
        cs->chatDirty = 0;
        if (pane == PANE_SHOWN) renderChatPane(cv, cs);
        else cs->inputDirty = 1;
        if (pane == PANE_BLANK) clearChatRows(cv);
    }
    // Log-in raises authed, the online count only menuGreetingDirty: either
    // repaints the greeting row.
    if (pane == PANE_MENU && (cs->authed || cs->menuGreetingDirty)) {
        drawMenuGreeting(cv, cs);
        cs->authed = 0;
        cs->menuGreetingDirty = 0;
    }
}

// The word entry field: the last 50 characters typed, padded with blanks;
// an empty field shows where typing starts. The input line's cache is
// dropped: row 24 is not where the typing shows on this screen.
void drawWordField(Canvas* cv, const ClientState* cs) {
    char field[WORD_FIELD_WIDTH + 1];
    int32_t len = (int32_t)strnlen(cs->inputLine, sizeof cs->inputLine);
    const char* shown = len > WORD_FIELD_WIDTH ? cs->inputLine + len - WORD_FIELD_WIDTH
                                               : (len == 0 ? "_" : cs->inputLine);
    int32_t n = (int32_t)strlen(shown);
    memcpy(field, shown, (size_t)n);
    memset(field + n, ' ', (size_t)(WORD_FIELD_WIDTH - n));
    field[WORD_FIELD_WIDTH] = 0;
    screenColourText(cv->term, WORD_FIELD_ROW, WORD_FIELD_COL, COL_WHITE, 1, field);
    cv->cache->inputLineDrawn = 0;
    screenGoto(cv->term, WORD_FIELD_ROW, WORD_FIELD_COL + minOf(maxOf(cs->inputLen, 0), WORD_FIELD_WIDTH));
    screenShowCursor(cv->term, 1);
}

// Returns 1 when the input line (or the word field) was drawn.
int32_t renderInput(Canvas* cv, ClientState* cs) {
    if (!cs->inputDirty) return 0;
    if (cs->screen == SCR_WORD_ENTRY && !cs->wordsDone) drawWordField(cv, cs);
    else drawInputLine(cv, cs);
    cs->inputDirty = 0;
    return 1;
}


int32_t drawWrappedAt(Canvas* cv, int32_t row, int32_t col, int32_t width, int32_t fg,
                      int32_t bright, const char* text, int32_t lastRow, bool centred) {
    if (!text || !text[0] || lastRow < row || width < 1) return row;
    const char* rest = text;
    while (*rest && row <= lastRow) {
        int32_t n = textPieceLength(rest, width);
        char piece[WRAP_PIECE_MAX + 1];
        copyTextMax(piece, rest, (size_t)n);
        if (centred) screenCentreText(cv->term, row, fg, bright, piece);
        else screenColourText(cv->term, row, col, fg, bright, piece);
        row++;
        rest += n;
        while (*rest == ' ') rest++;
    }
    return row;
}

}  // namespace

int32_t waitOfferVisible(const ClientState* cs) {
    if (!cs->pickTurn || !cs->pickTimerOn || cs->pickDeadline < 1 || cs->playerCount < 2) return 0;
    int32_t secs = secondsUntil(cs->pickDeadline);
    return (secs >= 1 && secs <= WAIT_OFFER_SECS) ? 1 : 0;
}

const char* screenPrompt(ClientState* cs, FooterText* buf) {
    const ScreenEntry& entry = screenEntry(cs->screen);
    if (entry.promptOf) return entry.promptOf(cs, buf);
    return entry.prompt ? entry.prompt : "";
}

const char* overlayPrompt(const ClientState* cs, FooterText* buf) {
    if (cs->joinRequestPending) {
        formatText(buf->text, "%.20s Would Like To Join   -   [Y] Let Them In   [N] No Thanks",
                   cs->joinRequestName);
    } else if (cs->invitePending) {
        formatText(buf->text, "%.18s Invites You To \"%.22s\"   -   [J] Join   [D] Decline",
                   cs->inviteFrom, cs->inviteTable);
    } else if (cs->knockPrompt) {
        copyText(buf->text, "[K]nock - Request To Join   -   Any Other Key Cancels");
    } else if (cs->leaveReportPrompt) {
        copyText(buf->text, "[L] Leave The Table And File Your Report   -   Any Other Key Cancels");
    } else {
        return nullptr;
    }
    return buf->text;
}

Canvas canvasOf(ClientState* cs) { return {&cs->term, &cs->render}; }

void redrawAll(ClientState* cs) {
    Canvas cv = canvasOf(cs);
    screenClear(cv.term);
    if (drawStatusBar(&cv, cs)) cs->inputDirty = 1;
    renderChatPane(&cv, cs);
}

void renderScreen(ClientState* cs) {
    Canvas canvas = canvasOf(cs);
    Canvas* cv = &canvas;
    RenderCache* rc = &cs->render;
    const ScreenEntry& entry = screenEntry(cs->screen);
    rc->footerHighlight = 0;
    FooterText overlayBuf;
    const char* overlay = overlayPrompt(cs, &overlayBuf);

    if (entry.wholeScreen) {
        if (!cs->animDirty && !cs->fullRedraw) return;
        if (!paintIfAny(entry.paint, cv, cs)) screenClear(cv->term);
        cs->animDirty = 0;
        cs->fullRedraw = 0;
        screenFlush(cv->term);
        return;
    }

    if (cs->fullRedraw) {
        redrawAll(cs);
        cs->fullRedraw = 0;
        cs->inputDirty = cs->noticeDirty = cs->chatDirty = cs->contentDirty = 1;
    }

    int32_t waitOffer = waitOfferVisible(cs);
    if (waitOffer != rc->waitOfferShown) {
        rc->waitOfferShown = waitOffer;
        cs->contentDirty = 1;
    }

    if (!cs->contentDirty) {
        if (cs->countdownDirty) {
            paintIfAny(COUNTDOWN_LINES, cv, cs);
            cs->countdownDirty = 0;
            cs->inputDirty = 1;
        }
    } else {
        renderBody(cv, cs, entry);
        paintIfAny(CHOOSE_COUNTDOWN, cv, cs);
        cs->contentDirty = 0;
        cs->countdownDirty = 0;
        cs->inputDirty = 1;
    }

    if (drawStatusBar(cv, cs)) cs->inputDirty = 1;
    renderChatRows(cv, cs, entry);

    FooterText promptBuf;
    const char* prompt = screenPrompt(cs, &promptBuf);
    if (drawFooter(cv, cs, overlay ? overlay : prompt)) cs->inputDirty = 1;
    cs->noticeDirty = 0;

    // The reveal's cursor sits on the current word; it is put back only in
    // a pass that moved the cursor away, so an idle pass writes nothing.
    if (renderInput(cv, cs) && cs->screen == SCR_REVEAL && cs->inputLen == 0 &&
        rc->revealCursorRow >= 1) {
        screenGoto(cv->term, rc->revealCursorRow, rc->revealCursorCol);
        screenShowCursor(cv->term, 1);
    }
}

int32_t drawWrapped(Canvas* cv, int32_t row, int32_t col, int32_t width, int32_t fg,
                    int32_t bright, const char* text, int32_t lastRow) {
    return drawWrappedAt(cv, row, col, width, fg, bright, text, lastRow, false);
}

int32_t drawWrappedCentred(Canvas* cv, int32_t row, int32_t width, int32_t fg,
                           int32_t bright, const char* text, int32_t lastRow) {
    return drawWrappedAt(cv, row, 1, width, fg, bright, text, lastRow, true);
}

void drawCentredField(Canvas* cv, int32_t row, int32_t col, int32_t width, int32_t fg,
                      const char* text) {
    width = minOf(width, SCREEN_COLS);
    if (width < 1) return;
    char field[SCREEN_COLS + 1];
    int32_t len = minOf(text ? (int32_t)strlen(text) : 0, width);
    int32_t lead = maxOf((width - len) / 2, 0);
    memset(field, ' ', (size_t)width);
    if (len > 0) memcpy(field + lead, text, (size_t)len);
    field[width] = 0;
    screenColourText(cv->term, row, col, fg, 1, field);
}
