#include "screens/mail.h"

#include "platform/text.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr unsigned char UNREAD_MARK = 0xFE;   // CP437 small square before an unread entry
constexpr int32_t UNREAD_MARK_COL = 5;
constexpr int32_t TITLE_ROW = 4;
constexpr int32_t LIST_TOP_ROW = 6;           // entries on rows 6-14
constexpr int32_t EMPTY_TEXT_ROW = 8;         // "nothing here" and loading texts
constexpr int32_t GONE_TEXT_ROW = 7;          // "no longer there"
constexpr int32_t MORE_MAIL_ROW = 18;
constexpr int32_t LETTER_FROM_ROW = 5;
constexpr int32_t LETTER_RULE_ROW = 6;
constexpr int32_t LETTER_BODY_ROW = 7;
constexpr int32_t REPLY_HINT_ROW = 18;
constexpr int32_t REPLY_HINT_COL = 4;
constexpr int32_t NOTICE_RULE_ROW = 5;
constexpr int32_t NOTICE_BODY_ROW = 6;
constexpr int32_t ENTRY_TEXT_BYTES = 96;      // "[9] " + 40 + 2 + 20, or "[9] " + 62

static_assert(MAIL_LIST_SHOWN <= 9, "entries are opened by one digit");
static_assert(LIST_TOP_ROW + MAIL_LIST_SHOWN - 1 < MORE_MAIL_ROW, "the list stays above its count line");

// A count the service filled, kept inside its array whatever it holds.
int32_t heldCount(int32_t count, int32_t capacity) { return minOf(maxOf(count, 0), capacity); }

// One display line of a message body: where it starts and how long it is.
struct MessageLine {
    int32_t start;
    int32_t len;
};

struct MessageLayout {
    MessageLine lines[MESSAGE_LINES_MAX];
    int32_t count;
};

// Cuts one line off text at pos; returns where the next line starts.
int32_t cutMessageLine(const char* text, int32_t pos, MessageLine* line) {
    int32_t n = 0;
    while (n < MESSAGE_WRAP && text[pos + n] && text[pos + n] != '\n') n++;
    line->start = pos;
    if (text[pos + n] == '\n' && n < MESSAGE_WRAP) {
        line->len = n;
        return pos + n + 1;                 // the line feed is consumed
    }
    if (!text[pos + n]) {
        line->len = n;                      // the rest fits
        return pos + n;
    }
    int32_t blank = MESSAGE_WRAP - 1;
    while (blank > 0 && text[pos + blank] != ' ') blank--;
    line->len = blank > 0 ? blank : MESSAGE_WRAP;
    return pos + line->len;
}

void layoutMessage(const char* text, int32_t maxLines, MessageLayout* out) {
    out->count = 0;
    if (!text) return;
    int32_t pos = 0;
    while (text[pos] && out->count < maxLines) {
        pos = cutMessageLine(text, pos, &out->lines[out->count++]);
        while (text[pos] == ' ') pos++;
    }
}

// Rows startRow to lastRow show the body from line scroll, kept so that
// the view never runs past the last line nor above the first.
int32_t scrollWithin(const MessageLayout& layout, int32_t startRow, int32_t lastRow, int32_t scroll) {
    int32_t visible = maxOf(lastRow + 1 - startRow, 0);
    return maxOf(minOf(scroll, layout.count - visible), 0);
}

// The body on rows startRow to lastRow from readScroll, with its scroll bar.
void drawMessageRows(Canvas* cv, const ClientState* cs, const char* text, int32_t startRow, int32_t lastRow) {
    MessageLayout layout;
    layoutMessage(text, MESSAGE_LINES_MAX, &layout);
    int32_t visible = maxOf(lastRow + 1 - startRow, 0);
    int32_t scroll = scrollWithin(layout, startRow, lastRow, cs->mail.readScroll);
    for (int32_t row = startRow; row <= lastRow; row++) {
        int32_t i = scroll + row - startRow;
        if (i >= layout.count) {
            screenClearLine(cv->term, row);
            continue;
        }
        char piece[MESSAGE_WRAP + 1];
        copyTextMax(piece, text + layout.lines[i].start, (size_t)layout.lines[i].len);
        screenColourText(cv->term, row, MESSAGE_TEXT_COL, COL_WHITE, 0, piece);
    }
    screenScrollbar(cv->term, MESSAGE_BAR_COL, startRow, lastRow, scroll, visible, layout.count);
}

// One numbered list entry: unread ones stand out in green with a mark.
void drawListEntry(Canvas* cv, int32_t row, int32_t read, const char* text) {
    if (!read) {
        const char mark[2] = {(char)UNREAD_MARK, 0};
        screenColourText(cv->term, row, UNREAD_MARK_COL, COL_GREEN, 1, mark);
    }
    screenColourText(cv->term, row, MESSAGE_TEXT_COL, read ? COL_WHITE : COL_GREEN, read ? 0 : 1, text);
}

const Letter* openLetter(const ClientState* cs) {
    int32_t open = cs->mail.letterOpen;
    return (open >= 0 && open < heldCount(cs->mail.letterCount, MAX_LETTERS)) ? &cs->mail.letters[open] : nullptr;
}

const Announcement* openAnnouncement(const ClientState* cs) {
    int32_t open = cs->mail.announcementOpen;
    return (open >= 0 && open < heldCount(cs->mail.announcementCount, MAX_ANNOUNCEMENTS))
        ? &cs->mail.announcements[open] : nullptr;
}

// The body the open letter or announcement shows, and its rows.
struct MessageView {
    const char* text;
    int32_t startRow;
    int32_t lastRow;
};

// The reply hint owns row 18, so a letter that takes a reply stops its body
// one row short of it rather than have the hint written across a line.
MessageView letterView(const Letter& l) {
    return {l.body, LETTER_BODY_ROW, l.acceptsReply ? REPLY_HINT_ROW - 1 : MESSAGE_BOTTOM_ROW};
}

MessageView announcementView(const Announcement& a) {
    return {a.body, NOTICE_BODY_ROW, MESSAGE_BOTTOM_ROW};
}

}  // namespace

void drawMessageBody(Canvas* cv, const ClientState* cs, const char* text, int32_t startRow) {
    drawMessageRows(cv, cs, text, startRow, MESSAGE_BOTTOM_ROW);
}

int32_t readScrollShown(const ClientState* cs) {
    MessageView view;
    const Letter* l = cs->view.screen == SCR_LETTER ? openLetter(cs) : nullptr;
    const Announcement* a = cs->view.screen == SCR_ANNOUNCEMENT ? openAnnouncement(cs) : nullptr;
    if (l) view = letterView(*l);
    else if (a) view = announcementView(*a);
    else return cs->mail.readScroll;
    MessageLayout layout;
    layoutMessage(view.text, MESSAGE_LINES_MAX, &layout);
    return scrollWithin(layout, view.startRow, view.lastRow, cs->mail.readScroll);
}

void paintMailbox(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, "Y O U R   M A I L B O X");
    int32_t count = heldCount(cs->mail.letterCount, MAX_LETTERS);
    if (count == 0) {
        screenCentreText(cv->term, EMPTY_TEXT_ROW, COL_WHITE, 0,
                         cs->mail.mailRequested ? "One moment - fetching your mail..."
                                           : "Nothing in your mailbox just now.");
        return;
    }
    for (int32_t i = 0; i < minOf(count, MAIL_LIST_SHOWN); i++) {
        const Letter& l = cs->mail.letters[i];
        char entry[ENTRY_TEXT_BYTES];
        formatText(entry, "[%d] %-40.40s  %-20.20s", i + 1, l.subject, l.sender);
        drawListEntry(cv, LIST_TOP_ROW + i, l.read, entry);
    }
    if (count > MAIL_LIST_SHOWN) {
        char more[48];
        formatText(more, "Showing the newest %d of %d", MAIL_LIST_SHOWN, count);
        screenColourText(cv->term, MORE_MAIL_ROW, MESSAGE_TEXT_COL, COL_CYAN, 0, more);
    }
}

void paintLetter(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    const Letter* l = openLetter(cs);
    if (!l) {
        screenCentreText(cv->term, GONE_TEXT_ROW, COL_WHITE, 0, "That letter is no longer there.");
        return;
    }
    char line[96];
    formatText(line, "%.60s", l->subject);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, line);
    formatText(line, "from %.24s%s%.20s", l->sender, l->date[0] ? "   -   " : "", l->date);
    screenCentreText(cv->term, LETTER_FROM_ROW, COL_CYAN, 0, line);
    screenHLine(cv->term, LETTER_RULE_ROW, COL_BLUE, 0);
    MessageView view = letterView(*l);
    drawMessageRows(cv, cs, view.text, view.startRow, view.lastRow);
    if (!l->acceptsReply) return;
    if (l->replied)
        screenColourText(cv->term, REPLY_HINT_ROW, REPLY_HINT_COL, COL_BLUE, 1, "You have answered this one.");
    else
        screenColourText(cv->term, REPLY_HINT_ROW, REPLY_HINT_COL, COL_YELLOW, 1, "[R] Reply To This");
}

void paintAnnouncements(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, "A N N O U N C E M E N T S");
    int32_t count = heldCount(cs->mail.announcementCount, MAX_ANNOUNCEMENTS);
    if (count == 0) {
        screenCentreText(cv->term, EMPTY_TEXT_ROW, COL_WHITE, 0, "Check back for future announcements.");
        return;
    }
    for (int32_t i = 0; i < minOf(count, MAIL_LIST_SHOWN); i++) {
        const Announcement& a = cs->mail.announcements[i];
        char entry[ENTRY_TEXT_BYTES];
        formatText(entry, "[%d] %-62.62s", i + 1, a.title);
        drawListEntry(cv, LIST_TOP_ROW + i, a.read, entry);
    }
}

void paintAnnouncement(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    const Announcement* a = openAnnouncement(cs);
    if (!a) {
        screenCentreText(cv->term, GONE_TEXT_ROW, COL_WHITE, 0, "That announcement is no longer there.");
        return;
    }
    char title[72];
    formatText(title, "%.70s", a->title);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, title);
    screenHLine(cv->term, NOTICE_RULE_ROW, COL_BLUE, 0);
    MessageView view = announcementView(*a);
    drawMessageRows(cv, cs, view.text, view.startRow, view.lastRow);
}
