#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "app/program.h"
#include "fakes/quiet_com_port.h"
#include "fakes/silent_keyboard.h"
#include "protocol/record_line.h"

// Counts every allocation of the test program, so that a test can show that
// a stretch of work allocates nothing.
namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}
// The nothrow forms (std::stable_sort's buffer) must come here too: left to
// the sanitizer's own, their blocks would be freed by the delete above.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace orvanta {
namespace {

// Platform services that remember nothing, so they allocate nothing.
struct QuietPlatform final : Clock, fakes::SilentKeyboard, fakes::QuietComPort, ReaderThreadHost, ProtocolTimer,
                             MessageBoxes {
    long bytesWritten = 0;

    QuietPlatform() { capsLock = 1; }

    std::uint64_t nowUs() override { return 0; }
    void sleepUntilUs(std::uint64_t) override {}
    void idleMs(std::uint32_t) override {}
    std::uint32_t tickCount() override { return 0; }
    bool write(const std::uint8_t*, std::uint32_t count) override { bytesWritten += count; return true; }
    void close() override {}
    bool lost() override { return false; }
    bool start(void (*)(void*), void*) override { return true; }
    bool waitForEnd() override { return true; }
    void arm(Deadline, std::uint32_t) override {}
    void stop() override {}
    void discardPending() override {}
    void show(WindowId, const char*, const char*, std::uint32_t) override {}
};

TEST(RecordIntake, ALongStreamOfRecordsAllocatesNothing)
{
    QuietPlatform quiet;
    Program program(Platform{quiet, quiet, quiet, quiet, quiet, quiet});
    program.settings.prefixEnabled = program.settings.suffixEnabled = 1;
    program.working.workingPrefix[0] = 15;
    program.working.workingSuffix[0] = 9;
    program.transfer.state = TransferState::Receiving;
    program.transfer.running = 1;

    std::string stream;   // built before counting starts
    for (int i = 0; i < 2000; ++i)
        stream += testing::recordLine(i % 10, "4006381333931-" + std::to_string(i));
    stream += "\r" + std::string(3000, 'x') + "\rOVER\r";

    const long before = allocations.load();
    for (std::size_t at = 0; at < stream.size(); at += 700) {
        const std::size_t piece = std::min<std::size_t>(700, stream.size() - at);
        program.receiver.receive(reinterpret_cast<const std::uint8_t*>(stream.data() + at),
                                 static_cast<std::uint32_t>(piece));
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(program.transfer.state, TransferState::Complete);
    EXPECT_EQ(quiet.bytesWritten, 2000 * 4);   // "ACK\r" per record
    EXPECT_GT(quiet.keyEvents, 2000 * 20);
}

}  // namespace
}  // namespace orvanta
