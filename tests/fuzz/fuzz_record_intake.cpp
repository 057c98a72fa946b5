/*
 * Any byte stream, in any chunking, through assembly, classification and
 * delivery: nothing may read or write out of bounds, the invariants of the
 * transfer record hold, and the keys typed do not depend on where the
 * chunks end.
 *
 * Input: byte 0 picks the options (CR, prefix, suffix), byte 1 the chunk
 * size, the rest is the stream.
 */
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fakes/fake_platform.h"

using namespace orvanta;

namespace {

void typeLine(Program& program)
{
    if (program.transfer.lineLength > kMaxLineLength)
        std::abort();
    if (classifyRecord(program.transfer) == RecordVerdict::Valid)
        (void)program.delivery.deliver(program.transfer);
    if (program.transfer.expectedSequence >= kSequenceModulus)
        std::abort();
}

fakes::EventLog typeAll(const std::uint8_t* data, std::size_t size, std::size_t chunk, std::uint8_t options)
{
    fakes::FakeProgram f;
    Program& p = *f.program;
    p.settings.addCr = options & 1;
    p.settings.prefixEnabled = (options >> 1) & 1;
    p.settings.suffixEnabled = (options >> 2) & 1;
    std::memcpy(p.working.workingPrefix, "\x0f" "A\r", 3);
    std::memset(p.working.workingSuffix, 0xFE, 10);   // ten codes, no terminating zero in the first 10
    RecordAssembler assembler(p.transfer);
    for (std::size_t at = 0; at < size; at += chunk) {
        const std::size_t piece = size - at < chunk ? size - at : chunk;
        assembler.beginChunk(data + at, static_cast<std::uint32_t>(piece));
        while (assembler.nextLine())
            typeLine(p);
        if (p.transfer.lineLength > kMaxLineLength + 1)
            std::abort();
    }
    return f.log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t options = data[0];
    const std::size_t chunk = 1 + data[1] % 64;
    const auto whole = typeAll(data + 2, size - 2, size, options);
    const auto pieces = typeAll(data + 2, size - 2, chunk, options);
    if (whole != pieces)
        std::abort();
    return 0;
}
