#include "host/config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "host/nodelog.h"
#include "host/settings.h"
#include "platform/text.h"

void configDefaults(DoorConfig* cfg) {
    *cfg = DoorConfig{};
    copyText(cfg->host, DEFAULT_SERVER_HOST);
    cfg->useTls = 1;
}

static void storeHost(DoorConfig* s, const char* v) { copyText(s->host, v); }
static void storePort(DoorConfig* s, const char* v) { s->port = atoi(v); }
static void storeBbsId(DoorConfig* s, const char* v) { copyText(s->bbsId, v); }
static void storeBbsName(DoorConfig* s, const char* v) { copyText(s->bbsName, v); }
static void storeSysop(DoorConfig* s, const char* v) { copyText(s->sysop, v); }

// A number decides when it is one ("tls=2" is on); otherwise the first
// letter does, so "yes" and "true" are on and "no" and "off" are off.
static void storeTls(DoorConfig* s, const char* v) {
    int n = atoi(v);
    s->useTls = n != 0 || (v[0] && strchr("YyTt", v[0])) ? 1 : 0;
}

// Extra roots: a relative name lives beside the executable like every other
// door file; an empty value means none.
static void storeCaFile(DoorConfig* s, const char* v) {
    if (!v[0]) { s->caFile[0] = 0; return; }
    copyText(s->caFile, platPathIsAbsolute(v) ? v : exePath(v).text);
}

// Only a UTF-8 name switches the output over; anything else keeps CP437,
// which every BBS caller's terminal expects.
static void storeCharset(DoorConfig* s, const char* v) {
    bool utf8 = strcasecmp(v, "utf8") == 0 || strcasecmp(v, "utf-8") == 0;
    s->utf8 = utf8 ? 1 : 0;
}

static void storeTelnet(DoorConfig* s, const char* v) {
    if (!strcasecmp(v, "on") || !strcasecmp(v, "yes")) s->telnet = TELNET_ON;
    else if (!strcasecmp(v, "off") || !strcasecmp(v, "no")) s->telnet = TELNET_OFF;
    else s->telnet = TELNET_AUTO;
}

// Relative to the executable, as every other door file.
static void storeLogDir(DoorConfig* s, const char* v) {
    if (!v[0]) { s->logDir[0] = 0; return; }
    copyText(s->logDir, platPathIsAbsolute(v) ? v : exePath(v).text);
}

struct ConfigKey {
    const char* name;                        // exact, case-sensitive
    void (*store)(DoorConfig*, const char*);
};

constexpr ConfigKey CONFIG_KEYS[] = {
    {"host", storeHost},     {"port", storePort},       {"tls", storeTls},
    {"bbsid", storeBbsId},   {"bbsname", storeBbsName}, {"sysop", storeSysop},
    {"cafile", storeCaFile}, {"charset", storeCharset}, {"telnet", storeTelnet},
    {"logdir", storeLogDir},
};

// One piece of at most 255 characters: strip the line end and trailing
// blanks, skip comments, split at the first '=' and store a known key.
static void configApplyLine(DoorConfig* cfg, char* line) {
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
            key.store(cfg, value);
            return;
        }
    }
}

int32_t configReadFile(DoorConfig* cfg, const char* path) {
    FILE* f = fopen(path, "r");
    int32_t opened = f ? 1 : 0;
    if (f) {
        char line[CFG_LINE_SIZE];
        while (fgets(line, sizeof line, f)) configApplyLine(cfg, line);
        fclose(f);
    }
    if (cfg->port == 0)
        cfg->port = cfg->useTls ? DEFAULT_PORT_TLS : DEFAULT_PORT_PLAIN;
    return opened;
}

void configRead(DoorConfig* cfg) {
    char path[512];
    copyText(path, exePath("door.cfg").text);
    configReadFile(cfg, path);
}
