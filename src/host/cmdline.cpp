#include "host/cmdline.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

const char* const CMD_HELP_TEXT =
    "Usage: wordwhirl [options] [drop file]\n"
    "  <path>, -D<path>  the drop file (DOOR32.SYS, DOOR.SYS, DORINFOn.DEF; any case)\n"
    "  -N<node>          node number (overrides the drop file)\n"
    "  -H<handle>        the caller's socket descriptor (comm type 2)\n"
    "  -X, --stdio       the caller is on standard input/output\n"
    "  -T<minutes>       time left (overrides the drop file)\n"
    "  --utf8, --cp437   the caller's charset (overrides door.cfg)\n"
    "  --telnet          speak telnet to the caller (overrides door.cfg)\n"
    "  --no-telnet       the BBS does the telnet; pass bytes as they are\n"
    "  --help            this list\n"
    "Options may also be written /N5. Unknown options go to the node log and are ignored.\n";

// A '/' option is a single letter and its value, never a path.
static bool isOption(const char* arg) {
    if (arg[0] == '-') return arg[1] != 0;
    return arg[0] == '/' && arg[1] && !strchr(arg + 1, '/');
}

static void noteUnknown(DoorOptions* opts, const char* arg) {
    if (opts->unknownCount < CMD_UNKNOWN_MAX) opts->unknown[opts->unknownCount++] = arg;
}

// A long option (after "--"); 0 when it is not one we know.
static int32_t longOption(DoorOptions* opts, const char* name) {
    if (!strcasecmp(name, "stdio")) opts->stdio = 1;
    else if (!strcasecmp(name, "utf8")) opts->charset = CMD_CHARSET_UTF8;
    else if (!strcasecmp(name, "cp437")) opts->charset = CMD_CHARSET_CP437;
    else if (!strcasecmp(name, "help")) opts->help = 1;
    else if (!strcasecmp(name, "telnet")) opts->telnet = TELNET_ON;
    else if (!strcasecmp(name, "no-telnet")) opts->telnet = TELNET_OFF;
    else return 0;
    return 1;
}

// A number option's value: digits only, else the option is unknown.
static bool readNumber(const char* text, long* out) {
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (!text[0] || *end || v < 0 || v > 0x7fffffffL) return false;
    *out = v;
    return true;
}

// One letter option with its value; false when it is not one we know.
static bool letterOption(DoorOptions* opts, char letter, const char* value) {
    long n = 0;
    switch (letter) {
    case 'D': opts->dropPath = value; return true;
    case 'X': if (value[0]) return false; opts->stdio = 1; return true;
    case 'N': if (!readNumber(value, &n) || n < 1) return false; opts->node = (int32_t)n; return true;
    case 'T': if (!readNumber(value, &n) || n < 1) return false; opts->minutes = (int32_t)n; return true;
    case 'H':
        if (!readNumber(value, &n)) return false;
        opts->handleGiven = 1;
        opts->handle = (uint32_t)n;
        return true;
    default: return false;
    }
}

void cmdParse(DoorOptions* opts, int argc, char** argv) {
    memset(opts, 0, sizeof *opts);
    const char* self = argc > 0 && argv[0] && argv[0][0] ? argv[0] : "wordwhirl";
    for (const char* p = self; *p; p++)
        if (*p == '/' || *p == '\\') opts->programName = p + 1;
    if (!opts->programName || !opts->programName[0]) opts->programName = self;
    bool bareTaken = false;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (!arg) continue;
        if (!isOption(arg)) {
            // A bare argument fills in only what no -D has named yet.
            if (!bareTaken && (!opts->dropPath || !opts->dropPath[0])) opts->dropPath = arg;
            bareTaken = true;
            continue;
        }
        if (arg[0] == '-' && arg[1] == '-') {
            if (!longOption(opts, arg + 2)) noteUnknown(opts, arg);
            continue;
        }
        char letter = (char)(arg[1] >= 'a' && arg[1] <= 'z' ? arg[1] - 'a' + 'A' : arg[1]);
        const char* value = arg + 2;
        // "-N 5": a valued letter alone takes the next argument when it is no option.
        if (!value[0] && strchr("DNHT", letter) && i + 1 < argc && argv[i + 1] && !isOption(argv[i + 1])) {
            value = argv[++i];
            if (letter == 'D') bareTaken = true;
        }
        if (!letterOption(opts, letter, value)) noteUnknown(opts, arg);
    }
}
