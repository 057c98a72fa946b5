#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "keys/record_key_judge.h"

namespace orvanta {
namespace {

namespace Vk = VirtualKey;

// One step as the hook sees it: a record's event, or a key of somebody
// else's, with the moment around it.
struct Step {
    char kind;                 // 'd' or 'u': the record's key down or up; 'D' or 'U': somebody else's
    std::uint32_t key = 0;
    std::uint32_t character = 1;
    std::uint32_t index = 0, count = 4;
    bool windowKeepsFocus = true;
};

struct Moment final : KeyMoment {
    bool keepsFocus = true;
    bool windowKeepsFocus() override { return keepsFocus; }
};

struct JudgeCase {
    const char* name;
    std::vector<Step> steps;
    std::string goesOn;   // per record event: 1 on, 0 held back
    std::optional<KeysFate> fate;
    std::uint32_t downAtStart = 0;   // modifiers down as the watch began
};

// Shift+A as the record sends it, with somebody else's keys in between.
Step shiftDown(std::uint32_t index = 0) { return {'d', Vk::Shift, 1, index}; }
Step aDown(std::uint32_t index = 1) { return {'d', 'A', 1, index}; }
Step aUp(std::uint32_t index = 2) { return {'u', 'A', 1, index}; }
Step shiftUp(std::uint32_t index = 3) { return {'u', Vk::Shift, 1, index}; }

// The events of a character go on together or are held back together; a
// key somebody else holds, before the character or among its events (wine
// lets it come between them), never combines with a key of the record.
TEST(RecordKeyJudge, AKeyOfARecordNeverGoesOnWithSomebodyElsesModifierOrToAnotherWindow)
{
    Step windowGone = aDown();
    windowGone.windowKeepsFocus = false;
    const Step ctrlDown{'D', Vk::LControl}, ctrlUp{'U', Vk::LControl};
    const JudgeCase cases[] = {
        {"nothing in between", {shiftDown(), aDown(), aUp(), shiftUp()}, "1111", KeysFate::WentIn},
        {"a modifier held since before the watch began", {shiftDown(), aDown(), aUp(), shiftUp()}, "0000",
         KeysFate::HeldBack, modifierBit(Vk::RShift)},
        {"a modifier held before the character", {ctrlDown, shiftDown(), aDown(), aUp(), shiftUp()}, "0000",
         KeysFate::HeldBack},
        {"one sent as the plain key comes up as the left one", {{'D', Vk::Control}, {'U', Vk::LControl}, shiftDown(),
         aDown(), aUp(), shiftUp()}, "1111", KeysFate::WentIn},
        {"Ctrl goes down among the events", {shiftDown(), ctrlDown, aDown(), aUp(), shiftUp()}, "1001",
         KeysFate::HeldBack},
        {"Ctrl down and up again before the character", {ctrlDown, ctrlUp, shiftDown(), aDown(), aUp(), shiftUp()},
         "1111", KeysFate::WentIn},
        {"a key that is no modifier changes nothing", {shiftDown(), {'D', 'Q'}, aDown(), aUp(), shiftUp()}, "1111",
         KeysFate::WentIn},
        {"the window goes among the events", {shiftDown(), windowGone, aUp(), shiftUp()}, "1001",
         KeysFate::WindowLeft},
        // The character is in: sending it again would type it (or half of it) twice.
        {"Ctrl goes down between a character's down and its up",
         {{'d', 0xE7, 1, 0, 2}, ctrlDown, {'u', 0xE7, 1, 1, 2}}, "11", KeysFate::WentIn},
        {"Ctrl goes down between the halves of a surrogate pair",
         {{'d', 0xD83D, 1, 0, 4}, {'u', 0xD83D, 1, 1, 4}, ctrlDown, {'d', 0xDE00, 1, 2, 4}, {'u', 0xDE00, 1, 3, 4}},
         "1111", KeysFate::WentIn},
    };
    for (const JudgeCase& c : cases) {
        RecordKeyJudge judge;
        judge.reset(c.downAtStart);
        Moment moment;
        std::string goesOn;
        std::optional<KeysFate> fate;
        for (const Step& step : c.steps) {
            if (step.kind == 'D' || step.kind == 'U') {
                judge.othersKey(step.key, step.kind == 'U');
                continue;
            }
            moment.keepsFocus = step.windowKeepsFocus;
            const RecordKeyEvent event{step.character, step.index, step.count, step.key, step.kind == 'u',
                                       isModifierKey(step.key)};
            const auto decision = judge.judge(event, moment);
            goesOn += decision.goesOn ? '1' : '0';
            if (decision.characterFate)
                fate = decision.characterFate;
        }
        EXPECT_EQ(goesOn, c.goesOn) << c.name;
        EXPECT_EQ(fate, c.fate) << c.name;
    }
}

// A character held back goes again as a new one, judged afresh; a new
// watch knows nothing of the keys that went down before it.
TEST(RecordKeyJudge, ACharacterSentAgainIsJudgedAfresh)
{
    RecordKeyJudge judge;
    Moment moment;
    judge.othersKey(Vk::RMenu, false);
    EXPECT_FALSE(judge.judge({1, 0, 2, 'A', false}, moment).goesOn);
    judge.othersKey(Vk::RMenu, true);
    EXPECT_TRUE(judge.judge({2, 0, 2, 'A', false}, moment).goesOn);
    judge.othersKey(Vk::LWin, false);
    judge.reset();
    EXPECT_TRUE(judge.judge({3, 0, 2, 'A', false}, moment).goesOn);
}

}  // namespace
}  // namespace orvanta
