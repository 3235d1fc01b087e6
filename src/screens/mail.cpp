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

// The body on rows startRow to lastRow, with its scroll bar.
void drawMessageRows(ClientState* cs, const char* text, int32_t startRow, int32_t lastRow) {
    MessageLayout layout;
    layoutMessage(text, MESSAGE_LINES_MAX, &layout);
    int32_t visible = maxOf(lastRow + 1 - startRow, 0);
    cs->readScroll = maxOf(minOf(cs->readScroll, layout.count - visible), 0);
    for (int32_t row = startRow; row <= lastRow; row++) {
        int32_t i = cs->readScroll + row - startRow;
        if (i >= layout.count) {
            screenClearLine(cs, row);
            continue;
        }
        char piece[MESSAGE_WRAP + 1];
        copyTextMax(piece, text + layout.lines[i].start, (size_t)layout.lines[i].len);
        screenColourText(cs, row, MESSAGE_TEXT_COL, COL_WHITE, 0, piece);
    }
    screenScrollbar(cs, MESSAGE_BAR_COL, startRow, lastRow, cs->readScroll, visible, layout.count);
}

// One numbered list entry: unread ones stand out in green with a mark.
void drawListEntry(ClientState* cs, int32_t row, int32_t read, const char* text) {
    if (!read) {
        const char mark[2] = {(char)UNREAD_MARK, 0};
        screenColourText(cs, row, UNREAD_MARK_COL, COL_GREEN, 1, mark);
    }
    screenColourText(cs, row, MESSAGE_TEXT_COL, read ? COL_WHITE : COL_GREEN, read ? 0 : 1, text);
}

const Letter* openLetter(const ClientState* cs) {
    int32_t open = cs->letterOpen;
    return (open >= 0 && open < heldCount(cs->letterCount, MAX_LETTERS)) ? &cs->letters[open] : nullptr;
}

const Announcement* openAnnouncement(const ClientState* cs) {
    int32_t open = cs->announcementOpen;
    return (open >= 0 && open < heldCount(cs->announcementCount, MAX_ANNOUNCEMENTS))
        ? &cs->announcements[open] : nullptr;
}

}  // namespace

void drawMessageBody(ClientState* cs, const char* text, int32_t startRow) {
    drawMessageRows(cs, text, startRow, MESSAGE_BOTTOM_ROW);
}

void paintMailbox(ClientState* cs) {
    screenClearBody(cs);
    screenCentreText(cs, TITLE_ROW, COL_YELLOW, 1, "Y O U R   M A I L B O X");
    int32_t count = heldCount(cs->letterCount, MAX_LETTERS);
    if (count == 0) {
        screenCentreText(cs, EMPTY_TEXT_ROW, COL_WHITE, 0,
                         cs->mailRequested ? "One moment - fetching your mail..."
                                           : "Nothing in your mailbox just now.");
        return;
    }
    for (int32_t i = 0; i < minOf(count, MAIL_LIST_SHOWN); i++) {
        const Letter& l = cs->letters[i];
        char entry[ENTRY_TEXT_BYTES];
        formatText(entry, "[%d] %-40.40s  %-20.20s", i + 1, l.subject, l.sender);
        drawListEntry(cs, LIST_TOP_ROW + i, l.read, entry);
    }
    if (count > MAIL_LIST_SHOWN) {
        char more[48];
        formatText(more, "Showing the newest %d of %d", MAIL_LIST_SHOWN, count);
        screenColourText(cs, MORE_MAIL_ROW, MESSAGE_TEXT_COL, COL_CYAN, 0, more);
    }
}

void paintLetter(ClientState* cs) {
    screenClearBody(cs);
    const Letter* l = openLetter(cs);
    if (!l) {
        screenCentreText(cs, GONE_TEXT_ROW, COL_WHITE, 0, "That letter is no longer there.");
        return;
    }
    char line[96];
    formatText(line, "%.60s", l->subject);
    screenCentreText(cs, TITLE_ROW, COL_YELLOW, 1, line);
    formatText(line, "from %.24s%s%.20s", l->sender, l->date[0] ? "   -   " : "", l->date);
    screenCentreText(cs, LETTER_FROM_ROW, COL_CYAN, 0, line);
    screenHLine(cs, LETTER_RULE_ROW, COL_BLUE, 0);
    if (!l->acceptsReply) {
        drawMessageBody(cs, l->body, LETTER_BODY_ROW);
        return;
    }
    // The reply hint owns row 18, so the body stops one row short of it
    // rather than have the hint written across a line of the letter.
    drawMessageRows(cs, l->body, LETTER_BODY_ROW, REPLY_HINT_ROW - 1);
    if (l->replied) screenColourText(cs, REPLY_HINT_ROW, REPLY_HINT_COL, COL_BLUE, 1, "You have answered this one.");
    else screenColourText(cs, REPLY_HINT_ROW, REPLY_HINT_COL, COL_YELLOW, 1, "[R] Reply To This");
}

void paintAnnouncements(ClientState* cs) {
    screenClearBody(cs);
    screenCentreText(cs, TITLE_ROW, COL_YELLOW, 1, "A N N O U N C E M E N T S");
    int32_t count = heldCount(cs->announcementCount, MAX_ANNOUNCEMENTS);
    if (count == 0) {
        screenCentreText(cs, EMPTY_TEXT_ROW, COL_WHITE, 0, "Check back for future announcements.");
        return;
    }
    for (int32_t i = 0; i < minOf(count, MAIL_LIST_SHOWN); i++) {
        const Announcement& a = cs->announcements[i];
        char entry[ENTRY_TEXT_BYTES];
        formatText(entry, "[%d] %-62.62s", i + 1, a.title);
        drawListEntry(cs, LIST_TOP_ROW + i, a.read, entry);
    }
}

void paintAnnouncement(ClientState* cs) {
    screenClearBody(cs);
    const Announcement* a = openAnnouncement(cs);
    if (!a) {
        screenCentreText(cs, GONE_TEXT_ROW, COL_WHITE, 0, "That announcement is no longer there.");
        return;
    }
    char title[72];
    formatText(title, "%.70s", a->title);
    screenCentreText(cs, TITLE_ROW, COL_YELLOW, 1, title);
    screenHLine(cs, NOTICE_RULE_ROW, COL_BLUE, 0);
    drawMessageBody(cs, a->body, NOTICE_BODY_ROW);
}
