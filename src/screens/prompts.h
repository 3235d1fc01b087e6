// Footer prompts that depend on the state, one per screen that has one; the
// screen table names them beside each screen's painter. A prompt that leads
// with bright keys sets footerHighlight. Each returns a constant or buf.
#pragma once
#include "screens/renderer.h"

struct ClientState;

const char* promptLounge(ClientState* cs, FooterText* buf);
const char* promptTable(ClientState* cs, FooterText* buf);
const char* promptWordEntry(ClientState* cs, FooterText* buf);
const char* promptReveal(ClientState* cs, FooterText* buf);
const char* promptScores(ClientState* cs, FooterText* buf);
const char* promptCategoryPick(ClientState* cs, FooterText* buf);
const char* promptTalePick(ClientState* cs, FooterText* buf);
const char* promptCreateTable(ClientState* cs, FooterText* buf);
const char* promptMailbox(ClientState* cs, FooterText* buf);
const char* promptAnnouncements(ClientState* cs, FooterText* buf);
const char* promptStoryWrite(ClientState* cs, FooterText* buf);
const char* promptStoryReview(ClientState* cs, FooterText* buf);
const char* promptStoryEdit(ClientState* cs, FooterText* buf);
const char* promptFeedbackEdit(ClientState* cs, FooterText* buf);
const char* promptReplyEdit(ClientState* cs, FooterText* buf);
const char* promptStoryTerms(ClientState* cs, FooterText* buf);
const char* promptReport(ClientState* cs, FooterText* buf);
const char* promptCareHub(ClientState* cs, FooterText* buf);
const char* promptCareTopic(ClientState* cs, FooterText* buf);

// Fixed prompts shared by more than one screen.
constexpr char PROMPT_BACK[] = "[ENTER] Back";
constexpr char PROMPT_WRITE_NOTE[] = "ENTER On An Empty Line When You Are Done   [ESC] Cancel";
