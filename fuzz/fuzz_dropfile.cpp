// Fuzz target for the drop file reader, through a real file: the first byte
// picks the file's name (the layout guess depends on it) and whether the
// reader is given the path or must find the file beside the executable;
// the rest is the file. The caller record must come out usable whatever
// the file held.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "host/drop.h"
#include "fuzz_common.h"

using fuzzsupport::check;
using fuzzsupport::terminated;

namespace {

constexpr const char* DROP_NAMES[4] = {"DOOR32.SYS", "DOOR.SYS", "DORINFO1.DEF", "NODE1.DAT"};
constexpr size_t MAX_INPUT = 64 * 1024;  // far past the 60 lines of 256 bytes the reader keeps

CallerInfo info;
DropText dropText;

void checkRecord(int32_t read) {
    check(terminated(info.callerName) && terminated(info.realName) && terminated(info.bbsSoftware) &&
              terminated(info.dropPathGiven) && terminated(dropText.pathUsed),
          "texts terminated");
    check(info.callerName[0] != 0, "a caller name");
    check(info.nodeNumber >= 1, "node at least 1");
    check(info.timeLeftSecs > 0, "some time left");
    check(info.dropStatus >= DROP_OK && info.dropStatus <= DROP_NO_ACCESS, "status in range");
    check(info.dropLayout >= DROP_LAYOUT_NONE && info.dropLayout <= DROP_LAYOUT_DORINFO, "layout in range");
    check((read == 1) == (info.dropStatus == DROP_OK), "result agrees with the status");
    check(read != 1 || info.dropLayout != DROP_LAYOUT_NONE, "a read file has a layout");
    for (const auto& line : dropText.lines) check(terminated(line), "drop lines terminated");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceNodeLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > MAX_INPUT) return 0;
    const char* dir = fuzzsupport::scratchDir();
    const char* name = DROP_NAMES[data[0] & 3];
    bool besideExe = (data[0] & 4) != 0;  // only the name given: found in exeDir
    char path[128];
    snprintf(path, sizeof path, "%s%s", dir, name);
    FILE* f = fopen(path, "wb");
    if (!f) abort();
    fwrite(data + 1, 1, size - 1, f);
    fclose(f);
    int32_t read = dropReadFrom(&info, besideExe ? name : path, dir, &dropText);
    checkRecord(read);
    remove(path);
    return 0;
}
