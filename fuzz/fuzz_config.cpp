// Fuzz target for the door.cfg reader, through a real file: any bytes over
// the defaults must leave every setting terminated, a port chosen and the
// TLS switch a plain 0 or 1 (an empty host is allowed: connect reads it as
// the local address).
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz_common.h"
#include "host/config.h"

using fuzzsupport::check;
using fuzzsupport::terminated;

namespace {

constexpr size_t MAX_INPUT = 64 * 1024;
DoorConfig state;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceNodeLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > MAX_INPUT) return 0;
    char path[128];
    snprintf(path, sizeof path, "%sdoor.cfg", fuzzsupport::scratchDir());
    FILE* f = fopen(path, "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
    memset(&state, 0, sizeof state);
    configDefaults(&state);
    check(configReadFile(&state, path) == 1, "the file opens");
    check(terminated(state.host) && terminated(state.caFile) && terminated(state.bbsId) &&
              terminated(state.bbsName) && terminated(state.sysop),
          "settings terminated");
    check(state.port != 0, "a port chosen");
    check(state.useTls == 0 || state.useTls == 1, "TLS switch 0 or 1");
    remove(path);
    return 0;
}
