#include "door/config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "door/nodelog.h"
#include "door/settings.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "terminal/charset.h"

void configDefaults(ClientState* state) {
    copyText(state->conn.host, DEFAULT_SERVER_HOST);
    state->bbsId[0] = 0;
    state->conn.port = 0;
    state->conn.useTls = 1;
    state->cfgCharset = CHARSET_CP437;
}

static void storeHost(ClientState* s, const char* v) { copyText(s->conn.host, v); }
static void storePort(ClientState* s, const char* v) { s->conn.port = atoi(v); }
static void storeBbsId(ClientState* s, const char* v) { copyText(s->bbsId, v); }
static void storeBbsName(ClientState* s, const char* v) { copyText(s->cfgBbsName, v); }
static void storeSysop(ClientState* s, const char* v) { copyText(s->cfgSysop, v); }

// A number decides when it is one ("tls=2" is on); otherwise the first
// letter does, so "yes" and "true" are on and "no" and "off" are off.
static void storeTls(ClientState* s, const char* v) {
    int n = atoi(v);
    s->conn.useTls = n != 0 || (v[0] && strchr("YyTt", v[0])) ? 1 : 0;
}

// Extra roots: a relative name lives beside the executable like every other
// door file; an empty value means none.
static void storeCaFile(ClientState* s, const char* v) {
    if (!v[0]) { s->conn.caFile[0] = 0; return; }
    copyText(s->conn.caFile, v[0] == '/' ? v : exePath(v));
}

// Only a UTF-8 name switches the output over; anything else keeps CP437,
// which every BBS caller's terminal expects.
static void storeCharset(ClientState* s, const char* v) {
    bool utf8 = strcasecmp(v, "utf8") == 0 || strcasecmp(v, "utf-8") == 0;
    s->cfgCharset = utf8 ? CHARSET_UTF8 : CHARSET_CP437;
}

struct ConfigKey {
    const char* name;                        // exact, case-sensitive
    void (*store)(ClientState*, const char*);
};

constexpr ConfigKey CONFIG_KEYS[] = {
    {"host", storeHost},     {"port", storePort},       {"tls", storeTls},
    {"bbsid", storeBbsId},   {"bbsname", storeBbsName}, {"sysop", storeSysop},
    {"cafile", storeCaFile}, {"charset", storeCharset},
};

// One piece of at most 255 characters: strip the line end and trailing
// blanks, skip comments, split at the first '=' and store a known key.
static void configApplyLine(ClientState* state, char* line) {
    size_t len = strlen(line);
    while (len > 0 && strchr("\n\r ", line[len - 1])) line[--len] = 0;
    if (len == 0 || line[0] == '#' || line[0] == ';') return;
    char* eq = strchr(line, '=');
    if (!eq) return;
    *eq = 0;  // the key is everything before '=', blanks included
    const char* value = eq + 1;
    while (*value == ' ') value++;
    for (const ConfigKey& key : CONFIG_KEYS) {
        if (strcmp(line, key.name) == 0) {
            key.store(state, value);
            return;
        }
    }
}

int32_t configReadFile(ClientState* state, const char* path) {
    FILE* f = fopen(path, "r");
    int32_t opened = f ? 1 : 0;
    if (f) {
        char line[CFG_LINE_SIZE];
        while (fgets(line, sizeof line, f)) configApplyLine(state, line);
        fclose(f);
    }
    if (state->conn.port == 0)
        state->conn.port = state->conn.useTls ? DEFAULT_PORT_TLS : DEFAULT_PORT_PLAIN;
    return opened;
}

void configRead(ClientState* state) {
    char path[512];
    copyText(path, exePath("door.cfg"));
    configReadFile(state, path);
}
