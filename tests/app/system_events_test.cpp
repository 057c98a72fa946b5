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
