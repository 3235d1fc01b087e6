#include "screens/prompts.h"

#include "platform/platform.h"
#include "platform/text.h"
#include "state/client_state.h"

namespace {

constexpr int32_t FOOTER_HL_PICK = 18;    // "[S]elect Next Tale"
constexpr int32_t FOOTER_HL_LAUGH = 13;   // "[SPACE] Laugh"
constexpr int32_t FOOTER_HL_MORE = 12;    // "[Space] More"
constexpr int32_t CARE_PAGE_ROWS = 17;    // care hub lines on one page
constexpr int32_t STORY_WRITE_MAX = 24;   // lines the story editor takes
constexpr int32_t STORY_REVIEW_ROWS = 10; // review fits this many lines without reading keys
constexpr int32_t TALE_PAGE = 9;          // tales on one picker page

// Whole seconds from now to a deadline, truncated toward zero.
int32_t secondsUntil(const ClientState* cs, uint32_t deadline) {
    return (int32_t)(deadline - tickMs(&cs->clock)) / 1000;
}

constexpr const char* CATEGORY_PROMPTS[] = {
    "Pick A Category   [M] Main Menu",                               // 0 solo
    "Pick A Category   [*] Surprise Me   [ESC] Back To Your Table",  // 1 changing the preset
    "Pick A Category   [*] Surprise Me   [ESC] Never Mind",          // 2 creating a table
    "Pick A Category   [*] Surprise Me",                             // 3 the caller's turn
};
constexpr int32_t PICKER_MODES = (int32_t)(sizeof CATEGORY_PROMPTS / sizeof CATEGORY_PROMPTS[0]);

constexpr const char* CREATE_PROMPTS[] = {
    "Type A Name And Press ENTER   [ESC] Never Mind",
    "[Y] Lock It   [N] Leave It Open   [ESC] Never Mind",
    "[Y] Take Turns   [N] I'll Pick   [ESC] Never Mind",
};
constexpr int32_t CREATE_STAGES = (int32_t)(sizeof CREATE_PROMPTS / sizeof CREATE_PROMPTS[0]);

constexpr char PROMPT_NEW_LINE[] =
    "Type The New Line   -   ENTER On Its Own Deletes It   [ESC] Never Mind";

const char* promptNoteEdit(int32_t markedLine) {
    return markedLine > 0 ? PROMPT_NEW_LINE
                          : "Type A Line Number To Change It   [0] Add More   [ESC] Done";
}

}  // namespace

const char* promptLounge(ClientState* cs, FooterText*) {
    return cs->lobby.codeEntry
        ? "Type The Share Code And Press ENTER   (or just ENTER to forget it)"
        : "[#] Sit Down  [J]oin By Code  [Q] Quick Play  [C] Create  [S] Solo  [M] Menu";
}

const char* promptTable(ClientState* cs, FooterText*) {
    if (cs->table.pickTurn && cs->table.playerCount > 1) {
        cs->render.footerHighlight = FOOTER_HL_PICK;
        int32_t secs = secondsUntil(cs, cs->timers.pickDeadline);
        return (cs->table.pickTimerOn && secs >= 1 && secs <= WAIT_OFFER_SECS)
            ? "[S]elect Next Tale   [W]ait - Not Ready Yet   [L]eave Room"
            : "[S]elect Next Tale   [L]eave Room";
    }
    if (!cs->table.pickerName[0] && cs->table.isHost) return "[S]tart   [C]hange The Story   [L]eave Room";
    return "[L]eave Room";
}

const char* promptWordEntry(ClientState* cs, FooterText*) {
    if (cs->round.wordsDone)
        return cs->table.inRoom ? "Waiting For The Others - Type To Chat   [ESC] Leave Room"
                          : "Waiting For The Others To Finish";
    if (cs->timers.wordDeadline && tickPassed(tickMs(&cs->clock), cs->timers.wordDeadline))
        return "Time's Up - Sending What You Have";
    return cs->table.inRoom ? "Type Your Word And Press ENTER   [ESC] Leave Room"
                      : "Type Your Word And Press ENTER   [ESC] Main Menu";
}

const char* promptReveal(ClientState* cs, FooterText* buf) {
    cs->render.footerHighlight = FOOTER_HL_LAUGH;
    if (!cs->reveal.revealDone)
        return cs->table.inRoom ? "[SPACE] Laugh   [Up/Down] Read The Tale   [ENTER] Done   [ESC] Leave"
                          : "[SPACE] Laugh   [Up/Down] Read The Tale   [ENTER] Done Reading";
    if (cs->reveal.stillReading[0]) {
        formatText(buf->text, "Still reading: %.140s%s", cs->reveal.stillReading,
                   cs->table.inRoom ? "   [L]eave Room" : "");
        return buf->text;
    }
    return cs->table.inRoom ? "Waiting For The Others To Finish Reading   [L]eave Room"
                      : "Waiting For The Others To Finish Reading";
}

const char* promptScores(ClientState* cs, FooterText*) {
    if (!cs->table.rateStoryId) return "[ENTER] Play Again   [L]eave Room";
    return cs->table.rateGiven == 2
        ? "[1] Loved It  [2] It Was Fine  [3] Not For Us  [ENTER] Play Again  [L]eave"
        : "Thank you for your vote!   [ENTER] Play Again   [L]eave Room";
}

const char* promptCategoryPick(ClientState* cs, FooterText*) {
    if (cs->picker.storyLoading) return "Fetching The Tales...";
    int32_t mode = (cs->table.pickerMode >= 0 && cs->table.pickerMode < PICKER_MODES) ? cs->table.pickerMode : 0;
    return CATEGORY_PROMPTS[mode];
}

const char* promptTalePick(ClientState* cs, FooterText*) {
    if (cs->picker.storyLoading) return "Fetching The Tales...";
    bool surprise = cs->table.pickerMode != 0;
    if (cs->picker.storyTotal > TALE_PAGE)
        return surprise ? "Type A Number   [N] Next   [P] Previous   [*] Surprise Me   [B] Back"
                        : "Type A Number   [N] Next   [P] Previous   [B] Back To Categories";
    return surprise ? "Pick A Tale   [*] Surprise Me   [B] Back To Categories"
                    : "Pick A Tale   [B] Back To Categories";
}

const char* promptCreateTable(ClientState* cs, FooterText*) {
    int32_t stage = (cs->table.createStage >= 0 && cs->table.createStage < CREATE_STAGES) ? cs->table.createStage : 0;
    return CREATE_PROMPTS[stage];
}

const char* promptMailbox(ClientState* cs, FooterText*) {
    return cs->mail.letterCount >= 1 ? "[1-9] Read   [ENTER] Back To The Menu" : "[ENTER] Back To The Menu";
}

const char* promptAnnouncements(ClientState* cs, FooterText*) {
    return cs->mail.announcementCount >= 1 ? "[1-9] Read   [ENTER] Back To The Menu"
                                      : "[ENTER] Back To The Menu";
}

const char* promptStoryWrite(ClientState* cs, FooterText*) {
    return cs->editors.storyLineCount < STORY_WRITE_MAX
        ? "Type A Line And Press ENTER   -   ENTER On An Empty Line When Done"
        : "That's as long as it can be - press ENTER to read it back";
}

const char* promptStoryReview(ClientState* cs, FooterText*) {
    return cs->editors.storyLineCount < STORY_REVIEW_ROWS
        ? "[S]end It   [C]hange It   [M] Main Menu"
        : "[S]end It   [C]hange It   [Up/Down] Read   [M] Main Menu";
}

const char* promptStoryEdit(ClientState* cs, FooterText*) {
    return cs->editors.storyEditLine > 0 ? PROMPT_NEW_LINE
                                 : "Type A Line Number To Change It   [0] Add A Line   [ESC] Done";
}

const char* promptFeedbackEdit(ClientState* cs, FooterText*) { return promptNoteEdit(cs->editors.feedbackEditLine); }
const char* promptReplyEdit(ClientState* cs, FooterText*) { return promptNoteEdit(cs->editors.replyEditLine); }

const char* promptStoryTerms(ClientState* cs, FooterText*) {
    return cs->editors.storySent ? "Sending..." : "Type I AGREE To Submit, Or C To Cancel";
}

const char* promptReport(ClientState* cs, FooterText*) {
    return cs->editors.reportStage == 1 ? "ENTER On An Empty Line When You Are Done   [ESC] Never Mind"
                                : "Type The Number   [ESC] Never Mind";
}

const char* promptCareHub(ClientState* cs, FooterText*) {
    if (!cs->care.careLoaded) return "[M] Main Menu";
    if (cs->care.careLineCount > cs->care.careScroll + CARE_PAGE_ROWS) {
        cs->render.footerHighlight = FOOTER_HL_MORE;
        return "[Space] More   [Up/Down] Read   Select a category   [M] Main Menu";
    }
    return cs->care.careScroll < 1 ? "Select a category above for resource listings.   [M] Main Menu"
                              : "[Up/Down] Read   Select a category above   [M] Main Menu";
}

const char* promptCareTopic(ClientState* cs, FooterText*) {
    int32_t open = cs->care.careSectionOpen;
    int32_t lines = (open >= 0 && open < minOf(cs->care.careSectionCount, MAX_CARE_SECTIONS))
        ? cs->care.careSectionLineCount[open] : 0;
    if (lines > cs->care.careSectionScroll + CARE_PAGE_ROWS) {
        cs->render.footerHighlight = FOOTER_HL_MORE;
        return "[Space] More   [Up/Down] Read   [B] Care Hub   [M] Main Menu";
    }
    return cs->care.careSectionScroll < 1 ? "[B] Care Hub   [M] Main Menu"
                                     : "[Up/Down] Read   [B] Care Hub   [M] Main Menu";
}
