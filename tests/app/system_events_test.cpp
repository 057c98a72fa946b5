#include <gtest/gtest.h>

#include <vector>

#include "app/system_events.h"

namespace orvanta {
namespace {

// Keys go nowhere while the session is locked or disconnected; a session
// reconnected while locked still shows its lock screen.
TEST(SessionInput, TakesInputOnlyConnectedAndUnlocked)
{
    using namespace SessionEvent;
    const struct {
        std::vector<std::uint32_t> events;
        bool takesInput;
    } table[] = {
        {{}, true},
        {{Lock}, false},
        {{Lock, Unlock}, true},
        {{ConsoleDisconnect}, false},
        {{ConsoleDisconnect, RemoteConnect}, true},
        {{Lock, RemoteDisconnect, RemoteConnect}, false},
        {{Lock, RemoteDisconnect, RemoteConnect, Unlock}, true},
    };
    for (const auto& row : table) {
        SessionInput session;
        for (std::uint32_t event : row.events)
            session.onEvent(event);
        EXPECT_EQ(session.takesInput(), row.takesInput) << row.events.size();
    }
}

// The state a query reads at start and after a late registration; Windows
// 7 swaps the lock flags, and what the query cannot tell stays as it was.
TEST(SessionInput, AQueryOverridesWhatItKnows)
{
    using namespace SessionEvent;
    using namespace SessionReport;
    constexpr std::uint32_t kConnecting = 1;
    const struct {
        std::vector<std::uint32_t> events;
        std::uint32_t connectState;
        std::int32_t lockFlags;
        bool windows7;
        bool takesInput;
    } table[] = {
        {{}, Active, Locked, false, false},
        {{Lock}, Active, Unlocked, false, true},
        {{}, Active, Unlocked, true, false},
        {{Lock}, Active, Locked, true, true},
        {{Lock}, Active, Unknown, false, false},
        {{}, Active, Unknown, true, true},
        {{}, Disconnected, Unlocked, false, false},
        {{ConsoleDisconnect}, Active, Unlocked, false, true},
        {{ConsoleDisconnect}, kConnecting, Unlocked, false, false},
    };
    for (const auto& row : table) {
        SessionInput session;
        for (std::uint32_t event : row.events)
            session.onEvent(event);
        session.apply(sessionSnapshotOf(row.connectState, row.lockFlags, row.windows7));
        EXPECT_EQ(session.takesInput(), row.takesInput)
            << row.events.size() << ' ' << row.connectState << ' ' << row.lockFlags << ' ' << row.windows7;
    }
}

TEST(SessionInput, PortNamesOfArrivingDevices)
{
    const struct {
        const char* name;
        int port;
    } table[] = {{"COM1", 1}, {"COM12", 12}, {"COM255", 255}, {"COM256", -1}, {"COM0", -1},
                 {"COM05", -1}, {"COM", -1}, {"LPT1", -1}, {"COM3x", -1}, {"com3", -1}};
    for (const auto& row : table)
        EXPECT_EQ(comPortNumberOf(row.name), row.port) << row.name;
}

}  // namespace
}  // namespace orvanta
