#include "house_helpers.h"

#include <gtest/gtest.h>

Library smallLibrary() {
    const char* text = R"({"categories":[{"name":"Pets","kind":"normal"},{"name":"Frost","kind":"holiday"}],
      "tales":[
        {"id":1,"title":"Dog Day","category":"Pets","text":"The {ADJECTIVE} dog ate {A NOUN} and {A FOOD} in {A PLACE}."},
        {"id":2,"title":"Cat Nap","category":"Pets","text":"A cat named {A NAME:any} slept on {A NOUN} for {A NUMBER} days."},
        {"id":3,"title":"Snow Fun","category":"Frost","text":"We built a {ADJECTIVE} snowman with a {A NOUN} hat."}]})";
    Library lib;
    std::string log;
    EXPECT_TRUE(talesLoadText(text, &lib, &log)) << log;
    return lib;
}

void startHouse(House* h) {
    houseInit(h, smallLibrary(), 12345);
    h->now = 1000000;
}

void login(House* h, int session, const std::string& alias) {
    houseOpen(h, session);
    Json cmd = {{"cmd", "connect"}, {"bbsInstanceId", "test-bbs"}, {"localUserid", std::to_string(session)}, {"alias", alias}};
    EXPECT_TRUE(houseLine(h, session, cmd.dump()));
}

void emit(House* h, int session, const std::string& name, const Json& data, int ackId) {
    Json cmd = {{"cmd", "emit"}, {"name", name}, {"data", data}};
    if (ackId) cmd["ackId"] = ackId;
    houseLine(h, session, cmd.dump());
}

std::vector<Json> eventsTo(const House* h, int session, const std::string& name) {
    std::vector<Json> out;
    for (const Outgoing& o : h->outbox) {
        Json j = Json::parse(o.line);
        if (o.session == session && j.value("event", "") == name) out.push_back(j["data"]);
    }
    return out;
}

std::vector<Json> repliesTo(const House* h, int session, int ackId) {
    std::vector<Json> out;
    for (const Outgoing& o : h->outbox) {
        Json j = Json::parse(o.line);
        if (o.session == session && j.value("ackId", 0) == ackId) out.push_back(j["data"]);
    }
    return out;
}

Json lastEvent(const House* h, int session, const std::string& name) {
    std::vector<Json> all = eventsTo(h, session, name);
    return all.empty() ? Json() : all.back();
}

void tickTo(House* h, int64_t ms) {
    while (h->now < ms) {
        h->now = std::min(ms, h->now + 100);
        houseTick(h);
    }
}
