// Solo games and the word check: opening a tale's blanks for one caller,
// turning their answers into the finished text, and telling whether a
// typed word may be used.
#pragma once
#include "house.h"

void soloStart(House* h, int session, const Json& data);
void soloSubmit(House* h, int session, const Json& data);
void wordCheck(House* h, int session, const Json& data);
