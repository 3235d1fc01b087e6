// Marker files beside the executable: WORDWHIRL.RD and WORDWHIRL.DIS list the
// announcements each BBS user has read or dismissed, one "user id" pair a
// line. Shared by every node; each call opens, reads or appends, and closes.
#pragma once
#include <cstdint>

constexpr const char* MARKER_READ_FILE = "WORDWHIRL.RD";
constexpr const char* MARKER_DISMISSED_FILE = "WORDWHIRL.DIS";

// 1 when the pair (user, id) is listed in the file at path. The lookup stops
// at the first line that is not a pair; a missing file lists nothing.
int32_t markerListed(const char* path, int32_t user, int32_t id);

// Append the pair unless it is listed already. Silent when the file cannot
// be opened: the mark is simply forgotten.
void markerAdd(const char* path, int32_t user, int32_t id);

// The same for BBS user record `user` in the files beside the executable.
int32_t markerHasRead(int32_t user, int32_t id);
int32_t markerHasDismissed(int32_t user, int32_t id);
void markerAddRead(int32_t user, int32_t id);
void markerAddDismissed(int32_t user, int32_t id);
