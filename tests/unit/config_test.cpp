#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "host/config.h"
#include "host/nodelog.h"
#include "host/settings.h"
#include "platform/text.h"
#include "support/files.h"
#include "terminal/charset.h"

namespace {

// A fresh state with start-up's defaults, then the given door.cfg text.
DoorConfig* readConfig(const std::string& text) {
    static DoorConfig state;
    configDefaults(&state);
    std::string path = tempFile(text);
    EXPECT_EQ(configReadFile(&state, path.c_str()), 1);
    unlink(path.c_str());
    return &state;
}

}  // namespace

TEST(Config, TlsWordsAndPorts) {
    struct Case { const char* text; int tls; int port; } cases[] = {
        {"tls=no\n", 0, 8095},   {"tls=yes\n", 1, 8096},  {"tls=true\n", 1, 8096},
        {"tls=1\n", 1, 8096},    {"tls=0\n", 0, 8095},    {"tls=2\n", 1, 8096},
        {"tls=off\n", 0, 8095},  {"tls=Yup\n", 1, 8096},  {"tls=\n", 0, 8095},
        {"tls=no\nport=7000\n", 0, 7000}, {"port= 99x\n", 1, 99}, {"port=abc\n", 1, 8096},
        {"", 1, 8096},
    };
    for (const Case& c : cases) {
        DoorConfig* s = readConfig(c.text);
        EXPECT_EQ(s->useTls, c.tls) << c.text;
        EXPECT_EQ(s->port, c.port) << c.text;
    }
}

TEST(Config, KeysValuesCommentsAndLimits) {
    const std::string name40(40, 'N');
    const std::string host200(200, 'h');
    struct Case { std::string text; std::string host, bbsId, bbsName, sysop; } cases[] = {
        {"host = example\n", DEFAULT_SERVER_HOST, "", "", ""},    // key is "host "
        {"host=  example  \r\n", "example", "", "", ""},
        {"host=a\nhost=b\n", "b", "", "", ""},                   // last wins
        {"#host=x\n;host=y\n\n  \nnoequals\n", DEFAULT_SERVER_HOST, "", "", ""},
        {"HOST=x\nhostname=y\n", DEFAULT_SERVER_HOST, "", "", ""},
        {"bbsname=" + name40 + "\n", DEFAULT_SERVER_HOST, "", name40.substr(0, 31), ""},
        {"host=" + host200 + "\n", host200.substr(0, 127), "", "", ""},
        {"bbsid=board-7\nsysop=Ann Smith \nbbsname=The Pit\n", DEFAULT_SERVER_HOST, "board-7",
         "The Pit", "Ann Smith"},
        {"sysop=a=b\n", DEFAULT_SERVER_HOST, "", "", "a=b"},       // first '=' splits
        {"sysop=\tTabbed\n", DEFAULT_SERVER_HOST, "", "", "\tTabbed"},
    };
    for (const Case& c : cases) {
        DoorConfig* s = readConfig(c.text);
        EXPECT_EQ(s->host, c.host) << c.text;
        EXPECT_EQ(s->bbsId, c.bbsId) << c.text;
        EXPECT_EQ(s->bbsName, c.bbsName) << c.text;
        EXPECT_EQ(s->sysop, c.sysop) << c.text;
    }
}

TEST(Config, LongLineIsReadInPieces) {
    // 255 characters of comment, then "port=9000" spills into a piece of its
    // own and is read as a line.
    std::string text = "#" + std::string(254, 'c') + "port=9000\n";
    EXPECT_EQ(readConfig(text)->port, 9000);
}

TEST(Config, FilesRelativeBesideExecutableAbsoluteAsGiven) {
    struct Case { const char* text; std::string want; bool logDir = false; } cases[] = {
        {"cafile=roots.pem\n", exePath("roots.pem").text},
        {"cafile=  /etc/ssl/extra.pem\n", "/etc/ssl/extra.pem"},
        {"cafile=/a.pem\ncafile=\n", ""},
        {"logdir=logs\n", exePath("logs").text, true},
        {"logdir=/var/log/ww\n", "/var/log/ww", true},
#ifdef _WIN32
        {"cafile=C:\\certs\\x.pem\n", "C:\\certs\\x.pem"},  // a drive path is absolute on Windows
#endif
    };
    for (const Case& c : cases) EXPECT_EQ(c.logDir ? readConfig(c.text)->logDir : readConfig(c.text)->caFile, c.want) << c.text;
    for (auto [text, mode] : {std::pair{"telnet=off\n", TELNET_OFF}, {"telnet=ON\n", TELNET_ON}, {"telnet=auto\n", TELNET_AUTO},
                              {"telnet=maybe\n", TELNET_AUTO}, {"", TELNET_AUTO}})
        EXPECT_EQ(readConfig(text)->telnet, mode) << text;
    // Beside the executable, a long name is cut to the 255 characters kept
    // (whether it overflows depends on where the build folder lives).
    std::string longName(240, 'p');
    std::string joined = exePath(longName.c_str()).text;
    EXPECT_EQ(readConfig("cafile=" + longName + "\n")->caFile, joined.substr(0, 255));
}

TEST(ExeDirJoin, DirectoryRules) {
    struct Case { const char* exe; size_t len; const char* want; } cases[] = {
        {"/opt/bbs/wordwhirl", 18, "/opt/bbs/door.cfg"},
        {"C:\\BBS\\DOORS\\WW.EXE", 19, "C:\\BBS\\DOORS\\door.cfg"},
        {"C:\\BBS/x\\WW.EXE", 15, "C:\\BBS/x\\door.cfg"},   // backslash wins
        {"wordwhirl", 9, "door.cfg"},
        {"", 0, "door.cfg"},
        {"/opt/bbs/wordwhirl", 448, "door.cfg"},             // did not fit: unknown
    };
    for (const Case& c : cases) {
        char out[512];
        exeDirJoin(c.exe, c.len, "door.cfg", out, sizeof out);
        EXPECT_STREQ(out, c.want) << c.exe;
    }
    char small[12];
    exeDirJoin("/opt/bbs/wordwhirl", 18, "door.cfg", small, sizeof small);
    EXPECT_STREQ(small, "/opt/bbs/do");
}

TEST(Config, CharsetUtf8OnlyWhenNamed) {
    struct Case { const char* text; int charset; } cases[] = {
        {"charset=utf8\n", CHARSET_UTF8},   {"charset=UTF-8\n", CHARSET_UTF8},
        {"charset= utf8 \r\n", CHARSET_UTF8}, {"charset=cp437\n", CHARSET_CP437},
        {"charset=latin1\n", CHARSET_CP437}, {"charset=utf\n", CHARSET_CP437},
        {"charset=\n", CHARSET_CP437},       {"", CHARSET_CP437},
        {"charset=utf8\ncharset=cp437\n", CHARSET_CP437},  // last wins
    };
    for (const Case& c : cases) EXPECT_EQ(readConfig(c.text)->utf8, c.charset) << c.text;
}

// Lines land in the directory door.cfg names; one that cannot be written is
// told on standard error once, and only once the console is free of the caller.
TEST(NodeLog, LogDirAndAFailureToldOnceOnAFreeConsole) {
    char dir[] = "/tmp/wwlogXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    NodeLog log{};
    copyText(log.dir, dir);
    log.node = 3;
    nodeLog(&log, "WW-TEST-%02d", 1);
    std::string path = std::string(dir) + "/wordwhirl-node3.log";
    EXPECT_EQ(slurp(path), "WW-TEST-01\n");
    unlink(path.c_str());
    rmdir(dir);
    testing::internal::CaptureStderr();
    nodeLog(&log, "lost");
    std::string whileCaller = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    nodeLogConsoleFree(&log);
    nodeLog(&log, "lost again");
    EXPECT_EQ(whileCaller, "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Wordwhirl: cannot write the node log in " + std::string(dir) + " (No such file or directory).\n");
}
