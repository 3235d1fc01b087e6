// Mail and the other desks of the house: each caller's mailbox (a welcome
// letter that takes replies, read marks, deleting, replies answered by a
// thank-you letter), the care hub listing, and the acknowledgements of
// feedback, story submissions and reports.
#pragma once
#include "house.h"

void mailList(House* h, int session, const Json& data);
void mailMarkRead(House* h, int session, const Json& data);
void mailDelete(House* h, int session, const Json& data);
void mailReply(House* h, int session, const Json& data);
void careHubGet(House* h, int session, const Json& data);
void feedbackSubmit(House* h, int session, const Json& data);
void submissionSubmit(House* h, int session, const Json& data);
void reportSubmit(House* h, int session, const Json& data);
// Quietly noted requests that need no answer (report:begin).
void noteOnly(House* h, int session, const Json& data);
