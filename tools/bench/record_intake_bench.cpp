/*
 * Throughput of record intake without the keyboard and the port: line
 * assembly and classification alone, and with delivery into a keyboard
 * that does nothing.
 *   build/native/tools/bench/record_intake_bench
 */
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "fakes/silent_keyboard.h"
#include "keys/record_typist.h"
#include "protocol/record_assembler.h"
#include "protocol/record_line.h"

namespace orvanta {
namespace {

std::string sampleStream(std::size_t dataLength)
{
    std::string stream;
    for (int i = 0; stream.size() < (1u << 20); ++i)
        stream += testing::recordLine(i % 10, std::string(dataLength, static_cast<char>('0' + i % 10)));
    return stream;
}

struct Silent final : fakes::SilentKeyboard, Clock {
    std::uint64_t nowUs() override { return 0; }
    void sleepUntilUs(std::uint64_t) override {}
    void idleMs(std::uint32_t) override {}
    std::uint32_t tickCount() override { return 0; }
};

struct Intake {
    Silent silent;
    Settings settings{};
    WorkingCodes working{};
    TransferContext transfer;
    int version = 10;
    RecordTypist typist{silent, silent, version};
    RecordAssembler assembler{transfer};
    bool deliver = false;
    long valid = 0;
    std::uint64_t position = 0;

    void feed(const std::uint8_t* bytes, std::uint32_t count)
    {
        assembler.beginChunk(bytes, count, position);
        position += count;
        while (assembler.nextLine()) {
            if (classifyRecord(transfer) != RecordVerdict::Valid)
                continue;
            ++valid;
            if (deliver) {
                const auto length = static_cast<std::size_t>(transfer.lineLength);
                (void)typist.type(frameRecord(settings, working, {transfer.lineBuffer + 1, length - 3}));
            }
            transfer.expectedSequence = static_cast<std::uint8_t>((transfer.expectedSequence + 1) % 10);
        }
    }
};

void run(benchmark::State& state, bool deliver)
{
    const std::string stream = sampleStream(static_cast<std::size_t>(state.range(0)));
    Intake intake;
    applyDefaults(intake.settings);
    intake.deliver = deliver;
    for (auto _ : state) {
        intake.transfer.expectedSequence = 0;
        std::memset(intake.transfer.lastRecord, 0, sizeof intake.transfer.lastRecord);
        for (std::size_t at = 0; at < stream.size(); at += 1024) {
            const std::size_t piece = std::min<std::size_t>(1024, stream.size() - at);
            intake.feed(reinterpret_cast<const std::uint8_t*>(stream.data() + at),
                                  static_cast<std::uint32_t>(piece));
        }
        benchmark::DoNotOptimize(intake.valid);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}

void AssembleAndClassify(benchmark::State& state) { run(state, false); }
void AssembleClassifyAndDeliver(benchmark::State& state) { run(state, true); }

BENCHMARK(AssembleAndClassify)->Arg(13)->Arg(100)->Arg(1011);
BENCHMARK(AssembleClassifyAndDeliver)->Arg(13)->Arg(100)->Arg(1011);

}  // namespace
}  // namespace orvanta

BENCHMARK_MAIN();
