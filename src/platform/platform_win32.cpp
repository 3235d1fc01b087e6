// platform.h on Windows: GetTickCount, Sleep, GetModuleFileNameA, CryptoAPI
// for random bytes, and whole-file locks by LockFileEx.
#include "platform/platform.h"

#include <cerrno>
#include <io.h>

#include "platform/text.h"
#include "platform/win32.h"

#include <wincrypt.h>

uint32_t platTickCount() { return GetTickCount(); }

void platSleepMs(uint32_t ms) { Sleep(ms); }

size_t platExeFile(char* buf, size_t cap) {
    if (cap == 0) return 0;
    DWORD n = GetModuleFileNameA(nullptr, buf, (DWORD)cap);
    if (n == 0) { buf[0] = 0; return 0; }
    buf[cap - 1] = 0;  // XP leaves a cut name unterminated; the length still says it was cut
    return (size_t)n;
}

int platRandomBytes(unsigned char* buf, size_t len) {
    HCRYPTPROV provider;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return 0;
    int ok = CryptGenRandom(provider, (DWORD)len, buf) ? 1 : 0;
    CryptReleaseContext(provider, 0);
    return ok;
}

// Windows names files without regard to case, so the exact name is the only
// one to try.
FILE* platOpenNoCase(const char* dir, const char* name, char* out, size_t cap) {
    copyTextN(out, cap, dir);
    size_t dirLen = strlen(out);
    copyTextN(out + dirLen, cap - dirLen, name);
    return fopen(out, "r");
}

int platPathIsAbsolute(const char* path) {
    bool drive = ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':';
    return path[0] == '\\' || path[0] == '/' || drive;
}

// Windows locks are mandatory rather than advisory; every node takes the
// same lock before it touches the file, so they still only take turns.
void platLockFile(int fd) {
    OVERLAPPED whole = {};
    LockFileEx((HANDLE)_get_osfhandle(fd), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
}

void platUnlockFile(int fd) {
    OVERLAPPED whole = {};
    UnlockFileEx((HANDLE)_get_osfhandle(fd), 0, MAXDWORD, MAXDWORD, &whole);
}
