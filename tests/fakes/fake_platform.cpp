/*
 * Fake platform services.
 */
#include "fakes/fake_platform.h"

#include <algorithm>

namespace orvanta::fakes {

bool FakeComPort::open(const char* deviceName)
{
    log_.push_back({"open", 0, deviceName});
    return !openFails;
}

bool FakeComPort::configure(const LineConfig& config)
{
    applied = config;
    log_.push_back({"line", config.baudRate, config.rtsOn ? "rts on" : "rts off"});
    return !configureFails;
}

void FakeComPort::deliverArrived()
{
    for (auto it = scheduled.begin(); it != scheduled.end();) {
        if (static_cast<std::int32_t>(clock_.now - it->first) >= 0) {
            receive(it->second);
            it = scheduled.erase(it);
        } else {
            ++it;
        }
    }
}

std::uint32_t FakeComPort::unread()
{
    deliverArrived();
    return static_cast<std::uint32_t>(input.size());
}

void FakeComPort::discard()
{
    log_.push_back({"discard"});
    deliverArrived();
    input.clear();
}

// A read with nothing queued waits until a scheduled byte arrives or its
// time is up, whichever is first: the clock moves on by that much.
std::int32_t FakeComPort::read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs)
{
    if (readFails)
        return -1;
    deliverArrived();
    if (input.empty()) {
        std::uint32_t waited = waitMs;
        for (const auto& [time, bytes] : scheduled) {
            const auto until = static_cast<std::int32_t>(time - clock_.now);
            if (until >= 0 && static_cast<std::uint32_t>(until) < waited)
                waited = static_cast<std::uint32_t>(until);
        }
        clock_.now += waited;
        deliverArrived();
    }
    std::uint32_t n = 0;
    for (; n < count && !input.empty(); ++n) {
        buffer[n] = input.front();
        input.pop_front();
    }
    return static_cast<std::int32_t>(n);
}

// Dropping what came unread drops what has reached the port by then.
bool FakeComPort::write(const std::uint8_t* bytes, std::uint32_t count, bool dropUnread)
{
    deliverArrived();
    if (dropUnread)
        input.clear();
    if (writeFails || deviceGone) {
        log_.push_back({"write failed"});
        return false;
    }
    const std::string text(reinterpret_cast<const char*>(bytes), count);
    log_.push_back(sent(text));
    if (onWrite)
        onWrite(text, applied);
    return true;
}

void FakeMessageBoxes::show(WindowId owner, const char* text, const char* caption, std::uint32_t style)
{
    log_.push_back({"box", style, std::string(caption) + ": " + text});
    (void)owner;
}

std::string typedLetters(const EventLog& log)
{
    std::string letters;
    for (const Event& e : log) {
        if (e.kind == "down" && ((e.value >= 'A' && e.value <= 'Z') || (e.value >= '0' && e.value <= '9')))
            letters += static_cast<char>(e.value);
    }
    return letters;
}

EventLog only(const EventLog& log, std::initializer_list<const char*> kinds)
{
    EventLog picked;
    for (const Event& e : log) {
        if (std::any_of(kinds.begin(), kinds.end(), [&e](const char* k) { return e.kind == k; }))
            picked.push_back(e);
    }
    return picked;
}

}  // namespace orvanta::fakes
