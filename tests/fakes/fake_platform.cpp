/*
 * Fake platform services.
 */
#include "fakes/fake_platform.h"

namespace orvanta::fakes {

bool FakeComPort::open(const char* deviceName)
{
    log_.push_back({"open", 0, deviceName});
    return !openFails;
}

bool FakeComPort::getLineConfig(LineConfig& config)
{
    config = applied;
    return true;
}

bool FakeComPort::setLineConfig(const LineConfig& config)
{
    applied = config;
    log_.push_back({"line", config.baudRate, config.rtsOn ? "rts on" : "rts off"});
    return true;
}

std::uint32_t FakeComPort::clearErrors()
{
    deliverArrived();
    return static_cast<std::uint32_t>(input.size());
}

// A purge drops what has reached the port by then.
void FakeComPort::purge(PurgeFlag flags)
{
    log_.push_back(purged(flags));
    deliverArrived();
    if (hasFlag(flags, PurgeFlag::RxClear))
        input.clear();
}

bool FakeComPort::setEventMask(std::uint32_t mask)
{
    log_.push_back({"mask", mask});
    return mask == 0 || !maskFails;
}

// Like a pseudo-terminal under wine: the wait never blocks.
bool FakeComPort::waitEvent(std::uint32_t& mask)
{
    mask = 0;
    return false;
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

// A read with nothing queued waits until a scheduled byte arrives or its
// time is up, whichever is first: the clock moves on by that much.
std::int32_t FakeComPort::read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs)
{
    if (readFails)
        return -1;
    deliverArrived();
    if (input.empty() && readsReturnAtOnce)
        return 0;
    if (input.empty()) {
        std::uint32_t waited = waitMs;
        for (const auto& [time, bytes] : scheduled) {
            const auto until = static_cast<std::int32_t>(time - clock_.now);
            if (until >= 0 && static_cast<std::uint32_t>(until) < waited)
                waited = static_cast<std::uint32_t>(until);
        }
        clock_.now += waited;
        deliverArrived();
        if (input.empty())
            return 0;
    }
    std::uint32_t n = 0;
    for (; n < count && !input.empty(); ++n) {
        buffer[n] = input.front();
        input.pop_front();
    }
    if (logReads)
        log_.push_back({"read", n});
    return static_cast<std::int32_t>(n);
}

bool FakeComPort::write(const std::uint8_t* bytes, std::uint32_t count)
{
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

bool FakeThreadHost::start(void (*body)(void*), void* argument)
{
    log_.push_back({"thread start"});
    body_ = body;
    argument_ = argument;
    ended = false;
    if (startFails)
        return false;
    if (runAtStart) {
        body(argument);
        ended = true;
    }
    return true;
}

void FakeTimer::arm(Deadline which, std::uint32_t interval)
{
    if (relayed) {
        pending.emplace_back(which, interval);
        return;
    }
    armed = true;
    deadline = which;
    intervalMs = interval;
    log_.push_back(timerSet(interval));
}

void FakeTimer::stop()
{
    if (relayed) {
        pending.emplace_back(deadline, 0);
        return;
    }
    armed = false;
    log_.push_back(timerKill());
}

void FakeTimer::carryOutPending()
{
    const auto requests = std::move(pending);
    pending.clear();
    for (const auto& [which, interval] : requests) {
        if (interval > 0)
            arm(which, interval);
        else
            stop();
    }
}

void FakeMessageBoxes::show(WindowId, const char* text, const char* caption, std::uint32_t style)
{
    log_.push_back({"box", style, std::string(caption) + ": " + text});
}

FakeProgram::FakeProgram()
    : program(std::make_unique<Program>(Platform{clock, keyboard, comPort, threads, timer, boxes}))
{
    program->failureBoxes.owner = kDialogWindow;
    program->typing.keyboardLayout = kUsLayout;
    program->typing.capsLockMode = CapsLockMode::CapsKeyToggles;
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

EventLog FakeProgram::only(std::initializer_list<const char*> kinds) const
{
    EventLog picked;
    for (const Event& event : log) {
        for (const char* kind : kinds) {
            if (event.kind == kind)
                picked.push_back(event);
        }
    }
    return picked;
}

std::string FakeProgram::written() const
{
    std::string all;
    for (const Event& event : log) {
        if (event.kind == "write")
            all += event.text;
    }
    return all;
}

}  // namespace orvanta::fakes
