#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "protocol/engine.h"
#include "protocol/record_line.h"

namespace orvanta {
namespace {

using testing::recordLine;

constexpr std::uint64_t kMs = 1000;

// An answer a worker will give: each worker's come in its own order.
struct Answer {
    std::uint64_t atUs;
    Event event;
    std::string bytes = {};   // of BytesArrived
};

// The collector behind the port: it answers each command the program
// writes, with the faults the test switches on.
struct Collector {
    std::vector<std::string> records = {"A1", "B2", "C3", "D4", "E5", "F6"};
    std::size_t next = 0;
    int sequence = 0;
    bool silentAfterReadAck = false;
    int damageFirst = -1, earlyTimeoutOf = -1, loseAckOf = -1;

    std::string current()
    {
        if (next >= records.size())
            return "OVER\r";
        std::string line = recordLine(sequence, records[next]);
        if (static_cast<int>(next) == std::exchange(damageFirst, -1))
            line[line.size() - 2] ^= 0x40;
        return line;
    }
};

// The engine's world: the collector, the port connections' worker, the
// typing worker and the journal, answering what the engine asks each in
// its own time, and the PC's events drawn at random. Nothing runs on a
// thread: the test decides which answer comes when, as threads could.
struct World {
    Settings settings{};
    Engine engine{settings};
    std::mt19937 random;
    std::uint64_t now = 0;
    std::deque<Answer> port, typing, journal, atOnce;
    Collector collector;
    ConnectionId open = 0;
    std::uint64_t received = 0;   // by the open connection
    std::size_t commandsHeard = 0;
    bool openFails = false, portGone = false, windowThere = true, stopped = false;
    bool cutNext = false;   // the window changes in the middle of the next record
    std::string typed, typedAgain;
    std::map<Ticket, std::string> jobs;   // given and not yet answered
    std::vector<Ticket> stops;
    Ticket live = 0;                      // given and neither answered nor stopped
    std::vector<std::string> batch;       // typed again, the last batch
    std::size_t batchRows = 0;
    bool againBusy = false;
    std::vector<std::size_t> copiesAllowed = std::vector<std::size_t>(6, 1);
    bool startedAgain = false;

    explicit World(unsigned seed) : random(seed)
    {
        applyDefaults(settings);
        settings.keepOnline = 1;
        settings.pollingSeconds = 2;
        settings.addCr = 0;
        feed(events::Started{});
    }

    int draw(int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); }
    std::uint64_t soon() { return now + static_cast<std::uint64_t>(draw(20)) * kMs; }

    void feed(const Event& event)
    {
        for (const Action& action : engine.on(event, now))
            carryOut(action);
        while (!atOnce.empty()) {
            const Answer answer = atOnce.front();
            atOnce.pop_front();
            feed(answer.event);
        }
    }

    void carryOut(const Action& action)
    {
        if (const auto* a = std::get_if<actions::OpenPort>(&action)) {
            port.push_back({soon(), events::PortOpened{a->connection, openFails ? StatusCode::PortOpenFailed : StatusCode::Ok}});
            open = openFails ? 0 : a->connection;
            received = 0;
        } else if (const auto* a = std::get_if<actions::ClosePort>(&action)) {
            if (open == a->connection)
                open = 0;
        } else if (const auto* a = std::get_if<actions::WriteCommand>(&action)) {
            write(a->connection, a->command);
        } else if (const auto* a = std::get_if<actions::TypeRecord>(&action)) {
            EXPECT_EQ(live, 0u) << "a record given while another is typed";
            live = a->ticket;
            jobs[a->ticket] = std::string(a->data.begin(), a->data.end());
            const std::uint64_t keysUs = a->data.size() * static_cast<std::uint64_t>(5 + draw(40)) * kMs;
            typing.push_back({now + keysUs, events::RecordTyped{a->ticket, TypingOutcome::Typed, 0, 1}});
        } else if (const auto* a = std::get_if<actions::StopTyping>(&action)) {
            stops.push_back(a->ticket);
        } else if (const auto* a = std::get_if<actions::WriteJournalRow>(&action)) {
            if (a->kind == RowKind::TypedAgain) {
                EXPECT_EQ(a->againIndex, batchRows++) << "typed again out of order";
            }
            journal.push_back({soon(), events::JournalRowWritten{a->ticket, true}});
        } else if (std::holds_alternative<actions::LookForRecordWindow>(action)) {
            atOnce.push_back({now, events::RecordWindowLooked{windowThere}});
        } else if (const auto* a = std::get_if<actions::ReportSeries>(&action)) {
            startedAgain = startedAgain || a->report.state == SeriesState::StartedAgain;
        } else if (std::holds_alternative<actions::TypeAgainEnded>(action)) {
            againBusy = false;
        }
    }

    // The port's worker writes and says so with what the port had received
    // by then, read or not (a copy the collector sent as the command went
    // out among it); the collector's answer comes after.
    void write(ConnectionId connection, Command command)
    {
        const bool written = connection == open && !portGone;
        commandsHeard += written;
        std::deque<Answer> answers;
        std::swap(answers, port);
        if (written)
            answer(command);
        std::swap(answers, port);
        std::uint64_t atPort = received;
        for (const std::deque<Answer>* q : {&port, &answers}) {
            for (const Answer& a : *q)
                atPort += a.atUs <= now && std::holds_alternative<events::BytesArrived>(a.event) ? a.bytes.size() : 0;
        }
        port.push_back({now, events::CommandWritten{connection, written, now, atPort}});
        port.insert(port.end(), answers.begin(), answers.end());
    }

    void arrive(const std::string& bytes, std::uint64_t atUs)
    {
        port.push_back({atUs, events::BytesArrived{open, {}}, bytes});
    }

    void answer(Command command)
    {
        Collector& c = collector;
        if (command == Command::Read) {
            c.sequence = 0;
            arrive("ACK\r", soon());
            if (!c.silentAfterReadAck)
                arrive(c.current(), soon() + 100 * kMs);
        } else if (command == Command::Ack) {
            if (c.next < 6 && c.loseAckOf < 0) {
                EXPECT_GT(copiesOf(typed, c.next), 0u) << "acknowledged before it was typed";
            }
            if (static_cast<int>(c.next) == std::exchange(c.earlyTimeoutOf, -1))
                arrive(c.current(), now);   // sent again before the ACK came
            if (static_cast<int>(c.next) == std::exchange(c.loseAckOf, -1)) {
                allowCopies();
                return arrive(c.current(), now + 50 * kMs);
            }
            ++c.next;
            c.sequence = (c.sequence + 1) % 10;
            arrive(c.current(), soon());
        } else if (!c.silentAfterReadAck) {
            arrive(c.current(), soon());
        }
    }

    // A record whose ACK was lost, or went down with the port, comes again
    // in the next transfer, which cannot tell it from a new scan of the same
    // code: it may be typed once more, and the one being typed when the
    // port goes is typed to its end.
    void allowCopies()
    {
        const std::size_t n = collector.next;
        const bool inFlight = live != 0 && std::isupper(static_cast<unsigned char>(jobs[live][0]));
        if (n < 6)
            copiesAllowed[n] = std::max(copiesAllowed[n], copiesOf(typed, n) + (inFlight ? 2 : 1));
    }

    static std::size_t copiesOf(const std::string& text, std::size_t r)
    {
        const std::string record{static_cast<char>('A' + r), static_cast<char>('1' + r)};
        std::size_t copies = 0;
        for (std::size_t at = text.find(record); at != std::string::npos; at = text.find(record, at + 1))
            ++copies;
        return copies;
    }

    // A worker's next answer; the typist's says what became of the record
    // as the window and any Stop left it. Lower case is typed again.
    void deliver(std::deque<Answer>& from)
    {
        Answer a = from.front();
        from.pop_front();
        now = std::max(now, a.atUs);
        if (auto* arrived = std::get_if<events::BytesArrived>(&a.event)) {
            if (arrived->connection == open)
                received += a.bytes.size();
            arrived->bytes = {reinterpret_cast<const std::uint8_t*>(a.bytes.data()), a.bytes.size()};
        }
        if (auto* record = std::get_if<events::RecordTyped>(&a.event)) {
            const std::string data = jobs[record->ticket];
            const bool stoppedHere = std::count(stops.begin(), stops.end(), record->ticket) > 0;
            record->typedAtUs = now;
            record->outcome = !windowThere ? TypingOutcome::NoRecordWindow
                              : stoppedHere || std::exchange(cutNext, false) ? TypingOutcome::NotWhole
                                                                             : TypingOutcome::Typed;
            (std::islower(static_cast<unsigned char>(data[0])) ? typedAgain : typed) +=
                record->outcome == TypingOutcome::Typed ? data : data.substr(0, record->outcome == TypingOutcome::NotWhole);
            if (live == record->ticket)
                live = 0;
        }
        feed(a.event);
    }

    // The earliest of what is due: a worker's answer or the deadline.
    bool advance(bool anyWorker)
    {
        std::deque<Answer>* queues[] = {&port, &typing, &journal};
        std::deque<Answer>* pick = nullptr;
        for (auto* q : queues) {
            if (!q->empty() && (!pick || q->front().atUs < pick->front().atUs || (anyWorker && draw(2))))
                pick = q;
        }
        const std::uint64_t deadline = engine.deadlineUs();
        if (pick && (deadline == 0 || pick->front().atUs <= deadline || (anyWorker && draw(3) == 0))) {
            deliver(*pick);
            return true;
        }
        if (deadline == 0)
            return false;
        now = std::max(now, deadline);
        feed(events::DeadlineDue{});
        return true;
    }

    void loseThePort()
    {
        if (open != 0 && !portGone) {
            allowCopies();
            portGone = true;
            port.push_back({now, events::PortLost{open}});
            open = 0;
        }
    }

    void typeAgain()
    {
        if (againBusy)
            return;
        againBusy = true;
        std::vector<std::string> lines;
        for (int r = draw(6), n = 1 + draw(2); n > 0; --n, r = (r + 1) % 6)
            lines.push_back(recordLine(0, std::string{static_cast<char>('a' + r), static_cast<char>('1' + r)}, false));
        batch = lines;
        batchRows = 0;
        feed(events::TypeAgain{lines});
    }

    void stopOrStart()
    {
        feed(stopped ? Event{events::Started{}} : Event{events::Stopped{}});
        stopped = !stopped;
    }

    void step()
    {
        Collector& c = collector;
        switch (draw(30)) {
        case 0: case 1: case 2: case 3: case 4: case 5: advance(true); return;
        case 6: c.silentAfterReadAck = !c.silentAfterReadAck; return;
        case 7: c.damageFirst = static_cast<int>(c.next); return;
        case 8: c.earlyTimeoutOf = static_cast<int>(c.next); return;
        case 9: c.loseAckOf = static_cast<int>(c.next); return;
        case 10: openFails = !openFails; return;
        case 11: return loseThePort();
        case 12: portGone = false; return feed(events::PortArrived{draw(2) ? settings.comPort : 0});
        case 13: windowThere = !windowThere; return;
        case 19: cutNext = true; return;
        case 14: return feed(draw(2) ? Event{events::Suspending{}} : Event{events::Resumed{}});
        case 15: return feed(draw(2) ? Event{events::SessionQuery{}} : Event{events::SessionGoesOn{}});
        case 16: return typeAgain();
        case 17: return feed(events::WatchdogLook{});
        case 18: return stopOrStart();
        default: advance(draw(2)); return;
        }
    }

    // Everything is as it should be again, and the user has not stopped.
    void mend()
    {
        collector.silentAfterReadAck = openFails = portGone = cutNext = false;
        windowThere = true;
        feed(events::SessionGoesOn{});
        if (stopped)
            stopOrStart();
    }
};

// Typed letters read as the records in order: a record may be preceded by a
// piece of it (its typing was stopped) or followed by a copy of it. Returns
// how many records were read; -1 when something else was typed.
int readRecords(const std::string& typed, const std::vector<std::string>& records)
{
    std::size_t at = 0, next = 0;
    while (at < typed.size()) {
        if (next < records.size() && typed.compare(at, records[next].size(), records[next]) == 0) {
            at += records[next++].size();
        } else if (next > 0 && typed.compare(at, records[next - 1].size(), records[next - 1]) == 0) {
            at += records[next - 1].size();
        } else if ((next < records.size() && typed[at] == records[next][0]) ||
                   (next > 0 && typed[at] == records[next - 1][0])) {
            ++at;   // a piece: the record, or its copy, comes whole after it
        } else {
            return -1;
        }
    }
    return static_cast<int>(next);
}

// A keep-online series cannot stop by itself: in thousands of random
// interleavings of lines, collector faults, workers answering late, port
// loss and arrival, sleep, the session's question, windows that go,
// records typed again and Stop/Start, the series always waits for a
// deadline or a worker, and once the faults are mended it sends a command
// within a poll and the settle pause, until every record is typed once
// and acknowledged. Records typed again take turns with the transfer's,
// in their order, and the watchdog never steps in.
TEST(KeepOnline, ASeriesCannotStopByItself)
{
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        World w(seed);
        for (int i = 0; i < 200 && !HasFailure(); ++i) {
            w.step();
            if (!w.stopped && w.engine.deadlineUs() == 0 && !w.engine.awaitsWorker())
                ADD_FAILURE() << "seed " << seed << ": nothing to wait for after step " << i;
        }
        w.mend();
        std::uint64_t quietSince = w.now;
        for (int i = 0; i < 600 && w.collector.next < 6 && !HasFailure(); ++i) {
            const std::size_t heard = w.commandsHeard;
            ASSERT_TRUE(w.advance(false)) << "seed " << seed << ": the series stopped";
            if (w.commandsHeard != heard)
                quietSince = w.now;
            ASSERT_LE(w.now - quietSince, (2000 + kReopenSettleMs + 500) * kMs) << "seed " << seed << ": no command for too long";
        }
        EXPECT_EQ(readRecords(w.typed, w.collector.records), 6) << "seed " << seed << ": typed " << w.typed;
        EXPECT_EQ(w.collector.next, 6u) << "seed " << seed;
        for (std::size_t r = 0; r < 6; ++r)
            EXPECT_LE(World::copiesOf(w.typed, r), w.copiesAllowed[r]) << "seed " << seed << ": " << w.typed;
        EXPECT_FALSE(w.startedAgain) << "seed " << seed << ": the watchdog stepped in";
        if (HasFailure())
            return;
    }
}

}  // namespace
}  // namespace orvanta
