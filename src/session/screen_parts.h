// The pieces the screen table puts together, each defined beside the code
// it shares: key lists in keys.cpp, line handlers in lines.cpp and
// editors.cpp, entry actions in requests.cpp. Only the screen table refers
// to them; everything else switches screens with enterScreen and hands on
// keys and lines through keyDispatch and handleLine.
#pragma once
#include "session/screen_table.h"

struct ClientState;

// ---- Keys (keys.cpp); every list ends with KEYS_END. ----
extern const ScreenKeyRow REVEAL_KEYS[];
extern const ScreenKeyRow SCORES_KEYS[];
extern const ScreenKeyRow WORD_ENTRY_KEYS[];
extern const ScreenKeyRow CATEGORY_PICK_KEYS[];
extern const ScreenKeyRow TALE_PICK_KEYS[];
extern const ScreenKeyRow SOLO_TALE_KEYS[];
extern const ScreenKeyRow QUICK_HELP_KEYS[];
extern const ScreenKeyRow CREATE_TABLE_KEYS[];
extern const ScreenKeyRow ACTIONS_KEYS[];
extern const ScreenKeyRow ENTER_TO_MENU_KEYS[];  // lists and "sent" screens: ENTER goes back
extern const ScreenKeyRow LETTER_KEYS[];
extern const ScreenKeyRow ANNOUNCEMENT_KEYS[];
extern const ScreenKeyRow SUBMIT_INTRO_KEYS[];
extern const ScreenKeyRow STORY_TITLE_KEYS[];
extern const ScreenKeyRow STORY_WRITE_KEYS[];
extern const ScreenKeyRow STORY_REVIEW_KEYS[];
extern const ScreenKeyRow STORY_EDIT_KEYS[];
extern const ScreenKeyRow STORY_CATEGORY_KEYS[];
extern const ScreenKeyRow STORY_EMAIL_KEYS[];
extern const ScreenKeyRow STORY_TERMS_KEYS[];
extern const ScreenKeyRow FEEDBACK_WRITE_KEYS[];
extern const ScreenKeyRow FEEDBACK_EDIT_KEYS[];
extern const ScreenKeyRow REPLY_WRITE_KEYS[];
extern const ScreenKeyRow REPLY_REVIEW_KEYS[];
extern const ScreenKeyRow REPLY_EDIT_KEYS[];
extern const ScreenKeyRow REPLY_SENT_KEYS[];
extern const ScreenKeyRow REPORT_KEYS[];
extern const ScreenKeyRow CARE_KEYS[];  // the care hub page and an open section alike

// ---- Typed lines: menus, lists, pickers and the round (lines.cpp). ----
void mainMenuLine(ClientState* state, const char* line);
void loungeLine(ClientState* state, const char* line);
void createTableLine(ClientState* state, const char* line);
void tableLine(ClientState* state, const char* line);  // the table, the reveal and the scores
void wordEntryLine(ClientState* state, const char* line);
void categoryLine(ClientState* state, const char* line);
void taleLine(ClientState* state, const char* line);
void soloTaleLine(ClientState* state, const char* line);
void mailboxLine(ClientState* state, const char* line);
void letterLine(ClientState* state, const char* line);
void announcementsLine(ClientState* state, const char* line);
void announcementLine(ClientState* state, const char* line);
void careLine(ClientState* state, const char* line);  // the care hub and a topic

// ---- Typed lines: the editors and the report (editors.cpp). ----
void storyIntroLine(ClientState* state, const char* line);
void storyTitleLine(ClientState* state, const char* line);
void storyWriteLine(ClientState* state, const char* line);
void storyReviewLine(ClientState* state, const char* line);
void storyChangeLine(ClientState* state, const char* line);
void storyCategoryLine(ClientState* state, const char* line);
void storyRatingLine(ClientState* state, const char* line);
void storyEmailLine(ClientState* state, const char* line);
void storyTermsLine(ClientState* state, const char* line);
void feedbackWriteLine(ClientState* state, const char* line);
void feedbackReviewLine(ClientState* state, const char* line);
void feedbackChangeLine(ClientState* state, const char* line);
void replyWriteLine(ClientState* state, const char* line);
void replyReviewLine(ClientState* state, const char* line);
void replyChangeLine(ClientState* state, const char* line);
void reportLine(ClientState* state, const char* line);

// ---- Entering a screen, after the switch (requests.cpp). ----
void enterWelcome(ClientState* state);
void enterMainMenu(ClientState* state);
void enterLounge(ClientState* state);
void enterWordEntry(ClientState* state);
void enterReveal(ClientState* state);
void enterScores(ClientState* state);
void enterPicker(ClientState* state);  // the category and tale pickers, the solo tale
void enterGuide(ClientState* state);
void enterMailbox(ClientState* state);
void enterReading(ClientState* state);  // a letter, the announcements, one announcement
void enterSubmitIntro(ClientState* state);
void enterStoryReview(ClientState* state);
void enterStoryEdit(ClientState* state);
void enterStoryCategory(ClientState* state);
void enterFeedbackEdit(ClientState* state);
void enterReplyEditor(ClientState* state);  // writing, reviewing and changing a reply
void enterCareHub(ClientState* state);
void enterCareTopic(ClientState* state);
