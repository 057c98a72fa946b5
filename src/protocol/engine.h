/*
 * The transfer engine: one object that owns a transfer and a keep-online
 * series, from the user's Start to the collector's last ACK. It takes
 * events (bytes came, a record was typed, a deadline is due, the port
 * went) and gives the actions to carry out (write this command, type this
 * record, arm this deadline). It has no thread, clock or device of its
 * own: the time comes with each event, a pause is a deadline like any
 * other, and whatever it asks of a worker comes back as an event. So the
 * whole conversation runs the same in the program, in the tests and in
 * the benchmarks, one event at a time.
 *
 * The conversation: "READ\r" and its acknowledgement, record lines
 * answered with "ACK\r" once typed or with "NAK\r" once their answer is
 * late, repeats, and the end marker (conversation.cpp). The series: Start
 * and Stop, keep-online polls, the wait for a window to type the records
 * into, port loss and arrival, sleep and the session (series.cpp). The
 * typing worker's turns, records typed again and the lingering ACK
 * (record_turns.cpp). The dispatch, the one deadline and the watchdog
 * (engine.cpp).
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "protocol/engine_events.h"
#include "protocol/record_assembler.h"
#include "protocol/transfer_context.h"
#include "settings/settings.h"

namespace orvanta {

constexpr std::uint32_t kAnswerTimeoutMs = 300;
constexpr std::uint32_t kAfterReadAckPauseMs = 100;
constexpr std::uint32_t kCommandPauseMs = 100;
constexpr std::uint32_t kRetryLimit = 5;   // more re-sends than this give up
// While no window can take a record, a one-shot transfer looks for one
// this often, as many times as it would send NAKs, then gives up.
constexpr std::uint32_t kRecordWindowLookMs = 500;
// A port that has just come back (after a resume, or an adapter plugged
// in) is opened this long after: drivers refuse an open right away.
constexpr std::uint32_t kReopenSettleMs = 2000;
// A series that has waited for nothing this long, or for a deadline or a
// worker this long overdue, is started again; the app looks every
// kWatchdogPeriodMs.
constexpr std::uint32_t kWatchdogGraceMs = 30000;
constexpr std::uint32_t kWatchdogPeriodMs = 10000;
// A series stopped by the question whether the session may end goes on at
// the session's word that it does; without that word, this much later.
constexpr std::uint32_t kSessionEndWaitMs = 60000;
// A record's ACK waits this long at most for its journal row: a disk that
// no longer answers must not hold the transfer for good.
constexpr std::uint32_t kJournalWaitMs = 5000;
// A keep-online series says the collector no longer answers after this
// many unanswered READs in a row, spanning at least this long.
constexpr std::uint32_t kUnansweredPolls = 3;
constexpr std::uint32_t kUnansweredSpanMs = 30000;
// What the engine holds of the port's bytes while it waits for a record
// to be typed or for a pause to end, as a driver's input queue would.
constexpr std::size_t kHeldInputBytes = 8192;
constexpr std::size_t kMostHeldChunks = 256;

constexpr std::uint64_t usOf(std::uint64_t ms) { return ms * kMicrosPerMs; }

class Engine {
public:
    explicit Engine(const Settings& settings);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The actions of the event, valid until the next call.
    const ActionList& on(const Event& event, std::uint64_t nowUs);

    // A transfer or a keep-online series runs, port open or not.
    bool busy() const { return series_ || port_ != Port::Closed; }
    // Nothing is open or owed: the program may end now without taking a
    // record's ACK with it.
    bool settled() const { return port_ == Port::Closed && linger_.connection == 0; }
    // What the engine waits for now: a deadline (0 for none), or a worker.
    std::uint64_t deadlineUs() const;
    bool awaitsWorker() const;
    const TransferContext& transfer() const { return transfer_; }
    // Records typed again are being typed, or wait for their turn.
    bool typesAgain() const { return typingAgain() || typing_ == Typing::Again; }

private:
    enum class Port { Closed, Opening, Open };
    // What the open connection is doing: listening for a line, in one of
    // the protocol's pauses, or waiting for a worker.
    enum class Step { Listening, PauseBefore, Writing, PauseAfter, AfterReadAck, WaitingToType, Typing, BeforeAck, RepeatPause };
    // What the next deadline is for.
    enum class Due { Nothing, Step, Answer, Read, RecordWindowLook, Reopen };
    enum class Look { None, FirstRead, ReadAgain };
    // Stale: a record let go (stopped, or its port gone) whose word has
    // not come yet; the next waits for it, so that one record at a time
    // is given.
    enum class Typing { None, Transfer, Again, Stale };
    // A connection closed while its record waited for its ACK: it is kept
    // long enough to send that ACK, so that the record is not typed twice.
    struct Linger {
        ConnectionId connection = 0;
        Ticket ticket = 0;
        bool rowDone = false;
        bool writing = false;
        std::uint64_t ackDueUs = 0;
        std::uint64_t giveUpUs = 0;
    };

    // Dispatch, each to its part.
    void handle(const events::Started&);
    void handle(const events::Stopped&);
    void handle(const events::PortOpened& e);
    void handle(const events::BytesArrived& e);
    void handle(const events::CommandWritten& e);
    void handle(const events::PortLost& e);
    void handle(const events::PortArrived& e);
    void handle(const events::RecordTyped& e);
    void handle(const events::JournalRowWritten& e);
    void handle(const events::DeadlineDue&);
    void handle(const events::RecordWindowLooked& e);
    void handle(const events::Suspending&);
    void handle(const events::Resumed&);
    void handle(const events::SessionQuery&);
    void handle(const events::SessionEnded&);
    void handle(const events::SessionGoesOn&);
    void handle(const events::TypeAgain& e);
    void handle(const events::WatchdogLook&);
    void handle(const events::AdapterMoved& e);

    // The series (series.cpp).
    void openPort();
    void askForRecords(Look then);
    void onReadDue(bool timedOut);
    void noteUnansweredRead();
    void collectorAnswered();
    void sendRead(bool again);
    void onRecordWindowLooked(bool found);
    void completeTransfer();
    void endTransfer(StatusCode result);
    void waitForNextPoll(SeriesState state, StatusCode result, std::uint32_t ms);
    void closePort();
    void stopAll();
    void reset();
    void forgetTransfer();
    void reopenSoon();
    void report(SeriesState state, StatusCode result = StatusCode::Ok);
    SeriesState collectingState() const;
    std::uint32_t pollIntervalMs() const;
    std::uint32_t readTimeoutMs() const;

    // Records typed again, and the typing worker's one record at a time
    // (record_turns.cpp).
    void startTypingAgain();
    void onTypedAgain(const events::RecordTyped& e);
    void endTypingAgain();
    void stopTyping(Typing which);
    void typeNext();
    bool typingAgain() const { return againNext_ < again_.size(); }

    // The lingering ACK (record_turns.cpp).
    void lingerOrClose();
    void lingerStep();
    std::uint64_t lingerDueUs() const;

    // The conversation (conversation.cpp).
    void holdInput(std::span<const std::uint8_t> bytes);
    bool hearsLines() const;
    void handleHeldInput();
    bool takeNextChunk();
    LineOutcome handleLine();
    LineOutcome handleAcknowledgement();
    LineOutcome handleRecordLine();
    LineOutcome answerRepeat();
    void deliver();
    void onRecordTyped(const events::RecordTyped& e);
    void acknowledgeWhenReady();
    void onCommandWritten(const events::CommandWritten& e);
    void onStepDue();
    void answerLate();
    void sendCommand(Command command);
    void writeCommand(Command command);
    void waitForRecordWindow();
    void beginAnew();
    void chunkEnded();
    void dropHeldInput();
    void listen(std::uint32_t timeoutMs);

    void emit(const Action& action) { out_.push_back(action); }
    void dueIn(Due due, std::uint64_t ms) { dueAt(due, now_ + usOf(ms)); }
    void dueAt(Due due, std::uint64_t atUs);
    void settleDeadline();

    const Settings& settings_;
    TransferContext transfer_;
    RecordAssembler assembler_;
    ActionList out_;
    std::uint64_t now_ = 0;

    bool series_ = false;
    Port port_ = Port::Closed;
    ConnectionId connection_ = 0;
    ConnectionId lastConnection_ = 0;
    int portInUse_ = 0;   // where the collector's adapter was found; 0: the chosen number
    Step step_ = Step::Listening;
    Command command_ = Command::Read;
    std::uint64_t carriedDueUs_ = 0;   // a command's pause that a line interrupted
    bool readCounted_ = false;     // the READ going out counts against the limit
    bool readOutstanding_ = false; // a READ went out and nothing acknowledged it yet
    Look look_ = Look::None;

    Due due_ = Due::Nothing;
    std::uint64_t dueUs_ = 0;
    std::uint64_t armedUs_ = 0;    // what the driver was last told (0: nothing)
    std::uint64_t waitingSinceUs_ = 0;   // for a worker's answer (open, write)

    // The port's bytes not handled yet, chunk by chunk with where each
    // begins in the bytes received, and the chunk being taken apart.
    struct HeldChunk {
        std::uint32_t length;
        std::uint64_t position;
    };
    std::vector<std::uint8_t> held_;
    std::vector<HeldChunk> heldChunks_;
    std::vector<std::uint8_t> chunk_;
    bool chunkOpen_ = false;

    // The typing worker's one record.
    Typing typing_ = Typing::None;
    Ticket typingTicket_ = 0;
    Ticket lastTicket_ = 0;
    bool typedSinceStart_ = false;
    // The record typed and waiting for its ACK, or a repeat's ACK.
    Ticket ackTicket_ = 0;
    bool ackForRecord_ = false;
    bool rowPending_ = false;
    bool ackPauseOver_ = false;
    std::uint64_t ackGiveUpUs_ = 0;
    Linger linger_;

    // Records typed again: the batch, kept until the next one, and the
    // next of it to type.
    std::vector<std::string> again_;
    std::size_t againNext_ = 0;
    bool againFresh_ = false;

    SeriesReport reported_;
    std::uint32_t unansweredReads_ = 0;
    std::uint64_t unansweredSinceUs_ = 0;
    bool noAnswerReported_ = false;
};

}  // namespace orvanta
