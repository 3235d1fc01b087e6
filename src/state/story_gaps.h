// The gaps of a story the caller writes: "{noun}" or "{animal: a pet}" in the
// story lines. Owns the scan that fills storyGaps, shared by the read-back
// screen, the story editor and the submission request.
#pragma once

struct ClientState;

// Empty storyGaps and fill it from the story lines in reading order: a gap
// counts when "}" closes it and its name is not empty; at most 30 are kept.
void scanStoryGaps(ClientState* state);
