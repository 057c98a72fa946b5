/*
 * Any byte stream, in any chunking, through the engine's assembly,
 * classification and answers: nothing may read or write out of bounds,
 * the invariants of the transfer record hold, and the records given to be
 * typed do not depend on where the chunks end.
 *
 * Input: byte 0 picks the chunk size, the rest is the stream.
 */
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/engine.h"

using namespace orvanta;

namespace {

// The workers answer at once and every record goes in; the pauses pass
// until the engine waits for the port.
struct Intake {
    Settings settings{};
    Engine engine{settings};
    std::uint64_t now = 0;
    std::vector<Action> todo;
    std::string typed;

    Intake()
    {
        applyDefaults(settings);
        run(events::Started{});
        run(events::PortOpened{1, StatusCode::Ok});
        serve();
        run(events::BytesArrived{1, {reinterpret_cast<const std::uint8_t*>("ACK\r"), 4}});
        serve();
    }
    void run(const Event& event)
    {
        const ActionList& list = engine.on(event, now);
        todo.insert(todo.end(), list.begin(), list.end());
        const TransferContext& t = engine.transfer();
        if (t.lineLength > kMaxLineLength + 1 || t.expectedSequence >= kSequenceModulus)
            std::abort();
    }
    void answer(const Action& action)
    {
        if (const auto* type = std::get_if<actions::TypeRecord>(&action)) {
            typed.append(type->data.begin(), type->data.end());
            typed += '\n';
            run(events::RecordTyped{type->ticket, TypingOutcome::Typed, now, 1});
            run(events::JournalRowWritten{type->ticket, true});
        } else if (const auto* write = std::get_if<actions::WriteCommand>(&action)) {
            run(events::CommandWritten{write->connection, true, now, 0});
        }
    }
    void serve()
    {
        while (!todo.empty() || (engine.deadlineUs() != 0 && engine.deadlineUs() <= now + 100000)) {
            if (todo.empty()) {
                now = engine.deadlineUs();
                run(events::DeadlineDue{});
                continue;
            }
            const Action action = todo.front();
            todo.erase(todo.begin());
            answer(action);
        }
    }
};

std::string typeAll(const std::uint8_t* data, std::size_t size, std::size_t chunk)
{
    Intake intake;
    for (std::size_t at = 0; at < size; at += chunk) {
        const std::size_t piece = size - at < chunk ? size - at : chunk;
        intake.run(events::BytesArrived{intake.engine.transfer().running ? 1u : 0u, {data + at, piece}});
        intake.serve();
    }
    return intake.typed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    if (typeAll(data + 1, size - 1, size) != typeAll(data + 1, size - 1, chunk))
        std::abort();
    return 0;
}
