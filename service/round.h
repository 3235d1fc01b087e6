// One round at a table: choosing the tale (host, turns or the house), the
// prompts with their deadline, collecting answers, the reveal with each
// word's author, laughs and reading, the standings and the rating prompt,
// and coming back to the table. roomTick moves rounds along with the clock.
#pragma once
#include "house.h"

// Starts a round now (host's S or /start, or the auto-host countdown).
void roundStart(House* h, Room* r);
// A caller who just sat down hears what the table is doing: while somebody
// chooses, the current game:category-pick with the time left.
void roundCatchUp(House* h, Room* r, int session);
void roundStartRequest(House* h, int session, const Json& data);
void roundPickCategory(House* h, int session, const Json& data);
void roundPickStory(House* h, int session, const Json& data);
void roundPickerChoosing(House* h, int session, const Json& data);
void roundPickerWait(House* h, int session, const Json& data);
// Picks for whoever is choosing: category empty = any tale; storyId 0 = any
// tale of the category.
void roundApplyPick(House* h, Room* r, const std::string& category, int storyId);
// submit:answers (ack 12); also used by bots with session 0.
void roundSubmit(House* h, int session, const Json& data);
// Stores a seat's answers, gaps left out or blank being the reveal's to
// fill; an error text when they cannot be taken (and *blankN names the gap
// at fault). roundAnswersIn then moves the round on:
// the reveal once everybody's words are in.
std::string roundTakeAnswers(House* h, Room* r, Seat* seat, const Json& answers, int* blankN);
void roundAnswersIn(House* h, Room* r);
void roundVote(House* h, int session, const Json& data);
void roundVoteDone(House* h, int session, const Json& data);
// Laugh toggles and reading done, for callers and bots alike.
void roundToggleLaugh(House* h, Room* r, const std::string& pid, int blankN);
void roundSeatDoneReading(House* h, Room* r, Seat* seat);
void roundBackToRoom(House* h, int session, const Json& data);
void roundSeatReturned(House* h, Room* r, Seat* seat);
void roundRate(House* h, int session, const Json& data);
// A seat left: the round goes on without it, or stops below 2 players.
void roundSeatGone(House* h, Room* r);
void roomTick(House* h, Room* r);
