#include "session/keys.h"

#include <cstring>

#include "session/lines.h"
#include "session/requests.h"
#include "session/screen_parts.h"
#include "session/screen_table.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "state/story_gaps.h"
#include "terminal/terminal.h"

namespace {


void scrollChat(ClientState* s, int32_t key) {
    int32_t step = key == KEY_PGUP ? CHAT_SCROLL_STEP : -CHAT_SCROLL_STEP;  // up = further back
    s->chat.chatScroll = s->chat.chatScroll + step < 0 ? 0 : s->chat.chatScroll + step;
    s->view.chatDirty = 1;
}

// Leave the table and open the report dialogue: from the leave-and-report
// offer and from the scores screen when a report waited for the round.
void openReportAfterLeaving(ClientState* s) {
    leaveTable(s);
    s->editors.reportLineCount = 0;
    s->editors.reportStage = s->editors.reportTargetName[0] ? 0 : 2;  // no player named: ask tale or player
    goToScreen(s, SCR_REPORT);
}

// ---------------------------------------------------------------------------
// Steps before the screen table.

// Ctrl-L repaints whatever screen is up; Ctrl-C does nothing at all (a
// caller's terminal sends it on a stray press, and it must not end or
// answer anything). Neither counts as a key on any screen.
bool controlKey(ClientState* s, int32_t key) {
    if (key == KEY_CTRL_L) requestRepaint(s);
    return key == KEY_CTRL_L || key == KEY_CTRL_C;
}

// Any key on the welcome screen opens the guide at its first page.
bool welcomeKey(ClientState* s, int32_t) {
    if (s->view.screen != SCR_WELCOME) return false;
    enterScreen(s, SCR_GUIDE);
    return true;
}

bool guideKey(ClientState* s, int32_t key) {
    if (s->view.screen != SCR_GUIDE) return false;
    int32_t k = keyUpper(key);
    if (k == 'S' || k == KEY_ESC) {
        returnToMenu(s);
    } else if (k == KEY_ENTER || k == ' ') {
        if (s->view.guidePage >= GUIDE_LAST_PAGE) {
            returnToMenu(s);
        } else {
            s->view.guidePage++;
            s->view.guideFrame = 0;
            s->view.fullRedraw = 1;
        }
    }
    return true;  // the guide types nothing
}

// Forget the words of a round given up, so that a late word check (its
// reply or its give-up) cannot send answers for a round the caller left.
void dropRoundWords(ClientState* s) {
    s->round.promptCount = 0;
    s->round.promptIndex = 0;
    s->round.wordCheckPending = 0;
    s->round.answersSent = 0;
}

// ESC during a round at a table gives up the seat, whatever prompt is up.
bool escLeavesRound(ClientState* s, int32_t key) {
    if (key != KEY_ESC || s->view.screen != SCR_WORD_ENTRY || !s->table.inRoom) return false;
    leaveTable(s);
    dropRoundWords(s);
    enterScreen(s, SCR_LOUNGE);
    return true;
}

bool escLeavesReport(ClientState* s, int32_t key) {
    if (key != KEY_ESC || s->view.screen != SCR_REPORT) return false;
    enterScreen(s, s->editors.reportIsTale ? SCR_REVEAL : SCR_LOUNGE);
    return true;
}

// Somebody knocks on the caller's table: only Y or N answer, every other
// key is swallowed until then.
bool knockFromPlayer(ClientState* s, int32_t key) {
    if (!s->table.joinRequestPending) return false;
    int32_t k = keyUpper(key);
    if (k != 'Y' && k != 'N') return true;
    requestKnockReply(s, k == 'Y');
    s->table.joinRequestPending = 0;
    s->table.joinRequestName[0] = 0;
    s->table.joinRequestKnockId[0] = 0;
    s->view.noticeDirty = 1;
    return true;
}

// An invitation: J joins, D declines, every other key is swallowed.
bool invitation(ClientState* s, int32_t key) {
    if (!s->table.invitePending) return false;
    int32_t k = keyUpper(key);
    if (k != 'J' && k != 'D') return true;
    s->table.invitePending = 0;
    if (k == 'J') {
        joinTable(s, s->table.inviteCode);  // an empty code says the table is gone
    } else {
        if (s->table.inviteFromId[0]) requestInviteReply(s);
        setNotice(s, "You turned the invite down.");
    }
    s->table.inviteFromId[0] = 0;
    s->table.inviteCode[0] = 0;
    s->table.inviteTable[0] = 0;
    s->table.inviteFrom[0] = 0;
    s->view.noticeDirty = 1;
    return true;
}

// The offer to knock on a locked table closes on any key; only K acts, any
// other key goes on as if the offer had not been there.
bool knockOffer(ClientState* s, int32_t key) {
    if (!s->lobby.knockPrompt) return false;
    int32_t table = s->lobby.knockPrompt;
    s->lobby.knockPrompt = 0;
    s->view.noticeDirty = 1;
    if (keyUpper(key) != 'K') return false;
    if (table >= 1 && table <= s->lobby.tableCount && table <= MAX_TABLES)  // the list may have changed
        requestKnock(s, s->lobby.tables[table - 1].knockId);
    return true;
}

// The offer to leave the table to file a report: closes on any key, L acts.
bool leaveReportOffer(ClientState* s, int32_t key) {
    if (!s->editors.leaveReportPrompt) return false;
    s->editors.leaveReportPrompt = 0;
    s->view.noticeDirty = 1;
    if (keyUpper(key) != 'L') return false;
    openReportAfterLeaving(s);
    return true;
}

// ---------------------------------------------------------------------------
// Screen keys: the round.

bool ignoreKey(ClientState*, int32_t) { return true; }

bool leaveToLounge(ClientState* s, int32_t) {
    leaveTable(s);
    enterScreen(s, SCR_LOUNGE);
    return true;
}

bool revealMove(ClientState* s, int32_t key) {
    int32_t last = s->reveal.revealWordCount < MAX_REVEAL_WORDS ? s->reveal.revealWordCount - 1 : MAX_REVEAL_WORDS - 1;
    s->reveal.revealCursor = clampTo(s->reveal.revealCursor + (key == KEY_UP ? -1 : 1), 0, last < 0 ? 0 : last);
    s->view.contentDirty = 1;
    return true;
}

// SPACE laughs at the word under the cursor, or takes the laugh back.
bool revealLaugh(ClientState* s, int32_t) {
    int32_t i = s->reveal.revealCursor;
    if (i < 0 || i >= s->reveal.revealWordCount || i >= MAX_REVEAL_WORDS) return false;  // no word: a blank is typed
    RevealWord& word = s->reveal.revealWords[i];
    if (word.mine) {
        setNotice(s, "That one's yours - you can't laugh at your own word.");
        return true;
    }
    word.laughed = !word.laughed;
    s->view.contentDirty = 1;
    requestVote(s, word.n);
    return true;
}

bool revealFinished(ClientState* s, int32_t) {
    s->reveal.revealDone = 1;
    s->view.contentDirty = 1;
    sendRequest(s, REQ_VOTE_DONE, "{}");  // shows that everyone is awaited
    return true;
}

// A report asked for during the round opens with the first key after it.
bool scoresDeferredReport(ClientState* s, int32_t) {
    if (!s->editors.reportDeferred) return false;
    s->editors.reportDeferred = 0;
    openReportAfterLeaving(s);
    return true;
}

bool scoresContinue(ClientState* s, int32_t) {
    sendRequest(s, s->table.roomAutoHost ? REQ_ROOM_CONTINUE_AUTO : REQ_ROOM_BACK_TO_ROOM, "{}");
    return true;
}

bool leaveSolo(ClientState* s, int32_t) {
    dropRoundWords(s);
    returnToMenu(s);
    return true;
}

bool soloScrollKey(ClientState* s, int32_t key) {
    int32_t step = key == KEY_UP ? -1 : key == KEY_DOWN ? 1 : SOLO_PAGE_LINES;
    s->reveal.soloScroll = s->reveal.soloScroll + step < 0 ? 0 : s->reveal.soloScroll + step;  // bounded above as the tale is drawn
    s->view.contentDirty = 1;
    return true;
}

bool pickerCancelKey(ClientState* s, int32_t) {
    pickerCancel(s);
    return true;
}

bool actionsBack(ClientState* s, int32_t) {
    enterScreen(s, s->table.inRoom ? SCR_TABLE : SCR_LOUNGE);
    return true;
}

bool switchToLounge(ClientState* s, int32_t) {
    enterScreen(s, SCR_LOUNGE);
    return true;
}

bool menuKey(ClientState* s, int32_t) {
    returnToMenu(s);
    return true;
}

// ---------------------------------------------------------------------------
// Screen keys: the care hub.

bool careLineKey(ClientState* s, int32_t key) {
    careScrollBy(s, key == KEY_UP ? -1 : 1);
    return true;
}

bool carePageKey(ClientState* s, int32_t key) {
    careScrollBy(s, key == KEY_PGUP ? -CARE_PAGE_KEY_LINES : CARE_PAGE_KEY_LINES);
    return true;
}

// Lines of the page or open section and its scroll; total -1 on the topic
// screen with no section open, scroll null off the care screens.
struct CareView {
    int32_t* scroll;
    int32_t total;
};

CareView careView(ClientState* s) {
    if (s->view.screen == SCR_CARE_HUB) return {&s->care.careScroll, s->care.careLineCount};
    if (s->view.screen != SCR_CARE_TOPIC) return {nullptr, 0};
    int32_t open = s->care.careSectionOpen;
    bool valid = open >= 0 && open < s->care.careSectionCount && open < MAX_CARE_SECTIONS;
    return {&s->care.careSectionScroll, valid ? s->care.careSectionLineCount[open] : -1};
}

// SPACE pages on while more lines follow the view, then starts over.
bool careSpace(ClientState* s, int32_t) {
    CareView view = careView(s);
    if (view.scroll && view.total > *view.scroll + CARE_VISIBLE_LINES) {
        careScrollBy(s, CARE_VISIBLE_LINES);
    } else if (view.scroll) {
        *view.scroll = 0;
        s->view.contentDirty = 1;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Screen keys: mail and announcements.

bool readScrollKey(ClientState* s, int32_t key) {
    int32_t next = s->mail.readScroll + (key == KEY_UP ? -1 : 1);
    s->mail.readScroll = next < 0 ? 0 : next;  // kept within the text as it is drawn
    s->view.contentDirty = 1;
    return true;
}

bool letterToMailbox(ClientState* s, int32_t) {
    enterScreen(s, SCR_MAILBOX);
    return true;
}

bool announcementToList(ClientState* s, int32_t) {
    enterScreen(s, SCR_ANNOUNCEMENTS);
    return true;
}

bool letterReply(ClientState* s, int32_t) {
    int32_t i = s->mail.letterOpen;
    if (i < 0 || i >= s->mail.letterCount || i >= MAX_LETTERS) return false;
    const Letter& letter = s->mail.letters[i];
    if (!letter.acceptsReply || letter.replied) return false;  // R is typed then
    s->editors.replyLineCount = 0;
    s->editors.replyEditLine = 0;
    s->editors.replyToId = letter.id;
    goToScreen(s, SCR_REPLY_WRITE);
    return true;
}

// ---------------------------------------------------------------------------
// Screen keys: the note editors.

// One editor's lines, count and 1-based mark.
struct NoteLines {
    char (*lines)[EDIT_LINE_BYTES];
    int32_t* count;
    int32_t* mark;
    int32_t capacity;  // lines the array holds
};

NoteLines storyNote(ClientState* s) {
    return {s->editors.storyLines, &s->editors.storyLineCount, &s->editors.storyEditLine, MAX_STORY_LINES};
}
NoteLines feedbackNote(ClientState* s) {
    return {s->editors.feedbackLines, &s->editors.feedbackLineCount, &s->editors.feedbackEditLine, MAX_FEEDBACK_LINES};
}
NoteLines replyNote(ClientState* s) {
    return {s->editors.replyLines, &s->editors.replyLineCount, &s->editors.replyEditLine, MAX_REPLY_LINES};
}

int32_t heldLines(const NoteLines& note) { return clampTo(*note.count, 0, note.capacity); }

bool lineMarked(const NoteLines& note) { return *note.mark >= 1 && *note.mark <= heldLines(note); }

// The marked line goes, later lines move up, the mark is cleared.
void deleteMarkedLine(const NoteLines& note) {
    int32_t count = heldLines(note), at = *note.mark - 1;
    memmove(note.lines[at], note.lines[at + 1], (size_t)(count - at - 1) * EDIT_LINE_BYTES);
    note.lines[count - 1][0] = 0;
    *note.count = count - 1;
    *note.mark = 0;
}

// ESC on a change screen: unmark the marked line, else leave the screen.
bool unmarkLine(ClientState* s, const NoteLines& note) {
    if (*note.mark == 0) return false;
    *note.mark = 0;
    s->view.contentDirty = 1;
    return true;
}

void goToStoryReview(ClientState* s) {
    goToScreen(s, SCR_STORY_REVIEW);
    scanStoryGaps(s);
    s->editors.storyScroll = 0;
}

bool goStoryTitle(ClientState* s, int32_t) {
    goToScreen(s, SCR_STORY_TITLE);
    return true;
}

bool storyReviewKey(ClientState* s, int32_t) {
    goToStoryReview(s);
    return true;
}

bool storyWriteDone(ClientState* s, int32_t) {
    if (s->editors.storyLineCount <= 0) setNotice(s, "Write at least one line first.");
    else goToStoryReview(s);
    return true;
}

bool storyReviewScroll(ClientState* s, int32_t key) {
    if (key == KEY_UP && s->editors.storyScroll > 0) s->editors.storyScroll--;
    if (key == KEY_DOWN && s->editors.storyScroll < s->editors.storyLineCount - STORY_REVIEW_LINES) s->editors.storyScroll++;
    s->view.contentDirty = 1;
    return true;
}

bool storyEditEsc(ClientState* s, int32_t) {
    if (!unmarkLine(s, storyNote(s))) goToStoryReview(s);
    return true;
}

bool storyEditDelete(ClientState* s, int32_t) {
    NoteLines note = storyNote(s);
    if (!lineMarked(note)) return false;
    deleteMarkedLine(note);
    scanStoryGaps(s);
    s->view.contentDirty = 1;
    setNotice(s, "Deleted.");
    return true;
}

bool storyEmailSkip(ClientState* s, int32_t) {
    s->editors.storyEmail[0] = 0;
    goToScreen(s, SCR_STORY_TERMS);
    return true;
}

bool storyTermsDecline(ClientState* s, int32_t) {
    goToStoryReview(s);
    setNotice(s, "Not sent. Your story is still here.");
    return true;
}

bool reportSend(ClientState* s, int32_t) {
    if (s->editors.reportStage != 1) return false;
    if (s->editors.reportLineCount <= 0) setNotice(s, "Type something first, then press ENTER.");
    else requestReport(s);  // shows that it is on its way
    return true;
}

bool feedbackDiscard(ClientState* s, int32_t) {
    s->editors.feedbackLineCount = 0;
    s->editors.feedbackEditLine = 0;
    returnToMenu(s);
    return true;
}

bool feedbackWriteDone(ClientState* s, int32_t) {
    if (s->editors.feedbackLineCount <= 0) setNotice(s, "Type something first, then press ENTER.");
    else goToScreen(s, SCR_FEEDBACK_REVIEW);
    return true;
}

bool feedbackEditEsc(ClientState* s, int32_t) {
    if (!unmarkLine(s, feedbackNote(s))) goToScreen(s, SCR_FEEDBACK_REVIEW);
    return true;
}

bool feedbackEditDelete(ClientState* s, int32_t) {
    NoteLines note = feedbackNote(s);
    if (!lineMarked(note)) return false;
    deleteMarkedLine(note);
    s->view.contentDirty = 1;
    if (s->editors.feedbackLineCount == 0) goToScreen(s, SCR_FEEDBACK_WRITE);
    setNotice(s, "Deleted.");
    return true;
}

void goToLetter(ClientState* s) {
    s->mail.readScroll = 0;
    goToScreen(s, SCR_LETTER);
}

bool replyDiscard(ClientState* s, int32_t) {
    s->editors.replyLineCount = 0;
    s->editors.replyEditLine = 0;
    goToLetter(s);
    return true;
}

bool replyBackToLetter(ClientState* s, int32_t) {
    goToLetter(s);  // the lines are left as they are; R starts a fresh reply
    return true;
}

bool goReplyReview(ClientState* s) {
    s->editors.replyEditLine = 0;
    goToScreen(s, SCR_REPLY_REVIEW);
    return true;
}

bool replyWriteDone(ClientState* s, int32_t) {
    if (s->editors.replyLineCount <= 0) setNotice(s, "Write something first, or press ESC.");
    else goReplyReview(s);
    return true;
}

bool replyEditEsc(ClientState* s, int32_t) {
    if (!unmarkLine(s, replyNote(s))) goReplyReview(s);
    return true;
}

bool replyEditDelete(ClientState* s, int32_t) {
    NoteLines note = replyNote(s);
    if (!lineMarked(note)) return false;
    deleteMarkedLine(note);
    s->view.contentDirty = 1;
    if (s->editors.replyLineCount == 0) goToScreen(s, SCR_REPLY_WRITE);
    setNotice(s, "Deleted.");
    return true;
}

bool replySentDone(ClientState* s, int32_t) {
    s->mail.readScroll = 0;
    goToScreen(s, SCR_MAILBOX);
    requestMailList(s);  // sets mailRequested
    return true;
}

bool rowHolds(const ClientState* s, const ScreenKeyRow& row, int32_t key) {
    if (row.key != KEY_ANY && row.key != keyUpper(key)) return false;
    if ((row.when & WHEN_EMPTY) && s->input.inputLen != 0) return false;
    if ((row.when & WHEN_SEATED) && !s->table.inRoom) return false;
    return !((row.when & WHEN_UNSEATED) && s->table.inRoom);
}

// The current screen's own keys, from the screen table.
bool screenKey(ClientState* s, int32_t key) {
    const ScreenKeyRow* rows = screenDesc(s->view.screen).keys;
    for (const ScreenKeyRow* row = rows; row && row->take; row++)
        if (rowHolds(s, *row, key) && row->take(s, key)) return true;
    return false;
}

// Page keys no screen row took scroll the chat pane.
bool chatPageKey(ClientState* s, int32_t key) {
    if (key != KEY_PGUP && key != KEY_PGDN) return false;
    scrollChat(s, key);
    return true;
}

// Every step answers whether it used the key; the first that does ends the
// handling.
constexpr KeyFn KEY_STEPS[] = {
    controlKey,      welcomeKey, guideKey,   escLeavesRound,   escLeavesReport,
    knockFromPlayer, invitation, knockOffer, leaveReportOffer, screenKey,
    chatPageKey,
};

// The key edits the typed line; ENTER on a non-empty line takes the line off
// the input row and hands it to the line handler.
void typeKey(ClientState* s, int32_t key) {
    if (!editInputLine(s, key)) return;
    char line[INPUT_LINE_BYTES];
    copyText(line, s->input.inputLine);
    s->input.inputLine[0] = 0;
    s->input.inputLen = 0;
    s->view.inputDirty = 1;
    handleLine(s, line);
}

}  // namespace

// ---------------------------------------------------------------------------
// Each screen's own keys, named in its row of the screen table. A row takes
// the key when it matches, its conditions hold and its handler agrees; rows
// are tried in order. Letters are listed in upper case.

const ScreenKeyRow REVEAL_KEYS[] = {
    {KEY_ESC, WHEN_SEATED, leaveToLounge},
    {KEY_UP, WHEN_ALWAYS, revealMove},
    {KEY_DOWN, WHEN_ALWAYS, revealMove},
    {' ', WHEN_EMPTY, revealLaugh},
    {KEY_ENTER, WHEN_EMPTY, revealFinished},
    KEYS_END,
};
const ScreenKeyRow SCORES_KEYS[] = {
    {KEY_ANY, WHEN_EMPTY, scoresDeferredReport},
    {KEY_ENTER, WHEN_EMPTY, scoresContinue},
    KEYS_END,
};
const ScreenKeyRow WORD_ENTRY_KEYS[] = {
    {KEY_PGUP, WHEN_UNSEATED, ignoreKey},  // no chat alone
    {KEY_PGDN, WHEN_UNSEATED, ignoreKey},
    {KEY_ESC, WHEN_UNSEATED, leaveSolo},
    KEYS_END,
};
const ScreenKeyRow CATEGORY_PICK_KEYS[] = {
    {KEY_PGUP, WHEN_ALWAYS, ignoreKey},  // the pickers page by typed > and <
    {KEY_PGDN, WHEN_ALWAYS, ignoreKey},
    {KEY_ESC, WHEN_EMPTY, pickerCancelKey},
    KEYS_END,
};
const ScreenKeyRow TALE_PICK_KEYS[] = {
    {KEY_PGUP, WHEN_ALWAYS, ignoreKey},
    {KEY_PGDN, WHEN_ALWAYS, ignoreKey},
    KEYS_END,
};
const ScreenKeyRow SOLO_TALE_KEYS[] = {
    {KEY_PGUP, WHEN_ALWAYS, ignoreKey},
    {KEY_PGDN, WHEN_ALWAYS, ignoreKey},
    {KEY_DOWN, WHEN_EMPTY, soloScrollKey},
    {KEY_UP, WHEN_EMPTY, soloScrollKey},
    {' ', WHEN_EMPTY, soloScrollKey},
    {KEY_ESC, WHEN_UNSEATED, leaveSolo},
    KEYS_END,
};
const ScreenKeyRow QUICK_HELP_KEYS[] = {
    {KEY_ENTER, WHEN_ALWAYS, menuKey},  // typed text is dropped
    KEYS_END,
};
const ScreenKeyRow CREATE_TABLE_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, switchToLounge},
    KEYS_END,
};
const ScreenKeyRow ACTIONS_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, actionsBack},
    KEYS_END,
};
const ScreenKeyRow ENTER_TO_MENU_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, menuKey},
    KEYS_END,
};
const ScreenKeyRow LETTER_KEYS[] = {
    {KEY_UP, WHEN_ALWAYS, readScrollKey},
    {KEY_DOWN, WHEN_ALWAYS, readScrollKey},
    {KEY_ENTER, WHEN_EMPTY, letterToMailbox},
    {'R', WHEN_EMPTY, letterReply},
    KEYS_END,
};
const ScreenKeyRow ANNOUNCEMENT_KEYS[] = {
    {KEY_UP, WHEN_ALWAYS, readScrollKey},
    {KEY_DOWN, WHEN_ALWAYS, readScrollKey},
    {KEY_ENTER, WHEN_EMPTY, announcementToList},
    KEYS_END,
};
const ScreenKeyRow SUBMIT_INTRO_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, goStoryTitle},
    KEYS_END,
};
const ScreenKeyRow STORY_TITLE_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, menuKey},
    KEYS_END,
};
const ScreenKeyRow STORY_WRITE_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, storyWriteDone},
    KEYS_END,
};
const ScreenKeyRow STORY_REVIEW_KEYS[] = {
    {KEY_UP, WHEN_EMPTY, storyReviewScroll},
    {KEY_DOWN, WHEN_EMPTY, storyReviewScroll},
    KEYS_END,
};
const ScreenKeyRow STORY_EDIT_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, storyEditEsc},
    {KEY_ENTER, WHEN_EMPTY, storyEditDelete},
    KEYS_END,
};
const ScreenKeyRow STORY_CATEGORY_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, storyReviewKey},
    KEYS_END,
};
const ScreenKeyRow STORY_EMAIL_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, storyEmailSkip},
    KEYS_END,
};
const ScreenKeyRow STORY_TERMS_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, storyTermsDecline},
    KEYS_END,
};
const ScreenKeyRow FEEDBACK_WRITE_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, feedbackDiscard},
    {KEY_ENTER, WHEN_EMPTY, feedbackWriteDone},
    KEYS_END,
};
const ScreenKeyRow FEEDBACK_EDIT_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, feedbackEditEsc},
    {KEY_ENTER, WHEN_EMPTY, feedbackEditDelete},
    KEYS_END,
};
const ScreenKeyRow REPLY_WRITE_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, replyDiscard},
    {KEY_ENTER, WHEN_EMPTY, replyWriteDone},
    KEYS_END,
};
const ScreenKeyRow REPLY_REVIEW_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, replyBackToLetter},
    KEYS_END,
};
const ScreenKeyRow REPLY_EDIT_KEYS[] = {
    {KEY_ESC, WHEN_ALWAYS, replyEditEsc},
    {KEY_ENTER, WHEN_EMPTY, replyEditDelete},
    KEYS_END,
};
const ScreenKeyRow REPLY_SENT_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, replySentDone},
    KEYS_END,
};
const ScreenKeyRow REPORT_KEYS[] = {
    {KEY_ENTER, WHEN_EMPTY, reportSend},
    KEYS_END,
};
const ScreenKeyRow CARE_KEYS[] = {
    {KEY_UP, WHEN_ALWAYS, careLineKey},
    {KEY_DOWN, WHEN_ALWAYS, careLineKey},
    {KEY_PGUP, WHEN_ALWAYS, carePageKey},
    {KEY_PGDN, WHEN_ALWAYS, carePageKey},
    {' ', WHEN_EMPTY, careSpace},
    KEYS_END,
};

void careScrollBy(ClientState* state, int32_t lines) {
    CareView view = careView(state);
    if (!view.scroll) return;
    if (view.total < 0) {  // topic screen without an open section
        state->care.careSectionScroll = 0;
        return;
    }
    int32_t top = view.total - CARE_VISIBLE_LINES;
    *view.scroll = clampTo(*view.scroll + lines, 0, top < 0 ? 0 : top);
    state->view.contentDirty = 1;
}

void keyDispatch(ClientState* state, int32_t key) {
    if (state->input.noticeText[0]) {
        setNotice(state, nullptr);
        state->view.noticeDirty = 1;
    }
    for (KeyFn step : KEY_STEPS)
        if (step(state, key)) return;
    typeKey(state, key);
}
