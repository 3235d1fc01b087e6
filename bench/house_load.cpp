// One house serving a network of boards: 500 doors at once (raw JSON-line
// clients, 100 of them over TLS 1.2) log in, half sit at tables of five and
// half stay in the Lounge, and each says a line a second for a minute. Every
// line must reach every caller who hears it; prints the delivery time (p50,
// p99, max, measured from the send to the read here, so it includes this
// program's own turn on the CPU), the house's CPU time and memory. One more
// Lounge door stops reading from the start: the others must not notice.
// Not a timed test.
//
//   build/bench/house_load [seconds, default 60]
#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <mbedtls/ctr_drbg.h>
#include <mbedtls/entropy.h>
#include <mbedtls/net_sockets.h>
#include <mbedtls/ssl.h>
#include <mbedtls/x509_crt.h>
#include <psa/crypto.h>

namespace {

constexpr int DOORS = 500;
constexpr int TLS_DOORS = 100;       // every fifth door
constexpr int AT_TABLES = 250;       // doors 0..249 sit at tables of TABLE_SIZE
constexpr int TABLE_SIZE = 5;
constexpr int64_t SETUP_LIMIT_US = 120'000'000;
constexpr int64_t DRAIN_US = 10'000'000;

int64_t nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

enum Stage { CONNECTING, HANDSHAKING, LOGGING_IN, SEATING, READY };

struct Door {
    int id;
    int fd = -1;
    bool tls = false;
    mbedtls_ssl_context ssl;
    Stage stage = CONNECTING;
    std::string in, out;
    size_t tlsPending = 0;
    std::string code;                 // the table's share code (tables only)
    int sent = 0;                     // chat lines said
    std::vector<int> heardFrom;       // lines heard, by sender
    bool stalled = false;             // never reads
};

struct Bench {
    std::vector<Door> doors;
    mbedtls_ssl_config conf;
    mbedtls_x509_crt ca;
    mbedtls_entropy_context entropy;
    mbedtls_ctr_drbg_context drbg;
    std::vector<int64_t> latencies;   // microseconds
    int plainPort = 0, tlsPort = 0;
};

int sendHook(void* ctx, const unsigned char* b, size_t n) {
    ssize_t r = send(static_cast<Door*>(ctx)->fd, b, n, MSG_NOSIGNAL);
    if (r >= 0) return static_cast<int>(r);
    return errno == EAGAIN ? MBEDTLS_ERR_SSL_WANT_WRITE : MBEDTLS_ERR_NET_SEND_FAILED;
}

int recvHook(void* ctx, unsigned char* b, size_t n) {
    ssize_t r = recv(static_cast<Door*>(ctx)->fd, b, n, 0);
    if (r > 0) return static_cast<int>(r);
    if (r == 0) return MBEDTLS_ERR_SSL_PEER_CLOSE_NOTIFY;
    return errno == EAGAIN ? MBEDTLS_ERR_SSL_WANT_READ : MBEDTLS_ERR_NET_RECV_FAILED;
}

bool isTableDoor(int id) { return id < AT_TABLES; }
int tableHost(int id) { return id - id % TABLE_SIZE; }

void say(Door* d, const std::string& line) { d->out += line + "\n"; }

std::string emit(const std::string& name, const std::string& data, int ack = 0) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\"" + (ack ? ",\"ackId\":" + std::to_string(ack) : "") +
           ",\"data\":" + data + "}";
}

void fail(const char* what) {
    std::fprintf(stderr, "house_load: %s\n", what);
    std::exit(1);
}

// Writes what the socket takes.
void flush(Door* d) {
    while (!d->out.empty()) {
        long n;
        if (d->tls) {
            size_t len = d->tlsPending ? d->tlsPending : std::min<size_t>(d->out.size(), 16384);
            int rc = mbedtls_ssl_write(&d->ssl, reinterpret_cast<const unsigned char*>(d->out.data()), len);
            if (rc == MBEDTLS_ERR_SSL_WANT_WRITE || rc == MBEDTLS_ERR_SSL_WANT_READ) {
                d->tlsPending = len;
                return;
            }
            d->tlsPending = 0;
            n = rc;
        } else {
            n = send(d->fd, d->out.data(), d->out.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EAGAIN) return;
        }
        if (n <= 0) fail("a door's line broke");
        d->out.erase(0, static_cast<size_t>(n));
    }
}

// Takes one line from the house.
void hear(Bench* b, Door* d, const std::string& line, int64_t now) {
    size_t at = line.find("\"text\":\"m ");
    if (at != std::string::npos && d->stage == READY) {
        int from = 0, seq = 0;
        long long sentAt = 0;
        if (std::sscanf(line.c_str() + at + 10, "%d %d %lld", &from, &seq, &sentAt) == 3 && from >= 0 && from < DOORS) {
            d->heardFrom[static_cast<size_t>(from)]++;
            b->latencies.push_back(now - sentAt);
        }
        return;
    }
    if (d->stage == LOGGING_IN && line.find("\"event\":\"authed\"") != std::string::npos) {
        d->stage = SEATING;
        if (!isTableDoor(d->id)) {
            say(d, emit("presence:zone", "\"lounge\""));
            d->stage = READY;
        } else if (d->id == tableHost(d->id)) {
            say(d, emit("room:create", "{\"name\":\"T" + std::to_string(d->id) + "\",\"maxPlayers\":5}", 5));
        } else if (!d->code.empty()) {  // the host's table is already there
            say(d, emit("room:join", "{\"code\":\"" + d->code + "\"}", 4));
        }
        return;
    }
    if (d->stage == SEATING && line.find("\"ackId\":") != std::string::npos) {
        if (line.find("\"ok\":true") == std::string::npos) fail("a door could not sit down");
        d->stage = READY;
        if (d->id == tableHost(d->id)) {
            size_t c = line.find("\"code\":\"");
            d->code = line.substr(c + 8, 6);
            for (int k = 1; k < TABLE_SIZE; k++) {
                Door& guest = b->doors[static_cast<size_t>(d->id + k)];
                guest.code = d->code;
                if (guest.stage == SEATING) say(&guest, emit("room:join", "{\"code\":\"" + d->code + "\"}", 4));
            }
        }
    }
}

void readDoor(Bench* b, Door* d) {
    char buf[65536];
    for (;;) {
        long n;
        if (d->tls) {
            int rc = mbedtls_ssl_read(&d->ssl, reinterpret_cast<unsigned char*>(buf), sizeof buf);
            if (rc == MBEDTLS_ERR_SSL_WANT_READ || rc == MBEDTLS_ERR_SSL_WANT_WRITE) break;
            n = rc;
        } else {
            n = recv(d->fd, buf, sizeof buf, 0);
            if (n < 0 && errno == EAGAIN) break;
        }
        if (n <= 0) fail("the house closed a door's line");
        d->in.append(buf, static_cast<size_t>(n));
    }
    int64_t now = nowUs();
    size_t start = 0;
    for (size_t nl; (nl = d->in.find('\n', start)) != std::string::npos; start = nl + 1)
        hear(b, d, d->in.substr(start, nl - start), now);
    d->in.erase(0, start);
}

void startTls(Bench* b, const std::string& caFile) {
    if (psa_crypto_init() != PSA_SUCCESS) fail("no crypto");
    mbedtls_ssl_config_init(&b->conf);
    mbedtls_x509_crt_init(&b->ca);
    mbedtls_entropy_init(&b->entropy);
    mbedtls_ctr_drbg_init(&b->drbg);
    if (mbedtls_ctr_drbg_seed(&b->drbg, mbedtls_entropy_func, &b->entropy, nullptr, 0) != 0 ||
        mbedtls_x509_crt_parse_file(&b->ca, caFile.c_str()) != 0 ||
        mbedtls_ssl_config_defaults(&b->conf, MBEDTLS_SSL_IS_CLIENT, MBEDTLS_SSL_TRANSPORT_STREAM, MBEDTLS_SSL_PRESET_DEFAULT) != 0)
        fail("TLS set-up");
    mbedtls_ssl_conf_min_tls_version(&b->conf, MBEDTLS_SSL_VERSION_TLS1_2);
    mbedtls_ssl_conf_max_tls_version(&b->conf, MBEDTLS_SSL_VERSION_TLS1_2);
    mbedtls_ssl_conf_authmode(&b->conf, MBEDTLS_SSL_VERIFY_REQUIRED);
    mbedtls_ssl_conf_ca_chain(&b->conf, &b->ca, nullptr);
    mbedtls_ssl_conf_rng(&b->conf, mbedtls_ctr_drbg_random, &b->drbg);
}

void connectDoor(Bench* b, Door* d) {
    d->fd = socket(AF_INET, SOCK_STREAM, 0);
    fcntl(d->fd, F_SETFL, O_NONBLOCK);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(d->tls ? b->tlsPort : b->plainPort));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(d->fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 && errno != EINPROGRESS) fail("connect");
    if (d->tls) {
        mbedtls_ssl_init(&d->ssl);
        if (mbedtls_ssl_setup(&d->ssl, &b->conf) != 0 || mbedtls_ssl_set_hostname(&d->ssl, "localhost") != 0) fail("TLS");
        mbedtls_ssl_set_bio(&d->ssl, d, sendHook, recvHook, nullptr);
    }
}

void loggedIn(Door* d) {
    d->stage = LOGGING_IN;
    say(d, "{\"cmd\":\"connect\",\"bbsInstanceId\":\"board-" + std::to_string(d->id % 10) + "\",\"localUserid\":\"" +
               std::to_string(d->id) + "\",\"alias\":\"P" + std::to_string(d->id) + "\"}");
}

// One poll pass over every door.
void pass(Bench* b, int timeoutMs) {
    std::vector<pollfd> fds;
    for (Door& d : b->doors) {
        short ev = d.stalled && d.stage == READY ? 0 : POLLIN;
        bool wantOut = d.stage == CONNECTING || !d.out.empty() || d.tlsPending;
        if (d.stage == HANDSHAKING) ev = POLLIN | POLLOUT;
        fds.push_back({d.fd, static_cast<short>(ev | (wantOut ? POLLOUT : 0)), 0});
    }
    poll(fds.data(), fds.size(), timeoutMs);
    for (size_t i = 0; i < fds.size(); i++) {
        Door& d = b->doors[i];
        short re = fds[i].revents;
        if (d.stage == CONNECTING && (re & (POLLOUT | POLLERR))) {
            int err = 0;
            socklen_t len = sizeof err;
            getsockopt(d.fd, SOL_SOCKET, SO_ERROR, &err, &len);
            if (err) fail("connect refused");
            if (d.tls) d.stage = HANDSHAKING;
            else loggedIn(&d);
        }
        if (d.stage == HANDSHAKING && re) {
            int rc = mbedtls_ssl_handshake(&d.ssl);
            if (rc == 0) loggedIn(&d);
            else if (rc != MBEDTLS_ERR_SSL_WANT_READ && rc != MBEDTLS_ERR_SSL_WANT_WRITE) fail("TLS handshake");
        }
        if (d.stage >= LOGGING_IN && (re & (POLLIN | POLLHUP | POLLERR))) readDoor(b, &d);
        if (d.stage >= LOGGING_IN) flush(&d);
    }
}

long statusKb(pid_t pid, const char* key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return atol(line.c_str() + strlen(key) + 1);
    return -1;
}

double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* p = std::strrchr(stat.c_str(), ')');
    unsigned long utime = 0, stime = 0;
    // Fields after the name: state is field 3; utime and stime are 14 and 15.
    std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t startHouse(Bench* b, const std::string& dir) {
    int out[2];
    if (pipe(out) != 0) fail("pipe");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        execl(WW_HOUSE_BINARY, WW_HOUSE_BINARY, "--port", "0", "--tls-port", "0", "--cert", (dir + "/cert.pem").c_str(),
              "--key", (dir + "/key.pem").c_str(), "--tales", WW_SOURCE_DIR "/service/tales.json", (char*)nullptr);
        _exit(127);
    }
    close(out[1]);
    FILE* f = fdopen(out[0], "r");
    char line[200];
    while ((!b->plainPort || !b->tlsPort) && std::fgets(line, sizeof line, f)) {
        const char* colon = std::strrchr(line, ':');
        if (std::strncmp(line, "listening on ", 13) == 0) b->plainPort = atoi(colon + 1);
        if (std::strncmp(line, "tls on ", 7) == 0) b->tlsPort = atoi(colon + 1);
    }
    if (!b->plainPort || !b->tlsPort) fail("the house did not start");
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 60;
    char dirTemplate[] = "/tmp/house_load.XXXXXX";
    std::string dir = mkdtemp(dirTemplate);
    std::string make = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost "
                       "-addext subjectAltName=DNS:localhost -keyout " + dir + "/key.pem -out " + dir + "/cert.pem 2>/dev/null";
    if (std::system(make.c_str()) != 0) fail("openssl could not make a certificate");
    signal(SIGPIPE, SIG_IGN);
    static Bench b;
    pid_t house = startHouse(&b, dir);
    startTls(&b, dir + "/cert.pem");
    b.doors.resize(DOORS + 1);
    for (int i = 0; i <= DOORS; i++) {
        Door& d = b.doors[static_cast<size_t>(i)];
        d.id = i;
        d.tls = i < DOORS && i % (DOORS / TLS_DOORS) == 0;
        d.stalled = i == DOORS;  // the extra Lounge door that never reads
        d.heardFrom.assign(DOORS + 1, 0);
    }
    int64_t t0 = nowUs();
    for (Door& d : b.doors) connectDoor(&b, &d);
    auto allReady = [&] { return std::all_of(b.doors.begin(), b.doors.end(), [](const Door& d) { return d.stage == READY; }); };
    while (!allReady()) {
        if (nowUs() - t0 > SETUP_LIMIT_US) fail("the doors did not all sit down in time");
        pass(&b, 50);
    }
    int64_t setupUs = nowUs() - t0;
    for (int i = 0; i < 20; i++) pass(&b, 50);  // the last table lists settle
    for (Door& d : b.doors) std::fill(d.heardFrom.begin(), d.heardFrom.end(), 0);
    b.latencies.clear();

    double cpu0 = cpuSeconds(house);
    int64_t start = nowUs(), end = start + seconds * 1'000'000LL;
    for (int64_t now = start; now < end; now = nowUs()) {
        for (Door& d : b.doors) {
            if (d.stalled) continue;
            // Each door's turn comes once a second, the doors spread over it.
            int64_t due = start + d.sent * 1'000'000LL + d.id * (1'000'000LL / DOORS);
            if (now < due || due >= end) continue;
            std::string text = "m " + std::to_string(d.id) + " " + std::to_string(d.sent) + " " + std::to_string(nowUs());
            say(&d, emit(isTableDoor(d.id) ? "room:chat" : "lobby:chat", "\"" + text + "\""));
            d.sent++;
        }
        pass(&b, 5);
    }
    double cpuBusy = cpuSeconds(house) - cpu0;
    long rss = statusKb(house, "VmRSS:"), hwm = statusKb(house, "VmHWM:");
    // Every caller hears each line of whoever they sit with (the Lounge: every
    // Lounge door but the stalled one).
    auto missing = [&] {
        long short_ = 0;
        for (const Door& d : b.doors) {
            if (d.stalled) continue;
            for (const Door& from : b.doors) {
                bool hears = isTableDoor(d.id) ? isTableDoor(from.id) && tableHost(from.id) == tableHost(d.id)
                                               : !isTableDoor(from.id) && !from.stalled;
                short_ += hears ? from.sent - d.heardFrom[static_cast<size_t>(from.id)] : 0;
            }
        }
        return short_;
    };
    for (int64_t drainEnd = nowUs() + DRAIN_US; missing() > 0 && nowUs() < drainEnd;) pass(&b, 20);
    long sent = 0, expected = 0;
    for (const Door& d : b.doors) sent += d.sent;
    for (const Door& d : b.doors)
        if (!d.stalled) expected += isTableDoor(d.id) ? TABLE_SIZE * d.sent : (DOORS - AT_TABLES) * d.sent;
    std::vector<int64_t>& l = b.latencies;
    std::sort(l.begin(), l.end());
    auto at = [&](double q) { return l.empty() ? 0.0 : static_cast<double>(l[static_cast<size_t>(q * static_cast<double>(l.size() - 1))]) / 1000.0; };
    std::printf("house_load: %d doors (%d over TLS) logged in and seated in %.1f s; %d at %d tables of %d, %d in the Lounge, "
                "1 more that never reads\n",
                DOORS, TLS_DOORS, static_cast<double>(setupUs) / 1e6, AT_TABLES, AT_TABLES / TABLE_SIZE, TABLE_SIZE, DOORS - AT_TABLES);
    std::printf("  %d s: %ld lines said, %ld deliveries expected, %zu made, %ld missing\n", seconds, sent, expected, l.size(), missing());
    std::printf("  delivery time: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", at(0.5), at(0.99), at(1.0));
    std::printf("  house: %.1f s CPU over %d s (%.0f%% of one core); memory VmRSS %ld KiB, peak VmHWM %ld KiB\n", cpuBusy, seconds,
                100.0 * cpuBusy / seconds, rss, hwm);
    kill(house, SIGTERM);
    waitpid(house, nullptr, 0);
    std::system(("rm -rf " + dir).c_str());
    return missing() == 0 ? 0 : 1;
}
