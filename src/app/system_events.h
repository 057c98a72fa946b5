/*
 * What the system tells the program about its session and its ports,
 * decided without a window: whether the session takes keyboard input
 * after each session notification, and which COM port a device that
 * arrived is.
 */
#pragma once

#include <cstdint>

namespace orvanta {

// The session notifications, with the platform's values.
namespace SessionEvent {
inline constexpr std::uint32_t ConsoleConnect = 1, ConsoleDisconnect = 2, RemoteConnect = 3,
                               RemoteDisconnect = 4, Lock = 7, Unlock = 8;
}  // namespace SessionEvent

// A session reconnected while locked shows its lock screen: it takes
// input only when connected and unlocked.
class SessionInput {
public:
    void onEvent(std::uint32_t event);
    bool takesInput() const { return connected_ && !locked_; }

private:
    bool connected_ = true;
    bool locked_ = false;
};

// The number of a port named "COM<n>" (1 to 255), or -1 for any other name.
int comPortNumberOf(const char* name);

}  // namespace orvanta
