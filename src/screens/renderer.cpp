#include "screens/renderer.h"

#include <cstring>

#include "host/nodelog.h"
#include "platform/text.h"
#include "screens/countdowns.h"
#include "screens/mail.h"
#include "screens/reveal.h"
#include "state/client_state.h"
#include "terminal/screen.h"
#include "screens/widgets.h"

namespace {

// Countdown lines of the table and round screens. They check the screen
// themselves, so the renderer calls them on every screen.
constexpr PaintFn COUNTDOWN_LINES = drawCountdowns;       // every countdown of the screen, once a second
constexpr PaintFn CHOOSE_COUNTDOWN = drawChooseCountdown; // the choosing lines, after every body repaint

constexpr char GREETING_DEFAULT[] = "Come on in - what are we playing?";

// Whole seconds from now to a deadline, truncated toward zero.
int32_t secondsUntil(const ClientState* cs, uint32_t deadline) {
    return (int32_t)(deadline - tickMs(&cs->clock)) / 1000;
}

// The look of a number with no screen: no painter, empty footer, the chat pane.
constexpr ScreenLook NO_SCREEN_LOOK = {};

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
    if (cs->view.screen == SCR_LETTER || cs->view.screen == SCR_ANNOUNCEMENT) cs->mail.readScroll = readScrollShown(cs);
    else if (cs->view.screen == SCR_SOLO_TALE) cs->reveal.soloScroll = soloScrollShown(cs);
}

void renderBody(Canvas* cv, ClientState* cs, const ScreenLook& look) {
    keepScrollInView(cs);
    if (!paintIfAny(look.paint, cv, cs)) screenClearBody(cv->term);
}

// The chat pane is drawn with the scroll it can show, which is then kept.
void renderChatPane(Canvas* cv, ClientState* cs) {
    cs->chat.chatScroll = chatScrollShown(cs);
    drawChatPane(cv, cs);
    cs->view.inputDirty = 1;
}

void clearChatRows(Canvas* cv) {
    for (int32_t row = CHAT_TOP_ROW; row <= CHAT_BOTTOM_ROW; row++) screenClearLine(cv->term, row);
}

void drawMenuGreeting(Canvas* cv, const ClientState* cs) {
    screenClearLine(cv->term, SCREEN_BODY_TOP);
    screenCentreText(cv->term, SCREEN_BODY_TOP, COL_CYAN, 1,
                     cs->identity.greeting[0] ? cs->identity.greeting : GREETING_DEFAULT);
    screenGoto(cv->term, INPUT_ROW, inputCursorCol(cs));
    screenShowCursor(cv->term, 1);
}

void renderChatRows(Canvas* cv, ClientState* cs, const ScreenLook& look) {
    ChatPaneUse pane = look.pane;
    if (pane == PANE_AT_TABLE) pane = cs->table.inRoom ? PANE_SHOWN : PANE_BLANK;
    if (cs->view.chatDirty) {
        cs->view.chatDirty = 0;
        if (pane == PANE_SHOWN) renderChatPane(cv, cs);
        else cs->view.inputDirty = 1;
        if (pane == PANE_BLANK) clearChatRows(cv);
    }
    // Log-in raises authed, the online count only menuGreetingDirty: either
    // repaints the greeting row.
    if (pane == PANE_MENU && (cs->identity.authed || cs->view.menuGreetingDirty)) {
        drawMenuGreeting(cv, cs);
        cs->identity.authed = 0;
        cs->view.menuGreetingDirty = 0;
    }
}

// The word entry field: the last 50 characters typed, padded with blanks;
// an empty field shows where typing starts.
void drawWordField(Canvas* cv, const ClientState* cs) {
    char field[WORD_FIELD_WIDTH + 1];
    int32_t len = (int32_t)strnlen(cs->input.inputLine, sizeof cs->input.inputLine);
    const char* shown = len > WORD_FIELD_WIDTH ? cs->input.inputLine + len - WORD_FIELD_WIDTH
                                               : (len == 0 ? "_" : cs->input.inputLine);
    int32_t n = (int32_t)strlen(shown);
    memcpy(field, shown, (size_t)n);
    memset(field + n, ' ', (size_t)(WORD_FIELD_WIDTH - n));
    field[WORD_FIELD_WIDTH] = 0;
    screenColourText(cv->term, WORD_FIELD_ROW, WORD_FIELD_COL, COL_WHITE, 1, field);
    screenGoto(cv->term, WORD_FIELD_ROW, WORD_FIELD_COL + minOf(maxOf(cs->input.inputLen, 0), WORD_FIELD_WIDTH));
    screenShowCursor(cv->term, 1);
}

// Returns 1 when the input line (or the word field) was drawn.
int32_t renderInput(Canvas* cv, ClientState* cs) {
    if (!cs->view.inputDirty) return 0;
    if (cs->view.screen == SCR_WORD_ENTRY && !cs->round.wordsDone) drawWordField(cv, cs);
    else drawInputLine(cv, cs);
    cs->view.inputDirty = 0;
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
    if (!cs->table.pickTurn || !cs->table.pickTimerOn || cs->timers.pickDeadline < 1 || cs->table.playerCount < 2) return 0;
    int32_t secs = secondsUntil(cs, cs->timers.pickDeadline);
    return (secs >= 1 && secs <= WAIT_OFFER_SECS) ? 1 : 0;
}

const char* screenPrompt(ClientState* cs, const ScreenLook* look, FooterText* buf) {
    if (!look) return "";
    if (look->promptOf) return look->promptOf(cs, buf);
    return look->prompt ? look->prompt : "";
}

const char* overlayPrompt(const ClientState* cs, FooterText* buf) {
    if (cs->table.joinRequestPending) {
        formatText(buf->text, "%.20s Would Like To Join   -   [Y] Let Them In   [N] No Thanks",
                   cs->table.joinRequestName);
    } else if (cs->table.invitePending) {
        formatText(buf->text, "%.18s Invites You To \"%.22s\"   -   [J] Join   [D] Decline",
                   cs->table.inviteFrom, cs->table.inviteTable);
    } else if (cs->lobby.knockPrompt) {
        copyText(buf->text, "[K]nock - Request To Join   -   Any Other Key Cancels");
    } else if (cs->editors.leaveReportPrompt) {
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
    drawStatusBar(&cv, cs);
    renderChatPane(&cv, cs);
}

void renderScreen(ClientState* cs, const ScreenLook* current) {
    const ScreenLook& look = current ? *current : NO_SCREEN_LOOK;
    Canvas canvas = canvasOf(cs);
    Canvas* cv = &canvas;
    RenderCache* rc = &cs->render;
    rc->footerHighlight = 0;
    FooterText overlayBuf;
    const char* overlay = overlayPrompt(cs, &overlayBuf);

    // A full repaint starts from an unknown caller's screen: cleared and sent
    // whole, so it also mends whatever else may have drawn there.
    if (cs->view.fullRedraw) screenForget(cv->term);
    if (look.wholeScreen) {
        if (!cs->view.animDirty && !cs->view.fullRedraw) return;
        if (!paintIfAny(look.paint, cv, cs)) screenClear(cv->term);
        cs->view.animDirty = 0;
        cs->view.fullRedraw = 0;
        screenFlush(cv->term);
        return;
    }

    if (cs->view.fullRedraw) {
        redrawAll(cs);
        cs->view.fullRedraw = 0;
        cs->view.inputDirty = cs->view.noticeDirty = cs->view.chatDirty = cs->view.contentDirty = 1;
    }

    int32_t waitOffer = waitOfferVisible(cs);
    if (waitOffer != rc->waitOfferShown) {
        rc->waitOfferShown = waitOffer;
        cs->view.contentDirty = 1;
    }

    if (!cs->view.contentDirty) {
        if (cs->view.countdownDirty) {
            paintIfAny(COUNTDOWN_LINES, cv, cs);
            cs->view.countdownDirty = 0;
            cs->view.inputDirty = 1;
        }
    } else {
        renderBody(cv, cs, look);
        paintIfAny(CHOOSE_COUNTDOWN, cv, cs);
        cs->view.contentDirty = 0;
        cs->view.countdownDirty = 0;
        cs->view.inputDirty = 1;
    }

    // The header, footer and input line are drawn whole every pass: the
    // differ sends only what changed, so an idle pass still writes nothing.
    drawStatusBar(cv, cs);
    renderChatRows(cv, cs, look);

    FooterText promptBuf;
    const char* prompt = screenPrompt(cs, &look, &promptBuf);
    drawFooter(cv, cs, overlay ? overlay : prompt);
    cs->view.noticeDirty = 0;
    cs->view.inputDirty = 1;

    // The reveal's cursor sits on the current word while nothing is typed.
    if (renderInput(cv, cs) && cs->view.screen == SCR_REVEAL && cs->input.inputLen == 0 &&
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
