// The sysop's tools: `wordwhirl-house admin [--data FILE] COMMAND ...`, run
// beside the running house on the same data file. Each command is one short
// transaction; the house notices the change within a second (gate.h).
//
//   board add [ID] "Board name" [--from ADDRESS/BITS]   (no ID: a random one, printed)
//   board list | board remove ID
//   announce "text" | announcements | unannounce ID
//   submissions [all | ID] | accept ID [CATEGORY] | decline ID "reason"
//   reports | feedback | players
//   mail PLAYER "text" | ban PLAYER "reason" | unban PLAYER | timeout PLAYER MINUTES
//   shutdown MINUTES "reason" | shutdown cancel
//
// PLAYER is an alias (any case) or BOARD/USER.
#pragma once
#include <string>

#include "json_util.h"

// Runs one command; the exit code (0 done, 1 refused or failed, 2 usage).
int adminMain(int argc, char** argv, const std::string& defaultData);
// The same on a data file already open (the command words alone), committed.
struct Store;
int adminRun(Store* st, int argc, char** argv);

// The tale text of a story as the door submits it: its "{N}" marks become
// "{TYPE:hint}" gaps from its blanks list.
std::string adminTaleText(const Json& submission);
