#include "host/markers.h"

#include <cstdio>

#include "host/nodelog.h"
#include "platform/platform.h"
#include "platform/text.h"

int32_t markerListed(const char* path, int32_t user, int32_t id) {
    if (id < 1) return 0;
    FILE* f = fopen(path, "r");
    if (!f) return 0;
    int32_t listed = 0;
    int u = 0;
    int i = 0;
    while (!listed && fscanf(f, "%d %d", &u, &i) == 2) listed = u == user && i == id;
    fclose(f);
    return listed;
}

void markerAdd(const char* path, int32_t user, int32_t id) {
    if (id < 1 || markerListed(path, user, id)) return;
    FILE* f = fopen(path, "a+");
    if (!f) return;
    // Other nodes append to the same file: the look at its last byte and our
    // append must not interleave with theirs.
    platLockFile(fileno(f));
    // A last line without its line feed (a hand edit) would otherwise glue
    // our pair onto its number and corrupt both.
    int unterminated = fseek(f, -1, SEEK_END) == 0 && fgetc(f) != '\n';
    fseek(f, 0, SEEK_END);  // a read must be followed by a seek before writing
    if (unterminated) fputc('\n', f);
    fprintf(f, "%d %d\n", user, id);
    fflush(f);
    platUnlockFile(fileno(f));
    fclose(f);
}

// exePath's buffer is shared; each call takes its own copy before the next.
static int32_t markerListedBeside(const char* name, int32_t user, int32_t id) {
    char path[512];
    copyText(path, exePath(name).text);
    return markerListed(path, user, id);
}

static void markerAddBeside(const char* name, int32_t user, int32_t id) {
    char path[512];
    copyText(path, exePath(name).text);
    markerAdd(path, user, id);
}

int32_t markerHasRead(int32_t user, int32_t id) {
    return markerListedBeside(MARKER_READ_FILE, user, id);
}

int32_t markerHasDismissed(int32_t user, int32_t id) {
    return markerListedBeside(MARKER_DISMISSED_FILE, user, id);
}

void markerAddRead(int32_t user, int32_t id) {
    markerAddBeside(MARKER_READ_FILE, user, id);
}

void markerAddDismissed(int32_t user, int32_t id) {
    markerAddBeside(MARKER_DISMISSED_FILE, user, id);
}
