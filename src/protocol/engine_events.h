/*
 * What goes into the engine and what comes out of it. Everything that
 * happens to a transfer (the user's Start and Stop, bytes from the port, a
 * record typed, a journal row written, a deadline, the port going or
 * coming, sleep, the session) is an event; everything the engine wants
 * done (open or close the port, write a command, type a record, write a
 * row, arm a deadline, tell the user) is an action. The workers carry the
 * actions out and come back with events, stamped with the connection or
 * the ticket they belong to, so that the engine can tell a late word of
 * something it has already let go from a word of what it waits for.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "keys/typing_outcome.h"
#include "platform/window_id.h"
#include "protocol/series_state.h"
#include "protocol/status.h"

namespace orvanta {

// A port connection, counted from 1 over the program's life; 0 is none.
using ConnectionId = std::uint32_t;

enum class Command : std::uint8_t { Read, Ack, Nak };
// "READ\r", "ACK\r" or "NAK\r".
const char* commandText(Command command);
// Before READ and NAK what the collector sent is stale: the command asks
// for a fresh answer. Before an ACK it is not: the collector's next
// record can already be on its way.
inline bool dropsUnread(Command command) { return command != Command::Ack; }

enum class RowKind : std::uint8_t { Typed, TypedAgain };

namespace events {
struct Started {};
struct Stopped {};
// comPort: the number opened, which the collector's adapter may have
// moved to; 0 when none was, or the chosen one.
struct PortOpened {
    ConnectionId connection;
    StatusCode status;
    int comPort = 0;
};
// Before its PortOpened: the connection found the collector's adapter
// under another COM number than it last had.
struct AdapterMoved {
    ConnectionId connection;
    int comPort;
};
struct BytesArrived {
    ConnectionId connection;
    std::span<const std::uint8_t> bytes;
};
// receivedBefore: the bytes the port had received over the connection
// when the command went out, read or still waiting to be read.
struct CommandWritten {
    ConnectionId connection;
    bool written;
    std::uint64_t wentOutUs;
    std::uint64_t receivedBefore;
};
// The port's device went, or nobody can read it any more.
struct PortLost {
    ConnectionId connection;
};
struct PortArrived {
    int comPort;   // 0: a port whose number the system did not say
};
// typedAtUs: when the gap after its last key ended.
struct RecordTyped {
    Ticket ticket;
    TypingOutcome outcome;
    std::uint64_t typedAtUs;
    WindowId window;
};
struct JournalRowWritten {
    Ticket ticket;
    bool written;
};
struct DeadlineDue {};
struct RecordWindowLooked {
    bool found;
};
struct Suspending {};
struct Resumed {};
struct SessionQuery {};   // may the session end?
struct SessionEnded {};
struct SessionGoesOn {};
// Lines of the journal (as received, without their CR) to type again.
struct TypeAgain {
    std::vector<std::string> lines;
};
struct WatchdogLook {};
}  // namespace events

using Event = std::variant<events::Started, events::Stopped, events::PortOpened, events::BytesArrived,
                           events::CommandWritten, events::PortLost, events::PortArrived, events::RecordTyped,
                           events::JournalRowWritten, events::DeadlineDue, events::RecordWindowLooked,
                           events::Suspending, events::Resumed, events::SessionQuery, events::SessionEnded,
                           events::SessionGoesOn, events::TypeAgain, events::WatchdogLook, events::AdapterMoved>;

namespace actions {
struct OpenPort {
    ConnectionId connection;
};
struct ClosePort {
    ConnectionId connection;
};
struct WriteCommand {
    ConnectionId connection;
    Command command;
};
// The data are valid until the engine's next event; fresh: the first
// record since a start or of a batch typed again, before which the
// typing worker looks anew at how Caps Lock is switched off.
struct TypeRecord {
    Ticket ticket;
    std::span<const std::uint8_t> data;
    bool fresh;
};
struct StopTyping {
    Ticket ticket;
};
// The line is valid until the engine's next event. againIndex: which of
// the batch being typed again; firstOfTransfer: the row starts a transfer.
struct WriteJournalRow {
    Ticket ticket;
    RowKind kind;
    std::span<const std::uint8_t> line;
    WindowId window;
    std::size_t againIndex;
    bool firstOfTransfer;
};
// Replaces the deadline armed before; one that is no longer wanted is
// left to come and finds nothing due.
struct ArmDeadline {
    std::uint64_t atUs;
};
struct LookForRecordWindow {};
struct ReportSeries {
    SeriesReport report;
};
// A one-shot transfer ended: Ok when it completed.
struct TransferEnded {
    StatusCode result;
};
struct BatchDelivered {
    std::uint32_t records;
};
struct TypeAgainEnded {
    std::size_t typed;
    std::size_t chosen;
};
struct TellAdapterMoved {
    int comPort;
};
}  // namespace actions

using Action = std::variant<actions::OpenPort, actions::ClosePort, actions::WriteCommand, actions::TypeRecord,
                            actions::StopTyping, actions::WriteJournalRow, actions::ArmDeadline,
                            actions::LookForRecordWindow, actions::ReportSeries,
                            actions::TransferEnded, actions::BatchDelivered, actions::TypeAgainEnded,
                            actions::TellAdapterMoved>;

// The actions of one event, in the order they are to be carried out.
using ActionList = std::vector<Action>;

// A visitor of events or actions made of one lambda for each.
template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// One line for each event and action, as the engine's tests and its trace
// read them: "bytes 2 \"ACK\\r\"", "write 2 ACK", "arm +100".
std::string describe(const Event& event);
std::string describe(const Action& action, std::uint64_t nowUs);

}  // namespace orvanta
