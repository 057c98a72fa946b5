/*
 * What the system tells the program about its session and its ports,
 * decided without a window: whether the session takes keyboard input
 * after each session notification or query, and which COM port a device
 * that arrived is.
 */
#pragma once

#include <cstdint>
#include <optional>

namespace orvanta {

// The session notifications, with the platform's values.
namespace SessionEvent {
inline constexpr std::uint32_t ConsoleConnect = 1, ConsoleDisconnect = 2, RemoteConnect = 3,
                               RemoteDisconnect = 4, Lock = 7, Unlock = 8;
}  // namespace SessionEvent

// What a query of the session reports, with the platform's values: its
// connect state, and its lock flags.
namespace SessionReport {
inline constexpr std::uint32_t Active = 0, Disconnected = 4;
inline constexpr std::int32_t Locked = 0, Unlocked = 1, Unknown = -1;
}  // namespace SessionReport

// The session as a query found it; what it could not tell stays unset.
struct SessionSnapshot {
    std::optional<bool> connected;
    std::optional<bool> locked;
};

// Windows 7 and Server 2008 R2 report the two lock flags the wrong way
// round. Connect states other than active and disconnected (a session
// still being set up or torn down) tell nothing about input.
SessionSnapshot sessionSnapshotOf(std::uint32_t connectState, std::int32_t lockFlags, bool lockFlagsSwapped);

// Session notifications come only after a registration that fails while
// the session service has not started yet, at logon: it is tried again
// this often, for as long as it fails.
constexpr std::uint32_t kSessionRegistrationRetryMs = 10000;

// A session reconnected while locked shows its lock screen: it takes
// input only when connected and unlocked. Notifications tell of changes
// only; a query tells how the session stands, which a program started in a
// locked session, or one that heard nothing for a while, needs as well.
class SessionInput {
public:
    void onEvent(std::uint32_t event);
    void apply(const SessionSnapshot& snapshot);
    bool takesInput() const { return connected_ && !locked_; }

private:
    bool connected_ = true;
    bool locked_ = false;
};

// The number of a port named "COM<n>" (1 to 255), or -1 for any other name.
int comPortNumberOf(const char* name);

}  // namespace orvanta
