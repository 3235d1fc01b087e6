// The door's JSON reader against a general-purpose DOM parser on the lines the
// game service really sends: a table snapshot, a story reveal, the Lounge's
// table list and a chat line. Reports bytes per second for each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <rapidjson/document.h>

#include "net/json.h"

namespace {

const char* const playerNames[] = {"Zephyr", "marigold", "Captain Obvious", "Dot", "Gr\\u00e9goire", "Sysop Sam"};
const char* const sources[] = {"bbs", "web", "ios", "android", "web", "bbs"};
const char* const inks[] = {"#e6194b", "#3cb44b", "#ffe119", "#4363d8", "#f58231", "#911eb4"};

std::string playerJson(int i) {
    char buf[320];
    snprintf(buf, sizeof buf,
             "{\"id\":\"u-%04d-7f3a9c\",\"name\":\"%s\",\"isHost\":%s,\"ready\":%s,\"submitted\":false,"
             "\"laughs\":%d,\"bbsNumber\":%d,\"source\":\"%s\",\"ink\":\"%s\"}",
             i, playerNames[i], i == 0 ? "true" : "false", i % 2 ? "false" : "true", i * 3, 100 + i, sources[i],
             inks[i]);
    return buf;
}

std::string roomSnapshot() {
    std::string s = "{\"event\":\"room:state\",\"data\":{\"code\":\"K7QX2P\",\"name\":\"Night Owls\",\"locked\":false,"
                    "\"autoHost\":false,\"roundRobinPicking\":true,\"state\":\"collecting\",\"startsInMs\":15000,"
                    "\"roomReturnPending\":[\"u-0001-7f3a9c\",\"u-0003-7f3a9c\"],"
                    "\"template\":{\"title\":\"The Dragon's Picnic\",\"category\":\"Animals\"},\"players\":[";
    for (int i = 0; i < 6; i++) s += (i ? "," : "") + playerJson(i);
    return s + "]}}";
}

const char* const revealWords[] = {"LOUD", "spaghetti", "wobbly", "penguin", "sneezed", "umbrella", "seventeen",
                                   "purple", "trombone", "giggled"};

std::string storyReveal() {
    std::string story;
    std::string words;
    for (int i = 0; story.size() < 3000; i++) {
        const char* w = revealWords[i % 10];
        char sentence[200];
        snprintf(sentence, sizeof sentence,
                 "Then the %s dragon met a friend by the sea, and \\\"%s\\\" was all anyone could say about it. ",
                 i % 3 ? "tired" : "brave", w);
        story += sentence;
        if (i % 6 == 5) story += "\\n";
        if (i < 40) {
            char word[128];
            snprintf(word, sizeof word, "%s{\"n\":%d,\"value\":\"%s\",\"authorId\":\"u-%04d-7f3a9c\"}", i ? "," : "",
                     i + 1, w, i % 6);
            words += word;
        }
    }
    return "{\"event\":\"game:story-reveal\",\"data\":{\"title\":\"The Dragon's Picnic\",\"story\":\"" + story +
           "\",\"words\":[" + words + "],\"voteSeconds\":45}}";
}

std::string lobbyTables() {
    std::string s = "{\"event\":\"lobby:rooms\",\"data\":{\"rooms\":[";
    for (int i = 0; i < 40; i++) {
        char buf[256];
        snprintf(buf, sizeof buf,
                 "%s{\"code\":\"K%05d\",\"name\":\"Night Owls %d\",\"players\":%d,\"max\":6,\"locked\":%s,"
                 "\"knockId\":\"\",\"autoHost\":%s,\"inGame\":%s}",
                 i ? "," : "", i * 37, i, i % 7, i % 5 ? "false" : "true", i % 2 ? "true" : "false",
                 i % 3 ? "false" : "true");
        s += buf;
    }
    return s + "]}}";
}

std::string chatLine() {
    return "{\"event\":\"room:chat\",\"data\":{\"kind\":\"chat\",\"name\":\"marigold\","
           "\"text\":\"haha that penguin was the best part, who wrote wobbly?\",\"whisper\":false}}";
}

// Built once, before the first benchmark runs.
struct Lines {
    std::string room, reveal, lobby, chat;
};

const Lines& lines() {
    static const Lines l{roomSnapshot(), storyReveal(), lobbyTables(), chatLine()};
    return l;
}

const std::string& lineOf(int which) {
    const Lines& l = lines();
    const std::string* all[] = {&l.room, &l.reveal, &l.lobby, &l.chat};
    return *all[which];
}

void setLabel(benchmark::State& st, int which) {
    const char* names[] = {"room snapshot, 6 players", "story reveal, 3 KB + 40 words", "lobby, 40 tables",
                           "chat line"};
    st.SetLabel(std::string(names[which]) + ", " + std::to_string(lineOf(which).size()) + " B");
}

void BM_DoorJson(benchmark::State& st) {
    const std::string& text = lineOf((int)st.range(0));
    std::unique_ptr<JsonDocument> owned(new JsonDocument);
    JsonDocument* doc = owned.get();
    if (!jsonParse(doc, text.c_str())) st.SkipWithError("line did not parse");
    for (auto _ : st) {
        JsonNode* root = jsonParse(doc, text.c_str());
        benchmark::DoNotOptimize(root);
    }
    st.SetBytesProcessed((int64_t)st.iterations() * (int64_t)text.size());
    setLabel(st, (int)st.range(0));
}

// The usual way to use the other parser: a fresh document per line.
void BM_RapidJsonDom(benchmark::State& st) {
    const std::string& text = lineOf((int)st.range(0));
    for (auto _ : st) {
        rapidjson::Document d;
        d.Parse(text.c_str());
        if (d.HasParseError()) st.SkipWithError("line did not parse");
        benchmark::DoNotOptimize(d);
    }
    st.SetBytesProcessed((int64_t)st.iterations() * (int64_t)text.size());
    setLabel(st, (int)st.range(0));
}

using PooledDocument = rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<>,
                                                  rapidjson::MemoryPoolAllocator<>>;

// Its fastest DOM set-up: a fixed buffer for values and for the parse stack,
// so it does not allocate either. This is the fair comparison with a reader
// that never allocates.
void BM_RapidJsonDomFixedBuffer(benchmark::State& st) {
    const std::string& text = lineOf((int)st.range(0));
    static char valueBuffer[1 << 20];
    static char stackBuffer[1 << 16];
    for (auto _ : st) {
        rapidjson::MemoryPoolAllocator<> valueAlloc(valueBuffer, sizeof valueBuffer);
        rapidjson::MemoryPoolAllocator<> stackAlloc(stackBuffer, sizeof stackBuffer);
        PooledDocument d(&valueAlloc, sizeof stackBuffer, &stackAlloc);
        d.Parse(text.c_str());
        if (d.HasParseError()) st.SkipWithError("line did not parse");
        benchmark::DoNotOptimize(d);
    }
    st.SetBytesProcessed((int64_t)st.iterations() * (int64_t)text.size());
    setLabel(st, (int)st.range(0));
}

BENCHMARK(BM_DoorJson)->DenseRange(0, 3);
BENCHMARK(BM_RapidJsonDom)->DenseRange(0, 3);
BENCHMARK(BM_RapidJsonDomFixedBuffer)->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
