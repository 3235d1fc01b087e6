#include "host/nodelog.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/text.h"

static void reportFailure(NodeLog* log) {
    if (!log->consoleFree || !log->failErrno || log->reported) return;
    log->reported = 1;
    fprintf(stderr, "Wordwhirl: cannot write the node log in %s (%s).\n",
            log->dir[0] ? log->dir : exePath("").text, strerror(log->failErrno));
}

void nodeLog(NodeLog* log, const char* format, ...) {
    int32_t node = log && log->node > 0 ? log->node : 0;
    char file[40];
    formatText(file, "wordwhirl-node%d.log", node);
    char path[NODELOG_DIR_SIZE + 40];
    if (log && log->dir[0]) formatText(path, "%s/%s", log->dir, file);
    else copyText(path, exePath(file).text);
    FILE* f = fopen(path, "a");
    if (!f) {
        if (!log) return;
        log->failErrno = errno;
        reportFailure(log);
        return;
    }
    va_list ap;
    va_start(ap, format);
    vfprintf(f, format, ap);
    va_end(ap);
    fputc('\n', f);
    fclose(f);
}

void nodeLogConsoleFree(NodeLog* log) {
    log->consoleFree = 1;
    reportFailure(log);
}
