/*
 * Session state and port names from the system's notifications and queries.
 */
#include "app/system_events.h"

#include <cstring>

namespace orvanta {

void SessionInput::onEvent(std::uint32_t event)
{
    switch (event) {
    case SessionEvent::ConsoleConnect:
    case SessionEvent::RemoteConnect: connected_ = true; return;
    case SessionEvent::ConsoleDisconnect:
    case SessionEvent::RemoteDisconnect: connected_ = false; return;
    case SessionEvent::Lock: locked_ = true; return;
    case SessionEvent::Unlock: locked_ = false; return;
    default: return;
    }
}

SessionSnapshot sessionSnapshotOf(std::uint32_t connectState, std::int32_t lockFlags, bool lockFlagsSwapped)
{
    SessionSnapshot snapshot;
    if (connectState == SessionReport::Active)
        snapshot.connected = true;
    else if (connectState == SessionReport::Disconnected)
        snapshot.connected = false;
    if (lockFlags == SessionReport::Locked || lockFlags == SessionReport::Unlocked)
        snapshot.locked = (lockFlags == SessionReport::Locked) != lockFlagsSwapped;
    return snapshot;
}

void SessionInput::apply(const SessionSnapshot& snapshot)
{
    connected_ = snapshot.connected.value_or(connected_);
    locked_ = snapshot.locked.value_or(locked_);
}

// Without leading zeros, as the system names its ports.
int comPortNumberOf(const char* name)
{
    if (std::strncmp(name, "COM", 3) != 0 || name[3] < '1' || name[3] > '9')
        return -1;
    int number = 0;
    const char* digit = name + 3;
    for (; *digit >= '0' && *digit <= '9' && number <= 255; ++digit)
        number = number * 10 + (*digit - '0');
    return *digit == 0 && number <= 255 ? number : -1;
}

}  // namespace orvanta
