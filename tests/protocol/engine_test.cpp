#include <gtest/gtest.h>

#include "protocol/engine_script.h"
#include "protocol/record_line.h"

namespace orvanta {
namespace {

using testing::EngineScript;
using testing::recordLine;
using testing::Step;

const std::string r0 = recordLine(0, "ab"), r1 = recordLine(1, "cd"), r2 = recordLine(2, "ef");

// A record line with its checksum wrong.
std::string damaged(std::string line)
{
    line[line.size() - 2] ^= 0x40;
    return line;
}

// A line as the journal keeps it, without its CR.
std::string kept(const std::string& line)
{
    return line.substr(0, line.size() - 1);
}

// The record's line as a journal row shows it.
std::string row(Ticket ticket, int sequence, const std::string& data, bool first = false)
{
    std::string line = recordLine(sequence, data, false);
    std::string text = "row " + std::to_string(ticket) + " \"";
    for (unsigned char c : line) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c >= ' ' && c < 0x7F && c != '"' ? "%c" : "\\x%02X", c);
        text += escaped;
    }
    return text + "\"" + (first ? " first" : "") + "; arm +100";
}

// A transfer that has sent READ and had it acknowledged, at 310 ms.
void receiving(EngineScript& s, bool keepOnline = false)
{
    s.settings.addCr = 0;
    s.settings.keepOnline = keepOnline ? 1 : 0;
    s.settings.pollingSeconds = 2;
    s.feed(0, "start");
    s.feed(5, "opened 1");
    if (keepOnline)
        s.feed(5, "window");
    s.feed(105, "due");
    s.feed(105, "written 1");
    s.feed(205, "due");
    s.feed(210, "bytes 1 ACK\r");
    s.feed(310, "due");
}

struct Case {
    const char* name;
    std::vector<Step> steps;
};

// Each case's steps from a transfer whose READ has been acknowledged.
void runFromReceiving(const std::vector<Case>& cases, bool keepOnline = false)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineScript s;
        receiving(s, keepOnline);
        s.run(c.steps);
    }
}

TEST(Engine, AOneShotTransferTypesEachRecordJournalsItAndAcknowledgesItAfterThePause)
{
    EngineScript s;
    s.settings.addCr = 0;
    s.run({
        {0, "start", "open 1"},
        {5, "opened 1", "arm +100"},
        {105, "due", "write 1 READ"},
        {105, "written 1", "arm +100"},
        {205, "due", "arm +300"},
        {210, "bytes 1 ACK\r", "arm +100"},
        {310, "due", "arm +300"},
        {320, "bytes 1 " + r0, "type 1 \"ab\" fresh"},
        {330, "typed 1", row(1, 0, "ab", true)},
        {331, "row 1", ""},
        {430, "due", "write 1 ACK"},
        {430, "written 1 received 10", "arm +100"},
        {440, "bytes 1 " + r1, ""},   // held in the pause after the ACK
        {530, "due", "type 2 \"cd\""},
        {540, "typed 2", row(2, 1, "cd")},
        {541, "row 2", ""},
        {640, "due", "write 1 ACK"},
        {640, "written 1 received 16", "arm +100"},
        {650, "bytes 1 OVER\r", ""},
        {740, "due", "batch 2; close 1; ended Ok"},
    });
}

// The answer to a READ is heard in the pause after it, as the collector
// gives it at once; the pause after the acknowledgement runs from there.
TEST(Engine, TheAnswerToAReadIsHeardInThePauseAfterIt)
{
    EngineScript s;
    s.run({
        {0, "start", "open 1"},
        {0, "opened 1", "arm +100"},
        {100, "due", "write 1 READ"},
        {100, "written 1", "arm +100"},
        {101, "bytes 1 ACK\r", "arm +100"},
        {201, "due", "arm +300"},
    });
}

// Each fault of the line is answered so that every record is typed once.
TEST(Engine, LineFaultsAreAnsweredAndEveryRecordIsTypedOnce)
{
    runFromReceiving({
        {"a copy that comes alone after the ACK: the ACK was lost, and goes again",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)}, {331, "row 1", ""},
          {430, "due", "write 1 ACK"}, {430, "written 1 received 10", "arm +100"}, {530, "due", "arm +300"},
          {700, "bytes 1 " + r0, "arm +100"}, {800, "due", "write 1 ACK"}}},
        {"a copy that reached the port before the ACK went out gets no answer of its own",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)}, {331, "row 1", ""},
          {430, "due", "write 1 ACK"}, {430, "written 1 received 16", "arm +100"}, {440, "bytes 1 " + r0, ""},
          {530, "due", "arm +300"}, {830, "due", "arm +100"}, {930, "due", "write 1 NAK"}}},
        {"a copy with the next record behind it: the next is typed, the copy not answered",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)}, {331, "row 1", ""},
          {430, "due", "write 1 ACK"}, {430, "written 1 received 10", "arm +100"}, {530, "due", "arm +300"},
          {700, "bytes 1 " + r0 + r1, "type 2 \"cd\""}}},
        {"a copy whose next record comes in the pause before the answer",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)}, {331, "row 1", ""},
          {430, "due", "write 1 ACK"}, {430, "written 1 received 10", "arm +100"}, {530, "due", "arm +300"},
          {700, "bytes 1 " + r0, "arm +100"}, {750, "bytes 1 " + r1, ""}, {800, "due", "type 2 \"cd\""}}},
        {"a damaged record: NAK after the pause, and its next copy is typed",
         {{320, "bytes 1 " + damaged(r0), "arm +100"}, {420, "due", "write 1 NAK"}, {420, "written 1", "arm +100"},
          {520, "due", "arm +300"}, {530, "bytes 1 " + r0, "type 1 \"ab\" fresh"}}},
        {"a line in the pause before a NAK is heard, and the NAK stays home",
         {{320, "bytes 1 noise\r", "arm +100"}, {360, "bytes 1 " + r0, "type 1 \"ab\" fresh"}}},
        {"noise in the pause before a NAK does not put the NAK off",
         {{320, "bytes 1 noise\r", "arm +100"}, {360, "bytes 1 more noise\r", ""}, {420, "due", "write 1 NAK"}}},
        {"a record with OVER in its data is typed",
         {{320, "bytes 1 " + recordLine(0, "COVER12"), "type 1 \"COVER12\" fresh"}}},
        {"a damaged record with OVER in its data is no end marker",
         {{320, "bytes 1 " + damaged(recordLine(0, "COVER")), "arm +100"}}},
        {"noise drops the rest of its chunk; the record's lone CR is no line to acknowledge",
         {{320, "bytes 1 \x07#~\r" + r0.substr(0, 5), "arm +100"}, {330, "bytes 1 \r", ""},
          {420, "due", "write 1 NAK"}}},
        {"a slow record: each piece starts the answer's time-out again, and no NAK goes out meanwhile",
         {{320, "bytes 1 " + r0.substr(0, 2), "arm +300"}, {600, "bytes 1 " + r0.substr(2, 2), "arm +300"},
          {880, "bytes 1 " + r0.substr(4), "type 1 \"ab\" fresh"}}},
        {"an over-long line stops counting as arriving, and gets its NAK",
         {{320, "bytes 1 " + std::string(1015, 'x'), ""}, {330, "bytes 1 xxxx", ""}, {610, "due", "arm +100"},
          {710, "due", "write 1 NAK"}}},
        {"the end marker completes the transfer at once",
         {{320, "bytes 1 OVER\r" "OVER\r", "close 1; ended Ok"}, {330, "bytes 1 OVER\r", ""}}},
    });
}

// A record that did not go in whole is forgotten, so that the collector's
// next copy is typed, not taken for a repeat.
TEST(Engine, ARecordNotTypedWholeIsTypedAgainFromTheNextCopy)
{
    runFromReceiving({
        {"the window changed part-way: a NAK brings the next copy",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "not whole 1", "arm +100"},
          {340, "bytes 1 " + r0, "type 2 \"ab\""}}},
        {"no window could take it: the collector keeps it, and a fresh READ comes once one can",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "no window 1", "look"}, {330, "no window", "arm +500"},
          {400, "bytes 1 " + r0, ""}, {830, "due", "look"}, {830, "window", "arm +100"}, {930, "due", "write 1 READ"}}},
        {"no window within the NAKs' time: the one-shot transfer gives up",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "no window 1", "look"}, {330, "no window", "arm +500"},
          {830, "due", "look"}, {830, "no window", "arm +500"}, {1330, "due", "look"}, {1330, "no window", "arm +500"},
          {1830, "due", "look"}, {1830, "no window", "arm +500"}, {2330, "due", "look"},
          {2330, "no window", "arm +500"}, {2830, "due", "look"}, {2830, "no window", "arm +500"},
          {3330, "due", "look"}, {3330, "no window", "close 1; ended -108"}}},
    });
}

// The steps of a command that gets no answer: its pause, its writing, the
// pause after it, and its time-out, which asks for the next one.
std::vector<Step> unanswered(Command command, std::uint64_t fromMs, int times, const std::string& end)
{
    const std::string name = command == Command::Read ? "READ" : "NAK";
    std::vector<Step> steps;
    for (int i = 0; i < times; ++i) {
        const std::uint64_t t = fromMs + 500u * static_cast<std::uint64_t>(i);
        steps.push_back({t, "due", "write 1 " + name});
        steps.push_back({t, "written 1", "arm +100"});
        steps.push_back({t + 100, "due", "arm +300"});
        steps.push_back({t + 400, "due", i + 1 < times ? "arm +100" : end});
    }
    return steps;
}

// 7 READs, or 6 NAKs: the next time-out gives the one-shot transfer up.
TEST(Engine, GivesUpAfterSixRetries)
{
    EngineScript silent;
    silent.feed(0, "start");
    silent.feed(0, "opened 1");
    silent.run(unanswered(Command::Read, 100, 7, "close 1; ended -104"));

    EngineScript quiet;
    receiving(quiet);
    quiet.feed(610, "due");
    quiet.run(unanswered(Command::Nak, 710, 6, "close 1; ended -105"));
}

// Stop, the session's question and a lost port while records are typed.
TEST(Engine, StopAndPortLossAtEachStepOfARecord)
{
    runFromReceiving({
        {"Stop while it is typed: it stops at its next key, unacknowledged",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {325, "stop", "close 1; stop typing 1"},
          {330, "not whole 1", ""}}},
        {"Stop after its last key: the connection stays for its ACK, then closes",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)},
          {340, "stop", ""}, {341, "row 1", ""}, {430, "due", "write 1 ACK"}, {430, "written 1", "close 1"},
          {440, "start", "open 2"}}},
        {"the session's question while it is typed",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {325, "session query", "close 1; stop typing 1"}}},
        {"the port goes while it is typed: it is typed to its end, and not acknowledged",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {325, "lost 1", "close 1; ended -107"},
          {330, "typed 1", ""}}},
        {"the port goes in the pause before the ACK",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)},
          {340, "lost 1", "close 1; ended -107"}}},
        {"a failed ACK becomes a NAK",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)}, {331, "row 1", ""},
          {430, "due", "write 1 ACK"}, {430, "write failed 1", "arm +100"}, {530, "due", "write 1 NAK"}}},
        {"the ACK waits for the journal's row, but not for good",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)},
          {430, "due", "arm +5000"}, {5430, "due", "write 1 ACK"}}},
    });
}

// A keep-online series polls again after each transfer and after each
// failure, types a first record equal to the last one of the transfer
// before, and sends no READ while no window could take a record.
TEST(Engine, AKeepOnlineSeriesGoesOnAfterEveryEnd)
{
    runFromReceiving({
        {"the next poll after the end marker, and the same record once more",
         {{320, "bytes 1 " + r0, "type 1 \"ab\" fresh"}, {330, "typed 1", row(1, 0, "ab", true)}, {331, "row 1", ""},
          {430, "due", "write 1 ACK"}, {430, "written 1 received 10", "arm +100"}, {440, "bytes 1 OVER\r", ""},
          {530, "due", "batch 1; arm +2000"}, {2530, "due", "look"}, {2530, "window", "arm +100"},
          {2630, "due", "write 1 READ"}, {2630, "written 1", "arm +100"}, {2730, "due", "arm +2000"},
          {2740, "bytes 1 ACK\r" + r0, "arm +100"}, {2840, "due", "type 2 \"ab\""}}},
        {"no READ while no window could take a record",
         {{320, "bytes 1 OVER\r", "arm +2000"}, {2320, "due", "look"},
          {2320, "no window", "report no window; arm +2000"}, {4320, "due", "look"}, {4320, "window", "arm +100"},
          {4420, "due", "write 1 READ"}, {4420, "written 1", "report collecting; arm +100"}}},
        {"records stop coming: after the NAKs the port closes, and the next poll opens it",
         {{610, "due", "arm +100"}, {710, "due", "write 1 NAK"}, {710, "write failed 1",
                                                                  "close 1; report waiting for port; arm +2000"},
          {2710, "due", "open 2"}, {2720, "opened 2", "look"}}},
        {"the port goes: the next poll opens it anew, and the old connection's words are dropped",
         {{400, "lost 1", "close 1; report waiting for port; arm +2000"}, {500, "bytes 1 x\r", ""},
          {2400, "due", "open 2"}, {2400, "opened 2 -101", "report waiting for port; arm +2000"},
          {4400, "due", "open 3"}, {4400, "opened 3", "look"}, {4400, "window", "arm +100"},
          {4450, "bytes 1 ACK\r", ""}, {4450, "written 1", ""}, {4500, "due", "write 3 READ"}}},
        {"what reached the port before a READ went out is stale",
         {{400, "bytes 1 OVER\r", "arm +2000"}, {2400, "due", "look"}, {2400, "window", "arm +100"},
          {2500, "due", "write 1 READ"}, {2500, "bytes 1 OVER\r", ""}, {2500, "written 1", "arm +100"},
          {2600, "due", "arm +2000"}}},
        {"the port in use by another Orvanta at the next poll is waited for as a missing one",
         {{400, "lost 1", "close 1; report waiting for port; arm +2000"}, {2400, "due", "open 2"},
          {2400, "opened 2 -109", "report waiting for port; arm +2000"}, {4400, "due", "open 3"}}},
        {"an arrival of any port opens the port a settle pause later: the adapter may be back under another number",
         {{400, "lost 1", "close 1; report waiting for port; arm +2000"}, {500, "arrived 7", "arm +2000"},
          {2500, "due", "open 2"}}},
        {"an adapter two ports could be is waited for; one found elsewhere is said once, by its own connection",
         {{400, "lost 1", "close 1; report waiting for port; arm +2000"}, {2400, "due", "open 2"},
          {2400, "opened 2 -110", "report waiting for port; arm +2000"}, {4400, "due", "open 3"},
          {4400, "moved 2 COM9", ""}, {4400, "moved 3 COM9", "adapter COM9"}, {4400, "opened 3", "look"}}},
        {"sleep closes the port; the resume opens it",
         {{400, "suspend", "close 1; report waiting for port; arm +2000"}, {1000, "resume", "arm +2000"},
          {3000, "due", "open 2"}}},
        {"the session's question stops it; its going on opens the port again",
         {{400, "session query", "close 1; report waiting for port; arm +60000"}, {900, "session goes on", "arm +2000"},
          {2900, "due", "open 2"}}},
        {"Stop ends the series",
         {{400, "stop", "close 1; report idle"}, {2400, "due", ""}, {2500, "arrived 1", ""}}},
        {"the watchdog leaves a sound series alone, and starts a stuck one again",
         {{400, "watchdog", ""}, {610, "due", "arm +100"}, {710, "due", "write 1 NAK"},
          {40000, "watchdog", "close 1; report started again; arm +2000"}}},
    }, true);
}

// In a keep-online series the READ's time-out is the next poll: a
// collector that stopped answering is said after three unanswered polls
// spanning at least 30 s, once, and so is its next answer.
TEST(Engine, ACollectorThatStoppedAnsweringIsSaid)
{
    EngineScript s;
    s.settings.keepOnline = 1;
    s.settings.pollingSeconds = 10;
    s.feed(0, "start");
    s.feed(0, "opened 1");
    s.feed(0, "window");
    std::vector<Step> polls;
    for (int i = 0; i < 5; ++i) {
        const std::uint64_t t = 100 + 10200u * static_cast<std::uint64_t>(i);
        polls.push_back({t, "due", "write 1 READ"});
        polls.push_back({t, "written 1", i == 0 ? "report collecting; arm +100" : "arm +100"});
        polls.push_back({t + 100, "due", "arm +10000"});
        polls.push_back({t + 10100, "due", i == 2 ? "report no answer; look" : "look"});
        polls.push_back({t + 10100, "window", "arm +100"});
    }
    polls.push_back({51200, "bytes 1 ACK\r", "report collecting; arm +100"});
    s.run(polls);
}

// Records typed again go to the same typing worker as a transfer's, one
// record at a time: a transfer's record waits for the one being typed
// again, and a record typed again waits for a transfer's.
TEST(Engine, RecordsTypedAgainTakeTurnsWithATransfersRecords)
{
    EngineScript s;
    receiving(s);
    s.run({
        {320, "type again " + kept(r1) + "|" + kept(r2), "type 1 \"cd\" fresh"},
        {330, "bytes 1 " + r0, ""},
        {350, "typed 1", "row again 1 \"\\x01cd\\xC8\\x00\"; type 2 \"ab\" fresh"},
        {360, "typed 2", "row 2 \"\\x00ab\\xC3\\x00\" first; type 3 \"ef\"; arm +100"},
        {361, "row 2", ""},
        {365, "not whole 3", "again ended 1/2"},
        {460, "due", "write 1 ACK"},
        {470, "type again " + kept(r2), "type 4 \"ef\" fresh"},
        {475, "stop", "again ended 0/1; stop typing 4"},
        {480, "written 1", "close 1"},
    });
}

}  // namespace
}  // namespace orvanta
