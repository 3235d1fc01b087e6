// The fixture of every unit test that draws: a zeroed client state on the
// heap (it is too big for the stack) whose terminal is a telnet socket pair,
// with a TestScreen at the caller's end rendering what the door sends.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "screen_emulator.h"
#include "state/client_state.h"

struct DoorScreenTest : ::testing::Test {
    std::unique_ptr<ClientState> cs{new ClientState{}};
    TestScreen ts{};

    // Fixtures that add their own set-up call this first.
    void SetUp() override {
        testScreenOpen(&ts);
        ASSERT_TRUE(testScreenAttach(&ts, cs.get()));
        ts.raw.clear();  // the telnet offer is no test's business
    }
    void TearDown() override { testScreenClose(&ts); }

    // Flush the door's output to the screen; the bytes sent since the last call.
    std::string sent() {
        screenPump(&ts);
        std::string out = ts.raw;
        ts.raw.clear();
        return out;
    }
};
