#include "host/drop.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/nodelog.h"
#include "platform/text.h"

// The log with the node the file named so far: problems land in that node's file.
static NodeLog* logFor(NodeLog* log, const CallerInfo* info) {
    if (log) log->node = info->nodeNumber;
    return log;
}

static_assert(DROP_MAX_LINES >= 52, "DOOR.SYS has 52 lines");

static constexpr const char* DROP_DEFAULT_NAME = "DOOR32.SYS";
static constexpr int32_t DEFAULT_TIME_SECS = 3600;  // one hour when the file says nothing usable
static constexpr const char* DEFAULT_NAME = "Player";

// Line n of the file, counted from 1.
static const char* dropLine(const DropText* text, int n) { return text->lines[n - 1]; }

// atoi's reading (blanks, sign, leading digits, 0 without any), kept inside
// int32 so a silly value in a drop file cannot overflow.
static int32_t dropNumber(const char* text) {
    long long v = strtoll(text, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (int32_t)v;
}

static int32_t minutesToSecs(const char* text) {
    long long secs = (long long)dropNumber(text) * 60;
    if (secs > INT32_MAX) return INT32_MAX;
    if (secs < INT32_MIN) return INT32_MIN;
    return (int32_t)secs;
}

void dropDefaults(CallerInfo* info) {
    memset(info, 0, sizeof *info);
    copyText(info->callerName, DEFAULT_NAME);
    copyText(info->realName, DEFAULT_NAME);
    copyText(info->bbsSoftware, "Local");
    info->nodeNumber = 1;
    info->timeLeftSecs = DEFAULT_TIME_SECS;
    info->ansiCaller = 1;
}

void dropParseDoor32(CallerInfo* info, const DropText* text, NodeLog* log) {
    info->dropLayout = DROP_LAYOUT_DOOR32;
    info->commType = dropNumber(dropLine(text, 1));
    info->commHandle = (uint32_t)strtoul(dropLine(text, 2), nullptr, 10);
    copyText(info->bbsSoftware, dropLine(text, 4));
    info->userRecord = dropNumber(dropLine(text, 5));
    copyText(info->realName, dropLine(text, 6));
    copyText(info->callerName, dropLine(text, 7));
    info->timeLeftSecs = minutesToSecs(dropLine(text, 9));
    info->ansiCaller = dropNumber(dropLine(text, 10)) > 0;
    info->nodeNumber = dropNumber(dropLine(text, 11));
    // Some hosts write 0 for every caller whatever their terminal: the
    // screens stay ANSI, and the log keeps the claim for the Sysop.
    if (!info->ansiCaller)
        nodeLog(logFor(log, info), "WW-DROP-05 emulation %s (ASCII) noted; ANSI screens anyway", dropLine(text, 10));
}

// A DOOR.SYS caller is always served on the local console, so the handle
// stays 0 whatever the comm port line says.
void dropParseDoorSys(CallerInfo* info, const DropText* text) {
    info->dropLayout = DROP_LAYOUT_DOORSYS;
    const char* port = dropLine(text, 1);
    bool local = port[0] == 'L' || strstr(port, "COM0");
    info->commType = !local && (port[0] == 'C' || port[0] == 'c') ? COMM_SERIAL : COMM_LOCAL;
    info->nodeNumber = dropNumber(dropLine(text, 4));
    if (info->nodeNumber < 1) info->nodeNumber = 1;
    char graphics = dropLine(text, 9)[0];
    info->ansiCaller = graphics && strchr("Yy1", graphics) ? 1 : 0;
    copyText(info->realName, dropLine(text, 10));
    copyText(info->callerName, dropLine(text, 11));
    info->timeLeftSecs = minutesToSecs(dropLine(text, 19));
    if (text->lineCount >= 26) info->userRecord = dropNumber(dropLine(text, 26));
}

// DORINFO has no alias: the first and last name make both names.
void dropParseDorinfo(CallerInfo* info, const DropText* text) {
    info->dropLayout = DROP_LAYOUT_DORINFO;
    copyText(info->bbsSoftware, dropLine(text, 1));
    char name[64];  // first and last name joined, at most 63 characters
    copyText(name, dropLine(text, 7));
    if (name[0] && dropLine(text, 8)[0]) appendText(name, " ");
    appendText(name, dropLine(text, 8));
    if (!name[0]) copyText(name, DEFAULT_NAME);
    copyText(info->callerName, name);
    copyText(info->realName, name);
    info->ansiCaller = dropNumber(dropLine(text, 10)) > 0;
    info->timeLeftSecs = text->lineCount == 11 ? DEFAULT_TIME_SECS : minutesToSecs(dropLine(text, 12));
    info->commType = COMM_LOCAL;
    info->commHandle = 0;
    info->nodeNumber = 1;
}

// The name part of a path: after the last '\', else the last '/', else all.
static const char* dropFileName(const char* path) {
    const char* cut = strrchr(path, '\\');
    if (!cut) cut = strrchr(path, '/');
    return cut ? cut + 1 : path;
}

// Open the drop file: the path as given, else its file name beside the
// executable, else DOOR32.SYS beside the executable, each name in any case.
// On failure the status says whether the first attempt was refused for
// lack of access.
static FILE* dropOpen(CallerInfo* info, const char* path, const char* exeDir, DropText* text, NodeLog* log) {
    const char* name = dropFileName(path);
    char dir[DROP_PATH_SIZE];  // the path up to its file name, separator kept
    size_t dirLen = (size_t)(name - path);
    copyTextN(dir, dirLen + 1 < sizeof dir ? dirLen + 1 : sizeof dir, path);
    FILE* f = platOpenNoCase(dir, name, text->pathUsed, sizeof text->pathUsed);
    if (f) return f;
    int32_t status = errno == EACCES ? DROP_NO_ACCESS : DROP_NOT_FOUND;
    if (name != path && name[0]) f = platOpenNoCase(exeDir, name, text->pathUsed, sizeof text->pathUsed);
    if (!f) f = platOpenNoCase(exeDir, DROP_DEFAULT_NAME, text->pathUsed, sizeof text->pathUsed);
    if (f) return f;
    text->pathUsed[0] = 0;
    info->dropStatus = status;
    if (status == DROP_NO_ACCESS)
        nodeLog(logFor(log, info), "WW-DROP-04 cannot be opened by this account (%s)", info->dropPathGiven);
    else
        nodeLog(logFor(log, info), "WW-DROP-01 nothing there (%s)", info->dropPathGiven);
    return nullptr;
}

static void dropTrim(char* line) {
    size_t len = strlen(line);
    while (len > 0 && strchr("\t\n\r ", line[len - 1])) line[--len] = 0;
    size_t lead = strspn(line, " \t");
    memmove(line, line + lead, len - lead + 1);
}

// Lines read, at most DROP_MAX_LINES pieces of DROP_LINE_SIZE - 1 characters.
static int dropReadLines(FILE* f, DropText* text) {
    int n = 0;
    while (n < DROP_MAX_LINES && fgets(text->lines[n], DROP_LINE_SIZE, f)) n++;
    for (int i = 0; i < n; i++) dropTrim(text->lines[i]);
    text->lineCount = n;
    return n;
}

enum LayoutPick : int32_t { PICK_UNKNOWN, PICK_DOOR32, PICK_DOORSYS, PICK_DORINFO, PICK_GUESS };

struct LineRule {
    int minLines;
    int maxLines;
    LayoutPick pick;
};

// The file name says which layout to expect; the line count confirms it.
// The first name rule whose tag the name contains applies (a rule without
// tags matches every name); within it, the first line rule that fits.
struct NameRule {
    const char* tags[2];   // case-sensitive, as BBSes write these names
    LineRule lines[3];
};

constexpr NameRule LAYOUT_RULES[] = {
    {{"32", nullptr}, {{11, DROP_MAX_LINES, PICK_DOOR32}}},
    {{"DORINFO", "dorinfo"}, {{11, DROP_MAX_LINES, PICK_DORINFO}}},
    {{"DOOR.SYS", "door.sys"},
     {{20, DROP_MAX_LINES, PICK_DOORSYS}, {11, 13, PICK_GUESS}, {11, DROP_MAX_LINES, PICK_DORINFO}}},
    {{nullptr, nullptr},
     {{11, 13, PICK_GUESS}, {40, DROP_MAX_LINES, PICK_DOORSYS}, {14, 39, PICK_DORINFO}}},
};

static bool nameRuleMatches(const NameRule& rule, const char* name) {
    if (!rule.tags[0]) return true;
    for (const char* tag : rule.tags)
        if (tag && strstr(name, tag)) return true;
    return false;
}

// 11 to 13 lines fit DOOR32.SYS and DORINFO alike: DOOR32.SYS opens with a
// comm type of 0, 1 or 2 on a line of its own.
static LayoutPick guessShortLayout(const DropText* text) {
    const char* first = dropLine(text, 1);
    return first[0] >= '0' && first[0] <= '2' && first[1] == 0 ? PICK_DOOR32 : PICK_DORINFO;
}

static LayoutPick dropChooseLayout(const char* name, const DropText* text) {
    int n = text->lineCount;
    for (const NameRule& rule : LAYOUT_RULES) {
        if (!nameRuleMatches(rule, name)) continue;
        for (const LineRule& lines : rule.lines) {
            if (lines.pick == PICK_UNKNOWN || n < lines.minLines || n > lines.maxLines) continue;
            return lines.pick == PICK_GUESS ? guessShortLayout(text) : lines.pick;
        }
        return PICK_UNKNOWN;
    }
    return PICK_UNKNOWN;
}

// Whatever the file said, the door needs a name, some time and a node.
static void dropCorrect(CallerInfo* info) {
    if (!info->callerName[0]) copyText(info->callerName, DEFAULT_NAME);
    if (info->timeLeftSecs <= 0) info->timeLeftSecs = DEFAULT_TIME_SECS;
    if (info->nodeNumber <= 0) info->nodeNumber = 1;
}

int32_t dropReadFrom(CallerInfo* info, const char* path, const char* exeDir, DropText* text, NodeLog* log) {
    NodeLog fallback{};  // no log given: the file's node, beside the executable
    if (!log) log = &fallback;
    dropDefaults(info);
    if (!path || !path[0]) path = DROP_DEFAULT_NAME;
    if (!exeDir) exeDir = "";
    copyText(info->dropPathGiven, path);
    memset(text, 0, sizeof *text);
    FILE* f = dropOpen(info, path, exeDir, text, log);
    if (!f) return 0;
    int n = dropReadLines(f, text);
    fclose(f);
    if (n == 0) {
        info->dropStatus = DROP_EMPTY;
        nodeLog(logFor(log, info), "WW-DROP-02 empty (%s)", text->pathUsed);
        return 0;
    }
    LayoutPick pick = dropChooseLayout(dropFileName(text->pathUsed), text);
    switch (pick) {
    case PICK_DOOR32: dropParseDoor32(info, text, log); break;
    case PICK_DOORSYS: dropParseDoorSys(info, text); break;
    case PICK_DORINFO: dropParseDorinfo(info, text); break;
    default: break;
    }
    dropCorrect(info);
    if (pick == PICK_DOOR32 || pick == PICK_DOORSYS || pick == PICK_DORINFO) {
        info->dropStatus = DROP_OK;
        return 1;
    }
    info->dropStatus = DROP_UNKNOWN_LAYOUT;
    nodeLog(logFor(log, info), "WW-DROP-03 not a layout we know, %d lines (%s)", n, text->pathUsed);
    return 0;
}

int32_t dropRead(CallerInfo* info, const char* path, DropText* text, NodeLog* log) {
    char exeDir[DROP_PATH_SIZE];
    copyText(exeDir, exePath("").text);
    return dropReadFrom(info, path, exeDir, text, log);
}
