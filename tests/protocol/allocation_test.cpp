#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "protocol/engine.h"
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

// The engine takes a long transfer, its records in pieces of a port's
// reads, without allocating: its buffers are its own and of fixed size.
TEST(Engine, ALongTransferAllocatesNothing)
{
    Settings settings{};
    applyDefaults(settings);
    Engine engine(settings);
    std::string stream;   // built before counting starts
    for (int i = 0; i < 2000; ++i)
        stream += testing::recordLine(i % 10, "4006381333931-" + std::to_string(i));
    stream += "\r" + std::string(3000, 'x') + "\rOVER\r";
    std::vector<Action> todo;
    todo.reserve(64);
    std::uint64_t now = 0;
    long acks = 0;
    auto run = [&](const Event& event) {
        const ActionList& list = engine.on(event, now);
        todo.insert(todo.end(), list.begin(), list.end());
    };
    // The workers answer at once; the pauses pass, until the engine waits
    // for the port.
    auto serve = [&] {
        while (!todo.empty() || (engine.deadlineUs() != 0 && engine.deadlineUs() <= now + 100000)) {
            if (todo.empty()) {
                now = std::max(now, engine.deadlineUs());
                run(events::DeadlineDue{});
                continue;
            }
            const Action action = todo.front();
            todo.erase(todo.begin());
            if (const auto* type = std::get_if<actions::TypeRecord>(&action)) {
                run(events::RecordTyped{type->ticket, TypingOutcome::Typed, now, 1});
                run(events::JournalRowWritten{type->ticket, true});
            } else if (std::holds_alternative<actions::WriteCommand>(action)) {
                acks += std::get<actions::WriteCommand>(action).command == Command::Ack;
                run(events::CommandWritten{1, true, now, 0});
            }
        }
    };
    run(events::Started{});
    run(events::PortOpened{1, StatusCode::Ok});
    serve();
    run(events::BytesArrived{1, {reinterpret_cast<const std::uint8_t*>("ACK\r"), 4}});
    serve();

    const long before = allocations.load();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());
    for (std::size_t at = 0; at < stream.size(); at += 700) {
        run(events::BytesArrived{1, {bytes + at, std::min<std::size_t>(700, stream.size() - at)}});
        serve();
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(acks, 2000);
    EXPECT_FALSE(engine.busy()) << "the end marker ended the transfer";
}

}  // namespace
}  // namespace orvanta
