#include <gtest/gtest.h>

#include <vector>

#include "fakes/fake_platform.h"
#include "serial/cradle.h"

namespace orvanta {
namespace {

// The set-up on a fake port, with its line and remembered rate.
struct CradleBench {
    fakes::EventLog log;
    fakes::FakeClock clock{log};
    fakes::FakeComPort comPort{log, clock};
    LineConfig line{};
    std::uint32_t rememberedRate = 0;
    CradleLine cradle{comPort, clock, line, rememberedRate, 2};

    fakes::EventLog only(std::initializer_list<const char*> kinds) const { return fakes::only(log, kinds); }
};

// The cradle hears a byte only at its own rate. It echoes the probe byte,
// and 0x07, a rate byte and 0x51 switch it to the selected rate.
struct FakeCradle {
    struct Heard {
        std::uint8_t byte;
        std::uint32_t rate;
        bool rtsOn;
        bool operator==(const Heard&) const = default;
    };

    std::uint32_t rate = 9600;
    std::uint8_t echo = kCradleProbe;
    std::vector<Heard> heard;
    std::uint32_t selected = 0;

    void attach(CradleBench& f)
    {
        f.comPort.onWrite = [this, &f](const std::string& bytes, const LineConfig& line) {
            for (unsigned char b : bytes)
                hear(f, b, line);
        };
    }

    void hear(CradleBench& f, std::uint8_t byte, const LineConfig& line)
    {
        heard.push_back({byte, line.baudRate, line.rtsOn});
        if (line.baudRate != rate || line.rtsOn)
            return;
        if (byte == kCradleProbe)
            f.comPort.receive(std::string(1, static_cast<char>(echo)));
        else if (byte >= '2' && byte <= '6')
            selected = baudRateOf('6' - byte);
        else if (byte == kCradleSwitch && selected != 0)
            rate = selected;
    }
};

using Heard = FakeCradle::Heard;

TEST(Cradle, FirstSetUpFindsTheCradleAt9600AndSwitchesItTo38400)
{
    CradleBench f;
    FakeCradle cradle;
    cradle.attach(f);
    f.comPort.applied.nullStripping = f.comPort.applied.outxDsrFlow = f.comPort.applied.abortOnError = true;

    EXPECT_EQ(configureCradle(f.cradle), true);

    const std::vector<Heard> expected = {
        {0x0F, 9600, false}, {0x07, 9600, false}, {'4', 9600, false}, {0x51, 9600, false}};
    EXPECT_EQ(cradle.heard, expected);
    EXPECT_EQ(cradle.rate, 38400u);
    EXPECT_EQ(f.rememberedRate, 38400u);
    LineConfig known;
    known.baudRate = 38400;
    EXPECT_EQ(f.comPort.applied, known) << "a known line, whatever the port had";
    // Port starts at 38400 in data state; the probe at 9600 answers; the three
    // control bytes are each followed by the 9600 settle delay.
    const auto lines = f.only({"line"});
    EXPECT_EQ(lines.front(), (fakes::Event{"line", 38400, "rts on"}));
    const auto writesAndPauses = f.only({"write", "sleep"});
    const fakes::EventLog tail(writesAndPauses.end() - 6, writesAndPauses.end());
    EXPECT_EQ(tail, (fakes::EventLog{fakes::sent("\x07"), fakes::pause(170), fakes::sent("4"), fakes::pause(170),
                                     fakes::sent("Q"), fakes::pause(170)}));
}

TEST(Cradle, LaterSetUpsStartAtTheRememberedRate)
{
    struct Case {
        const char* name;
        int baudIndexThen;
        std::vector<Heard> heard;
        std::uint32_t endRate;
        std::uint32_t settle;
    };
    const Case cases[] = {
        {"same settings: only 0x07", 2, {{0x0F, 38400, false}, {0x07, 38400, false}}, 38400, 70},
        {"rate changed to 115200", 0,
         {{0x0F, 38400, false}, {0x07, 38400, false}, {'6', 38400, false}, {0x51, 38400, false}}, 115200, 70},
    };
    for (const Case& c : cases) {
        CradleBench f;
        FakeCradle cradle;
        cradle.attach(f);
        ASSERT_EQ(configureCradle(f.cradle), true);
        cradle.heard.clear();
        f.log.clear();

        f.cradle.baudIndex = c.baudIndexThen;
        EXPECT_EQ(configureCradle(f.cradle), true) << c.name;
        EXPECT_EQ(cradle.heard, c.heard) << c.name;
        EXPECT_EQ(f.comPort.applied.baudRate, c.endRate) << c.name;
        EXPECT_EQ(cradle.rate, c.endRate) << c.name;
        EXPECT_EQ(f.log.back(), (fakes::Event{"line", c.endRate, "rts on"})) << c.name;
        EXPECT_EQ(f.cradle.settleDelayMs, c.settle) << c.name;
    }
}

TEST(Cradle, NoAnswerAtAnyRateFailsAndKeepsTheRememberedRate)
{
    for (std::uint8_t echo : {std::uint8_t{0x0E}, std::uint8_t{0}}) {
        CradleBench f;
        FakeCradle cradle;
        cradle.attach(f);
        cradle.echo = echo;
        cradle.rate = echo == 0 ? 1200 : 57600;   // 0: nobody listening at a known rate
        f.rememberedRate = 19200;

        EXPECT_EQ(configureCradle(f.cradle), false);

        std::vector<std::uint32_t> probed;
        for (const Heard& h : cradle.heard)
            probed.push_back(h.rate);
        EXPECT_EQ(probed, (std::vector<std::uint32_t>{19200, 9600, 115200, 38400, 57600, 19200}));
        EXPECT_EQ(f.rememberedRate, 19200u);
    }
}

TEST(Cradle, OnlyAnEchoWithinTheWindowAfterTheSettleDelayCounts)
{
    const std::pair<std::uint32_t, bool> cases[] = {{0, true}, {60, true}, {99, true}, {101, false}, {400, false}};
    for (const auto& [lateBy, answered] : cases) {
        CradleBench f;
        f.comPort.onWrite = [&f, late = lateBy](const std::string&, const LineConfig&) {
            f.comPort.arriveAt(f.clock.now + 170 + late, "\x0F");
        };
        EXPECT_EQ(probeCradleRate(f.cradle, 9600), answered) << "echo " << lateBy << " ms late";
    }
}

}  // namespace
}  // namespace orvanta
