/*
 * The engine driven by a script: each step is a moment, an event in words
 * and the actions the engine must give for it, in words. The words are
 * those of describe(); the events are read back from them:
 *
 *   start, stop, opened C [STATUS], bytes C <bytes>, written C [received N],
 *   write failed C, lost C, arrived N, typed T [window W], not whole T,
 *   no window T, row T, row failed T, due, window, no window, suspend,
 *   resume, session query, session end, session goes on, type again <line>|..,
 *   watchdog
 */
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/engine.h"

namespace orvanta::testing {

struct Step {
    std::uint64_t atMs;
    std::string event;
    std::string actions;   // joined by "; ", in order
};

// The number after a word, and the rest after it.
inline std::uint64_t numberAt(const std::string& text, std::size_t at, std::size_t* end = nullptr)
{
    char* stop = nullptr;
    const std::uint64_t value = std::strtoull(text.c_str() + at, &stop, 10);
    if (end)
        *end = static_cast<std::size_t>(stop - text.c_str());
    return value;
}

inline bool startsWith(const std::string& text, const char* word)
{
    return text.rfind(word, 0) == 0;
}

struct EngineScript {
    Settings settings{};
    Engine engine{settings};
    std::string storage;                 // the bytes of the event being fed
    std::vector<std::string> againLines;
    std::uint64_t nowMs = 0;

    EngineScript() { applyDefaults(settings); }

    Event parse(const std::string& text)
    {
        namespace e = events;
        std::size_t end = 0;
        auto at = [&](const char* word) { return numberAt(text, std::string(word).size(), &end); };
        if (text == "start") return e::Started{};
        if (text == "stop") return e::Stopped{};
        if (text == "due") return e::DeadlineDue{};
        if (text == "window") return e::RecordWindowLooked{true};
        if (text == "no window") return e::RecordWindowLooked{false};
        if (text == "suspend") return e::Suspending{};
        if (text == "resume") return e::Resumed{};
        if (text == "session query") return e::SessionQuery{};
        if (text == "session end") return e::SessionEnded{};
        if (text == "session goes on") return e::SessionGoesOn{};
        if (text == "watchdog") return e::WatchdogLook{};
        if (startsWith(text, "opened ")) {
            const auto c = static_cast<ConnectionId>(at("opened "));
            const int status = end < text.size() ? std::atoi(text.c_str() + end) : 1;
            return e::PortOpened{c, static_cast<StatusCode>(status)};
        }
        if (startsWith(text, "bytes ")) {
            const auto c = static_cast<ConnectionId>(at("bytes "));
            storage = text.substr(end + 1);
            return e::BytesArrived{c, {reinterpret_cast<const std::uint8_t*>(storage.data()), storage.size()}};
        }
        if (startsWith(text, "written ")) {
            const auto c = static_cast<ConnectionId>(at("written "));
            const std::uint64_t received = end < text.size() ? numberAt(text, text.find("received") + 8) : 0;
            return e::CommandWritten{c, true, nowMs * 1000, received};
        }
        if (startsWith(text, "write failed ")) return e::CommandWritten{static_cast<ConnectionId>(at("write failed ")), false, nowMs * 1000, 0};
        if (startsWith(text, "lost ")) return e::PortLost{static_cast<ConnectionId>(at("lost "))};
        if (startsWith(text, "arrived ")) return e::PortArrived{static_cast<int>(at("arrived "))};
        if (startsWith(text, "moved ")) {
            const auto c = static_cast<ConnectionId>(at("moved "));
            return e::AdapterMoved{c, static_cast<int>(numberAt(text, text.find("COM") + 3))};
        }
        if (startsWith(text, "typed ")) {
            const auto t = static_cast<Ticket>(at("typed "));
            const WindowId w = end < text.size() ? numberAt(text, text.find("window") + 6) : 7;
            return e::RecordTyped{t, TypingOutcome::Typed, nowMs * 1000, w};
        }
        if (startsWith(text, "not whole ")) return e::RecordTyped{static_cast<Ticket>(at("not whole ")), TypingOutcome::NotWhole, nowMs * 1000, 0};
        if (startsWith(text, "no window ")) return e::RecordTyped{static_cast<Ticket>(at("no window ")), TypingOutcome::NoRecordWindow, nowMs * 1000, 0};
        if (startsWith(text, "row failed ")) return e::JournalRowWritten{static_cast<Ticket>(at("row failed ")), false};
        if (startsWith(text, "row ")) return e::JournalRowWritten{static_cast<Ticket>(at("row ")), true};
        if (startsWith(text, "type again ")) {
            std::vector<std::string> lines;
            std::string rest = text.substr(11);
            for (std::size_t bar; (bar = rest.find('|')) != std::string::npos; rest.erase(0, bar + 1))
                lines.push_back(rest.substr(0, bar));
            lines.push_back(rest);
            return e::TypeAgain{lines};
        }
        ADD_FAILURE() << "no such event: " << text;
        return e::WatchdogLook{};
    }

    std::string feed(std::uint64_t atMs, const std::string& text)
    {
        nowMs = atMs;
        std::string said;
        for (const Action& action : engine.on(parse(text), atMs * 1000))
            said += (said.empty() ? "" : "; ") + describe(action, atMs * 1000);
        return said;
    }

    void run(const std::vector<Step>& steps)
    {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            EXPECT_EQ(feed(s.atMs, s.event), s.actions) << "step " << i << " at " << s.atMs << " ms: " << s.event;
        }
    }
};

}  // namespace orvanta::testing
