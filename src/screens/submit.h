// The story submission walk-through, one painter per step: introduction,
// title, writing, read-back with the gaps found, change of a line,
// category, rating, contact address, terms and the thank-you.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t GAP_SUMMARY_SHOWN = 8;   // gaps named in the summary line at most
constexpr int32_t GAP_SUMMARY_WIDTH = 70;  // the summary line stays under this
constexpr int32_t STORY_REVIEW_WINDOW = 9; // lines on the read-back screen
constexpr int32_t STORY_EDIT_WINDOW = 7;   // lines on the change screen
constexpr int32_t STORY_SCROLL_COL = 79;   // scroll bar of both, right of the lines

// The first story line (0-based) of the change screen: storyScroll moved
// just enough to show the marked line. Not stored.
int32_t storyEditWindowStart(const ClientState* cs);

void paintSubmitIntro(Canvas* cv, const ClientState* cs);
void paintStoryTitle(Canvas* cv, const ClientState* cs);
void paintStoryWrite(Canvas* cv, const ClientState* cs);
void paintStoryReview(Canvas* cv, const ClientState* cs);
void paintStoryEdit(Canvas* cv, const ClientState* cs);
void paintStoryCategory(Canvas* cv, const ClientState* cs);
void paintStoryRating(Canvas* cv, const ClientState* cs);
void paintStoryEmail(Canvas* cv, const ClientState* cs);
void paintStoryTerms(Canvas* cv, const ClientState* cs);
void paintStorySent(Canvas* cv, const ClientState* cs);
