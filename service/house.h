// The house's whole state: connected doors (sessions), tables with their
// seats and rounds, mailboxes, pending knocks and the story library; and
// the outbox every handler writes its lines into (the server sends them).
// Nothing here touches a socket, so tests drive it with lines and a clock.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "json_util.h"
#include "tales.h"

constexpr int HOUSE_MAX_NAME = 30;          // the door sends at most 30 characters
constexpr int HOUSE_MAX_CHAT = 500;         // chat text cut like the door cuts it
constexpr size_t HOUSE_LIST_MAX = 40;       // tables and roster entries a door keeps (the rest are dropped there)
constexpr size_t HOUSE_IGNORE_MAX = 100;    // a longer ignore list forgets its oldest entry
constexpr int HOUSE_TABLE_SEATS_MAX = 8;    // largest table a door may ask for
constexpr int HOUSE_WANT_PLAYERS = 3;       // bots fill a table up to this many
constexpr int64_t BOT_WAIT_MS = 6000;       // how long a thin table waits before bots sit
constexpr int64_t AUTO_START_MS = 15000;    // auto-host tables start this long after filling
constexpr int64_t PICK_MS = 60000;          // the chooser's first time
constexpr int64_t PICK_CHOOSING_MS = 90000; // once the chooser opens the picker
constexpr int64_t PICK_WAIT_MORE_MS = 30000;
constexpr int64_t PICK_WARN_MS = 15000;     // picker-warning this long before the end
constexpr int64_t WORDS_MS = 120000;        // word entry, as the doors are told
constexpr int64_t WORDS_GRACE_MS = 5000;    // words still taken after that: a door's clock starts when the prompts
                                            // arrive, and a word in its check may hold its send 3 s more
constexpr int64_t VOTE_MS = 60000;          // reading and laughing
constexpr int64_t RESULTS_MS = 60000;       // answering on the scores screen
constexpr int64_t FINAL_WARN_MS = 15000;    // final-warning this long before the end
constexpr int64_t KNOCK_MS = 120000;        // an unanswered knock is forgotten after this
constexpr int64_t FAST_BOTS_DIVISOR = 10;   // --fast: bots sit and think this many times sooner

struct Outgoing {
    int session;       // connection the line goes to
    std::string line;  // one JSON object, no line feed
};

struct Letter {
    int id;
    bool read;
    bool acceptsReply;
    bool replied;
    std::string sender, subject, body, createdAt;
};

struct Session {
    int id;                 // the connection number, also the player id "s<id>"
    bool authed;
    std::string name;       // unique among connected sessions
    std::string bbsId, userId;
    std::string zone;       // "welcome", "lounge", "solo", "room"
    bool pagesOn;           // takes invitations
    int roomId;             // 0 when not seated
    int soloTaleId;         // tale of the solo game in progress
};

// Somebody a player hides: the ignored player's key (as playerKey) and the
// name they had when ignored, for /unignore while they are away.
struct Ignored {
    std::string key, name;
};

// What the house keeps about a player between visits, by board id and user
// id; it outlives the connection for as long as the house runs.
struct Player {
    std::vector<Ignored> ignores;
};

// What a board is called, when the house has been told (--board, --sysop,
// or per board id); an empty name is never sent.
struct BoardNames {
    std::string board, sysop;
};

enum RoomPhase { PHASE_WAITING, PHASE_PICKING, PHASE_COLLECTING, PHASE_VOTING, PHASE_RESULTS };

struct Seat {
    std::string pid;        // "s<session>" or "b<number>"
    std::string name, source, ink;
    int session;            // 0 for a bot
    int64_t laughs;         // total over the visit at this table
    bool submitted, doneReading, returned;
    int64_t botActAt;       // next time a bot does something, 0 none
};

struct Round {
    int taleId;
    std::map<int, std::string> owner;   // blank n -> pid that supplies it
    std::map<int, std::string> words;   // blank n -> word
    std::map<int, std::set<std::string>> laughers;  // blank n -> pids laughing
};

struct Room {
    int id;
    std::string code, name, knockId;
    bool locked, autoHost, roundRobin;
    bool presetChosen;                // the host chose what to play (a surprise included)
    int maxPlayers;
    std::string hostPid;              // empty for auto-host tables
    std::vector<Seat> seats;
    std::string presetCategory;
    int presetStoryId;
    RoomPhase phase;
    int64_t deadline;                 // end of the current phase, 0 none
    int64_t startAt;                  // auto start of the next round, 0 none
    int64_t botsAt;                   // bots sit down then, 0 none
    bool warned;                      // picker-warning or final-warning sent
    int pickTurn;                     // round-robin position
    std::string pickerPid;
    Round round;
};

struct Knock {
    int roomId;
    int session;        // the caller knocking
    int64_t expiresAt;  // forgotten then if the host has not answered
};

struct House {
    Library lib;
    std::map<int, Session> sessions;
    std::map<int, Room> rooms;
    std::map<std::string, std::vector<Letter>> mail;   // by board and user number
    std::map<std::string, int> nextLetterId;
    std::map<std::string, Knock> knocks;               // by knock token
    std::map<std::string, int> ratings;                // "<board>/<user>/<story>" -> rating
    std::map<std::string, Player> players;             // by playerKey
    BoardNames names;                                  // for every board without its own
    std::map<std::string, BoardNames> boards;          // by board id
    std::vector<Outgoing> outbox;
    int64_t now;
    uint32_t rng;
    int nextRoomId, nextBotId, nextKnockId;
    bool fastBots;      // --fast (tests): bot waits divided by FAST_BOTS_DIVISOR
    bool lobbyDirty;    // tables or roster changed: the Lounge hears once per loop pass
};

void houseInit(House* h, const Library& lib, uint32_t seed);
uint32_t houseRandom(House* h);

// Output.
void sendEvent(House* h, int session, const std::string& name, const Json& data);
void sendReply(House* h, int session, int ackId, const Json& data);
void sendNotice(House* h, int session, const std::string& name, const std::string& text);

Session* sessionOf(House* h, int session);
Session* sessionByName(House* h, const std::string& name);  // case-insensitive
std::string pidOf(const Session& s);
// The exact name (any case), else the first online name that starts with
// typed; never `except`. How whispers, actions and /ignore find a player.
Session* sessionByTypedName(House* h, const std::string& typed, const Session* except = nullptr);
std::string playerKey(const Session& s);          // "<board id>/<user id>"
Player* playerOf(House* h, const Session& s);     // created on first use
// True when listener hides what speaker says, does or sends.
bool ignores(House* h, const Session& listener, const Session& speaker);
std::string lowerText(const std::string& s);
int onlineTotal(const House* h);
