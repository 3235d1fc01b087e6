// Fake game service for end-to-end tests: a plain TCP listener on 127.0.0.1
// (a free port, for door.cfg with tls=0) that takes one door connection on a
// thread, records every line the door sends, and sends or hangs up on demand.
#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FakeService {
    int listenFd = -1;
    int port = 0;                         // the port door.cfg names
    std::atomic<int> connFd{-1};          // the door's connection
    std::atomic<bool> stopping{false};    // the thread should end
    std::atomic<bool> doorClosed{false};  // the door closed its end
    std::mutex lock;                      // guards lines
    std::vector<std::string> lines;       // every complete line received, without the line feed
    std::thread thread;

    FakeService();
    ~FakeService();  // closes the connection and the listener, joins the thread
};

std::vector<std::string> fakeServiceLines(FakeService* svc);  // received so far
// Wait until a line equal to line has arrived (any line when empty).
bool fakeServiceWaitLine(FakeService* svc, const std::string& line = "", int timeoutMs = 20000);
// Bytes exactly as given, in one write: false when there is no connection.
bool fakeServiceSendRaw(FakeService* svc, const std::string& bytes);
inline bool fakeServiceSend(FakeService* svc, const std::string& line) { return fakeServiceSendRaw(svc, line + "\n"); }
void fakeServiceDrop(FakeService* svc);  // hang up on the door
