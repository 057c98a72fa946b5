#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"
#include "keys/caps_lock_guard.h"

namespace orvanta {
namespace {

namespace Vk = VirtualKey;

using fakes::EventLog;
using fakes::pause;
using fakes::tap;

struct CapsBench {
    EventLog log;
    fakes::FakeKeyboard keyboard{log};
    fakes::FakeClock clock{log};
    TypingState typing;
    CapsLockGuard guard{keyboard, clock, typing};
};

// The keys of a probe, 0 for its pauses.
struct ProbeCase {
    const char* name;
    bool shiftReleases;
    bool startsOn;
    std::vector<int> keys;
    CapsLockMode mode;
};

// The probe leaves Caps Lock off, and says whether restore must put it
// back; a look at Caps Lock sees a tap only after a pause, as under wine.
TEST(CapsLockGuard, ProbeFindsTheModeAndLeavesCapsLockOff)
{
    const ProbeCase cases[] = {
        {"key toggles, started off", false, false, {Vk::Capital, 0, Vk::Capital, 0}, CapsLockMode::CapsKeyToggles},
        {"key toggles, started on", false, true, {Vk::Capital, 0, Vk::Capital, 0, Vk::Capital},
         CapsLockMode::CapsKeyToggles},
        {"shift releases, started off", true, false, {Vk::Capital, 0, Vk::Capital, 0, Vk::Shift},
         CapsLockMode::ShiftReleases},
        {"shift releases, started on", true, true, {Vk::Capital, 0, Vk::Capital, 0, Vk::Shift},
         CapsLockMode::ShiftReleases},
    };
    for (const ProbeCase& c : cases) {
        CapsBench bench;
        bench.keyboard.shiftReleasesCapsLock = c.shiftReleases;
        bench.keyboard.capsLockOn = c.startsOn;
        bench.keyboard.capsLockSeenLate = true;
        EXPECT_EQ(bench.guard.probeMode(), c.startsOn) << c.name;

        EventLog expected;
        for (int key : c.keys) {
            if (key)
                tap(expected, key);
            else
                expected.push_back(pause(5));
        }
        EXPECT_EQ(bench.log, expected) << c.name;
        EXPECT_EQ(bench.typing.capsLockMode, c.mode) << c.name;
        EXPECT_FALSE(bench.keyboard.capsLockOn) << c.name;
    }
}

struct SuspendCase {
    const char* name;
    CapsLockMode mode;
    bool capsOn;
    bool suspended;
    std::vector<int> taps;
};

TEST(CapsLockGuard, SuspendSwitchesCapsLockOffTheWayTheModeSays)
{
    const SuspendCase cases[] = {
        {"off: nothing to do", CapsLockMode::CapsKeyToggles, false, false, {}},
        {"toggles: Caps Lock key", CapsLockMode::CapsKeyToggles, true, true, {Vk::Capital}},
        {"shift releases: Shift", CapsLockMode::ShiftReleases, true, true, {Vk::Shift}},
        {"unknown mode counts as shift releases", static_cast<CapsLockMode>(7), true, true, {Vk::Shift}},
    };
    for (const SuspendCase& c : cases) {
        CapsBench bench;
        bench.keyboard.shiftReleasesCapsLock = c.mode != CapsLockMode::CapsKeyToggles;
        bench.keyboard.capsLockOn = c.capsOn;
        bench.typing.capsLockMode = c.mode;
        EXPECT_EQ(bench.guard.suspend(), c.suspended) << c.name;
        EventLog expected;
        for (int key : c.taps)
            tap(expected, key);
        EXPECT_EQ(bench.log, expected) << c.name;
        EXPECT_EQ(bench.keyboard.batches, std::vector<std::uint32_t>(c.taps.size(), 2u)) << c.name;
        for (const KeyEvent& event : bench.keyboard.sent)
            EXPECT_EQ(event.scanCode, event.virtualKey == Vk::Capital ? 0x3A : 0x2A) << c.name;
        EXPECT_FALSE(bench.keyboard.capsLockOn) << c.name;
        if (c.suspended) {
            bench.guard.restore();
            EXPECT_TRUE(bench.keyboard.capsLockOn) << c.name;
        }
    }
}

}  // namespace
}  // namespace orvanta
