#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>
#include <vector>

#include "host/drop.h"
#include "host/nodelog.h"
#include "support/files.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

std::string joinLines(const Lines& lines, const char* end = "\n") {
    std::string out;
    for (const std::string& l : lines) out += l + end;
    return out;
}

Lines door32(size_t count = 11) {
    Lines l = {"2", "1234", "38400", "Night Owl BBS", "17", "John Smith", "Johnny", "100", "45", "1", "3"};
    l.resize(count);
    return l;
}

Lines doorSys(size_t count = 52) {
    Lines l(52, "-");
    l[0] = "COM1:";
    l[3] = "5";
    l[8] = "Y";
    l[9] = "Jane Doe";
    l[10] = "JD";
    l[18] = "30";
    l[25] = "88";
    l.resize(count, "-");
    return l;
}

Lines dorinfo(int count = 13) {
    Lines l = {"Night Owl BBS", "SYS", "OP", "COM0", "0 BAUD,N,8,1", "0", "JANE", "DOE", "Town",
               "1", "100", "45", "-1"};
    l.resize(count, "-");
    return l;
}

Lines with(Lines l, int lineNo, const std::string& text) {
    l.at(lineNo - 1) = text;
    return l;
}

// A scratch directory for the node directory and, as exeDir, the
// executable's; the node log is the real one beside the test binary.
struct DropFile : ::testing::Test {
    fs::path dir;
    std::string exeDir;
    std::string logPath;
    CallerInfo info;
    DropText dropText;

    void SetUp() override {
        char name[] = "/tmp/wwdropXXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        fs::create_directory(dir / "exe");
        exeDir = (dir / "exe").string() + "/";
        logPath = exePath("wordwhirl-node1.log").text;
        unlink(logPath.c_str());
        memset(&info, 0, sizeof info);
    }
    void TearDown() override {
        unlink(logPath.c_str());
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::string put(const std::string& rel, const std::string& text) {
        std::string p = (dir / rel).string();
        std::ofstream(p) << text;
        return p;
    }
};

}  // namespace

TEST_F(DropFile, LayoutsByNameAndLineCount) {
    struct Case {
        const char* name;
        Lines lines;
        int ret, layout;
        const char *caller, *real, *bbs;
        int node, secs, comm;
        uint32_t handle;
        int user;
    } cases[] = {
        {"DOOR32.SYS", door32(), 1, 1, "Johnny", "John Smith", "Night Owl BBS", 3, 2700, 2, 1234, 17},
        {"DOOR.SYS", doorSys(), 1, 2, "JD", "Jane Doe", "Local", 5, 1800, 1, 0, 88},
        {"DOOR.SYS", with(doorSys(), 1, "COM0:"), 1, 2, "JD", "Jane Doe", "Local", 5, 1800, 0, 0, 88},
        {"DOOR.SYS", with(doorSys(), 1, "LOCAL"), 1, 2, "JD", "Jane Doe", "Local", 5, 1800, 0, 0, 88},
        {"DOOR.SYS", with(doorSys(25), 4, "0"), 1, 2, "JD", "Jane Doe", "Local", 1, 1800, 1, 0, 0},
        {"DORINFO1.DEF", dorinfo(11), 1, 3, "JANE DOE", "JANE DOE", "Night Owl BBS", 1, 3600, 0, 0, 0},
        {"DORINFO1.DEF", dorinfo(12), 1, 3, "JANE DOE", "JANE DOE", "Night Owl BBS", 1, 2700, 0, 0, 0},
        {"DORINFO3.DEF", with(dorinfo(), 7, ""), 1, 3, "DOE", "DOE", "Night Owl BBS", 1, 2700, 0, 0, 0},
        {"dorinfo1.def", with(with(dorinfo(), 7, ""), 8, ""), 1, 3, "Player", "Player", "Night Owl BBS",
         1, 2700, 0, 0, 0},
        // 11 to 13 lines: a lone comm type on line 1 means DOOR32.SYS.
        {"NODE1.DAT", door32(), 1, 1, "Johnny", "John Smith", "Night Owl BBS", 3, 2700, 2, 1234, 17},
        {"NODE1.DAT", with(door32(), 1, "My BBS"), 1, 3, "Johnny 100", "Johnny 100", "My BBS", 1, 3600, 0, 0, 0},
        {"NODE1.DAT", with(door32(), 1, "10"), 1, 3, "Johnny 100", "Johnny 100", "10", 1, 3600, 0, 0, 0},
        {"door.sys", with(doorSys(12), 1, "COM1:"), 1, 3, "- -", "- -", "COM1:", 1, 3600, 0, 0, 0},
        {"DOOR.SYS", dorinfo(15), 1, 3, "JANE DOE", "JANE DOE", "Night Owl BBS", 1, 2700, 0, 0, 0},
        {"CALLER.TXT", doorSys(40), 1, 2, "JD", "Jane Doe", "Local", 5, 1800, 1, 0, 88},
        {"CALLER.TXT", dorinfo(39), 1, 3, "JANE DOE", "JANE DOE", "Night Owl BBS", 1, 2700, 0, 0, 0},
        // Corrections after a read: no alias, no time, no node.
        {"DOOR32.SYS", with(door32(), 7, ""), 1, 1, "Player", "John Smith", "Night Owl BBS", 3, 2700, 2, 1234, 17},
        {"DOOR32.SYS", with(door32(), 9, "0"), 1, 1, "Johnny", "John Smith", "Night Owl BBS", 3, 3600, 2, 1234, 17},
        {"DOOR32.SYS", with(door32(), 11, "0"), 1, 1, "Johnny", "John Smith", "Night Owl BBS", 1, 2700, 2, 1234, 17},
        // A silly minute count must not overflow into a negative time.
        {"DOOR32.SYS", with(door32(), 9, "99999999999"), 1, 1, "Johnny", "John Smith", "Night Owl BBS", 3,
         INT32_MAX, 2, 1234, 17},
        // Too short for any layout: defaults.
        {"DOOR32.SYS", door32(10), 0, 0, "Player", "Player", "Local", 1, 3600, 0, 0, 0},
        {"DORINFO1.DEF", dorinfo(10), 0, 0, "Player", "Player", "Local", 1, 3600, 0, 0, 0},
        {"CALLER.TXT", doorSys(10), 0, 0, "Player", "Player", "Local", 1, 3600, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::string path = put(c.name, joinLines(c.lines));
        SCOPED_TRACE(std::string(c.name) + " line1=" + c.lines[0] + " n=" + std::to_string(c.lines.size()));
        EXPECT_EQ(dropReadFrom(&info, path.c_str(), exeDir.c_str(), &dropText), c.ret);
        EXPECT_EQ(info.dropStatus, c.ret ? DROP_OK : DROP_UNKNOWN_LAYOUT);
        EXPECT_EQ(info.dropLayout, c.layout);
        EXPECT_STREQ(info.callerName, c.caller);
        EXPECT_STREQ(info.realName, c.real);
        EXPECT_STREQ(info.bbsSoftware, c.bbs);
        EXPECT_EQ(info.nodeNumber, c.node);
        EXPECT_EQ(info.timeLeftSecs, c.secs);
        EXPECT_EQ(info.commType, c.comm);
        EXPECT_EQ(info.commHandle, c.handle);
        EXPECT_EQ(info.userRecord, c.user);
        EXPECT_STREQ(dropText.pathUsed, path.c_str());
        EXPECT_STREQ(info.dropPathGiven, path.c_str());
        unlink(path.c_str());
    }
}

TEST_F(DropFile, SearchBesideExecutable) {
    ASSERT_NE(access("DOOR32.SYS", F_OK), 0) << "a DOOR32.SYS in the working directory spoils this test";
    struct Case {
        const char* path;
        bool besideDoorSys;    // DOOR.SYS present beside the executable
        bool besideDoor32;     // DOOR32.SYS present beside the executable
        int layout;
        const char* used;      // file name read beside the executable, "" none
        const char* given;
    } cases[] = {
        {"/nonexistent-ww/NODE5/DOOR.SYS", true, true, 2, "DOOR.SYS", "/nonexistent-ww/NODE5/DOOR.SYS"},
        {"/nonexistent-ww/NODE5/DOOR.SYS", false, true, 1, "DOOR32.SYS", "/nonexistent-ww/NODE5/DOOR.SYS"},
        {"C:\\BBS\\NODE5\\DOOR.SYS", true, true, 2, "DOOR.SYS", "C:\\BBS\\NODE5\\DOOR.SYS"},
        {"/nonexistent-ww/NODE5/", true, true, 1, "DOOR32.SYS", "/nonexistent-ww/NODE5/"},
        {nullptr, true, true, 1, "DOOR32.SYS", "DOOR32.SYS"},
        {"", false, true, 1, "DOOR32.SYS", "DOOR32.SYS"},
        {"DOOR.SYS", true, true, 1, "DOOR32.SYS", "DOOR.SYS"},  // bare name: straight to DOOR32.SYS
        {"/nonexistent-ww/NODE5/DOOR.SYS", false, false, 0, "", "/nonexistent-ww/NODE5/DOOR.SYS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        fs::remove(dir / "exe" / "DOOR.SYS");
        fs::remove(dir / "exe" / "DOOR32.SYS");
        if (c.besideDoorSys) put("exe/DOOR.SYS", joinLines(doorSys()));
        if (c.besideDoor32) put("exe/DOOR32.SYS", joinLines(door32()));
        int ret = dropReadFrom(&info, c.path, exeDir.c_str(), &dropText);
        EXPECT_EQ(ret, c.layout ? 1 : 0);
        EXPECT_EQ(info.dropLayout, c.layout);
        EXPECT_EQ(info.dropStatus, c.layout ? DROP_OK : DROP_NOT_FOUND);
        EXPECT_STREQ(info.dropPathGiven, c.given);
        EXPECT_EQ(std::string(dropText.pathUsed), c.used[0] ? exeDir + c.used : "");
    }
}

TEST_F(DropFile, EachFailureLogsItsCodeToNodeOne) {
    std::string shortFile = put("DOOR32.SYS", joinLines(Lines(10, "1")));
    std::string emptyFile = put("DORINFO1.DEF", "");
    struct Case { std::string path; int status; std::string log; } cases[] = {
        {shortFile, DROP_UNKNOWN_LAYOUT, "WW-DROP-03 not a layout we know, 10 lines (" + shortFile + ")\n"},
        {emptyFile, DROP_EMPTY, "WW-DROP-02 empty (" + emptyFile + ")\n"},
        {"/nonexistent-ww/x/DOOR.SYS", DROP_NOT_FOUND, "WW-DROP-01 nothing there (/nonexistent-ww/x/DOOR.SYS)\n"},
        {put("DOOR.SYS", joinLines(doorSys())), DROP_OK, ""},   // a good file logs nothing
    };
    for (const Case& c : cases) {
        unlink(logPath.c_str());
        dropReadFrom(&info, c.path.c_str(), exeDir.c_str(), &dropText);
        EXPECT_EQ(info.dropStatus, c.status) << c.path;
        EXPECT_EQ(slurp(logPath), c.log) << c.path;
    }
}

#ifndef _WIN32  // file modes and fork: Windows keeps access in ACLs
// Run the read as an account that may not open the file. Root reads
// anything, so as root the read runs in a child that drops to nobody.
static int dropStatusWithoutAccess(CallerInfo* info, const std::string& path, const std::string& exeDir) {
    DropText dropText;
    if (geteuid() != 0) {
        dropReadFrom(info, path.c_str(), exeDir.c_str(), &dropText);
        return info->dropStatus;
    }
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
        dropReadFrom(info, path.c_str(), exeDir.c_str(), &dropText);
        _exit(info->dropStatus);
    }
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

TEST_F(DropFile, RefusedAccessIsStatusFour) {
    std::string path = put("DOOR32.SYS", joinLines(door32()));
    chmod(path.c_str(), 0);
    // The log must be writable by the account the read runs as.
    std::ofstream(logPath).flush();
    chmod(logPath.c_str(), 0666);
    int status = dropStatusWithoutAccess(&info, path, exeDir);
    if (status == 99) GTEST_SKIP() << "running as root and cannot drop to nobody";
    EXPECT_EQ(status, DROP_NO_ACCESS);
    EXPECT_EQ(slurp(logPath), "WW-DROP-04 cannot be opened by this account (" + path + ")\n");
}
#endif
