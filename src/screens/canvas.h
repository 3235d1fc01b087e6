// What a painter draws with: the terminal its bytes go to and the cache of
// what it drew before. Painters and widgets read the client state const;
// these two are all they change.
#pragma once

struct ClientState;
struct RenderCache;
struct TerminalChannel;

struct Canvas {
    TerminalChannel* term;
    RenderCache* cache;
};

// A body painter: draws its screen's body from the state, sends nothing.
using PaintFn = void (*)(Canvas* cv, const ClientState* cs);

// The canvas over the state's own terminal and render cache.
Canvas canvasOf(ClientState* cs);
