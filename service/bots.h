// House bots: they sit down at a table that has stayed below three players
// for a moment, give words of the asked kind, laugh, finish reading and come
// back to the table, and make room again when callers fill the table.
#pragma once
#include "house.h"

// Plans each bot's next move after the table changed phase.
void botsPlan(House* h, Room* r);
// Seats or releases bots and makes the moves that are due.
void botsTick(House* h, Room* r);
