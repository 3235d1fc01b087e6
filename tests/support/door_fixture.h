// The fixture of unit tests that draw: a zeroed client state on the heap (it
// is too big for the stack) whose terminal is a telnet socket pair, with a
// TestScreen at the caller's end rendering what the door sends.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "screen_emulator.h"
#include "screens/renderer.h"
#include "session/screen_table.h"
#include "state/client_state.h"

struct DoorScreenTest : ::testing::Test {
    std::unique_ptr<ClientState> cs{new ClientState{}};
    TestScreen ts{};

    void SetUp() override {
        testScreenOpen(&ts);
        ASSERT_TRUE(testScreenAttach(&ts, cs.get()));
        ts.raw.clear();  // the telnet offer is no test's business
    }
    void TearDown() override { testScreenClose(&ts); }

    // The whole of one screen drawn afresh; what it sent is dropped from ts.raw.
    void show(int32_t screen) {
        cs->view.screen = screen;
        cs->view.fullRedraw = 1;
        renderScreen(cs.get(), screenLook(cs->view.screen));
        screenPump(&ts);
        ts.raw.clear();
    }
    std::string row(int r) const { return screenRowText(&ts, r); }  // 80 CP437 bytes
};
