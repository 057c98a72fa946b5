/*
 * The engine's events and actions in words: the tables of the engine's
 * tests are written in them, and a trace of the program reads the same.
 */
#include "protocol/engine_events.h"

#include <cstdio>

namespace orvanta {
namespace {

std::string quoted(std::span<const std::uint8_t> bytes)
{
    std::string text = "\"";
    for (std::uint8_t byte : bytes) {
        if (byte == '\r') {
            text += "\\r";
        } else if (byte >= ' ' && byte < 0x7F && byte != '"' && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text + "\"";
}

std::string number(std::uint64_t value)
{
    return std::to_string(value);
}

std::string status(StatusCode code)
{
    return code == StatusCode::Ok ? "Ok" : std::to_string(static_cast<int>(code));
}

const char* outcomeName(TypingOutcome outcome)
{
    switch (outcome) {
    case TypingOutcome::Typed: return "typed";
    case TypingOutcome::NotWhole: return "not whole";
    case TypingOutcome::NoRecordWindow: return "no window";
    }
    return "?";
}

const char* stateName(SeriesState state)
{
    switch (state) {
    case SeriesState::Idle: return "idle";
    case SeriesState::Collecting: return "collecting";
    case SeriesState::WaitingForPort: return "waiting for port";
    case SeriesState::NoRecordWindow: return "no window";
    case SeriesState::TransferFailed: return "failed";
    case SeriesState::StartedAgain: return "started again";
    case SeriesState::NoAnswer: return "no answer";
    }
    return "?";
}

// Milliseconds from now, to the microsecond where it is not whole.
std::string fromNow(std::uint64_t atUs, std::uint64_t nowUs)
{
    const bool before = atUs < nowUs;
    const std::uint64_t us = before ? nowUs - atUs : atUs - nowUs;
    char text[32];
    if (us % 1000 == 0)
        std::snprintf(text, sizeof text, "%s%llu", before ? "-" : "+", static_cast<unsigned long long>(us / 1000));
    else
        std::snprintf(text, sizeof text, "%s%.3f", before ? "-" : "+", static_cast<double>(us) / 1000.0);
    return text;
}

}  // namespace

const char* commandText(Command command)
{
    switch (command) {
    case Command::Read: return "READ\r";
    case Command::Ack: return "ACK\r";
    case Command::Nak: return "NAK\r";
    }
    return "";
}

std::string describe(const Event& event)
{
    using namespace events;
    return std::visit(
        Overloaded{
            [](const Started&) -> std::string { return "start"; },
            [](const Stopped&) -> std::string { return "stop"; },
            [](const PortOpened& e) { return "opened " + number(e.connection) + " " + status(e.status); },
            [](const BytesArrived& e) { return "bytes " + number(e.connection) + " " + quoted(e.bytes); },
            [](const CommandWritten& e) {
                return (e.written ? "written " : "write failed ") + number(e.connection) + " received "
                       + number(e.receivedBefore);
            },
            [](const PortLost& e) { return "lost " + number(e.connection); },
            [](const PortArrived& e) { return "arrived COM" + number(static_cast<std::uint64_t>(e.comPort)); },
            [](const RecordTyped& e) {
                return std::string(outcomeName(e.outcome)) + " " + number(e.ticket) + " window "
                       + number(e.window);
            },
            [](const JournalRowWritten& e) { return (e.written ? "row " : "row failed ") + number(e.ticket); },
            [](const DeadlineDue&) -> std::string { return "due"; },
            [](const RecordWindowLooked& e) -> std::string { return e.found ? "window" : "no window"; },
            [](const Suspending&) -> std::string { return "suspend"; },
            [](const Resumed&) -> std::string { return "resume"; },
            [](const SessionQuery&) -> std::string { return "session query"; },
            [](const SessionEnded&) -> std::string { return "session end"; },
            [](const SessionGoesOn&) -> std::string { return "session goes on"; },
            [](const TypeAgain& e) { return "type again " + number(e.lines.size()); },
            [](const WatchdogLook&) -> std::string { return "watchdog"; },
            [](const AdapterMoved& e) {
                return "moved " + number(e.connection) + " COM" + number(static_cast<std::uint64_t>(e.comPort));
            },
        },
        event);
}

std::string describe(const Action& action, std::uint64_t nowUs)
{
    using namespace actions;
    return std::visit(
        Overloaded{
            [](const OpenPort& a) { return "open " + number(a.connection); },
            [](const ClosePort& a) { return "close " + number(a.connection); },
            [](const WriteCommand& a) {
                std::string text = commandText(a.command);
                return "write " + number(a.connection) + " " + text.substr(0, text.size() - 1);
            },
            [](const TypeRecord& a) {
                return "type " + number(a.ticket) + " " + quoted(a.data) + (a.fresh ? " fresh" : "");
            },
            [](const StopTyping& a) { return "stop typing " + number(a.ticket); },
            [](const WriteJournalRow& a) {
                return std::string(a.kind == RowKind::Typed ? "row " : "row again ") + number(a.ticket) + " "
                       + quoted(a.line) + (a.firstOfTransfer ? " first" : "");
            },
            [nowUs](const ArmDeadline& a) { return "arm " + fromNow(a.atUs, nowUs); },
            [](const LookForRecordWindow&) -> std::string { return "look"; },
            [](const ReportSeries& a) { return std::string("report ") + stateName(a.report.state); },
            [](const TransferEnded& a) { return "ended " + status(a.result); },
            [](const BatchDelivered& a) { return "batch " + number(a.records); },
            [](const TypeAgainEnded& a) { return "again ended " + number(a.typed) + "/" + number(a.chosen); },
            [](const TellAdapterMoved& a) { return "adapter COM" + number(static_cast<std::uint64_t>(a.comPort)); },
        },
        action);
}

}  // namespace orvanta
