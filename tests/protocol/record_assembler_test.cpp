#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/record_assembler.h"
#include "protocol/record_line.h"

namespace orvanta {
namespace {

using testing::bytes;
using testing::recordLine;

const std::uint8_t* raw(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

// Collects every line of each chunk, or only the first one of a chunk.
struct AssemblyBench {
    TransferContext transfer;
    RecordAssembler assembler{transfer};
    std::vector<std::string> lines;
    bool dropAfterLine = false;
    std::uint64_t position = 0;

    void feed(const std::string& s)
    {
        assembler.beginChunk(raw(s), static_cast<std::uint32_t>(s.size()), position);
        position += s.size();
        while (assembler.nextLine()) {
            lines.emplace_back(reinterpret_cast<const char*>(transfer.lineBuffer),
                               static_cast<std::size_t>(transfer.lineLength));
            EXPECT_EQ(transfer.lineBuffer[transfer.lineLength], 0) << "line ends in a zero byte";
            if (dropAfterLine)
                return assembler.dropRest();
        }
    }
};

TEST(RecordAssembler, HandsOnEachLineWithoutItsCarriageReturn)
{
    AssemblyBench bench;
    bench.feed("ACK\r\rab");
    bench.feed("c\r");
    EXPECT_EQ(bench.lines, (std::vector<std::string>{"ACK", "", "abc"}));
    EXPECT_EQ(bench.transfer.lineLength, 0);
}

TEST(RecordAssembler, DropsTheRestOfAChunkWhenTheHandlerSaysSo)
{
    AssemblyBench bench;
    bench.dropAfterLine = true;
    bench.feed("one\rtwo\rthr");
    bench.dropAfterLine = false;
    bench.feed("four\r");
    EXPECT_EQ(bench.lines, (std::vector<std::string>{"one", "four"}));
}

TEST(RecordAssembler, OverLongLinesAreNeverHandedOnAndAssemblyResumes)
{
    AssemblyBench bench;
    const std::string longest(kMaxLineLength, 'x');
    bench.feed(longest + "\r");
    ASSERT_EQ(bench.lines.size(), 1u);
    EXPECT_EQ(bench.lines[0], longest);

    bench.feed(std::string(kMaxLineLength + 1, 'y'));
    bench.feed(std::string(5000, 'z'));   // far past the buffer: all dropped
    bench.feed("\rnext\r");
    ASSERT_EQ(bench.lines.size(), 2u);
    EXPECT_EQ(bench.lines[1], "next");
}

// The collector's writes reach the port in pieces of any size: the lines
// must not depend on where a piece ends.
TEST(RecordAssembler, ChunkBoundariesDoNotChangeTheLines)
{
    const std::string stream = "ACK\r" + recordLine(0, "Box-17") + recordLine(1, "9780306406157") + "\r\r"
                               + std::string(1020, 'q') + "\r" + recordLine(2, "lot 4");
    AssemblyBench whole;
    whole.feed(stream);
    ASSERT_EQ(whole.lines.size(), 6u);   // the over-long line is none of them
    for (std::size_t split = 0; split <= stream.size(); split += 7) {
        AssemblyBench parts;
        parts.feed(stream.substr(0, split));
        parts.feed(stream.substr(split));
        ASSERT_EQ(parts.lines, whole.lines) << "split at " << split;
    }
}

struct VerdictCase {
    const char* name;
    std::string lastRecord;
    int expectedSequence;
    std::string line;
    RecordVerdict verdict;
};

TEST(ClassifyRecord, RepeatThenSequenceThenLengthThenChecksum)
{
    const std::string abc = recordLine(0, "abc", false);
    const VerdictCase cases[] = {
        {"worked example abc", "", 0, bytes({0x00, 0x61, 0x62, 0x63, 0x26, 0x01}), RecordVerdict::Valid},
        {"worked example YYY, low byte 13 sent as 14", "", 2, bytes({0x02, 0x59, 0x59, 0x59, 0x0E, 0x01}),
         RecordVerdict::Valid},
        {"YYY cut at a raw 13", "", 2, bytes({0x02, 0x59, 0x59, 0x59}), RecordVerdict::Invalid},
        {"worked example without data", "", 1, bytes({0x01, 0x01, 0x00}), RecordVerdict::Valid},
        {"same record again", abc, 1, abc, RecordVerdict::Repeat},
        // Only the whole last record is a repeat: a piece of a line, or an
        // empty one, must not be acknowledged as if it had been typed.
        {"leading part of the last record", abc, 1, abc.substr(0, 2), RecordVerdict::Invalid},
        {"one byte equal to the last sequence value", abc, 1, bytes({0x00}), RecordVerdict::Invalid},
        {"empty line", abc, 1, "", RecordVerdict::Invalid},
        {"empty line after a reset", "", 0, "", RecordVerdict::Invalid},
        {"record without data at sequence 0 after a reset", "", 0, bytes({0, 0, 0}), RecordVerdict::Valid},
        {"right checksum, wrong sequence", "", 0, recordLine(1, "abc", false), RecordVerdict::Invalid},
        {"sequence before length", "", 0, bytes({0x05}), RecordVerdict::Invalid},
        {"one byte", "", 3, bytes({0x03}), RecordVerdict::Invalid},
        {"two bytes", "", 3, bytes({0x03, 0x03}), RecordVerdict::Invalid},
        {"damaged low byte", "", 0, bytes({0x00, 0x61, 0x62, 0x63, 0x27, 0x01}), RecordVerdict::Invalid},
        {"damaged high byte", "", 0, bytes({0x00, 0x61, 0x62, 0x63, 0x26, 0x02}), RecordVerdict::Invalid},
        {"both checksum bytes 13 sent as 14", "", 0,
         recordLine(0, std::string(13, '\xFF') + "\x1A", false), RecordVerdict::Valid},
        {"sum wraps at 65536", "", 0, recordLine(0, std::string(1011, '\xFF'), false), RecordVerdict::Valid},
        {"sequence 9", "", 9, recordLine(9, "OVERLOAD", false), RecordVerdict::Valid},
    };
    for (const VerdictCase& c : cases) {
        TransferContext transfer;
        std::memcpy(transfer.lastRecord, c.lastRecord.data(), c.lastRecord.size());
        transfer.lastRecordLength = static_cast<std::int32_t>(c.lastRecord.size());
        transfer.expectedSequence = static_cast<std::uint8_t>(c.expectedSequence);
        std::memcpy(transfer.lineBuffer, c.line.data(), c.line.size());
        transfer.lineLength = static_cast<std::int32_t>(c.line.size());
        EXPECT_EQ(classifyRecord(transfer), c.verdict) << c.name;
    }
}

TEST(ClassifyRecord, ChecksumSubstitutionAppliesToBothBytes)
{
    // The data are chosen so that the 16-bit sum is 0x0D0D.
    const std::string line = recordLine(0, std::string(13, '\xFF') + "\x1A", false);
    EXPECT_EQ(line.substr(line.size() - 2), bytes({14, 14}));
    // 1011 bytes 0xFF sum to 257805, which is 0xEF0D modulo 65536.
    const std::string wrapped = recordLine(0, std::string(1011, '\xFF'), false);
    EXPECT_EQ(wrapped.size(), 1014u);
    EXPECT_EQ(wrapped.substr(wrapped.size() - 2), bytes({0x0E, 0xEF}));
}

}  // namespace
}  // namespace orvanta
