// Painters of the social screens: the Lounge (open tables and who is here,
// paged together), a table between rounds (title, share code, host hints,
// players, status) and the three steps of opening a table of one's own.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t LOUNGE_PAGE_ROWS = 9;      // a list of up to 9 fits one page
constexpr int32_t LOUNGE_PAGED_ROWS = 8;     // longer lists: 8 rows, the ninth says "more"

// Which page of a list of `entries` the Lounge shows for `requested` (the
// shared loungePage), and how the list splits into pages.
struct LoungePaging {
    int32_t rowsPerPage;  // 9 for one page, else 8
    int32_t pageCount;    // at least 1
    int32_t page;         // 0-based, within 0 .. pageCount - 1
};
LoungePaging loungePaging(int32_t entries, int32_t requested);

void paintLounge(Canvas* cv, const ClientState* cs);
void paintTable(Canvas* cv, const ClientState* cs);
void paintCreateTable(Canvas* cv, const ClientState* cs);
