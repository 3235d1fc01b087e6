#include "screens/widgets.h"

#include <cstring>

#include "host/nodelog.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

// CP437 characters of the header box and the chat pane rules.
constexpr unsigned char DBL_TOP_LEFT = 0xC9;
constexpr unsigned char DBL_HLINE = 0xCD;
constexpr unsigned char DBL_TOP_RIGHT = 0xBB;
constexpr unsigned char DBL_VLINE = 0xBA;
constexpr unsigned char DBL_BOTTOM_LEFT = 0xC8;
constexpr unsigned char DBL_BOTTOM_RIGHT = 0xBC;
constexpr unsigned char RULE_LEFT = 0xC3;
constexpr unsigned char RULE_HLINE = 0xC4;
constexpr unsigned char RULE_RIGHT = 0xB4;

constexpr int32_t FRAME_RUN = 77;            // inner run of the header and chat rules
constexpr int32_t HEADER_TITLE_COL = 3;
constexpr int32_t HEADER_NAME_COL = 33;
constexpr int32_t HEADER_STATUS_END = 77;    // status text ends in this column
constexpr int32_t FOOTER_TEXT_COL = 3;
constexpr int32_t FOOTER_HIGHLIGHT_MAX = 63; // bright-green lead-in never longer
constexpr int32_t CHAT_NAME_SHOWN_MAX = 39;  // speaker part drawn in the name colour
constexpr int32_t CHAT_NAME_CUT = 20;        // "%.20s" of the speaker's name

constexpr char CHAT_TITLE_LIVE[] = " Chat  -  Just Type To Talk  (PgUp Scrolls Back) ";
constexpr char CHAT_TITLE_BACK[] = " Chat  -  Looking Back  (PgDn To Catch Up) ";
constexpr char PRODUCT_TITLE[] = "W O R D W H I R L";

// One line of the chat pane as it will be drawn.
struct ChatDisplayLine {
    char text[SCREEN_COLS];  // indent and piece: at most 4 + 75 characters
    int32_t colour;
    int32_t bright;
    int32_t nameLen;         // leading characters drawn in the name colour; 0 none
    int32_t nameColour;
};
static_assert(4 + CHAT_NEXT_WIDTH < SCREEN_COLS && 2 + CHAT_FIRST_WIDTH < SCREEN_COLS,
              "indent plus piece fits a display line");

// Rebuilt at every chat draw as a ring: the newest CHAT_DISPLAY_MAX lines.
// About 19 KiB, on the stack of the draw that needs it.
struct ChatDisplay {
    ChatDisplayLine lines[CHAT_DISPLAY_MAX];
    int32_t made;            // lines made this draw; the ring holds the last 200
};

// How each kind of chat line looks. Said and directed lines lead with the
// speaker's name in the speaker's colour.
struct ChatKindStyle {
    int32_t colour;
    int32_t bright;
    int32_t named;           // 1 said, 2 directed, 0 body is the text alone
};
constexpr ChatKindStyle CHAT_KIND_STYLES[] = {
    {COL_WHITE, 0, 1},       // 0 said
    {COL_MAGENTA, 0, 0},     // 1 action
    {COL_CYAN, 0, 0},        // 2 system
    {COL_YELLOW, 1, 0},      // 3 private
    {COL_WHITE, 0, 2},       // 4 directed
};
constexpr int32_t CHAT_KIND_COUNT = (int32_t)(sizeof CHAT_KIND_STYLES / sizeof CHAT_KIND_STYLES[0]);

// A frame run: first, run copies of fill, last, drawn at (row, col).
void drawRun(Canvas* cv, int32_t row, int32_t col, unsigned char first,
             unsigned char fill, int32_t run, unsigned char last) {
    char line[SCREEN_COLS + 1];
    int32_t n = 0;
    if (first) line[n++] = (char)first;
    for (int32_t i = 0; i < run && n < SCREEN_COLS - 1; i++) line[n++] = (char)fill;
    if (last && n < SCREEN_COLS) line[n++] = (char)last;
    line[n] = 0;
    putTextAt(cv->term, row, col, line);
}

void drawChar(Canvas* cv, int32_t row, int32_t col, unsigned char c) {
    char s[2] = {(char)c, 0};
    putTextAt(cv->term, row, col, s);
}

// ---- status bar ----

enum StatusKind : int32_t {
    STATUS_NONE,
    STATUS_COUNT_TIME,   // "%d Playing   %d:%02d left"
    STATUS_COUNT,        // "%d Playing"
    STATUS_TIME,         // "%d:%02d left"
    STATUS_ONLINE,       // "%s Wordwhirl%s Online"
};

enum StatusSituation : int32_t {
    SITU_LOUNGE,
    SITU_SEATED_MENU,
    SITU_SEATED_OTHER,
    SITU_MENU,
    SITU_OTHER,
    SITU_COUNT,
};

// What the status shows, by situation, untimed and timed.
constexpr StatusKind STATUS_BY_SITUATION[SITU_COUNT][2] = {
    {STATUS_COUNT, STATUS_COUNT_TIME},    // the Lounge
    {STATUS_ONLINE, STATUS_COUNT_TIME},   // seated, on the main menu
    {STATUS_COUNT, STATUS_COUNT_TIME},    // seated, elsewhere
    {STATUS_ONLINE, STATUS_TIME},         // not seated, on the main menu
    {STATUS_NONE, STATUS_TIME},           // not seated, elsewhere
};

StatusSituation statusSituation(const ClientState* cs) {
    if (cs->view.screen == SCR_LOUNGE) return SITU_LOUNGE;
    bool menu = cs->view.screen == SCR_MAIN_MENU;
    if (cs->table.inRoom) return menu ? SITU_SEATED_MENU : SITU_SEATED_OTHER;
    return menu ? SITU_MENU : SITU_OTHER;
}

// Status text and its colour for shown seconds (-1: not timed).
void statusText(const ClientState* cs, int32_t shown, char (&text)[64], int32_t* fg,
                int32_t* bright) {
    int32_t timed = shown >= 1 ? 1 : 0;
    int32_t mins = timed ? shown / 60 : 0;
    int32_t secs = timed ? shown % 60 : 0;
    *fg = shown > STATUS_LOW_SECS ? COL_YELLOW : COL_RED;
    *bright = 1;
    text[0] = 0;
    switch (STATUS_BY_SITUATION[statusSituation(cs)][timed]) {
    case STATUS_NONE:
        break;
    case STATUS_COUNT_TIME:
        formatText(text, "%d Playing   %d:%02d left", cs->table.playerCountSeen, mins, secs);
        break;
    case STATUS_COUNT:
        formatText(text, "%d Playing", cs->table.playerCountSeen);
        *fg = COL_CYAN;
        *bright = 0;
        break;
    case STATUS_TIME:
        formatText(text, "%d:%02d left", mins, secs);
        break;
    case STATUS_ONLINE:
        if (cs->identity.onlineTotal >= 1) {
            char number[24];
            formatGrouped(number, (int32_t)sizeof number, cs->identity.onlineTotal);
            formatText(text, "%s Wordwhirl%s Online", number, cs->identity.onlineTotal == 1 ? "" : "s");
        }
        *fg = COL_GREEN;
        break;
    }
}

// ---- chat pane ----


ChatDisplayLine* nextDisplayLine(ChatDisplay* display) {
    ChatDisplayLine* line = &display->lines[display->made % CHAT_DISPLAY_MAX];
    display->made++;
    memset(line, 0, sizeof *line);
    return line;
}

// Wrap one body into display lines: two blanks before the first piece,
// four before every further one.
void wrapChatBody(ChatDisplay* display, const char* body, int32_t colour, int32_t bright, int32_t nameLen,
                  int32_t nameColour) {
    const char* rest = body;
    bool first = true;
    while (*rest) {
        int32_t width = first ? CHAT_FIRST_WIDTH : CHAT_NEXT_WIDTH;
        int32_t n = textPieceLength(rest, width);
        ChatDisplayLine* line = nextDisplayLine(display);
        int32_t indent = first ? 2 : 4;
        memset(line->text, ' ', (size_t)indent);
        memcpy(line->text + indent, rest, (size_t)n);  // n <= 75: fits with the indent
        line->text[indent + n] = 0;
        line->colour = colour;
        line->bright = bright;
        if (first && (int32_t)strlen(line->text) >= nameLen) {
            line->nameLen = nameLen;
            line->nameColour = nameColour;
        }
        rest += n;
        while (*rest == ' ') rest++;
        first = false;
    }
}

void buildChatDisplay(ChatDisplay* display, const ClientState* cs) {
    display->made = 0;
    int32_t count = minOf(maxOf(cs->chat.chatCount, 0), MAX_CHAT_LINES);
    for (int32_t i = 0; i < count; i++) {
        const ChatLine& cl = cs->chat.chatLog[i];
        int32_t kind = (cl.kind >= 0 && cl.kind < CHAT_KIND_COUNT) ? cl.kind : CHAT_SYSTEM;
        const ChatKindStyle& style = CHAT_KIND_STYLES[kind];
        char body[CHAT_NAME_CUT * 2 + sizeof cl.text + 16];  // name, addressee, text, glue
        int32_t nameLen = 0;
        int32_t shortName = minOf((int32_t)strlen(cl.name), CHAT_NAME_CUT);
        if (style.named == 1) {
            formatTextN(body, sizeof body, "%.20s: %s", cl.name, cl.text);
            nameLen = shortName + 3;
        } else if (style.named == 2) {
            formatTextN(body, sizeof body, "%.20s (to %.20s): %s", cl.name,
                        cl.tag[0] ? cl.tag : "you", cl.text);
            nameLen = shortName + 2;
        } else {
            copyText(body, cl.text);
        }
        wrapChatBody(display, body, style.colour, style.bright, nameLen, chatColourOf(cs, cl.name));
    }
}

const ChatDisplayLine* displayLineAt(const ChatDisplay* display, int32_t index, int32_t total) {
    if (index < 0 || index >= total) return nullptr;
    return &display->lines[(display->made - total + index) % CHAT_DISPLAY_MAX];
}

void drawChatRow(Canvas* cv, int32_t row, const ChatDisplayLine* line) {
    screenClearLine(cv->term, row);
    if (!line || !line->text[0]) return;
    if (line->nameLen < 1) {
        screenColourText(cv->term, row, 1, line->colour, line->bright, line->text);
        return;
    }
    int32_t lead = minOf(line->nameLen, CHAT_NAME_SHOWN_MAX);
    char name[CHAT_NAME_SHOWN_MAX + 1];
    copyTextMax(name, line->text, (size_t)lead);
    screenColourText(cv->term, row, 1, line->nameColour, 1, name);
    screenColourText(cv->term, row, 1 + lead, line->colour, line->bright, line->text + lead);
}

}  // namespace

int32_t textPieceLength(const char* rest, int32_t width) {
    int32_t len = (int32_t)strnlen(rest, (size_t)width + 1);
    if (len <= width) return len;
    int32_t blank = -1;
    for (int32_t i = 0; i < width; i++)
        if (rest[i] == ' ') blank = i;
    return blank > 0 ? blank : width;
}

int32_t callerSecondsLeft(const ClientState* cs) {
    int32_t elapsed = (int32_t)(tickMs(&cs->clock) - cs->timers.doorStartTick) / 1000;
    int32_t left = cs->caller.timeLeftSecs - elapsed;
    return left < 0 ? 0 : left;
}

void formatGrouped(char* out, int32_t cap, int32_t n) {
    char digits[16];
    int32_t len = formatTextN(digits, sizeof digits, "%d", n < 0 ? 0 : n);
    char grouped[24];
    int32_t g = 0;
    for (int32_t i = 0; i < len; i++) {
        if (i > 0 && (len - i) % 3 == 0) grouped[g++] = ',';
        grouped[g++] = digits[i];
    }
    grouped[g] = 0;
    copyTextN(out, (size_t)cap, grouped);
}

int32_t chatColourOf(const ClientState* cs, const char* name) {
    if (!name || !name[0]) return COL_WHITE;
    int32_t count = minOf(cs->table.playerCount, MAX_PLAYERS);
    for (int32_t i = 0; i < count; i++)
        if (strcmp(cs->table.players[i].name, name) == 0) return cs->table.players[i].colour;
    return COL_WHITE;
}

void drawStatusBar(Canvas* cv, const ClientState* cs) {
    int32_t left = callerSecondsLeft(cs);
    int32_t shown = (left >= 1 && left <= STATUS_TIMED_MAX) ? left : -1;
    screenSetColour(cv->term, COL_CYAN, 1);
    drawRun(cv, HEADER_TOP_ROW, 1, DBL_TOP_LEFT, DBL_HLINE, FRAME_RUN, DBL_TOP_RIGHT);
    drawRun(cv, HEADER_BOTTOM_ROW, 1, DBL_BOTTOM_LEFT, DBL_HLINE, FRAME_RUN, DBL_BOTTOM_RIGHT);
    drawChar(cv, HEADER_TEXT_ROW, 1, DBL_VLINE);
    screenClearToEnd(cv->term);  // the cursor stands in column 2: clear the rest
    drawChar(cv, HEADER_TEXT_ROW, SCREEN_LAST_COL, DBL_VLINE);

    screenColourText(cv->term, HEADER_TEXT_ROW, HEADER_TITLE_COL, COL_YELLOW, 1, PRODUCT_TITLE);
    char name[48];  // at most 47 characters of the name
    copyText(name, cs->identity.myName[0] ? cs->identity.myName : cs->caller.callerName);
    screenColourText(cv->term, HEADER_TEXT_ROW, HEADER_NAME_COL, COL_WHITE, 1, name);

    char text[64];
    int32_t fg = COL_WHITE, bright = 0;
    statusText(cs, shown, text, &fg, &bright);
    if (text[0])
        screenColourText(cv->term, HEADER_TEXT_ROW, HEADER_STATUS_END + 1 - (int32_t)strlen(text), fg,
                         bright, text);
}

// The scroll clamped to what a display of `display` lines can show.
static int32_t clampChatScroll(const ClientState* cs, const ChatDisplay* display) {
    int32_t total = minOf(display->made, CHAT_DISPLAY_MAX);
    return minOf(maxOf(cs->chat.chatScroll, 0), maxOf(total - CHAT_ROWS_SHOWN, 0));
}

int32_t chatScrollShown(const ClientState* cs) {
    ChatDisplay display;  // 19 KiB, for this call only
    buildChatDisplay(&display, cs);
    return clampChatScroll(cs, &display);
}

void drawChatPane(Canvas* cv, const ClientState* cs) {
    // Clamped before the title is chosen, so a scroll past the oldest line
    // never claims to be looking back when the pane shows the newest lines.
    ChatDisplay display;  // 19 KiB, for this paint only
    buildChatDisplay(&display, cs);
    int32_t scroll = clampChatScroll(cs, &display);
    int32_t total = minOf(display.made, CHAT_DISPLAY_MAX);

    screenSetColour(cv->term, COL_BLUE, 1);
    drawRun(cv, CHAT_TOP_ROW, 1, RULE_LEFT, RULE_HLINE, FRAME_RUN, RULE_RIGHT);
    if (scroll < 1)
        screenColourText(cv->term, CHAT_TOP_ROW, 3, COL_BLUE, 1, CHAT_TITLE_LIVE);
    else
        screenColourText(cv->term, CHAT_TOP_ROW, 3, COL_YELLOW, 1, CHAT_TITLE_BACK);
    screenSetColour(cv->term, COL_BLUE, 0);
    drawRun(cv, CHAT_BOTTOM_ROW, 2, 0, RULE_HLINE, FRAME_RUN, 0);

    int32_t firstShown = maxOf(total - CHAT_ROWS_SHOWN - scroll, 0);
    for (int32_t i = 0; i < CHAT_ROWS_SHOWN; i++)
        drawChatRow(cv, CHAT_FIRST_LINE_ROW + i, displayLineAt(&display, firstShown + i, total));
}

void drawFooter(Canvas* cv, const ClientState* cs, const char* prompt) {
    bool notice = cs->input.noticeText[0] != 0;
    char text[FOOTER_TEXT_MAX + 1];
    copyText(text, notice ? cs->input.noticeText : prompt);
    int32_t fg = notice ? COL_YELLOW : COL_CYAN;
    int32_t bright = notice ? 1 : 0;
    screenClearLine(cv->term, FOOTER_ROW);
    int32_t len = (int32_t)strlen(text);
    int32_t hl = cv->cache->footerHighlight;
    if (len > 0) {
        if (notice || hl <= 0 || hl >= len) {
            screenColourText(cv->term, FOOTER_ROW, FOOTER_TEXT_COL, fg, bright, text);
        } else {
            int32_t lead = minOf(hl, FOOTER_HIGHLIGHT_MAX);
            char keys[FOOTER_HIGHLIGHT_MAX + 1];
            copyTextMax(keys, text, (size_t)lead);
            screenColourText(cv->term, FOOTER_ROW, FOOTER_TEXT_COL, COL_GREEN, 1, keys);
            screenColourText(cv->term, FOOTER_ROW, FOOTER_TEXT_COL + lead, fg, bright, text + lead);
        }
    }
}

int32_t inputCursorCol(const ClientState* cs) {
    return INPUT_TEXT_COL + minOf(maxOf(cs->input.inputLen, 0), INPUT_CURSOR_SPAN);
}

// A line that fits before column 77 shows whole; a longer one shows "<"
// for what is hidden, then its last characters, so the caller always sees
// what they are typing.
void drawInputLine(Canvas* cv, const ClientState* cs) {
    screenClearLine(cv->term, INPUT_ROW);
    screenColourText(cv->term, INPUT_ROW, 2, COL_YELLOW, 1, ">");
    int32_t len = (int32_t)strnlen(cs->input.inputLine, sizeof cs->input.inputLine);
    if (len <= INPUT_CURSOR_SPAN) {
        screenColourText(cv->term, INPUT_ROW, INPUT_TEXT_COL, COL_WHITE, 1, cs->input.inputLine);
    } else {
        screenColourText(cv->term, INPUT_ROW, INPUT_TEXT_COL, COL_YELLOW, 1, "<");
        screenColourText(cv->term, INPUT_ROW, INPUT_TEXT_COL + 1, COL_WHITE, 1,
                         cs->input.inputLine + len - INPUT_SCROLL_SHOWN);
    }
    screenGoto(cv->term, INPUT_ROW, inputCursorCol(cs));
    screenShowCursor(cv->term, 1);
}
