// The care hub screens: the main page of help resources and one open
// section, both drawn from display lines laid out when the content arrived,
// each line in its own colour. They own rows 4 to 22.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t CARE_FIRST_ROW = 6;     // lines on rows 6-22
constexpr int32_t CARE_LAST_ROW = 22;
constexpr int32_t CARE_ROWS_SHOWN = CARE_LAST_ROW - CARE_FIRST_ROW + 1;
constexpr int32_t CARE_BRIGHT_TAG = 100;  // added to a colour for its bright form
static_assert(CARE_ROWS_SHOWN == 17, "the scroll keys page by the 17 rows shown");

void paintCareHub(Canvas* cv, const ClientState* cs);
// The open section, or the main page when no valid section is open.
void paintCareTopic(Canvas* cv, const ClientState* cs);
