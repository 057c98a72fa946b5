/*
 * How long a transfer takes against the floor its own pauses set, on
 * models of the way Windows serves waits: its default tick (every wait
 * ends on the next 15.625 ms tick) and a high-resolution timer (0.5 ms).
 * The transfer runs through the program's own engine and driver and its
 * real typing code, on the unit tests' keyboard, against a collector that
 * answers every command at once, at the line rate. Every call into the
 * platform costs the same small time, and so does every hand-over of an
 * event from a worker to the engine's thread.
 *
 *   build/native/tools/bench/transfer_pacing_bench [--records 100] [--call-us 20] [--hop-us 50]
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "fakes/fake_keyboard.h"
#include "keys/record_typist.h"
#include "protocol/engine_driver.h"
#include "protocol/record_line.h"

namespace orvanta::bench {
namespace {

constexpr std::uint64_t kTickUs = 15'625;
constexpr std::uint64_t kHighResolutionUs = 500;
constexpr std::uint64_t kByteOnTheLineUs = 87;   // ten bits at 115200 bit/s

// The time of the simulation. Whatever ends on a timer ends on the next
// point of the grid.
class ModelClock final : public Clock {
public:
    explicit ModelClock(std::uint64_t gridUs) : gridUs_(gridUs) {}

    std::uint64_t nowUs() override { return now; }
    void sleepUntilUs(std::uint64_t deadlineUs) override
    {
        if (deadlineUs > now)
            now = onGrid(deadlineUs);
    }
    void idleMs(std::uint32_t ms) override { now = onGrid(now + ms * kMicrosPerMs); }
    std::uint32_t tickCount() override { return static_cast<std::uint32_t>(now / kMicrosPerMs); }

    std::uint64_t onGrid(std::uint64_t t) const { return (t + gridUs_ - 1) / gridUs_ * gridUs_; }

    std::uint64_t now = 0;
    std::uint64_t callUs = 20;

private:
    std::uint64_t gridUs_;
};

// The unit tests' keyboard, with every call taking its time.
class CostlyKeyboard final : public Keyboard {
public:
    CostlyKeyboard(ModelClock& clock, fakes::EventLog& log) : clock_(clock), keys_(log) {}

    KeysFate sendKeys(const KeyEvent* events, std::uint32_t count) override
    {
        return costly(keys_.sendKeys(events, count));
    }
    void beginRecord(const ForegroundWindow& window) override
    {
        clock_.now += clock_.callUs;
        keys_.beginRecord(window);
    }
    void endRecord() override { keys_.endRecord(); }
    bool keysJudged() override { return true; }
    bool windowAnswers(WindowId w, std::uint32_t ms) override { return costly(keys_.windowAnswers(w, ms)); }
    std::int16_t scanChar(std::uint8_t c, KeyboardLayout l) override { return costly(keys_.scanChar(c, l)); }
    std::uint16_t scanCodeOf(std::uint8_t k, KeyboardLayout l) override { return costly(keys_.scanCodeOf(k, l)); }
    bool isDeadKey(std::uint8_t k, KeyboardLayout l) override { return costly(keys_.isDeadKey(k, l)); }
    AnsiCharacter decodeAnsi(const std::uint8_t* b, std::uint32_t n) override { return keys_.decodeAnsi(b, n); }
    std::uint8_t capsLockState() override { return costly(keys_.capsLockState()); }
    bool modifiersHeld() override { return costly(keys_.modifiersHeld()); }
    ForegroundWindow foregroundWindow() override { return costly(keys_.foregroundWindow()); }
    bool othersKeysQuiet(std::uint32_t ms) override { return costly(keys_.othersKeysQuiet(ms)); }

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

// The workers of the engine, answering through a queue of events in time:
// a collector behind the port that answers each command at once, the real
// typing code on the costly keyboard, a journal whose row takes its time,
// and the deadline on the model's grid. Each event reaches the engine a
// hand-over after it was posted.
class ModelWorld final : public PortWorkers, public Typist, public JournalPen, public DeadlineTimer,
                         public EngineReports {
public:
    ModelWorld(ModelClock& clock, int records, std::uint64_t hopUs, std::uint64_t rowUs)
        : clock_(clock), keyboard_(clock, log_), typist_(keyboard_, clock, platformMajorVersion_), records_(records),
          hopUs_(hopUs), rowUs_(rowUs)
    {
    }

    void open(ConnectionId c) override { post(clock_.now, events::PortOpened{c, StatusCode::Ok}); }
    void write(ConnectionId c, Command command) override;
    void close(ConnectionId) override {}
    void type(Ticket ticket, std::span<const std::uint8_t> data, bool fresh) override;
    void stop(Ticket) override {}
    bool recordWindowThere() override { return true; }
    void write(const actions::WriteJournalRow& row) override
    {
        post(clock_.now + rowUs_, events::JournalRowWritten{row.ticket, true});
    }
    void armAt(std::uint64_t atUs) override { deadline_ = clock_.onGrid(std::max(atUs, clock_.now)); }
    void seriesChanged(const SeriesReport&) override {}
    void transferEnded(StatusCode) override { ended = true; }
    void batchDelivered(std::uint32_t) override {}
    void typeAgainEnded(std::size_t, std::size_t) override {}
    void adapterMoved(int) override {}

    // The next event in time, fed to the driver; false when none is left.
    bool step(EngineDriver& driver);

    bool ended = false;
    std::uint64_t firstReadAt = 0, lastAckAt = 0;
    std::size_t keyDowns = 0;

private:
    void post(std::uint64_t atUs, const Event& event) { queue_.emplace(std::make_pair(atUs + hopUs_, seq_++), OwnedEvent(event)); }
    void send(const std::string& text, std::uint64_t fromUs);
    std::string recordLine(int index) const;

    ModelClock& clock_;
    fakes::EventLog log_;
    CostlyKeyboard keyboard_;
    int platformMajorVersion_ = 6;
    RecordTypist typist_;
    int records_;
    std::uint64_t hopUs_, rowUs_;
    int next_ = 0;
    std::uint64_t lineFreeAt_ = 0;
    std::uint64_t deadline_ = 0;
    std::uint64_t seq_ = 0;
    std::map<std::pair<std::uint64_t, std::uint64_t>, OwnedEvent> queue_;
};

void ModelWorld::write(ConnectionId c, Command command)
{
    clock_.now += clock_.callUs;
    const std::uint64_t wentOut = clock_.now;
    if (command == Command::Read && firstReadAt == 0)
        firstReadAt = wentOut;
    if (command == Command::Ack)
        lastAckAt = wentOut;
    post(wentOut, events::CommandWritten{c, true, wentOut, 0});
    const std::uint64_t heard = wentOut + std::strlen(commandText(command)) * kByteOnTheLineUs;
    if (command == Command::Read)
        send("ACK\r", heard);
    else if (command == Command::Ack)
        ++next_;
    send(next_ < records_ ? recordLine(next_) : std::string("OVER\r"), heard);
}

// The line is one byte after another: a chunk reaches the port when its
// last byte has.
void ModelWorld::send(const std::string& text, std::uint64_t fromUs)
{
    const std::uint64_t start = std::max(fromUs, lineFreeAt_);
    lineFreeAt_ = start + text.size() * kByteOnTheLineUs;
    post(lineFreeAt_, events::BytesArrived{1, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}});
}

void ModelWorld::type(Ticket ticket, std::span<const std::uint8_t> data, bool fresh)
{
    Settings settings{};
    applyDefaults(settings);
    settings.addCr = 1;
    settings.charDelayMs = 2;
    RecordJob job = frameRecord(settings, WorkingCodes{}, data);
    job.ticket = ticket;
    job.fresh = fresh;
    const TypedRecord typed = typist_.type(job);
    post(clock_.now, events::RecordTyped{typed.ticket, typed.outcome, typed.typedAtUs, typed.window});
}

std::string ModelWorld::recordLine(int index) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%013lld", 4006381333931LL + index);
    return testing::recordLine(index % 10, digits);
}

bool ModelWorld::step(EngineDriver& driver)
{
    const bool eventFirst = !queue_.empty() && (deadline_ == 0 || queue_.begin()->first.first <= deadline_);
    if (eventFirst) {
        const auto first = queue_.begin();
        clock_.now = std::max(clock_.now, first->first.first);
        const OwnedEvent event = std::move(first->second);
        queue_.erase(first);
        driver.feed(event.event);
        return true;
    }
    if (deadline_ == 0)
        return false;
    clock_.now = std::max(clock_.now, deadline_ + hopUs_);
    deadline_ = 0;
    driver.feed(events::DeadlineDue{});
    return true;
}

double runTransfer(std::uint64_t gridUs, int records, std::uint64_t callUs, std::uint64_t hopUs,
                   std::uint64_t rowUs = 0)
{
    ModelClock clock(gridUs);
    clock.callUs = callUs;
    ModelWorld world(clock, records, hopUs, rowUs);
    Settings settings{};
    applyDefaults(settings);
    Engine engine(settings);
    EngineDriver driver(engine, clock, EngineHands{world, world, world, world, world});
    driver.feed(events::Started{});
    for (int step = 0; step < 100 * records + 100 && !world.ended && world.step(driver); ++step) {
    }
    return static_cast<double>(world.lastAckAt - world.firstReadAt) / 1e6;
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
    const std::uint64_t hopUs = option(argc, argv, "--hop-us", 50);
    const int bytes = records * 14;
    const double floorS = (100 + 100 + (records - 1) * 200 + bytes * 2) / 1000.0;
    std::printf("%d records of 13 digits and CR, 2 ms per character, %llu us per platform call, %llu us per "
                "hand-over to the engine\n\n",
                records, static_cast<unsigned long long>(callUs), static_cast<unsigned long long>(hopUs));
    std::printf("| clock model | conversation | floor | above the floor |\n|---|---|---|---|\n");
    const struct {
        const char* name;
        std::uint64_t gridUs;
    } models[] = {{"Windows default tick (15.625 ms)", kTickUs}, {"high-resolution timer (0.5 ms)", kHighResolutionUs}};
    for (const auto& model : models) {
        const double s = runTransfer(model.gridUs, records, callUs, hopUs);
        std::printf("| %s | %.2f s | %.2f s | %.2f %% |\n", model.name, s, floorS, 100 * (s - floorS) / floorS);
    }
    std::printf("\nWith a journal row written and flushed before each ACK (high-resolution timer):\n\n"
                "| journal row | conversation | above the floor |\n|---|---|---|\n");
    for (std::uint64_t rowUs : {0ull, 1'000ull, 20'000ull, 99'000ull, 150'000ull}) {
        const double s = runTransfer(kHighResolutionUs, records, callUs, hopUs, rowUs);
        std::printf("| %.0f ms | %.2f s | %.2f %% |\n", static_cast<double>(rowUs) / 1000.0, s,
                    100 * (s - floorS) / floorS);
    }
    return 0;
}
