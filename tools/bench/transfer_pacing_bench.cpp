/*
 * How long a transfer takes against the floor its own pauses set, on
 * models of the way Windows serves pauses: its default tick (every sleep,
 * wait and timer ends on the next 15.625 ms tick, and a window timer is
 * never shorter than 10 ms) and a high-resolution timer (0.5 ms). The
 * transfer runs through the program's real protocol and typing code, the
 * Program on the unit tests' fakes, against a collector that answers every
 * command at once; every call into the platform costs the same small time.
 *
 * Each model runs with the pauses as they were ("entered": a pause lasts
 * what it says from the moment it is entered, so the work before it comes
 * on top) and as they are ("deadline": a pause lasts until a moment
 * counted from when its byte or command went in).
 *
 *   build/native/tools/bench/transfer_pacing_bench [--records 100] [--call-us 20]
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "app/program.h"
#include "fakes/fake_keyboard.h"
#include "fakes/fake_platform.h"
#include "fakes/quiet_com_port.h"
#include "protocol/record_line.h"

namespace orvanta::bench {
namespace {

constexpr std::uint64_t kTickUs = 15'625;
constexpr std::uint64_t kHighResolutionUs = 500;
constexpr std::uint64_t kTimerMinimumUs = 10'000;
constexpr std::uint64_t kByteOnTheLineUs = 87;   // ten bits at 115200 bit/s

enum class Pacing { Entered, Deadline };

// The time of the simulation. Whatever ends on a timer ends on the next
// point of the grid; a wait that an arriving byte ends does not.
class ModelClock final : public Clock {
public:
    ModelClock(std::uint64_t gridUs, Pacing pacing) : gridUs_(gridUs), pacing_(pacing) {}

    std::uint64_t nowUs() override { return readAtUs_ = now; }
    void sleepUntilUs(std::uint64_t deadlineUs) override
    {
        if (pacing_ == Pacing::Deadline) {
            if (deadlineUs > now)
                now = onGrid(deadlineUs);
            return;
        }
        // As long as the deadline is from the reading it was counted from.
        const std::uint64_t from = std::max(readAtUs_, lastDeadlineUs_);
        if (deadlineUs > from)
            now = onGrid(now + (deadlineUs - from));
        lastDeadlineUs_ = deadlineUs;
    }
    void idleMs(std::uint32_t ms) override { now = onGrid(now + ms * kMicrosPerMs); }
    std::uint32_t tickCount() override { return static_cast<std::uint32_t>(now / kMicrosPerMs); }

    std::uint64_t onGrid(std::uint64_t t) const { return (t + gridUs_ - 1) / gridUs_ * gridUs_; }

    std::uint64_t now = 0;
    std::uint64_t callUs = 20;

private:
    std::uint64_t gridUs_;
    Pacing pacing_;
    std::uint64_t readAtUs_ = 0;
    std::uint64_t lastDeadlineUs_ = 0;
};

// The unit tests' keyboard, with every call taking its time.
class CostlyKeyboard final : public Keyboard {
public:
    CostlyKeyboard(ModelClock& clock, fakes::EventLog& log) : clock_(clock), keys_(log) {}

    KeysFate sendKeys(const KeyEvent* events, std::uint32_t count) override
    {
        return costly(keys_.sendKeys(events, count));
    }
    void beginRecord(const ForegroundWindow& window) override { keys_.beginRecord(window); }
    void endRecord() override { keys_.endRecord(); }
    bool windowAnswers(WindowId w, std::uint32_t ms) override { return costly(keys_.windowAnswers(w, ms)); }
    std::int16_t scanChar(std::uint8_t c, KeyboardLayout l) override { return costly(keys_.scanChar(c, l)); }
    std::uint16_t scanCodeOf(std::uint8_t k, KeyboardLayout l) override { return costly(keys_.scanCodeOf(k, l)); }
    bool isDeadKey(std::uint8_t k, KeyboardLayout l) override { return costly(keys_.isDeadKey(k, l)); }
    AnsiCharacter decodeAnsi(const std::uint8_t* b, std::uint32_t n) override { return keys_.decodeAnsi(b, n); }
    std::uint8_t capsLockState() override { return costly(keys_.capsLockState()); }
    bool modifiersHeld() override { return costly(keys_.modifiersHeld()); }
    ForegroundWindow foregroundWindow() override { return costly(keys_.foregroundWindow()); }

    std::size_t keyDowns() const
    {
        return static_cast<std::size_t>(std::count_if(keys_.sent.begin(), keys_.sent.end(),
                                                      [](const KeyEvent& e) { return !e.keyUp; }));
    }

private:
    template <typename Result>
    Result costly(Result result)
    {
        clock_.now += clock_.callUs;
        return result;
    }
    ModelClock& clock_;
    fakes::FakeKeyboard keys_;
};

// A COM port with a collector behind it that answers every command at
// once, at the line rate.
class CollectorPort final : public fakes::QuietComPort {
public:
    CollectorPort(ModelClock& clock, int records) : clock_(clock), records_(records) {}

    void purge(PurgeFlag flags) override;
    bool waitEvent(std::uint32_t& mask) override;
    std::uint32_t clearErrors() override;
    std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) override;
    bool write(const std::uint8_t* bytes, std::uint32_t count) override;

    bool quiet() const { return line_.empty(); }
    std::uint64_t firstReadAt = 0, lastAckAt = 0;

private:
    struct Byte {
        std::uint64_t at;
        char value;
    };
    void cost() { clock_.now += clock_.callUs; }
    std::size_t arrived() const;
    void send(const std::string& text, std::uint64_t from);
    void answer(const std::string& command, std::uint64_t heardAt);
    std::string recordLine(int index) const;

    ModelClock& clock_;
    int records_;
    int next_ = 0;
    std::deque<Byte> line_;
};

std::size_t CollectorPort::arrived() const
{
    std::size_t n = 0;
    while (n < line_.size() && line_[n].at <= clock_.now)
        ++n;
    return n;
}

// Like a pseudo-terminal under wine: the wait never blocks.
bool CollectorPort::waitEvent(std::uint32_t& mask)
{
    cost();
    mask = 0;
    return false;
}

std::uint32_t CollectorPort::clearErrors()
{
    cost();
    return static_cast<std::uint32_t>(arrived());
}

void CollectorPort::purge(PurgeFlag flags)
{
    cost();
    if (hasFlag(flags, PurgeFlag::RxClear))
        line_.erase(line_.begin(), line_.begin() + static_cast<std::ptrdiff_t>(arrived()));
}

std::int32_t CollectorPort::read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs)
{
    cost();
    if (arrived() == 0) {
        const std::uint64_t limit = clock_.now + waitMs * kMicrosPerMs;
        clock_.now = !line_.empty() && line_.front().at <= limit ? line_.front().at : clock_.onGrid(limit);
    }
    std::uint32_t n = 0;
    for (const std::size_t ready = arrived(); n < count && n < ready; ++n)
        buffer[n] = static_cast<std::uint8_t>(line_[n].value);
    line_.erase(line_.begin(), line_.begin() + n);
    return static_cast<std::int32_t>(n);
}

bool CollectorPort::write(const std::uint8_t* bytes, std::uint32_t count)
{
    cost();
    const std::string command(reinterpret_cast<const char*>(bytes), count);
    if (command == "READ\r" && firstReadAt == 0)
        firstReadAt = clock_.now;
    if (command == "ACK\r")
        lastAckAt = clock_.now;
    answer(command, clock_.now + count * kByteOnTheLineUs);
    return true;
}

void CollectorPort::send(const std::string& text, std::uint64_t from)
{
    for (char c : text)
        line_.push_back(Byte{from += kByteOnTheLineUs, c});
}

void CollectorPort::answer(const std::string& command, std::uint64_t heardAt)
{
    if (command == "READ\r")
        send("ACK\r", heardAt);
    else if (command == "ACK\r")
        ++next_;
    else if (command != "NAK\r")
        return;
    const std::uint64_t from = line_.empty() ? heardAt : line_.back().at;
    send(next_ < records_ ? recordLine(next_) : std::string("OVER\r"), from);
}

std::string CollectorPort::recordLine(int index) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%013lld", 4006381333931LL + index);
    return testing::recordLine(index % 10, digits);
}

class ModelTimer final : public ProtocolTimer {
public:
    explicit ModelTimer(ModelClock& clock) : clock_(clock) {}
    void arm(Deadline which, std::uint32_t ms) override
    {
        clock_.now += clock_.callUs;
        armed = true;
        deadline = which;
        dueAt = clock_.onGrid(clock_.now + std::max<std::uint64_t>(ms * kMicrosPerMs, kTimerMinimumUs));
    }
    void stop() override
    {
        clock_.now += clock_.callUs;
        armed = false;
    }
    void discardPending() override {}
    bool armed = false;
    Deadline deadline = Deadline::Answer;
    std::uint64_t dueAt = 0;

private:
    ModelClock& clock_;
};

// A journal whose row takes the given time to be written and flushed.
class ModelJournal final : public RecordJournal {
public:
    ModelJournal(ModelClock& clock, std::uint64_t rowUs) : clock_(clock), rowUs_(rowUs) {}
    void recordDelivered(const TransferContext&) override { clock_.now += rowUs_; }

private:
    ModelClock& clock_;
    std::uint64_t rowUs_;
};

struct Outcome {
    double conversationS;
    std::size_t keysTyped;
};

// The receive thread runs from the moment READ went out: it waits for the
// answer while the UI thread makes its pause after the command.
Outcome runTransfer(std::uint64_t gridUs, Pacing pacing, int records, std::uint64_t callUs,
                    std::uint64_t journalRowUs = 0)
{
    ModelClock clock(gridUs, pacing);
    clock.callUs = callUs;
    fakes::EventLog log;
    CostlyKeyboard keyboard(clock, log);
    CollectorPort port(clock, records);
    fakes::FakeThreadHost threads(log);
    ModelTimer timer(clock);
    fakes::FakeMessageBoxes boxes(log);
    Program program(Platform{clock, keyboard, port, threads, timer, boxes});
    program.settings.transmissionType = TransmissionType::RS232;
    program.settings.addCr = 1;
    program.settings.charDelayMs = 2;
    UnattendedEnd end;
    program.series.ends = &end;
    ModelJournal journal(clock, journalRowUs);
    if (journalRowUs > 0)
        program.conversation.journal = &journal;
    program.series.reset();
    program.typing.capsLockMode = CapsLockMode::CapsKeyToggles;
    if (program.series.start() != StatusCode::Ok)
        return {0, 0};
    clock.now = port.firstReadAt;
    for (int step = 0; step < 100 * records + 100 && program.transfer.running; ++step) {
        if (!port.quiet()) {
            program.port.readerPass();
        } else if (timer.armed) {
            clock.now = std::max(clock.now, timer.dueAt);
            program.series.onDeadline(timer.deadline);
        } else {
            break;
        }
    }
    program.series.closePort();
    return {static_cast<double>(port.lastAckAt - port.firstReadAt) / 1e6, keyboard.keyDowns()};
}

std::uint64_t option(int argc, char** argv, const char* name, std::uint64_t fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return std::strtoull(argv[i + 1], nullptr, 10);
    }
    return fallback;
}

}  // namespace
}  // namespace orvanta::bench

int main(int argc, char** argv)
{
    using namespace orvanta::bench;
    const int records = static_cast<int>(option(argc, argv, "--records", 100));
    const std::uint64_t callUs = option(argc, argv, "--call-us", 20);
    const int bytes = records * 14;
    const double floorS = (100 + 100 + (records - 1) * 200 + bytes * 2) / 1000.0;
    std::printf("%d records of 13 digits and CR, 2 ms per character, %llu us per platform call\n\n", records,
                static_cast<unsigned long long>(callUs));
    std::printf("| clock model | pauses | conversation | floor | above the floor | keys typed |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const struct {
        const char* name;
        std::uint64_t gridUs;
    } models[] = {{"Windows default tick (15.625 ms)", kTickUs}, {"high-resolution timer (0.5 ms)", kHighResolutionUs}};
    for (const auto& model : models) {
        for (Pacing pacing : {Pacing::Entered, Pacing::Deadline}) {
            const Outcome o = runTransfer(model.gridUs, pacing, records, callUs);
            std::printf("| %s | %s | %.2f s | %.2f s | %.2f %% | %zu |\n", model.name,
                        pacing == Pacing::Entered ? "before: from when entered" : "after: until a deadline",
                        o.conversationS, floorS, 100 * (o.conversationS - floorS) / floorS, o.keysTyped);
        }
    }
    std::printf("\nWith a journal row written and flushed before each ACK (high-resolution timer, deadline "
                "pauses):\n\n| journal row | conversation | above the floor |\n|---|---|---|\n");
    for (std::uint64_t rowUs : {0ull, 1'000ull, 20'000ull, 99'000ull, 150'000ull}) {
        const Outcome o = runTransfer(kHighResolutionUs, Pacing::Deadline, records, callUs, rowUs);
        std::printf("| %.0f ms | %.2f s | %.2f %% |\n", static_cast<double>(rowUs) / 1000.0, o.conversationS,
                    100 * (o.conversationS - floorS) / floorS);
    }
    return 0;
}
