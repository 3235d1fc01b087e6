#include "screens/renderer.h"

#include <cstring>

#include "host/nodelog.h"
#include "platform/text.h"
#include "screens/care.h"
#include "screens/countdowns.h"
#include "screens/editors.h"
#include "screens/lounge.h"
#include "screens/mail.h"
#include "screens/prompts.h"
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

constexpr char GREETING_DEFAULT[] = "Come on in - what are we playing?";

int32_t minOf(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t maxOf(int32_t a, int32_t b) { return a > b ? a : b; }

// Whole seconds from now to a deadline, truncated toward zero.
int32_t secondsUntil(uint32_t deadline) { return (int32_t)(deadline - tickMs()) / 1000; }

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
bool paintIfAny(PaintFn fn, ClientState* cs) {
    if (!fn) return false;
    fn(cs);
    return true;
}

void paintBody(ClientState* cs, const ScreenEntry& entry) {
    if (!paintIfAny(entry.paint, cs)) screenClearBody(cs);
}

void clearChatRows(ClientState* cs) {
    for (int32_t row = CHAT_TOP_ROW; row <= CHAT_BOTTOM_ROW; row++) screenClearLine(cs, row);
}

void drawMenuGreeting(ClientState* cs) {
    screenClearLine(cs, SCREEN_BODY_TOP);
    screenCentreText(cs, SCREEN_BODY_TOP, COL_CYAN, 1, cs->greeting[0] ? cs->greeting : GREETING_DEFAULT);
    cs->authed = 0;
    cs->menuGreetingDirty = 0;
    screenGoto(cs, INPUT_ROW, INPUT_TEXT_COL + minOf(maxOf(cs->inputLen, 0), INPUT_CURSOR_SPAN));
    screenShowCursor(cs, 1);
}

void renderChatRows(ClientState* cs, const ScreenEntry& entry) {
    ChatPaneUse pane = entry.pane;
    if (pane == PANE_AT_TABLE) pane = cs->inRoom ? PANE_SHOWN : PANE_BLANK;
    if (cs->chatDirty) {
        cs->chatDirty = 0;
        if (pane == PANE_SHOWN) drawChatPane(cs);
        else cs->inputDirty = 1;
        if (pane == PANE_BLANK) clearChatRows(cs);
    }
    // Log-in raises authed, the online count only menuGreetingDirty: either
    // repaints the greeting row.
    if (pane == PANE_MENU && (cs->authed || cs->menuGreetingDirty)) drawMenuGreeting(cs);
}

// The word entry field: the last 50 characters typed, padded with blanks;
// an empty field shows where typing starts.
void drawWordField(ClientState* cs) {
    char field[WORD_FIELD_WIDTH + 1];
    int32_t len = (int32_t)strnlen(cs->inputLine, sizeof cs->inputLine);
    const char* shown = len > WORD_FIELD_WIDTH ? cs->inputLine + len - WORD_FIELD_WIDTH
                                               : (len == 0 ? "_" : cs->inputLine);
    int32_t n = (int32_t)strlen(shown);
    memcpy(field, shown, (size_t)n);
    memset(field + n, ' ', (size_t)(WORD_FIELD_WIDTH - n));
    field[WORD_FIELD_WIDTH] = 0;
    screenColourText(cs, WORD_FIELD_ROW, WORD_FIELD_COL, COL_WHITE, 1, field);
    cs->inputLineDrawn = 0;
    screenGoto(cs, WORD_FIELD_ROW, WORD_FIELD_COL + minOf(maxOf(cs->inputLen, 0), WORD_FIELD_WIDTH));
    screenShowCursor(cs, 1);
}

// Returns 1 when the input line (or the word field) was drawn.
int32_t renderInput(ClientState* cs) {
    if (!cs->inputDirty) return 0;
    if (cs->screen == SCR_WORD_ENTRY && !cs->wordsDone) drawWordField(cs);
    else drawInputLine(cs);
    cs->inputDirty = 0;
    return 1;
}


int32_t drawWrappedAt(ClientState* cs, int32_t row, int32_t col, int32_t width, int32_t fg,
                      int32_t bright, const char* text, int32_t lastRow, bool centred) {
    if (!text || !text[0] || lastRow < row || width < 1) return row;
    const char* rest = text;
    while (*rest && row <= lastRow) {
        int32_t n = textPieceLength(rest, width);
        char piece[WRAP_PIECE_MAX + 1];
        copyTextMax(piece, rest, (size_t)n);
        if (centred) screenCentreText(cs, row, fg, bright, piece);
        else screenColourText(cs, row, col, fg, bright, piece);
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

void redrawAll(ClientState* cs) {
    screenClear(cs);
    drawStatusBar(cs);
    drawChatPane(cs);
}

void renderScreen(ClientState* cs) {
    const ScreenEntry& entry = screenEntry(cs->screen);
    cs->footerHighlight = 0;
    FooterText overlayBuf;
    const char* overlay = overlayPrompt(cs, &overlayBuf);

    if (entry.wholeScreen) {
        if (!cs->animDirty && !cs->fullRedraw) return;
        if (!paintIfAny(entry.paint, cs)) screenClear(cs);
        cs->animDirty = 0;
        cs->fullRedraw = 0;
        screenFlush(cs);
        return;
    }

    if (cs->fullRedraw) {
        redrawAll(cs);
        cs->fullRedraw = 0;
        cs->inputDirty = cs->noticeDirty = cs->chatDirty = cs->contentDirty = 1;
    }

    int32_t waitOffer = waitOfferVisible(cs);
    if (waitOffer != cs->waitOfferShown) {
        cs->waitOfferShown = waitOffer;
        cs->contentDirty = 1;
    }

    if (!cs->contentDirty) {
        if (cs->countdownDirty) {
            paintIfAny(COUNTDOWN_LINES, cs);
            cs->countdownDirty = 0;
            cs->inputDirty = 1;
        }
    } else {
        paintBody(cs, entry);
        paintIfAny(CHOOSE_COUNTDOWN, cs);
        cs->contentDirty = 0;
        cs->countdownDirty = 0;
        cs->inputDirty = 1;
    }

    drawStatusBar(cs);
    renderChatRows(cs, entry);

    FooterText promptBuf;
    const char* prompt = screenPrompt(cs, &promptBuf);
    drawFooter(cs, overlay ? overlay : prompt);
    cs->noticeDirty = 0;

    // The reveal's cursor sits on the current word; it is put back only in
    // a pass that moved the cursor away, so an idle pass writes nothing.
    if (renderInput(cs) && cs->screen == SCR_REVEAL && cs->inputLen == 0 &&
        cs->revealCursorRow >= 1) {
        screenGoto(cs, cs->revealCursorRow, cs->revealCursorCol);
        screenShowCursor(cs, 1);
    }
}

int32_t drawWrapped(ClientState* cs, int32_t row, int32_t col, int32_t width, int32_t fg,
                    int32_t bright, const char* text, int32_t lastRow) {
    return drawWrappedAt(cs, row, col, width, fg, bright, text, lastRow, false);
}

int32_t drawWrappedCentred(ClientState* cs, int32_t row, int32_t width, int32_t fg,
                           int32_t bright, const char* text, int32_t lastRow) {
    return drawWrappedAt(cs, row, 1, width, fg, bright, text, lastRow, true);
}

void drawCentredField(ClientState* cs, int32_t row, int32_t col, int32_t width, int32_t fg,
                      const char* text) {
    width = minOf(width, SCREEN_COLS);
    if (width < 1) return;
    char field[SCREEN_COLS + 1];
    int32_t len = minOf(text ? (int32_t)strlen(text) : 0, width);
    int32_t lead = maxOf((width - len) / 2, 0);
    memset(field, ' ', (size_t)width);
    if (len > 0) memcpy(field + lead, text, (size_t)len);
    field[width] = 0;
    screenColourText(cs, row, col, fg, 1, field);
}
