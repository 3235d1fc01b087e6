#include "state/story_gaps.h"

#include "platform/text.h"
#include "state/client_state.h"

namespace {

enum GapScan : int32_t {
    GAP_OUTSIDE = 0,  // plain story text
    GAP_NAME = 1,     // after "{": the kind of word
    GAP_HINT = 2,     // after ":": the hint, leading blanks skipped
};

// Characters kept of a gap's name and hint; longer ones are cut, not refused.
constexpr size_t GAP_NAME_MAX = 31;
constexpr size_t GAP_HINT_MAX = 63;
static_assert(GAP_NAME_MAX < sizeof(GapRecord{}.name) && GAP_HINT_MAX < sizeof(GapRecord{}.hint),
              "the record must hold what the scan keeps");

struct GapDraft {
    int32_t mode;
    char name[GAP_NAME_MAX + 1];
    size_t nameLen;
    char hint[GAP_HINT_MAX + 1];
    size_t hintLen;
};

void keepChar(char* text, size_t* len, size_t max, char c) {
    if (*len >= max) return;
    text[(*len)++] = c;
    text[*len] = 0;
}

void openGap(GapDraft* d) {
    d->mode = GAP_NAME;
    d->name[0] = 0;
    d->nameLen = 0;
    d->hint[0] = 0;
    d->hintLen = 0;
}

// "}" closes the draft: it becomes the next gap when it has a name.
void closeGap(ClientState* s, GapDraft* d) {
    d->mode = GAP_OUTSIDE;
    if (d->nameLen == 0 || s->editors.storyGapCount >= MAX_STORY_GAPS) return;
    GapRecord* g = &s->editors.storyGaps[s->editors.storyGapCount++];
    g->ordinal = s->editors.storyGapCount;
    copyText(g->name, d->name);
    copyText(g->hint, d->hint);
}

// A story line is read no further than its slot, terminated or not.
void scanLine(ClientState* s, const char (&line)[EDIT_LINE_BYTES]) {
    GapDraft d{};
    for (int32_t i = 0; i < EDIT_LINE_BYTES && line[i] && s->editors.storyGapCount < MAX_STORY_GAPS; i++) {
        char c = line[i];
        if (c == '{') { openGap(&d); continue; }  // also starts an open gap afresh
        if (d.mode == GAP_OUTSIDE) continue;
        if (c == '}') { closeGap(s, &d); continue; }
        if (d.mode == GAP_NAME) {
            if (c == ':') d.mode = GAP_HINT;
            else keepChar(d.name, &d.nameLen, GAP_NAME_MAX, c);
        } else if (!(c == ' ' && d.hintLen == 0)) {
            keepChar(d.hint, &d.hintLen, GAP_HINT_MAX, c);
        }
    }
    // A gap still open at the end of the line is dropped.
}

}  // namespace

void scanStoryGaps(ClientState* state) {
    state->editors.storyGapCount = 0;
    int32_t lines = state->editors.storyLineCount;
    if (lines > MAX_STORY_LINES) lines = MAX_STORY_LINES;
    for (int32_t i = 0; i < lines && state->editors.storyGapCount < MAX_STORY_GAPS; i++)
        scanLine(state, state->editors.storyLines[i]);
}
