// Bounded text helpers: every copy into a fixed char[N] is cut silently at
// N - 1 characters and always terminated. The capacity is deduced from the
// array so no call site can pass a wrong size. No door code copies text any
// other way.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>

// Copy src into dst, cut at cap - 1 characters. A null src gives "".
inline void copyTextN(char* dst, size_t cap, const char* src) {
    if (cap == 0) return;
    size_t n = 0;
    if (src) {
        while (n + 1 < cap && src[n]) n++;
        memmove(dst, src, n);
    }
    dst[n] = 0;
}

template <size_t N>
inline void copyText(char (&dst)[N], const char* src) {
    copyTextN(dst, N, src);
}

// Copy at most maxChars characters of src, still cut to the array.
template <size_t N>
inline void copyTextMax(char (&dst)[N], const char* src, size_t maxChars) {
    copyTextN(dst, maxChars + 1 < N ? maxChars + 1 : N, src);
}

// Append src to the text already in dst, cut to the array.
inline void appendTextN(char* dst, size_t cap, const char* src) {
    size_t have = strnlen(dst, cap);
    if (have + 1 >= cap) return;
    copyTextN(dst + have, cap - have, src);
}

template <size_t N>
inline void appendText(char (&dst)[N], const char* src) {
    appendTextN(dst, N, src);
}

// printf into a fixed array, cut and terminated. Returns the length stored.
__attribute__((format(printf, 3, 0)))
inline int formatTextV(char* dst, size_t cap, const char* fmt, va_list ap) {
    if (cap == 0) return 0;
    int n = vsnprintf(dst, cap, fmt, ap);
    if (n < 0) { dst[0] = 0; return 0; }
    return (size_t)n >= cap ? (int)(cap - 1) : n;
}

__attribute__((format(printf, 3, 4)))
inline int formatTextN(char* dst, size_t cap, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = formatTextV(dst, cap, fmt, ap);
    va_end(ap);
    return n;
}

template <size_t N>
__attribute__((format(printf, 2, 3)))
inline int formatText(char (&dst)[N], const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = formatTextV(dst, N, fmt, ap);
    va_end(ap);
    return n;
}

template <size_t N>
inline bool textEmpty(const char (&s)[N]) { return s[0] == 0; }

// word anywhere in text, letters compared without regard to case.
inline bool textHasNoCase(const char* text, const char* word) {
    size_t n = strlen(word);
    for (; *text; text++)
        if (strncasecmp(text, word, n) == 0) return true;
    return n == 0;
}

// ---- integer bounds ----
// The door's one copy of these: screen geometry, scrolling and list counts
// all clamp plain int32 values, and a local copy per file drifted before.

inline int32_t minOf(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t maxOf(int32_t a, int32_t b) { return a > b ? a : b; }

// value held inside low..high; low wins when the range is empty.
inline int32_t clampTo(int32_t value, int32_t low, int32_t high) { return maxOf(low, minOf(value, high)); }
