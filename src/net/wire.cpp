#include "net/wire.h"

#include <cstdlib>
#include <cstring>

#include "host/nodelog.h"
#include "net/connection.h"
#include "net/tls.h"
#include "platform/cp437.h"
#include "platform/net.h"
#include "platform/platform.h"
#include "platform/text.h"

// Envelope lengths without name and data: the longest line must fit.
static constexpr int32_t EMIT_FRAME = 32;       // {"cmd":"emit","name":"","data":}
static constexpr int32_t EMIT_ACK_FRAME = 42;   // ... plus ,"ackId":
static constexpr int32_t INT_TEXT_MAX = 11;     // "-2147483648"
static_assert(EMIT_FRAME + WIRE_EMIT_NAME_MAX + WIRE_EMIT_DATA_MAX < WIRE_EMIT_SIZE, "emit fits");
static_assert(EMIT_ACK_FRAME + INT_TEXT_MAX + WIRE_EMIT_NAME_MAX + WIRE_EMIT_ACK_DATA_MAX < WIRE_EMIT_SIZE,
              "emit with acknowledgement fits");
static_assert(WIRE_BUFFER_START << 6 == WIRE_BUFFER_MAX, "doubling reaches the limit exactly");

// ---- sending ----

// Bytes taken by one write: > 0 moved, 0 try again later, -1 dead.
static int writeSome(ServerConnection* conn, const char* bytes, size_t n) {
    int chunk = n > (size_t)WIRE_BUFFER_MAX ? WIRE_BUFFER_MAX : (int)n;
    if (conn->tlsSession) return tlsWrite(conn->tlsSession, bytes, chunk);
    long sent = platSend(conn->socket, bytes, (size_t)chunk);
    if (sent >= 0) return (int)sent;
    return platWouldBlock(platNetError()) ? 0 : -1;
}

// The socket is non-blocking: a full send buffer means "later", for the
// text and for its line feed alike.
static int writeAll(ServerConnection* conn, const char* bytes, size_t n) {
    size_t done = 0;
    while (done < n) {
        int moved = writeSome(conn, bytes + done, n - done);
        if (moved < 0) {
            conn->connected = 0;
            return 0;
        }
        if (moved == 0) platSleepMs(WIRE_RETRY_SLEEP_MS);
        done += (size_t)moved;
    }
    return 1;
}

int serverSendLine(ServerConnection* conn, const char* text) {
    if (!conn || !conn->connected || !text) return 0;
    return writeAll(conn, text, strlen(text)) && writeAll(conn, "\n", 1);
}

static const char* dataOrEmpty(const char* data) { return data && data[0] ? data : "{}"; }

int serverEmit(ServerConnection* conn, const char* name, const char* data) {
    char line[WIRE_EMIT_SIZE];
    formatText(line, "{\"cmd\":\"emit\",\"name\":\"%.*s\",\"data\":%.*s}", WIRE_EMIT_NAME_MAX,
               name ? name : "", WIRE_EMIT_DATA_MAX, dataOrEmpty(data));
    return serverSendLine(conn, line);
}

int serverEmitAck(ServerConnection* conn, const char* name, const char* data, int ackId) {
    char line[WIRE_EMIT_SIZE];
    formatText(line, "{\"cmd\":\"emit\",\"name\":\"%.*s\",\"ackId\":%d,\"data\":%.*s}", WIRE_EMIT_NAME_MAX,
               name ? name : "", ackId, WIRE_EMIT_ACK_DATA_MAX, dataOrEmpty(data));
    return serverSendLine(conn, line);
}

int serverSendStories(ServerConnection* conn, const char* category, int offset) {
    char escaped[jsonEscapeCap(WIRE_CATEGORY_MAX)];
    jsonEscapeText(escaped, sizeof escaped, category);
    char line[jsonEscapedMax(WIRE_CATEGORY_MAX) + 64];
    formatText(line, "{\"cmd\":\"stories\",\"category\":\"%.*s\",\"offset\":%d}",
               escapedCut(escaped, WIRE_CATEGORY_MAX), escaped, offset);
    return serverSendLine(conn, line);
}

int serverSendActions(ServerConnection* conn) {
    return serverSendLine(conn, "{\"cmd\":\"actions\",\"offset\":0}");
}

// ---- receiving ----

// Double *capacity (from the start size, at most 1 MiB) until it holds
// need bytes. 0 when it cannot or the allocation failed (buffer kept).
static int growBuffer(char** buffer, int32_t* capacity, int32_t need) {
    int32_t cap = *capacity ? *capacity : WIRE_BUFFER_START;
    while (cap < need && cap < WIRE_BUFFER_MAX) cap *= 2;
    if (cap < need) return 0;
    if (cap == *capacity) return 1;
    char* grown = (char*)realloc(*buffer, (size_t)cap);
    if (!grown) return 0;
    *buffer = grown;
    *capacity = cap;
    return 1;
}

// One read: > 0 bytes, 0 nothing waiting, -1 closed or failed.
static int readSome(ServerConnection* conn, char* into, int n) {
    if (conn->tlsSession) return tlsRead(conn->tlsSession, into, n);
    long got = platRecv(conn->socket, into, (size_t)n);
    if (got > 0) return (int)got;
    if (got == 0) return -1;
    return platWouldBlock(platNetError()) ? 0 : -1;
}

static int32_t freeSpace(const ServerConnection* conn) {
    return conn->receiveCapacity - conn->receiveCount - 1;
}

// Cannot grow and too little room to read: a line this long is dropped.
static int receiveFull(const ServerConnection* conn) {
    return freeSpace(conn) < WIRE_GROW_BELOW && conn->receiveCount + WIRE_READ_CHUNK > WIRE_BUFFER_MAX;
}

// Move the bytes not yet handed out to the front. Done only when room runs
// short, so a burst of lines costs one move per buffer-full, not one per line.
static void compact(ServerConnection* conn) {
    int32_t unread = conn->receiveCount - conn->receiveStart;
    memmove(conn->receiveBuffer, conn->receiveBuffer + conn->receiveStart, (size_t)unread);
    conn->receiveCount = unread;
    conn->receiveStart = 0;
    conn->receiveBuffer[unread] = 0;
}

// Read until nothing more is waiting, the buffer is full, or the
// connection ends (then it is marked dead).
static void fillReceiveBuffer(ServerConnection* conn) {
    for (;;) {
        if (freeSpace(conn) < WIRE_GROW_BELOW && conn->receiveStart > 0) compact(conn);
        if (freeSpace(conn) < WIRE_GROW_BELOW) {
            if (receiveFull(conn)) return;
            if (!growBuffer(&conn->receiveBuffer, &conn->receiveCapacity,
                            conn->receiveCount + WIRE_READ_CHUNK)) return;
        }
        int32_t room = freeSpace(conn);
        int got = readSome(conn, conn->receiveBuffer + conn->receiveCount,
                           room < WIRE_READ_CHUNK ? room : WIRE_READ_CHUNK);
        if (got == 0) return;
        if (got < 0) {
            conn->connected = 0;
            return;
        }
        conn->receiveCount += got;
        conn->receiveBuffer[conn->receiveCount] = 0;
    }
}

static char* unreadBytes(const ServerConnection* conn) {
    return conn->receiveBuffer + conn->receiveStart;
}

static int32_t unreadCount(const ServerConnection* conn) {
    return conn->receiveCount - conn->receiveStart;
}

// Hand out the first n unread bytes; an emptied buffer starts over at 0.
static void consume(ServerConnection* conn, int32_t n) {
    conn->receiveStart += n;
    if (conn->receiveStart >= conn->receiveCount) {
        conn->receiveStart = 0;
        conn->receiveCount = 0;
        conn->receiveBuffer[0] = 0;
    }
}

// After an over-long line was dropped, its tail up to the line feed is no
// line of its own: throw it away too, so only whole lines are handed out.
static void skipLineTail(ServerConnection* conn) {
    if (!conn->receiveSkipping) return;
    const char* lf = (const char*)memchr(unreadBytes(conn), '\n', (size_t)unreadCount(conn));
    if (!lf) {
        consume(conn, unreadCount(conn));
        return;
    }
    consume(conn, (int32_t)(lf - unreadBytes(conn)) + 1);
    conn->receiveSkipping = 0;
}

int serverReceiveLine(ServerConnection* conn, const char** line) {
    if (!conn || !conn->connected || !line) return 0;
    if (!conn->receiveBuffer) {
        conn->receiveBuffer = (char*)malloc(WIRE_BUFFER_START);
        if (!conn->receiveBuffer) return 0;
        conn->receiveCapacity = WIRE_BUFFER_START;
        conn->receiveCount = 0;
        conn->receiveBuffer[0] = 0;
    }
    fillReceiveBuffer(conn);
    skipLineTail(conn);
    if (unreadCount(conn) == 0) return 0;
    const char* lf = (const char*)memchr(unreadBytes(conn), '\n', (size_t)unreadCount(conn));
    if (!lf) {
        if (conn->receiveStart > 0) compact(conn);
        if (receiveFull(conn)) {
            consume(conn, unreadCount(conn));
            conn->receiveSkipping = 1;
            nodeLog(conn->log, "WW-NET-04");
        }
        return 0;
    }
    int32_t length = (int32_t)(lf - unreadBytes(conn));
    if (!growBuffer(&conn->lineBuffer, &conn->lineCapacity, length + 1)) return 0;
    memcpy(conn->lineBuffer, unreadBytes(conn), (size_t)length);
    conn->lineBuffer[length] = 0;
    consume(conn, length + 1);
    *line = conn->lineBuffer;
    return 1;
}

int serverInputWaiting(const ServerConnection* conn) {
    if (!conn || !conn->connected) return 0;
    if (conn->tlsSession && tlsPending(conn->tlsSession)) return 1;
    int32_t unread = conn->receiveBuffer ? unreadCount(conn) : 0;
    return unread > 0 && memchr(unreadBytes(conn), '\n', (size_t)unread) ? 1 : 0;
}

// ---- escaping ----

// Room kept free at the end: the last escape pair or character and the
// terminator.
static constexpr size_t ESCAPE_RESERVE = 7;
static_assert(ESCAPE_RESERVE > (size_t)UTF8_MAX_PER_BYTE, "a whole character still fits past the limit");

void jsonEscapeText(char* dst, size_t cap, const char* src) {
    if (cap == 0) return;
    size_t out = 0;
    size_t limit = cap > ESCAPE_RESERVE ? cap - ESCAPE_RESERVE : 0;
    for (const unsigned char* p = (const unsigned char*)(src ? src : ""); *p && out < limit; p++) {
        unsigned char c = *p;
        if (c == '"' || c == '\\') {
            dst[out++] = '\\';
            dst[out++] = (char)c;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            dst[out++] = ' ';
        } else if (c >= 32 && c <= 126) {
            dst[out++] = (char)c;
        } else if (c >= 128) {
            out += (size_t)cp437ToUtf8(c, (unsigned char*)dst + out);
        }
    }
    dst[out] = 0;
}

// Bytes of the unit starting at `at`: an escape pair, a UTF-8 sequence (as
// jsonEscapeText writes them, always whole) or one byte.
static int unitLength(const char* at) {
    if (at[0] == '\\') return at[1] == 'u' ? 6 : 2;
    int length = utf8SequenceLength((unsigned char)at[0]);
    return length > 0 ? length : 1;
}

int escapedCut(const char* escaped, int maxChars) {
    if (!escaped) return 0;
    int at = 0;
    int chars = 0;
    while (escaped[at]) {
        int step = unitLength(escaped + at);
        int counts = (unsigned char)escaped[at] >= 0x80 ? 1 : step;
        if (chars + counts > maxChars || (int)strnlen(escaped + at, (size_t)step) < step) break;
        at += step;
        chars += counts;
    }
    return at;
}
