#include "host/nodelog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/text.h"

void nodeLog(int32_t node, const char* format, ...) {
    if (node < 0) node = 0;
    char name[40];
    formatText(name, "wordwhirl-node%d.log", node);
    FILE* f = fopen(exePath(name).text, "a");
    if (!f) return;
    va_list ap;
    va_start(ap, format);
    vfprintf(f, format, ap);
    va_end(ap);
    fputc('\n', f);
    fclose(f);
}
