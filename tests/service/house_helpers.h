// A house for tests: a small story library, a clock moved on demand, callers
// that log in and send lines, and a look at what the house sent to whom,
// step by step from a table.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "dispatch.h"
#include "house.h"
#include "lobby.h"

struct TestHouse {
    House h;
    std::map<int, Json> blanks;  // the gaps each caller was last given to fill
    std::string knock;           // the last knock caller 1 was told of

    // Callers 1..n log in under these names. Two categories, three tales:
    // tale 1 has 4 gaps, tale 2 has 3, tale 3 has 2.
    explicit TestHouse(const std::vector<const char*>& names = {}) {
        Library lib;
        std::string log;
        EXPECT_TRUE(talesLoadText(R"({"categories":[{"name":"Pets","kind":"normal"},{"name":"Frost","kind":"holiday"}],
          "tales":[
          {"id":1,"title":"Dog Day","category":"Pets","text":"The {ADJECTIVE} dog ate {A NOUN} and {A FOOD} in {A PLACE}."},
          {"id":2,"title":"Cat Nap","category":"Pets","text":"A cat named {A NAME:any} slept on {A NOUN} for {A NUMBER} days."},
          {"id":3,"title":"Snow Fun","category":"Frost","text":"We built a {ADJECTIVE} snowman with a {A NOUN} hat."}]})",
                                  &lib, &log)) << log;
        houseInit(&h, lib, 12345);
        h.now = 1000000;
        for (size_t i = 0; i < names.size(); i++) act((int)i + 1, std::string("login ") + names[i]);
    }

    // The data of the last message to session that is the event what ("#n":
    // the reply n); null when none.
    Json last(int session, const std::string& what) const {
        for (auto o = h.outbox.rbegin(); o != h.outbox.rend(); ++o) {
            Json j = Json::parse(o->line);
            bool match = what[0] == '#' ? j.value("ackId", 0) == std::stoi(what.substr(1)) : j.value("event", "") == what;
            if (o->session == session && match) return j["data"];
        }
        return Json();
    }
    // actual has want's members (and may have others) and its lists, element
    // by element and whole.
    static bool holds(const Json& actual, const Json& want) {
        if (want.is_object() && actual.is_object())
            return std::all_of(want.items().begin(), want.items().end(),
                               [&](const auto& m) { return actual.contains(m.key()) && holds(actual[m.key()], m.value()); });
        if (!want.is_array() || !actual.is_array() || want.size() != actual.size()) return actual == want;
        for (size_t i = 0; i < want.size(); i++)
            if (!holds(actual[i], want[i])) return false;
        return true;
    }

    // One line from caller who: "name data" emits (name#ack asks for a reply),
    // "tick ms" moves the clock in 100 ms steps, "login Name" and "close" open
    // and end a session; '{', '[' or '~' text goes raw (opening the session
    // when it is the caller's first). In it, $code and $door
    // stand for the share code and knock token of caller 1's table, $knock for
    // the last knock caller 1 was told of, $answers for words in all of who's
    // gaps. False when the house refused the line.
    bool act(int who, const std::string& line) {
        bool answered = act1(who, line);
        lobbyFlush(&h);  // as the server's loop pass does
        return answered;
    }
    bool act1(int who, std::string line) {
        for (const Outgoing& o : h.outbox) {
            Json j = Json::parse(o.line);
            if (j.value("event", "") == "game:prompts") blanks[o.session] = j["data"]["blanks"];
            if (j.value("event", "") == "room:knock" && o.session == 1) knock = j["data"]["knockId"];
        }
        Json answers = Json::object();
        for (const Json& b : blanks[who]) answers[b["n"].dump()] = "w" + b["n"].dump();
        for (const std::string name : {"$code", "$door", "$knock", "$answers"})
            for (size_t at; (at = line.find(name)) != std::string::npos;) {
                Room& r = h.rooms[h.sessions[1].roomId];
                line.replace(at, name.size(), name == "$code" ? r.code : name == "$door" ? r.knockId
                                            : name == "$knock" ? knock
                                                               : answers.dump());
            }
        h.outbox.clear();
        size_t space = line.find(' '), hash = line.find('#');
        if (line.rfind("tick ", 0) == 0) {
            for (int64_t end = h.now + std::stoll(line.substr(5)); h.now < end; houseTick(&h)) h.now = std::min(end, h.now + 100);
        } else if (line.rfind("login ", 0) == 0) {
            houseOpen(&h, who);
            return houseLine(&h, who, Json{{"cmd", "connect"}, {"bbsInstanceId", "test-bbs"},
                                           {"localUserid", std::to_string(who)}, {"alias", line.substr(6)}}.dump());
        } else if (line == "close") {
            houseClose(&h, who);
        } else if (line[0] == '~' || line[0] == '{' || line[0] == '[') {
            if (!h.sessions.count(who)) houseOpen(&h, who);  // a door's first line
            return houseLine(&h, who, line.substr(line[0] == '~'));
        } else {
            Json cmd = {{"cmd", "emit"}, {"name", line.substr(0, std::min(space, hash))}, {"data", Json::parse(line.substr(space + 1))}};
            if (hash < space) cmd["ackId"] = std::stoi(line.substr(hash + 1));
            return houseLine(&h, who, cmd.dump());
        }
        return true;
    }

    struct Step {
        int who;           // the caller acting (see act); with an empty line, only a look
        std::string line;
        int to;            // whose messages to look at
        // what: an event, "#ack" for a reply, or "" for what act answered (want "true" or "false");
        // want: JSON the last such message holds (see holds), "null" when there is none.
        std::string what, want;
    };
    void run(const std::vector<Step>& steps) {
        bool answered = false;
        for (const Step& s : steps) {
            SCOPED_TRACE(s.line + " / " + s.what);
            if (!s.line.empty()) answered = act(s.who, s.line);
            Json actual = last(s.to, s.what);
            if (s.what.empty()) EXPECT_EQ(answered, s.want == "true");
            else EXPECT_TRUE(holds(actual, Json::parse(s.want))) << s.to << " " << s.what << " was " << actual.dump();
        }
    }
};
