// Local peers for the server-link tests: a throwaway certificate authority
// made with the openssl tool, and one-connection servers on 127.0.0.1 (plain,
// TLS through mbedTLS, silent, or the end-to-end tests' fake game service)
// that run on a thread and record what the door sent them.
#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

// Files of the test certificate authority, made once per test run.
struct NetTestPki {
    std::string dir, caCert;                  // caCert: the trusted test root
    std::string goodCert, goodKey;            // localhost / 127.0.0.1, signed by caCert
    std::string otherNameCert, otherNameKey;  // elsewhere.example only, signed by caCert
    std::string rogueCert, rogueKey;          // localhost, signed by a root nobody trusts
};
const NetTestPki& netTestPki();

// PEER_SERVICE waits for its door as long as the test runs and keeps its
// connection open until netPeerFinish, for the test to send on.
enum NetPeerMode { PEER_PLAIN, PEER_TLS12, PEER_TLS13_ONLY, PEER_SILENT, PEER_SERVICE };

struct NetPeer {
    NetPeerMode mode;
    int listenFd, port;
    std::string certFile, keyFile, greeting;  // the TLS modes' files; sent once the connection is up
    int handshakeResult = 1;         // TLS modes: mbedTLS result of the handshake
    std::string received;            // everything the door sent until it closed
    std::mutex lock;                 // guards received while the peer runs
    std::atomic<int> connFd{-1};     // the door's connection once accepted
    std::atomic<bool> closed{false}; // the door closed its end
    std::thread thread;
};

// Listen on 127.0.0.1 (a free port) and serve one connection on a thread;
// once per NetPeer.
void netPeerStart(NetPeer* peer, NetPeerMode mode, const std::string& cert = "",
                  const std::string& key = "", const std::string& greeting = "");
// Wait for the connection to end; the peer gives up by itself after 10 s
// (PEER_SERVICE: hang up on the door now).
void netPeerFinish(NetPeer* peer);

// A listener whose accept queue is already full: a further connect hangs.
struct NetFullListener {
    int listenFd, fillerFd, port;  // fillerFd: the one connection the queue holds
};
void netFullListenerOpen(NetFullListener* full);
void netFullListenerClose(NetFullListener* full);

// A listening socket on 127.0.0.1 (free port), and a bounded accept on it
// (-1 after 10 s); the accepted socket blocks at most 10 s per call.
int netListen(int* port, int backlog = 4);
int netAccept(int listenFd);

// A port on 127.0.0.1 that nothing listens on.
int netClosedPort();

// The lines of node 0's log beside the test binary; the file is removed.
std::string netTakeNodeLog();
