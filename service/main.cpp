// wordwhirl-house: the local game service. Usage:
//   wordwhirl-house [--port N|off] [--listen ADDR] [--cert FILE --key FILE [--tls-port N]]
//                   [--board NAME] [--sysop NAME] [--tales FILE] [--fast]
// Prints "listening on ADDR:PORT" for the plain port and "tls on ADDR:PORT"
// for the TLS one once it takes connections; port 0 picks a free one. Ends
// on SIGINT or SIGTERM.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

constexpr int PORT_OFF = -2;  // "--port off"; -1 is a port that did not parse

struct Options {
    std::string listen = "127.0.0.1";
    int port = 8095;    // PORT_OFF: no plain port
    int tlsPort = 8096; // the door's default
    std::string cert, key;  // both or neither: TLS served when given
    std::string board, sysop;
    std::string tales;  // empty: tales.json beside the executable
    bool fast = false;  // bots sit down and answer ten times sooner (tests)
};

// The port as given, or -1 when it is not a plain number.
int portNumber(const char* text) {
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    return *text && *end == 0 && n >= 0 && n <= 65535 ? static_cast<int>(n) : -1;
}

bool parseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--port" && hasValue) o->port = std::strcmp(argv[++i], "off") == 0 ? PORT_OFF : portNumber(argv[i]);
        else if (a == "--tls-port" && hasValue) o->tlsPort = portNumber(argv[++i]);
        else if (a == "--cert" && hasValue) o->cert = argv[++i];
        else if (a == "--key" && hasValue) o->key = argv[++i];
        else if (a == "--board" && hasValue) o->board = argv[++i];
        else if (a == "--sysop" && hasValue) o->sysop = argv[++i];
        else if (a == "--listen" && hasValue) o->listen = argv[++i];
        else if (a == "--tales" && hasValue) o->tales = argv[++i];
        else if (a == "--fast") o->fast = true;
        else return false;
    }
    bool tls = !o->cert.empty() && !o->key.empty();
    bool portsOk = (o->port >= 0 || (o->port == PORT_OFF && tls)) && o->tlsPort >= 0;
    return portsOk && o->cert.empty() == o->key.empty();
}

std::string besideExe(const char* file) {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return file;
    path[n] = 0;
    char* slash = std::strrchr(path, '/');
    if (slash) slash[1] = 0;
    return std::string(path) + file;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseArgs(argc, argv, &opt)) {
        std::fprintf(stderr,
                     "usage: wordwhirl-house [--port N|off] [--listen ADDR] [--cert FILE --key FILE [--tls-port N]]\n"
                     "                       [--board NAME] [--sysop NAME] [--tales FILE] [--fast]\n");
        return 2;
    }
    std::string talesPath = opt.tales.empty() ? besideExe("tales.json") : opt.tales;
    Library lib;
    std::string log;
    bool loaded = talesLoadFile(talesPath, &lib, &log);
    if (!log.empty()) std::fprintf(stderr, "house: %s", log.c_str());
    if (!loaded) {
        std::fprintf(stderr, "house: no tales to play from %s\n", talesPath.c_str());
        return 1;
    }
    static House house;  // large maps; lives for the whole run
    houseInit(&house, lib, static_cast<uint32_t>(serverNowMs()) | 1u);
    house.fastBots = opt.fast;
    house.names = {opt.board, opt.sysop};
    Server server;
    std::string error;
    bool tls = !opt.cert.empty();
    if (!serverListen(&server, &house, opt.listen, opt.port, &error) ||
        (tls && !serverListenTls(&server, opt.listen, opt.tlsPort, opt.cert, opt.key, &error))) {
        std::fprintf(stderr, "house: %s\n", error.c_str());
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (opt.port >= 0) std::printf("listening on %s:%d\n", opt.listen.c_str(), serverPort(&server));
    if (tls) std::printf("tls on %s:%d\n", opt.listen.c_str(), serverTlsPort(&server));
    std::fflush(stdout);
    std::fprintf(stderr, "house: %zu tales in %zu categories\n", lib.tales.size(), lib.categories.size());
    while (!stopRequested) serverStep(&server, SERVER_TICK_MS);
    serverClose(&server);
    return 0;
}
