// The screens outside a game that sit inside the door's frame or own it:
// the main menu, the one-page How To Play, the list of chat actions, and
// the four animated pages of the guide (the main loop's tick counts frames).
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t GUIDE_PAGES = 4;          // guidePage runs 0 to 3
constexpr int32_t ACTIONS_SHOWN_MAX = 33;   // three columns of 11

void paintMainMenu(Canvas* cv, const ClientState* cs);
void paintQuickHelp(Canvas* cv, const ClientState* cs);
void paintActions(Canvas* cv, const ClientState* cs);

// One guide page: frame and fixed text when the page is new, then the
// page's animation for guideFrame.
void paintGuide(Canvas* cv, const ClientState* cs);

// Announcements the caller has not read yet.
int32_t unreadAnnouncements(const ClientState* cs);
