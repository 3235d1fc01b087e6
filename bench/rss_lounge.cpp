// The real door left at the Lounge through hours of chat, compressed: what
// its memory does (VmRSS and VmHWM from /proc) from the first screen to the
// end. The traffic is a busy Lounge's: chat lines from a crowd of names,
// emotes, whispers, notices, the table list and the roster changing, the
// online count. Prints one report; not a timed test.
//
//   build/bench/rss_lounge [simulated hours, default 2]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_common.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int CHAT_LINES_PER_MINUTE = 30;  // a busy evening: a line every two seconds
constexpr int ROOMS_EVERY_S = 15;          // the table list as the service pushes it
constexpr int ROSTER_EVERY_S = 30;         // somebody arrives or leaves
constexpr int TOTAL_EVERY_S = 60;          // the online count
constexpr int SIMULATED_S_PER_BATCH = 60;  // one batch is a minute of traffic
constexpr int BATCH_PAUSE_MS = 25;         // the door draws between batches, as it would
constexpr int SAMPLE_EVERY_MIN = 10;
constexpr int SETTLE_MS = 1500;
constexpr int NAMES = 97;                  // more senders than the pane has lines

struct Memory {
    long rssKb;
    long hwmKb;
};

long statusKb(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return atol(line.c_str() + key.size() + 1);
    return -1;
}

Memory memoryOf(pid_t pid) { return {statusKb(pid, "VmRSS"), statusKb(pid, "VmHWM")}; }

void pumpFor(BbsHost* host, int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        bbsPump(host);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string event(const std::string& name, const std::string& data) {
    return "{\"event\":\"" + name + "\",\"data\":" + data + "}\n";
}

std::string sender(int i) { return "Player" + std::to_string(i % NAMES); }

// One line of chat, its kind and length varying with i (up to the longest
// line a caller can send).
std::string chatLine(int i) {
    std::string text = "line " + std::to_string(i) + " " + std::string((size_t)(i * 37 % 180), 'w');
    switch (i % 10) {
        case 7: return event("lobby:emote", "{\"name\":\"" + sender(i) + "\",\"text\":\"waves " + text + "\"}");
        case 8:
            return event("lobby:chat", "{\"name\":\"" + sender(i) + "\",\"text\":\"" + text +
                                           "\",\"whisper\":true,\"direction\":\"in\"}");
        case 9: return event("lobby:notice", "{\"text\":\"notice " + text + "\"}");
        default: return event("lobby:chat", "{\"name\":\"" + sender(i) + "\",\"text\":\"" + text + "\"}");
    }
}

std::string roomsLine(int minute) {
    std::string tables;
    for (int t = 0; t < 3 + minute % 30; t++)
        tables += std::string(t ? "," : "") + "{\"code\":\"T" + std::to_string(minute * 100 + t) +
                  "\",\"name\":\"Table " + std::to_string(minute + t) + "\",\"players\":" +
                  std::to_string(1 + t % 6) + ",\"max\":8,\"state\":\"waiting\"}";
    return event("lobby:rooms", "{\"rooms\":[" + tables + "]}");
}

std::string rosterLine(int minute) {
    std::string players = "{\"name\":\"Ace Writer\"}";
    for (int p = 0; p < 5 + minute % 40; p++) players += ",{\"name\":\"" + sender(minute + p) + "\"}";
    return event("lobby:roster", "{\"players\":[" + players + "]}");
}

// One simulated minute of the Lounge.
std::string minuteOfTraffic(int minute) {
    std::string out;
    for (int s = 0; s < SIMULATED_S_PER_BATCH; s++) {
        int second = minute * 60 + s;
        if (second % ROOMS_EVERY_S == 0) out += roomsLine(minute);
        if (second % ROSTER_EVERY_S == 0) out += rosterLine(minute);
        if (second % TOTAL_EVERY_S == 0) out += event("presence:total", "{\"online\":" + std::to_string(40 + minute % 50) + "}");
        if (s % (60 / CHAT_LINES_PER_MINUTE) == 0) out += chatLine(second);
    }
    return out;
}

bool toLounge(BbsHost* host, FakeService* svc) {
    bbsWriteDoorCfg(host, svc->port);
    int handle = bbsOpenTelnet(host);
    bbsWriteFile(host, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, 1, "Ace"));
    bbsStart(host, {"DOOR32.SYS"}, false);
    if (!fakeServiceWaitLine(svc)) return false;
    fakeServiceSend(svc, "{\"event\":\"authed\",\"data\":{\"ok\":true,\"you\":{\"name\":\"Ace Writer\"},"
                         "\"categories\":[\"Animals\"]}}");
    if (!bbsWaitText(host, "Welcome, Ace Writer!", 16)) return false;
    bbsSendKeys(host, "x");
    if (!bbsWaitText(host, "[S] MAIN MENU", 23)) return false;
    bbsSendKeys(host, "s");
    pumpFor(host, 300);
    bbsSendKeys(host, "1\r");
    pumpFor(host, SETTLE_MS);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int hours = argc > 1 ? atoi(argv[1]) : 2;
    if (hours < 1) hours = 2;
    printf("Wordwhirl door at the Lounge, %d simulated hour(s) of chat (%s)\n", hours, WW_DOOR_BINARY);

    FakeService svc;
    Door host;
    if (!toLounge(&host, &svc)) {
        printf("the door never reached the Lounge\n");
        return 1;
    }
    Memory start = memoryOf(host.pid);
    printf("%8s %10s %10s %12s %14s\n", "minute", "VmRSS kB", "VmHWM kB", "lines sent", "caller bytes");
    printf("%8d %10ld %10ld %12d %14zu\n", 0, start.rssKb, start.hwmKb, 0, host.rawSocket.size());

    auto began = Clock::now();
    long lines = 0;
    std::vector<Memory> hourEnds;
    Memory firstHourSample{};
    for (int minute = 0; minute < hours * 60; minute++) {
        std::string batch = minuteOfTraffic(minute);
        for (char c : batch) lines += c == '\n';
        if (!fakeServiceSendRaw(&svc, batch)) {
            printf("the service link broke at minute %d\n", minute);
            return 1;
        }
        // Now and then the caller types and sends a line of their own.
        if (minute % 5 == 0) bbsSendKeys(&host, "still here " + std::to_string(minute) + "\r");
        pumpFor(&host, BATCH_PAUSE_MS);
        if ((minute + 1) % SAMPLE_EVERY_MIN == 0) {
            pumpFor(&host, 200);
            Memory m = memoryOf(host.pid);
            printf("%8d %10ld %10ld %12ld %14zu\n", minute + 1, m.rssKb, m.hwmKb, lines, host.rawSocket.size());
            if (minute + 1 == SAMPLE_EVERY_MIN) firstHourSample = m;
            if ((minute + 1) % 60 == 0) hourEnds.push_back(m);
        }
    }
    double secs = std::chrono::duration<double>(Clock::now() - began).count();
    bool alive = bbsWaitText(&host, ">", 24, 1000);
    Memory end = memoryOf(host.pid);
    printf("%ld lines in %.1f s of real time; the door %s\n", lines, secs, alive ? "still at the Lounge" : "LOST");
    printf("VmRSS start %ld kB, after %d min %ld kB, end %ld kB: %+ld kB over the run, %+ld kB after the first"
           " %d minutes\n",
           start.rssKb, SAMPLE_EVERY_MIN, firstHourSample.rssKb, end.rssKb, end.rssKb - start.rssKb,
           end.rssKb - firstHourSample.rssKb, SAMPLE_EVERY_MIN);
    printf("VmHWM start %ld kB, end %ld kB\n", start.hwmKb, end.hwmKb);
    for (size_t h = 1; h < hourEnds.size(); h++)
        printf("hour %zu against hour %zu: VmRSS %+ld kB\n", h + 1, h, hourEnds[h].rssKb - hourEnds[h - 1].rssKb);
    bool flat = end.rssKb - firstHourSample.rssKb <= 64;
    printf("  %s: the goal is no growth after the pane and buffers first fill (64 kB of slack)\n",
           flat ? "within goal" : "OVER GOAL");
    return flat ? 0 : 1;
}
