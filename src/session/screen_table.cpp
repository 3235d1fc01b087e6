#include "session/screen_table.h"

#include "screens/care.h"
#include "screens/editors.h"
#include "screens/lounge.h"
#include "screens/mail.h"
#include "screens/menu.h"
#include "screens/prompts.h"
#include "screens/report.h"
#include "screens/reveal.h"
#include "screens/round.h"
#include "screens/submit.h"
#include "screens/welcome.h"
#include "session/screen_parts.h"
#include "state/client_state.h"

namespace {

// Index = screen number. A row names only what its screen has; the
// defaults are those of a number with no screen.
constexpr ScreenDesc SCREENS[] = {
    {.id = SCR_WELCOME, .look = {.wholeScreen = 1, .paint = paintWelcome}, .enter = enterWelcome},
    {.id = SCR_MAIN_MENU,
     .look = {.paint = paintMainMenu, .pane = PANE_MENU, .prompt = "Type Your Choice And Press ENTER"},
     .enter = enterMainMenu, .line = mainMenuLine},
    {.id = SCR_LOUNGE, .look = {.paint = paintLounge, .pane = PANE_SHOWN, .promptOf = promptLounge},
     .enter = enterLounge, .line = loungeLine},
    {.id = SCR_TABLE, .look = {.paint = paintTable, .pane = PANE_SHOWN, .promptOf = promptTable},
     .line = tableLine},
    {.id = SCR_WORD_ENTRY,
     .look = {.paint = paintWordEntry, .pane = PANE_AT_TABLE, .promptOf = promptWordEntry},
     .enter = enterWordEntry, .keys = WORD_ENTRY_KEYS, .line = wordEntryLine},
    {.id = SCR_REVEAL, .look = {.paint = paintReveal, .pane = PANE_SHOWN, .promptOf = promptReveal},
     .enter = enterReveal, .keys = REVEAL_KEYS, .line = tableLine},
    {.id = SCR_SCORES, .look = {.paint = paintScores, .pane = PANE_SHOWN, .promptOf = promptScores},
     .enter = enterScores, .keys = SCORES_KEYS, .line = tableLine},
    {},  // 7
    {.id = SCR_CATEGORY_PICK,
     .look = {.paint = paintCategoryPick, .pane = PANE_BLANK, .promptOf = promptCategoryPick},
     .enter = enterPicker, .keys = CATEGORY_PICK_KEYS, .line = categoryLine},
    {.id = SCR_TALE_PICK, .look = {.paint = paintTalePick, .pane = PANE_BLANK, .promptOf = promptTalePick},
     .enter = enterPicker, .keys = TALE_PICK_KEYS, .line = taleLine},
    // The tale's box runs to row 22, so the rows a chat pane would take are its own.
    {.id = SCR_SOLO_TALE,
     .look = {.paint = paintSoloTale, .pane = PANE_BODY,
              .prompt = "[Up/Down] Read   [SPACE] Page   [P] Play Again   [M] Main Menu"},
     .enter = enterPicker, .keys = SOLO_TALE_KEYS, .line = soloTaleLine},
    {.id = SCR_QUICK_HELP, .look = {.paint = paintQuickHelp, .pane = PANE_SHOWN, .prompt = PROMPT_BACK},
     .keys = QUICK_HELP_KEYS},
    {.id = SCR_FEEDBACK_WRITE,
     .look = {.paint = paintFeedbackWrite, .pane = PANE_BLANK, .prompt = PROMPT_WRITE_NOTE},
     .keys = FEEDBACK_WRITE_KEYS, .line = feedbackWriteLine},
    {},  // 13
    {.id = SCR_CREATE_TABLE,
     .look = {.paint = paintCreateTable, .pane = PANE_SHOWN, .promptOf = promptCreateTable},
     .keys = CREATE_TABLE_KEYS, .line = createTableLine},
    {.id = SCR_ACTIONS, .look = {.paint = paintActions, .pane = PANE_SHOWN, .prompt = PROMPT_BACK},
     .keys = ACTIONS_KEYS},
    {},  // 16
    {.id = SCR_GUIDE, .look = {.wholeScreen = 1, .paint = paintGuide}, .enter = enterGuide},
    {.id = SCR_MAILBOX, .look = {.paint = paintMailbox, .pane = PANE_BLANK, .promptOf = promptMailbox},
     .enter = enterMailbox, .keys = ENTER_TO_MENU_KEYS, .line = mailboxLine},
    {.id = SCR_LETTER,
     .look = {.paint = paintLetter, .pane = PANE_BLANK,
              .prompt = "[Up/Down] Read   [D] Delete   [ENTER] Back To Your Mailbox"},
     .enter = enterReading, .keys = LETTER_KEYS, .line = letterLine},
    {.id = SCR_ANNOUNCEMENTS,
     .look = {.paint = paintAnnouncements, .pane = PANE_BLANK, .promptOf = promptAnnouncements},
     .enter = enterReading, .keys = ENTER_TO_MENU_KEYS, .line = announcementsLine},
    {.id = SCR_ANNOUNCEMENT,
     .look = {.paint = paintAnnouncement, .pane = PANE_BLANK,
              .prompt = "[Up/Down] Read   [D] Dismiss   [ENTER] Back To Announcements"},
     .enter = enterReading, .keys = ANNOUNCEMENT_KEYS, .line = announcementLine},
    {.id = SCR_SUBMIT_INTRO,
     .look = {.paint = paintSubmitIntro, .pane = PANE_BLANK, .prompt = "[ENTER] Start Writing   [M] Main Menu"},
     .enter = enterSubmitIntro, .keys = SUBMIT_INTRO_KEYS, .line = storyIntroLine},
    {.id = SCR_STORY_TITLE,
     .look = {.paint = paintStoryTitle, .pane = PANE_BLANK,
              .prompt = "Type A Title And Press ENTER   [ESC] Never Mind"},
     .keys = STORY_TITLE_KEYS, .line = storyTitleLine},
    {.id = SCR_STORY_WRITE,
     .look = {.paint = paintStoryWrite, .pane = PANE_BLANK, .promptOf = promptStoryWrite},
     .keys = STORY_WRITE_KEYS, .line = storyWriteLine},
    {.id = SCR_STORY_REVIEW,
     .look = {.paint = paintStoryReview, .pane = PANE_BLANK, .promptOf = promptStoryReview},
     .enter = enterStoryReview, .keys = STORY_REVIEW_KEYS, .line = storyReviewLine},
    {.id = SCR_STORY_EDIT, .look = {.paint = paintStoryEdit, .pane = PANE_BLANK, .promptOf = promptStoryEdit},
     .enter = enterStoryEdit, .keys = STORY_EDIT_KEYS, .line = storyChangeLine},
    {.id = SCR_STORY_CATEGORY,
     .look = {.paint = paintStoryCategory, .pane = PANE_BLANK,
              .prompt = "Pick A Category   [*] Suggest Your Own   [ESC] Never Mind"},
     .enter = enterStoryCategory, .keys = STORY_CATEGORY_KEYS, .line = storyCategoryLine},
    {.id = SCR_STORY_RATING,
     .look = {.paint = paintStoryRating, .pane = PANE_BLANK, .prompt = "[1] G   [2] PG   [3] PG-17   [4] R"},
     .line = storyRatingLine},
    {.id = SCR_STORY_EMAIL,
     .look = {.paint = paintStoryEmail, .pane = PANE_BLANK, .prompt = "Type An Email, Or Press ENTER To Skip"},
     .keys = STORY_EMAIL_KEYS, .line = storyEmailLine},
    {.id = SCR_STORY_TERMS,
     .look = {.paint = paintStoryTerms, .pane = PANE_BLANK, .promptOf = promptStoryTerms},
     .keys = STORY_TERMS_KEYS, .line = storyTermsLine},
    {.id = SCR_STORY_SENT,
     .look = {.paint = paintStorySent, .pane = PANE_BLANK, .prompt = "[ENTER] Back To The Menu"},
     .keys = ENTER_TO_MENU_KEYS},
    {.id = SCR_FEEDBACK_REVIEW,
     .look = {.paint = paintFeedbackReview, .pane = PANE_BLANK,
              .prompt = "[S]end It   [C]hange It   [D]elete It   [M] Main Menu"},
     .line = feedbackReviewLine},
    {.id = SCR_FEEDBACK_EDIT,
     .look = {.paint = paintFeedbackEdit, .pane = PANE_SHOWN, .promptOf = promptFeedbackEdit},
     .enter = enterFeedbackEdit, .keys = FEEDBACK_EDIT_KEYS, .line = feedbackChangeLine},
    {.id = SCR_REPLY_WRITE, .look = {.paint = paintReplyWrite, .pane = PANE_SHOWN, .prompt = PROMPT_WRITE_NOTE},
     .enter = enterReplyEditor, .keys = REPLY_WRITE_KEYS, .line = replyWriteLine},
    {.id = SCR_REPLY_REVIEW,
     .look = {.paint = paintReplyReview, .pane = PANE_SHOWN,
              .prompt = "[S]end It   [C]hange It   [D]elete It   [ESC] Back"},
     .enter = enterReplyEditor, .keys = REPLY_REVIEW_KEYS, .line = replyReviewLine},
    {.id = SCR_REPLY_EDIT, .look = {.paint = paintReplyEdit, .pane = PANE_SHOWN, .promptOf = promptReplyEdit},
     .enter = enterReplyEditor, .keys = REPLY_EDIT_KEYS, .line = replyChangeLine},
    {.id = SCR_REPLY_SENT,
     .look = {.paint = paintReplySent, .pane = PANE_SHOWN, .prompt = "[ENTER] Back To Your Mailbox"},
     .keys = REPLY_SENT_KEYS},
    {.id = SCR_FEEDBACK_SENT,
     .look = {.paint = paintFeedbackSent, .pane = PANE_BLANK, .prompt = "[ENTER] Main Menu"},
     .keys = ENTER_TO_MENU_KEYS},
    {.id = SCR_REPORT, .look = {.paint = paintReport, .pane = PANE_BLANK, .promptOf = promptReport},
     .keys = REPORT_KEYS, .line = reportLine},
    {.id = SCR_CARE_HUB, .look = {.paint = paintCareHub, .pane = PANE_BODY, .promptOf = promptCareHub},
     .enter = enterCareHub, .keys = CARE_KEYS, .line = careLine},
    {.id = SCR_CARE_TOPIC, .look = {.paint = paintCareTopic, .pane = PANE_BODY, .promptOf = promptCareTopic},
     .enter = enterCareTopic, .keys = CARE_KEYS, .line = careLine},
};

constexpr int32_t SCREEN_ROWS = (int32_t)(sizeof SCREENS / sizeof SCREENS[0]);
static_assert(SCREEN_ROWS == SCR_LAST + 1, "one row for every screen number up to the last");

// Every row sits at its own number, the gaps are exactly the numbers with
// no screen, and only the welcome screen and the guide own all 24 rows.
constexpr bool rowsFollowTheNumbers() {
    for (int32_t i = 0; i < SCREEN_ROWS; i++) {
        bool gap = i == 7 || i == 13 || i == 16;
        if (SCREENS[i].id != (gap ? SCREEN_GAP : i)) return false;
        if (gap && (SCREENS[i].look.paint || SCREENS[i].enter || SCREENS[i].keys || SCREENS[i].line))
            return false;
        if (SCREENS[i].look.wholeScreen != (i == SCR_WELCOME || i == SCR_GUIDE)) return false;
    }
    return true;
}
static_assert(rowsFollowTheNumbers(), "screen table rows follow the screen numbers");

constexpr ScreenDesc NO_SCREEN = {};

}  // namespace

const ScreenDesc& screenDesc(int32_t screen) {
    if (screen < 0 || screen >= SCREEN_ROWS) return NO_SCREEN;
    return SCREENS[screen];
}
