/*
 * A conversation on the fakes: the collector's side answers each command
 * the program writes, and the test runs the receive side until the port is
 * quiet and the time-out side as the UI thread would.
 */
#pragma once

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "protocol/record_line.h"

namespace orvanta::testing {

using fakes::FakeProgram;
using fakes::kDialogWindow;

// The collector's side, answering each command the program writes.
struct FakeCollector {
    std::vector<std::string> records;
    std::size_t next = 0;
    int sequence = 0;
    bool silent = false;
    bool silentAfterReadAck = false;   // acknowledges READ, then sends nothing
    std::string readAnswer = "ACK\r";
    int loseAckOf = -1;        // ignores the ACK of this record once
    int damageFirst = -1;      // sends this record damaged the first time
    int earlyTimeoutOf = -1;   // its own time-out for this record runs out before our ACK comes
    std::vector<std::string> commands;

    void attach(FakeProgram& f)
    {
        f.comPort.onWrite = [this, &f](const std::string& text, const LineConfig&) { answer(f, text); };
    }

    void answer(FakeProgram& f, const std::string& command)
    {
        commands.push_back(command);
        if (silent)
            return;
        if (command == "READ\r") {
            sequence = 0;
            f.comPort.receive(readAnswer);
            if (readAnswer == "ACK\r" && !silentAfterReadAck)
                sendCurrent(f);
        } else if (command == "ACK\r") {
            // Every ACK counts for the record sent last: an ACK names none.
            if (static_cast<int>(next) == earlyTimeoutOf) {
                earlyTimeoutOf = -1;
                f.comPort.receive(recordLine(sequence, records[next]));   // sent again before the ACK came
            }
            if (static_cast<int>(next) == loseAckOf) {
                loseAckOf = -1;   // sent again on its own time-out, after the ACK
                f.comPort.arriveAt(f.clock.now + 1, recordLine(sequence, records[next]));
                return;
            }
            ++next;
            sequence = (sequence + 1) % 10;
            sendCurrent(f);
        } else if (command == "NAK\r" && !silentAfterReadAck) {
            sendCurrent(f);
        }
    }

    void sendCurrent(FakeProgram& f)
    {
        if (next >= records.size()) {
            f.comPort.receive("OVER\r");
            return;
        }
        std::string line = recordLine(sequence, records[next]);
        if (static_cast<int>(next) == damageFirst) {
            damageFirst = -1;
            line[line.size() - 2] ^= 0x40;
        }
        f.comPort.receive(line);
    }
};

// Runs the receive side until the port is quiet and the deadlines as the
// UI thread would, until the timer is no longer armed (or a limit is
// reached).
struct TransferRun {
    FakeProgram f;
    FakeCollector collector;
    Program& p = *f.program;
    bool interactive = true;   // else the end is an exit code
    UnattendedEnd unattended;

    TransferRun()
    {
        collector.attach(f);
        p.settings.transmissionType = TransmissionType::RS232;
        p.settings.addCr = 0;
    }

    StatusCode start()
    {
        p.series.ends = interactive ? static_cast<TransferEnds*>(&p.failureBoxes) : &unattended;
        p.series.reset();
        return p.series.start();
    }

    // Without the fake collector: READ is sent, acknowledged, and the test
    // feeds the lines itself.
    void startReceiving()
    {
        f.comPort.onWrite = nullptr;
        ASSERT_EQ(start(), StatusCode::Ok);
        f.comPort.receive("ACK\r");
        p.port.readerPass();
    }

    void run(int maxTimeouts = 100)
    {
        for (int i = 0;; ++i) {
            while (p.transfer.running && !f.threads.ended && f.comPort.clearErrors() > 0)
                p.port.readerPass();
            if (i == maxTimeouts || !f.timer.armed)
                return;
            p.series.onDeadline(f.timer.deadline);
        }
    }

    std::string typedLetters() const { return fakes::typedLetters(f.log); }

    int count(const std::string& command) const
    {
        int n = 0;
        for (const auto& c : collector.commands)
            n += c == command;
        return n;
    }
};

}  // namespace orvanta::testing
