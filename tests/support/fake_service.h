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
    int listenFd;
    int port;                        // the port door.cfg names
    std::atomic<int> connFd;         // the door's connection; -1 before and after
    std::atomic<bool> stopping;      // the thread should end
    std::atomic<bool> doorClosed;    // the door closed its end
    std::mutex lock;                 // guards lines and partial
    std::vector<std::string> lines;  // every complete line received, without the line feed
    std::string partial;             // bytes after the last line feed
    std::thread thread;
};

void fakeServiceStart(FakeService* svc);
// Close the connection and the listener and join the thread.
void fakeServiceStop(FakeService* svc);

// The lines received so far.
std::vector<std::string> fakeServiceLines(FakeService* svc);
// Wait until a received line equals line; false after timeoutMs.
bool fakeServiceWaitLine(FakeService* svc, const std::string& line, int timeoutMs = 20000);
// Wait until the door has closed the connection; false after timeoutMs.
bool fakeServiceWaitClosed(FakeService* svc, int timeoutMs = 20000);

// Send one line (a line feed is added); false when there is no connection.
bool fakeServiceSend(FakeService* svc, const std::string& line);
// Send bytes exactly as given, in one write: several lines, or part of one.
bool fakeServiceSendRaw(FakeService* svc, const std::string& bytes);
// Wait until the door has sent its first line (the connect command); false
// after timeoutMs.
bool fakeServiceWaitFirstLine(FakeService* svc, int timeoutMs = 20000);
// Hang up on the door.
void fakeServiceDrop(FakeService* svc);
