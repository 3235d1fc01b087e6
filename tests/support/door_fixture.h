// The fixture of every unit test that draws: a zeroed client state on the
// heap (it is too big for the stack) whose terminal is a telnet socket pair,
// with a TestScreen at the caller's end rendering what the door sends, and
// the ways painter tests draw a screen and look at its rows.
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
    Canvas cv{};  // what painters called directly draw with; SetUp points it at cs
    TestScreen ts{};

    // Fixtures that add their own set-up call this first.
    void SetUp() override {
        cv = canvasOf(cs.get());
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

    // The whole of one screen, drawn afresh; what it sent is dropped.
    void show(int32_t screen) {
        cs->view.screen = screen;
        cs->view.fullRedraw = 1;
        renderScreen(cs.get(), screenLook(cs->view.screen));
        sent();
    }
    // One painter's drawing; what it sent is dropped.
    void paint(PaintFn painter) {
        painter(&cv, cs.get());
        sent();
    }

    std::string row(int r) const { return screenRowText(&ts, r); }  // 80 CP437 bytes
    // Column (1-based) where text starts on row r, 0 when it is not there.
    int colOf(int r, const std::string& text) const {
        size_t at = row(r).find(text);
        return at == std::string::npos ? 0 : (int)at + 1;
    }
    bool rowBlank(int r) const { return row(r).find_first_not_of(' ') == std::string::npos; }
};
