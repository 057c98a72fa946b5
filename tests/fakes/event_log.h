/*
 * One ordered record of everything the fakes were asked to do, so a test
 * can assert on the exact interleaving of key events, pauses, writes and
 * timers.
 */
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace orvanta::fakes {

struct Event {
    std::string kind;        // "down", "up", "sleep", ...
    std::uint64_t value = 0;
    std::string text = {};   // bytes written, device names, ...

    bool operator==(const Event&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Event& event)
{
    out << event.kind << ' ' << event.value;
    if (!event.text.empty())
        out << " \"" << event.text << '"';
    return out;
}

using EventLog = std::vector<Event>;

inline Event down(std::uint64_t key) { return {"down", key}; }
inline Event up(std::uint64_t key) { return {"up", key}; }
inline Event pause(std::uint64_t ms) { return {"sleep", ms}; }
inline Event idle(std::uint64_t ms) { return {"idle", ms}; }
inline Event unicodeDown(std::uint64_t unit) { return {"unicode down", unit}; }
inline Event unicodeUp(std::uint64_t unit) { return {"unicode up", unit}; }

// Appends the two events of a tap to an expected sequence.
inline void tap(EventLog& expected, std::uint64_t key)
{
    expected.push_back(down(key));
    expected.push_back(up(key));
}

// The two events of a character typed as Unicode.
inline void typeUnit(EventLog& expected, std::uint64_t unit)
{
    expected.push_back(unicodeDown(unit));
    expected.push_back(unicodeUp(unit));
}

}  // namespace orvanta::fakes
