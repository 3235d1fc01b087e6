// The reading screens: the mailbox and one open letter, the announcements
// and one open announcement, and the scrolling message body the two open
// views share.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t MESSAGE_WRAP = 65;          // characters of one body line
constexpr int32_t MESSAGE_LINES_MAX = 401;    // a longer body is cut here
constexpr int32_t MESSAGE_BOTTOM_ROW = 18;    // the body ends above the chat rows
constexpr int32_t MESSAGE_TEXT_COL = 8;
constexpr int32_t MESSAGE_BAR_COL = 76;       // the body's scroll bar
constexpr int32_t MAIL_LIST_SHOWN = 9;        // letters / announcements listed (keys 1-9)

void paintMailbox(Canvas* cv, const ClientState* cs);
void paintLetter(Canvas* cv, const ClientState* cs);
void paintAnnouncements(Canvas* cv, const ClientState* cs);
void paintAnnouncement(Canvas* cv, const ClientState* cs);

// text split into lines of at most 65 characters, drawn from readScroll on
// rows startRow to 18 with a scroll bar; the view is kept within the lines.
void drawMessageBody(Canvas* cv, const ClientState* cs, const char* text, int32_t startRow);

// readScroll as the open letter or announcement shows it: kept within its
// body, whatever the keys left stored. Off those screens, or with nothing
// open, readScroll as it is.
int32_t readScrollShown(const ClientState* cs);
