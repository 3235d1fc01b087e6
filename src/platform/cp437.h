// CP437, the door's one character set: every text it holds is one byte per
// character, so widths and cuts count bytes. Owns the CP437-to-Unicode table
// and the conversions at the two edges that speak Unicode: UTF-8 from the
// service and from a UTF-8 terminal in, UTF-8 to the service and to a UTF-8
// terminal out. One table serves both directions and both edges.
#pragma once
#include <cstdint>

constexpr int32_t UTF8_MAX_PER_BYTE = 3;  // every CP437 character lies below U+10000
constexpr uint32_t UNICODE_REPLACEMENT = 0xFFFD;  // what a broken UTF-8 sequence decodes to

// CP437 bytes 128-255 as Unicode code points.
constexpr uint16_t CP437_UNICODE[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Latin letters CP437 lacks, U+00C0 to U+017F, as the ASCII letter a reader
// would take them for ("ł" is "l"); '?' where no letter is obvious.
constexpr char LATIN_FOLD[193] =
    "AAAAAAACEEEEIIIIDNOOOOOxOUUUUY?s" "aaaaaaaceeeeiiiidnooooo?ouuuuy?y"
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGg" "GgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSs" "SsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(sizeof LATIN_FOLD == 0x180 - 0xC0 + 1, "one letter for every code point folded");

constexpr uint32_t cp437ToUnicode(unsigned char b) { return b < 128 ? b : CP437_UNICODE[b - 128]; }

// The CP437 byte for a code point: ASCII as it is, a character CP437 has as
// its byte, a Latin letter as its plain letter, typographic quotes and
// dashes as their ASCII forms, anything else '?'.
constexpr unsigned char unicodeToCp437(uint32_t cp) {
    if (cp < 128) return (unsigned char)cp;
    for (int32_t i = 0; i < 128; i++)
        if (CP437_UNICODE[i] == cp) return (unsigned char)(128 + i);
    if (cp >= 0xC0 && cp < 0x180) return (unsigned char)LATIN_FOLD[cp - 0xC0];
    if (cp == 0x2018 || cp == 0x2019) return '\'';
    if (cp == 0x201C || cp == 0x201D) return '"';
    if (cp == 0x2013 || cp == 0x2014) return '-';
    return '?';
}

// One CP437 byte as UTF-8 into out (room for UTF8_MAX_PER_BYTE); the count written.
constexpr int32_t cp437ToUtf8(unsigned char b, unsigned char* out) {
    uint32_t cp = cp437ToUnicode(b);
    if (cp < 0x80) {
        out[0] = (unsigned char)cp;
        return 1;
    }
    if (cp < 0x800) {
        out[0] = (unsigned char)(0xC0 | (cp >> 6));
        out[1] = (unsigned char)(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = (unsigned char)(0xE0 | (cp >> 12));
    out[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
    out[2] = (unsigned char)(0x80 | (cp & 0x3F));
    return 3;
}

// The length a UTF-8 sequence announces by its first byte; 0 for a byte
// that starts none (a continuation byte, C0, C1 or F5 to FF).
constexpr int32_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Decodes the UTF-8 sequence at p into *cp; returns the bytes it took, at
// least 1. A broken sequence (a bad lead, a missing continuation, an
// overlong form, a surrogate, past U+10FFFF) gives UNICODE_REPLACEMENT and
// takes its lead and the continuations that were good, so the next byte
// starts afresh. Stops at a NUL: a NUL is never a continuation.
constexpr int32_t utf8Decode(const unsigned char* p, uint32_t* cp) {
    int32_t length = utf8SequenceLength(p[0]);
    if (length <= 1) {
        *cp = length == 1 ? p[0] : UNICODE_REPLACEMENT;
        return 1;
    }
    uint32_t value = p[0] & (0x7F >> length);
    for (int32_t i = 1; i < length; i++) {
        if ((p[i] & 0xC0) != 0x80) {
            *cp = UNICODE_REPLACEMENT;
            return i;
        }
        value = (value << 6) | (p[i] & 0x3F);
    }
    constexpr uint32_t SMALLEST[5] = {0, 0, 0x80, 0x800, 0x10000};
    bool bad = value < SMALLEST[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF;
    *cp = bad ? UNICODE_REPLACEMENT : value;
    return length;
}
